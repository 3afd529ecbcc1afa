#include "UiFixture.h"

#include "platform/ui/MessageBox.h"
#include "uitest/UiTest.h"
#include "platform/win/MessageLoop.h"

void UiTest::SetUp() {
    CClock::UseSystem();
}

void UiTest::TearDown() {
    EXPECT_EQ(zui::PendingIdleSteps(), 0) << "a scripted step never ran";
    // Nothing of this test may reach the next one.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

std::string UiTest::ScreenPath(const char* name) {
    return std::string(ZORVIK_BUILD_DIR) + "/artifacts/screens/" + name + ".png";
}
