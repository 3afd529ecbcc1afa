#include <climits>
#include <string>
#include <vector>

#include "StoreFixture.h"
#include "support/TradingLogFile.h"

namespace {

// Each stored form beside the int32 it must read as: integers and texts beyond 32 bits.
struct Stored {
    const char* sql;
    int expected;
};
const Stored kBeyond[] = {
    {"2147483648", INT_MAX},        {"-2147483649", INT_MIN},       {"4294967301", INT_MAX},
    {"-4294967301", INT_MIN},       {"1099511627776", INT_MAX},     {"-1099511627776", INT_MIN},
    {"'4294967301 lots'", INT_MAX}, {"'-1099511627776x'", INT_MIN}, {"'2147483647'", INT_MAX},
    {"-2147483648", INT_MIN},
};

} // namespace

TEST_F(StoreTest, StrategyValuesBeyondInt32AreHeldAtItsEnds) {
    for (const Stored& s : kBeyond) {
        MainExec(
            ("insert or replace into VnStrategy values ('won_dallar', " + std::string(s.sql) + ")").c_str());
        EXPECT_EQ(CTradeDataBase::GetStrategyValue("won_dallar", 160), s.expected) << s.sql;
    }
    // The same through the load of every key, the timer keys included.
    MainExec("insert or replace into VnStrategy values ('fee_org', 4294967301), ('timer1_start_time_h', "
             "'1099511627776'), ('timer1_start_time_m', -4294967301)");
    CTradeState state;
    state.LoadStrategyValues();
    EXPECT_EQ(state.fee_org, INT_MAX);
    EXPECT_EQ(state.won_dallar, INT_MIN);
    EXPECT_EQ(state.timer1_start.str(), "2147483647-2147483648");
}

TEST_F(StoreTest, TradeQuantitiesBeyondInt32AreHeldAtItsEnds) {
    TradingLogFile log("111");
    int minute = 0;
    for (const Stored& s : kBeyond) {
        char time[16];
        std::snprintf(time, sizeof time, "202011201%02d00", minute++);
        log.Exec(("insert into VnTradingLog (tr_account, tr_code, tr_day, tr_month, tr_in_time, tr_out_time, "
                  "tr_side, tr_qty, tr_profit, tr_fee) values ('111', 'NQZ20', '20201120', '202011', '" +
                  std::string(time) + "', '" + time + "', " + s.sql + ", " + s.sql + ", 1e999, '-1e999')")
                     .c_str());
    }
    std::vector<TradeLogRow> rows;
    ASSERT_EQ(store.QueryTradingLog(rows, "111", "20201120", "20201121"), 10);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].qty, kBeyond[i].expected) << kBeyond[i].sql;
        EXPECT_EQ(rows[i].side, kBeyond[i].expected) << kBeyond[i].sql;
        // Infinities read as 0, never as a figure the lists and rules would use.
        EXPECT_EQ(rows[i].profit, 0.0);
        EXPECT_EQ(rows[i].fee, 0.0);
    }
    std::vector<StatRow> stats;
    ASSERT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "111", 0), 1);
    EXPECT_EQ(stats[0].count, 10);
    EXPECT_EQ(stats[0].profit, 0.0);
}
