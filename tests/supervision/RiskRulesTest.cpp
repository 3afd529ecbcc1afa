#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "supervision/TraderMessages.h"

namespace {

using Msgs = std::vector<UINT>;

class RiskRulesTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        GoLive();
    }
};

TEST_F(RiskRulesTest, DailyProfitStopFiresOnlyAboveItsLimitAndItsTradeCount) {
    state->day_tot_profit_max_use = 1;
    state->day_tot_profit_max = 1000;
    state->won_dallar = 2;
    state->day_trade_due_count_use = 1;
    state->day_trade_due_count = 5;
    dlg->loadedTradeCount = 5;
    // position factor 10 x (1 + 1) = 20; 1040 - 2 x 20 = 1000: not above the limit.
    Info("1|0|1|0|0|0|0|0|0|0|520|0||10");
    Info("0|0|1|0|0|0|0|0|0|0|520|0||10");
    EXPECT_EQ(20, state->position_factor_total);
    // Above the limit, but the trade count only equals the due count.
    Update(1, 1, 0, 520.5);
    EXPECT_TRUE(ms->received.empty());
    EXPECT_EQ(0, state->pending_day_profit_stop);

    state->trade_count = 6;
    Update(1, 1, 0, 520);
    EXPECT_TRUE(ms->received.empty()) << "1040 - 40 equals the limit";
    Update(1, 1, 0, 520.5);
    EXPECT_EQ(Msgs{WM_TRADER_DAY_PROFIT_STOP}, ms->Messages());
    EXPECT_EQ(Msgs{WM_TRADER_DAY_PROFIT_STOP}, md->Messages());
    EXPECT_EQ(2, state->pending_day_profit_stop);
}

TEST_F(RiskRulesTest, DailyLossStopFiresOnlyBelowTheNegatedLimit) {
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 300;
    Update(1, 0, 0, -300);
    EXPECT_TRUE(ms->received.empty());
    Update(1, 0, 0, -300.01);
    EXPECT_EQ(Msgs{WM_TRADER_DAY_LOSS_STOP}, ms->Messages());
    EXPECT_EQ(2, state->pending_day_loss_stop);

    // The lowest limit has a negation too: 2147483648, not itself.
    state->pending_day_loss_stop = 0;
    ms->received.clear();
    state->day_tot_loss_max = INT32_MIN;
    Update(1, 0, 0, 2147483648.0);
    EXPECT_TRUE(ms->received.empty());
    Update(1, 0, 0, 2147483647.0);
    EXPECT_EQ(Msgs{WM_TRADER_DAY_LOSS_STOP}, ms->Messages());
}

TEST_F(RiskRulesTest, AllClearRulesNeedBothPositionsAndStrictSetLimits) {
    state->allclear_allset_profit_use = 1;
    state->allclear_allset_profit = 100;
    Update(0, 1, 50, 0);
    Update(1, 0, 60, 0); // 110 but the first account holds nothing
    EXPECT_TRUE(ms->received.empty());
    Update(1, 1, 50, 0); // exactly 100
    EXPECT_TRUE(ms->received.empty());
    Update(1, 1, 50.5, 0);
    EXPECT_EQ(Msgs{WM_TRADER_ALLCLEAR_PROFIT}, ms->Messages());
    EXPECT_EQ(2, state->pending_allclear_profit);

    state->allclear_allset_profit_use = 0;
    state->allclear_allset_loss_use = 1;
    state->allclear_allset_loss = 100;
    Update(1, 1, -150, 0); // -100 exactly
    EXPECT_EQ(1u, ms->received.size());
    Update(1, 1, -150.5, 0);
    EXPECT_EQ((Msgs{WM_TRADER_ALLCLEAR_PROFIT, WM_TRADER_ALLCLEAR_LOSS}), ms->Messages());
    EXPECT_EQ(2, state->pending_allclear_loss);
}

TEST_F(RiskRulesTest, ProfitReserveTruncatesTheDrawdownAndThePercentage) {
    state->profit_reserve_use = 1;
    state->profit_reserve_base = 1000000;
    state->profit_reserve_trigger = 30;
    state->profit_reserve_trigger_type = 0;
    state->profit_reserve_rest = 60;
    Update(1, 1, 0, 1000001); // peak 1,000,001; allowance 300,000.3 -> 300,000
    EXPECT_EQ(1000001, state->day_peak_pnl);
    Update(1, 1, 0, 700000.5); // drawdown 300,000.5 -> 300,000
    EXPECT_TRUE(ms->received.empty());
    Update(1, 1, 0, 700000); // drawdown 300,001
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, ms->Messages());
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, md->Messages());
    EXPECT_EQ(2, state->pending_profit_reserve);
}

