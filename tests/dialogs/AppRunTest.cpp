// The whole run of the application object: login, main dialog, cleanup. Before the login, a
// station it cannot use and a console already running are told and end the start before
// anything is prepared; SIGTERM, SIGINT and SIGHUP end the run as Cancel or the menu's exit.
#include <signal.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>

#include "DialogFixture.h"
#include "console/VossenApp.h"
#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned> g_pauses;

constexpr char kLoginCaption[] = "Zorvik 마스터 - [Korvex금융투자 로그인]";
constexpr char kAlreadyRunning[] = "프로그램이 이미 실행 중입니다.";

class AppRunTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        g_pauses.clear();
        Sys().sleepMs = [](unsigned ms) { g_pauses.push_back(ms); };
        theApp.SetCommandLine("");
        m_drive.MakeBaseFolder();
    }

    // Rows of the account table, -1 when the store cannot be read.
    static int AccountRows() {
        const std::string path = HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
        sqlite3* db = nullptr;
        int rows = -1;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
            sqlite3_exec(
                db, "select count(*) from VnAccount",
                [](void* out, int, char** values, char**) {
                    *static_cast<int*>(out) = std::atoi(values[0]);
                    return 0;
                },
                &rows, nullptr);
        sqlite3_close(db);
        return rows;
    }
    // Both logins and the agreement, as the operator fills them in.
    static void FillLogin(CWnd* login) {
        for (auto [id, text] :
             {std::pair{1064, "u1"}, {1065, "p1"}, {1057, "1"}, {1072, "u2"}, {1074, "p2"}, {1058, "2"}})
            SetText(login, id, text);
        zui::Click(login->GetDlgItem(1234));
    }
    // The next step: the login filled in and accepted.
    static void ThenLogIn() {
        Then([] {
            CWnd* login = FindTopLevel(kLoginCaption);
            ASSERT_NE(login, nullptr);
            FillLogin(login);
            zui::Click(login->GetDlgItem(IDOK));
        });
    }
};

