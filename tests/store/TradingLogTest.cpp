#include <sqlite3.h>

#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "StoreFixture.h"
#include "platform/core/Sys.h"
#include "support/StoreProcess.h"
#include "support/TradingLogFile.h"

namespace {

TradingLogEntry Trade(const char* account, const char* outTime, double profit = 0,
                      const char* code = "NQZ20") {
    TradingLogEntry e;
    e.account = account;
    e.code = code;
    e.inTime = outTime;
    e.outTime = outTime;
    e.profit = profit;
    return e;
}

double MonotonicSeconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

std::vector<std::string> ExitTimes(const std::vector<TradeLogRow>& rows) {
    std::vector<std::string> times;
    for (const TradeLogRow& r : rows)
        times.push_back(r.out_time);
    return times;
}

} // namespace

TEST_F(StoreTest, TradeWindowIncludesBothEndsAndSortsByExitTime) {
    {
        TradingLogFile first("111");
        first.AddAll({Trade("111", "20201121060000"), Trade("111", "20201120065959"),
                      Trade("111", "20201120120000"), Trade("111", "20201121060001"),
                      Trade("111", "20201120070000")});
        TradingLogEntry full = Trade("111", "20201120093000", -12.5, "MNQZ20");
        full.inTime = "20201120091500";
        full.side = 1;
        full.qty = 3;
        full.inPrice = 12000.25;
        full.outPrice = 11990.5;
        full.fee = 7.5;
        first.Add(full);
        TradingLogFile second("222");
        second.AddAll({Trade("222", "20201120100000"), Trade("999", "20201120100000")});
    }
    std::vector<TradeLogRow> rows(2);
    SqlTrace trace;
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "20201120", "20201121"), 5);
    EXPECT_EQ(trace.statements.at(0),
              "select * from VnTradingLog where tr_account = '111' and tr_out_time >= "
              "'20201120070000' and tr_out_time <= '20201121060000'  order by tid asc");
    EXPECT_EQ(ExitTimes(rows), (std::vector<std::string>{"20201120070000", "20201120093000", "20201120100000",
                                                         "20201120120000", "20201121060000"}));
    const TradeLogRow& r = rows[1];
    EXPECT_STREQ(r.code, "MNQZ20");
    EXPECT_STREQ(r.in_time, "20201120091500");
    EXPECT_EQ(r.side, 1);
    EXPECT_EQ(r.qty, 3);
    EXPECT_DOUBLE_EQ(r.in_price, 12000.25);
    EXPECT_DOUBLE_EQ(r.out_price, 11990.5);
    EXPECT_DOUBLE_EQ(r.profit, -12.5);
    EXPECT_DOUBLE_EQ(r.fee, 7.5);
}

TEST_F(StoreTest, AccountsInExitOrderInterleave) {
    {
        TradingLogFile first("111");
        first.AddAll(
            {Trade("111", "20201120080000"), Trade("111", "20201120100000"), Trade("111", "20201120120000")});
        TradingLogFile second("222");
        second.AddAll({Trade("222", "20201120090000"), Trade("222", "20201120110000")});
    }
    std::vector<TradeLogRow> rows;
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "20201120", "20201121"), 5);
    EXPECT_EQ(ExitTimes(rows), (std::vector<std::string>{"20201120080000", "20201120090000", "20201120100000",
                                                         "20201120110000", "20201120120000"}));
}

TEST_F(StoreTest, TradeWindowEdgesOfTheDays) {
    {
        TradingLogFile log("111");
        log.AddAll(
            {Trade("111", "20190101120000"), Trade("111", "20201121050000"), Trade("111", "20201121070000")});
    }
    std::vector<TradeLogRow> rows;
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "none", "00000000", "20201121"), 2);
    EXPECT_EQ(rows.size(), 2u);
    // The first day after the last: nothing, and 0 from the account that has a log.
    EXPECT_EQ(store.QueryTradingLog(rows, "111", "20201122", "20201121"), 0);
    EXPECT_EQ(rows.size(), 2u);
}

TEST_F(StoreTest, AccountsNeverTradedHaveNoTradesAndGetNoFile) {
    std::vector<TradeLogRow> rows(3);
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "00000000", "20991231"), 0);
    EXPECT_TRUE(rows.empty());
    std::vector<StatRow> stats;
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "111", 0), 0);
    // The engines make their logs; a read makes none.
    EXPECT_FALSE(std::filesystem::exists(TradingLogPath("111")));
    EXPECT_FALSE(std::filesystem::exists(TradingLogPath("222")));
    // An empty file without the table (as earlier consoles left them) holds no trades either.
    { std::ofstream empty(TradingLogPath("111")); }
    rows.resize(3);
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "00000000", "20991231"), 0);
    EXPECT_TRUE(rows.empty());
    // A file that is not a database cannot be read: that is not an empty history.
    std::ofstream(TradingLogPath("222")) << std::string(4096, 'x');
    rows.resize(3);
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "00000000", "20991231"), -1);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "222", 0), -1);
}

