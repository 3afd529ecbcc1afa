// The console's side against real engine processes: launch and handshake, commands, the
// way out, and the five risk rules played from the engines' scenario files. The console's
// clock is manual (its rule timers expire when a test says so); the engines run on real time.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "LinkFixture.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "platform/win/Station.h"
#include "platform/win/StationFiles.h"
#include "supervision/Launch.h"
#include "supervision/TraderMessages.h"
#include "support/Seconds.h"

namespace {

using Commands = std::vector<std::pair<UINT, unsigned long long>>;

// One line of an engine's command log.
struct LogLine {
    std::string direction; // recv, sent, lost, note
    UINT message = 0;
    unsigned long long wParam = 0;
    std::string text;
};

class EngineIntegrationTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        // The engine installed at its path, its command log and scenario per instance.
        const std::string exe = HostPath(kTraderExePath);
        ASSERT_EQ(0, symlink(ZORVIK_ENGINE_EXE, exe.c_str()));
        drive.MakeFolder((std::string(kBaseFolder) + "\\DataBase").c_str());
        setenv("ZORVIK_ENGINE_LOG", (drive.Root() + "/engine-{mode}.log").c_str(), 1);
        setenv("ZORVIK_ENGINE_SCENARIO", (drive.Root() + "/scenario-{mode}.txt").c_str(), 1);
        StoreLoginValues(1, "ms-user", "pw", "cert", "111", "1111", 1, "md-user", "pw2", "cert2", "222",
                         "2222", "NQZ20", "", "");
        state->trade_type = 2;
        dlg->BuildLaunchArgs();
        dlg->starter = [this](const CString& args, zwin::ProcessIdentity* started) {
            const DWORD error = CTestMainDlg::StartReally(args, started);
            if (error == 0)
                engines.push_back({*started, args.Right(2) == "Ms"});
            return error;
        };
    }

    // Another main dialog with the same link, as a new console would have; the fixture's own
    // dialog loses its title meanwhile.
    std::unique_ptr<CTestMainDlg> NewLink() {
        dlg->SetWindowText("");
        auto link = std::make_unique<CTestMainDlg>();
        EXPECT_TRUE(link->CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0));
        link->m_strLaunchArgMs = dlg->m_strLaunchArgMs;
        link->m_strLaunchArgMd = dlg->m_strLaunchArgMd;
        link->starter = dlg->starter;
        return link;
    }

    void TearDown() override {
        // Whatever a test left running is asked to leave, and then made to.
        dlg->SendByTitle(WM_TRADER_EXIT, 0);
        PumpUntil([] { return !FindWindowA(nullptr, "Zorvik-MS") && !FindWindowA(nullptr, "Zorvik-MD"); },
                  10);
        for (const Started& engine : engines)
            if (zwin::ProcessLives(engine.process))
                kill(engine.process.pid, SIGKILL);
        unsetenv("ZORVIK_ENGINE_LOG");
        unsetenv("ZORVIK_ENGINE_SCENARIO");
        unsetenv("ZORVIK_ENGINE_START_DELAY_MS");
        LinkTest::TearDown();
    }

    // An engine started as an earlier console would have started it.
    zwin::ProcessIdentity StartEngineAlone(const CString& args) {
        zwin::ProcessIdentity started;
        EXPECT_EQ(0u, LaunchProgram(kTraderExePath, args, &started));
        engines.push_back({started, args.Right(2) == "Ms"});
        return started;
    }
    // How many engine processes of each kind run now (Ms, Md), of all those started here.
    std::pair<int, int> Running() const {
        std::pair<int, int> count{0, 0};
        for (const Started& engine : engines)
            if (zwin::ProcessLives(engine.process))
                ++(engine.ms ? count.first : count.second);
        return count;
    }
    bool EnginesGone() const { return Running() == std::pair<int, int>{0, 0}; }

    // Pumps as PumpUntil does, the console's clock following the real one, so that its watch
    // runs as it would; cond is also checked at every step.
    bool WatchUntil(const std::function<bool()>& cond, double seconds) {
        const double start = Seconds();
        std::uint64_t advanced = 0;
        return PumpUntil(
            [&] {
                const auto elapsed = static_cast<std::uint64_t>((Seconds() - start) * 1000);
                CClock::Advance(elapsed - advanced);
                advanced = elapsed;
                return cond();
            },
            seconds);
    }

    // Every engine process started here, in order, and whether it is an Ms engine.
    struct Started {
        zwin::ProcessIdentity process;
        bool ms;
    };
    std::vector<Started> engines;

    // Scenario lines of one instance; a last exit keeps a failed test from leaving it behind.
    void Scenario(const char* mode, const std::string& lines) {
        std::ofstream(drive.Root() + "/scenario-" + mode + ".txt") << lines << "at 30000 exit\n";
    }

    // Handles what arrives (waiting on the station) until cond holds or the time is up.
    bool PumpUntil(const std::function<bool()>& cond, double seconds) {
        const double end = Seconds() + seconds;
        for (;;) {
            zwin::PumpWaitingMessages();
            if (cond())
                return true;
            if (Seconds() > end)
                return false;
            zwin::PollFds(20);
        }
    }

    std::vector<LogLine> Log(const char* mode) {
        std::vector<LogLine> out;
        std::ifstream in(drive.Root() + "/engine-" + mode + ".log");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream s(line);
            std::string ms, who, pid, name, lParam;
            LogLine l;
            s >> ms >> who >> pid >> l.direction >> l.message >> name >> l.wParam >> lParam;
            std::getline(s >> std::ws, l.text);
            out.push_back(l);
        }
        return out;
    }

    // The commands an engine received, in order, with their wParam.
    Commands Received(const char* mode) {
        Commands out;
        for (const LogLine& l : Log(mode))
            if (l.direction == "recv")
                out.emplace_back(l.message, l.wParam);
        return out;
    }

    bool HasReceived(const char* mode, UINT message) {
        for (auto& r : Received(mode))
            if (r.first == message)
                return true;
        return false;
    }

    // Starts the Ms engine as the dialog does and waits for the handshake to complete.
    void Handshake() {
        dlg->StartFirstEngine();
        ASSERT_TRUE(PumpUntil([&] { return dlg->m_nTraderCount == 2; }, 15))
            << "count " << dlg->m_nTraderCount;
        EXPECT_NE(nullptr, dlg->m_hTraderMs);
        EXPECT_NE(nullptr, dlg->m_hTraderMd);
        EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), dlg->m_hTraderMs);
        EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MD"), dlg->m_hTraderMd);
    }
};