TEST_F(RiskRulesTest, ProfitReserveNeedsAPositionAPeakAboveItsBaseAndAFixedAllowanceByType) {
    state->profit_reserve_use = 1;
    state->profit_reserve_base = 500000;
    state->profit_reserve_trigger = 30;
    state->profit_reserve_trigger_type = 1; // 300,000 whatever the peak
    state->profit_reserve_rest = 60;
    Update(1, 1, 0, 500000); // peak equals the base
    Update(1, 1, 0, 100000);
    EXPECT_TRUE(ms->received.empty());

    Update(1, 0, 0, 900000); // peak 900,000, no position anywhere
    Update(1, 0, 0, 500000);
    EXPECT_TRUE(ms->received.empty());
    Update(1, 1, 0, 600000); // drawdown exactly 300,000
    EXPECT_TRUE(ms->received.empty());
    Update(1, 1, 0, 599999);
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, ms->Messages());
}

TEST_F(RiskRulesTest, PendingRulesArePassedOverInOrderAndOneRuleIsTakenPerRecord) {
    state->day_tot_profit_max_use = 1;
    state->day_tot_profit_max = 0;
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = -100; // loss condition: 100 > day_pnl
    state->allclear_allset_profit_use = 1;
    state->allclear_allset_profit = 0;
    Update(1, 1, 5, 10);
    EXPECT_EQ(Msgs{WM_TRADER_DAY_PROFIT_STOP}, ms->Messages());
    Update(0, 1, 5, 10);
    EXPECT_EQ((Msgs{WM_TRADER_DAY_PROFIT_STOP, WM_TRADER_DAY_LOSS_STOP}), ms->Messages());
    Update(0, 1, 5, 10);
    Update(0, 1, 5, 10); // every rule that holds is pending now
    EXPECT_EQ((Msgs{WM_TRADER_DAY_PROFIT_STOP, WM_TRADER_DAY_LOSS_STOP, WM_TRADER_ALLCLEAR_PROFIT}),
              ms->Messages());
    EXPECT_EQ(2, state->pending_day_profit_stop);
    EXPECT_EQ(2, state->pending_day_loss_stop);
    EXPECT_EQ(2, state->pending_allclear_profit);

    // The echoes free the daily profit stop again.
    PostMessageA(dlg->m_hWnd, WM_TRADER_DAY_PROFIT_STOP, 0, 0);
    PostMessageA(dlg->m_hWnd, WM_TRADER_DAY_PROFIT_STOP, 0, 0);
    Pump();
    EXPECT_EQ(0, state->pending_day_profit_stop);
    Update(0, 1, 5, 10);
    EXPECT_EQ(WM_TRADER_DAY_PROFIT_STOP, ms->Messages().back());
}

TEST_F(RiskRulesTest, RulesOneToFourSpareAStoppedEngineButStillArmTheirTimers) {
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 0;
    Update(0, 0, 0, 0, 1); // the second engine stopped
    Update(1, 0, 0, -1);
    EXPECT_EQ(Msgs{WM_TRADER_DAY_LOSS_STOP}, ms->Messages());
    EXPECT_TRUE(md->received.empty());
    EXPECT_EQ(1, state->pending_day_loss_stop);

    state->pending_day_loss_stop = 0;
    ms->received.clear();
    Update(1, 0, 0, -1, 1); // both stopped
    EXPECT_TRUE(ms->received.empty());
    EXPECT_EQ(0, state->pending_day_loss_stop);
    Advance(5000);
    EXPECT_EQ(1, dlg->defaultTimers) << "timer 2932 was armed and expired";

    state->day_tot_loss_max_use = 0;
    state->profit_reserve_use = 1;
    state->profit_reserve_trigger = 0;
    state->profit_reserve_trigger_type = 1;
    Update(1, 1, 0, 10, 1);
    Update(1, 1, 0, 8, 1);
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, ms->Messages());
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, md->Messages());
}

TEST_F(RiskRulesTest, StoppedFlagFollowsBothEnginesAfterEveryUpdateAndRepaintsWithoutErasing) {
    dlg->m_bStopped = 0;
    Info("1|0|0|0|0|0|0|0|0|0|0");
    EXPECT_EQ(0, dlg->m_bStopped) << "information records leave it";
    Update(1, 0, 0, 0, 1);
    EXPECT_EQ(0, dlg->m_bStopped);
    paint.invalidations = 0;
    Update(0, 0, 0, 0, 7);
    EXPECT_EQ(1, dlg->m_bStopped);
    EXPECT_EQ(1, paint.invalidations);
    EXPECT_EQ(0, paint.erasing);
    EXPECT_TRUE(paint.wholeWindow);
    Update(0, 0, 0, 0, 0);
    EXPECT_EQ(0, dlg->m_bStopped);
}

