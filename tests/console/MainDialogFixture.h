// The main dialog on a temporary drive C:, with a filled trading state, message boxes
// answered by a responder and two engine windows of this process that record what they get.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <memory>
#include <vector>

#include "console/VossenDlg.h"
#include "platform/core/Sys.h"
#include "support/BoxRecorder.h"
#include "support/TempDrive.h"
#include "uitest/UiTest.h"

// A window titled like an engine, found by FindWindowA like the real one.
class EngineWindow : public CWnd {
public:
    explicit EngineWindow(const char* title);
    ~EngineWindow() override;
    int Count(UINT message) const;
    std::vector<UINT> received;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The main dialog, telling whether it has been ended. Its engines are this process, whose
// windows stand for them; or the engine programs really started; or none can start.
class TestVossenDlg : public CVossenDlg {
public:
    bool ended = false;
    enum class Engines { ThisProcess, Started, None } engines = Engines::ThisProcess;
    void EndModalLoop(int result) override {
        ended = true;
        CVossenDlg::EndModalLoop(result);
    }

protected:
    DWORD StartEngineProgram(const CString& args, zwin::ProcessIdentity* started) override {
        if (engines == Engines::Started)
            return CVossenDlg::StartEngineProgram(args, started);
        if (engines == Engines::None)
            return ERROR_FILE_NOT_FOUND;
        *started = zwin::IdentifyProcess(static_cast<int>(getpid()));
        return 0;
    }
};

// A colour in an image, allowing for the blending at the edges of glyphs.
bool Near(COLORREF a, COLORREF b, int tolerance = 24);

// Pixels of a control (or of a dialog's client area) in the rectangle (control coordinates)
// that are close to `colour`, or for which `match` holds.
int CountPixels(CWnd* wnd, const RECT& rect, COLORREF colour, int tolerance = 40);
int CountPixels(CWnd* wnd, const RECT& rect, const std::function<bool(COLORREF)>& match);
// Glyph edges blend the text colour into the background, so text is told by its hue, or by
// being nearer the text colour than the background.
bool Reddish(COLORREF c);
bool Bluish(COLORREF c);
// Grey (R = G = B) no lighter than `lightest` and no darker than `darkest`.
bool Neutral(COLORREF c, int darkest, int lightest);
std::function<bool(COLORREF)> NearerTo(COLORREF text, COLORREF background);
// The rectangle of the control in its own coordinates, less `inset` pixels on each side.
RECT InnerRect(CWnd* wnd, int inset);
// Writes what the window shows to <build>/artifacts/screens/<name>.png.
void SaveScreen(CWnd* wnd, const char* name);

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the dialog modally: `body` runs once it is up; the dialog is then ended with
    // kEndedByTest unless the body ended it or quit. Returns what DoModal returned.
    static constexpr int kEndedByTest = 77;
    INT_PTR Run(const std::function<void()>& body);
    // Both engines report that they are up, as the handshake has them.
    void ConnectEngines();
    // Handles everything that is waiting, keys and posted messages included.
    static void Settle();

    SysCallsOverride sys;
    TempDrive drive;
    std::unique_ptr<EngineWindow> ms;
    std::unique_ptr<EngineWindow> md;
    std::unique_ptr<TestVossenDlg> dlg;
    // Message boxes, answered IDNO unless a test says otherwise.
    BoxRecorder boxes{IDNO};
};
