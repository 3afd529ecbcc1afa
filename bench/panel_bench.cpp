// The history list in the "전체" view with 10,000, 100,000 and 1,000,000 trades of two
// accounts:
//  - its fill beside a bare SQLite read of the same rows (prepare, step and the column
//    accessors, nothing kept), and the store's load alone beside the same read;
//  - its CSV export beside writing the same bytes from memory with fprintf to a file in the
//    same folder;
//  - how long the console's message loop is held up while a status record refills the list.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "console/VossenApp.h"
#include "console/VossenDlg.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Time.h"
#include "platform/ui/MessageBox.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/TempDrive.h"
#include "support/TradingLogFile.h"
#include "uitest/UiTest.h"

namespace {

struct Size {
    int trades;
    const char* name;
};
constexpr Size kSizes[] = {{10000, "10k"}, {100000, "100k"}, {1000000, "1m"}};
constexpr char kToDay[] = "20991231";
constexpr int kBlockedProbes = 5;
constexpr time_t kFirstTrade = 1704067200; // 2024-01-01 00:00 UTC

// The real main dialog, its export reachable.
class CBenchDlg : public CVossenDlg {
public:
    void Export() { OnBnClickedExcelSave(); }
    // A fill as after an engine's commit: the logs read and the list filled anew.
    void FillFromChangedLogs() {
        m_bTradeRecordsKnown = false;
        FillTradeList();
    }
};
CBenchDlg* g_dlg = nullptr;
int g_trades = 0;
std::string g_exportPath;
std::vector<std::string> g_exportLines; // the export's bytes, line by line

void WriteTrades(int trades) {
    for (const char* account : {"111", "222"}) {
        std::remove(TradingLogPath(account).c_str());
        std::vector<TradingLogEntry> entries;
        entries.reserve(static_cast<std::size_t>(trades / 2));
        for (int i = 0; i < trades / 2; ++i) {
            // An engine writes each trade as it closes: every five minutes from 2024 on.
            const time_t t = kFirstTrade + (static_cast<time_t>(i) * 5 + (account[0] == '2' ? 2 : 0)) * 60;
            tm parts;
            gmtime_r(&t, &parts);
            char out[32];
            std::strftime(out, sizeof out, "%Y%m%d%H%M%S", &parts);
            entries.push_back({account, "NQH24", out, out, "", "", 1 + i % 2, 1 + i % 5, 15234.25 + i,
                               15240.5 + i, 1234.5 - i, 21.3});
        }
        TradingLogFile(account).AddAll(entries);
    }
}

// The rows the fill lists, read straight from both files with the same statement.
void BM_BareSqliteRead(benchmark::State& state) {
    long rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const char* account : {"111", "222"}) {
            std::string path =
                HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora_" + account + ".db").c_str());
            sqlite3* db = nullptr;
            sqlite3_stmt* stmt = nullptr;
            sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
            std::string sql = std::string("select * from VnTradingLog where tr_account = '") + account +
                              "' and tr_out_time >= '00000000070000' and tr_out_time <= '" + kToDay +
                              "060000'  order by tid asc";
            sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
            while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c : {2, 6, 7})
                    benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
                for (int c : {11, 12})
                    benchmark::DoNotOptimize(sqlite3_column_int(stmt, c));
                for (int c : {13, 14, 15, 16})
                    benchmark::DoNotOptimize(sqlite3_column_double(stmt, c));
                ++rows;
            }
            sqlite3_finalize(stmt);
            sqlite3_close(db);
        }
    }
    if (rows != g_trades)
        state.SkipWithError("wrong number of rows");
}

// The store's load of the same rows alone (its share of the fill).
void BM_LoadTradingLog(benchmark::State& state) {
    std::vector<TradeLogRow> rows;
    for (auto _ : state)
        benchmark::DoNotOptimize(CTradeDataBase::LoadTradingLog(rows, "111", "222", "00000000", kToDay));
    if (rows.size() != static_cast<std::size_t>(g_trades))
        state.SkipWithError("wrong number of rows");
}

void BM_FillTradeList(benchmark::State& state) {
    for (auto _ : state)
        g_dlg->FillFromChangedLogs();
    if (g_dlg->m_listHistory.GetItemCount() != g_trades)
        state.SkipWithError("wrong number of list rows");
}

void BM_CsvExport(benchmark::State& state) {
    for (auto _ : state)
        g_dlg->Export();
}

// The export's bytes, held in memory, written with fprintf to a file beside it.
void BM_BareCsvWrite(benchmark::State& state) {
    const std::string path = HostPath(kBaseFolder) + "/bare.csv";
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot write");
            break;
        }
        for (const std::string& line : g_exportLines)
            std::fprintf(f, "%s", line.c_str());
        std::fclose(f);
    }
    std::remove(path.c_str());
}

