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

TEST_F(MainDialogTest, EnterInAnEditEndsTheDialogWithoutAskingTheEngines) {
    INT_PTR result = Run([&] {
        ConnectEngines();
        zui::PressKey(&dlg->m_editInTickS, VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(ms->Count(WM_TRADER_EXIT), 0);
    EXPECT_EQ(md->Count(WM_TRADER_EXIT), 0);
}
