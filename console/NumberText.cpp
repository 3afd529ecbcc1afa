#include "console/NumberText.h"

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
