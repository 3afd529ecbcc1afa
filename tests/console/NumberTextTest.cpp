#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

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

// The list's fast fixed notation gives printf's text for every value: large and small, both
// signs, exact ties (rounded to even) and values just beside a tie.
TEST(NumberText, FixedTextIsPrintfsText) {
    std::vector<double> values = {
        0.0,     -0.0,     0.125,  -0.125,   2.5,    3.5,      0.005,        1.005,        -1.005,
        15001.5, 21345.25, 1234.5, -0.001,   1e-300, 0x1p40,   0x1p40 - 1,   1e15 + 0.25,  1e300,
        -1e300,  99.995,   0.045,  1e12 / 3, 2.675,  -48765.5, 9.9999999999, 0.49999999999};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 16) - 4);
        values.push_back((static_cast<double>(random() % 2000001) - 1000000) / 1000000 * magnitude);
        // Multiples of a power of two below a cent: exact ties at two decimals and beside them.
        const double tie = static_cast<double>(static_cast<std::int64_t>(random() % 2000000) - 1000000) / 8;
        values.push_back(tie);
        values.push_back(std::nextafter(tie, 1e9));
        values.push_back(std::nextafter(tie, -1e9));
    }
    int checked = 0;
    for (double value : values) {
        for (int decimals = 0; decimals <= 10; ++decimals) {
            char text[kNumberRoom];
            const int length = FixedText(text, value, decimals);
            const CString expected = DecimalText(value, decimals);
            ASSERT_EQ(CString(text, length), expected) << value << " with " << decimals << " decimals";
            ++checked;
        }
    }
    EXPECT_GT(checked, 800000);
}
