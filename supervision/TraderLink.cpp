#include "supervision/TraderLink.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "platform/win/MessageLoop.h"
#include "platform/win/Process.h"
#include "platform/win/Station.h"
#include "platform/win/StationFiles.h"
#include "store/TradeState.h"
#include "supervision/Launch.h"
#include "supervision/StatusIntake.h"
#include "supervision/TraderMessages.h"

CTraderLink* g_pTraderLink = nullptr;

namespace {

constexpr const char* kStateNames[] = {"launched", "listed", "reported", "told", "gone"};
static_assert(std::size(kStateNames) == static_cast<std::size_t>(EngineState::Gone) + 1);

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    if (window)
        GetWindowThreadProcessId(window, &pid);
    return pid;
}

// A record line is two letters, two numbers and a state name.
constexpr std::size_t kRecordLineMax = 96;

unsigned Seconds(std::uint64_t ms) {
    return static_cast<unsigned>(ms / 1000);
}

// "Zorvik-MS (pid 1234)" on a line of its own, with how its process ended when that is known.
CString EngineLine(const CEngineRecord& engine) {
    CString line;
    int status = 0;
    if (!zwin::ProcessLives(engine.process) && zwin::StartedProcessEnded(engine.process.pid, &status)) {
        if (WIFSIGNALED(status))
            line.Format("\n%s (pid %d, 신호 %d)", engine.Title(), engine.process.pid, WTERMSIG(status));
        else
            line.Format("\n%s (pid %d, 종료 코드 %d)", engine.Title(), engine.process.pid,
                        WEXITSTATUS(status));
    } else {
        line.Format("\n%s (pid %d)", engine.Title(), engine.process.pid);
    }
    return line;
}

CString EndedText(const CEngineRecord& engine) {
    return "엔진이 종료 명령 없이 끝났습니다." + EngineLine(engine) + "\n\n새 엔진을 시작하지 않습니다.";
}

} // namespace

const char* CEngineRecord::Title() const {
    return ms ? kTraderTitleMs : kTraderTitleMd;
}

void CTraderLink::BuildLaunchArgs() {
    if (!g_pTradeState)
        return;
    const CTradeState& s = *g_pTradeState;
    m_strLaunchArgMs.Format("%s|%s|%s|%s|%s|%d|%s|%d|Ms", s.id.GetString(), s.passwd.GetString(),
                            s.cert_passwd.GetString(), s.account_number.GetString(),
                            s.account_passwd.GetString(), s.server_type, s.trade_item.GetString(),
                            s.trade_type);
    m_strLaunchArgMd.Format("%s|%s|%s|%s|%s|%d|%s|%d|Md", s.id2.GetString(), s.passwd2.GetString(),
                            s.cert_passwd2.GetString(), s.account_number2.GetString(),
                            s.account_passwd2.GetString(), s.server_type2, s.trade_item.GetString(),
                            s.trade_type);
}

DWORD CTraderLink::StartEngineProgram(const CString& args, zwin::ProcessIdentity* started) {
    return LaunchProgram(kTraderExePath, args, started);
}

void CTraderLink::StartFirstEngine() {
    if (CWnd* wnd = LinkWindow())
        ::SetTimer(wnd->GetSafeHwnd(), kExitWatchTimer, m_bExiting ? kExitWatchMs : kWatchMs, nullptr);
    if (FindLeftEngines())
        m_bFirstEngineDue = true;
    else
        LaunchEngine(true);
}

CEngineRecord* CTraderLink::OwnEngine(bool ms) {
    for (auto it = m_engines.rbegin(); it != m_engines.rend(); ++it)
        if (!it->left && it->ms == ms)
            return &*it;
    return nullptr;
}

