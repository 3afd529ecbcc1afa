#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "MainDialogFixture.h"
#include "platform/core/Path.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DialogTemplate.h"
#include "supervision/TraderMessages.h"
#include "support/TradingLogFile.h"

namespace {

std::vector<std::string> HeaderTitles(CVnListCtrl& list) {
    std::vector<std::string> titles;
    CHeaderCtrl* header = &list.m_header;
    for (int i = 0; header && i < header->GetItemCount(); ++i) {
        char text[260] = {};
        HDITEM item = {};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        header->GetItem(i, &item);
        titles.push_back(text);
    }
    return titles;
}

std::vector<int> ColumnWidths(CVnListCtrl& list) {
    std::vector<int> widths;
    CHeaderCtrl* header = &list.m_header;
    for (int i = 0; header && i < header->GetItemCount(); ++i)
        widths.push_back(list.GetColumnWidth(i));
    return widths;
}

const std::vector<std::string> kTradeTitles = {"",       "포지션",   "수량",    "진입가",
                                               "청산가", "청산손익", "수수료",  "종목코드",
                                               "거래일", "진입시각", "청산시각"};
const std::vector<int> kTradeWidths = {5, 50, 35, 70, 70, 70, 70, 70, 80, 70, 70};

// The login flag of the stored account row, "" when there is none.
std::string AccountLogin() {
    std::string path = HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
    sqlite3* db = nullptr;
    std::string login;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "select login from VnAccount", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            if (const unsigned char* text = sqlite3_column_text(stmt, 0))
                login = reinterpret_cast<const char*>(text);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return login;
}

} // namespace

TEST_F(MainDialogTest, OpensAsItsTemplateGivesIt) {
    Run([&] {
        const DialogTemplate* t = FindDialogTemplate(IDD_VOSSEN_DIALOG);
        ASSERT_NE(t, nullptr);
        CString caption;
        dlg->GetWindowText(caption);
        EXPECT_EQ(caption, "Zorvik-Master");
        const auto& children = dlg->GetChildren();
        ASSERT_EQ(children.size(), t->items.size());
        for (size_t i = 0; i < children.size(); ++i) {
            const DialogItemTemplate& item = t->items[i];
            CWnd* control = children[i];
            SCOPED_TRACE(testing::Message() << "control " << i << " id " << item.id);
            EXPECT_EQ(control->GetDlgCtrlID(), item.id);
            EXPECT_STREQ(zui::detail::ClassNameOf(control), item.className);
            // The edits show the settings and day figures, filled when the dialog opens.
            if (std::string(item.className) != WC_EDIT && std::string(item.className) != WC_COMBOBOX &&
                std::string(item.className) != WC_LISTVIEW) {
                CString text;
                control->GetWindowText(text);
                EXPECT_EQ(text, item.text);
            }
            RECT expected =
                zui::MapDialogRect(dlg.get(), RECT{item.x, item.y, item.x + item.cx, item.y + item.cy});
            RECT shown = zui::WidgetRect(control);
            EXPECT_EQ(shown.left, expected.left);
            EXPECT_EQ(shown.top, expected.top);
            EXPECT_EQ(shown.right, expected.right);
            // A drop-down list is as high as its field; its template height is the dropped list's.
            if (std::string(item.className) != WC_COMBOBOX) {
                EXPECT_EQ(shown.bottom, expected.bottom);
            }
        }
        RECT window;
        dlg->GetWindowRect(&window);
        EXPECT_EQ(window.left, 750);
        EXPECT_EQ(window.top, 28);
        RECT client = zui::WidgetRect(dlg.get());
        RECT size = zui::MapDialogRect(dlg.get(), RECT{0, 0, 232, 536});
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        EXPECT_FALSE(dlg->GetExStyle() & WS_EX_TOPMOST);
    });
}

