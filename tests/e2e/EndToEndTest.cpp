// The real console under a virtual X server, driven by xdotool as an operator drives it:
// both logins, the agreement, OK; the engines start and report; Start; a scenario's loss
// stop; F12 and Yes; 엑셀저장; the close box. Screenshots go to the build's artifacts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "Processes.h"
#include "XDisplay.h"
#include "platform/core/Text.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/win/Station.h"
#include "resources/ConsoleResources.h"
#include "resources/LoginDialogs.h"
#include "support/TempDrive.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kOkFill = 0x28003B; // 0x3B0028 as RGB
constexpr std::uint32_t kCancelFill = 0x2F2F2F;
constexpr std::uint32_t kStopFill = 0x142940;   // button 1178
constexpr std::uint32_t kHeaderFill = 0x364E6F; // list header band
constexpr std::uint32_t kStartRunning = 0x13B25D;
constexpr std::uint32_t kStartStopped = 0xF2F2F2;

// Message numbers of the engine protocol, as the engines' command logs write them.
constexpr unsigned kCopyData = 74;
constexpr unsigned kTraderExit = 2533;
constexpr unsigned kReloadSettings = 3034;
constexpr unsigned kTraderStart = 3037;
constexpr unsigned kDayLossStop = 3043;
constexpr unsigned kTraderStarted = 3053;

// The current trading day (it starts at 07:00) and the next day, as YYYYMMDD.
std::pair<std::string, std::string> TradingDays() {
    time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    if (local.tm_hour < 7)
        --local.tm_mday;
    local.tm_hour = 12;
    char from[9], to[9];
    time_t day = mktime(&local);
    localtime_r(&day, &local);
    strftime(from, sizeof from, "%Y%m%d", &local);
    ++local.tm_mday;
    day = mktime(&local);
    localtime_r(&day, &local);
    strftime(to, sizeof to, "%Y%m%d", &local);
    return {from, to};
}

// What each engine plays: it reports at once (with the trading day), the first engine closes
// a trade at noon of that day, and from the fifth second on both report a day loss of
// 700,000 won each, every second, so that the loss stop fires once the operator has
// switched it on.
std::string Scenario(bool first) {
    const auto [from, to] = TradingDays();
    const std::string info = "info {slot}|0|1|0|0|0|0|0|0|0|0|2|0|1|" + from + "|0|" + to + "|0\n";
    std::string lines = "at 0 " + info;
    if (first)
        lines += "at 1000 trade NQZ20|2|1|15000.25|15010.5|205|4.5|" + from + "115900|" + from + "120000\n" +
                 "at 1500 " + info;
    for (int ms = 5000; ms <= 90000; ms += 1000)
        lines += "at " + std::to_string(ms) + " update {slot}|0|1|0|0|0|0|0|0|0|-700000|0|0|0|{stopped}|0\n";
    return lines + "at 120000 exit\n";
}

long long NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() > deadline)
            return false;
        usleep(50000);
    }
    return true;
}

// Maps a dialog's dialog units to pixels of its window, found from two controls whose
// pixels are known.
struct DialogUnits {
    double sx = 1, ox = 0, sy = 1, oy = 0;
    static DialogUnits From(double du1x, double px1x, double du2x, double px2x, double du1y, double px1y,
                            double du2y, double px2y) {
        DialogUnits m;
        m.sx = (px2x - px1x) / (du2x - du1x);
        m.ox = px1x - du1x * m.sx;
        m.sy = (px2y - px1y) / (du2y - du1y);
        m.oy = px1y - du1y * m.sy;
        return m;
    }
    int X(double du) const { return static_cast<int>(ox + du * sx + 0.5); }
    int Y(double du) const { return static_cast<int>(oy + du * sy + 0.5); }
};

