#include "LinkFixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/win/Station.h"
#include "resources/ConsoleResources.h"
#include "supervision/Launch.h"
#include "supervision/TraderMessages.h"

namespace {
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
} // namespace

LRESULT CRecordingWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BM_GETCHECK)
        return check;
    if (message == BM_SETCHECK) {
        check = static_cast<UINT>(wParam);
        return 0;
    }
    if (message != WM_DESTROY)
        received.emplace_back(message, wParam);
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BEGIN_MESSAGE_MAP(CTestMainDlg, CWnd)
ON_WM_TIMER()
ON_WM_CLOSE()
ON_TRADER_LINK_MESSAGES()
ON_COMMAND(ID_MENU_EXIT, OnAppExit)
ON_BN_CLICKED(IDC_BTN_START, OnBnClickedStart)
ON_BN_CLICKED(IDC_BTN_LIQUIDATE_ALL, OnBnClickedLiquidateAll)
ON_BN_CLICKED(IDC_BTN_STOP, OnBnClickedStop)
ON_BN_CLICKED(IDC_CHECK_SOUND_OFF, OnBnClickedSoundOff)
END_MESSAGE_MAP()

DWORD CTestMainDlg::StartEngineProgram(const CString& args, zwin::ProcessIdentity* started) {
    starts.push_back(args);
    if (starter)
        return starter(args, started);
    *started = zwin::IdentifyProcess(getpid());
    return 0;
}

DWORD CTestMainDlg::StartReally(const CString& args, zwin::ProcessIdentity* started) {
    return LaunchProgram(kTraderExePath, args, started);
}

void CTestMainDlg::FillTradeList() {
    ++fills;
    g_pTradeState->trade_count = loadedTradeCount;
}

namespace {

// How long a forked engine waits for its exit before it gives up.
constexpr int kForkedEngineLifeMs = 60000;
constexpr int kForkedEngineStepMs = 10;
// How long one that reports first waits before it lists its window.
constexpr unsigned kReportFirstLeadMs = 300;

class CForkedEngineWnd : public CWnd {
public:
    bool deaf = false;
    bool lingers = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TRADER_EXIT && !deaf) {
            PostMessageA(FindWindowA(nullptr, kTraderTitleMaster), WM_TRADER_EXIT, 0, 0);
            if (!lingers)
                _exit(0);
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

} // namespace

ForkedEngine::ForkedEngine(CWnd* console, Options options) {
    int go[2];
    if (pipe(go) != 0)
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(go[1]);
        char c = 0;
        if (read(go[0], &c, 1) != 1)
            _exit(2);
        // The copy of the console's window that the fork made is not the console.
        console->SetWindowText("");
        auto report = [&] {
            PostMessageA(FindWindowA(nullptr, kTraderTitleMaster), WM_TRADER_STARTED, options.ms ? 1 : 0, 0);
        };
        if (options.reportFirst) {
            report();
            usleep(kReportFirstLeadMs * 1000);
        }
        CForkedEngineWnd window;
        window.deaf = options.deaf;
        window.lingers = options.lingers;
        window.CreateEx(0, options.ms ? kTraderTitleMs : kTraderTitleMd, WS_POPUP, RECT{}, nullptr, 0);
        if (!options.reportFirst)
            report();
        for (int waited = 0; waited < kForkedEngineLifeMs; waited += kForkedEngineStepMs) {
            zwin::PollFds(kForkedEngineStepMs);
            zwin::PumpWaitingMessages();
        }
        _exit(1);
    }
    close(go[0]);
    m_go = go[1];
    m_process = zwin::IdentifyProcess(pid);
}

ForkedEngine::~ForkedEngine() {
    if (m_go >= 0)
        close(m_go);
    if (!Ended()) {
        kill(m_process.pid, SIGKILL);
        waitpid(m_process.pid, nullptr, 0);
    }
}

void ForkedEngine::Go() {
    if (m_go >= 0 && write(m_go, "g", 1) == 1) {
        close(m_go);
        m_go = -1;
    }
}

bool ForkedEngine::Ended(int* status) {
    int s = 0;
    if (m_reaped || m_process.pid <= 0)
        return true;
    if (waitpid(m_process.pid, &s, WNOHANG) != m_process.pid)
        return false;
    if (status)
        *status = s;
    m_reaped = true;
    return true;
}

LRESULT CTestMainDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER)
        ++defaultTimers;
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void LinkTest::SetUp() {
    CClock::UseManual();
    drive.MakeBaseFolder();
    state = std::make_unique<CTradeState>();
    g_pTradeState = state.get();
    dlg = std::make_unique<CTestMainDlg>();
    ASSERT_TRUE(dlg->CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0));
    dlg->SetPeer(&paint);
    auto check = std::make_unique<CRecordingWnd>();
    ASSERT_TRUE(
        check->CreateEx(0, "Sound Off", WS_CHILD, RECT{0, 0, 10, 10}, dlg.get(), IDC_CHECK_SOUND_OFF));
    soundOff = check.get();
    engines.push_back(std::move(check));
    g_pTraderLink = dlg.get();
}

void LinkTest::TearDown() {
    g_pTraderLink = nullptr;
    for (auto& e : engines)
        e->DestroyWindow();
    dlg->SetPeer(nullptr);
    dlg->DestroyWindow();
    g_pTradeState = nullptr;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
    CClock::UseSystem();
}

CRecordingWnd* LinkTest::OpenEngine(const char* title) {
    auto wnd = std::make_unique<CRecordingWnd>();
    EXPECT_TRUE(wnd->CreateEx(0, title, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    engines.push_back(std::move(wnd));
    return engines.back().get();
}

void LinkTest::GoLive() {
    ms = OpenEngine("Zorvik-MS");
    md = OpenEngine("Zorvik-MD");
    dlg->m_hTraderMs = ms->m_hWnd;
    dlg->m_hTraderMd = md->m_hWnd;
    Info("1|0|0|0|0|0|0|0|0|0|0");
    Info("0|0|0|0|0|0|0|0|0|0|0");
    ms->received.clear();
    md->received.clear();
}

namespace {
void SendRecord(HWND to, ULONG_PTR kind, const std::string& text) {
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    COPYDATASTRUCT cds{kind, static_cast<DWORD>(bytes.size()), bytes.data()};
    SendMessageA(to, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}
} // namespace

void LinkTest::Info(const std::string& record) {
    SendRecord(dlg->m_hWnd, COPYDATA_ACCOUNT_INFO, record);
    Pump();
}

void LinkTest::Update(const std::string& record) {
    SendRecord(dlg->m_hWnd, COPYDATA_ACCOUNT_UPDATE, record);
    Pump();
}

void LinkTest::Update(int slotValue, int qty, double setPnl, double tradingPnl, int stopped) {
    char text[256];
    snprintf(text, sizeof text, "%d|0|%d|0|0|0|0|0|%.17g|0|%.17g|0|0|0|%d|0", slotValue, qty, setPnl,
             tradingPnl, stopped);
    Update(std::string(text));
}

bool LinkTest::QuitPosted() {
    MSG msg;
    // Engines' posts may stand before the quit in the queue.
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}
