// A console environment for the dialogs: a temporary drive C: with the base folder, the
// store and the trading state made as at start-up, the dialog templates, and message boxes
// answered and recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Sys.h"
#include "platform/ui/Afx.h"
#include "uitest/UiTest.h"
#include "support/BoxRecorder.h"
#include "support/TempDrive.h"

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Prepares the environment; withBase false leaves the base folder missing.
    void StartEnvironment(bool withBase = true);

    // The message boxes answered so far (IDOK).
    BoxRecorder m_boxes;

    TempDrive m_drive;

    // Saves the window as <build>/artifacts/screens/<name>.png.
    static void Screenshot(CWnd* wnd, const char* name);
    // The top-level window of this process with that caption (code page 949), or null.
    static CWnd* FindTopLevel(const char* caption);
    // Runs the steps one per idle moment of whatever loop waits, after the ones queued.
    static void Then(std::function<void()> step) { zui::WhenIdle(std::move(step)); }
    // Window text of a dialog's control.
    static CString Text(CWnd* dialog, int id);
    static void SetText(CWnd* dialog, int id, const char* text);

private:
    SysCallsOverride m_sys;
    bool m_started = false;
};