const DialogItemTemplate& Item(int dialog, int id) {
    static DialogItemTemplate none{};
    const DialogTemplate* t = FindDialogTemplate(dialog);
    if (t)
        for (const auto& item : t->items)
            if (item.id == id)
                return item;
    ADD_FAILURE() << "no control " << id << " in dialog " << dialog;
    return none;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool"})
            if (!OnPath(tool))
                GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
        RegisterConsoleResources();
        RegisterLoginDialogResources();
        AdoptOrphans();
        m_artifacts = std::string(ZORVIK_BUILD_DIR) + "/artifacts";
        fs::create_directories(m_artifacts + "/screens");
        // Tests run side by side: each writes logs of its own.
        m_logs = m_artifacts + "/e2e-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_log = m_logs + "-console.log";
        std::ofstream(m_log, std::ios::trunc);
        m_base = m_drive.MakeBaseFolder();
        fs::copy_file(ZORVIK_ENGINE_EXE, m_base + "/zorvik_zuzidi.exe");
        fs::permissions(m_base + "/zorvik_zuzidi.exe", fs::perms::owner_all);
        std::ofstream(m_drive.Root() + "/scenario-Ms.txt") << Scenario(true);
        std::ofstream(m_drive.Root() + "/scenario-Md.txt") << Scenario(false);
        for (const char* mode : {"Ms", "Md"})
            fs::remove(m_logs + "-engine-" + mode + ".log");
        StartServer();
    }

    void TearDown() override {
        if (m_console > 0 && IsRunning(m_console)) {
            kill(m_console, SIGKILL);
            WaitForExit(m_console, 5000);
        }
        for (pid_t engine : EngineProcesses())
            kill(engine, SIGKILL);
        // The connection goes before its server does.
        m_x.reset();
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            WaitForExit(m_server, 5000);
        }
        ReapEnded();
    }

    // A virtual screen of its own; the server names its display on a pipe.
    void StartServer() {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        m_server = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                          "-nolisten", "tcp"},
                         {}, {}, m_logs + "-xvfb.log");
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        m_displayName = ":" + number;
        m_x = std::make_unique<XDisplay>(m_displayName);
        ASSERT_TRUE(m_x->IsOpen());
    }

    std::map<std::string, std::string> DisplayEnv() const {
        return {{"DISPLAY", m_displayName},
                {"QT_QPA_PLATFORM", "xcb"},
                {"WAYLAND_DISPLAY", ""},
                {"ZORVIK_ENGINE_SCENARIO", m_drive.Root() + "/scenario-{mode}.txt"},
                {"ZORVIK_ENGINE_LOG", m_logs + "-engine-{mode}.log"}};
    }

    // How many lines of an engine's command log have that direction and message.
    int Logged(const char* mode, const std::string& direction, unsigned message) const {
        std::ifstream in(m_logs + "-engine-" + mode + ".log");
        std::string line;
        int count = 0;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string ms, who, pid, dir;
            unsigned number = 0;
            if (fields >> ms >> who >> pid >> dir >> number && dir == direction && number == message)
                ++count;
        }
        return count;
    }
    bool BothLogged(const std::string& direction, unsigned message, int timeoutMs) const {
        return WaitUntil(
            [&] { return Logged("Ms", direction, message) > 0 && Logged("Md", direction, message) > 0; },
            timeoutMs);
    }

    // A value of the main store, or -1.
    long long StoreValue(const std::string& sql) const {
        const std::string path = m_base + "/DataBase/db_Velmora.db";
        sqlite3* db = nullptr;
        long long value = -1;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
                sqlite3_step(stmt) == SQLITE_ROW)
                value =
                    sqlite3_column_type(stmt, 0) == SQLITE_TEXT
                        ? (std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) == "ok"
                               ? 1
                               : 0)
                        : sqlite3_column_int64(stmt, 0);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return value;
    }

    std::string Tool(std::vector<std::string> args, int timeoutMs = 10000) {
        args.insert(args.begin(), "xdotool");
        return RunTool(args, timeoutMs, nullptr, DisplayEnv());
    }

    // The newest visible window of the console whose title holds `title` (UTF-8), or 0.
    unsigned long FindWindow(const std::string& title, int timeoutMs = 20000) {
        unsigned long found = 0;
        WaitUntil(
            [&] {
                std::istringstream ids(Tool({"search", "--onlyvisible", "--name", title}));
                unsigned long id = 0;
                while (ids >> id)
                    found = id;
                return found != 0;
            },
            timeoutMs);
        return found;
    }
    std::vector<unsigned long> ConsoleWindows() {
        std::vector<unsigned long> windows;
        std::istringstream ids(Tool({"search", "--onlyvisible", "--pid", std::to_string(m_console), ""}));
        unsigned long id = 0;
        while (ids >> id)
            windows.push_back(id);
        return windows;
    }
    // Waits for a window of the console that was not there before (a message box).
    unsigned long WaitForNewWindow(const std::vector<unsigned long>& before, int timeoutMs = 10000) {
        unsigned long found = 0;
        WaitUntil(
            [&] {
                for (unsigned long w : ConsoleWindows())
                    if (std::find(before.begin(), before.end(), w) == before.end())
                        found = w;
                return found != 0;
            },
            timeoutMs);
        return found;
    }

    void Click(unsigned long window, int x, int y) {
        Tool({"mousemove", "--window", std::to_string(window), std::to_string(x), std::to_string(y)});
        Tool({"click", "1"});
    }
    void Focus(unsigned long window) { Tool({"windowfocus", "--sync", std::to_string(window)}); }
    void Type(const std::string& text) { Tool({"type", "--delay", "30", text}); }
    void Key(const std::string& key) { Tool({"key", key}); }

    // The window as shown once it shows that colour (it may not have painted yet).
    ScreenImage CaptureShowing(unsigned long window, std::uint32_t colour, int timeoutMs = 10000) {
        ScreenImage shot;
        WaitUntil(
            [&] {
                shot = m_x->Capture(window);
                return !FindColour(shot, colour).Empty();
            },
            timeoutMs);
        return shot;
    }

    void Screenshot(unsigned long window, const std::string& name) {
        EXPECT_TRUE(SavePng(m_x->Capture(window), m_artifacts + "/screens/" + name + ".png")) << name;
    }

    // Engine processes that own a window listed in the station.
    std::vector<pid_t> EnginePids() const {
        std::vector<pid_t> pids;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(m_drive.Station(), ec)) {
            const std::string name = entry.path().filename().string();
            for (const std::string& title : {HexTitle("Zorvik-MS"), HexTitle("Zorvik-MD")})
                if (name.rfind("win-" + title + "-", 0) == 0) {
                    const size_t start = 5 + title.size();
                    pids.push_back(static_cast<pid_t>(std::stol(name.substr(start))));
                }
        }
        return pids;
    }
    // Running processes of the installed engine, listed in the station or not.
    std::vector<pid_t> EngineProcesses() const {
        std::vector<pid_t> pids;
        std::error_code ec;
        const fs::path engine = fs::path(m_base) / "zorvik_zuzidi.exe";
        for (const auto& entry : fs::directory_iterator("/proc", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
                continue;
            std::error_code linkError;
            const fs::path exe = fs::read_symlink(entry.path() / "exe", linkError);
            const pid_t pid = static_cast<pid_t>(std::stol(name));
            if (!linkError && exe == engine && IsRunning(pid))
                pids.push_back(pid);
        }
        std::sort(pids.begin(), pids.end());
        return pids;
    }
    // The message box (captioned with the program's name) that process pid shows, or 0.
    unsigned long WaitForBox(pid_t pid, int timeoutMs = 20000) {
        unsigned long box = 0;
        WaitUntil(
            [&] {
                std::istringstream ids(Tool({"search", "--all", "--onlyvisible", "--pid", std::to_string(pid),
                                             "--name", "^zorvik$"}));
                return static_cast<bool>(ids >> box);
            },
            timeoutMs);
        return box;
    }
    std::string ConsoleLog() const {
        std::stringstream log;
        log << std::ifstream(m_log).rdbuf();
        return log.str();
    }
    // The close box ends the console and every engine with it.
    void CloseAndExpectAllEnded(unsigned long main) {
        ASSERT_TRUE(m_x->SendCloseRequest(main));
        EXPECT_TRUE(WaitForExit(m_console, 20000)) << "the close box did not end the console";
        EXPECT_TRUE(WaitUntil(
            [&] {
                ReapEnded();
                return EngineProcesses().empty();
            },
            10000))
            << "an engine still runs";
    }

    static std::string HexTitle(const std::string& title) {
        std::string hex;
        char buffer[3];
        for (unsigned char c : title) {
            snprintf(buffer, sizeof buffer, "%02x", c);
            hex += buffer;
        }
        return hex;
    }

    // The real console's first window: the login.
    unsigned long StartConsole() {
        m_console = Spawn({ZORVIK_CONSOLE_EXE}, DisplayEnv(), m_base, m_log);
        EXPECT_GT(m_console, 0);
        const unsigned long login = FindWindow("Korvex");
        EXPECT_NE(login, 0u) << "no login window";
        return login;
    }

    // Both logins, the agreement and OK, as the operator enters them; the main window once
    // both engines are up and report.
    // With checkAgreement, OK is first pressed before the agreement is ticked; without
    // awaitEngines it returns once OK is pressed.
    unsigned long LogIn(bool checkAgreement = false, bool awaitEngines = true) {
        const unsigned long login = StartConsole();
        if (!login)
            return 0;
        // Login: each field is clicked at its place in template 132, scaled by where OK, Cancel
        // and the two logos are drawn.
        ScreenImage shot = CaptureShowing(login, kOkFill);
        Screenshot(login, "e2e-login");
        // Cancel is the dark button on the row of OK, to its right.
        PixelBox ok = FindColour(shot, kOkFill);
        EXPECT_FALSE(ok.Empty());
        PixelBox cancel = FindColour(shot, kCancelFill, {ok.right, ok.top, shot.width, ok.bottom});
        EXPECT_FALSE(cancel.Empty());
        if (ok.Empty() || cancel.Empty())
            return 0;
        const auto& okItem = Item(IDD_LOGIN_DIALOG, 1);
        const auto& cancelItem = Item(IDD_LOGIN_DIALOG, 2);
        // The y scale comes from the logo frames above the buttons.
        PixelBox logo = FindColour(shot, 0x14001E);
        const auto& logo2 = Item(IDD_LOGIN_DIALOG, 1218);
        const auto& logo1 = Item(IDD_LOGIN_DIALOG, 1216);
        DialogUnits du =
            DialogUnits::From(okItem.x + okItem.cx / 2.0, ok.CenterX(), cancelItem.x + cancelItem.cx / 2.0,
                              cancel.CenterX(), logo1.y, logo.top, logo2.y + logo2.cy, logo.bottom);
        auto clickItem = [&](int id) {
            const auto& item = Item(IDD_LOGIN_DIALOG, id);
            Click(login, du.X(item.x + item.cx / 2.0), du.Y(item.y + item.cy / 2.0));
        };
        auto typeInto = [&](int id, const std::string& text) {
            clickItem(id);
            Type(text);
        };
        typeInto(1064, "user1");
        typeInto(1065, "pw1");
        typeInto(1057, "11111111");
        typeInto(1072, "user2");
        typeInto(1074, "pw2");
        typeInto(1058, "22222222");
        if (checkAgreement) {
            // OK before the agreement is ticked: a box with an empty caption says so.
            const std::vector<unsigned long> beforeBox = ConsoleWindows();
            clickItem(IDOK);
            const unsigned long agreeBox = WaitForNewWindow(beforeBox);
            EXPECT_NE(agreeBox, 0u) << "no agreement message";
            std::string caption = Tool({"getwindowname", std::to_string(agreeBox)});
            caption.erase(std::remove_if(caption.begin(), caption.end(),
                                         [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
                          caption.end());
            EXPECT_EQ(caption, "") << "the agreement message has an empty caption";
            Screenshot(agreeBox, "e2e-login-agreement");
            Focus(agreeBox);
            Key("Return");
            EXPECT_TRUE(WaitUntil([&] { return ConsoleWindows().size() == beforeBox.size(); }, 10000));
        }
        clickItem(1234);
        Screenshot(login, "e2e-login-filled");
        clickItem(IDOK);
        if (!awaitEngines)
            return login;

        // The main window; the first engine starts, reports, and the second follows.
        const unsigned long main = FindWindow("Zorvik-Master");
        EXPECT_NE(main, 0u) << "no main window";
        EXPECT_TRUE(WaitUntil([&] { return EnginePids().size() == 2; }, 20000)) << "both engines are up";
        EXPECT_TRUE(BothLogged("sent", kCopyData, 10000)) << "both engines report";
        return main;
    }

    TempDrive m_drive;
    std::string m_artifacts, m_logs, m_log, m_base, m_displayName;
    std::unique_ptr<XDisplay> m_x;
    pid_t m_server = -1;
    pid_t m_console = -1;
};

TEST_F(EndToEnd, OperatorRunsTheConsoleFromLoginToClose) {
    const unsigned long main = LogIn(true);
    ASSERT_NE(main, 0u);
    Screenshot(main, "e2e-main-stopped");

    ScreenImage shot = CaptureShowing(main, kStopFill);
    PixelBox stop = FindColour(shot, kStopFill);
    PixelBox header = FindColour(shot, kHeaderFill);
    PixelBox apply = FindColour(shot, kOkFill, {stop.right, stop.top, shot.width, stop.bottom});
    ASSERT_FALSE(stop.Empty());
    ASSERT_FALSE(header.Empty());
    ASSERT_FALSE(apply.Empty());
    const auto& stopItem = Item(IDD_VOSSEN_DIALOG, IDC_BTN_STOP);
    const auto& applyItem = Item(IDD_VOSSEN_DIALOG, IDC_BTN_APPLY);
    const auto& accountList = Item(IDD_VOSSEN_DIALOG, IDC_LIST_ACCOUNT);
    DialogUnits mdu = DialogUnits::From(stopItem.x + stopItem.cx / 2.0, stop.CenterX(),
                                        applyItem.x + applyItem.cx / 2.0, apply.CenterX(), accountList.y,
                                        header.top, stopItem.y + stopItem.cy / 2.0, stop.CenterY());
    const auto& startItem = Item(IDD_VOSSEN_DIALOG, IDC_BTN_START);
    PixelBox startBox{mdu.X(startItem.x), mdu.Y(startItem.y), mdu.X(startItem.x + startItem.cx),
                      mdu.Y(startItem.y + startItem.cy)};
    EXPECT_FALSE(FindColour(shot, kStartStopped, startBox).Empty()) << "Start is grey while stopped";
    Click(main, static_cast<int>(startBox.CenterX()), static_cast<int>(startBox.CenterY()));
    EXPECT_TRUE(
        WaitUntil([&] { return !FindColour(m_x->Capture(main), kStartRunning, startBox).Empty(); }, 10000))
        << "Start turns green";
    Screenshot(main, "e2e-main-running");
    EXPECT_TRUE(BothLogged("recv", kTraderStart, 10000));

    // The operator ticks the daily loss stop of the panel (its limit stays 60 만원).
    const auto& lossCheck = Item(IDD_VOSSEN_DIALOG, IDC_CHECK_DAY_LOSS_MAX);
    Click(main, mdu.X(lossCheck.x + 5), mdu.Y(lossCheck.y + lossCheck.cy / 2.0));

    // F12 and Yes: the settings are saved.
    Focus(main);
    std::vector<unsigned long> before = ConsoleWindows();
    Key("F12");
    const unsigned long question = WaitForNewWindow(before);
    ASSERT_NE(question, 0u) << "no question for F12";
    Screenshot(question, "e2e-apply-question");
    Focus(question);
    Key("Return");
    EXPECT_TRUE(WaitUntil([&] { return ConsoleWindows().size() == before.size(); }, 10000));
    EXPECT_TRUE(BothLogged("recv", kReloadSettings, 10000)) << "both engines reload";
    EXPECT_EQ(StoreValue("select value from VnStrategy where name = 'day_tot_loss_max_use'"), 1);
    EXPECT_EQ(StoreValue("select count(*) from VnStrategy"), 67);

    // The scenario's loss now stops both engines.
    EXPECT_TRUE(BothLogged("recv", kDayLossStop, 30000)) << "the daily loss stop reached both engines";
    Screenshot(main, "e2e-main-loss-stop");

    // 엑셀저장 writes today's list.
    const auto& excel = Item(IDD_VOSSEN_DIALOG, IDC_BTN_EXCEL_SAVE);
    before = ConsoleWindows();
    Click(main, mdu.X(excel.x + excel.cx / 2.0), mdu.Y(excel.y + excel.cy / 2.0));
    const unsigned long saved = WaitForNewWindow(before);
    ASSERT_NE(saved, 0u) << "no message after the export";
    Screenshot(saved, "e2e-export-saved");
    Focus(saved);
    Key("Return");
    EXPECT_TRUE(WaitUntil([&] { return ConsoleWindows().size() == before.size(); }, 10000));
    std::string csv;
    WaitUntil(
        [&] {
            for (const auto& entry : fs::directory_iterator(m_base))
                if (entry.path().filename().string().find("_list_Day.csv") != std::string::npos)
                    csv = entry.path().string();
            return !csv.empty();
        },
        5000);
    ASSERT_FALSE(csv.empty()) << "no CSV in the base folder";
    std::stringstream rows;
    rows << std::ifstream(csv).rdbuf();
    EXPECT_NE(rows.str().find("\r\n"), std::string::npos);
    EXPECT_NE(rows.str().find("NQZ20"), std::string::npos) << "the closed trade is listed";

    // The close box: both engines are asked to exit, then the console ends.
    const std::vector<pid_t> engines = EnginePids();
    ASSERT_TRUE(m_x->SendCloseRequest(main));
    EXPECT_EQ(engines.size(), 2u);
    int status = -1;
    EXPECT_TRUE(WaitForExit(m_console, 20000, &status)) << "the console did not end";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see " << m_log;
    EXPECT_EQ(Logged("Ms", "recv", kTraderExit), 1);
    EXPECT_EQ(Logged("Md", "recv", kTraderExit), 1);
    for (pid_t engine : engines)
        EXPECT_TRUE(WaitForExit(engine, 10000)) << "engine " << engine << " still runs";
    EXPECT_EQ(StoreValue("pragma integrity_check"), 1) << "the store stays sound";
}

} // namespace

namespace {

TEST_F(EndToEnd, ASecondConsoleSaysItIsRunningAndLeavesTheFirstAlone) {
    const unsigned long main = LogIn();
    ASSERT_NE(main, 0u);
    const std::vector<pid_t> engines = EnginePids();
    const std::string store = m_base + "/DataBase/db_Velmora.db";
    const auto storeTime = fs::last_write_time(store);

    const pid_t second = Spawn({ZORVIK_CONSOLE_EXE}, DisplayEnv(), m_base, m_log);
    ASSERT_GT(second, 0);
    const unsigned long box = WaitForBox(second);
    ASSERT_NE(box, 0u) << "the second console shows nothing";
    Screenshot(box, "e2e-second-console");
    EXPECT_TRUE(Tool({"search", "--all", "--pid", std::to_string(second), "--name", "Korvex"}).empty())
        << "the second console shows a login";
    std::stringstream log;
    log << std::ifstream(m_log).rdbuf();
    EXPECT_NE(log.str().find(AnsiToHostUtf8("zorvik: 프로그램이 이미 실행 중입니다.")), std::string::npos)
        << log.str();
    Focus(box);
    Key("Return");
    int status = -1;
    EXPECT_TRUE(WaitForExit(second, 10000, &status)) << "the second console did not end";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0) << "a script can tell a refused start";

    // The first console and its engines go on as before; the store was not touched.
    EXPECT_TRUE(IsRunning(m_console));
    EXPECT_EQ(EnginePids(), engines);
    for (pid_t engine : engines)
        EXPECT_TRUE(IsRunning(engine));
    EXPECT_EQ(Logged("Ms", "recv", kTraderExit), 0);
    EXPECT_EQ(Logged("Md", "recv", kTraderExit), 0);
    EXPECT_EQ(fs::last_write_time(store), storeTime);
}

TEST_F(EndToEnd, AStationOpenToOthersIsToldAndNothingStarts) {
    fs::create_directories(m_drive.Station());
    fs::permissions(m_drive.Station(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    m_console = Spawn({ZORVIK_CONSOLE_EXE}, DisplayEnv(), m_base, m_log);
    ASSERT_GT(m_console, 0);
    const unsigned long box = WaitForBox(m_console);
    ASSERT_NE(box, 0u) << "the console tells nothing";
    Screenshot(box, "e2e-station-refused");
    std::stringstream log;
    log << std::ifstream(m_log).rdbuf();
    EXPECT_NE(log.str().find(AnsiToHostUtf8("폴더: ") + m_drive.Station() + "\n"), std::string::npos)
        << log.str();
    EXPECT_NE(log.str().find(AnsiToHostUtf8("다른 사용자도 열 수 있는 폴더입니다")), std::string::npos);
    Focus(box);
    Key("Return");
    int status = -1;
    EXPECT_TRUE(WaitForExit(m_console, 10000, &status)) << "the console did not end";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0) << "a script can tell a refused start";
    // No login, no engine, no folder below the base folder.
    EXPECT_TRUE(EnginePids().empty());
    EXPECT_FALSE(fs::exists(m_base + "/DataBase"));
}

TEST_F(EndToEnd, SigtermEndsTheConsoleAsItsMenuExitDoes) {
    ASSERT_NE(LogIn(), 0u);
    const std::vector<pid_t> engines = EnginePids();
    ASSERT_EQ(engines.size(), 2u);
    const long long signalled = NowMs();
    ASSERT_EQ(kill(m_console, SIGTERM), 0);
    // Both engines are told to exit and end within 5 s.
    // (They are the console's children until it ends, then this process's.)
    for (pid_t engine : engines)
        EXPECT_TRUE(WaitUntil(
            [&] {
                ReapEnded();
                return !IsRunning(engine);
            },
            static_cast<int>(std::max(0LL, signalled + 5000 - NowMs()))))
            << "engine " << engine << " still runs";
    EXPECT_EQ(Logged("Ms", "recv", kTraderExit), 1);
    EXPECT_EQ(Logged("Md", "recv", kTraderExit), 1);
    int status = -1;
    EXPECT_TRUE(WaitForExit(m_console, 10000, &status)) << "the console did not end";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(EnginePids().empty());
    EXPECT_EQ(StoreValue("pragma integrity_check"), 1);
}

TEST_F(EndToEnd, SigintAndSighupDuringTheLoginEndTheConsoleAsCancelDoes) {
    for (int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        ASSERT_NE(StartConsole(), 0u);
        ASSERT_EQ(kill(m_console, signal), 0);
        int status = -1;
        EXPECT_TRUE(WaitForExit(m_console, 10000, &status)) << "the console did not end";
        EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
        EXPECT_EQ(WEXITSTATUS(status), 0);
        m_console = -1;
        EXPECT_TRUE(EnginePids().empty());
        EXPECT_EQ(StoreValue("select count(*) from VnAccount"), 0) << "no login was saved";
    }
}

// Supervision as an operator, a broken engine and a careless script try it: the console never
// ends while its engines trade, and never runs more engines than accounts.

// Posts to the console's window as any other local process may.
bool PostToConsole(unsigned message, WPARAM wParam) {
    HWND master = FindWindowA(nullptr, "Zorvik-Master");
    return master && PostMessageA(master, message, wParam, 0);
}

TEST_F(EndToEnd, EscapeAloneOrAfterTheMenuLeavesTheConsoleAndBothEnginesRunning) {
    const unsigned long main = LogIn();
    ASSERT_NE(main, 0u);
    const std::vector<pid_t> engines = EngineProcesses();
    ASSERT_EQ(engines.size(), 2u);
    // The menu 프로그램 opened with a click on the menu bar, and left with two Escapes; then
    // Escape alone.
    Click(main, 25, 10);
    usleep(500 * 1000);
    Screenshot(main, "e2e-main-menu-open");
    Key("Escape");
    Key("Escape");
    usleep(1000 * 1000);
    EXPECT_TRUE(IsRunning(m_console)) << "Escape after the menu ended the console";
    Focus(main);
    Key("Escape");
    usleep(1000 * 1000);
    EXPECT_TRUE(IsRunning(m_console)) << "Escape ended the console";
    EXPECT_EQ(EngineProcesses(), engines);
    EXPECT_EQ(Logged("Ms", "recv", kTraderExit), 0);
    EXPECT_EQ(Logged("Md", "recv", kTraderExit), 0);

    CloseAndExpectAllEnded(main);
}

TEST_F(EndToEnd, AConsoleStartedAfterACrashEndsTheLeftEnginesAndRunsExactlyTwo) {
    ASSERT_NE(LogIn(), 0u);
    const std::vector<pid_t> left = EngineProcesses();
    ASSERT_EQ(left.size(), 2u);
    ASSERT_EQ(kill(m_console, SIGKILL), 0);
    ASSERT_TRUE(WaitForExit(m_console, 5000));
    EXPECT_EQ(EngineProcesses(), left) << "the engines outlive a crashed console";

    // The new console finds them after its login, says so, and starts its own pair once the
    // old one has gone; there are never more than two engines.
    LogIn(false, false);
    const unsigned long box = WaitForBox(m_console);
    ASSERT_NE(box, 0u) << "the new console does not tell of the left engines";
    Screenshot(box, "e2e-left-engines");
    EXPECT_NE(ConsoleLog().find(AnsiToHostUtf8("이전에 실행된 엔진이 아직 실행 중입니다.")),
              std::string::npos);
    EXPECT_LE(EngineProcesses().size(), 2u);
    Focus(box);
    Key("Return");
    std::vector<pid_t> seen;
    EXPECT_TRUE(WaitUntil(
        [&] {
            ReapEnded();
            seen = EngineProcesses();
            EXPECT_LE(seen.size(), 2u) << "more engines than accounts";
            return seen.size() == 2u && std::none_of(seen.begin(), seen.end(), [&](pid_t p) {
                       return std::find(left.begin(), left.end(), p) != left.end();
                   });
        },
        30000))
        << "not exactly the two new engines";
    EXPECT_EQ(Logged("Ms", "recv", kTraderExit), 1) << "the left Ms engine was told to exit";
    EXPECT_EQ(Logged("Md", "recv", kTraderExit), 1) << "the left Md engine was told to exit";

    const unsigned long main = FindWindow("Zorvik-Master");
    ASSERT_NE(main, 0u);
    CloseAndExpectAllEnded(main);
}

TEST_F(EndToEnd, FiveStrayStartReportsOfAnotherProcessLeaveTwoEngines) {
    const unsigned long main = LogIn();
    ASSERT_NE(main, 0u);
    const std::vector<pid_t> engines = EngineProcesses();
    ASSERT_EQ(engines.size(), 2u);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(PostToConsole(kTraderStarted, 1));
    usleep(3000 * 1000);
    EXPECT_EQ(EngineProcesses(), engines) << "a stray start report launched an engine";

    CloseAndExpectAllEnded(main);
}

TEST_F(EndToEnd, TwoStrayExitAnswersOfAnotherProcessLeaveTheConsoleRunning) {
    const unsigned long main = LogIn();
    ASSERT_NE(main, 0u);
    const std::vector<pid_t> engines = EngineProcesses();
    ASSERT_EQ(engines.size(), 2u);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(PostToConsole(kTraderExit, 0));
    usleep(2000 * 1000);
    EXPECT_TRUE(IsRunning(m_console)) << "stray exit answers ended the console";

    CloseAndExpectAllEnded(main);
}

TEST_F(EndToEnd, TheCloseEndsBothEnginesAfterTheStationFolderWasRemoved) {
    const unsigned long main = LogIn();
    ASSERT_NE(main, 0u);
    const std::vector<pid_t> engines = EngineProcesses();
    ASSERT_EQ(engines.size(), 2u);
    fs::remove_all(m_drive.Station());
    ASSERT_TRUE(m_x->SendCloseRequest(main));
    EXPECT_TRUE(WaitUntil([&] { return EngineProcesses().empty(); }, 15000)) << "an engine still runs";
    EXPECT_EQ(Logged("Ms", "recv", kTraderExit), 1);
    EXPECT_EQ(Logged("Md", "recv", kTraderExit), 1);
    int status = -1;
    EXPECT_TRUE(WaitForExit(m_console, 20000, &status)) << "the console did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
