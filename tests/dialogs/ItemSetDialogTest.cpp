#include <cstring>
#include <filesystem>
#include <string>

#include "DialogFixture.h"
#include "dialogs/ItemSetDialog.h"
#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

namespace {

class ItemSetTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartEnvironment();
        const char* names[] = {"미니 나스닥",  "마이크로 나스닥",
                               "미니 S&P 500", "마이크로 S&P 500",
                               "항생",         "여섯",
                               "일곱",         "",
                               "아홉",         "열"};
        for (int k = 0; k < kTradeItemCount; ++k) {
            CopyBounded(g_pTradeState->items[k].name, 50, names[k]);
            CString code;
            code.Format("C%d", k);
            CopyBounded(g_pTradeState->items[k].code, 20, code);
        }
        CTradeDataBase::SaveItems(g_pTradeState->items);
    }

    static TradeItem Stored(int slot) {
        TradeItem items[kTradeItemCount] = {};
        EXPECT_EQ(CTradeDataBase::LoadItems(items), 0);
        return items[slot];
    }
};

TEST_F(ItemSetTest, SaveTrimsWritesSlotsAndKeepsTheOthers) {
    ItemSetDialog dlg;
    Then([&] {
        EXPECT_EQ(Text(&dlg, 1100), "미니 나스닥");
        EXPECT_EQ(Text(&dlg, 1109), "C4");
        Screenshot(&dlg, "itemset-opened");
        SetText(&dlg, 1101, "  NQH21 ");
        SetText(&dlg, 1102, "\t새 종목 ");
        SetText(&dlg, 1108, "");
        zui::Click(dlg.GetDlgItem(1244));
    });
    Then([&] {
        EXPECT_NE(FindTopLevel("종목설정"), nullptr) << "saving keeps the dialog open";
        zui::PressKey(dlg.GetDlgItem(1100), VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(m_boxes.empty());

    EXPECT_STREQ(g_pTradeState->items[0].code, "NQH21");
    EXPECT_STREQ(g_pTradeState->items[1].name, "새 종목");
    EXPECT_STREQ(g_pTradeState->items[4].name, "");
    EXPECT_STREQ(Stored(0).code, "NQH21");
    EXPECT_STREQ(Stored(1).name, "새 종목");
    EXPECT_STREQ(Stored(4).name, "");
    // Slots 5 to 9 go back as they were, the empty slot 7 included.
    EXPECT_STREQ(Stored(5).name, "여섯");
    EXPECT_STREQ(Stored(7).name, "");
    EXPECT_STREQ(Stored(9).name, "열");
    EXPECT_STREQ(Stored(9).code, "C9");
}

TEST_F(ItemSetTest, EnterSavesRevertShowsTheSavedTextEscapeDiscards) {
    ItemSetDialog dlg;
    Then([&] {
        SetText(&dlg, 1103, "SAVED");
        zui::PressKey(dlg.GetDlgItem(1103), VK_RETURN);
    });
    Then([&] {
        EXPECT_STREQ(Stored(1).code, "SAVED");
        SetText(&dlg, 1103, "TYPED");
        zui::Click(dlg.GetDlgItem(1245));
    });
    Then([&] {
        EXPECT_EQ(Text(&dlg, 1103), "SAVED");
        SetText(&dlg, 1105, "DISCARDED");
        zui::ClickCloseBox(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(g_pTradeState->items[2].code, "C2");
    EXPECT_STREQ(Stored(2).code, "C2");
}

TEST_F(ItemSetTest, OverlongTextsAreCutAtTheSlotWithoutSplittingACharacter) {
    ItemSetDialog dlg;
    Then([&] {
        // 25 two-byte characters (50 bytes) for a 49-byte name; 21 bytes for a 19-byte code.
        CString name;
        for (int i = 0; i < 25; ++i)
            name += "가";
        SetText(&dlg, 1100, name);
        SetText(&dlg, 1101, "ABCDEFGHIJKLMNOPQRSTU");
        zui::Click(dlg.GetDlgItem(1244));
    });
    Then([&] { zui::PressKey(dlg.GetDlgItem(1100), VK_ESCAPE); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(std::strlen(g_pTradeState->items[0].name), 48u);
    EXPECT_STREQ(g_pTradeState->items[0].code, "ABCDEFGHIJKLMNOPQRS");
}

// What is typed is what is kept: a name takes no more than the 49 bytes of its slot, a code no
// more than 19, and a double-byte character that would not fit whole is not taken.
TEST_F(ItemSetTest, TypedNamesAndCodesStopAtWhatTheirSlotsHold) {
    ItemSetDialog dlg;
    CString shownName, shownCode;
    Then([&] {
        SetText(&dlg, 1100, "");
        SetText(&dlg, 1101, "");
        CString name;
        for (int i = 0; i < 25; ++i)
            name += "가";
        zui::TypeText(dlg.GetDlgItem(1100), name + "xy");
        zui::TypeText(dlg.GetDlgItem(1101), "ABCDEFGHIJKLMNOPQRSTU");
    });
    Then([&] {
        shownName = zui::ShownText(dlg.GetDlgItem(1100));
        shownCode = zui::ShownText(dlg.GetDlgItem(1101));
        zui::Click(dlg.GetDlgItem(1244));
    });
    Then([&] { zui::PressKey(dlg.GetDlgItem(1100), VK_ESCAPE); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    CString expected;
    for (int i = 0; i < 24; ++i)
        expected += "가";
    EXPECT_EQ(shownName, expected + "x");
    EXPECT_EQ(shownCode, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(CString(g_pTradeState->items[0].name), shownName);
    EXPECT_EQ(CString(Stored(0).code), shownCode);
}

} // namespace

// A save the store could not keep is told, as the settings panel tells its own; the dialog
// stays open and the trading state keeps the texts for this run.
TEST_F(ItemSetTest, AFailedSaveIsToldAndTheDialogStaysOpen) {
    const std::string store = HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
    ItemSetDialog dlg;
    Then([&] {
        std::filesystem::rename(store, store + ".away");
        std::filesystem::create_directory(store);
        SetText(&dlg, 1101, "NQH21");
        zui::Click(dlg.GetDlgItem(1244));
    });
    Then([&] {
        EXPECT_NE(FindTopLevel("종목설정"), nullptr);
        zui::PressKey(dlg.GetDlgItem(1100), VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text,
              std::string(kBaseFolder) +
                  "\\DataBase\\db_Velmora.db 파일에 종목설정을 저장하지 못했습니다.\n종목설정은 이번 "
                  "실행에만 쓰이고 저장되지 않았습니다.");
    EXPECT_EQ(m_boxes[0].type & MB_ICONMASK, MB_ICONSTOP);
    EXPECT_STREQ(g_pTradeState->items[0].code, "NQH21");
    std::filesystem::remove(store);
    std::filesystem::rename(store + ".away", store);
    EXPECT_STREQ(Stored(0).code, "C0");
}
