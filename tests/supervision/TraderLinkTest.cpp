#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "LinkFixture.h"
#include "platform/core/Sys.h"
#include "platform/win/Station.h"
#include "platform/win/StationFiles.h"
#include "supervision/TraderMessages.h"
#include "support/Seconds.h"

namespace {

using Msgs = std::vector<UINT>;
using Posts = std::vector<std::pair<UINT, WPARAM>>;

constexpr WPARAM Clicked(int id) {
    return MAKEWPARAM(id, BN_CLICKED);
}

// The engines are built apart from the console: the shared header cannot show a changed
// number, so the wire values are pinned here.
TEST(TraderMessages, TheWireNumbersAndTitlesAreFixed) {
    const std::vector<UINT> messages = {
        WM_TRADER_EXIT,           WM_TRADER_SOUND,           WM_TRADER_RELOAD_SETTINGS,
        WM_TRADER_START,          WM_TRADER_LIQUIDATE_ALL,   WM_TRADER_STOP,
        WM_TRADER_PROFIT_RESERVE, WM_TRADER_RESUME,          WM_TRADER_DAY_PROFIT_STOP,
        WM_TRADER_DAY_LOSS_STOP,  WM_TRADER_ALLCLEAR_PROFIT, WM_TRADER_ALLCLEAR_LOSS,
        WM_TRADER_STARTED};
    EXPECT_EQ(messages, (std::vector<UINT>{2533, 2824, 3034, 3037, 3038, 3039, 3040, 3041, 3042, 3043, 3046,
                                           3047, 3053}));
    EXPECT_EQ(COPYDATA_ACCOUNT_INFO, 3048u);
    EXPECT_EQ(COPYDATA_ACCOUNT_UPDATE, 3049u);
    const std::vector<UINT_PTR> timers = {TIMER_PROFIT_RESERVE_REST, TIMER_DAY_PROFIT_STOP,
                                          TIMER_DAY_LOSS_STOP, TIMER_ALLCLEAR_PROFIT, TIMER_ALLCLEAR_LOSS};
    EXPECT_EQ(timers, (std::vector<UINT_PTR>{2930, 2931, 2932, 2933, 2934}));
    EXPECT_STREQ(kTraderTitleMs, "Zorvik-MS");
    EXPECT_STREQ(kTraderTitleMd, "Zorvik-MD");
    EXPECT_STREQ(kTraderTitleMaster, "Zorvik-Master");
}

// The engines' windows here are windows of this process, which stands for both engine
// processes (the fixture's starts name it).
TEST_F(LinkTest, HandshakeCountsEachEngineOnceAndTellsTheMsEngineWhenMdIsUp) {
    // A report before any engine was started starts nothing.
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    EXPECT_EQ(0, dlg->m_nTraderCount);
    EXPECT_TRUE(dlg->starts.empty());

    dlg->m_strLaunchArgMs = "ms-args";
    dlg->m_strLaunchArgMd = "md-args";
    dlg->StartFirstEngine();
    EXPECT_EQ(dlg->starts, std::vector<CString>{"ms-args"});
    // Its report counts from its process before its window is listed, once; the Md engine
    // follows at once, and the window is taken when it is listed.
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    EXPECT_EQ(1, dlg->m_nTraderCount) << "a repeated report counts once";
    EXPECT_EQ(dlg->starts, (std::vector<CString>{"ms-args", "md-args"}));
    EXPECT_EQ(nullptr, dlg->m_hTraderMs);
    ms = OpenEngine("Zorvik-MS");
    Advance(CTraderLink::kWatchMs);
    EXPECT_EQ(ms->m_hWnd, dlg->m_hTraderMs);
    EXPECT_EQ(nullptr, dlg->m_hTraderMd);
    EXPECT_EQ(0, dlg->fills);

    md = OpenEngine("Zorvik-MD");
    EXPECT_EQ(0, SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 7, 0));
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 0, 0);
    Pump();
    EXPECT_EQ(2, dlg->m_nTraderCount);
    EXPECT_EQ(md->m_hWnd, dlg->m_hTraderMd);
    EXPECT_EQ((Posts{{WM_TRADER_STARTED, 0}}), ms->received);
    EXPECT_TRUE(md->received.empty());
    EXPECT_EQ(1, dlg->fills);

    // An engine whose window went is not started again.
    ms->DestroyWindow();
    OpenEngine("Zorvik-MS");
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    Advance(CTraderLink::kWatchMs);
    EXPECT_EQ(2, dlg->m_nTraderCount);
    EXPECT_EQ(2u, dlg->starts.size());
    EXPECT_TRUE(dlg->told.empty());
}

