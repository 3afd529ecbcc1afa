#include <cstring>
#include <vector>

#include "MainDialogFixture.h"
#include "MenuText.h"
#include "supervision/TraderMessages.h"

TEST_F(MainDialogTest, MenuShowsItsTextsWithoutTheMnemonicMarks) {
    Run([&] {
        const std::vector<CString> expected = {"프로그램",      "끝내기(X)", "설정",
                                               "공통사항 설정", "정보",      "Zorvik 마스터 버전(A)"};
        EXPECT_EQ(ShownMenuTexts(dlg.get()), expected);
    });
}

TEST_F(MainDialogTest, EnterInAnyEditLeavesTheDialogRunning) {
    INT_PTR result = Run([&] {
        ConnectEngines();
        int edits = 0;
        for (const DialogItemTemplate& item : FindDialogTemplate(CVossenDlg::IDD)->items) {
            CWnd* edit = dlg->GetDlgItem(item.id);
            if (std::strcmp(item.className, WC_EDIT) != 0 || !edit->IsWindowEnabled())
                continue;
            zui::PressKey(edit, VK_RETURN);
            Settle();
            EXPECT_FALSE(dlg->ended) << "Enter in edit " << item.id;
            ++edits;
        }
        EXPECT_GE(edits, 20);
    });
    EXPECT_EQ(result, kEndedByTest);
    EXPECT_EQ(ms->Count(WM_TRADER_EXIT), 0);
    EXPECT_EQ(md->Count(WM_TRADER_EXIT), 0);
}
