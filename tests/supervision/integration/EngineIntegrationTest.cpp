// The console's side against real engine processes: launch and handshake, commands, the
// way out, and the five risk rules played from the engines' scenario files. The console's
// clock is manual (its rule timers expire when a test says so); the engines run on real time.
#include <gtest/gtest.h>

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "LinkFixture.h"
#include "platform/core/Path.h"
#include "platform/win/Station.h"
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
    }

    void TearDown() override {
        // Whatever a test left running is asked to leave.
        dlg->SendByTitle(WM_TRADER_EXIT, 0);
        PumpUntil([] { return !FindWindowA(nullptr, "Zorvik-MS") && !FindWindowA(nullptr, "Zorvik-MD"); },
                  10);
        unsetenv("ZORVIK_ENGINE_LOG");
        unsetenv("ZORVIK_ENGINE_SCENARIO");
        LinkTest::TearDown();
    }

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

    // Close: both are asked, the dialog stays until both answered, then the loop ends.
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_NE(nullptr, dlg->m_hWnd);
    EXPECT_FALSE(QuitPosted());
    ASSERT_TRUE(PumpUntil([&] { return QuitPosted(); }, 10));
    EXPECT_EQ(0, dlg->m_nTraderCount);
    EXPECT_NE(nullptr, dlg->m_hWnd);
    EXPECT_TRUE(HasReceived("Ms", WM_TRADER_EXIT));
    EXPECT_TRUE(HasReceived("Md", WM_TRADER_EXIT));
    EXPECT_TRUE(PumpUntil(
        [] { return !FindWindowA(nullptr, "Zorvik-MS") && !FindWindowA(nullptr, "Zorvik-MD"); }, 10));
}

TEST_F(EngineIntegrationTest, MenuExitQuitsAtOnceAndTheEnginesStillLeave) {
    Scenario("Ms", "# commands only\n");
    Scenario("Md", "# commands only\n");
    Handshake();
    SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(32775, 0), 0);
    EXPECT_TRUE(QuitPosted()) << "without waiting for an answer";
    EXPECT_EQ(2, dlg->m_nTraderCount);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EXPECT_TRUE(PumpUntil(
        [] { return !FindWindowA(nullptr, "Zorvik-MS") && !FindWindowA(nullptr, "Zorvik-MD"); }, 10));
    EXPECT_TRUE(HasReceived("Ms", WM_TRADER_EXIT));
    EXPECT_TRUE(HasReceived("Md", WM_TRADER_EXIT));
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
