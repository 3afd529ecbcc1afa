// The engine's one argument: nine '|'-separated fields
// "id|passwd|cert_passwd|account|account_passwd|server_type|trade_item|trade_type|Ms or Md".
#pragma once

#include <vector>

#include "platform/core/CString.h"

struct CEngineArgs {
    CString id;
    CString passwd;
    CString certPasswd;
    CString account;
    CString accountPasswd;
    int serverType = 0;
    CString tradeItem;
    int tradeType = 0;
    // The first login's instance ("Ms") or the second's ("Md").
    bool ms = true;

    const char* Mode() const { return ms ? "Ms" : "Md"; }
    // Field 0 of every status record: 1 from the Ms instance, 0 from the Md instance.
    int Slot() const { return ms ? 1 : 0; }
};

// Every '|' separates: empty fields stay fields.
std::vector<CString> SplitFields(const CString& text);
// False unless there are exactly nine fields and the last is exactly "Ms" or "Md".
bool ParseEngineArgs(const CString& text, CEngineArgs* args);
