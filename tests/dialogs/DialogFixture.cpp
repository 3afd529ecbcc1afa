#include "DialogFixture.h"

#include <filesystem>

#include "console/VossenApp.h"
#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Wnd.h"
#include "resources/LoginDialogs.h"

void DialogTest::SetUp() {
    // The shutdown's pause is not waited for.
    Sys().sleepMs = [](unsigned) {};
    RegisterLoginDialogResources();
}

void DialogTest::StartEnvironment(bool withBase) {
    if (withBase)
        m_drive.MakeBaseFolder();
    theApp.InitEnvironment();
    m_started = true;
}

void DialogTest::TearDown() {
    EXPECT_EQ(zui::PendingIdleSteps(), 0) << "the script did not run to its end";
    if (m_started)
        ShutdownCleanup();
    // A quit message left by a test ends no later loop.
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT; ++i) {
    }
}

void DialogTest::Screenshot(CWnd* wnd, const char* name) {
    const std::string folder = std::string(ZORVIK_BUILD_DIR) + "/artifacts/screens";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(SaveWindowImage(wnd, (folder + "/" + name + ".png").c_str())) << name;
    // Every text shown whole, ascenders and descenders included.
    for (CWnd* control : wnd->GetChildren())
        EXPECT_EQ(zui::TextOverflow(control), 0) << name << ": control " << control->GetDlgCtrlID() << " \""
                                                 << AnsiToHostUtf8(control->StoredText()) << "\"";
}

CWnd* DialogTest::FindTopLevel(const char* caption) {
    for (CWnd* wnd : zwin::TopLevelWindows())
        if (wnd->StoredText() == caption)
            return wnd;
    return nullptr;
}

CString DialogTest::Text(CWnd* dialog, int id) {
    CString text;
    dialog->GetDlgItem(id)->GetWindowText(text);
    return text;
}

void DialogTest::SetText(CWnd* dialog, int id, const char* text) {
    dialog->GetDlgItem(id)->SetWindowText(text);
}