void CTraderLink::LaunchEngine(bool ms) {
    // An engine started now would outlive the console, or report to nobody; a second engine
    // of a title would trade the same account twice; one that went is not started again.
    if (m_bExiting || OwnEngine(ms) || LeftEngineRuns() ||
        zwin::OpenStation().refusal != zwin::StationRefusal::None)
        return;
    const char* title = ms ? kTraderTitleMs : kTraderTitleMd;
    for (HWND window : zwin::FindWindows(title))
        if (ProcessOf(window) != static_cast<DWORD>(getpid()))
            return;
    zwin::ProcessIdentity started;
    if (StartEngineProgram(ms ? m_strLaunchArgMs : m_strLaunchArgMd, &started) != 0 || !started)
        return;
    CEngineRecord engine;
    engine.ms = ms;
    engine.process = started;
    engine.sinceMs = CClock::NowMs();
    m_engines.push_back(engine);
    WriteRecordFile();
}

bool CTraderLink::FindLeftEngines() {
    const std::uint64_t now = CClock::NowMs();
    const int self = static_cast<int>(getpid());
    auto known = [this](int pid) {
        return std::find_if(m_engines.begin(), m_engines.end(),
                            [pid](const CEngineRecord& e) { return e.process.pid == pid; });
    };
    // Engines an earlier console started, listed or not.
    std::string text;
    if (zwin::ReadStationFile(kEngineRecordFile, &text)) {
        std::istringstream lines(text);
        std::string kind;
        zwin::ProcessIdentity process;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            if (!(fields >> kind >> process.pid >> process.startTime) || (kind != "Ms" && kind != "Md") ||
                process.pid == self || known(process.pid) != m_engines.end() || !zwin::ProcessLives(process))
                continue;
            CEngineRecord engine;
            engine.ms = kind == "Ms";
            engine.process = process;
            engine.left = true;
            engine.sinceMs = now;
            m_engines.push_back(engine);
        }
    }
    // Every window of the two titles of another process, the newest and the older ones.
    for (bool ms : {true, false}) {
        for (HWND window : zwin::FindWindows(ms ? kTraderTitleMs : kTraderTitleMd)) {
            const int pid = static_cast<int>(ProcessOf(window));
            if (pid == self || pid == 0)
                continue;
            auto it = known(pid);
            if (it == m_engines.end()) {
                CEngineRecord engine;
                engine.ms = ms;
                engine.process = zwin::RemoteProcess(window);
                engine.left = true;
                engine.sinceMs = now;
                m_engines.push_back(engine);
                it = m_engines.end() - 1;
            }
            if (it->left && !it->window) {
                it->window = window;
                it->state = EngineState::Listed;
            }
        }
    }
    CString names;
    for (CEngineRecord& engine : m_engines) {
        if (!engine.left)
            continue;
        TellToExit(engine);
        names += EngineLine(engine);
    }
    if (names.IsEmpty())
        return false;
    WriteRecordFile();
    TellOperator("이전에 실행된 엔진이 아직 실행 중입니다." + names +
                     "\n\n이 엔진을 종료하고, 끝나면 새 엔진을 시작합니다.",
                 false);
    return true;
}

bool CTraderLink::FindWindowOf(CEngineRecord& engine) {
    if (engine.window && IsWindow(engine.window))
        return true;
    for (HWND window : zwin::FindWindows(engine.Title())) {
        if (ProcessOf(window) != static_cast<DWORD>(engine.process.pid))
            continue;
        engine.window = window;
        if (engine.state == EngineState::Launched)
            engine.state = EngineState::Listed;
        // The exit must reach this console's engine even if the station loses its listing.
        if (!engine.left)
            zwin::StationHold(window);
        return true;
    }
    return false;
}

bool CTraderLink::TellToExit(CEngineRecord& engine) {
    if (!FindWindowOf(engine) || !PostMessageA(engine.window, WM_TRADER_EXIT, 0, 0))
        return false;
    if (engine.state != EngineState::ToldToExit) {
        engine.state = EngineState::ToldToExit;
        engine.toldMs = CClock::NowMs();
    }
    return true;
}