TEST_F(MainDialogTest, OpensStoppedWithEmptyListsAndTheTitleFont) {
    Run([&] {
        EXPECT_TRUE(dlg->m_bStopped);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_SOUND_OFF), 0u);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_ALWAYS_ON_TOP), 0u);
        EXPECT_EQ(g_pMainDlg, dlg.get());

        CFont* font = dlg->GetDlgItem(IDC_STATIC_TITLE)->GetFont();
        ASSERT_NE(font, nullptr);
        LOGFONT lf = {};
        ASSERT_TRUE(font->GetLogFont(&lf));
        EXPECT_EQ(lf.lfHeight, 15);
        EXPECT_EQ(lf.lfWeight, 700);
        EXPECT_STREQ(lf.lfFaceName, "Tahoma");

        EXPECT_EQ(HeaderTitles(dlg->m_listAccount),
                  (std::vector<std::string>{"매매총손익합", "평가총액합", "평가손익합", "세트손익합"}));
        EXPECT_EQ(ColumnWidths(dlg->m_listAccount), (std::vector<int>{88, 115, 87, 87}));
        ASSERT_EQ(dlg->m_listAccount.GetItemCount(), 1);
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(dlg->m_listAccount.GetItemText(0, column), "");
        EXPECT_EQ(dlg->m_listAccount.GetExtendedStyle(), 0x10123u);
        EXPECT_FALSE(dlg->m_listAccount.GetStyle() & LVS_OWNERDRAWFIXED);

        EXPECT_EQ(dlg->m_cbView.GetCount(), 4);
        EXPECT_EQ(dlg->m_cbView.GetCurSel(), 0);
        EXPECT_EQ(zui::ShownText(&dlg->m_cbView), "당일");
        EXPECT_EQ(dlg->m_nViewMode, 0);
        EXPECT_EQ(HeaderTitles(dlg->m_listHistory), kTradeTitles);
        EXPECT_EQ(ColumnWidths(dlg->m_listHistory), kTradeWidths);
        EXPECT_EQ(dlg->m_listHistory.GetItemCount(), 0);
        EXPECT_EQ(dlg->m_listHistory.GetExtendedStyle(), 0x10121u);
        EXPECT_FALSE(dlg->m_listHistory.GetStyle() & LVS_OWNERDRAWFIXED);

        // The daily target is display only after any paint.
        dlg->m_editDayProfitMax.EnableWindow(TRUE);
        dlg->Invalidate();
        Settle();
        zui::GetWindowPixel(dlg.get(), 0, 0);
        EXPECT_FALSE(dlg->m_editDayProfitMax.IsWindowEnabled());
    });
}

TEST_F(MainDialogTest, InitialisationSavesTheAccountAndBuildsBothCommandLines) {
    Run([&] {
        EXPECT_EQ(dlg->m_strAccountNumber, "11110001");
        EXPECT_EQ(dlg->m_strAccountNumber2, "22220002");
        EXPECT_EQ(dlg->m_strServerType2, "1");
        EXPECT_TRUE(g_pTradeState->strategy_loaded);
        EXPECT_EQ(dlg->m_strTradeType, "2");
        EXPECT_EQ(dlg->m_strLaunchArgMs, "trader1|pw1|cert1|11110001|0001|0|NQM25|2|Ms");
        EXPECT_EQ(dlg->m_strLaunchArgMd, "trader2|pw2|cert2|22220002|0002|1|NQM25|2|Md");
        EXPECT_EQ(AccountLogin(), "1");
        ASSERT_NE(dlg->m_pStatMerged, nullptr);
        EXPECT_TRUE(dlg->m_pStatMerged->empty());
    });
    // Ending the dialog marks the account row as logged out.
    EXPECT_EQ(AccountLogin(), "0");
    EXPECT_EQ(g_pMainDlg, nullptr);
}

TEST_F(MainDialogTest, MenuHoldsItsThreeCommands) {
    INT_PTR result = Run([&] {
        // "공통사항 설정" is there and leaves the dialog as it is.
        EXPECT_TRUE(zui::ChooseMenuItem(dlg.get(), ID_MENU_COMMON_SETTINGS));
        Settle();
        EXPECT_FALSE(dlg->ended);
        ConnectEngines();
        EXPECT_TRUE(zui::ChooseMenuItem(dlg.get(), ID_MENU_EXIT));
        Settle();
        EXPECT_FALSE(dlg->ended) << "the engines it started still run";
        dlg->PostMessage(WM_TRADER_EXIT);
        dlg->PostMessage(WM_TRADER_EXIT);
    });
    // "끝내기(X)" asks both engines to exit and quits once they have answered.
    EXPECT_EQ(result, -1);
    EXPECT_EQ(ms->Count(WM_TRADER_EXIT), 1);
    EXPECT_EQ(md->Count(WM_TRADER_EXIT), 1);
}

