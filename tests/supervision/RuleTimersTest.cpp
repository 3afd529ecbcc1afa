#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "supervision/TraderMessages.h"

namespace {

using Msgs = std::vector<UINT>;

class RuleTimersTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        GoLive();
    }
    void ArmProfitReserve(int restSeconds) {
        state->profit_reserve_use = 1;
        state->profit_reserve_trigger_type = 1;
        state->profit_reserve_trigger = 0;
        state->profit_reserve_rest = restSeconds;
        Update(1, 1, 0, 100);
        Update(1, 1, 0, 90);
    }
};

TEST_F(RuleTimersTest, AStopTimerReleasesItsRuleOnceAfterFiveSeconds) {
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 0;
    Update(1, 0, 0, -1);
    EXPECT_EQ(2, state->pending_day_loss_stop);
    Advance(4999);
    EXPECT_EQ(2, state->pending_day_loss_stop);
    Advance(1);
    EXPECT_EQ(0, state->pending_day_loss_stop);
    EXPECT_EQ(1, dlg->defaultTimers);
    Advance(20000);
    EXPECT_EQ(1, dlg->defaultTimers) << "killed when it expired";
}

TEST_F(RuleTimersTest, ArmingAgainRestartsTheFullLength) {
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 0;
    Info("1|0|0|0|0|0|0|0|0|0|-1");
    Advance(4000);
    Info("1|0|0|0|0|0|0|0|0|0|-1");
    Advance(1000);
    EXPECT_EQ(4, state->pending_day_loss_stop);
    Advance(3999);
    EXPECT_EQ(4, state->pending_day_loss_stop);
    Advance(1);
    EXPECT_EQ(0, state->pending_day_loss_stop);
}

TEST_F(RuleTimersTest, EachTimerClearsOnlyItsOwnCounter) {
    struct Case {
        UINT_PTR id;
        int32_t CTradeState::*counter;
    };
    const Case cases[] = {{TIMER_DAY_PROFIT_STOP, &CTradeState::pending_day_profit_stop},
                          {TIMER_DAY_LOSS_STOP, &CTradeState::pending_day_loss_stop},
                          {TIMER_ALLCLEAR_PROFIT, &CTradeState::pending_allclear_profit},
                          {TIMER_ALLCLEAR_LOSS, &CTradeState::pending_allclear_loss}};
    for (const Case& c : cases) {
        for (const Case& other : cases)
            state.get()->*other.counter = 3;
        ::SetTimer(dlg->m_hWnd, c.id, 5000, nullptr);
        Advance(5000);
        for (const Case& other : cases)
            EXPECT_EQ(other.id == c.id ? 0 : 3, state.get()->*other.counter) << c.id << " vs " << other.id;
    }
    EXPECT_TRUE(ms->received.empty());
}

TEST_F(RuleTimersTest, TheRestTimerResetsThePeakAndResumesBothEngines) {
    ArmProfitReserve(60);
    EXPECT_EQ(Msgs{WM_TRADER_PROFIT_RESERVE}, ms->Messages());
    EXPECT_EQ(100, state->day_peak_pnl);
    Advance(59999);
    EXPECT_EQ(2, state->pending_profit_reserve);
    Advance(1);
    EXPECT_EQ(0, state->pending_profit_reserve);
    EXPECT_EQ(90, state->day_peak_pnl);
    EXPECT_EQ((Msgs{WM_TRADER_PROFIT_RESERVE, WM_TRADER_RESUME}), ms->Messages());
    EXPECT_EQ((Msgs{WM_TRADER_PROFIT_RESERVE, WM_TRADER_RESUME}), md->Messages());
}

TEST_F(RuleTimersTest, ARestOfZeroFiresAtTheShortestInterval) {
    ArmProfitReserve(0);
    Advance(9);
    EXPECT_EQ(2, state->pending_profit_reserve);
    Advance(1);
    EXPECT_EQ(0, state->pending_profit_reserve);
    EXPECT_EQ(WM_TRADER_RESUME, md->Messages().back());
}

TEST_F(RuleTimersTest, EchoesCountDownAndTheLastProfitReserveEchoResetsThePeak) {
    ArmProfitReserve(60);
    PostMessageA(dlg->m_hWnd, WM_TRADER_PROFIT_RESERVE, 0, 0);
    Pump();
    EXPECT_EQ(1, state->pending_profit_reserve);
    EXPECT_EQ(100, state->day_peak_pnl);
    PostMessageA(dlg->m_hWnd, WM_TRADER_PROFIT_RESERVE, 0, 0);
    Pump();
    EXPECT_EQ(0, state->pending_profit_reserve);
    EXPECT_EQ(90, state->day_peak_pnl);

    // An echo that finds its counter at 0 leaves it at 0 (and still resets the peak).
    state->day_peak_pnl = 500;
    for (UINT m : {WM_TRADER_PROFIT_RESERVE, WM_TRADER_DAY_PROFIT_STOP, WM_TRADER_DAY_LOSS_STOP,
                   WM_TRADER_ALLCLEAR_PROFIT, WM_TRADER_ALLCLEAR_LOSS})
        EXPECT_EQ(0, SendMessageA(dlg->m_hWnd, m, 5, 6));
    EXPECT_EQ(0, state->pending_profit_reserve);
    EXPECT_EQ(0, state->pending_day_profit_stop);
    EXPECT_EQ(0, state->pending_day_loss_stop);
    EXPECT_EQ(0, state->pending_allclear_profit);
    EXPECT_EQ(90, state->day_peak_pnl);

    state->pending_allclear_loss = 2;
    SendMessageA(dlg->m_hWnd, WM_TRADER_ALLCLEAR_LOSS, 0, 0);
    EXPECT_EQ(2, state->pending_allclear_loss) << "no echo handler for the all-clear on loss";
}

TEST_F(RuleTimersTest, OtherTimerIdsOnlyGetTheDefaultHandling) {
    state->pending_profit_reserve = 1;
    state->pending_allclear_loss = 1;
    ::SetTimer(dlg->m_hWnd, 2929, 100, nullptr);
    ::SetTimer(dlg->m_hWnd, 2935, 100, nullptr);
    Advance(100);
    Advance(100);
    EXPECT_EQ(4, dlg->defaultTimers) << "neither was killed";
    EXPECT_EQ(1, state->pending_profit_reserve);
    EXPECT_EQ(1, state->pending_allclear_loss);
    EXPECT_TRUE(ms->received.empty());
}

} // namespace
