// The daily risk rules on the combined figures of both accounts, run by the status intake.
#include <climits>
#include <cmath>

#include "supervision/RiskRules.h"

#include "platform/core/Numbers.h"
#include "platform/win/MessageLoop.h"
#include "store/TradeState.h"
#include "supervision/TraderLink.h"
#include "supervision/TraderMessages.h"

namespace {

// A limit negated as a whole number; in 64 bits so that the lowest int32 has a negation too.
double NegatedLimit(int32_t limit) {
    return static_cast<double>(-static_cast<int64_t>(limit));
}

bool ProfitStopHolds(const CTradeState& s) {
    if (!s.day_tot_profit_max_use)
        return false;
    if (!(s.day_pnl - static_cast<double>(s.won_dallar) * s.position_factor_total >
          static_cast<double>(s.day_tot_profit_max)))
        return false;
    return !s.day_trade_due_count_use || s.trade_count > s.day_trade_due_count;
}

bool LossStopHolds(const CTradeState& s) {
    return s.day_tot_loss_max_use && NegatedLimit(s.day_tot_loss_max) > s.day_pnl;
}

bool BothHoldPositions(const CTradeState& s) {
    return s.slots[0].position_qty >= 1 && s.slots[1].position_qty >= 1;
}

bool AllClearProfitHolds(const CTradeState& s) {
    return s.allclear_allset_profit_use && BothHoldPositions(s) &&
           s.set_pnl_sum > static_cast<double>(s.allclear_allset_profit);
}

bool AllClearLossHolds(const CTradeState& s) {
    return s.allclear_allset_loss_use && BothHoldPositions(s) &&
           NegatedLimit(s.allclear_allset_loss) > s.set_pnl_sum;
}

// The fall from the peak and the fall allowed are whole numbers (truncated toward zero).
// They are kept as doubles, which hold every whole number of the int32 and int64 ranges
// that matters here, so no conversion overflows however large the figures are.
bool ProfitReserveHolds(const CTradeState& s) {
    if (!s.profit_reserve_use)
        return false;
    if (s.slots[0].position_qty < 1 && s.slots[1].position_qty < 1)
        return false;
    if (!(s.day_peak_pnl > static_cast<double>(s.profit_reserve_base)))
        return false;
    const double drawdown = std::trunc(s.day_peak_pnl - s.day_pnl);
    return drawdown > std::trunc(ProfitReserveAllowance(s));
}

// The rest after a profit reserve, in ms; a negative setting rests for the shortest time.
UINT ProfitReserveRestMs(const CTradeState& s) {
    const int64_t ms = static_cast<int64_t>(s.profit_reserve_rest) * 1000;
    if (ms < 0)
        return 0;
    return ms > INT32_MAX ? static_cast<UINT>(INT32_MAX) : static_cast<UINT>(ms);
}

void ArmTimer(CTraderLink& link, UINT_PTR id, UINT ms) {
    if (CWnd* wnd = link.LinkWindow())
        ::SetTimer(wnd->GetSafeHwnd(), id, ms, nullptr);
}

// Posts the rule's message to the known engines and counts each post as pending.
void TakeRule(CTraderLink& link, UINT message, int32_t& pending, UINT_PTR timer, UINT ms, bool toMs = true,
              bool toMd = true) {
    const int posts = link.SendToEngines(message, toMs, toMd);
    // Held at the top: records may keep a rule firing for as long as no echo comes.
    pending = pending > INT32_MAX - posts ? INT32_MAX : pending + posts;
    ArmTimer(link, timer, ms);
}

constexpr UINT kRuleTimerMs = 5000;

} // namespace

// In doubles, which hold the whole numbers of every int32 setting times 10,000 exactly.
static_assert(static_cast<double>(INT32_MAX) * kWonPerTenThousand < 0x1p53);

double ProfitReserveAllowance(const CTradeState& s) {
    return s.profit_reserve_trigger_type
               ? static_cast<double>(s.profit_reserve_trigger) * kWonPerTenThousand
               : static_cast<double>(s.profit_reserve_trigger) * s.day_peak_pnl / 100.0;
}

void ApplyInfoRules(CTradeState& s, CTraderLink& link) {
    // Neither pending counters nor stopped reports are looked at here.
    if (ProfitStopHolds(s))
        TakeRule(link, WM_TRADER_DAY_PROFIT_STOP, s.pending_day_profit_stop, TIMER_DAY_PROFIT_STOP,
                 kRuleTimerMs);
    else if (LossStopHolds(s))
        TakeRule(link, WM_TRADER_DAY_LOSS_STOP, s.pending_day_loss_stop, TIMER_DAY_LOSS_STOP, kRuleTimerMs);
}

void ApplyUpdateRules(CTradeState& s, CTraderLink& link) {
    // The first rule that holds and is not pending; rules 1 to 4 spare a stopped engine.
    const bool msRuns = s.slots[0].stopped == 0;
    const bool mdRuns = s.slots[1].stopped == 0;
    if (s.pending_day_profit_stop == 0 && ProfitStopHolds(s))
        TakeRule(link, WM_TRADER_DAY_PROFIT_STOP, s.pending_day_profit_stop, TIMER_DAY_PROFIT_STOP,
                 kRuleTimerMs, msRuns, mdRuns);
    else if (s.pending_day_loss_stop == 0 && LossStopHolds(s))
        TakeRule(link, WM_TRADER_DAY_LOSS_STOP, s.pending_day_loss_stop, TIMER_DAY_LOSS_STOP, kRuleTimerMs,
                 msRuns, mdRuns);
    else if (s.pending_allclear_profit == 0 && AllClearProfitHolds(s))
        TakeRule(link, WM_TRADER_ALLCLEAR_PROFIT, s.pending_allclear_profit, TIMER_ALLCLEAR_PROFIT,
                 kRuleTimerMs, msRuns, mdRuns);
    else if (s.pending_allclear_loss == 0 && AllClearLossHolds(s))
        TakeRule(link, WM_TRADER_ALLCLEAR_LOSS, s.pending_allclear_loss, TIMER_ALLCLEAR_LOSS, kRuleTimerMs,
                 msRuns, mdRuns);
    else if (s.pending_profit_reserve == 0 && ProfitReserveHolds(s))
        TakeRule(link, WM_TRADER_PROFIT_RESERVE, s.pending_profit_reserve, TIMER_PROFIT_RESERVE_REST,
                 ProfitReserveRestMs(s));
}
