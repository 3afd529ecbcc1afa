// The engine as the console meets it: a real zorvik_zuzidi.exe started from the base folder,
// talking to a window titled "Zorvik-Master" in this process through a real station.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineArgs.h"
#include "engine/EngineMessages.h"
#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Process.h"
#include "platform/win/Station.h"
#include "store/TradeDataBase.h"
#include "support/TempDrive.h"

namespace {

struct Record {
    ULONG_PTR kind;
    CString text;
    HWND sender;
};

class CMasterWnd : public CWnd {
public:
    std::vector<Record> records;
    std::vector<std::pair<UINT, WPARAM>> posts;

    std::vector<UINT> PostedMessages() const {
        std::vector<UINT> out;
        for (auto& p : posts)
            out.push_back(p.first);
        return out;
    }
    bool Posted(UINT message) const {
        for (auto& p : posts)
            if (p.first == message)
                return true;
        return false;
    }
    // The records of one kind, as texts.
    std::vector<CString> Texts(ULONG_PTR kind) const {
        std::vector<CString> out;
        for (auto& r : records)
            if (r.kind == kind)
                out.push_back(r.text);
        return out;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COPYDATA) {
            auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lParam);
            const char* data = static_cast<const char*>(cds->lpData);
            records.push_back({cds->dwData, CString(data, static_cast<int>(strnlen(data, cds->cbData))),
                               reinterpret_cast<HWND>(wParam)});
            return TRUE;
        }
        if (message >= WM_USER)
            posts.push_back({message, wParam});
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (done())
            return true;
        zwin::PollFds(10);
        zwin::PumpWaitingMessages();
    }
    return done();
}

CString Field(const CString& record, std::size_t n) {
    std::vector<CString> f = SplitFields(record);
    return n < f.size() ? f[n] : CString();
}

bool ProcessGone(pid_t pid) {
    return ::access(("/proc/" + std::to_string(pid) + "/stat").c_str(), F_OK) != 0;
}

// Still a child of this process: an engine that ended was reaped, and its pid may since
// name another process.
bool OwnChild(pid_t pid) {
    // Read with stdio: a process reaped while its file is open fails the read (ESRCH), which a
    // stream would throw.
    std::string stat;
    if (FILE* in = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r")) {
        char buffer[512];
        stat.assign(buffer, std::fread(buffer, 1, sizeof buffer, in));
        std::fclose(in);
    }
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream rest(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    rest >> state >> parent;
    return parent == getpid();
}

class EngineProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = drive.MakeBaseFolder();
        ASSERT_EQ(symlink(ZORVIK_ENGINE_EXE, (base + "/zorvik_zuzidi.exe").c_str()), 0);
        master.CreateEx(0, kTraderTitleMaster, WS_POPUP, RECT{}, nullptr, 0);
    }
    void TearDown() override {
        for (pid_t pid : started)
            if (OwnChild(pid))
                kill(pid, SIGKILL);
        for (const char* name : {"ZORVIK_ENGINE_SCENARIO", "ZORVIK_ENGINE_SEED", "ZORVIK_ENGINE_STEP_MS"})
            unsetenv(name);
    }

    // Starts the engine as the console's fallback does: quoted path, then the argument.
    pid_t Launch(const char* argument) {
        std::string line = "\"" + std::string(kBaseFolder) + "\\zorvik_zuzidi.exe\" " + argument;
        STARTUPINFOA si{};
        si.cb = 68;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return -1;
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        started.push_back(static_cast<pid_t>(pi.dwProcessId));
        return static_cast<pid_t>(pi.dwProcessId);
    }
    void UseScenario(const char* name, const char* ansiText) {
        std::string path = drive.Root() + "/" + name;
        std::ofstream(path) << AnsiToHostUtf8(ansiText);
        setenv("ZORVIK_ENGINE_SCENARIO", path.c_str(), 1);
    }
    // "<direction> <number> <name> <wParam> <lParam>[ <text>]" of each line of an engine's log.
    std::vector<std::string> Log(const char* mode, const char* direction = nullptr) {
        std::vector<std::string> out;
        std::ifstream in(base + "/Log/engine-" + mode + ".log");
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string time, instance, pid, rest;
            words >> time >> instance >> pid;
            std::getline(words, rest);
            rest.erase(0, 1);
            EXPECT_EQ(instance, mode);
            if (!direction || rest.rfind(direction, 0) == 0)
                out.push_back(rest);
        }
        return out;
    }

    TempDrive drive;
    std::string base;
    CMasterWnd master;
    std::vector<pid_t> started;
};

} // namespace

