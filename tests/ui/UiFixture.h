// Base of the window tests: a temporary drive C:, message boxes answered by script and
// recorded, screenshots into the build folder's artifacts.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/BoxRecorder.h"
#include "support/TempDrive.h"

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // <build>/artifacts/screens/<name>.png
    static std::string ScreenPath(const char* name);

    // Answered IDOK unless a test says otherwise.
    BoxRecorder boxes;

private:
    TempDrive m_drive;
};