TEST_F(EngineIntegrationTest, HandshakeCommandsAndCloseWaitForBothEngines) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    Handshake();
    ASSERT_TRUE(PumpUntil([&] { return HasReceived("Ms", WM_TRADER_STARTED); }, 5));
    EXPECT_EQ((Commands{{WM_TRADER_STARTED, 0}}), Received("Ms"));
    EXPECT_TRUE(Received("Md").empty());
    EXPECT_EQ(1, dlg->fills);

    for (int id : {1177, 1178, 1055})
        SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    ASSERT_TRUE(PumpUntil([&] { return HasReceived("Md", WM_TRADER_LIQUIDATE_ALL); }, 5));
    PumpUntil([&] { return HasReceived("Ms", WM_TRADER_LIQUIDATE_ALL); }, 5);
    EXPECT_EQ(
        (Commands{
            {WM_TRADER_STARTED, 0}, {WM_TRADER_START, 0}, {WM_TRADER_STOP, 0}, {WM_TRADER_LIQUIDATE_ALL, 0}}),
        Received("Ms"));
    EXPECT_EQ((Commands{{WM_TRADER_START, 0}, {WM_TRADER_STOP, 0}, {WM_TRADER_LIQUIDATE_ALL, 0}}),
              Received("Md"));

    // Close: both are asked; the dialog ends once both have ended (at once, when they were
    // quicker than the close itself).
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WatchUntil([&] { return QuitPosted() || !dlg->m_hWnd; }, 10));
    EXPECT_TRUE(EnginesGone());
    EXPECT_TRUE(HasReceived("Ms", WM_TRADER_EXIT));
    EXPECT_TRUE(HasReceived("Md", WM_TRADER_EXIT));
    EXPECT_TRUE(PumpUntil(
        [] { return !FindWindowA(nullptr, "Zorvik-MS") && !FindWindowA(nullptr, "Zorvik-MD"); }, 10));
}

