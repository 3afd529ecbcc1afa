#include <map>
#include <string>

#include "StoreFixture.h"

namespace {

class StrategyTest : public StoreTest {
protected:
    std::string Select(const char* key) const {
        return std::string("Select value from VnStrategy where name = '") + key + "'";
    }

    CTradeState state;
};

} // namespace

TEST_F(StrategyTest, FirstLoadStoresEveryReadDefault) {
    SqlTrace trace;
    state.LoadStrategyValues();
    EXPECT_TRUE(state.strategy_loaded);
    EXPECT_EQ(state.timer1_start.str(), "1015");
    EXPECT_EQ(state.timer1_end.str(), "1640");
    EXPECT_EQ(state.kor_time_base, 1);
    EXPECT_EQ(state.timer_zone, 1);
    EXPECT_EQ(state.day_tot_profit_max, 1000000);
    EXPECT_EQ(state.day_tot_loss_max, 600000);
    EXPECT_EQ(state.day_trade_due_count_use, 1);
    EXPECT_EQ(state.profit_reserve_base, 500000);
    EXPECT_EQ(state.dmi_term_r, 10);
    EXPECT_EQ(state.dmi_term_rt, 20);
    EXPECT_EQ(state.trade_type, 2);
    EXPECT_EQ(state.fee_sale, 7500);
    EXPECT_EQ(state.won_dallar, 160);
    EXPECT_EQ(state.price_decimals, 0);

    // One connection per read and per insert of a missing key; minute before hour, flag before value.
    EXPECT_EQ(trace.connections, 130);
    EXPECT_EQ(trace.CountStarting("Select value"), 65);
    EXPECT_EQ(trace.CountStarting("Insert into VnStrategy"), 65);
    ASSERT_GE(trace.statements.size(), 4u);
    EXPECT_EQ(trace.statements[0], Select("timer1_start_time_m"));
    EXPECT_EQ(trace.statements[1], "Insert into VnStrategy(name, value) values ('timer1_start_time_m', 15)");
    EXPECT_EQ(trace.statements[2], Select("timer1_start_time_h"));
    EXPECT_EQ(trace.statements[8], Select("day_tot_profit_max_use"));
    EXPECT_EQ(trace.statements[10], Select("day_tot_profit_max"));

    auto stored = StoredValues();
    EXPECT_EQ(stored.size(), 65u);
    EXPECT_EQ(stored.count("kor_time_base"), 0u);
    EXPECT_EQ(stored.count("timer_zone"), 0u);
    EXPECT_EQ(stored["timer1_end_time_m"], 40);
    EXPECT_EQ(stored["fee_org"], 7500);
}

TEST_F(StrategyTest, SaveWritesSixtySevenRowsInOneTransaction) {
    state.LoadStrategyValues();
    state.won_dallar = 1400;
    state.timer1_start = "0930";
    {
        SqlTrace trace;
        EXPECT_EQ(state.SaveStrategyValues(), 1);
        EXPECT_EQ(trace.connections, 1);
        EXPECT_EQ(trace.commits, 1);
        ASSERT_FALSE(trace.statements.empty());
        EXPECT_EQ(trace.statements.front(), "BEGIN;");
        EXPECT_EQ(trace.statements.back(), "COMMIT;");
        EXPECT_EQ(trace.CountStarting("Insert into VnStrategy"), 67);
        // Only the two keys that are never read were new.
        EXPECT_EQ(trace.CountStarting("update VnStrategy"), 65);
        EXPECT_EQ(trace.statements[1], "Insert into VnStrategy(name, value) values ('kor_time_base', 1)");
    }
    auto stored = StoredValues();
    EXPECT_EQ(stored.size(), 67u);
    EXPECT_EQ(stored["won_dallar"], 1400);
    EXPECT_EQ(stored["timer1_start_time_h"], 9);
    EXPECT_EQ(stored["timer1_start_time_m"], 30);
    EXPECT_EQ(stored["timer_zone"], 1);

    // A second save rewrites every row and adds none.
    state.fee_org = 5000;
    EXPECT_EQ(state.SaveStrategyValues(), 1);
    stored = StoredValues();
    EXPECT_EQ(stored.size(), 67u);
    EXPECT_EQ(stored["fee_org"], 5000);
}

