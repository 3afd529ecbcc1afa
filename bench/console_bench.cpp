// Status records handled by the real console: its main dialog on Qt's offscreen platform, two
// engine processes sending account updates.
//  - Senders that wait for each reply, as the engines do: the records per second of both
//    together, beside the same records handled by a console without a window, the two runs
//    alternated.
//  - The load run: senders that do not wait, so that the console's queue can grow; the
//    queue's maximum and the records handled per second.
// The program plays every part: started with --sender it is an engine.
// Options: --records=N per engine for the waiting senders (default 10000), --load-records=N
// per engine for the load run (default 50000; 0 skips it).
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
#include "PlainConsole.h"
#include "RatioReporter.h"
#include "console/VossenApp.h"
#include "console/VossenDlg.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/CommandLine.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Process.h"
#include "platform/win/Station.h"
#include "store/TradeState.h"
#include "supervision/TraderLink.h"
#include "supervision/TraderMessages.h"
#include "support/TempDrive.h"
#include "uitest/UiTest.h"

namespace {

constexpr char kUpdateMs[] = "1|1|1|0|0|0|12345.5|0|250.25|-30.5|1200.75|0|0|0|0|0";
constexpr char kUpdateMd[] = "0|1|1|0|0|0|23456.5|0|-120.5|10.25|-300.5|0|0|0|0|0";
constexpr char kInfoMs[] = "1|1|1|0|0|0|12345.5|0|250.25|-30.5|1200.75|2||0.5|20240102||20240105|";
constexpr char kInfoMd[] = "0|1|1|0|0|0|23456.5|0|-120.5|10.25|-300.5|2||0.5|20240102||20240105|";

LRESULT SendRecord(HWND to, HWND from, ULONG_PTR kind, const char* text) {
    COPYDATASTRUCT cds{kind, static_cast<DWORD>(std::strlen(text) + 1), const_cast<char*>(text)};
    return SendMessageA(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&cds));
}

std::string TimesFile(int slot) {
    return std::string(std::getenv("ZORVIK_STATION")) + "/sender-" + std::to_string(slot) + ".txt";
}

// --sender <slot value> <records> <wait 1|0>: an engine sending account updates back to back.
int RunSender(int slotValue, long records, bool wait) {
    CWnd window;
    window.CreateEx(0, slotValue == 1 ? kTraderTitleMs : kTraderTitleMd, WS_POPUP, RECT{0, 0, 1, 1}, nullptr,
                    0);
    HWND master = nullptr;
    for (int i = 0; i < 1000 && !master; ++i) {
        master = FindWindowA(nullptr, kTraderTitleMaster);
        if (!master)
            usleep(10000);
    }
    if (!master)
        return 2;
    PostMessageA(master, WM_TRADER_STARTED, slotValue == 1 ? 1 : 0, 0);
    SendRecord(master, window.m_hWnd, COPYDATA_ACCOUNT_INFO, slotValue == 1 ? kInfoMs : kInfoMd);
    if (!wait)
        zwin::SetStationSendTimeout(0);
    const char* update = slotValue == 1 ? kUpdateMs : kUpdateMd;
    const double start = ClockSeconds();
    for (long i = 0; i < records; ++i) {
        SendRecord(master, window.m_hWnd, COPYDATA_ACCOUNT_UPDATE, update);
        if (i % 64 == 0)
            zwin::PumpWaitingMessages(); // the console's posts and late replies
    }
    const double end = ClockSeconds();
    std::ofstream(TimesFile(slotValue)) << std::to_string(start) << " " << std::to_string(end) << "\n";
    zwin::SetStationSendTimeout(5000);
    // The last word waits until the console has taken every record before it.
    SendRecord(master, window.m_hWnd, COPYDATA_ACCOUNT_UPDATE, update);
    PostMessageA(master, WM_TRADER_EXIT, 0, 0);
    window.DestroyWindow();
    return 0;
}

void StartSender(int slot, long records, bool wait) {
    StartSelf(CString("--sender ") + std::to_string(slot).c_str() + " " + std::to_string(records).c_str() +
              (wait ? " 1" : " 0"));
}

void StartSenders(long records, bool wait) {
    for (int slot : {1, 0})
        std::remove(TimesFile(slot).c_str());
    StartSender(1, records, wait);
    StartSender(0, records, wait);
}

// Both senders' records per second, from the first one's start to the last one's end.
double SendersRate(long records) {
    double start = 1e300, end = 0;
    for (int slot : {1, 0}) {
        double s = 0, e = 0;
        std::ifstream in(TimesFile(slot));
        if (!(in >> s >> e))
            return 0;
        start = std::min(start, s);
        end = std::max(end, e);
    }
    return end > start ? 2.0 * static_cast<double>(records) / (end - start) : 0;
}

