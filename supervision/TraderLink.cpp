#include "supervision/TraderLink.h"

#include "platform/core/Sys.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "store/TradeState.h"
#include "supervision/Launch.h"
#include "supervision/StatusIntake.h"
#include "supervision/TraderMessages.h"

CTraderLink* g_pTraderLink = nullptr;

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
    if (LaunchEngine(m_strLaunchArgMs))
        m_bStartingMs = true;
}

bool CTraderLink::LaunchEngine(const CString& args) {
    // An engine started now would outlive the console, or report to nobody.
    if (m_bExiting || zwin::OpenStation().refusal != zwin::StationRefusal::None)
        return false;
    return LaunchProgram(kTraderExePath, args) == 0;
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

LRESULT CTraderLink::OnTraderStarted(WPARAM wParam, LPARAM) {
    ++m_nTraderCount;
    if (wParam == 1) {
        // The Ms engine is up: the Md engine follows.
        m_bStartingMs = false;
        m_hTraderMs = FindWindowA(nullptr, kTraderTitleMs);
        if (LaunchEngine(m_strLaunchArgMd))
            m_bStartingMd = true;
        return 0;
    }
    m_bStartingMd = false;
    if (m_hTraderMs)
        PostMessageA(m_hTraderMs, WM_TRADER_STARTED, 0, 0);
    if (!m_hTraderMd)
        m_hTraderMd = FindWindowA(nullptr, kTraderTitleMd);
    FillTradeList();
    return 0;
}

LRESULT CTraderLink::OnTraderClosed(WPARAM, LPARAM) {
    --m_nTraderCount;
    if (m_nTraderCount <= 0)
        PostQuitMessage(0);
    return 0;
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
    if (!data)
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

bool CTraderLink::HandleClose() {
    // The dialog stays open while an engine has yet to answer.
    return SendByTitle(WM_TRADER_EXIT, 0) == 0;
}

void CTraderLink::OnAppExit() {
    m_bExiting = true;
    AwaitStartingEngines();
    SendByTitle(WM_TRADER_EXIT, 0);
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
