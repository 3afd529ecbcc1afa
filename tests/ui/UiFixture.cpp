#include "UiFixture.h"

#include "platform/ui/MessageBox.h"
#include "platform/ui/UiTest.h"
#include "platform/win/MessageLoop.h"

void UiTest::SetUp() {
    CClock::UseSystem();
    SetMessageBoxResponder([this](const CString& text, const CString& caption, UINT type) {
        m_boxes.push_back(ShownBox{text, caption, type});
        if (m_answers.empty())
            return IDOK;
        int a = m_answers.front();
        m_answers.pop_front();
        return a;
    });
}

void UiTest::TearDown() {
    SetMessageBoxResponder(nullptr);
    EXPECT_EQ(zui::PendingIdleSteps(), 0) << "a scripted step never ran";
    // Nothing of this test may reach the next one.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

std::string UiTest::ScreenPath(const char* name) {
    return std::string(ZORVIK_BUILD_DIR) + "/artifacts/screens/" + name + ".png";
}
