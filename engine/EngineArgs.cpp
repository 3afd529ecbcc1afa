#include "engine/EngineArgs.h"

#include "platform/core/Numbers.h"

std::vector<CString> SplitFields(const CString& text) {
    std::vector<CString> fields;
    int start = 0;
    for (;;) {
        int bar = text.Find('|', start);
        if (bar < 0) {
            fields.push_back(text.Mid(start));
            return fields;
        }
        fields.push_back(text.Mid(start, bar - start));
        start = bar + 1;
    }
}

bool ParseEngineArgs(const CString& text, CEngineArgs* args) {
    std::vector<CString> f = SplitFields(text);
    // A '|' inside a value would shift every later field: only exactly nine are taken.
    if (f.size() != 9)
        return false;
    const CString& mode = f.back();
    if (mode != "Ms" && mode != "Md")
        return false;
    args->id = f[0];
    args->passwd = f[1];
    args->certPasswd = f[2];
    args->account = f[3];
    args->accountPasswd = f[4];
    args->serverType = ReadInt32(f[5].GetString());
    args->tradeItem = f[6];
    args->tradeType = ReadInt32(f[7].GetString());
    args->ms = mode == "Ms";
    return true;
}