// The real main dialog, noting the records it takes and its queue's length as each arrives.
class CBenchDlg : public CVossenDlg {
public:
    long records = 0;
    std::size_t queueMax = 0;
    double first = 0, last = 0;

protected:
    static constexpr UINT_PTR kWatch = 77;
    BOOL OnInitDialog() override {
        BOOL focus = CVossenDlg::OnInitDialog();
        SetTimer(kWatch, 500, nullptr);
        return focus;
    }
    // A sender's last word can be lost when it ends with its posts still waiting for room:
    // the run ends once both senders' windows are gone.
    void OnTimer(UINT_PTR id) override {
        if (id == kWatch) {
            if (records > 0 && !FindWindowA(nullptr, kTraderTitleMs) && !FindWindowA(nullptr, kTraderTitleMd))
                EndDialog(IDOK);
            return;
        }
        CVossenDlg::OnTimer(id);
    }
    BOOL OnCopyData(CWnd* sender, COPYDATASTRUCT* data) override {
        const double now = ClockSeconds();
        if (records++ == 0)
            first = now;
        last = now;
        queueMax = std::max(queueMax, zwin::QueuedMessageCount());
        return CVossenDlg::OnCopyData(sender, data);
    }
};

void DropQuit() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
}

// Runs the main dialog until both senders have said goodbye.
void RunDialog(CBenchDlg& dlg, long records, bool wait) {
    zui::WhenIdle([records, wait] { StartSenders(records, wait); });
    dlg.DoModal();
    DropQuit();
}

double RunPlain(long records) {
    CPlainConsole console;
    console.CreateEx(0, kTraderTitleMaster, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
    g_pTraderLink = &console;
    StartSenders(records, true);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    g_pTraderLink = nullptr;
    console.DestroyWindow();
    return SendersRate(records);
}

} // namespace

int main(int argc, char** argv) {
    // A sender is started through the platform, which hands it its words in its environment.
    zwin::TakeCommandLine(argc, argv);
    int slot = 0, wait = 0;
    long senderRecords = 0;
    if (std::sscanf(GetCommandLineA(), "--sender %d %ld %d", &slot, &senderRecords, &wait) == 3)
        return RunSender(slot, senderRecords, wait != 0);
    long records = 10000, loadRecords = 50000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--records=", 10) == 0)
            records = std::max(1L, std::atol(argv[i] + 10));
        else if (std::strncmp(argv[i], "--load-records=", 15) == 0)
            loadRecords = std::max(0L, std::atol(argv[i] + 15));
    }
    TempDrive drive; // its own drive C: and station folder, which the engines inherit
    PrepareConsole(drive, "NQM25");
    // No engine program is installed: the launch failures are answered here.
    SetMessageBoxResponder([](const CString&, const CString&, UINT) { return IDOK; });

    // Each run's cost is the time a record takes, its rate's inverse.
    std::vector<double> windowRates, plainRates;
    auto cost = [](std::vector<double>& rates, double rate) {
        rates.push_back(rate);
        return rate > 0 ? 1 / rate : -1;
    };
    AlternatedRatio(
        "console_status_records", kRatioPairs,
        [&] {
            CBenchDlg dlg;
            RunDialog(dlg, records, true);
            return cost(windowRates, SendersRate(records));
        },
        [&] { return cost(plainRates, RunPlain(records)); });
    const double windowRate = Median(windowRates);
    const double plainRate = Median(plainRates);
    std::printf("console_status_records engines=2 records=%ld window_records_per_second=%.0f "
                "plain_records_per_second=%.0f (medians) goal=4000\n",
                2 * records, windowRate, plainRate);

    if (loadRecords > 0) {
        std::vector<double> loadRates, loadPlainRates;
        long handled = 0;
        std::size_t queueMax = 0;
        AlternatedRatio(
            "load_run", kRatioPairs,
            [&] {
                CBenchDlg dlg;
                RunDialog(dlg, loadRecords, false);
                const double took = dlg.last - dlg.first;
                handled = std::max(handled, dlg.records - 2);
                queueMax = std::max(queueMax, dlg.queueMax);
                return cost(loadRates, took > 0 ? static_cast<double>(dlg.records) / took : 0);
            },
            [&] { return cost(loadPlainRates, RunPlain(records)); });
        std::printf("load_run engines=2 sent=%ld handled_most=%ld records_per_second=%.0f (median) "
                    "queue_max=%zu\n",
                    2 * (loadRecords + 1), handled, Median(loadRates), queueMax);
    }
    ShutdownCleanup();
    return 0;
}
