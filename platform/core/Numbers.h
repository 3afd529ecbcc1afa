// Numbers read from texts as the C runtime's atoi and atof read them, but the same in every
// locale and always within their type.
#pragma once

#include <cstdint>
#include <string_view>

// Leading blanks, an optional sign and the longest run of decimal digits; 0 without any
// digit. A number beyond int32 is held at INT32_MIN or INT32_MAX.
int32_t ReadInt32(std::string_view text);
// The same within int64: a number beyond int32 reads as itself, one beyond int64 is held at
// INT64_MIN or INT64_MAX (so it is still beyond int32).
int64_t ReadInt64(std::string_view text);

// Leading blanks, an optional sign and the longest decimal number (digits, point, exponent);
// 0 without one. Hexadecimal forms read as 0, and a number that is not finite (infinity,
// NaN, or beyond the range of double) reads as 0.
double ReadDouble(std::string_view text);

// A 64-bit value held within int32.
constexpr int32_t ClampToInt32(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

// Amounts typed in units of 10,000 won (만원) are held in won as an int32, so an entry is
// limited to what still fits: 214748.
constexpr int32_t kWonPerTenThousand = 10000;
constexpr int32_t kMaxTenThousands = INT32_MAX / kWonPerTenThousand;
static_assert(kMaxTenThousands == 214748);

// Won of an entry in units of 10,000 won, the entry held within the limit.
constexpr int32_t TenThousandsToWon(int32_t tenThousands) {
    return (tenThousands > kMaxTenThousands    ? kMaxTenThousands
            : tenThousands < -kMaxTenThousands ? -kMaxTenThousands
                                               : tenThousands) *
           kWonPerTenThousand;
}

// An amount in won shown in units of 10,000 won, truncated toward zero.
constexpr int32_t WonToTenThousands(int32_t won) {
    return won / kWonPerTenThousand;
}