// The menu's exit (as the end signals) waits for the engines it started: a stopped one keeps
// the console open, is named once it has not answered in time, and ends it once it answers.
TEST_F(EngineIntegrationTest, MenuExitWaitsForEveryEngineItStartedAndNamesOneThatDoesNotAnswer) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    Handshake();
    const zwin::ProcessIdentity ms = engines.at(0).process;
    ASSERT_EQ(kill(ms.pid, SIGSTOP), 0);
    SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(32775, 0), 0);
    EXPECT_TRUE(WatchUntil(
        [&] {
            return Running() == std::pair<int, int>{1, 0};
        },
        10))
        << "the Md engine ends";
    EXPECT_FALSE(QuitPosted()) << "the stopped engine still runs";
    EXPECT_TRUE(dlg->told.empty());
    CClock::Advance(CTraderLink::kAnswerWaitMs);
    Pump();
    ASSERT_EQ(1u, dlg->told.size());
    EXPECT_NE(-1, dlg->told[0].Find(("Zorvik-MS (pid " + std::to_string(ms.pid) + ")").c_str()));
    EXPECT_FALSE(QuitPosted());

    ASSERT_EQ(kill(ms.pid, SIGCONT), 0);
    EXPECT_TRUE(WatchUntil([&] { return QuitPosted(); }, 10));
    EXPECT_TRUE(EnginesGone());
    EXPECT_TRUE(HasReceived("Ms", WM_TRADER_EXIT));
    EXPECT_TRUE(HasReceived("Md", WM_TRADER_EXIT));
    EXPECT_EQ(1u, dlg->told.size());
}

// A real engine logs in at its broker before it lists its window. A close right after the
// start waits for it, tells it once it is listed, starts nothing after it (its start report
// is answered with the exit) and ends only once it has gone.
TEST_F(EngineIntegrationTest, TheCloseRightAfterTheStartWaitsForASlowEngineAndStartsNothingAfterIt) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    for (const char* delay : {"300", "1500"}) {
        SCOPED_TRACE(delay);
        setenv("ZORVIK_ENGINE_START_DELAY_MS", delay, 1);
        std::unique_ptr<CTestMainDlg> link = NewLink();
        link->StartFirstEngine();
        ASSERT_EQ(1u, link->starts.size());
        SendMessageA(link->m_hWnd, WM_CLOSE, 0, 0);
        EXPECT_NE(nullptr, link->m_hWnd) << "the started engine is waited for";
        std::vector<std::pair<int, int>> seen;
        EXPECT_TRUE(WatchUntil(
            [&] {
                if (seen.empty() || seen.back() != Running())
                    seen.push_back(Running());
                return !link->m_hWnd || QuitPosted();
            },
            20));
        EXPECT_TRUE(EnginesGone());
        EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 0}, {0, 0}})) << "engines running over time";
        EXPECT_EQ(1u, link->starts.size()) << "no Md engine after the close";
        EXPECT_TRUE(HasReceived("Ms", WM_TRADER_EXIT));
        EXPECT_TRUE(link->told.empty());
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        link->DestroyWindow();
        dlg->SetWindowText("Zorvik-Master");
        std::remove((drive.Root() + "/engine-Ms.log").c_str());
        engines.clear();
    }
}