CEngineRecord* CTraderLink::SenderRecord(std::optional<bool> ms) {
    const int sender = static_cast<int>(zwin::MessageSenderProcess());
    // The sender may have ended since it posted (an exit answer is its last word), but a later
    // process with its pid is not it.
    const zwin::ProcessIdentity now = zwin::IdentifyProcess(sender);
    for (CEngineRecord& engine : m_engines)
        if (engine.state != EngineState::Gone && engine.process.pid == sender && (!ms || engine.ms == *ms) &&
            (!now || !now.startTime || !engine.process.startTime ||
             now.startTime == engine.process.startTime))
            return &engine;
    return nullptr;
}

LRESULT CTraderLink::OnTraderStarted(WPARAM wParam, LPARAM) {
    const bool fromMs = wParam == 1;
    CEngineRecord* engine = SenderRecord(fromMs);
    if (!engine) {
        // Not an engine of this console: a post of any other process starts nothing, but on the
        // way out an engine window of the sender is told to exit all the same.
        if (m_bExiting) {
            const DWORD sender = zwin::MessageSenderProcess();
            for (HWND window : zwin::FindWindows(fromMs ? kTraderTitleMs : kTraderTitleMd))
                if (ProcessOf(window) == sender)
                    PostMessageA(window, WM_TRADER_EXIT, 0, 0);
        }
        return 0;
    }
    // An engine an earlier console left is only told to exit (again, should it have missed it).
    if (engine->left) {
        TellToExit(*engine);
        Settle();
        return 0;
    }
    const bool first = !engine->reported;
    engine->reported = true;
    if (engine->state == EngineState::Launched || engine->state == EngineState::Listed)
        engine->state = EngineState::Reported;
    FindWindowOf(*engine);
    if (m_bExiting) {
        TellToExit(*engine);
        Settle();
        return 0;
    }
    if (!first)
        return 0;
    Settle();
    if (fromMs) {
        // The Ms engine is up: the Md engine follows.
        LaunchEngine(false);
        return 0;
    }
    if (m_hTraderMs)
        PostMessageA(m_hTraderMs, WM_TRADER_STARTED, 0, 0);
    FillTradeList();
    return 0;
}

LRESULT CTraderLink::OnTraderClosed(WPARAM, LPARAM) {
    CEngineRecord* engine = SenderRecord();
    if (!engine)
        return 0; // not an engine this console knows
    const bool named = EndEngine(*engine);
    const CString text = named ? EndedText(*engine) : CString();
    Settle();
    if (named)
        TellOperator(text, true);
    return 0;
}

bool CTraderLink::EndEngine(CEngineRecord& engine) {
    const bool asked = engine.state == EngineState::ToldToExit || m_bExiting || engine.left;
    engine.state = EngineState::Gone;
    if (asked || engine.late)
        return false;
    engine.late = true;
    return true;
}

void CTraderLink::ForgetEndedEngines() {
    for (CEngineRecord& engine : m_engines)
        if (engine.state != EngineState::Gone && !zwin::ProcessLives(engine.process))
            engine.state = EngineState::Gone;
}

bool CTraderLink::OwnEngineRuns() {
    // One that answered the exit is waited for until its process has ended too (a process
    // never waits for its own end).
    const int self = static_cast<int>(getpid());
    return std::any_of(m_engines.begin(), m_engines.end(), [self](const CEngineRecord& e) {
        return !e.left && (e.state != EngineState::Gone || e.process.pid != self) &&
               zwin::ProcessLives(e.process);
    });
}

bool CTraderLink::LeftEngineRuns() {
    // One that answered the exit still trades until its process has ended.
    return std::any_of(m_engines.begin(), m_engines.end(),
                       [](const CEngineRecord& e) { return e.left && zwin::ProcessLives(e.process); });
}

