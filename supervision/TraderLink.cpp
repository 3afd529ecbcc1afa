#include "supervision/TraderLink.h"

#include <unistd.h>

#include <algorithm>

#include "platform/core/Sys.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "store/TradeState.h"
#include "supervision/Launch.h"
#include "supervision/StatusIntake.h"
#include "supervision/TraderMessages.h"

CTraderLink* g_pTraderLink = nullptr;

namespace {

// How long engines left by an earlier console get to exit, and how often they are looked at.
constexpr unsigned kLeftEngineWaitMs = 5000;
constexpr unsigned kLeftEngineStepMs = 100;

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    if (window)
        GetWindowThreadProcessId(window, &pid);
    return pid;
}

// "Zorvik-MS (pid 1234)" on a line of its own.
CString EngineLine(const char* title, HWND window) {
    CString line;
    line.Format("\n%s (pid %lu)", title, static_cast<unsigned long>(ProcessOf(window)));
    return line;
}

} // namespace

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

void CTraderLink::StartFirstEngine() {
    if (EndLeftEngines() && LaunchEngine(m_strLaunchArgMs, kTraderTitleMs))
        m_bStartingMs = true;
}

bool CTraderLink::LaunchEngine(const CString& args, const char* title) {
    // An engine started now would outlive the console, or report to nobody; a second engine
    // of a title would trade the same account twice.
    if (m_bExiting || zwin::OpenStation().refusal != zwin::StationRefusal::None ||
        FindWindowA(nullptr, title))
        return false;
    return LaunchProgram(kTraderExePath, args) == 0;
}

bool CTraderLink::EndLeftEngines() {
    struct Left {
        const char* title;
        HWND window;
    };
    std::vector<Left> left;
    CString names;
    for (const char* title : {kTraderTitleMs, kTraderTitleMd}) {
        // A window of this process was never left by another console.
        HWND window = FindWindowA(nullptr, title);
        if (!window || ProcessOf(window) == static_cast<DWORD>(getpid()))
            continue;
        left.push_back({title, window});
        m_leftEngines.push_back(ProcessOf(window));
        names += EngineLine(title, window);
    }
    if (left.empty())
        return true;
    TellOperator("이전에 실행된 엔진이 아직 실행 중입니다." + names +
                     "\n\n확인을 누르면 이 엔진을 종료하고 새 엔진을 시작합니다.",
                 false);
    for (const Left& engine : left)
        PostMessageA(engine.window, WM_TRADER_EXIT, 0, 0);
    for (unsigned waited = 0;; waited += kLeftEngineStepMs) {
        const bool stays =
            std::any_of(left.begin(), left.end(), [](const Left& e) { return IsWindow(e.window); });
        if (!stays)
            return true;
        if (waited >= kLeftEngineWaitMs)
            break;
        // Their records are answered (and dropped) meanwhile, so that none of them waits on us.
        zwin::PollFds(0);
        zwin::RunIncomingSends();
        Sys().sleepMs(kLeftEngineStepMs);
    }
    CString staying;
    for (const Left& engine : left)
        if (IsWindow(engine.window))
            staying += EngineLine(engine.title, engine.window);
    TellOperator("이전에 실행된 엔진이 종료되지 않아 새 엔진을 시작하지 않습니다." + staying +
                     "\n\n이 엔진을 종료한 뒤 프로그램을 다시 시작하십시오.",
                 true);
    return false;
}

void CTraderLink::AwaitStartingEngines() {
    constexpr unsigned kStepMs = 50;
    constexpr unsigned kLimitMs = 2000;
    for (unsigned waited = 0; waited < kLimitMs; waited += kStepMs) {
        const bool msUnlisted = m_bStartingMs && !FindWindowA(nullptr, kTraderTitleMs);
        const bool mdUnlisted = m_bStartingMd && !FindWindowA(nullptr, kTraderTitleMd);
        if (!msUnlisted && !mdUnlisted)
            return;
        Sys().sleepMs(kStepMs);
    }
}

bool CTraderLink::TakeStartReport(HWND found, HWND* handle, bool* known) {
    if (*known && IsWindow(*handle))
        return false;
    if (!*known)
        ++m_nTraderCount;
    *known = true;
    *handle = found;
    // The exit must reach it even if the station loses its listing.
    zwin::StationHold(found);
    return true;
}

LRESULT CTraderLink::OnTraderStarted(WPARAM wParam, LPARAM) {
    const bool fromMs = wParam == 1;
    const DWORD sender = zwin::MessageSenderProcess();
    HWND found = FindWindowA(nullptr, fromMs ? kTraderTitleMs : kTraderTitleMd);
    // Only the engine window of that title reports its start; a post of any other process
    // starts nothing.
    if (!found || ProcessOf(found) != sender ||
        std::find(m_leftEngines.begin(), m_leftEngines.end(), sender) != m_leftEngines.end())
        return 0;
    if (fromMs) {
        if (!TakeStartReport(found, &m_hTraderMs, &m_bKnownMs))
            return 0;
        // The Ms engine is up: the Md engine follows, unless it runs or is on its way.
        m_bStartingMs = false;
        const bool mdRuns = m_bStartingMd || (m_bKnownMd && IsWindow(m_hTraderMd));
        if (!mdRuns && LaunchEngine(m_strLaunchArgMd, kTraderTitleMd))
            m_bStartingMd = true;
        return 0;
    }
    if (!TakeStartReport(found, &m_hTraderMd, &m_bKnownMd))
        return 0;
    m_bStartingMd = false;
    if (m_hTraderMs)
        PostMessageA(m_hTraderMs, WM_TRADER_STARTED, 0, 0);
    FillTradeList();
    return 0;
}

