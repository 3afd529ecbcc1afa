// The console's side of the engines' status records:
//  - the round trip of an account update sent by an engine process through the console's
//    WM_COPYDATA handling (intake, sums and the five rules) and back, beside a bare round trip
//    of a datagram of the same size to an echo process making blocking calls;
//  - the console's handling alone, called in one process (parse, sums, rules, refresh),
//    beside the least that work needs: the same fields parsed with from_chars and added.
// The load run with the real console is in console_bench.
// The program plays both parts: started with --console it is the console.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BareEcho.h"
#include "PlainConsole.h"
#include "RatioReporter.h"
#include "platform/core/Path.h"
#include "platform/win/CommandLine.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Process.h"
#include "platform/win/Station.h"
#include "store/TradeState.h"
#include "supervision/TraderLink.h"
#include "supervision/TraderMessages.h"
#include "support/TempDrive.h"

namespace {

constexpr char kEngineTitle[] = "Zorvik-Bench-Engine";
constexpr char kUpdateMs[] = "1|1|1|0|0|0|12345.5|0|250.25|-30.5|1200.75|0|0|0|0|0";
constexpr char kUpdateMd[] = "0|1|1|0|0|0|23456.5|0|-120.5|10.25|-300.5|0|0|0|0|0";
constexpr char kInfoMs[] = "1|1|1|0|0|0|12345.5|0|250.25|-30.5|1200.75|2||0.5|20240102||20240105|";
constexpr char kInfoMd[] = "0|1|1|0|0|0|23456.5|0|-120.5|10.25|-300.5|2||0.5|20240102||20240105|";

void SleepSeconds(double s) {
    if (s <= 0)
        return;
    timespec ts{static_cast<time_t>(s),
                static_cast<long>((s - static_cast<double>(static_cast<time_t>(s))) * 1e9)};
    nanosleep(&ts, nullptr);
}

std::string StationPath(const char* name) {
    const char* station = std::getenv("ZORVIK_STATION");
    return std::string(station ? station : "/tmp") + "/" + name;
}

// Every engine of the benchmark applies the rules in full: each is enabled, none holds.
void ArmRules(CTradeState& s) {
    s.day_tot_profit_max_use = 1;
    s.day_tot_profit_max = 2000000000;
    s.won_dallar = 1200;
    s.day_tot_loss_max_use = 1;
    s.day_tot_loss_max = 2000000000;
    s.allclear_allset_profit_use = 1;
    s.allclear_allset_profit = 2000000000;
    s.allclear_allset_loss_use = 1;
    s.allclear_allset_loss = 2000000000;
    s.profit_reserve_use = 1;
    s.profit_reserve_base = 2000000000;
    s.profit_reserve_trigger = 30;
    s.profit_reserve_rest = 60;
}

void OpenConsole(CPlainConsole& console) {
    g_pTradeState = new CTradeState;
    ArmRules(*g_pTradeState);
    console.CreateEx(0, kTraderTitleMaster, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
    g_pTraderLink = &console;
}

// Runs the console until the driver's engine window has gone (the console acts on exit
// answers of its own engines only).
void RunLoop(CWnd& console) {
    constexpr UINT_PTR kWatch = 77;
    constexpr UINT kWatchMs = 100;
    ::SetTimer(console.m_hWnd, kWatch, kWatchMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && msg.wParam == kWatch) {
            if (!FindWindowA(nullptr, kEngineTitle))
                break;
            continue;
        }
        DispatchMessageA(&msg);
    }
}

void StartSelf(const std::string& arguments) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        std::perror("readlink");
        std::exit(2);
    }
    self[n] = '\0';
    CString command = "\"" + WindowsPath(self) + "\" " + arguments.c_str();
    std::vector<char> buffer(command.GetString(), command.GetString() + command.GetLength() + 1);
    STARTUPINFOA si{};
    si.cb = 68;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s: %u\n", self, GetLastError());
        std::exit(2);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

HWND WaitForWindow(const char* title, bool present) {
    for (int i = 0; i < 1000; ++i) {
        HWND h = FindWindowA(nullptr, title);
        if ((h != nullptr) == present)
            return h;
        zwin::PumpWaitingMessages();
        SleepSeconds(0.01);
    }
    std::fprintf(stderr, "window %s did not %s\n", title, present ? "appear" : "go");
    std::exit(2);
}

LRESULT SendRecord(HWND to, HWND from, ULONG_PTR kind, const char* text) {
    COPYDATASTRUCT cds{kind, static_cast<DWORD>(std::strlen(text) + 1), const_cast<char*>(text)};
    return SendMessageA(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&cds));
}

// ---------------------------------------------------------------------------------------
// --console: the console of the round trips.

int RunConsole() {
    CPlainConsole console;
    OpenConsole(console);
    RunLoop(console);
    console.DestroyWindow();
    return 0;
}