void CTraderLink::SyncViews() {
    int count = 0;
    for (const CEngineRecord& engine : m_engines)
        count += !engine.left && engine.reported && engine.state != EngineState::Gone;
    m_nTraderCount = count;
    for (bool ms : {true, false}) {
        const CEngineRecord* engine = OwnEngine(ms);
        HWND& view = ms ? m_hTraderMs : m_hTraderMd;
        if (engine && engine->reported && engine->window && view != engine->window)
            view = engine->window;
    }
}

void CTraderLink::WriteRecordFile() {
    std::string text;
    for (const CEngineRecord& engine : m_engines) {
        if (engine.state == EngineState::Gone)
            continue;
        char line[kRecordLineMax];
        std::snprintf(line, sizeof line, "%s %d %llu %s\n", engine.ms ? "Ms" : "Md", engine.process.pid,
                      static_cast<unsigned long long>(engine.process.startTime),
                      kStateNames[static_cast<int>(engine.state)]);
        text += line;
    }
    if (text == m_recordText)
        return;
    m_recordText = text;
    if (text.empty())
        zwin::RemoveStationFile(kEngineRecordFile);
    else
        zwin::WriteStationFile(kEngineRecordFile, text);
}

void CTraderLink::Settle() {
    // What is found over stays over: the views are made after it.
    const bool over = m_bExiting && !OwnEngineRuns();
    if (over)
        ForgetEndedEngines();
    SyncViews();
    WriteRecordFile();
    if (over) {
        if (!m_bQuitPosted)
            PostQuitMessage(0);
        m_bQuitPosted = true;
        return;
    }
    if (m_bFirstEngineDue && !LeftEngineRuns()) {
        m_bFirstEngineDue = false;
        LaunchEngine(true);
    }
}

void CTraderLink::Supervise() {
    zwin::KeepStation();
    const std::uint64_t now = CClock::NowMs();
    // Boxes are shown once every record is up to date: the watch runs on inside them.
    std::vector<CString> notices;
    for (CEngineRecord& engine : m_engines) {
        if (engine.state == EngineState::Gone)
            continue;
        if (!zwin::ProcessLives(engine.process)) {
            if (EndEngine(engine))
                notices.push_back(EndedText(engine));
            continue;
        }
        const bool listed = FindWindowOf(engine);
        if ((m_bExiting || engine.left) && listed && engine.state != EngineState::ToldToExit)
            TellToExit(engine);
        if (engine.late)
            continue;
        CString notice;
        if (engine.state == EngineState::ToldToExit && now - engine.toldMs >= kAnswerWaitMs) {
            notice.Format(engine.left
                              ? "이전에 실행된 엔진이 종료 명령에 %u초가 지나도록 끝나지 않아 새 엔진을 "
                                "시작하지 않습니다.%s\n\n이 엔진이 끝나면 새 엔진을 시작합니다."
                              : "엔진이 종료 명령에 %u초가 지나도록 응답하지 않았습니다.%s\n\n엔진이 "
                                "끝날 때까지 프로그램을 끝내지 않습니다.",
                          Seconds(kAnswerWaitMs), EngineLine(engine).GetString());
        } else if (engine.left && !listed && now - engine.sinceMs >= kReportWaitMs) {
            notice.Format("이전에 실행된 엔진이 %u초가 지나도록 창을 열지 않았습니다.%s\n\n이 엔진이 끝날 "
                          "때까지 새 엔진을 시작하지 않습니다.",
                          Seconds(kReportWaitMs), EngineLine(engine).GetString());
        } else if (!engine.left && !engine.reported && now - engine.sinceMs >= kReportWaitMs) {
            notice.Format("엔진이 시작된 지 %u초가 지나도록 시작을 알리지 않았습니다.%s",
                          Seconds(kReportWaitMs), EngineLine(engine).GetString());
        }
        if (!notice.IsEmpty()) {
            engine.late = true;
            notices.push_back(notice);
        }
    }
    Settle();
    for (const CString& notice : notices)
        TellOperator(notice, true);
}

