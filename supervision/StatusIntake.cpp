// The engines' status records as they arrive by WM_COPYDATA: parsed into the trading state,
// summed once both accounts have reported, shown, then handed to the daily risk rules.
#include "supervision/StatusIntake.h"

#include "store/TradeState.h"
#include "supervision/RiskRules.h"
#include "supervision/TraderLink.h"

void ProcessAccountInfo(const char* record) {
    CTradeState* s = g_pTradeState;
    if (!s)
        return;
    s->ParseAccountInfo(record);
    if (!s->reported[0] || !s->reported[1])
        return;
    s->SumAccounts(true);
    CTraderLink* link = g_pTraderLink;
    if (!link)
        return;
    link->UpdateAccountSummary();
    link->FillTradeList();
    ApplyInfoRules(*s, *link);
}

void ProcessAccountUpdate(const char* record) {
    CTradeState* s = g_pTradeState;
    if (!s)
        return;
    s->ParseAccountUpdate(record);
    if (!s->reported[0] || !s->reported[1])
        return;
    s->SumAccounts(false);
    CTraderLink* link = g_pTraderLink;
    if (!link)
        return;
    link->UpdateAccountSummary();
    ApplyUpdateRules(*s, *link);
    link->m_bStopped = (s->slots[0].stopped && s->slots[1].stopped) ? 1 : 0;
    link->RepaintLinkWindow();
}
