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
    zwin::ProcessIdentity started;
    EXPECT_EQ(0u, LaunchProgram(kTraderExePath, "id|pw|c|n|p|0|NQZ20|2|Ms", &started));
    EXPECT_EQ("id|pw|c|n|p|0|NQZ20|2|Ms", ArgumentsOf(folder, "Ms"));
    EXPECT_GT(started.pid, 0) << "the started process is known";
    EXPECT_NE(started.startTime, 0u);

    // Quotes around the path start the same program.
    const CString quoted = CString("\"\"") + kTraderExePath + "\"";
    EXPECT_EQ(0u, LaunchProgram(quoted, "two words"));
    EXPECT_EQ("two words", ArgumentsOf(folder, "two words"));

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

// Every login text reaches the engine as it was typed: quotes, runs of blanks, backslashes
// and Hangul included.
TEST_F(LinkTest, TheMsEngineStartsFirstAndTheMdEngineWhenMsReports) {
    const std::string folder = InstallArgumentWriter();
    // The texts really travel to a started program; this process stands for both engines.
    dlg->starter = [](const CString& args, zwin::ProcessIdentity* started) {
        zwin::ProcessIdentity probe;
        const DWORD result = LaunchProgram(kTraderExePath, args, &probe);
        *started = zwin::IdentifyProcess(getpid());
        return result;
    };
    StoreLoginValues(0, "a", "pa\"ss  w", " c\\\"", "1 2", "e\"", 1, "한글", "비밀 번호", "\"h\"", "i", "j  ",
                     "NQZ20", "", "");
    state->trade_type = 1;
    dlg->BuildLaunchArgs();
    ASSERT_EQ(CString("a|pa\"ss  w| c\\\"|1 2|e\"|0|NQZ20|1|Ms"), dlg->m_strLaunchArgMs);
    dlg->StartFirstEngine();
    EXPECT_EQ(dlg->starts, std::vector<CString>{dlg->m_strLaunchArgMs});
    EXPECT_EQ(AnsiToHostUtf8(dlg->m_strLaunchArgMs), ArgumentsOf(folder, "Ms"));
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    EXPECT_EQ(dlg->starts, (std::vector<CString>{dlg->m_strLaunchArgMs, dlg->m_strLaunchArgMd}));
    EXPECT_EQ(AnsiToHostUtf8("한글|비밀 번호|\"h\"|i|j  |1|NQZ20|1|Md"), ArgumentsOf(folder, "Md"));
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
