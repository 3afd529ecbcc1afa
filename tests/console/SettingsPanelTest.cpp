#include <map>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/SqlTrace.h"
#include "uitest/UiTest.h"

namespace {

const int kEdits[] = {1121, 1123, 1140, 1141, 1149, 1148, 1131, 1132, 1133, 1142, 1134,
                      1135, 1136, 1146, 1137, 1139, 1138, 1143, 1144, 1145, 1147};
const int kChecks[] = {1228, 1124, 1235, 1237, 1245, 1244, 1229, 1230, 1231,
                       1243, 1232, 1236, 1234, 1233, 1242, 1241, 1259, 1260};
const int kCombos[] = {1092, 1095, 1096, 1097, 1088, 1086, 1087, 1084};

int Selection(CVossenDlg& dlg, int id) {
    return static_cast<CComboBox*>(dlg.GetDlgItem(id))->GetCurSel();
}

// Everything the form shows, control by control.
std::vector<std::string> FormState(CVossenDlg& dlg) {
    std::vector<std::string> shown;
    for (int id : kEdits)
        shown.push_back(std::to_string(id) + "=" + zui::ShownText(dlg.GetDlgItem(id)).GetString());
    for (int id : kChecks)
        shown.push_back(std::to_string(id) + (dlg.IsDlgButtonChecked(id) ? " on" : " off"));
    for (int id : kCombos)
        shown.push_back(std::to_string(id) + "#" + std::to_string(Selection(dlg, id)));
    return shown;
}

// Changes every control of the form the way an operator would.
void TypeOverForm(CVossenDlg& dlg) {
    for (int id : kEdits)
        if (id != 1121)
            PanelTest::SetText(dlg, id, "7");
    for (int id : kChecks)
        dlg.CheckDlgButton(id, dlg.IsDlgButtonChecked(id) ? BST_UNCHECKED : BST_CHECKED);
    for (int id : kCombos)
        zui::ChooseComboItem(dlg.GetDlgItem(id), 1);
    zui::ProcessEvents();
}

std::map<std::string, int> AsMap(const std::vector<std::pair<std::string, int>>& rows) {
    return std::map<std::string, int>(rows.begin(), rows.end());
}

} // namespace

TEST_F(PanelTest, FormShowsTheStoredValuesWithTheirConversions) {
    // Values as an earlier session left them.
    g_pTradeDataBase->SetStrategyValue("day_tot_loss_max", 650000);
    g_pTradeDataBase->SetStrategyValue("market_off_clear", 0);
    g_pTradeDataBase->SetStrategyValue("trade_type", 5); // no such item
    g_pTradeDataBase->SetStrategyValue("timer1_start_time_h", 9);
    g_pTradeDataBase->SetStrategyValue("timer1_start_time_m", 5);
    g_pTradeDataBase->SetStrategyValue("count_pairing_add", 4);
    RunDialog([](CVossenDlg& dlg) {
        EXPECT_EQ(Text(dlg, 1123), "65");
        EXPECT_EQ(Text(dlg, 1121), "100");
        EXPECT_EQ(Text(dlg, 1131), "3");
        EXPECT_EQ(Text(dlg, 1148), "80");
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1228)); // holding over: clearing off
        EXPECT_FALSE(dlg.IsDlgButtonChecked(1124));
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1260));
        EXPECT_EQ(Selection(dlg, 1092), -1);
        EXPECT_EQ(Selection(dlg, 1096), 4);
        EXPECT_EQ(Selection(dlg, 1088), 9);
        EXPECT_EQ(Selection(dlg, 1086), 5);
        EXPECT_EQ(Selection(dlg, 1087), 16);
        EXPECT_EQ(Selection(dlg, 1084), 40);
        // The items are added once, whatever reloads the form afterwards.
        dlg.LoadSettingsToControls();
        auto* minutes = static_cast<CComboBox*>(dlg.GetDlgItem(1084));
        EXPECT_EQ(minutes->GetCount(), 60);
        CString item;
        minutes->GetLBText(59, item);
        EXPECT_EQ(item, "59");
        EXPECT_EQ(static_cast<CComboBox*>(dlg.GetDlgItem(1088))->GetCount(), 24);
        EXPECT_EQ(static_cast<CComboBox*>(dlg.GetDlgItem(1095))->GetCount(), 4);
        EXPECT_EQ(static_cast<CComboBox*>(dlg.GetDlgItem(1097))->GetCount(), 6);
        SaveScreen(&dlg, "main-settings");
    });
}