// Engines an earlier console left, found in the station's record while still starting or as
// windows (two of one title): each is named and told, and this console's first engine starts
// only once all have gone, so that no two engines of one account ever run.
TEST_F(EngineIntegrationTest, EnginesAnEarlierConsoleLeftAreAllNamedToldAndOutlivedBeforeTheFirstStarts) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    const zwin::ProcessIdentity listedFirst = StartEngineAlone("a|b|c|d|e|1|NQZ20|2|Ms");
    const zwin::ProcessIdentity listedSecond = StartEngineAlone("a|b|c|d|e|1|NQZ20|2|Ms");
    ASSERT_TRUE(PumpUntil([] { return zwin::FindWindows(kTraderTitleMs).size() == 2; }, 10));
    // The earlier console's record of an engine that had not listed its window when it died.
    setenv("ZORVIK_ENGINE_START_DELAY_MS", "1500", 1);
    const zwin::ProcessIdentity starting = StartEngineAlone("a|b|c|d|e|1|NQZ20|2|Ms");
    unsetenv("ZORVIK_ENGINE_START_DELAY_MS");
    std::ofstream(drive.Station() + "/console.engines")
        << "Ms " << starting.pid << " " << starting.startTime << " launched\n";

    ASSERT_EQ(Running(), (std::pair<int, int>{3, 0}));
    dlg->StartFirstEngine();
    ASSERT_EQ(1u, dlg->told.size());
    for (const zwin::ProcessIdentity& left : {listedFirst, listedSecond, starting})
        EXPECT_NE(-1, dlg->told[0].Find(("Zorvik-MS (pid " + std::to_string(left.pid)).c_str())) << left.pid;
    EXPECT_TRUE(dlg->starts.empty());
    std::vector<std::pair<int, int>> seen{Running()};
    bool together = false;
    ASSERT_TRUE(WatchUntil(
        [&] {
            if (seen.back() != Running())
                seen.push_back(Running());
            together = together || (!dlg->starts.empty() &&
                                    std::any_of(engines.begin(), engines.begin() + 3, [](const Started& e) {
                                        return zwin::ProcessLives(e.process);
                                    }));
            return dlg->m_nTraderCount == 2;
        },
        20));
    EXPECT_FALSE(together) << "this console's engine started while a left one ran";
    EXPECT_EQ(seen.back(), (std::pair<int, int>{1, 1}));
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_LE(seen[i].first + seen[i].second, 3) << "engines running over time";
    for (const zwin::ProcessIdentity& left : {listedFirst, listedSecond, starting})
        EXPECT_FALSE(zwin::ProcessLives(left));
    EXPECT_EQ(1u, dlg->told.size());

    // This console's engines are in the station's record, readable by this user only.
    std::string record;
    ASSERT_TRUE(zwin::ReadStationFile(kEngineRecordFile, &record));
    for (const CEngineRecord& engine : dlg->EngineRecords()) {
        if (engine.left)
            continue;
        EXPECT_NE(record.find(std::string(engine.ms ? "Ms " : "Md ") + std::to_string(engine.process.pid) +
                              " " + std::to_string(engine.process.startTime)),
                  std::string::npos)
            << record;
    }
    struct stat st;
    ASSERT_EQ(stat((drive.Station() + "/console.engines").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// An engine that is not there is named once, with how it ended, and nothing is started again:
// an Md engine that refuses its argument before its handshake, an Ms engine killed during the
// day. A later program that got a dead engine's pid holds up no way out.
TEST_F(EngineIntegrationTest, AnEngineThatEndsUnaskedIsNamedWithHowItEndedAndNothingStartsAgain) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    dlg->m_strLaunchArgMd = "md-user|p|w2|cert2|222|2222|1|NQZ20|2|Md"; // ten fields: refused
    dlg->StartFirstEngine();
    ASSERT_TRUE(WatchUntil([&] { return dlg->told.size() == 1; }, 15));
    ASSERT_EQ(2u, engines.size());
    const std::string md = "Zorvik-MD (pid " + std::to_string(engines[1].process.pid) + ", 종료 코드 2)";
    EXPECT_NE(-1, dlg->told[0].Find(md.c_str())) << AnsiToHostUtf8(dlg->told[0]);
    EXPECT_EQ(1, dlg->m_nTraderCount);

    const zwin::ProcessIdentity ms = engines[0].process;
    ASSERT_EQ(kill(ms.pid, SIGKILL), 0);
    ASSERT_TRUE(WatchUntil([&] { return dlg->told.size() == 2; }, 15));
    const std::string killed = "Zorvik-MS (pid " + std::to_string(ms.pid) + ", 신호 9)";
    EXPECT_NE(-1, dlg->told[1].Find(killed.c_str())) << AnsiToHostUtf8(dlg->told[1]);
    EXPECT_EQ(0, dlg->m_nTraderCount);
    WatchUntil([] { return false; }, 1.5);
    EXPECT_EQ(2u, dlg->starts.size()) << "nothing started again";
    EXPECT_EQ(2u, dlg->told.size()) << "each named once";
    EXPECT_FALSE(QuitPosted()) << "the console stays";

    // Another console's Ms engine is killed, and a later program gets its pid before the
    // console has looked again; the way out neither waits for that program nor says that an
    // engine cannot be told.
    std::unique_ptr<CTestMainDlg> link = NewLink();
    link->m_strLaunchArgMd = "md-user|pw2|cert2|222|2222|1|NQZ20|2|Md";
    link->StartFirstEngine();
    ASSERT_TRUE(PumpUntil([&] { return link->m_nTraderCount == 2; }, 15));
    const zwin::ProcessIdentity ms2 = engines[2].process;
    const zwin::ProcessIdentity md2 = engines[3].process;
    ASSERT_EQ(kill(ms2.pid, SIGKILL), 0);
    ASSERT_EQ(kill(md2.pid, SIGKILL), 0);
    PumpUntil([&] { return !zwin::ProcessLives(ms2) && !zwin::ProcessLives(md2); }, 10);
    {
        static std::string s_stat[2], s_later[2];
        for (int i = 0; i < 2; ++i) {
            const int pid = (i == 0 ? ms2 : md2).pid;
            s_stat[i] = "/proc/" + std::to_string(pid) + "/stat";
            s_later[i] = drive.Root() + "/later-stat-" + std::to_string(i);
            std::ofstream(s_later[i]) << pid << " (sleep) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 1 0 0\n";
        }
        SysCallsOverride sys;
        Sys().open = [](const char* path, int flags, mode_t mode) {
            const char* open = path;
            for (int i = 0; i < 2; ++i)
                if (s_stat[i] == path)
                    open = s_later[i].c_str();
            return ::open(open, flags | O_CLOEXEC, mode);
        };
        SendMessageA(link->m_hWnd, WM_COMMAND, MAKEWPARAM(32775, 0), 0);
        EXPECT_TRUE(QuitPosted()) << "a later program with an engine's pid was waited for";
    }
    EXPECT_TRUE(link->told.empty());
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    link->DestroyWindow();
    dlg->SetWindowText("Zorvik-Master");
}

TEST_F(EngineIntegrationTest, ASendToAnEngineThatDiedIsLostQuietly) {
    Scenario("Ms", "at 1500 exit\n");
    Scenario("Md", "# commands only\n");
    Handshake();
    ASSERT_TRUE(
        PumpUntil([&] { return dlg->m_nTraderCount == 1 && !FindWindowA(nullptr, "Zorvik-MS"); }, 10));
    // Its handle stays; posts to it go nowhere, the other engine still gets its share.
    SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(1177, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return HasReceived("Md", WM_TRADER_START); }, 5));
    EXPECT_FALSE(PostMessageA(dlg->m_hTraderMs, WM_TRADER_START, 0, 0));
}

