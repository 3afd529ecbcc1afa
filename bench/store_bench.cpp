// The store's figures beside what a single long-lived connection would cost: the trade-list
// load of 100,000 trades, the 65-key strategy load (which opens the store for each key, as
// the login expects: the ratio keeps that cost in sight) and the 67-key save.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "platform/core/Path.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "support/TempDrive.h"
#include "support/TradingLogFile.h"

namespace {

constexpr int kTrades = 100000;
const char* const kTradeQuery = "select * from VnTradingLog where tr_account = '111' and tr_out_time >= "
                                "'00000000070000' and tr_out_time <= '20991231060000'  order by tid asc";

std::string MainStorePath() {
    return HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
}

sqlite3* OpenHost(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        std::exit(1);
    }
    return db;
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "");
        std::exit(1);
    }
}

void CopyText(char* dst, size_t size, const unsigned char* src) {
    if (src)
        std::strncpy(dst, reinterpret_cast<const char*>(src), size - 1);
}

std::vector<std::string> g_readKeys; // the 65 keys the load reads

void BM_LoadTradingLog(benchmark::State& state) {
    std::vector<TradeLogRow> rows;
    for (auto _ : state)
        benchmark::DoNotOptimize(CTradeDataBase::LoadTradingLog(rows, "111", "222", "00000000", "20991231"));
    if (rows.size() != kTrades)
        state.SkipWithError("wrong number of rows");
}

void BM_BareTradingLogRead(benchmark::State& state) {
    sqlite3* db = OpenHost(TradingLogPath("111"));
    std::vector<TradeLogRow> rows;
    for (auto _ : state) {
        rows.clear();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, kTradeQuery, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            TradeLogRow row = {};
            CopyText(row.code, sizeof row.code, sqlite3_column_text(stmt, 2));
            CopyText(row.in_time, sizeof row.in_time, sqlite3_column_text(stmt, 6));
            CopyText(row.out_time, sizeof row.out_time, sqlite3_column_text(stmt, 7));
            row.side = sqlite3_column_int(stmt, 11);
            row.qty = sqlite3_column_int(stmt, 12);
            row.in_price = sqlite3_column_double(stmt, 13);
            row.out_price = sqlite3_column_double(stmt, 14);
            row.profit = sqlite3_column_double(stmt, 15);
            row.fee = sqlite3_column_double(stmt, 16);
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(rows.data());
    }
    sqlite3_close(db);
    if (rows.size() != kTrades)
        state.SkipWithError("wrong number of rows");
}

void BM_StrategyLoad(benchmark::State& state) {
    CTradeState trade;
    for (auto _ : state)
        trade.LoadStrategyValues();
    benchmark::DoNotOptimize(trade.won_dallar);
}

void BM_StrategyLoadOneConnection(benchmark::State& state) {
    sqlite3* db = OpenHost(MainStorePath());
    for (auto _ : state) {
        for (const std::string& key : g_readKeys) {
            std::string sql = "Select value from VnStrategy where name = '" + key + "'";
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
            if (sqlite3_step(stmt) == SQLITE_ROW)
                benchmark::DoNotOptimize(atoi(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
            sqlite3_finalize(stmt);
        }
    }
    sqlite3_close(db);
}

void BM_StrategySave(benchmark::State& state) {
    CTradeState trade;
    trade.LoadStrategyValues();
    for (auto _ : state)
        trade.SaveStrategyValues();
}

void BM_StrategySaveOneConnection(benchmark::State& state) {
    CTradeState trade;
    trade.LoadStrategyValues();
    trade.SaveStrategyValues();
    std::vector<std::pair<std::string, int>> values;
    {
        sqlite3* db = OpenHost(MainStorePath());
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select name, value from VnStrategy", -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                sqlite3_column_int(stmt, 1));
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    sqlite3* db = OpenHost(MainStorePath());
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr);
        for (const auto& [name, value] : values) {
            std::string insert =
                "Insert into VnStrategy(name, value) values ('" + name + "', " + std::to_string(value) + ")";
            if (sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                std::string update =
                    "update VnStrategy set value = " + std::to_string(value) + " where name = '" + name + "'";
                sqlite3_exec(db, update.c_str(), nullptr, nullptr, nullptr);
            }
        }
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    if (values.size() != kStrategyValueCount)
        state.SkipWithError("wrong number of keys");
}

// The main store with its tables and read keys, and the two trading logs.
void Prepare(const TempDrive& drive) {
    drive.MakeFolder((std::string(kBaseFolder) + "\\DataBase").c_str());
    sqlite3* db = OpenHost(MainStorePath());
    for (const char* sql : {kCreateAccountTable, kCreateItemTable, kCreateStrategyTable})
        Exec(db, sql);
    g_pTradeDataBase = new CTradeDataBase;
    CTradeState first;
    first.LoadStrategyValues();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "select name from VnStrategy", -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        g_readKeys.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);

    // One trade a minute from 2019 on, written in exit order as an engine does.
    std::vector<TradingLogEntry> trades(kTrades);
    for (int i = 0; i < kTrades; ++i) {
        time_t t = 1546300800 + static_cast<time_t>(i) * 60;
        tm parts;
        gmtime_r(&t, &parts);
        char time[32];
        std::strftime(time, sizeof time, "%Y%m%d%H%M%S", &parts);
        TradingLogEntry& e = trades[i];
        e.account = "111";
        e.code = i % 2 ? "NQZ20" : "MNQZ20";
        e.inTime = e.outTime = time;
        e.side = 1 + i % 2;
        e.qty = 1 + i % 5;
        e.inPrice = 12000.25 + i % 100;
        e.outPrice = 12001.5 + i % 97;
        e.profit = (i % 13 - 6) * 12.5;
        e.fee = 7.5;
    }
    TradingLogFile("111").AddAll(trades);
    TradingLogFile empty("222");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TempDrive drive;
    Prepare(drive);
    auto ms = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond); };
    auto us = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond); };
    RatioReporter::RegisterPairs("BM_LoadTradingLog", BM_LoadTradingLog, "BM_BareTradingLogRead",
                                 BM_BareTradingLogRead, kRatioPairs, ms);
    RatioReporter::RegisterPairs("BM_StrategyLoad", BM_StrategyLoad, "BM_StrategyLoadOneConnection",
                                 BM_StrategyLoadOneConnection, kRatioPairs, us);
    RatioReporter::RegisterPairs("BM_StrategySave", BM_StrategySave, "BM_StrategySaveOneConnection",
                                 BM_StrategySaveOneConnection, kRatioPairs, us);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("load_trading_log", "BM_LoadTradingLog", "BM_BareTradingLogRead");
    reporter.PrintRatio("strategy_load", "BM_StrategyLoad", "BM_StrategyLoadOneConnection");
    reporter.PrintRatio("strategy_save", "BM_StrategySave", "BM_StrategySaveOneConnection");
    delete g_pTradeDataBase;
    g_pTradeDataBase = nullptr;
    benchmark::Shutdown();
    return 0;
}
