#include "console/NumberText.h"

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

void InsertThousandsSeparators(CString& text) {
    int p = IntegerPartEnd(text);
    while (p > 3) {
        if (p == 4 && (text.GetAt(0) == '+' || text.GetAt(0) == '-'))
            break;
        p -= 3;
        text.Insert(p, ',');
    }
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