TEST_F(StoreTest, SameAccountTwiceAppendsItsTradesTwice) {
    {
        TradingLogFile log("111");
        log.AddAll({Trade("111", "20201120080000"), Trade("111", "20201120080000")});
    }
    std::vector<TradeLogRow> rows;
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "111", "20201120", "20201121"), 4);
    EXPECT_EQ(rows.size(), 4u);
}

TEST_F(StoreTest, TradeTextsAreOwnedByTheirRowAndCutToFit) {
    {
        TradingLogFile log("111");
        log.AddAll(
            {Trade("111", "20201120080000", 0, "LONGERCODE123"), Trade("111", "20201120090000", 0, "NQ")});
        log.Exec(
            "insert into VnTradingLog (tr_account, tr_out_time, tr_code, tr_qty, tr_profit, tr_side, tr_fee) "
            "values ('111', '20201120100000', NULL, NULL, 'n/a', '2 (buy)', '7.5 USD')");
        log.Exec(
            "insert into VnTradingLog (tr_account, tr_out_time, tr_in_time, tr_code) values ('111', "
            "'20201120110000', '20201120110000999999', "
            "'\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0"
            "\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80\xea\xb0\x80')");
    }
    std::vector<TradeLogRow> rows;
    ASSERT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "x", "20201120", "20201121"), 4);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_STREQ(rows[0].code, "LONGERCODE123");
    EXPECT_STREQ(rows[1].code, "NQ");
    EXPECT_STREQ(rows[2].code, "");
    EXPECT_EQ(rows[2].qty, 0);
    EXPECT_EQ(rows[2].profit, 0);
    // Numbers stored as text read as their leading number.
    EXPECT_EQ(rows[2].side, 2);
    EXPECT_DOUBLE_EQ(rows[2].fee, 7.5);
    EXPECT_STREQ(rows[2].in_time, "");
    // Twelve two-byte characters in 22 bytes of room: eleven whole ones.
    std::string cut;
    for (int i = 0; i < 11; ++i)
        cut += "가";
    EXPECT_EQ(std::string(rows[3].code), cut);
    EXPECT_STREQ(rows[3].in_time, "2020112011000099");
}

TEST_F(StoreTest, StatisticsGroupByDayOrMonth) {
    {
        TradingLogFile log("111");
        log.AddAll({Trade("111", "20201030100000", 10), Trade("111", "20201120100000", 5),
                    Trade("111", "20201120110000", -2), Trade("111", "20201121100000", 1)});
        log.Exec("insert into VnTradingLog (tr_account, tr_profit, tr_fee) values ('other', 100, 1)");
        log.Exec("update VnTradingLog set tr_fee = 0.5");
    }
    std::vector<StatRow> rows;
    SqlTrace trace;
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(rows, "111", 0), 4);
    EXPECT_EQ(trace.statements.at(0), "select tr_day, count(*), sum(tr_profit), sum(tr_fee) from "
                                      "VnTradingLog group by tr_day order by tr_day asc");
    // Rows without a key form one group, first; every row of the file counts.
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_STREQ(rows[0].key, "");
    EXPECT_DOUBLE_EQ(rows[0].profit, 100);
    EXPECT_STREQ(rows[2].key, "20201120");
    EXPECT_EQ(rows[2].count, 2);
    EXPECT_DOUBLE_EQ(rows[2].profit, 3);
    EXPECT_DOUBLE_EQ(rows[2].fee, 1);

    // Any kind but 0 groups by month; rows are appended, never cleared.
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(rows, "111", 7), 3);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_STREQ(rows[5].key, "202010");
    EXPECT_STREQ(rows[6].key, "202011");
    EXPECT_EQ(rows[6].count, 3);
    EXPECT_DOUBLE_EQ(rows[6].fee, 1.5);
}

TEST_F(StoreTest, StatisticsOfAnEmptyOrMissingLog) {
    { TradingLogFile log("111"); }
    std::vector<StatRow> rows;
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(rows, "111", 1), 0);
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(rows, "222", 0), 0);
    EXPECT_TRUE(rows.empty());
    // An over-long key is cut to 15 bytes.
    {
        TradingLogFile log("111");
        TradingLogEntry e = Trade("111", "20201120100000");
        e.day = "2020-11-20 (Friday)";
        log.Add(e);
    }
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(rows, "111", 0), 1);
    EXPECT_STREQ(rows[0].key, "2020-11-20 (Fri");
}

