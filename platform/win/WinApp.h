// The framework's application object: one per process, constructed statically; the
// program's start runs its InitInstance.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/win/Messages.h"
#include "platform/win/Wnd.h"

constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static const CRuntimeClass classCWinApp;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCWinApp; }

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }

    // The command-line tail, the text after the program name (code page 949).
    const char* m_lpCmdLine = "";
    CWnd* m_pMainWnd = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
    CString m_strAppName;

    // Icon resource `id` (defined by the window back end, platform/ui).
    HICON LoadIcon(UINT id) const;

    // Stores the command-line tail that m_lpCmdLine points at.
    void SetCommandLine(const CString& tail);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override { return GetThisMessageMap(); }

private:
    CString m_cmdLineStorage;
};

// The one application object of the process, or null.
CWinApp* AfxGetApp();

namespace zwin {
// The process's arguments as AfxWinMain received them (the window back end starts Qt with
// them); argc 0 before.
int& ProcessArgc();
char** ProcessArgv();
} // namespace zwin

// Runs the process's application object: InitInstance, then ExitInstance when it returned
// TRUE. m_lpCmdLine is the process's argument text (CommandLine.h). Returns the exit code.
int AfxWinMain(int argc, char** argv);