TEST_F(AppRunTest, CancelledLoginShowsNoMainDialogAndStillCleansUp) {
    Then([] {
        CWnd* login = FindTopLevel(kLoginCaption);
        ASSERT_NE(login, nullptr);
        zui::ClickCloseBox(login);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
    EXPECT_EQ(g_pTradeState, nullptr);
    EXPECT_EQ(g_pTradeDataBase, nullptr);
    // The store was prepared, and no main dialog came to save an account row in it.
    EXPECT_EQ(AccountRows(), 0);
}

TEST_F(AppRunTest, AcceptedLoginRunsTheMainDialogThenCleansUp) {
    ThenLogIn();
    Then([] {
        CWnd* main = FindTopLevel("Zorvik-Master");
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(theApp.m_pMainWnd, main);
        EXPECT_EQ(g_pTradeState->account_passwd, "0472");
        zui::ClickCloseBox(main);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
    EXPECT_EQ(g_pTradeState, nullptr);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(AccountRows(), 1);
}

// A window of this process titled like an engine; it records the messages it is given.
class EngineWnd : public CWnd {
public:
    explicit EngineWnd(const char* title) { CreateEx(0, title, WS_POPUP, RECT{}, nullptr, 0); }
    ~EngineWnd() override { DestroyWindow(); }
    std::vector<UINT> received;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= WM_USER)
            received.push_back(message);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// A window that runs its action when it is given WM_APP.
class ActionWnd : public CWnd {
public:
    explicit ActionWnd(std::function<void()> action) : m_action(std::move(action)) {
        CreateEx(0, "", WS_POPUP, RECT{}, nullptr, 0);
    }
    ~ActionWnd() override { DestroyWindow(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP)
            m_action();
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    std::function<void()> m_action;
};
ActionWnd* s_action = nullptr;

class AppStartTest : public AppRunTest {
protected:
    void SetUp() override {
        AppRunTest::SetUp();
        // A start that wrongly shows its login fails the test instead of waiting forever.
        alarm(60);
    }
    void TearDown() override {
        for (pid_t pid : m_children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        alarm(0);
        AppRunTest::TearDown();
    }

    // Every path below drive C:.
    std::vector<std::string> Tree() const {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(m_drive.Root()))
            paths.push_back(entry.path().string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    // Handles the station until the window is found; false after 10 s.
    static bool Found(const char* title) {
        for (int i = 0; i < 1000; ++i) {
            if (FindWindowA(nullptr, title))
                return true;
            zwin::PollFds(10);
            zwin::PumpWaitingMessages();
        }
        return false;
    }
    // A process of its own that runs `body` and is killed at the end of the test.
    void Child(const std::function<void()>& body) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            body();
            _exit(0);
        }
        m_children.push_back(pid);
    }
    // The start is refused before the login: the box and standard error tell why, and
    // nothing below drive C: changes.
    void ExpectRefusedStart(const std::string& folder, const char* reason) {
        const std::vector<std::string> before = Tree();
        const std::size_t boxes = m_boxes.size();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(theApp.InitInstance());
        const std::string errors = testing::internal::GetCapturedStderr();
        ASSERT_EQ(m_boxes.size(), boxes + 1);
        const CString& text = m_boxes.back().text;
        EXPECT_EQ(m_boxes.back().type, MB_OK | MB_ICONSTOP);
        EXPECT_NE(text.Find(CString("폴더: ") + folder.c_str()), -1) << text.GetString();
        EXPECT_NE(text.Find(reason), -1) << text.GetString();
        EXPECT_EQ(errors, "zorvik: " + AnsiToHostUtf8(text) + "\n");
        EXPECT_EQ(Tree(), before);
        EXPECT_EQ(g_pTradeState, nullptr);
        EXPECT_TRUE(g_pauses.empty());
    }

    std::vector<pid_t> m_children;
};

} // namespace

TEST_F(AppStartTest, AStationOpenToOthersOrOfAnotherUserIsToldAndNothingStarts) {
    const std::string station = m_drive.Station();
    ASSERT_EQ(mkdir(station.c_str(), 0700), 0);
    ASSERT_EQ(chmod(station.c_str(), 0755), 0);
    ExpectRefusedStart(station, "다른 사용자도 열 수 있는 폴더입니다");

    ASSERT_EQ(chmod(station.c_str(), 0700), 0);
    Sys().lstat = [](const char* path, struct stat* st) {
        const int rc = ::lstat(path, st);
        if (rc == 0 && std::getenv("ZORVIK_STATION") == std::string(path))
            st->st_uid = geteuid() + 1;
        return rc;
    };
    ExpectRefusedStart(station, "다른 사용자의 폴더입니다");
}

TEST_F(AppStartTest, AStationPathTooLongANonFolderOrAFailedBindIsToldAndNothingStarts) {
    // A socket path holds at most 107 bytes.
    const std::string deep = m_drive.Station() + "/" + std::string(100, 'd');
    fs::create_directories(deep);
    fs::permissions(deep, fs::perms::owner_all);
    setenv("ZORVIK_STATION", deep.c_str(), 1);
    ExpectRefusedStart(deep, "폴더 경로가 너무 길어");

    const std::string file = m_drive.Station() + "/file";
    std::ofstream(file) << "x";
    setenv("ZORVIK_STATION", file.c_str(), 1);
    ExpectRefusedStart(file, "같은 이름의 파일이 있어");

    setenv("ZORVIK_STATION", m_drive.Station().c_str(), 1);
    fs::permissions(m_drive.Station(), fs::perms::owner_all);
    Sys().bind = [](int, const sockaddr*, socklen_t) {
        errno = EADDRINUSE;
        return -1;
    };
    ExpectRefusedStart(m_drive.Station(), "소켓을 열 수 없습니다 (Address already in use)");
}

// A lock file that is not this user's own regular file would let a second console in: the
// station is refused as one open to others is.
TEST_F(AppStartTest, AConsoleLockThatIsNotTheUsersOwnFileIsToldAndNothingStarts) {
    const std::string station = m_drive.Station();
    ASSERT_EQ(mkdir(station.c_str(), 0700), 0);
    const std::string lock = station + "/console.lock";
    std::ofstream(station + "/elsewhere") << "";
    ASSERT_EQ(symlink((station + "/elsewhere").c_str(), lock.c_str()), 0);
    ExpectRefusedStart(station, "console.lock");
    EXPECT_EQ(theApp.ExitInstance(), CVossenApp::kExitStationRefused);

    ASSERT_EQ(unlink(lock.c_str()), 0);
    ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
    ExpectRefusedStart(station, "console.lock");
    EXPECT_EQ(theApp.ExitInstance(), CVossenApp::kExitStationRefused);

    ASSERT_EQ(rmdir(lock.c_str()), 0);
    Sys().fstat = [](int fd, struct stat* st) {
        const int rc = ::fstat(fd, st);
        st->st_uid = geteuid() + 1;
        return rc;
    };
    ExpectRefusedStart(station, "console.lock");
    EXPECT_EQ(theApp.ExitInstance(), CVossenApp::kExitStationRefused);
}

TEST_F(AppStartTest, ALiveMainWindowInTheStationEndsTheStartBeforeTheLogin) {
    // Another process lists the main window, as a running console does.
    Child([] {
        CWnd master;
        master.CreateEx(0, kTraderTitleMaster, WS_POPUP, RECT{}, nullptr, 0);
        for (;;) {
            zwin::PollFds(100);
            zwin::PumpWaitingMessages();
        }
    });
    ASSERT_TRUE(Found(kTraderTitleMaster));
    const std::vector<std::string> before = Tree();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zorvik: " + AnsiToHostUtf8(kAlreadyRunning) + "\n");
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, kAlreadyRunning);
    EXPECT_EQ(m_boxes[0].type, MB_OK | MB_ICONINFORMATION);
    // Neither the folders nor the store were touched, and no engine was started.
    EXPECT_EQ(Tree(), before);
    EXPECT_EQ(g_pTradeState, nullptr);
    EXPECT_TRUE(g_pauses.empty());

    // Once it has gone, its listing keeps nobody out.
    kill(m_children.back(), SIGKILL);
    waitpid(m_children.back(), nullptr, 0);
    m_children.pop_back();
    Then([] {
        CWnd* login = FindTopLevel(kLoginCaption);
        ASSERT_NE(login, nullptr);
        zui::ClickCloseBox(login);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
}

TEST_F(AppStartTest, AConsoleStillInItsLoginKeepsASecondOneOut) {
    // The real console, waiting in its login on the same station and drive.
    const pid_t first = fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        // It goes with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(ZORVIK_CONSOLE_EXE, ZORVIK_CONSOLE_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    m_children.push_back(first);
    ASSERT_TRUE(Found(kLoginCaption)) << "the first console shows no login";

    EXPECT_FALSE(theApp.InitInstance());
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, kAlreadyRunning);
    EXPECT_EQ(g_pTradeState, nullptr);
    // It was waited for a while, in case it was ending; no cleanup ran.
    EXPECT_EQ(std::count(g_pauses.begin(), g_pauses.end(), 1000u), 0);
    EXPECT_GE(std::accumulate(g_pauses.begin(), g_pauses.end(), 0u), 5000u);

    // Asked to end, the first console ends as its Cancel would.
    kill(first, SIGTERM);
    int status = 0;
    for (int i = 0; i < 1000 && waitpid(first, &status, WNOHANG) == 0; ++i)
        usleep(10000);
    m_children.clear();
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(AppStartTest, AConsoleThatIsEndingLetsTheNextOneIn) {
    // As in the update hand-off: the old console still holds the station while the new one
    // starts, and lets go moments later.
    ASSERT_EQ(mkdir(m_drive.Station().c_str(), 0700), 0);
    const std::string lockPath = m_drive.Station() + "/console.lock";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    Child([&] {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0 || flock(fd, LOCK_EX) != 0)
            _exit(1);
        char c = 1;
        ssize_t ignored = write(ready[1], &c, 1);
        (void)ignored;
        usleep(300000);
    });
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    close(ready[1]);
    // The waits are real here.
    Sys().sleepMs = [](unsigned ms) {
        g_pauses.push_back(ms);
        usleep(ms * 1000);
    };
    Then([] {
        CWnd* login = FindTopLevel(kLoginCaption);
        ASSERT_NE(login, nullptr);
        zui::ClickCloseBox(login);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_GT(std::count_if(g_pauses.begin(), g_pauses.end(), [](unsigned ms) { return ms != 1000; }), 0)
        << "the old console held the station at the start";
}

TEST_F(AppStartTest, SignalsDuringTheLoginEndTheRunAsCancelDoes) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        g_pauses.clear();
        Then([signal] {
            ASSERT_NE(FindTopLevel(kLoginCaption), nullptr);
            raise(signal);
        });
        EXPECT_FALSE(theApp.InitInstance());
        EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
        EXPECT_EQ(g_pTradeState, nullptr);
        EXPECT_EQ(AccountRows(), 0) << "no main dialog saved a login";
        struct sigaction action;
        sigaction(signal, nullptr, &action);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << "the default action is back after the run";
        // The quit that ended this run ends no later one.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
        }
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(AppStartTest, ALoginAcceptedAsAnEndIsRequestedOpensNoMainDialog) {
    ActionWnd action([] {
        FindTopLevel(kLoginCaption)->SendMessage(WM_COMMAND, IDOK, 0);
        raise(SIGTERM);
    });
    s_action = &action;
    Then([] {
        CWnd* login = FindTopLevel(kLoginCaption);
        ASSERT_NE(login, nullptr);
        FillLogin(login);
        // While a message of the login's loop is handled: OK ends the login, and the request
        // comes before the loop would take another message.
        PostMessageA(s_action->m_hWnd, WM_APP, 0, 0);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(AccountRows(), 0);
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
}

TEST_F(AppStartTest, ASignalToTheMainDialogTellsBothEnginesToExitAndEndsTheRun) {
    EngineWnd ms(kTraderTitleMs);
    EngineWnd md(kTraderTitleMd);
    ThenLogIn();
    Then([] {
        ASSERT_NE(FindTopLevel(kTraderTitleMaster), nullptr);
        raise(SIGTERM);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(ms.received, std::vector<UINT>{WM_TRADER_EXIT});
    EXPECT_EQ(md.received, std::vector<UINT>{WM_TRADER_EXIT});
    EXPECT_EQ(AccountRows(), 1);
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}