LRESULT CTraderLink::OnProfitReserveAck(WPARAM, LPARAM) {
    CTradeState* s = g_pTradeState;
    if (!s)
        return 0;
    if (--s->pending_profit_reserve <= 0) {
        // The last echo: the fall is measured from here on.
        s->pending_profit_reserve = 0;
        s->day_peak_pnl = s->day_pnl;
    }
    return 0;
}

namespace {
void CountDownEcho(int32_t CTradeState::*counter) {
    if (CTradeState* s = g_pTradeState)
        if (--(s->*counter) < 0)
            s->*counter = 0;
}
} // namespace

LRESULT CTraderLink::OnDayProfitStopAck(WPARAM, LPARAM) {
    CountDownEcho(&CTradeState::pending_day_profit_stop);
    return 0;
}

LRESULT CTraderLink::OnDayLossStopAck(WPARAM, LPARAM) {
    CountDownEcho(&CTradeState::pending_day_loss_stop);
    return 0;
}

LRESULT CTraderLink::OnAllClearProfitAck(WPARAM, LPARAM) {
    CountDownEcho(&CTradeState::pending_allclear_profit);
    return 0;
}

void CTraderLink::HandleCopyData(const COPYDATASTRUCT* data) {
    // Engines left by an earlier console report into nothing of this one (their sender is
    // asked only while there are any: a record's path stays free of system calls).
    if (!data)
        return;
    const bool anyLeft = std::any_of(m_engines.begin(), m_engines.end(), [](const CEngineRecord& e) {
        return e.left && e.state != EngineState::Gone;
    });
    if (anyLeft) {
        const int sender = static_cast<int>(zwin::MessageSenderProcess());
        if (std::any_of(m_engines.begin(), m_engines.end(), [sender](const CEngineRecord& e) {
                return e.left && e.state != EngineState::Gone && e.process.pid == sender;
            }))
            return;
    }
    if (data->dwData != COPYDATA_ACCOUNT_INFO && data->dwData != COPYDATA_ACCOUNT_UPDATE)
        return;
    const CString record = CopyDataRecord(data->lpData, data->cbData);
    if (data->dwData == COPYDATA_ACCOUNT_INFO) {
        // The second engine's window, as soon as its process has listed it.
        if (!m_hTraderMd)
            if (CEngineRecord* md = OwnEngine(false); md && FindWindowOf(*md))
                m_hTraderMd = md->window;
        ProcessAccountInfo(record);
    } else {
        ProcessAccountUpdate(record);
    }
}

void CTraderLink::HandleRuleTimer(UINT_PTR id) {
    CWnd* wnd = LinkWindow();
    if (id == kExitWatchTimer) {
        Supervise();
        return;
    }
    CTradeState* s = g_pTradeState;
    if (id < TIMER_PROFIT_RESERVE_REST || id > TIMER_ALLCLEAR_LOSS || !s)
        return;
    switch (id) {
    case TIMER_PROFIT_RESERVE_REST:
        // The rest is over: new peak, and the engines may trade again.
        s->day_peak_pnl = s->day_pnl;
        s->pending_profit_reserve = 0;
        SendToEngines(WM_TRADER_RESUME);
        break;
    case TIMER_DAY_PROFIT_STOP:
        s->pending_day_profit_stop = 0;
        break;
    case TIMER_DAY_LOSS_STOP:
        s->pending_day_loss_stop = 0;
        break;
    case TIMER_ALLCLEAR_PROFIT:
        s->pending_allclear_profit = 0;
        break;
    case TIMER_ALLCLEAR_LOSS:
        s->pending_allclear_loss = 0;
        break;
    }
    // One-shot: each expiry happens once.
    if (wnd)
        ::KillTimer(wnd->GetSafeHwnd(), id);
}