// The file the export writes today, kept line by line.
void KeepExportedLines() {
    char day[40];
    const __time64_t now = _time64(nullptr);
    struct tm local = {};
    _localtime64_s(&local, &now);
    std::snprintf(day, sizeof day, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    g_exportPath = HostPath(kBaseFolder) + "/" + day + "_list_All.csv";
    std::ifstream in(g_exportPath, std::ios::binary);
    g_exportLines.clear();
    for (std::string line; std::getline(in, line);)
        g_exportLines.push_back(line + "\n");
}

// A window that notes when the message loop hands it a message.
class CProbe : public CWnd {
public:
    double handledAt = 0;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP)
            handledAt = ClockSeconds();
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
};

void SendAccountInfo(CVossenDlg& dlg, int slot) {
    CString record;
    record.Format("%d|0|0|0|0|0|0|0|0|0|0|2|x|1|%s|x|%s|x", slot, kToDay, kToDay);
    COPYDATASTRUCT data{COPYDATA_ACCOUNT_INFO, static_cast<DWORD>(record.GetLength() + 1),
                        const_cast<char*>(record.GetString())};
    dlg.SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

// The longest a message posted just before a status record's refill waits for the loop.
double LongestBlocked(CProbe& probe) {
    double longest = 0;
    for (int i = 0; i < kBlockedProbes; ++i) {
        const double posted = ClockSeconds();
        probe.PostMessage(WM_APP, 0, 0);
        SendAccountInfo(*g_dlg, 0);
        zui::ProcessEvents();
        longest = std::max(longest, probe.handledAt - posted);
    }
    return longest;
}

void RunSize(const Size& size, RatioReporter& reporter, CProbe& probe) {
    g_trades = size.trades;
    WriteTrades(size.trades);
    SendAccountInfo(*g_dlg, 1);
    const double blocked = LongestBlocked(probe); // the list is filled
    const std::size_t textBytes = zui::ListTextBytes(&g_dlg->m_listHistory);
    g_dlg->Export();
    KeepExportedLines();
    if (g_exportLines.size() != static_cast<std::size_t>(size.trades) + 1)
        std::fprintf(stderr, "the export holds %zu lines\n", g_exportLines.size());

    const std::string suffix = std::string("_") + size.name;
    auto ms = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond); };
    benchmark::ClearRegisteredBenchmarks();
    RatioReporter::RegisterPairs("BM_FillTradeList" + suffix, BM_FillTradeList, "BM_BareSqliteRead" + suffix,
                                 BM_BareSqliteRead, kRatioPairs, ms);
    RatioReporter::RegisterPairs("BM_CsvExport" + suffix, BM_CsvExport, "BM_BareCsvWrite" + suffix,
                                 BM_BareCsvWrite, kRatioPairs, ms);
    RatioReporter::RegisterPairs("BM_LoadTradingLog" + suffix, BM_LoadTradingLog,
                                 "BM_BareSqliteReadBesideLoad" + suffix, BM_BareSqliteRead, kRatioPairs, ms);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(("fill_trade_list" + suffix).c_str(), "BM_FillTradeList" + suffix,
                        "BM_BareSqliteRead" + suffix);
    reporter.PrintRatio(("csv_export" + suffix).c_str(), "BM_CsvExport" + suffix, "BM_BareCsvWrite" + suffix);
    reporter.PrintRatio(("fill_trade_list_store_share" + suffix).c_str(), "BM_LoadTradingLog" + suffix,
                        "BM_BareSqliteReadBesideLoad" + suffix);
    std::printf("fill_trade_list%s longest_blocked_ms=%.1f text_bytes_per_row=%.1f\n", suffix.c_str(),
                blocked * 1000, static_cast<double>(textBytes) / size.trades);
    std::fflush(stdout);
    std::remove(g_exportPath.c_str());
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    TempDrive drive;
    drive.MakeBaseFolder();
    Sys().sleepMs = [](unsigned) {};
    theApp.InitEnvironment();
    g_pTradeState->account_number = "111";
    g_pTradeState->account_number2 = "222";
    SetMessageBoxResponder([](const CString&, const CString&, UINT) { return IDOK; });

    RatioReporter reporter;
    CBenchDlg dlg;
    g_dlg = &dlg;
    CProbe probe;
    probe.CreateEx(0, "probe", WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
    // The "전체" view: every trade up to the trading day is listed.
    zui::WhenIdle([&] {
        zui::ChooseComboItem(&dlg.m_cbView, 1);
        for (const Size& size : kSizes)
            RunSize(size, reporter, probe);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();

    probe.DestroyWindow();
    ShutdownCleanup();
    benchmark::Shutdown();
    return 0;
}