TEST_F(EngineProcessTest, StartsReportsTakesCommandsInOrderAndEchoes) {
    UseScenario("ms.txt", "at 0 info {slot}|1|0\n"
                          "at 0 update {slot}|0|0|0|0|0|0|0|0|0|0|0|0|0|{stopped}|0\n");
    pid_t pid = Launch("u1|p1|c1|111-11|ap|1|NQM5|2|Ms");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(PumpUntil([&] { return master.Posted(WM_TRADER_STARTED) && master.records.size() >= 2; }));
    EXPECT_EQ(master.posts[0], std::make_pair(WM_TRADER_STARTED, WPARAM{1}));
    EXPECT_EQ(master.Texts(COPYDATA_ACCOUNT_INFO), (std::vector<CString>{"1|1|0"}));
    EXPECT_STREQ(Field(master.Texts(COPYDATA_ACCOUNT_UPDATE)[0], 14).GetString(), "1");

    HWND ms = FindWindowA(nullptr, kTraderTitleMs);
    ASSERT_NE(ms, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(ms), nullptr);
    EXPECT_EQ(master.records[0].sender, ms);
    EXPECT_EQ(FindWindowA(nullptr, kTraderTitleMd), nullptr);

    const std::pair<UINT, WPARAM> commands[] = {{WM_TRADER_START, 0},
                                                {WM_TRADER_STOP, 0},
                                                {WM_TRADER_LIQUIDATE_ALL, 0},
                                                {WM_TRADER_PROFIT_RESERVE, 0},
                                                {WM_TRADER_RESUME, 0},
                                                {WM_TRADER_DAY_PROFIT_STOP, 0},
                                                {WM_TRADER_DAY_LOSS_STOP, 0},
                                                {WM_TRADER_ALLCLEAR_PROFIT, 0},
                                                {WM_TRADER_ALLCLEAR_LOSS, 0},
                                                {WM_TRADER_SOUND, 0},
                                                {WM_TRADER_RELOAD_SETTINGS, 0},
                                                {WM_TRADER_STARTED, 0},
                                                {WM_TRADER_EXIT, 0}};
    for (auto [message, wParam] : commands)
        ASSERT_TRUE(PostMessageA(ms, message, wParam, 0));
    ASSERT_TRUE(PumpUntil([&] { return master.Posted(WM_TRADER_EXIT); }));
    EXPECT_EQ(master.PostedMessages(),
              (std::vector<UINT>{WM_TRADER_STARTED, WM_TRADER_PROFIT_RESERVE, WM_TRADER_DAY_PROFIT_STOP,
                                 WM_TRADER_DAY_LOSS_STOP, WM_TRADER_ALLCLEAR_PROFIT, WM_TRADER_EXIT}));

    // It ended and took its window out of the station.
    ASSERT_TRUE(PumpUntil([&] { return ProcessGone(pid); }));
    EXPECT_EQ(FindWindowA(nullptr, kTraderTitleMs), nullptr);
    EXPECT_FALSE(PostMessageA(ms, WM_TRADER_START, 0, 0));

    std::vector<std::string> received = Log("Ms", "recv");
    ASSERT_EQ(received.size(), std::size(commands));
    for (std::size_t i = 0; i < received.size(); ++i)
        EXPECT_EQ(received[i].substr(0, 10), "recv " + std::to_string(commands[i].first) + " ")
            << received[i];
    EXPECT_EQ(received[0], "recv 3037 START 0 0");
    EXPECT_EQ(Log("Ms", "sent").back(), "sent 2533 EXIT 0 0");
}