TEST_F(PanelTest, ApplyWithYesSavesEveryKeyOnceAndTellsEachEngine) {
    g_pTradeDataBase->SetStrategyValue("trade_type", 5);
    g_pTradeDataBase->SetStrategyValue("timer1_end_time_h", 24);
    RunDialog([this](CVossenDlg& dlg) {
        CTradeState* s = g_pTradeState;
        // Values of the common settings dialog as they stand in the state.
        s->won_dallar = 1234;
        s->fee_org = 8100;
        s->day_tot_profit_max = 3000000;
        s->macd_matype_r = 7;
        s->macd_matype_rt = 0;
        SetText(dlg, 1123, "60");
        SetText(dlg, 1131, "12abc");
        SetText(dlg, 1140, "-25");
        SetText(dlg, 1134, "");
        SetText(dlg, 1135, "abc");
        SetText(dlg, 1136, "2147483647");
        SetText(dlg, 1121, "999"); // shown only, never read
        Check(dlg, 1228, false);
        Check(dlg, 1124, true);
        zui::ChooseComboItem(dlg.GetDlgItem(1095), 3);
        zui::ChooseComboItem(dlg.GetDlgItem(1088), 9);
        zui::ChooseComboItem(dlg.GetDlgItem(1086), 30);
        zui::ProcessEvents();

        boxes.answer = IDYES;
        SqlTrace trace;
        zui::Click(dlg.GetDlgItem(IDC_BTN_APPLY));
        zui::ProcessEvents();

        ASSERT_EQ(boxes.size(), 1u); // the question, and nothing after the save
        EXPECT_EQ(boxes[0].text, "변경사항을 적용하시겠습니까?");
        EXPECT_EQ(boxes[0].type & MB_TYPEMASK, MB_YESNO);
        EXPECT_EQ(trace.connections, 1);
        EXPECT_EQ(trace.commits, 1);
        EXPECT_EQ(trace.CountStarting("BEGIN"), 1);

        auto stored = AsMap(StoredStrategy());
        EXPECT_EQ(stored.size(), 67u);
        EXPECT_EQ(stored["day_tot_loss_max"], 600000);
        EXPECT_EQ(stored["day_tot_loss_max_use"], 1);
        EXPECT_EQ(stored["day_tot_profit_max"], 3000000);
        EXPECT_EQ(stored["in_tick_s"], 12);
        EXPECT_EQ(stored["allclear_allset_profit"], -25);
        EXPECT_EQ(stored["market_off_clear"], 1);
        EXPECT_EQ(stored["trade_type"], -1);
        EXPECT_EQ(stored["trade_keep_position"], 3);
        EXPECT_EQ(stored["macd_matype_r"], 1);
        EXPECT_EQ(stored["macd_matype_rt"], 1);
        EXPECT_EQ(stored["won_dallar"], 1234);
        EXPECT_EQ(stored["fee_org"], 8100);
        EXPECT_EQ(stored["timer1_start_time_h"], 9);
        EXPECT_EQ(stored["timer1_start_time_m"], 30);
        EXPECT_EQ(stored["timer1_end_time_h"], -1); // no hour 24 to select
        EXPECT_EQ(stored["macd_term1_r"], 0);
        EXPECT_EQ(stored["macd_term2_r"], 0);
        EXPECT_EQ(stored["macd_term3_r"], 2147483647);
        EXPECT_EQ(stored["timer1_end_time_m"], 40);
        EXPECT_EQ(s->timer1_start, "0930");
        EXPECT_EQ(s->timer1_end, "-140");

        // The typed text stays as typed; the engines reload, each once.
        EXPECT_EQ(Text(dlg, 1131), "12abc");
        EXPECT_EQ(Text(dlg, 1121), "999");
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 1);
    });
}

TEST_F(PanelTest, F12AppliesAndReachesOnlyTheEngineThatExists) {
    RunDialog([this](CVossenDlg& dlg) {
        md.reset();
        // The largest that a won amount holds in 만원.
        SetText(dlg, 1123, "214748");
        Check(dlg, 1228, true);
        boxes.answer = IDYES;
        zui::PressKey(dlg.GetDlgItem(1131), VK_F12);
        zui::ProcessEvents();
        ASSERT_EQ(boxes.size(), 1u);
        auto stored = AsMap(StoredStrategy());
        EXPECT_EQ(stored["day_tot_loss_max"], 2147480000);
        EXPECT_EQ(stored["market_off_clear"], 0);
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 1);
    });
}