TEST_F(StrategyTest, EveryStoredValueReachesItsFieldAndGoesBack) {
    state.LoadStrategyValues();
    state.SaveStrategyValues();
    // Give every key its own value (timer keys excepted, which must stay valid times).
    MainExec("update VnStrategy set value = 1000 + rowid where name not like 'timer1_%'");
    MainExec("update VnStrategy set value = 7 where name = 'timer1_start_time_h'");
    MainExec("update VnStrategy set value = 5 where name = 'timer1_start_time_m'");
    MainExec("update VnStrategy set value = 23 where name = 'timer1_end_time_h'");
    MainExec("update VnStrategy set value = 59 where name = 'timer1_end_time_m'");
    auto before = StoredValues();

    CTradeState loaded;
    loaded.LoadStrategyValues();
    EXPECT_EQ(loaded.timer1_start.str(), "0705");
    EXPECT_EQ(loaded.timer1_end.str(), "2359");
    EXPECT_EQ(loaded.day_tot_profit_max_use, before["day_tot_profit_max_use"]);
    EXPECT_EQ(loaded.day_trade_due_count, before["day_trade_due_count"]);
    EXPECT_EQ(loaded.profit_reserve_trigger_type, before["profit_reserve_trigger_type"]);
    EXPECT_EQ(loaded.macd_param_rt, before["macd_param_rt"]);
    EXPECT_EQ(loaded.dmi_matype_r, before["dmi_matype_r"]);
    EXPECT_EQ(loaded.revclear_trend_link, before["revclear_trend_link"]);
    EXPECT_EQ(loaded.allclear_allset_loss, before["allclear_allset_loss"]);
    EXPECT_EQ(loaded.won_dallar, before["won_dallar"]);
    // The two keys that are never read are written back as 1.
    EXPECT_EQ(loaded.kor_time_base, 1);

    loaded.SaveStrategyValues();
    auto after = StoredValues();
    before["kor_time_base"] = 1;
    before["timer_zone"] = 1;
    EXPECT_EQ(after, before);
}

TEST_F(StrategyTest, KeysLongerThanTheDeclaredWidthRoundTrip) {
    const char* key = "allclear_allset_profit_use";
    EXPECT_EQ(store.SetStrategyValue(key, 1), 1);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue(key, 0), 1);
    EXPECT_EQ(store.SetStrategyValue(key, 0), 1);
    EXPECT_EQ(CTradeDataBase::GetStrategyValue(key, 1), 0);
    auto rows = Main("select name from VnStrategy");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], key);
}

TEST_F(StrategyTest, TimerTextsSaveTheirPiecesAndZeroForMissingOnes) {
    state.timer1_start = "0930";
    state.timer1_end = "7";
    state.SaveStrategyValues();
    auto stored = StoredValues();
    EXPECT_EQ(stored["timer1_start_time_h"], 9);
    EXPECT_EQ(stored["timer1_start_time_m"], 30);
    EXPECT_EQ(stored["timer1_end_time_h"], 7);
    EXPECT_EQ(stored["timer1_end_time_m"], 0);
}

TEST_F(StrategyTest, StoredTextsReadAsTheirLeadingNumber) {
    MainExec("insert into VnStrategy values ('trade_type', '1x'), ('won_dallar', 'abc'), ('fee_org', NULL), "
             "('kor_time_base', 5)");
    state.LoadStrategyValues();
    EXPECT_EQ(state.trade_type, 1);
    EXPECT_EQ(state.won_dallar, 0);
    EXPECT_EQ(state.fee_org, 0);
    EXPECT_EQ(state.kor_time_base, 1);
    state.SaveStrategyValues();
    EXPECT_EQ(StoredValues()["kor_time_base"], 1);
}

TEST_F(StrategyTest, UnopenableStoreGivesZeroAndWritesNothing) {
    BlockMainStore();
    state.LoadStrategyValues();
    EXPECT_TRUE(state.strategy_loaded);
    EXPECT_EQ(state.timer1_start.str(), "0000");
    EXPECT_EQ(state.timer1_end.str(), "0000");
    EXPECT_EQ(state.won_dallar, 0);
    EXPECT_EQ(state.day_tot_profit_max, 0);
    EXPECT_EQ(state.kor_time_base, 1);
    EXPECT_EQ(state.SaveStrategyValues(), 0);
    EXPECT_EQ(store.SetStrategyValue("trade_type", 2), 0);
}

TEST_F(StrategyTest, MissingTableGivesZeroAndCreatesNothing) {
    MainExec("drop table VnStrategy");
    SqlTrace trace;
    state.LoadStrategyValues();
    EXPECT_EQ(state.day_tot_loss_max, 0);
    EXPECT_EQ(state.timer1_end.str(), "0000");
    EXPECT_EQ(trace.CountStarting("Insert"), 0);
    EXPECT_TRUE(Main("select name from sqlite_master where name = 'VnStrategy'").empty());
}

// An insert refused for another reason than an existing key leaves an update that matches no
// row, which SQLite calls a success: the save counts only when every value was written.
TEST_F(StrategyTest, ASaveCountsOnlyWhenEveryValueWasWritten) {
    MainExec("drop table VnStrategy");
    MainExec(
        "create table VnStrategy (name char(20) PRIMARY KEY, value integer DEFAULT 0, note text NOT NULL)");
    state.LoadStrategyValues();
    EXPECT_EQ(state.SaveStrategyValues(), 0);
    EXPECT_EQ(store.SetStrategyValue("trade_type", 2), 0);
    EXPECT_TRUE(StoredValues().empty());
    // With one key's row there, the others still fail and the whole save is rolled back.
    MainExec("insert into VnStrategy values ('trade_type', 1, 'kept')");
    state.trade_type = 0;
    EXPECT_EQ(state.SaveStrategyValues(), 0);
    EXPECT_EQ(StoredValues(), (std::map<std::string, int>{{"trade_type", 1}}));
    EXPECT_EQ(store.SetStrategyValue("trade_type", 2), 1);
    EXPECT_EQ(StoredValues(), (std::map<std::string, int>{{"trade_type", 2}}));
}
