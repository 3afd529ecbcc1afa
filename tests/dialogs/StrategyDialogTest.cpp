#include "dialogs/StrategyDialog.h"

#include <memory>
#include <string>

#include "DialogFixture.h"
#include "console/VossenDlg.h"
#include "dialogs/RootConfirmDlg.h"
#include "platform/core/Path.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "resources/ConsoleResources.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/StoreProcess.h"

namespace {

std::string MainStoreHostPath() {
    return HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
}

// Stands for an engine window: notes what is posted to it.
struct EngineWindow : CWnd {
    std::vector<UINT> received;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= WM_USER)
            received.push_back(message);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

const char kAdminRefused[] = "관리자 비밀번호가 일치하지 않습니다.";
constexpr int kAdminControls[] = {1103, 1101, 1248, 1102, 1249};

class StrategyTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartEnvironment();
        CTradeState* s = g_pTradeState;
        s->profit_reserve_use = 1;
        s->profit_reserve_base = 500000;
        s->profit_reserve_trigger = 30;
        s->profit_reserve_trigger_type = 0;
        s->profit_reserve_rest = 60;
        s->fee_org = 7500;
        s->fee_sale = 250;
        s->won_dallar = 1180;
        s->day_tot_profit_max_use = 0;
        s->day_tot_profit_max = 1000000;
        s->day_trade_due_count_use = 1;
        s->day_trade_due_count = 7;
        CTradeDataBase::SaveAccount(1, "id", "pw", "", "123", "0472", 1, "id2", "pw2", "", "456", "0472",
                                    "NQZ20", "", "4321");
    }

    static bool AdminControlsEnabled(CWnd* dlg) {
        int enabled = 0;
        for (int id : kAdminControls)
            enabled += dlg->GetDlgItem(id)->IsWindowEnabled() ? 1 : 0;
        EXPECT_TRUE(enabled == 0 || enabled == 5) << enabled << " of the five are enabled";
        return enabled == 5;
    }
    static void Close(CWnd* dlg) { zui::PressKey(dlg->GetDlgItem(1100), VK_ESCAPE); }
    // Presses 관리자모드 and answers the prompt with `typed` and OK, or with Escape.
    // A null dialog stands for the one open on screen.
    void AdminMode(CWnd* dlg, const char* typed, bool escape = false) {
        Then([=] { zui::Click((dlg ? dlg : FindTopLevel("공통사항 설정"))->GetDlgItem(1250)); });
        Then([=] {
            CWnd* confirm = FindTopLevel("관리자 인증");
            if (!confirm) {
                ADD_FAILURE() << "no confirmation";
                return;
            }
            zui::TypeText(confirm->GetDlgItem(1100), typed);
            if (escape)
                zui::PressKey(confirm->GetDlgItem(1100), VK_ESCAPE);
            else
                zui::Click(confirm->GetDlgItem(IDOK));
        });
    }
};

TEST_F(StrategyTest, OpensWithTheStateConvertedAndTheAdministratorControlsLocked) {
    CStrategyDialog dlg;
    Then([&] {
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1251));
        EXPECT_EQ(Text(&dlg, 1105), "50");
        EXPECT_EQ(Text(&dlg, 1104), "30");
        EXPECT_EQ(dlg.m_comboTriggerType.GetCount(), 2);
        EXPECT_EQ(dlg.m_comboTriggerType.GetCurSel(), 0);
        EXPECT_EQ(Text(&dlg, 1106), "60");
        EXPECT_EQ(Text(&dlg, 1128), "75.00");
        EXPECT_EQ(Text(&dlg, 1130), "2.50");
        EXPECT_EQ(Text(&dlg, 1100), "1180");
        EXPECT_FALSE(dlg.IsDlgButtonChecked(1248));
        EXPECT_EQ(Text(&dlg, 1101), "100");
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1249));
        EXPECT_EQ(Text(&dlg, 1102), "7");
        EXPECT_EQ(Text(&dlg, 1103), "4321");
        EXPECT_FALSE(AdminControlsEnabled(&dlg));
        EXPECT_TRUE(dlg.GetDlgItem(1105)->IsWindowEnabled());
        RECT apply = zui::WidgetRect(dlg.GetDlgItem(1246));
        EXPECT_EQ(GetWindowPixel(&dlg, apply.left + 6, apply.top + 6), 0x3B0028u);
        RECT cancel = zui::WidgetRect(dlg.GetDlgItem(1247));
        EXPECT_EQ(GetWindowPixel(&dlg, cancel.left + 6, cancel.top + 6), 0x2F2F2Fu);
        Screenshot(&dlg, "strategy-locked");
    });
    Then([&] { Close(&dlg); });
    dlg.DoModal();
    EXPECT_EQ(g_pTradeState->call_number, "4321");
}

