#include "dialogs/RootConfirmDlg.h"
#include "DialogFixture.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

namespace {

class RootConfirmTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartEnvironment();
    }

    // Runs the prompt: types `typed`, then `finish` ends it; returns DoModal's result.
    INT_PTR Run(const char* typed, std::function<void(CRootConfirmDlg&)> finish) {
        CRootConfirmDlg dlg;
        Then([&] { zui::TypeText(dlg.GetDlgItem(1100), typed); });
        Then([&] { finish(dlg); });
        return dlg.DoModal();
    }
    static void ClickOk(CRootConfirmDlg& dlg) { zui::Click(dlg.GetDlgItem(IDOK)); }
};

TEST_F(RootConfirmTest, AccessCodeGivesTwoWhateverTheCallNumber) {
    EXPECT_EQ(Run(kAdminAccessCode, ClickOk), 2);
    // Even when the stored call number is the access code itself.
    CTradeDataBase::SaveAccount(1, "id", "pw", "", "123", "0472", 1, "id2", "pw2", "", "456", "0472", "NQZ20",
                                "", kAdminAccessCode);
    EXPECT_EQ(Run(kAdminAccessCode, ClickOk), 2);
    EXPECT_EQ(g_pTradeState->call_number, kAdminAccessCode);
}

TEST_F(RootConfirmTest, StoredCallNumberGivesOneOnlyWhenTypedExactly) {
    CTradeDataBase::SaveAccount(1, "id", "pw", "", "123", "0472", 1, "id2", "pw2", "", "456", "0472", "NQZ20",
                                "", "Call77");
    EXPECT_EQ(Run("Call77", ClickOk), 1);
    EXPECT_EQ(g_pTradeState->call_number, "Call77");
    EXPECT_EQ(Run("Call77 ", ClickOk), 0);
    EXPECT_EQ(Run("call77", ClickOk), 0);
    EXPECT_EQ(Run("", ClickOk), 0);
}

TEST_F(RootConfirmTest, EmptyTextWithoutStoredCallNumberGivesZero) {
    EXPECT_EQ(Run("", ClickOk), 0);
    EXPECT_TRUE(g_pTradeState->call_number.IsEmpty());
    EXPECT_TRUE(m_boxes.empty()) << "the prompt shows no message of its own";
}

TEST_F(RootConfirmTest, EnterAndF8CheckLikeOk) {
    EXPECT_EQ(Run(kAdminAccessCode, [](CRootConfirmDlg& dlg) { zui::PressKey(dlg.GetDlgItem(1100), VK_F8); }),
              2);
    EXPECT_EQ(
        Run(kAdminAccessCode, [](CRootConfirmDlg& dlg) { zui::PressKey(dlg.GetDlgItem(1100), VK_RETURN); }),
        2);
}

// The access level 2 is the number of IDCANCEL: every way of cancelling must give 0.
TEST_F(RootConfirmTest, CancelEscapeAndCloseBoxGiveZeroAndLeaveTheCallNumber) {
    g_pTradeState->call_number = "untouched";
    EXPECT_EQ(Run(kAdminAccessCode, [](CRootConfirmDlg& dlg) { zui::Click(dlg.GetDlgItem(IDCANCEL)); }), 0);
    EXPECT_EQ(
        Run(kAdminAccessCode, [](CRootConfirmDlg& dlg) { zui::PressKey(dlg.GetDlgItem(1100), VK_ESCAPE); }),
        0);
    EXPECT_EQ(Run(kAdminAccessCode, [](CRootConfirmDlg& dlg) { zui::ClickCloseBox(&dlg); }), 0);
    EXPECT_EQ(g_pTradeState->call_number, "untouched");
}

TEST_F(RootConfirmTest, TypingStopsAtTwentyCharactersAndFocusStartsOnOk) {
    CRootConfirmDlg dlg;
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(IDOK)));
        zui::TypeText(dlg.GetDlgItem(1100), "abcdefghijklmnopqrstuvwxy");
    });
    Then([&] {
        EXPECT_EQ(Text(&dlg, 1100), "abcdefghijklmnopqrst");
        EXPECT_EQ(zui::ShownText(dlg.GetDlgItem(1100)).Find("abc"), -1) << "the password is masked";
        CWnd* label = nullptr;
        for (CWnd* child : dlg.GetChildren())
            if (child->StoredText() == "PASSWORD :")
                label = child;
        ASSERT_TRUE(label);
        EXPECT_EQ(zui::ShownText(label), "PASSWORD :") << "the label is seen whole";
        Screenshot(&dlg, "rootconfirm-typed");
        zui::Click(dlg.GetDlgItem(IDCANCEL));
    });
    EXPECT_EQ(dlg.DoModal(), 0);
}

} // namespace
