// The reply time of an account-information record while the trading log behind the list has
// not changed: the real main dialog on Qt's offscreen platform, its first account's log
// holding 300,000 trades of the current trading day, and an engine process sending the
// record and waiting for each reply, as the engines do. Its baseline is the same record sent
// to a bare window of the console's process that answers at once. The two alternate in
// batches (record, bare, record, bare ...) and the median of the pairs' ratios is printed.
// The program plays every part: started with --sender it is the engine.
// Options: --rows=N trades in the log (default 300000), --pairs=N (default 21), --batch=N
// records per batch (default 50).
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ConsoleRun.h"
#include "RatioReporter.h"
#include "console/VossenApp.h"
#include "console/VossenDlg.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/CommandLine.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Process.h"
#include "platform/win/Wnd.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/TempDrive.h"
#include "support/TradingLogFile.h"
#include "uitest/UiTest.h"

namespace {

constexpr char kEchoTitle[] = "Zorvik-Bench-Echo";
constexpr char kInfoMs[] = "1|1|1|0|0|0|12345.5|0|250.25|-30.5|1200.75|2||0.5|20240102||20240103|";
constexpr char kInfoMd[] = "0|1|1|0|0|0|23456.5|0|-120.5|10.25|-300.5|2||0.5|20240102||20240103|";
constexpr char kFirstAccount[] = "11110001";    // the first account of PrepareConsole
constexpr int kSecondsPerDayWindow = 23 * 3600; // 07:00 on the first day to 06:00 on the next

double NowSeconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

LRESULT SendRecord(HWND to, HWND from, const char* text) {
    COPYDATASTRUCT cds{COPYDATA_ACCOUNT_INFO, static_cast<DWORD>(std::strlen(text) + 1),
                       const_cast<char*>(text)};
    return SendMessageA(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&cds));
}

std::string PairsFile() {
    return std::string(std::getenv("ZORVIK_STATION")) + "/history-pairs.txt";
}

HWND FindWithin(const char* title) {
    HWND found = nullptr;
    for (int i = 0; i < 1000 && !found; ++i) {
        found = FindWindowA(nullptr, title);
        if (!found)
            usleep(10000);
    }
    return found;
}

// Seconds per record of one batch sent to `to`.
double TimeBatch(HWND to, HWND from, int batch) {
    const double start = NowSeconds();
    for (int i = 0; i < batch; ++i)
        SendRecord(to, from, kInfoMs);
    return (NowSeconds() - start) / batch;
}

// --sender <pairs> <batch>: the first engine, timing the dialog's replies and the bare ones.
int RunSender(int pairs, int batch) {
    CWnd window;
    window.CreateEx(0, kTraderTitleMs, WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
    const HWND master = FindWithin(kTraderTitleMaster);
    const HWND echo = FindWithin(kEchoTitle);
    if (!master || !echo)
        return 2;
    PostMessageA(master, WM_TRADER_STARTED, 1, 0);
    // Both accounts report; the first full read of the log is not timed.
    SendRecord(master, window.m_hWnd, kInfoMd);
    SendRecord(master, window.m_hWnd, kInfoMs);
    std::ofstream out(PairsFile());
    for (int pair = 0; pair < pairs; ++pair) {
        const double measured = TimeBatch(master, window.m_hWnd, batch);
        const double baseline = TimeBatch(echo, window.m_hWnd, batch);
        out << measured << " " << baseline << "\n";
    }
    out.close();
    PostMessageA(master, WM_TRADER_EXIT, 0, 0);
    window.DestroyWindow();
    return 0;
}

void StartSender(int pairs, int batch) {
    StartSelf(CString("--sender ") + std::to_string(pairs).c_str() + " " + std::to_string(batch).c_str());
}

// A window that answers every record at once: the bare round trip.
class CEchoWnd : public CWnd {
protected:
    BOOL OnCopyData(CWnd*, COPYDATASTRUCT*) override { return TRUE; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEchoWnd, CWnd)
ON_WM_COPYDATA()
END_MESSAGE_MAP()

// The real main dialog, ended once the engine's window is gone.
class CBenchDlg : public CVossenDlg {
protected:
    static constexpr UINT_PTR kWatch = 77;
    static constexpr UINT kWatchMs = 500;
    BOOL OnInitDialog() override {
        BOOL focus = CVossenDlg::OnInitDialog();
        SetTimer(kWatch, kWatchMs, nullptr);
        return focus;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == kWatch) {
            if (!FindWindowA(nullptr, kTraderTitleMs) && std::ifstream(PairsFile()).good())
                EndDialog(IDOK);
            return;
        }
        CVossenDlg::OnTimer(id);
    }
};

// Trades of the first account spread over the trading day of the records.
void WriteLog(int rows) {
    TradingLogFile log(kFirstAccount);
    std::vector<TradingLogEntry> entries(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        const int second = static_cast<int>(static_cast<long long>(i) * kSecondsPerDayWindow / rows);
        const int clock = 7 * 3600 + second;
        char time[32];
        std::snprintf(time, sizeof time, "2024010%d%02d%02d%02d", clock / 86400 + 2, clock / 3600 % 24,
                      clock / 60 % 60, clock % 60);
        TradingLogEntry& e = entries[static_cast<std::size_t>(i)];
        e.account = kFirstAccount;
        e.code = "NQH24";
        e.inTime = time;
        e.outTime = time;
        e.qty = 1;
        e.inPrice = 15000.25;
        e.outPrice = 15001.5;
        e.profit = 25;
        e.fee = 2.5;
    }
    log.AddAll(entries);
}

} // namespace

int main(int argc, char** argv) {
    // The sender is started through the platform, which hands it its words in its environment.
    zwin::TakeCommandLine(argc, argv);
    int senderPairs = 0, senderBatch = 0;
    if (std::sscanf(GetCommandLineA(), "--sender %d %d", &senderPairs, &senderBatch) == 2)
        return RunSender(senderPairs, senderBatch);
    int rows = 300000, pairs = 21, batch = 50;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0)
            rows = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strncmp(argv[i], "--pairs=", 8) == 0)
            pairs = std::max(1, std::atoi(argv[i] + 8));
        else if (std::strncmp(argv[i], "--batch=", 8) == 0)
            batch = std::max(1, std::atoi(argv[i] + 8));
    }
    TempDrive drive; // its own drive C: and station folder, which the engines inherit
    PrepareConsole(drive, "NQH24");
    WriteLog(rows);
    // No engine program is installed: the launch failures are answered here.
    SetMessageBoxResponder([](const CString&, const CString&, UINT) { return IDOK; });

    CEchoWnd echo;
    echo.CreateEx(0, kEchoTitle, WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
    {
        CBenchDlg dlg;
        zui::WhenIdle([pairs, batch] { StartSender(pairs, batch); });
        dlg.DoModal();
    }
    echo.DestroyWindow();

    std::vector<double> measured, baseline;
    std::ifstream in(PairsFile());
    for (double m = 0, b = 0; in >> m >> b;) {
        measured.push_back(m);
        baseline.push_back(b);
    }
    ShutdownCleanup();
    if (measured.empty()) {
        std::fprintf(stderr, "the sender reported nothing\n");
        return 1;
    }
    std::printf("history_unchanged_reply rows=%d pairs=%zu batch=%d reply_us=%.1f bare_us=%.1f\n", rows,
                measured.size(), batch, Median(measured) * 1e6, Median(baseline) * 1e6);
    return PrintRatioLine("history_unchanged_reply", MedianPairRatio(measured, baseline)) < 0 ? 1 : 0;
}
