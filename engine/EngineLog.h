// The engine's command log: one line for every command message it receives and for what it
// sends back, so that tests and operators see which commands reached which engine and when:
//
//   <ms since 1970> <Ms|Md> <pid> recv|sent|note <message> <NAME> <wParam> <lParam>[ <text>]
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CEngineLog {
public:
    CEngineLog() = default;
    ~CEngineLog();
    CEngineLog(const CEngineLog&) = delete;
    CEngineLog& operator=(const CEngineLog&) = delete;

    // Appends to hostPath (its folder is made when missing). False when it cannot be opened;
    // the engine then runs without a log.
    bool Open(const std::string& hostPath, const char* mode);
    void Write(const char* direction, UINT message, WPARAM wParam, LPARAM lParam, const CString& text = "");

private:
    int m_fd = -1;
    CString m_mode;
};

// $ZORVIK_ENGINE_LOG ({mode} replaced by Ms or Md), else "<base>\Log\engine-<mode>.log".
std::string EngineLogPath(const char* mode);
