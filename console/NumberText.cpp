#include "console/NumberText.h"

#include <climits>
#include <cstdlib>

namespace {

// End of the integer part: the first "." or the end of the text.
int IntegerPartEnd(const CString& text) {
    int p = text.Find('.');
    return p < 0 ? text.GetLength() : p;
}

// atoi of the leading number, held within int so that a long text cannot overflow.
int LeadingInt(const CString& text) {
    long long v = std::strtoll(text.GetString(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

} // namespace

CString MakeDecimalFormat(int decimals) {
    CString format;
    format.Format("%%.%df", decimals);
    return format;
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
    double value = std::atof(text.GetString());
    int whole = LeadingInt(text.Left(p));
    text.Format("%d'%05.2f", whole, (value - whole) * 32.0);
}