TEST_F(LinkTest, ExitAnswersCountOnlyFromKnownEnginesAndAnUnaskedOneIsNamedAndTheConsoleStays) {
    SendMessageA(dlg->m_hWnd, WM_TRADER_EXIT, 0, 0);
    EXPECT_EQ(0, dlg->m_nTraderCount);
    EXPECT_FALSE(QuitPosted()) << "no engine of this console answered";

    ms = OpenEngine("Zorvik-MS");
    md = OpenEngine("Zorvik-MD");
    dlg->StartFirstEngine();
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 0, 0);
    ASSERT_EQ(2, dlg->m_nTraderCount);
    // An engine that ends unasked is named; the console stays and starts nothing.
    SendMessageA(dlg->m_hWnd, WM_TRADER_EXIT, 0, 0);
    EXPECT_EQ(1, dlg->m_nTraderCount);
    EXPECT_FALSE(QuitPosted());
    ASSERT_EQ(1u, dlg->told.size());
    EXPECT_NE(-1, dlg->told[0].Find(("Zorvik-MS (pid " + std::to_string(getpid()) + ")").c_str()));
    EXPECT_EQ(2u, dlg->starts.size());

    // Asked, the last answer ends the console.
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(QuitPosted());
    SendMessageA(dlg->m_hWnd, WM_TRADER_EXIT, 0, 0);
    EXPECT_EQ(0, dlg->m_nTraderCount);
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(1u, dlg->told.size());
}

TEST_F(LinkTest, CloseAsksEveryEngineAndNamesEachThatDoesNotAnswerInTime) {
    ms = OpenEngine("Zorvik-MS");
    md = OpenEngine("Zorvik-MD");
    dlg->StartFirstEngine();
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 0, 0);
    Pump();
    ms->received.clear();
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_NE(nullptr, dlg->m_hWnd);
    EXPECT_EQ(Msgs{WM_TRADER_EXIT}, ms->Messages());
    EXPECT_EQ(Msgs{WM_TRADER_EXIT}, md->Messages());
    EXPECT_FALSE(QuitPosted());

    // A further close asks again.
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ((Msgs{WM_TRADER_EXIT, WM_TRADER_EXIT}), md->Messages());

    // Neither answers: each is named once, and the console waits on.
    Advance(CTraderLink::kAnswerWaitMs - CTraderLink::kExitWatchMs);
    EXPECT_TRUE(dlg->told.empty());
    Advance(CTraderLink::kExitWatchMs);
    ASSERT_EQ(2u, dlg->told.size());
    EXPECT_NE(-1, dlg->told[0].Find("Zorvik-MS (pid "));
    EXPECT_NE(-1, dlg->told[1].Find("Zorvik-MD (pid "));
    Advance(CTraderLink::kAnswerWaitMs);
    EXPECT_EQ(2u, dlg->told.size());
    EXPECT_FALSE(QuitPosted());
    EXPECT_NE(nullptr, dlg->m_hWnd);

    SendMessageA(dlg->m_hWnd, WM_TRADER_EXIT, 0, 0);
    SendMessageA(dlg->m_hWnd, WM_TRADER_EXIT, 0, 0);
    EXPECT_EQ(0, dlg->m_nTraderCount);
    EXPECT_TRUE(QuitPosted());
}

TEST_F(LinkTest, CloseTellsAnUnknownEngineWindowButDoesNotWaitForIt) {
    md = OpenEngine("Zorvik-MD");
    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(nullptr, dlg->m_hWnd) << "no engine of this console: the default close ran";
    Pump();
    EXPECT_EQ(Msgs{WM_TRADER_EXIT}, md->Messages());
}