TEST_F(StrategyTest, ApplyConvertsStoresAndWritesTheLockedValuesBackUnchanged) {
    CStrategyDialog dlg;
    Then([&] {
        SetText(&dlg, 1128, "0.29");
        SetText(&dlg, 1130, "1.5");
        SetText(&dlg, 1105, "12");
        SetText(&dlg, 1106, "45");
        zui::ChooseComboItem(&dlg.m_comboTriggerType, 1);
        zui::Click(dlg.GetDlgItem(1251));
        zui::Click(dlg.GetDlgItem(1246));
    });
    Then([&] {
        EXPECT_NE(FindTopLevel("공통사항 설정"), nullptr) << "Apply keeps the dialog open";
        Close(&dlg);
    });
    dlg.DoModal();
    EXPECT_TRUE(m_boxes.empty()) << "Apply asks nothing";

    CTradeState* s = g_pTradeState;
    EXPECT_EQ(s->fee_org, 28);
    EXPECT_EQ(s->fee_sale, 150);
    EXPECT_EQ(s->profit_reserve_base, 120000);
    EXPECT_EQ(s->profit_reserve_rest, 45);
    EXPECT_EQ(s->profit_reserve_trigger_type, 1);
    EXPECT_EQ(s->profit_reserve_use, 0);
    EXPECT_EQ(s->day_tot_profit_max, 1000000);
    EXPECT_EQ(s->day_trade_due_count_use, 1);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue("fee_org", -1), 28);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue("fee_sale", -1), 150);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue("profit_reserve_base", -1), 120000);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue("day_tot_profit_max", -1), 1000000);
    char stored[30] = {};
    CTradeDataBase::LoadSubPassword(stored, sizeof stored);
    EXPECT_STREQ(stored, "4321");
}