TEST_F(EngineProcessTest, SecondInstanceWritesItsTradesAndReloadsItsSettings) {
    std::string store = base + "/DataBase/db_Velmora.db";
    drive.MakeFolder((std::string(kBaseFolder) + "\\DataBase").c_str());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "Create TABLE IF NOT EXISTS VnStrategy (name char(20) PRIMARY KEY, value integer DEFAULT 0);"
                 "insert into VnStrategy values ('trade_type', 2), ('in_tick_s', 3);",
                 nullptr, nullptr, nullptr);

    UseScenario("md.txt", "at 0 trade 한글|2|1|100.5|101|67500|6750|20250304100000|20250304100500\n"
                          "at 0 info {slot}|done\n");
    // The account reaches the engine as typed, quotes, blanks and Hangul included: its trades
    // are in the log of that very account.
    ASSERT_GT(Launch("u2|p\"2  w|c2|2\"2  한|ap|0|NQM5|1|Md"), 0);
    ASSERT_TRUE(PumpUntil([&] { return master.Posted(WM_TRADER_STARTED) && !master.records.empty(); }));
    EXPECT_EQ(master.posts[0], std::make_pair(WM_TRADER_STARTED, WPARAM{0}));
    EXPECT_STREQ(master.records[0].text.GetString(), "0|done");

    CTradeDataBase reader;
    g_pTradeDataBase = &reader;
    std::vector<TradeLogRow> rows;
    EXPECT_EQ(reader.QueryTradingLog(rows, "2\"2  한", "20250304", "20250305"), 1);
    g_pTradeDataBase = nullptr;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_STREQ(rows[0].code, "한글");
    EXPECT_DOUBLE_EQ(rows[0].profit, 67500);

    // Settings are read at the start and again on every reload.
    sqlite3_exec(db, "insert into VnStrategy values ('macd_use_r', 1);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    HWND md = FindWindowA(nullptr, kTraderTitleMd);
    ASSERT_TRUE(PostMessageA(md, WM_TRADER_RELOAD_SETTINGS, 0, 0));
    ASSERT_TRUE(PostMessageA(md, WM_TRADER_EXIT, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return master.Posted(WM_TRADER_EXIT); }));
    std::vector<std::string> notes = Log("Md", "note");
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], "note 0 - 0 0 settings keys=2");
    EXPECT_EQ(notes[1], "note 3034 RELOAD_SETTINGS 0 0 settings keys=3");
}

TEST_F(EngineProcessTest, AnEngineMayEndOnItsOwnAndABadScenarioStopsTheStart) {
    UseScenario("bye.txt", "at 20 exit\n");
    pid_t pid = Launch("u|p|c|1|a|0|NQ|2|Ms");
    ASSERT_TRUE(PumpUntil([&] { return master.Posted(WM_TRADER_EXIT); }));
    EXPECT_EQ(master.PostedMessages(), (std::vector<UINT>{WM_TRADER_STARTED, WM_TRADER_EXIT}));
    EXPECT_TRUE(PumpUntil([&] { return ProcessGone(pid); }));

    UseScenario("bad.txt", "at 0 info x\nat soon exit\n");
    pid = Launch("u|p|c|1|a|0|NQ|2|Md");
    EXPECT_TRUE(PumpUntil([&] { return ProcessGone(pid); }));
    EXPECT_EQ(Log("Md"), (std::vector<std::string>{"note 0 - 0 0 scenario unreadable at line 2"}));
    EXPECT_EQ(master.PostedMessages().size(), 2u);
}

TEST_F(EngineProcessTest, AnArgumentOfOtherThanNineFieldsIsRefused) {
    drive.MakeFolder((std::string(kBaseFolder) + "\\DataBase").c_str());
    const std::string errors = drive.Root() + "/stderr.txt";
    for (const char* argument : {"u|p|c|1|a|0|NQ|Ms", "u|p|x|c|1|a|0|NQ|2|Ms", "u|p|c|1|a|0|NQ|2|Md|Md"}) {
        SCOPED_TRACE(argument);
        // The engine's standard error goes to a file for the look.
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 2);
            execl(ZORVIK_ENGINE_EXE, ZORVIK_ENGINE_EXE, argument, static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        pid_t ended = 0;
        for (int waited = 0; waited < 10000 && (ended = waitpid(pid, &status, WNOHANG)) == 0; waited += 10)
            usleep(10000);
        if (ended != pid) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            ADD_FAILURE() << "the engine took the argument and runs";
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2);
        std::ifstream in(errors);
        std::string first;
        std::getline(in, first);
        const std::size_t fields = SplitFields(argument).size();
        EXPECT_EQ(first,
                  "zorvik_zuzidi.exe: argument refused: " + std::to_string(fields) + " fields, 9 expected");
    }
    // Nothing was started: no window, no report, no trading log of a shifted account.
    zwin::PollFds(10);
    zwin::PumpWaitingMessages();
    EXPECT_TRUE(master.posts.empty());
    EXPECT_EQ(FindWindowA(nullptr, kTraderTitleMs), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, kTraderTitleMd), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(base + "/DataBase"));
}