TEST_F(EngineIntegrationTest, AStoppedEngineHoldsUpNeitherTheConsoleNorItsCommands) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    Handshake();
    ASSERT_TRUE(PumpUntil([&] { return HasReceived("Ms", WM_TRADER_STARTED); }, 5));
    int pid = 0;
    ASSERT_TRUE(zwin::RemoteTarget(dlg->m_hTraderMs, &pid, nullptr));
    struct Stopped {
        int pid;
        ~Stopped() { kill(pid, SIGCONT); }
    } stopped{pid};
    ASSERT_EQ(kill(pid, SIGSTOP), 0);

    // Start and stop fifteen times: thirty commands to each engine, more than a socket holds.
    Commands expected;
    for (int i = 0; i < 15; ++i) {
        SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(1177, BN_CLICKED), 0);
        SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(1178, BN_CLICKED), 0);
        zwin::PumpWaitingMessages();
        expected.push_back({WM_TRADER_START, 0});
        expected.push_back({WM_TRADER_STOP, 0});
    }
    // The running engine has them all while the other is still stopped; the stopped one's
    // wait in the console.
    ASSERT_TRUE(PumpUntil([&] { return Received("Md").size() >= expected.size(); }, 10));
    EXPECT_EQ(expected, Received("Md"));
    EXPECT_GT(zwin::StationPendingCount(), 0u);

    kill(pid, SIGCONT);
    expected.insert(expected.begin(), {WM_TRADER_STARTED, 0});
    EXPECT_TRUE(PumpUntil([&] { return Received("Ms").size() >= expected.size(); }, 20));
    EXPECT_EQ(expected, Received("Ms"));
    EXPECT_EQ(zwin::StationPendingCount(), 0u);
}

