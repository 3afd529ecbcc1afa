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

    static constexpr long long kEngineLogLimit = 4 * 1024 * 1024;

    // Appends to hostPath (its folder is made when missing), readable by its owner only. A log
    // that reaches maxBytes moves to hostPath + ".1", replacing the one before, and starts
    // again. False when it cannot be opened; the engine then runs without a log.
    bool Open(const std::string& hostPath, const char* mode, long long maxBytes = kEngineLogLimit);
    void Write(const char* direction, UINT message, WPARAM wParam, LPARAM lParam, const CString& text = "");

private:
    // Moves a full log aside; another engine writing the same log may have done it already.
    void Rotate(size_t lineLength);

    int m_fd = -1;
    CString m_mode;
    std::string m_path;
    long long m_maxBytes = kEngineLogLimit;
};

// $ZORVIK_ENGINE_LOG ({mode} replaced by Ms or Md), else "<base>\Log\engine-<mode>.log".
std::string EngineLogPath(const char* mode);