TEST_F(RiskRulesTest, RecordsBeforeBothSlotsReportedRunNothing) {
    state->reported[1] = 0;
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 0;
    dlg->m_bStopped = 0;
    const int summaries = dlg->summaries;
    Update(1, 0, 0, -5, 1);
    Update(0, 0, 0, -5, 1);
    EXPECT_TRUE(ms->received.empty());
    EXPECT_EQ(summaries, dlg->summaries);
    EXPECT_EQ(0, dlg->m_bStopped);
    EXPECT_EQ(-5, state->slots[0].trading_pnl) << "still stored";
}

TEST_F(RiskRulesTest, InformationRecordsTestOnlyTheStopsAndIgnorePendingAndStoppedReports) {
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 0;
    state->allclear_allset_profit_use = 1;
    state->allclear_allset_profit = -1000;
    state->slots[0].stopped = 1;
    state->slots[1].stopped = 1;
    state->slots[1].position_qty = 1;
    const int fills = dlg->fills;
    Info("1|0|1|0|0|0|0|0|0|0|-1");
    Info("1|0|1|0|0|0|0|0|0|0|-1");
    EXPECT_EQ(fills + 2, dlg->fills);
    EXPECT_EQ((Msgs{WM_TRADER_DAY_LOSS_STOP, WM_TRADER_DAY_LOSS_STOP}), ms->Messages());
    EXPECT_EQ(4, state->pending_day_loss_stop);

    // With the profit stop holding, the loss stop is not looked at.
    state->day_tot_profit_max_use = 1;
    state->day_tot_profit_max = -10;
    Info("1|0|1|0|0|0|0|0|0|0|-1");
    EXPECT_EQ(WM_TRADER_DAY_PROFIT_STOP, ms->Messages().back());
    EXPECT_EQ(4, state->pending_day_loss_stop);
    EXPECT_EQ(0, state->pending_allclear_profit);
}

TEST_F(RiskRulesTest, NumbersBeyondTheDoubleRangeFireNoRuleAndKeepTheProfitReserve) {
    state->day_tot_profit_max_use = 1;
    state->day_tot_profit_max = 1000;
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 1000;
    state->allclear_allset_profit_use = 1;
    state->allclear_allset_profit = 1000;
    state->allclear_allset_loss_use = 1;
    state->allclear_allset_loss = 1000;
    for (const char* text : {"1e999", "-1e999", "nan", "inf", "-inf"}) {
        SCOPED_TRACE(text);
        const std::string t = text;
        Info("1|0|1|0|0|0|" + t + "|0|" + t + "|" + t + "|" + t);
        Info("0|0|1|0|0|0|" + t + "|0|" + t + "|" + t + "|" + t);
        Update("1|0|1|0|0|0|" + t + "|0|" + t + "|" + t + "|" + t + "|0|0|0|0|0");
        Update("0|0|1|0|0|0|" + t + "|0|" + t + "|" + t + "|" + t + "|0|0|0|0|0");
        EXPECT_TRUE(ms->received.empty());
        EXPECT_EQ(0.0, state->day_pnl);
        EXPECT_EQ(0.0, state->set_pnl_sum);
    }

    // Plus and minus beyond the range in the two accounts made no NaN: the profit reserve
    // still follows the next records.
    state->day_tot_profit_max_use = state->day_tot_loss_max_use = 0;
    state->allclear_allset_profit_use = state->allclear_allset_loss_use = 0;
    state->profit_reserve_use = 1;
    state->profit_reserve_base = 100;
    state->profit_reserve_trigger = 10;
    state->profit_reserve_trigger_type = 0;
    state->profit_reserve_rest = 60;
    Info("1|0|1|0|0|0|0|0|0|0|1e999");
    Info("0|0|1|0|0|0|0|0|0|0|-1e999");
    EXPECT_EQ(0.0, state->day_peak_pnl);
    Update(1, 1, 0, 1000);
    Update(1, 1, 0, 899); // 10% of the peak of 1,000 is 100; the fall is 101
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, ms->Messages());
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, md->Messages());
}

TEST_F(RiskRulesTest, TheTradeListLoadOfAnInformationRecordDecidesTheProfitStop) {
    state->day_tot_profit_max_use = 1;
    state->day_tot_profit_max = 0;
    state->day_trade_due_count_use = 1;
    state->day_trade_due_count = 3;
    dlg->loadedTradeCount = 4;
    Info("1|0|0|0|0|0|0|0|0|0|1");
    EXPECT_EQ(Msgs{WM_TRADER_DAY_PROFIT_STOP}, ms->Messages());
}

} // namespace
