#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "platform/core/Numbers.h"

TEST(Numbers, IntegersReadAsAtoiWithinInt32) {
    EXPECT_EQ(-12, ReadInt32(" \t\n\v\f\r-12abc"));
    EXPECT_EQ(7, ReadInt32("+7"));
    EXPECT_EQ(42, ReadInt32("0042.9"));
    EXPECT_EQ(0, ReadInt32("abc"));
    EXPECT_EQ(0, ReadInt32(""));
    EXPECT_EQ(0, ReadInt32("- 5"));
    EXPECT_EQ(0, ReadInt32("+-5"));
    EXPECT_EQ(0, ReadInt32("--5"));
    EXPECT_EQ(INT32_MAX, ReadInt32("2147483647"));
    EXPECT_EQ(INT32_MAX, ReadInt32("2147483648"));
    EXPECT_EQ(INT32_MIN, ReadInt32("-2147483648"));
    EXPECT_EQ(INT32_MIN, ReadInt32("-2147483649"));
    EXPECT_EQ(INT32_MAX, ReadInt32("99999999999999999999999999"));
    EXPECT_EQ(INT32_MIN, ReadInt32("-99999999999999999999999999"));
    // Only the view's bytes count, even where the memory behind it holds more digits.
    EXPECT_EQ(12, ReadInt32(std::string_view("1234", 2)));
}

TEST(Numbers, DoublesReadAsAtofDecimalAndFinite) {
    EXPECT_EQ(1000.0, ReadDouble("1e3"));
    EXPECT_EQ(1.0, ReadDouble("1e"));
    EXPECT_EQ(1.0, ReadDouble("1e+"));
    EXPECT_EQ(-0.05, ReadDouble(" -.5e-1x"));
    EXPECT_EQ(2.5, ReadDouble("+2.5"));
    EXPECT_EQ(5.0, ReadDouble("5."));
    EXPECT_EQ(12.5, ReadDouble("12.5,7"));
    EXPECT_EQ(0.0, ReadDouble("."));
    EXPECT_EQ(0.0, ReadDouble("-"));
    EXPECT_EQ(0.0, ReadDouble("+-5"));
    EXPECT_EQ(0.0, ReadDouble("- 5"));
    EXPECT_EQ(0.0, ReadDouble("0x10"));
    EXPECT_EQ(0.0, ReadDouble("inf"));
    EXPECT_EQ(0.0, ReadDouble("-infinity"));
    EXPECT_EQ(0.0, ReadDouble("nan"));
    EXPECT_EQ(0.0, ReadDouble("1e999"));
    EXPECT_EQ(0.0, ReadDouble("-1e999"));
    EXPECT_EQ(0.0, ReadDouble("1e-999"));
    EXPECT_EQ(0.0, ReadDouble("1e400x"));
    // The largest finite values stay.
    EXPECT_EQ(1.7e308, ReadDouble("1.7e308"));
    EXPECT_EQ(-1.7e308, ReadDouble("-1.7e308"));
    EXPECT_EQ(3.0, ReadDouble(std::string_view("3.25", 1)));
}

TEST(Numbers, Int32ClampAndTenThousandsLimit) {
    EXPECT_EQ(INT32_MAX, ClampToInt32(INT64_MAX));
    EXPECT_EQ(INT32_MIN, ClampToInt32(INT64_MIN));
    EXPECT_EQ(-5, ClampToInt32(-5));
    EXPECT_EQ(214748, kMaxTenThousands);
    // The largest entry still fits in won, the next would not.
    EXPECT_LE(int64_t{kMaxTenThousands} * 10000, INT32_MAX);
    EXPECT_GT(int64_t{kMaxTenThousands + 1} * 10000, INT32_MAX);
    EXPECT_EQ(12340000, TenThousandsToWon(1234));
    EXPECT_EQ(-12340000, TenThousandsToWon(-1234));
    EXPECT_EQ(2147480000, TenThousandsToWon(214749));
    EXPECT_EQ(-2147480000, TenThousandsToWon(INT32_MIN));
}
