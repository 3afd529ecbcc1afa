// Windows built from templates: dialog units, placement, topmost, icons.
#include <time.h>

#include "FontProbe.h"
#include "TestDialogs.h"
#include "UiFixture.h"
#include "uitest/UiTest.h"
#include "platform/win/MessageLoop.h"

using WindowTest = UiTest;

TEST_F(WindowTest, DialogUnitsConvertWithTheBaseUnitsOfNanumGothic) {
    CControlsDlg dlg;
    SIZE base{};
    RECT client{}, edit{}, expectedEdit{}, button{}, expectedButton{};
    zui::WhenIdle([&] {
        base = zui::DialogBaseUnits(&dlg);
        dlg.GetClientRect(&client);
        edit = zui::WidgetRect(dlg.GetDlgItem(1010));
        expectedEdit = zui::MapDialogRect(&dlg, RECT{50, 5, 110, 17});
        button = zui::WidgetRect(dlg.GetDlgItem(IDCANCEL));
        expectedButton = zui::MapDialogRect(&dlg, RECT{170, 140, 215, 154});
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    // "MS Shell Dlg" 9 point is NanumGothic of 12 pixels; the average width is the 52 letters'
    // width / 26, halved with rounding, the height the font's.
    FontProbe probe = ProbeFont("NanumGothic", 12);
    EXPECT_EQ(probe.family, "NanumGothic");
    EXPECT_EQ(base.cx, (probe.lettersWidth / 26 + 1) / 2);
    EXPECT_EQ(base.cy, probe.height);
    EXPECT_EQ(client.right, (220 * base.cx + 2) / 4);
    EXPECT_EQ(client.bottom, (160 * base.cy + 4) / 8);
    EXPECT_EQ(expectedEdit.left, (50 * base.cx + 2) / 4);
    EXPECT_EQ(expectedEdit.top, (5 * base.cy + 4) / 8);
    EXPECT_EQ(edit.left, expectedEdit.left);
    EXPECT_EQ(edit.top, expectedEdit.top);
    EXPECT_EQ(edit.right, expectedEdit.right);
    EXPECT_EQ(edit.bottom, expectedEdit.bottom);
    EXPECT_EQ(button.left, expectedButton.left);
    EXPECT_EQ(button.bottom, expectedButton.bottom);
}

TEST_F(WindowTest, MovesKeepTheSizeAndTopmostToggles) {
    CControlsDlg dlg;
    RECT before{}, after{};
    DWORD topmost = 0, notTopmost = 0;
    HICON icon = nullptr, set = nullptr;
    zui::WhenIdle([&] {
        dlg.GetWindowRect(&before);
        dlg.SetWindowPos(nullptr, 750, 28, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        dlg.GetWindowRect(&after);
        dlg.SetWindowPos(reinterpret_cast<const CWnd*>(HWND_TOPMOST), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        topmost = dlg.GetExStyle() & WS_EX_TOPMOST;
        dlg.SetWindowPos(reinterpret_cast<const CWnd*>(HWND_NOTOPMOST), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        notTopmost = dlg.GetExStyle() & WS_EX_TOPMOST;
        icon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDB_TESTIMAGE)
                           : LoadIconA(nullptr, MAKEINTRESOURCE(IDB_TESTIMAGE));
        dlg.SetIcon(icon, TRUE);
        set = dlg.GetIcon(TRUE);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(after.left, 750);
    EXPECT_EQ(after.top, 28);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_NE(topmost, 0u);
    EXPECT_EQ(notTopmost, 0u);
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(set, icon);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCE(4242)), nullptr);
}

namespace {
double MonotonicMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Counts the dialog's paints and notes the text its edit showed at the last one.
class CPaintCountDlg : public CControlsDlg {
public:
    int paints = 0;
    CString paintedText;
    // Colour requests of edit 1013: one each time it paints.
    int editPaints = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            ++paints;
            GetDlgItem(1013)->GetWindowText(paintedText);
        }
        if (message == WM_CTLCOLOREDIT && reinterpret_cast<HWND>(lParam) == GetDlgItem(1013)->m_hWnd)
            ++editPaints;
        return CControlsDlg::WindowProc(message, wParam, lParam);
    }
};
} // namespace

// A window invalidated again and again is painted at most once a display frame (60 Hz on the
// offscreen screen), and its final state is painted shortly after the last change.
TEST_F(WindowTest, InvalidationsArePaintedAtMostOnceAFrameAndTheLastOneAlways) {
    CPaintCountDlg dlg;
    int paints = 0;
    double elapsedMs = 0;
    bool finalPainted = false;
    zui::WhenIdle([&] {
        zui::ProcessEvents();
        const int before = dlg.paints;
        const double start = MonotonicMs();
        for (int i = 0; i < 300; ++i) {
            CString text;
            text.Format("%d", i);
            dlg.GetDlgItem(1013)->SetWindowText(text);
            dlg.Invalidate(FALSE);
            zui::ProcessEvents();
        }
        elapsedMs = MonotonicMs() - start;
        paints = dlg.paints - before;
        // The last change is painted once its frame is due (generous limit: a loaded machine).
        const double deadline = MonotonicMs() + 5000;
        while (MonotonicMs() < deadline && !(finalPainted = dlg.paintedText == "299")) {
            zwin::PollFds(5);
            zui::ProcessEvents();
        }
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_TRUE(finalPainted);
    // One frame is 1000/60 ms; the first paint may come at once, one more may close the run.
    EXPECT_LE(paints, static_cast<int>(elapsedMs / (1000.0 / 60.0)) + 2) << "in " << elapsedMs << " ms";
}

// A caret blink repaints a strip of the edit; the edit paints it alone, and its dialog beneath
// gets no WM_PAINT.
TEST_F(WindowTest, AnEditRepaintingPartOfItselfLeavesItsDialogUnpainted) {
    CPaintCountDlg dlg;
    int dialogPaints = -1;
    bool editPainted = false;
    zui::WhenIdle([&] {
        // Until nothing more is painted (a frame's deferred paint included).
        const double settle = MonotonicMs() + 5000;
        for (int seen = -1; seen != dlg.paints + dlg.editPaints && MonotonicMs() < settle;) {
            seen = dlg.paints + dlg.editPaints;
            for (int i = 0; i < 10; ++i) {
                zwin::PollFds(5);
                zui::ProcessEvents();
            }
        }
        CWnd* edit = dlg.GetDlgItem(1013);
        RECT client{};
        edit->GetClientRect(&client);
        const int before = dlg.paints;
        const int editBefore = dlg.editPaints;
        RECT caret{4, 2, 5, client.bottom - 2};
        edit->InvalidateRect(&caret, FALSE);
        const double deadline = MonotonicMs() + 5000;
        while (MonotonicMs() < deadline && !(editPainted = dlg.editPaints > editBefore)) {
            zwin::PollFds(5);
            zui::ProcessEvents();
        }
        dialogPaints = dlg.paints - before;
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_TRUE(editPainted);
    EXPECT_EQ(dialogPaints, 0);
}