TEST_F(EngineProcessTest, SimulatedMarketTradesWhileStartedAndReportsItsState) {
    setenv("ZORVIK_ENGINE_SEED", "7", 1);
    setenv("ZORVIK_ENGINE_STEP_MS", "10", 1);
    pid_t pid = Launch("u|p|c|333-33|a|1|NQM5|2|Ms");
    ASSERT_TRUE(PumpUntil([&] { return !master.Texts(COPYDATA_ACCOUNT_UPDATE).empty(); }));
    EXPECT_EQ(master.Texts(COPYDATA_ACCOUNT_INFO).size(), 1u);
    CString first = master.Texts(COPYDATA_ACCOUNT_INFO)[0];
    EXPECT_EQ(SplitFields(first).size(), 18u);
    EXPECT_STREQ(Field(first, 0).GetString(), "1");
    EXPECT_STREQ(Field(first, 12).GetString(), "NQM5");
    EXPECT_EQ(SplitFields(master.Texts(COPYDATA_ACCOUNT_UPDATE)[0]).size(), 16u);
    EXPECT_STREQ(Field(master.Texts(COPYDATA_ACCOUNT_UPDATE)[0], 14).GetString(), "1"); // stopped

    HWND ms = FindWindowA(nullptr, kTraderTitleMs);
    PostMessageA(ms, WM_TRADER_START, 0, 0);
    // Each closed trade is followed by an account-information record.
    ASSERT_TRUE(PumpUntil([&] { return master.Texts(COPYDATA_ACCOUNT_INFO).size() >= 3; }));
    EXPECT_STREQ(Field(master.Texts(COPYDATA_ACCOUNT_UPDATE).back(), 14).GetString(), "0");

    PostMessageA(ms, WM_TRADER_STOP, 0, 0);
    const std::size_t before = master.records.size();
    ASSERT_TRUE(PumpUntil([&] {
        return master.records.size() > before && master.records.back().kind == COPYDATA_ACCOUNT_UPDATE &&
               Field(master.records.back().text, 14) == "1";
    }));
    CString last = master.Texts(COPYDATA_ACCOUNT_INFO).back();
    CTradeDataBase reader;
    g_pTradeDataBase = &reader;
    std::vector<TradeLogRow> rows;
    int count = reader.QueryTradingLog(rows, "333-33", "00000000", "99991231");
    g_pTradeDataBase = nullptr;
    EXPECT_EQ(count, std::atoi(Field(last, 1).GetString()));
    EXPECT_GE(count, 2);

    // Killed, it leaves nothing to find and posts to it fail quietly.
    kill(pid, SIGKILL);
    EXPECT_TRUE(PumpUntil([&] { return FindWindowA(nullptr, kTraderTitleMs) == nullptr; }));
    EXPECT_FALSE(PostMessageA(ms, WM_TRADER_START, 0, 0));
}

// scripts/run installs the engine where this prints, so the install and the programs can never
// map drive C: differently.
TEST(EngineInstallFolder, IsTheBaseFolderAsThePlatformMapsIt) {
    TempDrive drive;
    FILE* out = popen(ZORVIK_ENGINE_EXE " --base-folder", "r");
    ASSERT_NE(out, nullptr);
    char line[4096] = {};
    const bool read = std::fgets(line, sizeof line, out) != nullptr;
    EXPECT_EQ(pclose(out), 0);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(line), HostPath(kBaseFolder) + "\n");
    EXPECT_EQ(HostPath(kBaseFolder).rfind(drive.Root() + "/", 0), 0u);
}