// Closed by a key, the about box gives the keyboard back: the next key reaches both engines.
TEST_F(MainDialogTest, AboutBoxShowsFromTheMenu) {
    bool shown = false;
    Run([&] {
        ConnectEngines();
        zui::WhenIdle([&] {
            CWnd* top = nullptr;
            for (CWnd* w : zwin::TopLevelWindows()) {
                CString caption;
                w->GetWindowText(caption);
                if (caption == "Zorvik 마스터 정보")
                    top = w;
            }
            ASSERT_NE(top, nullptr);
            shown = true;
            SaveScreen(top, "about");
            EXPECT_TRUE(zui::PressKeyAtFocus(VK_ESCAPE));
        });
        EXPECT_TRUE(zui::ChooseMenuItem(dlg.get(), ID_MENU_ABOUT));
        Settle();
        EXPECT_FALSE(dlg->ended);
        EXPECT_TRUE(zui::PressKeyAtFocus(VK_F4));
        Settle();
        EXPECT_EQ(ms->Count(WM_TRADER_STOP), 1);
        EXPECT_EQ(md->Count(WM_TRADER_STOP), 1);
    });
    EXPECT_TRUE(shown);
}

TEST_F(MainDialogTest, KeysIntoTheDayFiguresAreSwallowed) {
    Run([&] {
        ConnectEngines();
        for (CEdit* edit : {&dlg->m_editTargetRate, &dlg->m_editTotalPnl, &dlg->m_editReserveLevel}) {
            edit->SetWindowText("12");
            zui::PressKey(edit, '5');
            zui::PressKey(edit, VK_BACK);
            zui::PressKey(edit, VK_F3);
            zui::PressKey(edit, VK_F4);
            zui::PressKey(edit, VK_F6);
            Settle();
            EXPECT_EQ(zui::ShownText(edit), "12");
        }
        EXPECT_TRUE(ms->received.empty());
        EXPECT_TRUE(md->received.empty());
        EXPECT_TRUE(boxes.empty());
        // A settings edit takes the same keys.
        dlg->m_editInTickS.SetWindowText("12");
        zui::PressKey(&dlg->m_editInTickS, '5');
        Settle();
        EXPECT_NE(zui::ShownText(&dlg->m_editInTickS), "12");
    });
}

TEST_F(MainDialogTest, FunctionKeysPostToTheKnownEnginesOnly) {
    Run([&] {
        // No engine known yet: nothing leaves.
        zui::PressKey(&dlg->m_editInTickS, VK_F3);
        Settle();
        EXPECT_TRUE(ms->received.empty());

        ConnectEngines();
        zui::PressKey(&dlg->m_editInTickS, VK_F3);
        zui::PressKey(&dlg->m_editInTickS, VK_F4);
        zui::PressKey(&dlg->m_editInTickS, VK_F6);
        Settle();
        const std::vector<UINT> expected = {WM_TRADER_START, WM_TRADER_STOP, WM_TRADER_LIQUIDATE_ALL};
        EXPECT_EQ(ms->received, expected);
        EXPECT_EQ(md->received, expected);
        // The keys leave the stopped look as it is.
        EXPECT_TRUE(dlg->m_bStopped);
    });
}

// The command buttons are owner-drawn and show no focus: Enter on one of them is IDOK, which
// the main window ignores. It never liquidates, starts, stops, applies or throws away what was
// typed; Space clicks the focused button.
TEST_F(MainDialogTest, EnterOnAFocusedCommandButtonDoesNothingAndSpaceClicksIt) {
    Run([&] {
        ConnectEngines();
        dlg->m_editInTickS.SetWindowText("77");
        zui::PressKey(dlg->GetDlgItem(IDC_COMBO_END_MINUTE), VK_TAB); // onto 시작
        Settle();
        for (int id : {IDC_BTN_START, IDC_BTN_LIQUIDATE_ALL, IDC_BTN_STOP, IDC_BTN_APPLY, IDC_BTN_CANCEL}) {
            EXPECT_TRUE(zui::HasFocus(dlg->GetDlgItem(id))) << id;
            EXPECT_TRUE(zui::PressKeyAtFocus(VK_RETURN));
            Settle();
            EXPECT_TRUE(zui::PressKeyAtFocus(VK_TAB));
            Settle();
        }
        EXPECT_TRUE(ms->received.empty());
        EXPECT_TRUE(md->received.empty());
        EXPECT_TRUE(boxes.empty()) << "Apply asked its question";
        EXPECT_EQ(zui::ShownText(&dlg->m_editInTickS), "77") << "Cancel threw the entry away";
        EXPECT_TRUE(dlg->m_bStopped);
        EXPECT_FALSE(dlg->ended);

        zui::PressKey(dlg->GetDlgItem(IDC_BTN_START), VK_TAB); // onto 일괄청산
        Settle();
        EXPECT_TRUE(zui::PressKeyAtFocus(VK_SPACE));
        Settle();
        EXPECT_EQ(ms->received, std::vector<UINT>{WM_TRADER_LIQUIDATE_ALL});
        EXPECT_EQ(md->received, std::vector<UINT>{WM_TRADER_LIQUIDATE_ALL});
    });
}

