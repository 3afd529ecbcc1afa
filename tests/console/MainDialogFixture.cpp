#include "MainDialogFixture.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "console/VossenApp.h"
#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "store/TradeDataBase.h"
#include "supervision/TraderMessages.h"

EngineWindow::EngineWindow(const char* title) {
    CreateEx(0, title, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
}

EngineWindow::~EngineWindow() {
    DestroyWindow();
}

int EngineWindow::Count(UINT message) const {
    int n = 0;
    for (UINT m : received)
        n += m == message;
    return n;
}

LRESULT EngineWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_TRADER_EXIT)
        received.push_back(message);
    return CWnd::WindowProc(message, wParam, lParam);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void MainDialogTest::SetUp() {
    Sys().sleepMs = [](unsigned) {};
    drive.MakeBaseFolder();
    theApp.InitEnvironment();
    StoreLoginValues(0, "trader1", "pw1", "cert1", "11110001", "0001", 1, "trader2", "pw2", "cert2",
                     "22220002", "0002", "NQM25", "", "");
    ms = std::make_unique<EngineWindow>(kTraderTitleMs);
    md = std::make_unique<EngineWindow>(kTraderTitleMd);
    dlg = std::make_unique<TestVossenDlg>();
}

void MainDialogTest::TearDown() {
    dlg.reset();
    ms.reset();
    md.reset();
    ShutdownCleanup();
}

INT_PTR MainDialogTest::Run(const std::function<void()>& body) {
    zui::WhenIdle([this, body] {
        body();
        Settle();
        MSG next;
        const bool quit = PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) && next.message == WM_QUIT;
        if (!dlg->ended && !quit)
            dlg->EndDialog(kEndedByTest);
        // Settle may have taken the wake-up of an end that happened inside it.
        PostMessageA(nullptr, WM_NULL, 0, 0);
    });
    INT_PTR result = dlg->DoModal();
    // A quit that ended the dialog goes on outward; no loop is left to take it here.
    Settle();
    MSG next;
    if (PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) && next.message == WM_QUIT)
        PeekMessageA(&next, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(zui::PendingIdleSteps(), 0);
    return result;
}

void MainDialogTest::ConnectEngines() {
    dlg->SendMessage(WM_TRADER_STARTED, 1, 0);
    dlg->SendMessage(WM_TRADER_STARTED, 0, 0);
    Settle();
    ms->received.clear();
    md->received.clear();
}

void MainDialogTest::Settle() {
    zui::ProcessEvents();
}

int CountPixels(CWnd* wnd, const RECT& rect, const std::function<bool(COLORREF)>& match) {
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            n += match(zui::GetWindowPixel(wnd, x, y));
    return n;
}

int CountPixels(CWnd* wnd, const RECT& rect, COLORREF colour, int tolerance) {
    return CountPixels(wnd, rect, [&](COLORREF c) { return Near(c, colour, tolerance); });
}

bool Reddish(COLORREF c) {
    return GetRValue(c) - std::max(GetGValue(c), GetBValue(c)) > 60;
}

bool Bluish(COLORREF c) {
    return GetBValue(c) - std::max(GetRValue(c), GetGValue(c)) > 60;
}

bool Neutral(COLORREF c, int darkest, int lightest) {
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return std::abs(r - g) < 8 && std::abs(g - b) < 8 && r >= darkest && r <= lightest;
}

std::function<bool(COLORREF)> NearerTo(COLORREF text, COLORREF background) {
    auto distance = [](COLORREF a, COLORREF b) {
        int dr = GetRValue(a) - GetRValue(b), dg = GetGValue(a) - GetGValue(b),
            db = GetBValue(a) - GetBValue(b);
        return dr * dr + dg * dg + db * db;
    };
    return [=](COLORREF c) { return distance(c, text) < distance(c, background); };
}

RECT InnerRect(CWnd* wnd, int inset) {
    RECT r = zui::WidgetRect(wnd);
    return RECT{inset, inset, r.right - r.left - inset, r.bottom - r.top - inset};
}

void SaveScreen(CWnd* wnd, const char* name) {
    std::string path = std::string(ZORVIK_BUILD_DIR) + "/artifacts/screens/" + name + ".png";
    EXPECT_TRUE(zui::SaveWindowImage(wnd, path.c_str())) << path;
    // Every text shown whole, ascenders and descenders included.
    for (CWnd* control : wnd->GetChildren())
        EXPECT_EQ(zui::TextOverflow(control), 0) << name << ": control " << control->GetDlgCtrlID() << " \""
                                                 << AnsiToHostUtf8(control->StoredText()) << "\"";
}
