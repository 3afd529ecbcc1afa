#include "console/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/core/Numbers.h"

namespace {

// End of the integer part: the first "." or the end of the text.
int IntegerPartEnd(const CString& text) {
    int p = text.Find('.');
    return p < 0 ? text.GetLength() : p;
}

} // namespace

CString DecimalText(double value, int decimals) {
    CString text;
    text.Format("%.*f", decimals, value);
    return text;
}

int GroupThousands(const char* text, int length, char* out) {
    const char* point = static_cast<const char*>(std::memchr(text, '.', static_cast<std::size_t>(length)));
    const int integerEnd = point ? static_cast<int>(point - text) : length;
    const int sign = integerEnd > 0 && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    char* o = out;
    for (int i = 0; i < integerEnd; ++i) {
        // A separator before every group of three that has a character of the number left of it.
        if (i > sign && (integerEnd - i) % 3 == 0)
            *o++ = ',';
        *o++ = text[i];
    }
    std::memcpy(o, text + integerEnd, static_cast<std::size_t>(length - integerEnd));
    o += length - integerEnd;
    *o = 0;
    return static_cast<int>(o - out);
}

int FixedText(char* out, double value, int decimals) {
    static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    if (decimals >= 0 && decimals <= 10 && std::isfinite(value)) {
        // Below 2^40 the product is off the exact one by at most 2^-14; unless that could
        // reach a half, rounding the product rounds the exact value, as printf does. Ties
        // and near-ties take the slow way.
        const double scaled = std::fabs(value) * kScale[decimals];
        if (scaled < 0x1p40) {
            const double whole = std::floor(scaled);
            const double fraction = scaled - whole;
            if (std::fabs(fraction - 0.5) > 0x1p-12) {
                const auto n = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
                char digits[24];
                // Most figures fit 32 bits, whose digits come quicker.
                const char* end =
                    n <= UINT32_MAX
                        ? std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(n)).ptr
                        : std::to_chars(digits, digits + sizeof digits, n).ptr;
                const int count = static_cast<int>(end - digits);
                char* o = out;
                if (std::signbit(value))
                    *o++ = '-';
                // At least one digit before the point: zeros stand in front of a short number.
                const int zeros = std::max(0, decimals + 1 - count);
                const int integerDigits = count + zeros - decimals;
                for (int i = 0; i < integerDigits; ++i)
                    *o++ = i < zeros ? '0' : digits[i - zeros];
                if (decimals > 0) {
                    *o++ = '.';
                    for (int i = integerDigits; i < count + zeros; ++i)
                        *o++ = i < zeros ? '0' : digits[i - zeros];
                }
                *o = 0;
                return static_cast<int>(o - out);
            }
        }
    }
    char* end = std::to_chars(out, out + kNumberRoom - 1, value, std::chars_format::fixed, decimals).ptr;
    *end = 0;
    return static_cast<int>(end - out);
}

void InsertThousandsSeparators(CString& text) {
    std::string out(static_cast<std::size_t>(text.GetLength()) * 4 / 3 + 2, '\0');
    out.resize(static_cast<std::size_t>(GroupThousands(text.GetString(), text.GetLength(), out.data())));
    text = CString(out);
}

void FormatPriceText(CString& text, int tickBase) {
    if (tickBase != 32) {
        InsertThousandsSeparators(text);
        return;
    }
    int p = IntegerPartEnd(text);
    double value = ReadDouble(text.GetString());
    int whole = ReadInt32(text.Left(p).GetString());
    text.Format("%d'%05.2f", whole, (value - whole) * 32.0);
}
