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
#include "platform/win/Station.h"
#include "supervision/Launch.h"
#include "supervision/TraderMessages.h"
#include "support/Seconds.h"

namespace {

// Installs a stand-in engine at the engine path that writes its arguments, one a line,
// to a file named after its last argument.
std::string InstallArgumentWriter() {
    const std::string exe = HostPath(kTraderExePath);
    std::ofstream(exe) << "#!/bin/sh\n"
                          "for last; do :; done\n"
                          "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args-$last.tmp\"\n"
                          "mv \"$(dirname \"$0\")/args-$last.tmp\" \"$(dirname \"$0\")/args-$last\"\n";
    chmod(exe.c_str(), 0755);
    return exe.substr(0, exe.rfind('/'));
}

// What the program started with last argument `last` was given; waits a bounded time for it.
std::string ArgumentsOf(const std::string& folder, const std::string& last) {
    const std::string path = folder + "/args-" + last;
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        if (in) {
            std::stringstream s;
            s << in.rdbuf();
            return s.str();
        }
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
    zwin::ProcessIdentity started;
    EXPECT_EQ(0u, LaunchProgram(kTraderExePath, "id|pw|c|n|p|0|NQZ20|2|Ms", &started));
    EXPECT_EQ("id|pw|c|n|p|0|NQZ20|2|Ms\n", ArgumentsOf(folder, "id|pw|c|n|p|0|NQZ20|2|Ms"));
    EXPECT_GT(started.pid, 0) << "the started process is known";
    EXPECT_NE(started.startTime, 0u);

    // Quotes around the path start the same program.
    const CString quoted = CString("\"\"") + kTraderExePath + "\"";
    EXPECT_EQ(0u, LaunchProgram(quoted, "two words"));
    EXPECT_EQ("two\nwords\n", ArgumentsOf(folder, "words"));

    EXPECT_EQ(ERROR_INVALID_PARAMETER, LaunchProgram(nullptr, "x"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LaunchProgram("C:\\nowhere\\none.exe", nullptr, &started));
    EXPECT_EQ(started, zwin::ProcessIdentity{});
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

TEST_F(LinkTest, TheMsEngineStartsFirstAndTheMdEngineWhenMsReports) {
    StoreLoginValues(0, "a", "b", "c", "d", "e", 1, "f", "g", "h", "i", "j", "NQZ20", "", "");
    state->trade_type = 1;
    dlg->BuildLaunchArgs();
    dlg->StartFirstEngine();
    EXPECT_EQ(dlg->starts, std::vector<CString>{"a|b|c|d|e|0|NQZ20|1|Ms"});
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    EXPECT_EQ(dlg->starts, (std::vector<CString>{"a|b|c|d|e|0|NQZ20|1|Ms", "f|g|h|i|j|1|NQZ20|1|Md"}));
}

// Engines started while the console ends would outlive it; without a station they could
// neither report nor be told to exit. Once the way out has begun, a start report is answered
// with the exit.
TEST_F(LinkTest, NoEngineStartsWithoutAWorkingStationOrOnceTheConsoleEnds) {
    ASSERT_EQ(chmod(drive.Station().c_str(), 0755), 0);
    dlg->StartFirstEngine();
    EXPECT_TRUE(dlg->starts.empty());
    ASSERT_EQ(chmod(drive.Station().c_str(), 0700), 0);
    dlg->StartFirstEngine();
    EXPECT_EQ(1u, dlg->starts.size());

    dlg->OnAppExit();
    EXPECT_FALSE(QuitPosted()) << "the started engine runs";
    ms = OpenEngine("Zorvik-MS");
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    Pump();
    EXPECT_EQ(1u, dlg->starts.size()) << "the Md engine was started";
    EXPECT_EQ(std::vector<UINT>{WM_TRADER_EXIT}, ms->Messages());
    SendMessageA(dlg->m_hWnd, WM_TRADER_EXIT, 0, 0);
    EXPECT_TRUE(QuitPosted());
    EXPECT_TRUE(dlg->told.empty());
}

// The close right after an engine was started, before its window is listed (an engine logs in
// at its broker first): the close waits for it, tells it once it is listed, and ends once it
// has gone. One that has not reported after a while is named.
TEST_F(LinkTest, AnEngineStartedButNotListedYetIsToldToExitToo) {
    ForkedEngine engine(dlg.get(), {});
    dlg->starter = [&engine](const CString&, zwin::ProcessIdentity* started) {
        *started = engine.Process();
        return DWORD{0};
    };
    dlg->StartFirstEngine();
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_NE(nullptr, dlg->m_hWnd) << "the close waits for the started engine";
    Advance(CTraderLink::kReportWaitMs);
    EXPECT_FALSE(QuitPosted());
    ASSERT_EQ(1u, dlg->told.size()) << "not reported in time";
    EXPECT_NE(-1,
              dlg->told[0].Find(("Zorvik-MS (pid " + std::to_string(engine.Process().pid) + ")").c_str()));

    engine.Go();
    int status = -1;
    const double end = Seconds() + 20;
    while (!engine.Ended(&status) && Seconds() < end) {
        Advance(CTraderLink::kExitWatchMs);
        zwin::PollFds(10);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the engine was not told to exit";
    const double until = Seconds() + 20;
    while (!QuitPosted() && Seconds() < until) {
        Advance(CTraderLink::kExitWatchMs);
        zwin::PollFds(10);
    }
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(1u, dlg->starts.size());
    EXPECT_EQ(1u, dlg->told.size());
}

} // namespace

namespace {

// Engines an earlier console left: engine windows of other processes, one that never answers
// the exit and one that answers but runs on. The new console names them, tells them, names the
// silent one again when it stays, and starts no engine until both have gone.
TEST_F(LinkTest, AnEngineLeftByAnEarlierConsoleThatStaysIsNamedAndNoEngineStarts) {
    ForkedEngine left(dlg.get(), {.ms = false, .deaf = true});
    ForkedEngine lingering(dlg.get(), {.ms = true, .lingers = true});
    left.Go();
    lingering.Go();
    const double end = Seconds() + 20;
    while ((!FindWindowA(nullptr, kTraderTitleMd) || !FindWindowA(nullptr, kTraderTitleMs)) &&
           Seconds() < end)
        usleep(10 * 1000);
    ASSERT_NE(nullptr, FindWindowA(nullptr, kTraderTitleMd));
    ASSERT_NE(nullptr, FindWindowA(nullptr, kTraderTitleMs));
    dlg->StartFirstEngine();
    const std::string name = "Zorvik-MD (pid " + std::to_string(left.Process().pid) + ")";
    ASSERT_EQ(1u, dlg->told.size());
    EXPECT_NE(-1, dlg->told[0].Find(name.c_str()));
    EXPECT_NE(-1,
              dlg->told[0].Find(("Zorvik-MS (pid " + std::to_string(lingering.Process().pid) + ")").c_str()));
    // The lingering one's answer comes; the silent one is named once it is late.
    auto answered = [&] {
        for (const CEngineRecord& engine : dlg->EngineRecords())
            if (engine.process == lingering.Process())
                return engine.state == EngineState::Gone;
        return false;
    };
    const double end2 = Seconds() + 20;
    while (!answered() && Seconds() < end2) {
        zwin::PollFds(10);
        Pump();
    }
    ASSERT_TRUE(answered());
    Advance(CTraderLink::kAnswerWaitMs);
    ASSERT_EQ(2u, dlg->told.size()) << "it stays";
    EXPECT_NE(-1, dlg->told[1].Find(name.c_str()));
    Advance(CTraderLink::kReportWaitMs);
    EXPECT_EQ(2u, dlg->told.size());
    EXPECT_TRUE(dlg->starts.empty());

    // The silent one goes; the one that answered still runs.
    kill(left.Process().pid, SIGKILL);
    for (int i = 0; i < 20; ++i) {
        left.Ended();
        Advance(CTraderLink::kWatchMs);
        usleep(10 * 1000);
    }
    EXPECT_TRUE(dlg->starts.empty()) << "an engine started while one that answered still ran";
    kill(lingering.Process().pid, SIGKILL);
    const double until = Seconds() + 20;
    while (dlg->starts.empty() && Seconds() < until) {
        lingering.Ended();
        Advance(CTraderLink::kWatchMs);
        usleep(10 * 1000);
    }
    EXPECT_EQ(1u, dlg->starts.size()) << "the first engine starts once both have gone";
}

} // namespace
