#include <gtest/gtest.h>

#include "console/NumberText.h"

namespace {

CString Separated(const char* text) {
    CString s(text);
    InsertThousandsSeparators(s);
    return s;
}

CString Price(const char* text, int tickBase) {
    CString s(text);
    FormatPriceText(s, tickBase);
    return s;
}

} // namespace

TEST(NumberText, DecimalTextIsFixedNotationWithTheDecimalsAsked) {
    EXPECT_EQ(DecimalText(1234567.4, 0), "1234567");
    EXPECT_EQ(DecimalText(-12345.678, 2), "-12345.68");
    EXPECT_EQ(DecimalText(0.5, 12), "0.500000000000");
    EXPECT_EQ(DecimalText(-0.4, 0), "-0");
}

TEST(NumberText, SeparatorsGoBetweenGroupsOfThree) {
    EXPECT_EQ(Separated("1234567"), "1,234,567");
    EXPECT_EQ(Separated("-1234567"), "-1,234,567");
    EXPECT_EQ(Separated("1234.5678"), "1,234.5678");
    EXPECT_EQ(Separated("12345.6%"), "12,345.6%");
    EXPECT_EQ(Separated("1234567890123"), "1,234,567,890,123");
}

TEST(NumberText, NoSeparatorAfterALeadingSign) {
    EXPECT_EQ(Separated("-123456"), "-123,456");
    EXPECT_EQ(Separated("+1234"), "+1,234");
    EXPECT_EQ(Separated("-123"), "-123");
    EXPECT_EQ(Separated("+123456789"), "+123,456,789");
    EXPECT_EQ(Separated("-123.4567"), "-123.4567");
}

TEST(NumberText, ShortAndEmptyTextsStayUnchanged) {
    EXPECT_EQ(Separated("999"), "999");
    EXPECT_EQ(Separated("0"), "0");
    EXPECT_EQ(Separated(""), "");
    EXPECT_EQ(Separated(".123456"), ".123456");
}

TEST(NumberText, OnlyTheFirstPointCounts) {
    EXPECT_EQ(Separated("1234.5678.9012"), "1,234.5678.9012");
}

TEST(NumberText, CallersAddUnitsAfterSeparating) {
    CString text = DecimalText(1234567.0, 0);
    InsertThousandsSeparators(text);
    CString won;
    won.Format("%s원", text.GetString());
    EXPECT_EQ(won, "1,234,567원");

    text = DecimalText(-98765.0, 0);
    InsertThousandsSeparators(text);
    EXPECT_EQ(text, "-98,765");

    text = DecimalText(-12345.678, 2);
    InsertThousandsSeparators(text);
    EXPECT_EQ(text, "-12,345.68");
}

TEST(NumberText, PriceInThirtySeconds) {
    EXPECT_EQ(Price("105.25", 32), "105'08.00");
    EXPECT_EQ(Price("105.5", 32), "105'16.00");
    EXPECT_EQ(Price("99.984375", 32), "99'31.50");
    EXPECT_EQ(Price("105", 32), "105'00.00");
}

TEST(NumberText, PriceWithAnyOtherTickBaseIsSeparated) {
    EXPECT_EQ(Price("15234.25", 0), "15,234.25");
    EXPECT_EQ(Price("15234.25", 16), "15,234.25");
    EXPECT_EQ(Price("15234.25", 64), "15,234.25");
    EXPECT_EQ(Price("-1234.50", 0), "-1,234.50");
}
