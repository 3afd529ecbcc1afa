#include "console/VossenApp.h"

#include <sqlite3.h>

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
#include "platform/win/StationFiles.h"
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

// Tells why the station cannot be used, and that the console does not start.
void TellStationRefused(const std::string& folder, const CString& reason) {
    TellOperator("엔진과 통신할 폴더를 쓸 수 없어 프로그램을 시작하지 않습니다.\n폴더: " +
                     HostUtf8ToAnsi(folder) + "\n이유: " + reason,
                 MB_ICONSTOP);
}

// One console per station: the engines report to whichever window bears the main title. The
// lock covers a console that is still in its login; the lookup, one that holds no lock. The
// lock is held until the process ends, and made again whenever the watch over the engines
// finds its file removed or replaced.
constexpr char kConsoleLockFile[] = "console.lock";
// A console that is ending lets go within moments (the update hand-off starts the new one
// while the old one closes): it is waited for a little.
constexpr int kLockWaitMs = 5000;
constexpr int kLockRetryMs = 100;

enum class ConsoleLock { Taken, HeldByOther, Refused };

bool StationWorks() {
    const zwin::StationStatus status = zwin::OpenStation();
    if (status.refusal == zwin::StationRefusal::None)
        return true;
    TellStationRefused(status.folder, RefusalReason(status));
    return false;
}

ConsoleLock TakeConsoleLock(int* error) {
    if (FindWindowA(nullptr, kTraderTitleMaster))
        return ConsoleLock::HeldByOther;
    for (int waited = 0;; waited += kLockRetryMs) {
        switch (zwin::LockStation(kConsoleLockFile, error)) {
        case zwin::StationLockResult::Taken:
            return ConsoleLock::Taken;
        case zwin::StationLockResult::Refused:
            return ConsoleLock::Refused;
        case zwin::StationLockResult::HeldByOther:
            break;
        }
        if (waited >= kLockWaitMs)
            return ConsoleLock::HeldByOther;
        Sys().sleepMs(kLockRetryMs);
    }
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
    m_nExitCode = 0;
    int lockError = 0;
    if (!StationWorks()) {
        m_nExitCode = kExitStationRefused;
    } else {
        switch (TakeConsoleLock(&lockError)) {
        case ConsoleLock::Taken:
            break;
        case ConsoleLock::HeldByOther:
            TellOperator("프로그램이 이미 실행 중입니다.", MB_ICONINFORMATION);
            m_nExitCode = kExitAlreadyRunning;
            break;
        case ConsoleLock::Refused: {
            // A link, a folder or another user's file would let a second console in.
            CString reason = "잠금 파일 console.lock을 쓸 수 없습니다";
            if (lockError != 0)
                reason += " (" + HostUtf8ToAnsi(std::strerror(lockError)) + ")";
            reason += ".\n이 사용자의 일반 파일이어야 합니다 (링크, 폴더, 다른 사용자의 파일은 안 됩니다).";
            TellStationRefused(zwin::OpenStation().folder, reason);
            m_nExitCode = kExitStationRefused;
            break;
        }
        }
    }
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
    zwin::UnlockStation();
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
