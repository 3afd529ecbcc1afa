#include "console/VossenApp.h"

#include <sqlite3.h>

#include <cstring>

#include "console/VossenDlg.h"
#include "dialogs/AppHooks.h"
#include "dialogs/LoginDialog.h"
#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/ui/Shell.h"
#include "resources/ConsoleResources.h"
#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

BEGIN_MESSAGE_MAP(CVossenApp, CWinApp)
END_MESSAGE_MAP()

CVossenApp theApp;

namespace {

CString AppBasePath() {
    return theApp.GetBasePath();
}

void KeepLaunchField(const CString& field) {
    theApp.m_strLaunchField0 = field;
}

void ShowSavedSettings() {
    if (g_pMainDlg)
        g_pMainDlg->LoadSettingsToControls();
}

// Runs the schema statements in order and stops at the first that fails.
void CreateTables(CTradeDataBase* db) {
    for (const char* sql : {kCreateAccountTable, kCreateItemTable, kCreateStrategyTable}) {
        char* error = nullptr;
        if (sqlite3_exec(db->m_pDB, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            sqlite3_free(error);
            break;
        }
    }
}

} // namespace

CVossenApp::CVossenApp() : CWinApp(nullptr) {
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

CVossenApp::~CVossenApp() = default;

BOOL CVossenApp::InitInstance() {
    RegisterConsoleResources();
    RegisterLoginDialogResources();

    INITCOMMONCONTROLSEX controls = {8, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    // Nothing uses the shell manager; it lives as long as the dialogs.
    CShellManager* shellManager = new CShellManager;
    InitEnvironment();

    CLoginDialog login;
    if (login.DoModal() == 1) {
        CVossenDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        delete shellManager;
        ShutdownCleanup();
        m_pMainWnd = nullptr;
    } else {
        delete shellManager;
        ShutdownCleanup();
    }
    return FALSE;
}

CString CVossenApp::GetBasePath() const {
    return m_strBasePath;
}

void CVossenApp::InitEnvironment() {
    m_strBasePath = "C:\\Korvex금융투자\\PlenorixGlobal\\exe";
    SetBasePathProvider(AppBasePath);
    SetDialogHooks(DialogHooks{KeepLaunchField, ShowSavedSettings});
    // The base folder itself belongs to the installation and is never made here. The folders
    // made here hold the stores and logs, passwords among them: their owner's only.
    for (const char* name : {"Log", "BackTest", "DataBase"}) {
        CString path = m_strBasePath + "\\" + name;
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            CreatePrivateFolder(HostPath(path));
    }

    m_pTradeDataBase = g_pTradeDataBase = new CTradeDataBase;
    if (g_pTradeDataBase->Open()) {
        CreateTables(g_pTradeDataBase);
        g_pTradeDataBase->Close();
    }

    m_pTradeState = g_pTradeState = new CTradeState;
    g_pTradeState->trade_records = new std::vector<TradeLogRow>;
    std::memset(g_pTradeState->items, 0, sizeof g_pTradeState->items);
    g_pTradeState->alive = true;
}

void ShutdownCleanup() {
    if (g_pTradeState && g_pTradeState->alive) {
        if (g_pTradeState->trade_records) {
            g_pTradeState->trade_records->clear();
            g_pTradeState->trade_records->shrink_to_fit();
            delete g_pTradeState->trade_records;
            g_pTradeState->trade_records = nullptr;
        }
        Sleep(1000);
        delete g_pTradeState;
        // Nothing may reach the freed objects afterwards.
        g_pTradeState = theApp.m_pTradeState = nullptr;
    }
    if (g_pTradeDataBase) {
        g_pTradeDataBase->Close();
        delete g_pTradeDataBase;
        g_pTradeDataBase = theApp.m_pTradeDataBase = nullptr;
    }
}