bool CTraderLink::BeginExit() {
    m_bExiting = true;
    m_bFirstEngineDue = false;
    // Processes that ended meanwhile are not waited for, nor named as unreachable.
    ForgetEndedEngines();
    CString unreachable;
    for (CEngineRecord& engine : m_engines) {
        if (engine.state == EngineState::Gone)
            continue;
        // One without a listed window yet is told when it lists it (the watch).
        const bool listed = FindWindowOf(engine);
        if (!TellToExit(engine) && listed)
            unreachable += EngineLine(engine);
    }
    // Engine windows of processes this console does not know are told too, but not waited for.
    for (const char* title : {kTraderTitleMs, kTraderTitleMd})
        for (HWND window : zwin::FindWindows(title))
            if (std::none_of(m_engines.begin(), m_engines.end(),
                             [window](const CEngineRecord& e) { return e.window == window; }))
                PostMessageA(window, WM_TRADER_EXIT, 0, 0);
    if (CWnd* wnd = LinkWindow())
        ::SetTimer(wnd->GetSafeHwnd(), kExitWatchTimer, kExitWatchMs, nullptr);
    // Engines told a moment ago may have ended already.
    const bool over = !OwnEngineRuns();
    ForgetEndedEngines();
    SyncViews();
    WriteRecordFile();
    if (!unreachable.IsEmpty())
        TellOperator("엔진에 종료 명령을 보낼 수 없습니다." + unreachable +
                         "\n\n엔진이 계속 실행 중이므로 프로그램을 끝내지 않습니다.",
                     true);
    return over;
}

bool CTraderLink::HandleClose() {
    return BeginExit();
}

void CTraderLink::OnAppExit() {
    if (BeginExit() && !m_bQuitPosted) {
        m_bQuitPosted = true;
        PostQuitMessage(0);
    }
}

void CTraderLink::OnBnClickedStart() {
    m_bStopped = 0;
    RepaintLinkWindow();
    SendToEngines(WM_TRADER_START);
}

void CTraderLink::OnBnClickedStop() {
    m_bStopped = 1;
    RepaintLinkWindow();
    SendToEngines(WM_TRADER_STOP);
}

void CTraderLink::OnBnClickedLiquidateAll() {
    SendToEngines(WM_TRADER_LIQUIDATE_ALL);
}

void CTraderLink::OnBnClickedSoundOff() {
    CWnd* wnd = LinkWindow();
    const bool soundOff = wnd && wnd->IsDlgButtonChecked(IDC_CHECK_SOUND_OFF) != 0;
    SendByTitle(WM_TRADER_SOUND, soundOff ? 0 : 1);
}

bool CTraderLink::HandleTraderKey(UINT virtualKey) {
    switch (virtualKey) {
    case VK_F3:
        SendToEngines(WM_TRADER_START);
        return true;
    case VK_F4:
        SendToEngines(WM_TRADER_STOP);
        return true;
    case VK_F6:
        SendToEngines(WM_TRADER_LIQUIDATE_ALL);
        return true;
    default:
        return false;
    }
}

int CTraderLink::SendToEngines(UINT message, bool toMs, bool toMd) {
    int posts = 0;
    if (m_hTraderMs && toMs) {
        PostMessageA(m_hTraderMs, message, 0, 0);
        ++posts;
    }
    if (m_hTraderMd && toMd) {
        PostMessageA(m_hTraderMd, message, 0, 0);
        ++posts;
    }
    return posts;
}

int CTraderLink::SendByTitle(UINT message, WPARAM wParam) {
    int found = 0;
    for (const char* title : {kTraderTitleMs, kTraderTitleMd}) {
        if (HWND h = FindWindowA(nullptr, title)) {
            PostMessageA(h, message, wParam, 0);
            ++found;
        }
    }
    return found;
}

void CTraderLink::RepaintLinkWindow() {
    if (CWnd* wnd = LinkWindow())
        ::InvalidateRect(wnd->GetSafeHwnd(), nullptr, FALSE);
}