LRESULT CTraderLink::OnTraderClosed(WPARAM, LPARAM) {
    const DWORD sender = zwin::MessageSenderProcess();
    if (m_bKnownMs && ProcessOf(m_hTraderMs) == sender) {
        m_bKnownMs = false;
        --m_nTraderCount;
    } else if (m_bKnownMd && ProcessOf(m_hTraderMd) == sender) {
        m_bKnownMd = false;
        --m_nTraderCount;
    } else if (m_bStartingMs && ProcessOf(FindWindowA(nullptr, kTraderTitleMs)) == sender) {
        m_bStartingMs = false; // told to exit before its start report came
    } else if (m_bStartingMd && ProcessOf(FindWindowA(nullptr, kTraderTitleMd)) == sender) {
        m_bStartingMd = false;
    } else {
        return 0; // not an engine of this console
    }
    if (NoEngineLeft())
        PostQuitMessage(0);
    return 0;
}

void CTraderLink::ForgetGoneEngines() {
    // A started engine without a window did not come up, or has gone.
    m_bStartingMs = m_bStartingMs && FindWindowA(nullptr, kTraderTitleMs);
    m_bStartingMd = m_bStartingMd && FindWindowA(nullptr, kTraderTitleMd);
    if (m_bKnownMs && !IsWindow(m_hTraderMs)) {
        m_bKnownMs = false;
        --m_nTraderCount;
    }
    if (m_bKnownMd && !IsWindow(m_hTraderMd)) {
        m_bKnownMd = false;
        --m_nTraderCount;
    }
}

bool CTraderLink::NoEngineLeft() const {
    return m_nTraderCount <= 0 && !m_bStartingMs && !m_bStartingMd;
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
    if (!data || (!m_leftEngines.empty() && std::find(m_leftEngines.begin(), m_leftEngines.end(),
                                                      zwin::MessageSenderProcess()) != m_leftEngines.end()))
        return;
    if (data->dwData != COPYDATA_ACCOUNT_INFO && data->dwData != COPYDATA_ACCOUNT_UPDATE)
        return;
    const CString record = CopyDataRecord(data->lpData, data->cbData);
    if (data->dwData == COPYDATA_ACCOUNT_INFO) {
        if (!m_hTraderMd)
            m_hTraderMd = FindWindowA(nullptr, kTraderTitleMd);
        ProcessAccountInfo(record);
    } else {
        ProcessAccountUpdate(record);
    }
}

void CTraderLink::HandleRuleTimer(UINT_PTR id) {
    CWnd* wnd = LinkWindow();
    if (id == kExitWatchTimer) {
        ForgetGoneEngines();
        if (NoEngineLeft())
            PostQuitMessage(0);
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

void CTraderLink::TellEnginesToExit(CString* unreachable) {
    const struct {
        const char* title;
        HWND known;
    } slots[] = {{kTraderTitleMs, m_bKnownMs ? m_hTraderMs : nullptr},
                 {kTraderTitleMd, m_bKnownMd ? m_hTraderMd : nullptr}};
    for (const auto& slot : slots) {
        HWND found = FindWindowA(nullptr, slot.title);
        const bool foundIsKnown = found && slot.known && ProcessOf(found) == ProcessOf(slot.known);
        if (found && !foundIsKnown)
            PostMessageA(found, WM_TRADER_EXIT, 0, 0);
        // A known engine is told even when the station no longer lists it.
        if (!slot.known || !IsWindow(slot.known))
            continue;
        if (!PostMessageA(foundIsKnown ? found : slot.known, WM_TRADER_EXIT, 0, 0))
            *unreachable += EngineLine(slot.title, slot.known);
    }
}

bool CTraderLink::ReachAllEngines() {
    CString unreachable;
    TellEnginesToExit(&unreachable);
    if (unreachable.IsEmpty())
        return true;
    TellOperator("엔진에 종료 명령을 보낼 수 없습니다." + unreachable +
                     "\n\n엔진이 계속 실행 중이므로 프로그램을 끝내지 않습니다.",
                 true);
    return false;
}

bool CTraderLink::HandleClose() {
    // A started engine not listed yet is waited for a little, so the exit reaches it too.
    AwaitStartingEngines();
    ForgetGoneEngines();
    if (!ReachAllEngines())
        return false;
    if (NoEngineLeft())
        return true;
    // The dialog stays open for the exit answers; an engine that goes without one is noticed.
    if (CWnd* wnd = LinkWindow())
        ::SetTimer(wnd->GetSafeHwnd(), kExitWatchTimer, kExitWatchMs, nullptr);
    return false;
}

void CTraderLink::OnAppExit() {
    m_bExiting = true;
    AwaitStartingEngines();
    if (!ReachAllEngines()) {
        m_bExiting = false;
        return;
    }
    PostQuitMessage(0);
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