TEST_F(MainDialogTest, EscapeLeavesTheDialogAndTheEnginesRunning) {
    INT_PTR result = Run([&] {
        ConnectEngines();
        zui::PressKey(&dlg->m_editInTickS, VK_ESCAPE);
        zui::PressKey(&dlg->m_cbView, VK_ESCAPE);
        Settle();
        EXPECT_FALSE(dlg->ended);
    });
    EXPECT_EQ(result, kEndedByTest);
    EXPECT_EQ(ms->Count(WM_TRADER_EXIT), 0);
    EXPECT_EQ(md->Count(WM_TRADER_EXIT), 0);
}

TEST_F(MainDialogTest, CloseBoxAsksTheEnginesAndEndsWhenBothAnswered) {
    INT_PTR result = Run([&] {
        ConnectEngines();
        zui::ClickCloseBox(dlg.get());
        Settle();
        EXPECT_FALSE(dlg->ended);
        EXPECT_EQ(ms->Count(WM_TRADER_EXIT), 1);
        EXPECT_EQ(md->Count(WM_TRADER_EXIT), 1);
        dlg->PostMessage(WM_TRADER_EXIT);
        Settle();
        EXPECT_FALSE(dlg->ended);
        dlg->PostMessage(WM_TRADER_EXIT);
    });
    EXPECT_EQ(result, -1);
}

TEST_F(MainDialogTest, CloseBoxWithoutEnginesEndsAtOnce) {
    ms.reset();
    md.reset();
    dlg->engines = TestVossenDlg::Engines::None;
    INT_PTR result = Run([&] { zui::ClickCloseBox(dlg.get()); });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MainDialogTest, AlwaysOnTopTogglesWithoutMoving) {
    Run([&] {
        RECT before;
        dlg->GetWindowRect(&before);
        zui::Click(&dlg->m_chkAlwaysOnTop);
        Settle();
        EXPECT_TRUE(dlg->GetExStyle() & WS_EX_TOPMOST);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_ALWAYS_ON_TOP), 1u);
        zui::Click(&dlg->m_chkAlwaysOnTop);
        Settle();
        EXPECT_FALSE(dlg->GetExStyle() & WS_EX_TOPMOST);
        RECT after;
        dlg->GetWindowRect(&after);
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    });
}

TEST_F(MainDialogTest, AtMostOneOfTheTwoLinksIsOn) {
    Run([&] {
        CWnd* qty = dlg->GetDlgItem(IDC_CHECK_COUNT_PAIRING);
        CWnd* round = dlg->GetDlgItem(IDC_CHECK_ROUND_PAIRING);
        zui::Click(round);
        Settle();
        zui::Click(qty);
        Settle();
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_COUNT_PAIRING), 1u);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_ROUND_PAIRING), 0u);
        zui::Click(round);
        Settle();
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_COUNT_PAIRING), 0u);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_ROUND_PAIRING), 1u);
        // Unchecking one never checks the other.
        zui::Click(round);
        Settle();
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_COUNT_PAIRING), 0u);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_CHECK_ROUND_PAIRING), 0u);
    });
}