// ---------------------------------------------------------------------------------------
// The rules: the Md engine reports once (and perhaps that it stopped); the Ms engine
// reports at the boundary of the rule, then just beyond it. The rule's command must come
// after the record beyond the boundary and not before.

constexpr char kMdInfo[] = "at 0 info 0|0|1|0|0|0|0|0|0|0|0\n";
constexpr char kMdStopped[] = "at 300 update 0|0|1|0|0|0|0|0|0|0|0|0|0|0|1|0\n";

std::string MsUpdate(int atMs, double setPnl, double tradingPnl) {
    char line[160];
    std::snprintf(line, sizeof line, "at %d update 1|0|1|0|0|0|0|0|%.17g|0|%.17g|0|0|0|0|0\n", atMs, setPnl,
                  tradingPnl);
    return line;
}

// The index in the Ms log of the record sent with this text (-1 when none).
int SentAt(const std::vector<LogLine>& log, const std::string& recordPrefix) {
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i].direction == "sent" && log[i].message == WM_COPYDATA &&
            log[i].text.rfind(recordPrefix, 0) == 0)
            return static_cast<int>(i);
    return -1;
}

// Plays the scenario and checks that `message` reached the Ms engine once, after its
// last record and not before.
void ExpectFiredOnlyBeyond(EngineIntegrationTest* t, const std::vector<LogLine>& log, UINT message,
                           const std::string& lastRecord) {
    (void)t;
    const int last = SentAt(log, lastRecord);
    ASSERT_GE(last, 0) << "the last record was not sent";
    int count = 0;
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i].direction == "recv" && log[i].message == message) {
            ++count;
            EXPECT_GT(static_cast<int>(i), last) << "fired before the condition held";
        }
    EXPECT_EQ(1, count);
}

class RuleScenarioTest : public EngineIntegrationTest {
protected:
    // Plays the scenarios and waits until the Ms engine has sent its last record and got
    // what follows from it.
    std::vector<LogLine> Play(const std::string& ms, const std::string& md, UINT expected,
                              const std::string& lastRecord) {
        Scenario("Ms", "at 0 info 1|0|1|0|0|0|0|0|0|0|0\n" + ms);
        Scenario("Md", md);
        Handshake();
        EXPECT_TRUE(PumpUntil([&] { return HasReceived("Ms", expected); }, 10));
        PumpUntil([&] { return SentAt(Log("Ms"), lastRecord) >= 0; }, 5);
        return Log("Ms");
    }
};

TEST_F(RuleScenarioTest, DailyProfitStopFiresJustAboveItsLimitAndIsReleasedByTheEcho) {
    state->day_tot_profit_max_use = 1;
    state->day_tot_profit_max = 1000;
    const std::string beyond = "1|0|1|0|0|0|0|0|0|0|1000.5";
    auto log =
        Play(MsUpdate(800, 0, 1000) + MsUpdate(1200, 0, 1000.5), kMdInfo, WM_TRADER_DAY_PROFIT_STOP, beyond);
    ExpectFiredOnlyBeyond(this, log, WM_TRADER_DAY_PROFIT_STOP, beyond);
    EXPECT_TRUE(PumpUntil([&] { return HasReceived("Md", WM_TRADER_DAY_PROFIT_STOP); }, 5));
    EXPECT_TRUE(PumpUntil([&] { return state->pending_day_profit_stop == 0; }, 5)) << "both echoes";
}

