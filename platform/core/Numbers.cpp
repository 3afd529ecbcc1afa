#include "platform/core/Numbers.h"

#include <charconv>
#include <system_error>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text after its leading blanks and one optional sign; true when the sign was '-'.
std::string_view SkipBlanksAndSign(std::string_view text, bool* negative) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    *negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        *negative = text[i++] == '-';
    return text.substr(i);
}

} // namespace

int64_t ReadInt64(std::string_view text) {
    bool negative = false;
    const std::string_view digits = SkipBlanksAndSign(text, &negative);
    // Unsigned, so that a second sign is not a number.
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (ec == std::errc::invalid_argument)
        return 0;
    if (ec == std::errc::result_out_of_range || magnitude > static_cast<uint64_t>(INT64_MAX))
        return negative ? INT64_MIN : INT64_MAX;
    const int64_t value = static_cast<int64_t>(magnitude);
    return negative ? -value : value;
}

int32_t ReadInt32(std::string_view text) {
    return ClampToInt32(ReadInt64(text));
}

double ReadDouble(std::string_view text) {
    bool negative = false;
    const std::string_view number = SkipBlanksAndSign(text, &negative);
    // A decimal number starts with a digit or a point followed by one; this keeps out a
    // second sign and the words "inf" and "nan".
    const bool decimal = !number.empty() && (IsDigit(number[0]) ||
                                             (number[0] == '.' && number.size() > 1 && IsDigit(number[1])));
    if (!decimal)
        return 0;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    // Out of range: too large (atof would give infinity) or too small (atof gives 0).
    if (ec != std::errc())
        return 0;
    return negative ? -value : value;
}