TEST_F(MainDialogTest, TradeFillCountsTheQuantitiesOfBothAccounts) {
    {
        TradingLogFile first("11110001");
        first.Add({"11110001", "NQM25", "20250602100000", "20250602101500", "", "", 2, 2, 1, 2, 30, 1});
        first.Add({"11110001", "NQM25", "20250530100000", "20250530101500", "", "", 1, 4, 1, 2, 30, 1});
        TradingLogFile second("22220002");
        second.Add({"22220002", "NQM25", "20250602110000", "20250602113000", "", "", 1, 3, 1, 2, -10, 1});
    }
    g_pTradeState->trade_day_from = "20250602";
    g_pTradeState->trade_day_to = "20250603";
    Run([&] {
        dlg->FillTradeList();
        EXPECT_EQ(g_pTradeState->trade_records->size(), 2u);
        EXPECT_EQ(g_pTradeState->trade_count, 5);
        // Every other entry than "당일" counts every trade up to the current trading day.
        zui::ChooseComboItem(&dlg->m_cbView, 1);
        Settle();
        EXPECT_EQ(dlg->m_nViewMode, 1);
        EXPECT_EQ(g_pTradeState->trade_count, 9);
        EXPECT_EQ(HeaderTitles(dlg->m_listHistory), kTradeTitles);
        // A refill from the engines while statistics are shown counts the trades and leaves
        // the statistics on screen.
        zui::ChooseComboItem(&dlg->m_cbView, 2);
        Settle();
        dlg->m_listHistory.InsertItem(0, "");
        dlg->m_listHistory.SetItemText(0, 1, "20250602");
        g_pTradeState->trade_count = 0;
        dlg->FillTradeList();
        EXPECT_EQ(g_pTradeState->trade_count, 9);
        EXPECT_EQ(dlg->m_listHistory.GetItemText(0, 1), "20250602");
        EXPECT_EQ(HeaderTitles(dlg->m_listHistory).size(), 6u);
    });
}

TEST_F(MainDialogTest, ViewsOfTheOtherLayoutRebuildTheColumns) {
    Run([&] {
        zui::ChooseComboItem(&dlg->m_cbView, 2);
        Settle();
        EXPECT_EQ(dlg->m_nViewMode, 2);
        EXPECT_EQ(HeaderTitles(dlg->m_listHistory),
                  (std::vector<std::string>{"", "기준일", "매매횟수", "청산손익", "수수료", "순손익"}));
        EXPECT_EQ(ColumnWidths(dlg->m_listHistory), (std::vector<int>{5, 70, 60, 80, 80, 80}));
        zui::ChooseComboItem(&dlg->m_cbView, 3);
        Settle();
        EXPECT_EQ(dlg->m_nViewMode, 3);
        EXPECT_EQ(HeaderTitles(dlg->m_listHistory).size(), 6u);
        zui::ChooseComboItem(&dlg->m_cbView, 0);
        Settle();
        EXPECT_EQ(dlg->m_nViewMode, 0);
        EXPECT_EQ(HeaderTitles(dlg->m_listHistory), kTradeTitles);
    });
}

TEST(StatRowOrder, ComparesKeysByteByByte) {
    auto row = [](const char* key) {
        StatRow r = {};
        std::strncpy(r.key, key, sizeof(r.key) - 1);
        return r;
    };
    EXPECT_TRUE(StatRowLess(row("20250601"), row("20250602")));
    EXPECT_FALSE(StatRowLess(row("20250602"), row("20250601")));
    EXPECT_FALSE(StatRowLess(row("202506"), row("202506")));
    EXPECT_TRUE(StatRowLess(row(""), row("202506")));
    EXPECT_TRUE(StatRowLess(row("202506"), row("20250601")));
    // Bytes above 0x7F sort after ASCII, as unsigned values.
    EXPECT_TRUE(StatRowLess(row("Z"), row("\xB0\xA1")));
}

TEST_F(MainDialogTest, OwnerDrawnListRowsFollowTheFontSetOnIt) {
    Run([&] {
        CVnListCtrl& list = dlg->m_listHistory;
        list.ModifyStyle(0, LVS_OWNERDRAWFIXED);
        LOGFONT lf = {};
        lf.lfHeight = 20;
        std::strcpy(lf.lfFaceName, "Tahoma");
        CFont cell;
        cell.CreateFontIndirect(&lf);
        list.SetFont(&cell);
        Settle();
        EXPECT_EQ(zui::ListRowHeight(&list), 20);
        // A height given as the characters' height is measured as the font's line.
        lf.lfHeight = -30;
        CFont character;
        character.CreateFontIndirect(&lf);
        list.SetFont(&character);
        Settle();
        EXPECT_GE(zui::ListRowHeight(&list), 30);
        EXPECT_LT(zui::ListRowHeight(&list), 45);
    });
}
