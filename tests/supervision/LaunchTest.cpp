#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LinkFixture.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "platform/win/Station.h"
#include "supervision/Launch.h"
#include "supervision/TraderMessages.h"
#include "support/Seconds.h"

namespace {

// Installs a stand-in engine at the engine path that writes the argument text it reads
// (GetCommandLineA) to a file named after the text's last field.
std::string InstallArgumentWriter() {
    const std::string exe = HostPath(kTraderExePath);
    std::remove(exe.c_str());
    EXPECT_EQ(symlink(COMMAND_PROBE, exe.c_str()), 0);
    return exe.substr(0, exe.rfind('/'));
}

// The argument text of the program started with last field `last` (UTF-8); waits a bounded
// time for it.
std::string ArgumentsOf(const std::string& folder, const std::string& last) {
    const std::string path = folder + "/args-" + last;
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        std::string text;
        if (in && std::getline(in, text))
            return text;
        timespec ts{0, 10 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
    return "(not started)";
}

TEST(SplitString, AppendsTheNonEmptyPiecesOnly) {
    CStringArray out;
    out.Add("kept");
    SplitString(out, "||a||b|", "|");
    ASSERT_EQ(3, out.GetSize());
    EXPECT_STREQ("kept", out[0]);
    EXPECT_STREQ("a", out[1]);
    EXPECT_STREQ("b", out[2]);
    SplitString(out, "", "|");
    SplitString(out, "|||", "|");
    EXPECT_EQ(3, out.GetSize());
    SplitString(out, "미니|나스닥", "|");
    ASSERT_EQ(5, out.GetSize());
    EXPECT_STREQ("나스닥", out[4]);
}

TEST_F(LinkTest, LaunchProgramStartsTheProgramWithItsArgumentTextAndReportsFailures) {
    const std::string folder = InstallArgumentWriter();
    EXPECT_EQ(0u, LaunchProgram(kTraderExePath, "id|pw|c|n|p|0|NQZ20|2|Ms"));
    EXPECT_EQ("id|pw|c|n|p|0|NQZ20|2|Ms", ArgumentsOf(folder, "Ms"));

    // Quotes around the path start the same program.
    const CString quoted = CString("\"\"") + kTraderExePath + "\"";
    EXPECT_EQ(0u, LaunchProgram(quoted, "two words"));
    EXPECT_EQ("two words", ArgumentsOf(folder, "two words"));

    EXPECT_EQ(ERROR_INVALID_PARAMETER, LaunchProgram(nullptr, "x"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LaunchProgram("C:\\nowhere\\none.exe", nullptr));
}

// The shell refuses a program it may not run; the plain process start that follows must
// quote the path as one word, or a folder name with a space splits it (file not found).
TEST(LaunchProgram, ThePlainStartQuotesThePathOnceAndReturnsItsError) {
    TempDrive drive;
    const std::string folder = drive.MakeFolder("C:\\sp ace");
    std::ofstream(folder + "/tool.exe") << "#!/bin/sh\n";
    chmod((folder + "/tool.exe").c_str(), 0644);
    EXPECT_EQ(ERROR_ACCESS_DENIED, LaunchProgram("C:\\sp ace\\tool.exe", nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, LaunchProgram("\"\"C:\\sp ace\\tool.exe\"\"", "a b"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LaunchProgram("C:\\sp ace\\none.exe", ""));
}

// Every login text reaches the engine as it was typed: quotes, runs of blanks, backslashes
// and Hangul included.
TEST_F(LinkTest, TheMsEngineStartsFirstAndTheMdEngineWhenMsReports) {
    const std::string folder = InstallArgumentWriter();
    StoreLoginValues(0, "a", "pa\"ss  w", " c\\\"", "1 2", "e\"", 1, "한글", "비밀 번호", "\"h\"", "i", "j  ",
                     "NQZ20", "", "");
    state->trade_type = 1;
    dlg->BuildLaunchArgs();
    ASSERT_EQ(CString("a|pa\"ss  w| c\\\"|1 2|e\"|0|NQZ20|1|Ms"), dlg->m_strLaunchArgMs);
    dlg->StartFirstEngine();
    EXPECT_EQ(AnsiToHostUtf8(dlg->m_strLaunchArgMs), ArgumentsOf(folder, "Ms"));
    ms = OpenEngine("Zorvik-MS");
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    EXPECT_EQ(AnsiToHostUtf8(dlg->m_strLaunchArgMd), ArgumentsOf(folder, "Md"));
    EXPECT_EQ(AnsiToHostUtf8("한글|비밀 번호|\"h\"|i|j  |1|NQZ20|1|Md"), ArgumentsOf(folder, "Md"));
}

// Engines started while the console ends would outlive it; without a station they could
// neither report nor be told to exit.
TEST_F(LinkTest, NoEngineStartsWithoutAWorkingStationOrOnceTheConsoleEnds) {
    // The exit's wait for the started engine's window is not waited here.
    SysCallsOverride sys;
    Sys().sleepMs = [](unsigned) {};
    const std::string folder = InstallArgumentWriter();
    ASSERT_EQ(chmod(drive.Station().c_str(), 0755), 0);
    dlg->m_strLaunchArgMs = "a|b|c|d|e|0|NQZ20|1|refused";
    dlg->StartFirstEngine();
    ASSERT_EQ(chmod(drive.Station().c_str(), 0700), 0);
    dlg->m_strLaunchArgMs = "a|b|c|d|e|0|NQZ20|1|allowed";
    dlg->StartFirstEngine();
    EXPECT_NE("(not started)", ArgumentsOf(folder, "allowed"));

    dlg->m_strLaunchArgMd = "f|g|h|i|j|1|NQZ20|1|after-exit";
    dlg->OnAppExit();
    ms = OpenEngine("Zorvik-MS");
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    EXPECT_EQ(1, dlg->m_nTraderCount);
    // A start made now is seen at once; the two before it would have been seen by then.
    EXPECT_EQ(0u, LaunchProgram(kTraderExePath, "control"));
    EXPECT_NE("(not started)", ArgumentsOf(folder, "control"));
    timespec ts{0, 200 * 1000 * 1000};
    nanosleep(&ts, nullptr);
    std::ifstream refused(folder + "/args-refused");
    std::ifstream afterExit(folder + "/args-after-exit");
    EXPECT_FALSE(refused.is_open());
    EXPECT_FALSE(afterExit.is_open());
}

// The menu's exit (and an end signal) right after an engine was started, before its window
// is listed: it is waited for, and told to exit too.
TEST_F(LinkTest, AnEngineStartedButNotListedYetIsToldToExitToo) {
    SysCallsOverride sys;
    InstallArgumentWriter();
    dlg->m_strLaunchArgMs = "a|b|c|d|e|0|NQZ20|1|Ms";
    dlg->StartFirstEngine();
    // The engine's window comes a moment later, in a process of its own that says whether it
    // was asked to exit.
    int told[2];
    ASSERT_EQ(pipe(told), 0);
    const pid_t engine = fork();
    ASSERT_GE(engine, 0);
    if (engine == 0) {
        close(told[0]);
        usleep(300 * 1000);
        static int answer = told[1];
        class CEngine : public CWnd {
            LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
                if (message == WM_TRADER_EXIT) {
                    ssize_t ignored = write(answer, "x", 1);
                    (void)ignored;
                    _exit(0);
                }
                return CWnd::WindowProc(message, wParam, lParam);
            }
        } window;
        window.CreateEx(0, kTraderTitleMs, WS_POPUP, RECT{}, nullptr, 0);
        for (int i = 0; i < 1000; ++i) {
            zwin::PollFds(10);
            zwin::PumpWaitingMessages();
        }
        _exit(1);
    }
    close(told[1]);
    std::vector<unsigned> pauses;
    static std::vector<unsigned>* s_pauses = &pauses;
    Sys().sleepMs = [](unsigned ms) {
        s_pauses->push_back(ms);
        usleep(ms * 1000);
    };
    dlg->OnAppExit();
    EXPECT_TRUE(QuitPosted());
    EXPECT_FALSE(pauses.empty()) << "the exit waited for the window";
    pollfd p{told[0], POLLIN, 0};
    char c = 0;
    EXPECT_EQ(poll(&p, 1, 10000), 1);
    EXPECT_EQ(read(told[0], &c, 1), 1) << "the engine was not told to exit";
    close(told[0]);
    int status = 0;
    waitpid(engine, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // An engine that has reported is not waited for again, even once it has gone.
    pauses.clear();
    ms = OpenEngine("Zorvik-MS");
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    ms->DestroyWindow();
    dlg->OnAppExit();
    EXPECT_TRUE(pauses.empty());
}

} // namespace

namespace {

// An engine an earlier console left: an engine window of another process that never answers
// the exit. The new console names it, waits for it a bounded time, and starts no engine.
TEST_F(LinkTest, AnEngineLeftByAnEarlierConsoleThatStaysIsNamedAndNoEngineStarts) {
    SysCallsOverride sys;
    const std::string folder = InstallArgumentWriter();
    const pid_t left = fork();
    ASSERT_GE(left, 0);
    if (left == 0) {
        // The copy of the console's window that the fork made is not the console.
        dlg->SetWindowText("");
        CWnd window;
        window.CreateEx(0, kTraderTitleMd, WS_POPUP, RECT{}, nullptr, 0);
        for (int i = 0; i < 3000; ++i) {
            zwin::PollFds(10);
            zwin::PumpWaitingMessages();
        }
        _exit(0);
    }
    const double end = Seconds() + 20;
    while (!FindWindowA(nullptr, kTraderTitleMd) && Seconds() < end)
        usleep(10 * 1000);
    ASSERT_NE(nullptr, FindWindowA(nullptr, kTraderTitleMd));
    std::vector<unsigned> pauses;
    static std::vector<unsigned>* s_pauses = &pauses;
    Sys().sleepMs = [](unsigned ms) { s_pauses->push_back(ms); };
    dlg->m_strLaunchArgMs = "a|b|c|d|e|0|NQZ20|1|left";
    dlg->StartFirstEngine();
    unsigned waited = 0;
    for (unsigned ms : pauses)
        waited += ms;
    EXPECT_GE(waited, 5000u) << "the left engine is given a few seconds";
    ASSERT_EQ(2u, dlg->told.size());
    const std::string name = "Zorvik-MD (pid " + std::to_string(left) + ")";
    EXPECT_NE(-1, dlg->told[0].Find(name.c_str()));
    EXPECT_NE(-1, dlg->told[1].Find(name.c_str()));
    EXPECT_EQ("(not started)", ArgumentsOf(folder, "left"));
    kill(left, SIGKILL);
    waitpid(left, nullptr, 0);
}

} // namespace
