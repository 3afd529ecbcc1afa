// The history list's fill in the "전체" view with 100,000 trades of two accounts beside a bare
// SQLite read of the same rows (prepare, step and the column accessors, nothing kept), and how
// long the console's message loop is held up
// while a status record refills the list.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "console/VossenApp.h"
#include "console/VossenDlg.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "uitest/UiTest.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/TempDrive.h"
#include "support/TradingLogFile.h"

namespace {

constexpr int kTrades = 100000;
constexpr char kToDay[] = "20991231";
CVossenDlg* g_dlg = nullptr;

double NowSeconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

void WriteTrades() {
    for (const char* account : {"111", "222"}) {
        std::vector<TradingLogEntry> entries;
        entries.reserve(kTrades / 2);
        for (int i = 0; i < kTrades / 2; ++i) {
            char out[16];
            // An engine writes each trade as it closes: the log is in time order.
            const int minute = i * 5 + (account[0] == '2' ? 2 : 0);
            std::snprintf(out, sizeof out, "2024%02d%02d%02d%02d00", 1 + minute / (28 * 24 * 60) % 12,
                          1 + minute / (24 * 60) % 28, minute / 60 % 24, minute % 60);
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
    if (rows != kTrades)
        state.SkipWithError("wrong number of rows");
}

// The store's load of the same rows alone (its share of the fill).
void BM_LoadTradingLog(benchmark::State& state) {
    std::vector<TradeLogRow> rows;
    for (auto _ : state)
        benchmark::DoNotOptimize(CTradeDataBase::LoadTradingLog(rows, "111", "222", "00000000", kToDay));
    if (rows.size() != kTrades)
        state.SkipWithError("wrong number of rows");
}

void BM_FillTradeList(benchmark::State& state) {
    for (auto _ : state)
        g_dlg->FillTradeList();
    if (g_dlg->m_listHistory.GetItemCount() != kTrades)
        state.SkipWithError("wrong number of list rows");
}

BENCHMARK(BM_BareSqliteRead)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_LoadTradingLog)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_FillTradeList)->Unit(benchmark::kMillisecond)->Repetitions(3);

// A window that notes when the message loop hands it a message.
class CProbe : public CWnd {
public:
    double handledAt = 0;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP)
            handledAt = NowSeconds();
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
    WriteTrades();

    RatioReporter reporter;
    CVossenDlg dlg;
    g_dlg = &dlg;
    CProbe probe;
    probe.CreateEx(0, "probe", WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
    double longestBlocked = 0;
    int probes = 0;

    // The "전체" view, the trading day known: every trade is listed.
    zui::WhenIdle([&] {
        zui::ChooseComboItem(&dlg.m_cbView, 1);
        SendAccountInfo(dlg, 1);
    });
    // A status record refills the list inside the loop; a message posted just before it waits
    // until the refill is over.
    std::function<void()> measure = [&] {
        const double posted = NowSeconds();
        probe.PostMessage(WM_APP, 0, 0);
        SendAccountInfo(dlg, 0);
        zui::WhenIdle([&, posted] {
            longestBlocked = std::max(longestBlocked, probe.handledAt - posted);
            if (++probes < 5)
                zui::WhenIdle(measure);
            else
                zui::WhenIdle([&] {
                    benchmark::RunSpecifiedBenchmarks(&reporter);
                    dlg.EndDialog(IDOK);
                });
        });
    };
    zui::WhenIdle(measure);
    dlg.DoModal();

    reporter.PrintRatio("fill_trade_list", "BM_FillTradeList", "BM_BareSqliteRead");
    reporter.PrintRatio("fill_trade_list_store_share", "BM_LoadTradingLog", "BM_BareSqliteRead");
    std::printf("fill_trade_list longest_blocked_ms=%.1f\n", longestBlocked * 1000);
    probe.DestroyWindow();
    ShutdownCleanup();
    benchmark::Shutdown();
    return 0;
}