// An entry beyond what its value holds is refused on Apply: a box names the field and its
// largest value, nothing is stored, no engine reloads, the edit keeps the entry, focused.
TEST_F(StrategyTest, EntriesBeyondWhatTheirValuesHoldAreRefusedAndNothingIsStored) {
    EngineWindow ms, md;
    ASSERT_TRUE(ms.CreateEx(0, kTraderTitleMs, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    ASSERT_TRUE(md.CreateEx(0, kTraderTitleMd, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    CStrategyDialog dlg;
    std::vector<bool> focused;
    std::vector<CString> kept;
    auto refused = [&](int id, const char* typed) {
        Then([&dlg, id, typed] {
            SetText(&dlg, id, "");
            zui::TypeText(dlg.GetDlgItem(id), typed);
            zui::Click(dlg.GetDlgItem(1246));
        });
        Then([&dlg, &focused, &kept, id] {
            focused.push_back(zui::HasFocus(dlg.GetDlgItem(id)));
            kept.push_back(Text(&dlg, id));
            SetText(&dlg, id, "1");
        });
    };
    refused(1105, "999999");
    refused(1128, "1e300");
    AdminMode(&dlg, kAdminAccessCode);
    refused(1101, "214749");
    Then([&] {
        // What fits is taken as it is.
        SetText(&dlg, 1101, "214748");
        SetText(&dlg, 1130, "-0.999");
        zui::Click(dlg.GetDlgItem(1246));
    });
    Then([&] { Close(&dlg); });
    dlg.DoModal();
    zwin::PumpWaitingMessages();
    EXPECT_EQ(m_boxes.Texts(), (std::vector<CString>{"수익보전 순익: 214748만원까지 입력할 수 있습니다.",
                                                     "편도기본: 21474836.47까지 입력할 수 있습니다.",
                                                     "일목표수익: 214748만원까지 입력할 수 있습니다."}));
    EXPECT_EQ(focused, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(kept, (std::vector<CString>{"999999", "1e300", "214749"}));
    EXPECT_EQ(ms.received, std::vector<UINT>{WM_TRADER_RELOAD_SETTINGS}) << "only the last Apply";
    EXPECT_EQ(md.received, std::vector<UINT>{WM_TRADER_RELOAD_SETTINGS});
    EXPECT_EQ(g_pTradeState->profit_reserve_base, 10000);
    EXPECT_EQ(g_pTradeState->fee_org, 100);
    EXPECT_EQ(g_pTradeState->fee_sale, -99);
    EXPECT_EQ(g_pTradeState->day_tot_profit_max, 214748 * 10000);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue("day_tot_profit_max", -1), 214748 * 10000);
    ms.DestroyWindow();
    md.DestroyWindow();
}

TEST_F(StrategyTest, AdministratorModeUnlocksOnLevelOneOrTwoAndCancelLocksAgain) {
    CStrategyDialog dlg;
    AdminMode(&dlg, "wrong");
    Then([&] {
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, kAdminRefused);
        EXPECT_EQ(m_boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        EXPECT_FALSE(AdminControlsEnabled(&dlg));
    });
    // A cancelled prompt refuses too, even with the access code typed.
    AdminMode(&dlg, kAdminAccessCode, true);
    Then([&] {
        EXPECT_EQ(m_boxes.size(), 2u);
        EXPECT_FALSE(AdminControlsEnabled(&dlg));
    });
    AdminMode(&dlg, "4321");
    Then([&] {
        EXPECT_EQ(m_boxes.size(), 2u);
        EXPECT_TRUE(AdminControlsEnabled(&dlg));
        Screenshot(&dlg, "strategy-admin");
        SetText(&dlg, 1103, "777");
        SetText(&dlg, 1101, "150");
        SetText(&dlg, 1128, "9.99");
        zui::Click(dlg.GetDlgItem(1247));
    });
    Then([&] {
        EXPECT_FALSE(AdminControlsEnabled(&dlg));
        EXPECT_EQ(Text(&dlg, 1103), "4321");
        EXPECT_EQ(Text(&dlg, 1101), "100");
        EXPECT_EQ(Text(&dlg, 1128), "75.00");
    });
    AdminMode(&dlg, kAdminAccessCode);
    Then([&] {
        EXPECT_TRUE(AdminControlsEnabled(&dlg));
        SetText(&dlg, 1103, "2468");
        SetText(&dlg, 1101, "150");
        zui::Click(dlg.GetDlgItem(1248));
        zui::Click(dlg.GetDlgItem(1246));
    });
    Then([&] { Close(&dlg); });
    dlg.DoModal();
    EXPECT_EQ(g_pTradeState->day_tot_profit_max, 1500000);
    EXPECT_EQ(g_pTradeState->day_tot_profit_max_use, 1);
    EXPECT_EQ(g_pTradeState->call_number, "2468");
    char stored[30] = {};
    CTradeDataBase::LoadSubPassword(stored, sizeof stored);
    EXPECT_STREQ(stored, "2468");
}

TEST_F(StrategyTest, ApplyTellsBothEnginesToReload) {
    EngineWindow ms, md;
    ASSERT_TRUE(ms.CreateEx(0, kTraderTitleMs, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    ASSERT_TRUE(md.CreateEx(0, kTraderTitleMd, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    CStrategyDialog dlg;
    Then([&] { zui::Click(dlg.GetDlgItem(1246)); });
    Then([&] { Close(&dlg); });
    dlg.DoModal();
    zwin::PumpWaitingMessages();
    EXPECT_EQ(ms.received, std::vector<UINT>{WM_TRADER_RELOAD_SETTINGS});
    EXPECT_EQ(md.received, std::vector<UINT>{WM_TRADER_RELOAD_SETTINGS});
    ms.DestroyWindow();
    md.DestroyWindow();
}

TEST_F(StrategyTest, ApplyThatCannotStoreIsToldAndReloadsNoEngine) {
    EngineWindow ms, md;
    ASSERT_TRUE(ms.CreateEx(0, kTraderTitleMs, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    ASSERT_TRUE(md.CreateEx(0, kTraderTitleMd, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    CStrategyDialog dlg;
    std::unique_ptr<StoreProcess> writer;
    Then([&] {
        writer = std::make_unique<StoreProcess>(StoreProcess::Kind::ReservedWriter, MainStoreHostPath());
        ASSERT_TRUE(writer->Ready());
        zui::Click(dlg.GetDlgItem(1246));
    });
    Then([&] {
        EXPECT_EQ(writer->Stop(), 1);
        Close(&dlg);
    });
    dlg.DoModal();
    zwin::PumpWaitingMessages();
    EXPECT_TRUE(ms.received.empty());
    EXPECT_TRUE(md.received.empty());
    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_NE(m_boxes[0].text.Find("호출번호를 저장하지 못했습니다"), -1) << m_boxes[0].text.GetString();
    EXPECT_NE(m_boxes[1].text.Find("설정값을 저장하지 못했습니다"), -1) << m_boxes[1].text.GetString();
    ms.DestroyWindow();
    md.DestroyWindow();
}

TEST_F(StrategyTest, ACallNumberThatCouldNotBeReadIsNotOverwrittenByTheEmptyEdit) {
    CStrategyDialog dlg;
    // The store is locked while the dialog fills its controls, and free again for Apply.
    StoreProcess writer(StoreProcess::Kind::ExclusiveWriter, MainStoreHostPath());
    ASSERT_TRUE(writer.Ready());
    Then([&] {
        EXPECT_EQ(Text(&dlg, 1103), "");
        EXPECT_EQ(writer.Stop(), 1);
        zui::Click(dlg.GetDlgItem(1246));
    });
    Then([&] { Close(&dlg); });
    dlg.DoModal();
    EXPECT_TRUE(m_boxes.empty());
    char stored[30] = {};
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(stored, sizeof stored), 1);
    EXPECT_STREQ(stored, "4321");
}

} // namespace

// Opened from the main dialog's menu: Apply shows the applied values in its panel again.
TEST_F(StrategyTest, ApplyRefreshesTheMainDialogsPanel) {
    RegisterConsoleResources();
    CVossenDlg main;
    Then([&] {
        SetText(&main, IDC_EDIT_DAY_LOSS_MAX, "77");
        main.SendMessage(WM_COMMAND, MAKEWPARAM(ID_MENU_COMMON_SETTINGS, 0), 0);
    });
    AdminMode(nullptr, kAdminAccessCode);
    Then([&] {
        CWnd* dlg = FindTopLevel("공통사항 설정");
        ASSERT_NE(dlg, nullptr);
        SetText(dlg, 1101, "150");
        zui::Click(dlg->GetDlgItem(1246));
    });
    Then([&] {
        EXPECT_EQ(Text(&main, IDC_EDIT_DAY_PROFIT_MAX), "150");
        EXPECT_NE(Text(&main, IDC_EDIT_DAY_LOSS_MAX), "77") << "what was typed and not applied is replaced";
        Screenshot(FindTopLevel("공통사항 설정"), "strategy-over-main");
        Close(FindTopLevel("공통사항 설정"));
    });
    Then([&] { zui::ClickCloseBox(&main); });
    main.DoModal();
    EXPECT_EQ(g_pTradeState->day_tot_profit_max, 1500000);
}
