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
    // Folders below the base folder, the store with its tables, and the trading state.
    void InitEnvironment();
    CString GetBasePath() const;

    CString m_strBasePath;
    CString m_strLaunchField0;
    CTradeState* m_pTradeState = nullptr;
    CTradeDataBase* m_pTradeDataBase = nullptr;

    DECLARE_MESSAGE_MAP()
};

extern CVossenApp theApp;

// Frees the trade rows, pauses 1000 ms for the engines, then frees the state and the store.
void ShutdownCleanup();