// An engine of another process: its own start report counts, and a close that cannot reach
// it says so, naming it, and leaves the console open; once it can be reached, its exit
// answer ends the console.
TEST_F(LinkTest, AKnownEngineThatCannotBeToldToExitIsNamedAndTheConsoleStays) {
    ForkedEngine engine(dlg.get(), {});
    dlg->starter = [&engine](const CString&, zwin::ProcessIdentity* started) {
        *started = engine.Process();
        return DWORD{0};
    };
    dlg->StartFirstEngine();
    engine.Go();
    const double end = Seconds() + 20;
    while (dlg->m_nTraderCount == 0 && Seconds() < end) {
        zwin::PollFds(10);
        Pump();
    }
    ASSERT_EQ(1, dlg->m_nTraderCount) << "the engine's own start report counts";
    DWORD pid = 0;
    GetWindowThreadProcessId(dlg->m_hTraderMs, &pid);
    EXPECT_EQ(static_cast<DWORD>(engine.Process().pid), pid);

    {
        // Nothing reaches the engine's socket.
        SysCallsOverride sys;
        Sys().sendto = [](int, const void*, size_t, int, const sockaddr*, socklen_t) -> ssize_t {
            errno = EPERM;
            return -1;
        };
        SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
        Pump();
    }
    ASSERT_EQ(1u, dlg->told.size());
    EXPECT_NE(-1,
              dlg->told[0].Find(("Zorvik-MS (pid " + std::to_string(engine.Process().pid) + ")").c_str()));
    EXPECT_NE(nullptr, dlg->m_hWnd);
    EXPECT_FALSE(QuitPosted());

    SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    int status = -1;
    const double ending = Seconds() + 20;
    while (!engine.Ended(&status) && Seconds() < ending)
        usleep(10 * 1000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the engine was told to exit";
    // The console ends: at once when the engine ended before the close was through, else on
    // its answer.
    const double until = Seconds() + 20;
    while (dlg->m_hWnd && !QuitPosted() && Seconds() < until) {
        zwin::PollFds(10);
        Pump();
    }
    EXPECT_TRUE(!dlg->m_hWnd || QuitPosted());
    EXPECT_EQ(0, dlg->m_nTraderCount);
}

// The exit answer is an engine's last word, but the console ends only once the process has
// ended too.
TEST_F(LinkTest, AnEngineThatAnswersTheExitIsWaitedForUntilItsProcessHasEnded) {
    ForkedEngine engine(dlg.get(), {.lingers = true});
    dlg->starter = [&engine](const CString& args, zwin::ProcessIdentity* started) {
        *started = args.Right(2) == "Ms" ? engine.Process() : zwin::ProcessIdentity{};
        return args.Right(2) == "Ms" ? DWORD{0} : ERROR_FILE_NOT_FOUND;
    };
    dlg->m_strLaunchArgMs = "ms-args|Ms";
    dlg->m_strLaunchArgMd = "md-args|Md";
    dlg->StartFirstEngine();
    engine.Go();
    const double end = Seconds() + 20;
    while (dlg->m_nTraderCount == 0 && Seconds() < end) {
        zwin::PollFds(10);
        Pump();
    }
    ASSERT_EQ(1, dlg->m_nTraderCount);
    dlg->OnAppExit();
    const double answered = Seconds() + 20;
    while (dlg->m_nTraderCount == 1 && Seconds() < answered) {
        zwin::PollFds(10);
        Advance(CTraderLink::kExitWatchMs);
    }
    ASSERT_EQ(0, dlg->m_nTraderCount) << "it answered";
    Advance(CTraderLink::kExitWatchMs);
    EXPECT_FALSE(QuitPosted()) << "its process still runs";
    kill(engine.Process().pid, SIGKILL);
    const double until = Seconds() + 20;
    while (!QuitPosted() && Seconds() < until) {
        engine.Ended();
        zwin::PollFds(10);
        Advance(CTraderLink::kExitWatchMs);
    }
    EXPECT_TRUE(QuitPosted());
    EXPECT_TRUE(dlg->told.empty());
}

TEST_F(LinkTest, MenuExitTellsEngineWindowsItDidNotStartAndDoesNotWaitForThem) {
    ms = OpenEngine("Zorvik-MS");
    md = OpenEngine("Zorvik-MD");
    SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(32775, 0), 0);
    Pump();
    EXPECT_EQ(Msgs{WM_TRADER_EXIT}, ms->Messages());
    EXPECT_EQ(Msgs{WM_TRADER_EXIT}, md->Messages());
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(0, dlg->m_nTraderCount);
}

