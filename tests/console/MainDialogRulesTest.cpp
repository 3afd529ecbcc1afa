// The running dialog's own routing of the engines' records and the rule timers: a record
// that crosses a limit posts to both engines, and the rule's timer, taken by the dialog's
// OnTimer, releases it again.
#include "MainDialogFixture.h"

#include "platform/win/MessageLoop.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"

namespace {

void SendRecord(CVossenDlg& dlg, ULONG_PTR kind, const CString& record) {
    COPYDATASTRUCT data{kind, static_cast<DWORD>(record.GetLength() + 1),
                        const_cast<char*>(record.GetString())};
    dlg.SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

// An account-information record of one slot with its total trading P&L in field 10.
CString Info(int slot, double tradingPnl) {
    CString r;
    r.Format("%d|0|0|0|0|0|0|0|0|0|%.1f|0||0|20261207||20261207|", slot, tradingPnl);
    return r;
}

// An account update of one slot: trading P&L in field 10, the stopped flag in field 14.
CString Update(int slot, double tradingPnl, int stopped) {
    CString r;
    r.Format("%d|0|0|0|0|0|0|0|0|0|%.1f|0|0|0|%d|0", slot, tradingPnl, stopped);
    return r;
}

class MainDialogRulesTest : public MainDialogTest {
protected:
    void TearDown() override {
        CClock::UseSystem();
        MainDialogTest::TearDown();
    }
};

} // namespace

TEST_F(MainDialogRulesTest, ALossRecordPostsToBothEnginesAndTheTimerReleasesTheRule) {
    Run([&] {
        ConnectEngines();
        g_pTradeState->day_tot_loss_max_use = 1;
        g_pTradeState->day_tot_loss_max = 600000;
        CClock::UseManual();
        SendRecord(*dlg, COPYDATA_ACCOUNT_INFO, Info(1, -100000));
        SendRecord(*dlg, COPYDATA_ACCOUNT_INFO, Info(0, -100000));
        EXPECT_EQ(ms->Count(WM_TRADER_DAY_LOSS_STOP), 0); // -200,000 is within the limit
        SendRecord(*dlg, COPYDATA_ACCOUNT_UPDATE, Update(1, -500000, 0));
        Settle();
        EXPECT_EQ(ms->Count(WM_TRADER_DAY_LOSS_STOP), 0); // exactly -600,000 does not fire

        SendRecord(*dlg, COPYDATA_ACCOUNT_UPDATE, Update(1, -550000, 0));
        Settle();
        EXPECT_EQ(ms->Count(WM_TRADER_DAY_LOSS_STOP), 1);
        EXPECT_EQ(md->Count(WM_TRADER_DAY_LOSS_STOP), 1);
        EXPECT_EQ(g_pTradeState->pending_day_loss_stop, 2);
        EXPECT_FALSE(dlg->m_bStopped);

        // While pending, a further update passes the rule over.
        SendRecord(*dlg, COPYDATA_ACCOUNT_UPDATE, Update(0, -300000, 0));
        Settle();
        EXPECT_EQ(ms->Count(WM_TRADER_DAY_LOSS_STOP), 1);

        // The dialog's timer 2932 releases it after 5000 ms.
        CClock::Advance(4999);
        Settle();
        EXPECT_EQ(g_pTradeState->pending_day_loss_stop, 2);
        CClock::Advance(1);
        Settle();
        EXPECT_EQ(g_pTradeState->pending_day_loss_stop, 0);
        SendRecord(*dlg, COPYDATA_ACCOUNT_UPDATE, Update(0, -300000, 0));
        Settle();
        EXPECT_EQ(ms->Count(WM_TRADER_DAY_LOSS_STOP), 2);
        EXPECT_EQ(md->Count(WM_TRADER_DAY_LOSS_STOP), 2);
        CClock::UseSystem();
    });
}

TEST_F(MainDialogRulesTest, EchoesReachTheDialogsHandlers) {
    Run([&] {
        ConnectEngines();
        g_pTradeState->pending_day_profit_stop = 2;
        dlg->SendMessage(WM_TRADER_DAY_PROFIT_STOP, 0, 0);
        EXPECT_EQ(g_pTradeState->pending_day_profit_stop, 1);
        g_pTradeState->pending_profit_reserve = 1;
        g_pTradeState->day_peak_pnl = 500000;
        g_pTradeState->day_pnl = 123;
        dlg->PostMessage(WM_TRADER_PROFIT_RESERVE, 0, 0);
        Settle();
        EXPECT_EQ(g_pTradeState->pending_profit_reserve, 0);
        EXPECT_EQ(g_pTradeState->day_peak_pnl, 123);
    });
}

TEST_F(MainDialogRulesTest, NumbersBeyondTheDoubleRangeShowAsZeroAndFireNothing) {
    Run([&] {
        ConnectEngines();
        g_pTradeState->day_tot_profit_max_use = 1;
        g_pTradeState->day_tot_profit_max = 10;
        g_pTradeState->day_tot_loss_max_use = 1;
        g_pTradeState->day_tot_loss_max = 10;
        g_pTradeState->profit_reserve_use = 1;
        SendRecord(*dlg, COPYDATA_ACCOUNT_INFO, "1|0|1|0|0|0|1e999|0|1e999|1e999|1e999|0||1");
        SendRecord(*dlg, COPYDATA_ACCOUNT_INFO, "0|0|1|0|0|0|-1e999|0|-1e999|-1e999|-1e999|0||1");
        SendRecord(*dlg, COPYDATA_ACCOUNT_UPDATE, "1|0|1|0|0|0|nan|0|1e999|-1e999|1e999|0|0|0|0|0");
        Settle();
        EXPECT_TRUE(ms->received.empty());
        EXPECT_TRUE(md->received.empty());
        EXPECT_EQ(dlg->m_listAccount.GetItemText(0, 0), "0원");
        EXPECT_EQ(dlg->m_listAccount.GetItemText(0, 1), "0원");
        EXPECT_EQ(dlg->m_listAccount.GetItemText(0, 2), "0.00");
        EXPECT_EQ(dlg->m_listAccount.GetItemText(0, 3), "0.00");
        CString text;
        dlg->m_editTargetRate.GetWindowText(text);
        EXPECT_EQ(text, "0.0%");
        dlg->m_editTotalPnl.GetWindowText(text);
        EXPECT_EQ(text, "0원");

        // The largest finite figures are shown as numbers, never as "inf" or "nan".
        g_pTradeState->profit_reserve_trigger = 1000;
        g_pTradeState->day_tot_profit_max_use = g_pTradeState->day_tot_loss_max_use = 0;
        SendRecord(*dlg, COPYDATA_ACCOUNT_INFO, "1|0|1|0|0|0|1.7e308|0|0|0|1.7e308|0||1");
        SendRecord(*dlg, COPYDATA_ACCOUNT_INFO, "0|0|1|0|0|0|1.7e308|0|0|0|1.7e308|0||1");
        Settle();
        std::vector<CString> shown = {dlg->m_listAccount.GetItemText(0, 0),
                                      dlg->m_listAccount.GetItemText(0, 1)};
        for (CEdit* edit : {&dlg->m_editTargetRate, &dlg->m_editTotalPnl, &dlg->m_editReserveLevel}) {
            edit->GetWindowText(text);
            shown.push_back(text);
        }
        for (const CString& t : shown) {
            EXPECT_EQ(t.Find("inf"), -1) << t.GetString();
            EXPECT_EQ(t.Find("nan"), -1) << t.GetString();
        }
        EXPECT_EQ(shown[0].Left(4), "179,");
    });
}
