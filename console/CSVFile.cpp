#include "console/CSVFile.h"

CCSVFile::~CCSVFile() = default;

void CCSVFile::WriteRow(const CStringArray& fields) {
    static const char kQuote = '"';
    static const char kComma = ',';
    if (fields.GetSize() == 0) {
        WriteString("\n");
        return;
    }
    for (int i = 0; i < fields.GetSize(); ++i) {
        const CString& field = fields.GetAt(i);
        if (i > 0)
            WriteString(",");
        const bool hasQuote = field.Find(kQuote) >= 0;
        // A line break inside a field would split the row in two unless it is quoted.
        const bool needsQuotes =
            hasQuote || field.Find(kComma) >= 0 || field.Find('\r') >= 0 || field.Find('\n') >= 0;
        if (!needsQuotes) {
            WriteString(field);
        } else if (!hasQuote) {
            Write(&kQuote, 1);
            WriteString(field);
            Write(&kQuote, 1);
        } else {
            Write(&kQuote, 1);
            for (int b = 0; b < field.GetLength(); ++b) {
                const char ch = field.GetAt(b);
                Write(&ch, 1);
                if (ch == kQuote)
                    Write(&kQuote, 1);
            }
            Write(&kQuote, 1);
        }
    }
    WriteString("\n");
}
