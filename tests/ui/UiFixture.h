// Base of the window tests: a temporary drive C:, message boxes answered by script and
// recorded, screenshots into the build folder's artifacts.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Messages.h"
#include "support/TempDrive.h"

struct ShownBox {
    CString text;
    CString caption;
    UINT type;
};

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The next boxes' answers, in order; a box beyond them is answered IDOK.
    void AnswerBoxes(std::initializer_list<int> answers) { m_answers.insert(m_answers.end(), answers); }
    const std::vector<ShownBox>& Boxes() const { return m_boxes; }
    // <build>/artifacts/screens/<name>.png
    static std::string ScreenPath(const char* name);

private:
    TempDrive m_drive;
    std::deque<int> m_answers;
    std::vector<ShownBox> m_boxes;
};
