#include "TestDialogs.h"
#include "UiFixture.h"
#include "platform/ui/UiTest.h"

using DialogTest = UiTest;

TEST_F(DialogTest, EscapeEndsWithCancelAfterShowing) {
    CControlsDlg dlg;
    bool shown = false;
    zui::WhenIdle([&] {
        shown = zui::IsShown(&dlg);
        zui::PressKey(&dlg.m_plain, VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(dlg.m_destroyed);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}