// The station removed under a running console is made again at the watch's next look: its
// lock is held again, its window listed and its engines recorded, so that a second console is
// still refused and still finds this one's engines.
TEST_F(LinkTest, TheWatchMakesTheRemovedStationAgainWithinASecond) {
    ASSERT_EQ(zwin::LockStation("console.lock"), zwin::StationLockResult::Taken);
    dlg->StartFirstEngine();
    const std::string station = drive.Station();
    const std::string record = station + "/" + kEngineRecordFile;
    ASSERT_EQ(access(record.c_str(), F_OK), 0);
    ASSERT_EQ(system(("rm -rf '" + station + "'").c_str()), 0);
    Advance(CTraderLink::kWatchMs);
    EXPECT_EQ(access(record.c_str(), F_OK), 0) << "the record of its engines";
    // Its window's listing, as another process finds it.
    char hex[3];
    std::string listing = "win-";
    for (unsigned char c : std::string(kTraderTitleMaster)) {
        std::snprintf(hex, sizeof hex, "%02x", c);
        listing += hex;
    }
    listing += "-" + std::to_string(getpid()) + "-" + std::to_string(zwin::HandleId(dlg->m_hWnd));
    EXPECT_EQ(access((station + "/" + listing).c_str(), F_OK), 0) << listing;
    // The lock, as another process finds it.
    const std::string lock = station + "/console.lock";
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(lock.c_str(), O_RDWR);
        _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the lock is not held";
    struct stat folder;
    EXPECT_EQ(stat(station.c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    zwin::UnlockStation();
}

TEST_F(LinkTest, StartAndStopSetTheStoppedFlagRepaintAndReachTheKnownEnginesInOrder) {
    SendMessageA(dlg->m_hWnd, WM_COMMAND, Clicked(1177), 0);
    EXPECT_EQ(0, dlg->m_bStopped) << "before any engine reported";
    EXPECT_EQ(1, paint.invalidations);
    EXPECT_EQ(0, paint.erasing);
    EXPECT_EQ(0u, zwin::QueuedMessageCount());

    ms = OpenEngine("Zorvik-MS");
    md = OpenEngine("Zorvik-MD");
    dlg->m_hTraderMs = ms->m_hWnd;
    dlg->m_hTraderMd = md->m_hWnd;
    // Ms is posted first: it reaches the queue first.
    dlg->SendToEngines(WM_TRADER_START);
    MSG first;
    ASSERT_TRUE(PeekMessageA(&first, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(ms->m_hWnd, first.hwnd);
    Pump();
    ms->received.clear();
    md->received.clear();

    SendMessageA(dlg->m_hWnd, WM_COMMAND, Clicked(1178), 0);
    EXPECT_EQ(1, dlg->m_bStopped);
    SendMessageA(dlg->m_hWnd, WM_COMMAND, Clicked(1055), 0);
    EXPECT_EQ(1, dlg->m_bStopped);
    SendMessageA(dlg->m_hWnd, WM_COMMAND, Clicked(1177), 0);
    EXPECT_EQ(0, dlg->m_bStopped);
    EXPECT_EQ(3, paint.invalidations) << "liquidation does not repaint";
    Pump();
    const Msgs expected{WM_TRADER_STOP, WM_TRADER_LIQUIDATE_ALL, WM_TRADER_START};
    EXPECT_EQ(expected, ms->Messages());
    EXPECT_EQ(expected, md->Messages());
}

TEST_F(LinkTest, FunctionKeysPostLikeTheButtonsButLeaveTheStoppedFlag) {
    EXPECT_TRUE(dlg->HandleTraderKey(VK_F3));
    EXPECT_EQ(0u, zwin::QueuedMessageCount()) << "no engine known yet";
    md = OpenEngine("Zorvik-MD");
    dlg->m_hTraderMd = md->m_hWnd;
    dlg->m_bStopped = 0;
    EXPECT_TRUE(dlg->HandleTraderKey(VK_F4));
    EXPECT_TRUE(dlg->HandleTraderKey(VK_F6));
    EXPECT_TRUE(dlg->HandleTraderKey(VK_F3));
    EXPECT_FALSE(dlg->HandleTraderKey(VK_F12));
    EXPECT_FALSE(dlg->HandleTraderKey(VK_F5));
    Pump();
    EXPECT_EQ((Msgs{WM_TRADER_STOP, WM_TRADER_LIQUIDATE_ALL, WM_TRADER_START}), md->Messages());
    EXPECT_EQ(0, dlg->m_bStopped);
    EXPECT_EQ(0, paint.invalidations);
}

TEST_F(LinkTest, SoundOffFollowsTheCheckBoxAndReachesTheWindowsThatExistNow) {
    md = OpenEngine("Zorvik-MD");
    dlg->CheckDlgButton(1240, 1);
    SendMessageA(dlg->m_hWnd, WM_COMMAND, Clicked(1240), 0);
    ms = OpenEngine("Zorvik-MS");
    dlg->CheckDlgButton(1240, 0);
    SendMessageA(dlg->m_hWnd, WM_COMMAND, Clicked(1240), 0);
    Pump();
    EXPECT_EQ((Posts{{WM_TRADER_SOUND, 0}, {WM_TRADER_SOUND, 1}}), md->received);
    EXPECT_EQ((Posts{{WM_TRADER_SOUND, 1}}), ms->received);
    EXPECT_EQ(nullptr, dlg->m_hTraderMs) << "a send by title stores nothing";
    EXPECT_EQ(2, dlg->SendByTitle(WM_TRADER_SOUND, 0));
}

TEST_F(LinkTest, LaunchArgumentsCarryTheLoginsTradeItemAndTradeType) {
    StoreLoginValues(1, "user", "pw", "cert", "111-22", "4321", 0, "user2", "pw2", "cert2", "333-44", "8765",
                     "NQZ20", "x", "y");
    state->trade_type = 2;
    dlg->BuildLaunchArgs();
    EXPECT_STREQ("user|pw|cert|111-22|4321|1|NQZ20|2|Ms", dlg->m_strLaunchArgMs);
    EXPECT_STREQ("user2|pw2|cert2|333-44|8765|0|NQZ20|2|Md", dlg->m_strLaunchArgMd);
}

class CopyDataTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        GoLive();
    }
    void Send(ULONG_PTR kind, const char* bytes, DWORD size) {
        // The record sits at the very end of its own allocation: a read past cbData is caught
        // by the address sanitizer when it is on.
        auto buffer = std::make_unique<char[]>(size ? size : 1);
        std::memcpy(buffer.get(), bytes, size);
        COPYDATASTRUCT cds{kind, size, buffer.get()};
        SendMessageA(dlg->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        Pump();
    }
};

TEST_F(CopyDataTest, ARecordIsReadOnlyWithinItsBytes) {
    const char text[] = "1|0|4|0|0|0|0|0|0|0|25|2|a|0|20240101|b|2024";
    Send(COPYDATA_ACCOUNT_INFO, text, sizeof text - 1); // no NUL inside
    EXPECT_EQ(4, state->slots[0].position_qty);
    EXPECT_STREQ("2024", state->trade_day_to);

    const char cut[] = "1|0|5\0|0|0|0|0|0|0|9";
    Send(COPYDATA_ACCOUNT_UPDATE, cut, sizeof cut - 1);
    EXPECT_EQ(5, state->slots[0].position_qty);
    EXPECT_EQ(0, state->slots[0].trading_pnl) << "the record ends at its first NUL";

    Send(COPYDATA_ACCOUNT_UPDATE, "", 0);
    EXPECT_EQ(0, state->slots[1].position_qty) << "an empty record selects slot value 0";

    Send(3050, "1|0|9", 5);
    EXPECT_EQ(5, state->slots[0].position_qty);
}

TEST_F(LinkTest, InformationRecordsLookTheMdWindowUpUntilFoundUpdatesNever) {
    dlg->StartFirstEngine();
    SendMessageA(dlg->m_hWnd, WM_TRADER_STARTED, 1, 0);
    ASSERT_EQ(2u, dlg->starts.size());
    Info("0|0|0");
    EXPECT_EQ(nullptr, dlg->m_hTraderMd);
    md = OpenEngine("Zorvik-MD");
    Update("0|0|0");
    EXPECT_EQ(nullptr, dlg->m_hTraderMd);
    Info("0|0|0");
    EXPECT_EQ(md->m_hWnd, dlg->m_hTraderMd);
    OpenEngine("Zorvik-MD");
    Info("0|0|0");
    EXPECT_EQ(md->m_hWnd, dlg->m_hTraderMd);
}

} // namespace