TEST_F(RuleScenarioTest, DailyLossStopSparesTheStoppedEngineAndIsReleasedByTheEcho) {
    state->day_tot_loss_max_use = 1;
    state->day_tot_loss_max = 300;
    const std::string beyond = "1|0|1|0|0|0|0|0|0|0|-300.5";
    auto log = Play(MsUpdate(800, 0, -300) + MsUpdate(1200, 0, -300.5), std::string(kMdInfo) + kMdStopped,
                    WM_TRADER_DAY_LOSS_STOP, beyond);
    ExpectFiredOnlyBeyond(this, log, WM_TRADER_DAY_LOSS_STOP, beyond);
    EXPECT_FALSE(HasReceived("Md", WM_TRADER_DAY_LOSS_STOP));
    EXPECT_TRUE(PumpUntil([&] { return state->pending_day_loss_stop == 0; }, 5)) << "the echo";
}

TEST_F(RuleScenarioTest, AllClearOnProfitFiresJustAboveTheSetSumAndIsReleasedByTheEcho) {
    state->allclear_allset_profit_use = 1;
    state->allclear_allset_profit = 100;
    const std::string beyond = "1|0|1|0|0|0|0|0|100.5";
    auto log =
        Play(MsUpdate(800, 100, 0) + MsUpdate(1200, 100.5, 0), kMdInfo, WM_TRADER_ALLCLEAR_PROFIT, beyond);
    ExpectFiredOnlyBeyond(this, log, WM_TRADER_ALLCLEAR_PROFIT, beyond);
    EXPECT_TRUE(PumpUntil([&] { return state->pending_allclear_profit == 0; }, 5));
}

TEST_F(RuleScenarioTest, AllClearOnLossFiresJustBelowTheSetSumAndOnlyItsTimerReleasesIt) {
    state->allclear_allset_loss_use = 1;
    state->allclear_allset_loss = 100;
    const std::string beyond = "1|0|1|0|0|0|0|0|-100.5";
    auto log =
        Play(MsUpdate(800, -100, 0) + MsUpdate(1200, -100.5, 0), kMdInfo, WM_TRADER_ALLCLEAR_LOSS, beyond);
    ExpectFiredOnlyBeyond(this, log, WM_TRADER_ALLCLEAR_LOSS, beyond);
    PumpUntil([&] { return HasReceived("Md", WM_TRADER_ALLCLEAR_LOSS); }, 5);
    PumpUntil([] { return false; }, 0.3); // no echo comes
    EXPECT_EQ(2, state->pending_allclear_loss);
    CClock::Advance(5000);
    Pump();
    EXPECT_EQ(0, state->pending_allclear_loss);
}

TEST_F(RuleScenarioTest, ProfitReserveFiresPastTheTruncatedAllowanceThenRestsAndResumes) {
    state->profit_reserve_use = 1;
    state->profit_reserve_base = 1000000;
    state->profit_reserve_trigger = 30;
    state->profit_reserve_rest = 2;
    const std::string beyond = "1|0|1|0|0|0|0|0|0|0|700000|";
    auto log = Play(MsUpdate(800, 0, 1000001) + MsUpdate(1100, 0, 700000.5) + MsUpdate(1400, 0, 700000),
                    std::string(kMdInfo) + kMdStopped, WM_TRADER_PROFIT_RESERVE, beyond);
    ExpectFiredOnlyBeyond(this, log, WM_TRADER_PROFIT_RESERVE, beyond);
    EXPECT_TRUE(PumpUntil([&] { return HasReceived("Md", WM_TRADER_PROFIT_RESERVE); }, 5))
        << "stopped or not";
    EXPECT_TRUE(PumpUntil([&] { return state->pending_profit_reserve == 0; }, 5));
    EXPECT_EQ(700000, state->day_peak_pnl) << "the last echo resets the peak";

    state->day_peak_pnl = 900000;
    CClock::Advance(2000);
    Pump();
    EXPECT_EQ(700000, state->day_peak_pnl) << "so does the end of the rest";
    EXPECT_TRUE(PumpUntil(
        [&] { return HasReceived("Ms", WM_TRADER_RESUME) && HasReceived("Md", WM_TRADER_RESUME); }, 5));
}

} // namespace
