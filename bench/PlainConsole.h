// The console's main window as the main dialog wires it, without its controls: the status
// intake and the risk rules, nothing shown. Include it in one source of a benchmark program.
#pragma once

#include "platform/win/Wnd.h"
#include "supervision/TraderLink.h"
#include "supervision/TraderMessages.h"

class CPlainConsole : public CWnd, public CTraderLink {
public:
    long records = 0;
    CWnd* LinkWindow() override { return this; }
    void UpdateAccountSummary() override {}
    void FillTradeList() override {}
    void TellOperator(const CString&, bool) override {}

protected:
    void OnTimer(UINT_PTR id) override {
        HandleRuleTimer(id);
        CWnd::OnTimer(id);
    }
    BOOL OnCopyData(CWnd* sender, COPYDATASTRUCT* data) override {
        ++records;
        HandleCopyData(data);
        return CWnd::OnCopyData(sender, data);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPlainConsole, CWnd)
ON_WM_TIMER()
ON_WM_COPYDATA()
ON_MESSAGE(WM_TRADER_EXIT, OnTraderClosed)
ON_MESSAGE(WM_TRADER_STARTED, OnTraderStarted)
ON_MESSAGE(WM_TRADER_PROFIT_RESERVE, OnProfitReserveAck)
ON_MESSAGE(WM_TRADER_DAY_PROFIT_STOP, OnDayProfitStopAck)
ON_MESSAGE(WM_TRADER_DAY_LOSS_STOP, OnDayLossStopAck)
ON_MESSAGE(WM_TRADER_ALLCLEAR_PROFIT, OnAllClearProfitAck)
END_MESSAGE_MAP()
