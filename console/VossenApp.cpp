#include "console/VossenApp.h"

#include <sqlite3.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "console/FilePrivacy.h"
#include "console/VossenDlg.h"
#include "dialogs/AppHooks.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/StoreMessages.h"
#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "platform/ui/Shell.h"
#include "platform/win/EndRequests.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "resources/ConsoleResources.h"
#include "resources/LoginDialogs.h"
#include "store/BaseFolder.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderLink.h"
#include "supervision/TraderMessages.h"

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

CString RefusalReason(const zwin::StationStatus& status) {
    CString reason;
    switch (status.refusal) {
    case zwin::StationRefusal::CannotCreate:
        reason = "폴더를 만들 수 없습니다";
        break;
    case zwin::StationRefusal::NotAFolder:
        reason = "같은 이름의 파일이 있어 폴더로 쓸 수 없습니다";
        break;
    case zwin::StationRefusal::OtherOwner:
        reason = "다른 사용자의 폴더입니다";
        break;
    case zwin::StationRefusal::OpenToOthers:
        reason = "다른 사용자도 열 수 있는 폴더입니다 (권한은 0700이어야 합니다)";
        break;
    case zwin::StationRefusal::PathTooLong:
        reason = "폴더 경로가 너무 길어 소켓을 만들 수 없습니다";
        break;
    case zwin::StationRefusal::CannotBind:
    case zwin::StationRefusal::None:
        reason = "소켓을 열 수 없습니다";
        break;
    }
    if (status.error != 0)
        reason += " (" + HostUtf8ToAnsi(std::strerror(status.error)) + ")";
    return reason;
}

// Without the station no engine could report or be told to stop: the console does not start.
bool StationWorks() {
    const zwin::StationStatus status = zwin::OpenStation();
    if (status.refusal == zwin::StationRefusal::None)
        return true;
    TellOperator("엔진과 통신할 폴더를 쓸 수 없어 프로그램을 시작하지 않습니다.\n폴더: " +
                     HostUtf8ToAnsi(status.folder) + "\n이유: " + RefusalReason(status),
                 MB_ICONSTOP);
    return false;
}

// One console per station: the engines report to whichever window bears the main title. The
// lock covers a console that is still in its login; the lookup, one that holds no lock.
class CConsoleLock {
public:
    CConsoleLock() = default;
    ~CConsoleLock() {
        if (m_fd >= 0)
            Sys().close(m_fd);
    }
    CConsoleLock(const CConsoleLock&) = delete;
    CConsoleLock& operator=(const CConsoleLock&) = delete;

    // False only when another process holds it. A console that is ending lets go within
    // moments (the update hand-off starts the new one while the old one closes): it is
    // waited for a little.
    bool Take(const std::string& folder) {
        m_fd = Sys().open((folder + "/console.lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
        if (m_fd < 0)
            return true;
        for (int waited = 0;; waited += kRetryMs) {
            if (Sys().flock(m_fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
                return true;
            if (waited >= kWaitMs)
                return false;
            Sys().sleepMs(kRetryMs);
        }
    }

private:
    static constexpr int kWaitMs = 5000;
    static constexpr int kRetryMs = 100;
    int m_fd = -1;
};

bool AnotherConsoleRuns(CConsoleLock& lock) {
    if (!FindWindowA(nullptr, kTraderTitleMaster) && lock.Take(zwin::OpenStation().folder))
        return false;
    TellOperator("프로그램이 이미 실행 중입니다.", MB_ICONINFORMATION);
    return true;
}

bool g_endRequested = false;

// SIGTERM, SIGINT, SIGHUP: the main dialog ends as its menu's exit ends it (the engines are
// told); before it, the run ends as a cancelled login ends it.
void OnEndRequest(int) {
    g_endRequested = true;
    if (g_pTraderLink)
        g_pTraderLink->OnAppExit();
    else
        PostQuitMessage(0);
}

} // namespace

void TellOperator(const CString& text, UINT icon) {
    std::fprintf(stderr, "zorvik: %s\n", AnsiToHostUtf8(text).c_str());
    AfxMessageBox(text, MB_OK | icon);
}

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
    auto shellManager = std::make_unique<CShellManager>();
    g_endRequested = false;
    zwin::WatchEndRequests(OnEndRequest);
    CConsoleLock lock;
    m_nExitCode = 0;
    if (!StationWorks())
        m_nExitCode = kExitStationRefused;
    else if (AnotherConsoleRuns(lock))
        m_nExitCode = kExitAlreadyRunning;
    if (m_nExitCode != 0) {
        // Nothing was prepared: no folder, store or engine is touched.
        zwin::UnwatchEndRequests();
        return FALSE;
    }
    InitEnvironment();

    CLoginDialog login;
    const INT_PTR result = login.DoModal();
    // A login accepted just as an end was requested opens no main dialog.
    zwin::PollFds(0);
    if (result == 1 && !g_endRequested) {
        CVossenDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        shellManager.reset();
        ShutdownCleanup();
        m_pMainWnd = nullptr;
    } else {
        shellManager.reset();
        ShutdownCleanup();
    }
    zwin::UnwatchEndRequests();
    return FALSE;
}

CString CVossenApp::GetBasePath() const {
    return m_strBasePath;
}

void CVossenApp::InitEnvironment() {
    m_strBasePath = kBaseFolder;
    // Links on the operator's way to the base folder are followed here, once; below it the
    // console's files are opened without following any.
    ResolveFolderLinks(m_strBasePath);
    SetBasePathProvider(AppBasePath);
    SetDialogHooks(DialogHooks{KeepLaunchField, ShowSavedSettings});
    // The base folder itself belongs to the installation and is never made here. The folders
    // made here hold the stores and logs, passwords among them: their owner's only.
    for (const char* name : {"Log", "BackTest", "DataBase"}) {
        CString path = m_strBasePath + "\\" + name;
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            CreatePrivateFolder(HostPath(path));
    }
    // Installations from before kept them open to every user: brought to their owner now.
    if (const CString exposed = KeepStoreFilesPrivate(m_strBasePath); !exposed.IsEmpty())
        TellOperator(exposed, MB_ICONWARNING);

    m_pTradeDataBase = g_pTradeDataBase = new CTradeDataBase;
    if (g_pTradeDataBase->Open()) {
        CreateTables(g_pTradeDataBase);
        g_pTradeDataBase->Close();
    } else {
        TellOperator(StoreNotOpenedText(*g_pTradeDataBase), MB_ICONSTOP);
    }

    m_pTradeState = g_pTradeState = new CTradeState;
    g_pTradeState->trade_records = std::make_unique<std::vector<TradeLogRow>>();
    std::memset(g_pTradeState->items, 0, sizeof g_pTradeState->items);
    g_pTradeState->alive = true;
}

void ShutdownCleanup() {
    if (g_pTradeState && g_pTradeState->alive) {
        g_pTradeState->trade_records.reset();
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
