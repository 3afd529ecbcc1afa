// The console's application object: prepares the base folder, the store and the trading
// state at start-up and frees them at the end.
#pragma once

#include "platform/core/CString.h"
#include "platform/win/WinApp.h"

class CTradeState;
class CTradeDataBase;

class CVossenApp : public CWinApp {
public:
    CVossenApp();
    ~CVossenApp() override;

    // The whole run: environment, login dialog, main dialog, cleanup; always FALSE, so the
    // framework ends the program without a message loop of its own.
    BOOL InitInstance() override;
    // The process's exit status: non-zero when the console refused to start.
    int ExitInstance() override { return m_nExitCode; }
    // Folders below the base folder, the store with its tables, and the trading state.
    void InitEnvironment();
    CString GetBasePath() const;

    CString m_strBasePath;
    CString m_strLaunchField0;
    CTradeState* m_pTradeState = nullptr;
    CTradeDataBase* m_pTradeDataBase = nullptr;
    // Why the console did not start, for scripts that run it; 0 for a normal run or a
    // cancelled login.
    static constexpr int kExitStationRefused = 2;
    static constexpr int kExitAlreadyRunning = 3;
    int m_nExitCode = 0;

    DECLARE_MESSAGE_MAP()
};

extern CVossenApp theApp;

// Tells the operator in a box (icon: an MB_ICON flag) and on standard error, where a script
// that ran the console finds it.
void TellOperator(const CString& text, UINT icon);

// Frees the trade rows, pauses 1000 ms for the engines, then frees the state and the store.
void ShutdownCleanup();