// ---------------------------------------------------------------------------------------
// The driver: the engine side of the round trips, then the console of the load run.

HWND g_master = nullptr;
HWND g_engine = nullptr;
int g_bare = -1;
sockaddr_un g_echoAddress{};

void BM_AccountUpdateRoundTrip(benchmark::State& state) {
    long i = 0;
    for (auto _ : state)
        SendRecord(g_master, g_engine, COPYDATA_ACCOUNT_UPDATE, (i++ & 1) ? kUpdateMd : kUpdateMs);
    zwin::PumpWaitingMessages();
}

void BM_BareDatagramRoundTrip(benchmark::State& state) {
    // The same bytes as the record's datagram: the 48-byte header and the text.
    std::vector<char> datagram(48 + sizeof kUpdateMs, 'x');
    char reply[70000];
    for (auto _ : state) {
        sendto(g_bare, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&g_echoAddress),
               sizeof g_echoAddress);
        if (recv(g_bare, reply, sizeof reply, 0) <= 0) {
            state.SkipWithError("no echo");
            break;
        }
    }
}

// The console's share alone: the same handling called in this process, no transport.
void BM_AccountUpdateHandling(benchmark::State& state) {
    CTradeState tradeState;
    ArmRules(tradeState);
    CPlainConsole console;
    console.CreateEx(0, nullptr, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
    g_pTradeState = &tradeState;
    g_pTraderLink = &console;
    SendRecord(console.m_hWnd, g_engine, COPYDATA_ACCOUNT_INFO, kInfoMs);
    SendRecord(console.m_hWnd, g_engine, COPYDATA_ACCOUNT_INFO, kInfoMd);
    long i = 0;
    for (auto _ : state)
        SendRecord(console.m_hWnd, g_engine, COPYDATA_ACCOUNT_UPDATE, (i++ & 1) ? kUpdateMd : kUpdateMs);
    g_pTraderLink = nullptr;
    g_pTradeState = nullptr;
    console.DestroyWindow();
    zwin::PumpWaitingMessages();
}

// The least the handling must do: the same records' fields parsed and added.
void BM_BareFieldSum(benchmark::State& state) {
    long i = 0;
    for (auto _ : state) {
        const std::string_view record = (i++ & 1) ? kUpdateMd : kUpdateMs;
        double sum = 0;
        for (const char *p = record.data(), *end = p + record.size(); p < end;) {
            double value = 0;
            p = std::from_chars(p, end, value).ptr;
            sum += value;
            while (p < end && *p++ != '|') {
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}

void RunRoundTrips(RatioReporter& reporter) {
    sockaddr_un driverAddress{};
    const pid_t echo = StartEcho(StationPath("bench-echo.sock"), &g_echoAddress);
    CWnd engine;
    engine.CreateEx(0, kEngineTitle, WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
    g_engine = engine.m_hWnd;
    StartSelf("--console");
    g_master = WaitForWindow(kTraderTitleMaster, true);
    g_bare = BindDatagram(StationPath("bench-driver.sock"), &driverAddress);
    // Both accounts report first, so every update runs the rules.
    SendRecord(g_master, g_engine, COPYDATA_ACCOUNT_INFO, kInfoMs);
    SendRecord(g_master, g_engine, COPYDATA_ACCOUNT_INFO, kInfoMd);

    auto us = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond); };
    RatioReporter::RegisterPairs("BM_AccountUpdateRoundTrip", BM_AccountUpdateRoundTrip,
                                 "BM_BareDatagramRoundTrip", BM_BareDatagramRoundTrip, kRatioPairs, us);
    RatioReporter::RegisterPairs("BM_AccountUpdateHandling", BM_AccountUpdateHandling, "BM_BareFieldSum",
                                 BM_BareFieldSum, kRatioPairs, us);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("status_record_round_trip", "BM_AccountUpdateRoundTrip", "BM_BareDatagramRoundTrip");
    reporter.PrintRatio("status_record_handling", "BM_AccountUpdateHandling", "BM_BareFieldSum");

    engine.DestroyWindow();
    WaitForWindow(kTraderTitleMaster, false);
    StopEcho(echo, g_bare, g_echoAddress);
    close(g_bare);
}

} // namespace

int main(int argc, char** argv) {
    // The console part is started through the platform, which hands it its word in its
    // environment.
    zwin::TakeCommandLine(argc, argv);
    if (std::strcmp(GetCommandLineA(), "--console") == 0)
        return RunConsole();
    benchmark::Initialize(&argc, argv);
    TempDrive drive; // its own drive C: and station folder, which the started processes inherit
    mkdir(drive.Station().c_str(), 0700);
    RatioReporter reporter;
    RunRoundTrips(reporter);
    benchmark::Shutdown();
    return 0;
}
