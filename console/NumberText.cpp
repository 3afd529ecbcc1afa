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
    // Number texts are short: plain loops beat the library calls here.
    int integerEnd = 0;
    while (integerEnd < length && text[integerEnd] != '.')
        ++integerEnd;
    const int sign = integerEnd > 0 && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    char* o = out;
    int untilSeparator = (integerEnd - sign) % 3;
    if (untilSeparator == 0)
        untilSeparator = 3;
    for (int i = 0; i < sign; ++i)
        *o++ = text[i];
    // A separator before every group of three that has a digit of the number left of it.
    for (int i = sign; i < integerEnd; ++i) {
        if (untilSeparator == 0) {
            *o++ = ',';
            untilSeparator = 3;
        }
        *o++ = text[i];
        --untilSeparator;
    }
    for (int i = integerEnd; i < length; ++i)
        *o++ = text[i];
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
            // Truncation is the floor here: the product is not negative.
            const auto whole = static_cast<std::uint64_t>(scaled);
            const double fraction = scaled - static_cast<double>(whole);
            if (std::fabs(fraction - 0.5) > 0x1p-12) {
                const std::uint64_t n = whole + (fraction > 0.5 ? 1 : 0);
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
                if (count > decimals) {
                    for (int i = 0; i < count - decimals; ++i)
                        *o++ = digits[i];
                } else {
                    *o++ = '0'; // at least one digit before the point
                }
                if (decimals > 0) {
                    *o++ = '.';
                    for (int i = count; i < decimals; ++i)
                        *o++ = '0';
                    for (int i = std::max(0, count - decimals); i < count; ++i)
                        *o++ = digits[i];
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
