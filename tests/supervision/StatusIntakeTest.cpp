#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>

#include "store/TradeState.h"
#include "supervision/StatusIntake.h"

namespace {

class StatusIntakeTest : public ::testing::Test {
protected:
    CTradeState s;
};

TEST_F(StatusIntakeTest, AccountInfoFillsTheSlotOfItsSlotValueAndTheCommonFields) {
    s.ParseAccountInfo(
        "1|7|3|1.5|2.5|3.5|1000.25|4.5|55|66.5|77.25|2|x12|0.5|20240102|x15|20240105|x17|ignored");
    const AccountStatus& a = s.slots[0];
    EXPECT_EQ(1, s.reported[0]);
    EXPECT_EQ(0, s.reported[1]);
    EXPECT_EQ(7, a.field1);
    EXPECT_EQ(3, a.position_qty);
    EXPECT_EQ(1.5, a.field3);
    EXPECT_EQ(2.5, a.field4);
    EXPECT_EQ(3.5, a.field5);
    EXPECT_EQ(1000.25, a.valuation_total);
    EXPECT_EQ(4.5, a.field7);
    EXPECT_EQ(55, a.set_pnl);
    EXPECT_EQ(66.5, a.valuation_pnl);
    EXPECT_EQ(77.25, a.trading_pnl);
    EXPECT_EQ(2, s.price_decimals);
    EXPECT_STREQ("x12", s.info_field12);
    EXPECT_EQ(0.5, s.position_factor);
    EXPECT_STREQ("20240102", s.trade_day_from);
    EXPECT_STREQ("x15", s.info_field15);
    EXPECT_STREQ("20240105", s.trade_day_to);
    EXPECT_STREQ("x17", s.info_field17);
    EXPECT_EQ(0, s.slots[1].position_qty);

    s.ParseAccountInfo("0|0|4");
    EXPECT_EQ(1, s.reported[1]);
    EXPECT_EQ(4, s.slots[1].position_qty);
    EXPECT_EQ(3, s.slots[0].position_qty);
}

TEST_F(StatusIntakeTest, AccountInfoOfAnUnknownSlotStoresOnlyTheCommonFields) {
    s.ParseAccountInfo("2|7|3|1|1|1|1|1|1|1|1|4|a|2.5|20240101|b|20240102|c");
    EXPECT_EQ(0, s.reported[0]);
    EXPECT_EQ(0, s.reported[1]);
    EXPECT_EQ(0, s.slots[0].position_qty);
    EXPECT_EQ(0, s.slots[1].position_qty);
    EXPECT_EQ(4, s.price_decimals);
    EXPECT_STREQ("20240102", s.trade_day_to);

    // A field 0 without a number reads as 0: the second account.
    s.ParseAccountInfo("Ms|1|5");
    EXPECT_EQ(1, s.reported[1]);
    EXPECT_EQ(5, s.slots[1].position_qty);
}

TEST_F(StatusIntakeTest, MissingCommonFieldsOverwriteEarlierValuesWithZeroAndEmpty) {
    s.ParseAccountInfo("1|0|0|0|0|0|0|0|0|0|0|3|a|1.5|20240101|b|20240102|c");
    s.ParseAccountInfo("1|0|2|0|0|0|0|0|0|0|9");
    EXPECT_EQ(2, s.slots[0].position_qty);
    EXPECT_EQ(9, s.slots[0].trading_pnl);
    EXPECT_EQ(0, s.price_decimals);
    EXPECT_EQ(0, s.position_factor);
    EXPECT_TRUE(s.info_field12.IsEmpty());
    EXPECT_TRUE(s.trade_day_from.IsEmpty());
    EXPECT_TRUE(s.info_field15.IsEmpty());
    EXPECT_TRUE(s.trade_day_to.IsEmpty());
    EXPECT_TRUE(s.info_field17.IsEmpty());
}

TEST_F(StatusIntakeTest, AccountUpdateFillsItsSlotAndKeepsOneExclusiveFlag) {
    s.ParseAccountUpdate("1|0|1|0|0|0|0|0|0|0|0|1.5|12|13|1|1");
    s.ParseAccountUpdate("0|0|2|0|0|0|0|0|0|0|0|0|0|0|0|2");
    EXPECT_EQ(0, s.reported[0]);
    EXPECT_EQ(0, s.reported[1]);
    EXPECT_EQ(1.5, s.slots[0].field11);
    EXPECT_EQ(12, s.slots[0].field12);
    EXPECT_EQ(13, s.slots[0].field13);
    EXPECT_EQ(1, s.slots[0].stopped);
    EXPECT_EQ(1, s.slots[0].exclusive); // 2 on the other side leaves it
    EXPECT_EQ(2, s.slots[1].exclusive);

    s.ParseAccountUpdate("0|0|2|0|0|0|0|0|0|0|0|0|0|0|0|1");
    EXPECT_EQ(0, s.slots[0].exclusive);
    EXPECT_EQ(1, s.slots[1].exclusive);

    // An unknown slot stores nothing, common fields included.
    s.ParseAccountUpdate("5|0|9|0|0|0|0|0|0|0|0|0|0|0|0|1");
    EXPECT_EQ(1, s.slots[0].position_qty);
    EXPECT_EQ(2, s.slots[1].position_qty);
    EXPECT_EQ(1, s.slots[1].exclusive);
}

TEST(RecordFields, EverySeparatorCountsAndDoubleByteCharactersStayWhole) {
    auto f = SplitRecordFields("||a||");
    ASSERT_EQ(5u, f.size());
    EXPECT_EQ("a", f[2]);
    EXPECT_EQ("", f[4]);
    EXPECT_EQ(1u, SplitRecordFields("").size());
    // A lead byte takes the next byte with it, whatever that byte is.
    f = SplitRecordFields("\x81|x|y");
    ASSERT_EQ(2u, f.size());
    EXPECT_EQ("\x81|x", f[0]);
    f = SplitRecordFields("매매|총손익");
    ASSERT_EQ(2u, f.size());
    EXPECT_EQ("총손익", f[1]);
}

TEST_F(StatusIntakeTest, NumbersBeyondTheDoubleRangeReadAsZeroAndSumsStayFinite) {
    // Every real field of both records, beyond the range or not a number at all.
    s.ParseAccountInfo("1|0|1|1e999|-1e999|nan|1e999|inf|1e999|-1e999|1e999|0||1e999");
    s.ParseAccountInfo("0|0|1|-inf|1e999|-nan|-1e999|1e999|-1e999|1e999|-1e999|0||2");
    for (const AccountStatus& a : s.slots) {
        for (double v : {a.field3, a.field4, a.field5, a.valuation_total, a.field7, a.set_pnl,
                         a.valuation_pnl, a.trading_pnl})
            EXPECT_EQ(0.0, v);
    }
    s.SumAccounts(true);
    EXPECT_EQ(0.0, s.day_pnl);
    EXPECT_EQ(0.0, s.day_peak_pnl);
    EXPECT_EQ(4.0, s.position_factor_total);
    s.ParseAccountUpdate("1|0|1|0|0|0|0|0|1e999|0|0|-1e999");
    EXPECT_EQ(0.0, s.slots[0].field11);

    // Sums of the largest finite values are held at the end of the range.
    s.ParseAccountInfo("1|0|2000000000|0|0|0|1.7e308|0|0|1.7e308|1.7e308|0||1.7e308");
    s.ParseAccountUpdate("1|0|2000000000|0|0|0|1.7e308|0|1.7e308|1.7e308|1.7e308");
    s.ParseAccountUpdate("0|0|2000000000|0|0|0|1.7e308|0|1.7e308|1.7e308|1.7e308");
    s.SumAccounts(false);
    EXPECT_EQ(DBL_MAX, s.day_pnl);
    EXPECT_EQ(DBL_MAX, s.day_peak_pnl);
    EXPECT_EQ(DBL_MAX, s.valuation_total_sum);
    EXPECT_EQ(DBL_MAX, s.valuation_pnl_sum);
    EXPECT_EQ(DBL_MAX, s.set_pnl_sum);
    EXPECT_EQ(DBL_MAX, s.position_factor_total);
    s.ParseAccountUpdate("1|0|0|0|0|0|-1.7e308|0|-1.7e308|-1.7e308|-1.7e308");
    s.ParseAccountUpdate("0|0|0|0|0|0|-1.7e308|0|-1.7e308|-1.7e308|-1.7e308");
    s.SumAccounts(false);
    EXPECT_EQ(-DBL_MAX, s.day_pnl);
    EXPECT_EQ(-DBL_MAX, s.set_pnl_sum);
    EXPECT_EQ(DBL_MAX, s.day_peak_pnl);
}

TEST_F(StatusIntakeTest, NothingIsSummedUntilBothSlotsReported) {
    s.ParseAccountInfo("1|0|2|0|0|0|100|0|5|6|300|0||2");
    s.SumAccounts(true);
    s.ParseAccountUpdate("1|0|2|0|0|0|100|0|5|6|300");
    s.SumAccounts(false);
    EXPECT_EQ(0, s.day_pnl);
    EXPECT_EQ(0, s.day_peak_pnl);
    EXPECT_EQ(0, s.position_factor_total);
    EXPECT_EQ(0, s.valuation_total_sum);
    EXPECT_EQ(0, s.set_pnl_sum);

    s.ParseAccountInfo("0|0|3|0|0|0|50|0|7|8|-100|0||2");
    s.SumAccounts(true);
    EXPECT_EQ(200, s.day_pnl);
    EXPECT_EQ(200, s.day_peak_pnl);
    EXPECT_EQ(10, s.position_factor_total); // (2 + 3) x 2
    EXPECT_EQ(150, s.valuation_total_sum);
    EXPECT_EQ(14, s.valuation_pnl_sum);
    // set_pnl of information records waits for the next update.
    EXPECT_EQ(0, s.set_pnl_sum);
    s.ParseAccountUpdate("0|0|3|0|0|0|50|0|7|8|-100");
    s.SumAccounts(false);
    EXPECT_EQ(12, s.set_pnl_sum);
}

TEST_F(StatusIntakeTest, UpdatesOnlyRaiseThePeakAndInformationRecordsResetIt) {
    s.ParseAccountInfo("1|0|0|0|0|0|0|0|0|0|100");
    s.ParseAccountInfo("0|0|0|0|0|0|0|0|0|0|100");
    s.SumAccounts(true);
    s.ParseAccountUpdate("1|0|0|0|0|0|0|0|0|0|400");
    s.SumAccounts(false);
    EXPECT_EQ(500, s.day_peak_pnl);
    s.ParseAccountUpdate("1|0|0|0|0|0|0|0|0|0|50");
    s.SumAccounts(false);
    EXPECT_EQ(150, s.day_pnl);
    EXPECT_EQ(500, s.day_peak_pnl);
    s.ParseAccountInfo("1|0|0|0|0|0|0|0|0|0|-20");
    s.SumAccounts(true);
    EXPECT_EQ(80, s.day_pnl);
    EXPECT_EQ(80, s.day_peak_pnl);
}

} // namespace