// An entry that its value cannot hold is refused when applied: a box names the field and its
// largest value, nothing is saved, no engine reloads, and the edit keeps the entry, focused.
TEST_F(PanelTest, AnEntryItsValueCannotHoldIsRefusedAndNothingIsSaved) {
    RunDialog([this](CVossenDlg& dlg) {
        ConnectEngines();
        const auto rows = StoredStrategy();
        const int32_t lossLimit = g_pTradeState->day_tot_loss_max;
        boxes.answer = IDYES;
        struct Case {
            int id;
            const char* typed;
            const char* told;
        };
        const Case cases[] = {
            {1123, "999999", "일손절범위: 214748만원까지 입력할 수 있습니다."},
            {1131, "99999999999", "역진입구간: 2147483647분까지 입력할 수 있습니다."},
            {1140, "-2147483649", "양세트합순익: -2147483648달러부터 입력할 수 있습니다."},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.id);
            const std::string before = Text(dlg, c.id);
            const size_t shown = boxes.size();
            SetText(dlg, c.id, "");
            zui::TypeText(dlg.GetDlgItem(c.id), c.typed);
            zui::PressKey(dlg.GetDlgItem(IDC_EDIT_DMI_TERM_R), VK_F12);
            zui::ProcessEvents();
            ASSERT_EQ(boxes.size(), shown + 2); // the question, then the refusal
            EXPECT_EQ(boxes.back().text, c.told);
            EXPECT_EQ(boxes.back().type & MB_ICONMASK, MB_ICONEXCLAMATION);
            EXPECT_EQ(StoredStrategy(), rows);
            EXPECT_EQ(g_pTradeState->day_tot_loss_max, lossLimit);
            EXPECT_TRUE(ms->received.empty());
            EXPECT_TRUE(md->received.empty());
            EXPECT_EQ(Text(dlg, c.id), c.typed);
            EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(c.id)));
            SetText(dlg, c.id, before.c_str());
        }
        // The largest entries are taken as they are.
        SetText(dlg, 1123, "");
        zui::TypeText(dlg.GetDlgItem(1123), "214748");
        SetText(dlg, 1131, "2147483647");
        const size_t shown = boxes.size();
        zui::Click(dlg.GetDlgItem(IDC_BTN_APPLY));
        zui::ProcessEvents();
        EXPECT_EQ(boxes.size(), shown + 1) << "only the question";
        auto stored = AsMap(StoredStrategy());
        EXPECT_EQ(stored["day_tot_loss_max"], 2147480000);
        EXPECT_EQ(stored["in_tick_s"], 2147483647);
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 1);
    });
}

TEST_F(PanelTest, NoAndCancelRestoreEveryControlAndWriteNothing) {
    RunDialog([this](CVossenDlg& dlg) {
        const std::vector<std::string> stored = FormState(dlg);
        const auto rows = StoredStrategy();

        TypeOverForm(dlg);
        ASSERT_NE(FormState(dlg), stored);
        boxes.answer = IDNO;
        {
            SqlTrace trace;
            zui::Click(dlg.GetDlgItem(IDC_BTN_APPLY));
            zui::ProcessEvents();
            EXPECT_EQ(trace.connections, 0);
        }
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(FormState(dlg), stored);

        TypeOverForm(dlg);
        {
            SqlTrace trace;
            zui::Click(dlg.GetDlgItem(IDC_BTN_CANCEL));
            zui::ProcessEvents();
            EXPECT_EQ(trace.connections, 0);
        }
        EXPECT_EQ(boxes.size(), 1u); // Cancel asks nothing
        EXPECT_EQ(FormState(dlg), stored);
        EXPECT_EQ(StoredStrategy(), rows);
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 0);
    });
}

TEST_F(PanelTest, DayFiguresShowWonAndTwoDecimalTexts) {
    RunDialog([](CVossenDlg& dlg) {
        CTradeState* s = g_pTradeState;
        s->day_pnl = 123456.7;
        s->valuation_total_sum = 9876543.21;
        s->valuation_pnl_sum = -12345.678;
        s->set_pnl_sum = 0.5;
        s->day_tot_profit_max = 1000000;
        s->day_peak_pnl = 500000;
        s->profit_reserve_trigger = 30;
        s->profit_reserve_trigger_type = 0;
        dlg.UpdateAccountSummary();
        EXPECT_EQ(Rows(dlg.m_listAccount, 4), (std::vector<std::vector<std::string>>{
                                                  {"123,457원", "9,876,543원", "-12,345.68", "0.50"}}));
        EXPECT_EQ(Text(dlg, 1129), "123,457원");
        EXPECT_EQ(Text(dlg, 1127), "12.3%");
        EXPECT_EQ(Text(dlg, 1130), "350,000원");

        // The allowance in 만원; a daily target of 0 has no share.
        s->profit_reserve_trigger_type = 1;
        s->day_tot_profit_max = 0;
        s->day_pnl = -98765;
        dlg.UpdateAccountSummary();
        EXPECT_EQ(Text(dlg, 1130), "200,000원");
        EXPECT_EQ(Text(dlg, 1127), "0.0%");
        EXPECT_EQ(Text(dlg, 1129), "-98,765원");
        s->day_tot_profit_max = 10;
        dlg.UpdateAccountSummary();
        EXPECT_EQ(Text(dlg, 1127), "-987,650.0%");
    });
}