TEST_F(StoreTest, AccountHoldingAQuoteIsQueriedNotBroken) {
    {
        TradingLogFile log("o'k");
        log.Add(Trade("o'k", "20201120100000"));
    }
    std::vector<TradeLogRow> rows;
    EXPECT_EQ(store.QueryTradingLog(rows, "o'k", "20201120", "20201121"), 1);
}

TEST_F(StoreTest, ALogLockedPastTheWaitLeavesTheRowsAsTheyWere) {
    TradingLogFile log("111");
    log.AddAll({Trade("111", "20201120080000"), Trade("111", "20201120090000")});
    std::vector<TradeLogRow> rows;

    // An open write transaction: the committed rows are read, the pending one is not.
    log.Exec("BEGIN IMMEDIATE");
    log.Add(Trade("111", "20201120100000"));
    EXPECT_EQ(store.QueryTradingLog(rows, "111", "20201120", "20201121"), 2);
    log.Exec("COMMIT");

    // The engine holds the file exclusively beyond the wait: nothing is read, nothing lost.
    log.Exec("BEGIN EXCLUSIVE");
    double start = MonotonicSeconds();
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "20201120", "20201121"), -1);
    std::vector<StatRow> stats(1);
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "111", 0), -1);
    // A guard against waiting on the lock for long, not a measurement.
    EXPECT_LT(MonotonicSeconds() - start, 2.0);
    log.Exec("COMMIT");
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(stats.size(), 1u);
}

TEST_F(StoreTest, ReadsDuringAnEnginesCommitsWaitForThemAndMissNothing) {
    {
        TradingLogFile log("111");
        for (int i = 0; i < 20; ++i)
            log.Add(Trade("111", "20201120080000"));
    }
    StoreProcess engine(StoreProcess::Kind::TradeCommitter, TradingLogPath("111"));
    ASSERT_TRUE(engine.Ready());
    // Loads spread over some twenty commits, as status records come in.
    int unread = 0;
    for (int load = 0; load < 100; ++load) {
        usleep(2000);
        std::vector<TradeLogRow> rows;
        if (CTradeDataBase::LoadTradingLog(rows, "111", "222", "20201120", "20201121") != 20 ||
            rows.size() != 20)
            ++unread;
        std::vector<StatRow> stats;
        if (CTradeDataBase::QueryPeriodStatistics(stats, "111", 0) != 2)
            ++unread;
    }
    EXPECT_GT(engine.Stop(), 0);
    EXPECT_EQ(unread, 0);
}

// Engines holding both logs: the reads of one refill wait about 100 ms in all, not 100 ms per
// log. A log that is not the user's own file is not read, and the store tells why.
TEST_F(StoreTest, LockedLogsWaitTheWaitOnceInAllAndALinkIsToldAsALink) {
    TradingLogFile first("111");
    first.Add(Trade("111", "20201120080000"));
    TradingLogFile second("222");
    second.Add(Trade("222", "20201120090000"));
    first.Exec("BEGIN EXCLUSIVE");
    second.Exec("BEGIN EXCLUSIVE");
    static int waited;
    SysCallsOverride restore;
    Sys().sleepMs = [](unsigned ms) { waited += static_cast<int>(ms); };

    waited = 0;
    std::vector<TradeLogRow> rows;
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "20201120", "20201121"), -1);
    EXPECT_EQ(waited, kTradingLogWaitMs);
    waited = 0;
    std::vector<StatRow> stats;
    {
        const CTradeDataBase::TradingLogReads group(&store);
        EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "111", 0), -1);
        EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "222", 0), -1);
    }
    EXPECT_EQ(waited, kTradingLogWaitMs);
    // A read on its own waits the whole wait itself.
    waited = 0;
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "222", 0), -1);
    EXPECT_EQ(waited, kTradingLogWaitMs);
    first.Exec("COMMIT");
    second.Exec("COMMIT");
    CString refused;
    EXPECT_EQ(store.RefusedTradingLog(&refused), FileRefusal::None);

    // The first log replaced by a link to a copy of it.
    const std::string path = TradingLogPath("111");
    std::filesystem::rename(path, path + ".moved");
    std::filesystem::create_symlink(path + ".moved", path);
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "111", "222", "20201120", "20201121"), -1);
    EXPECT_EQ(store.RefusedTradingLog(&refused), FileRefusal::Link);
    EXPECT_EQ(refused.str(), TradingLogStorePath("111").str());
    EXPECT_TRUE(rows.empty());
}
