#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "StoreFixture.h"
#include "support/StoreProcess.h"

namespace {

class ContentionTest : public StoreTest {
protected:
    CTradeState state;
};

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST_F(ContentionTest, SavesWhileAnEngineReadsEveryRowAreStoredOrReported) {
    state.LoadStrategyValues();
    ASSERT_EQ(state.SaveStrategyValues(), 1);
    StoreProcess engine(StoreProcess::Kind::StrategyReader, MainPath());
    ASSERT_TRUE(engine.Ready());

    int stored = 0, lostSilently = 0, rolledBack = 0;
    int lastStored = state.won_dallar;
    for (int i = 0; i < 300; ++i) {
        state.won_dallar = 1000 + i;
        state.fee_org = 5000 + i;
        const int saved = state.SaveStrategyValues();
        auto values = StoredValues();
        if (saved) {
            ++stored;
            lastStored = state.won_dallar;
            lostSilently += values["won_dallar"] != 1000 + i || values["fee_org"] != 5000 + i;
        } else {
            // A failed save leaves the values of the last one that succeeded, all of them.
            rolledBack += values["won_dallar"] == lastStored;
        }
    }
    EXPECT_GT(engine.Stop(), 0);
    EXPECT_EQ(lostSilently, 0);
    EXPECT_EQ(rolledBack, 300 - stored);
    // A reader only delays a save; the wait outlasts it.
    EXPECT_GT(stored, 0);
}

TEST_F(ContentionTest, ASaveWaitsForAWriterThatLetsGo) {
    state.LoadStrategyValues();
    StoreProcess writer(StoreProcess::Kind::ExclusiveWriter, MainPath());
    ASSERT_TRUE(writer.Ready());
    // The writer lets go while the save waits for it.
    writer.LetGoAfter(300);
    state.won_dallar = 1234;
    EXPECT_EQ(state.SaveStrategyValues(), 1);
    EXPECT_EQ(writer.Stop(), 1);
    EXPECT_EQ(StoredValues()["won_dallar"], 1234);
}

TEST_F(ContentionTest, WritesUnderAHeldLockReportFailureAndStoreNothing) {
    state.LoadStrategyValues();
    ASSERT_EQ(state.SaveStrategyValues(), 1);
    ASSERT_EQ(CTradeDataBase::SaveAccount(1, "a", "b", "c", "111", "d", 1, "e", "f", "g", "222", "h", "NQZ20",
                                          "", "77"),
              1);
    const auto before = Main("select * from VnStrategy order by name");
    {
        StoreProcess writer(StoreProcess::Kind::ReservedWriter, MainPath());
        ASSERT_TRUE(writer.Ready());
        state.won_dallar = 4321;
        EXPECT_EQ(state.SaveStrategyValues(), 0);
        EXPECT_EQ(CTradeDataBase::SaveSubPassword("99"), 0);
        EXPECT_EQ(CTradeDataBase::ResetLogin("a"), 0);
        EXPECT_EQ(CTradeDataBase::SaveCurrentItemIndex(3), 0);
        EXPECT_EQ(writer.Stop(), 1);
    }
    EXPECT_EQ(Main("select * from VnStrategy order by name"), before);
    EXPECT_EQ(Main("select sub_password, login from VnAccount"), (TextRows{{"77", "1"}}));
}

TEST_F(ContentionTest, LoadUnderAWriterIsToldNotTakenForZerosOrDefaults) {
    state.LoadStrategyValues();
    state.won_dallar = 1400;
    state.day_tot_loss_max_use = 1;
    ASSERT_EQ(state.SaveStrategyValues(), 1);
    const auto before = StoredValues();

    CTradeState loaded;
    {
        StoreProcess writer(StoreProcess::Kind::ExclusiveWriter, MainPath());
        ASSERT_TRUE(writer.Ready());
        SqlTrace trace;
        loaded.LoadStrategyValues();
        // The first read waits and fails; the others do not wait for the same lock again.
        EXPECT_EQ(trace.connections, 1);
        char sub[30] = {};
        EXPECT_EQ(CTradeDataBase::LoadSubPassword(sub, sizeof sub), 0);
        EXPECT_EQ(writer.Stop(), 1);
    }
    EXPECT_TRUE(loaded.strategy_loaded);
    EXPECT_TRUE(loaded.strategy_unread);
    EXPECT_EQ(loaded.won_dallar, 0);
    EXPECT_EQ(loaded.timer1_start.str(), "0000");
    // Nothing was written in place of the values that could not be read.
    EXPECT_EQ(StoredValues(), before);

    // A save over them is a choice; once made, the fields are what the store holds.
    loaded.won_dallar = 1500;
    ASSERT_EQ(loaded.SaveStrategyValues(), 1);
    EXPECT_FALSE(loaded.strategy_unread);
    CTradeState again;
    again.LoadStrategyValues();
    EXPECT_FALSE(again.strategy_unread);
    EXPECT_EQ(again.won_dallar, 1500);
}

TEST_F(ContentionTest, AFileThatIsNotADatabaseIsReportedAndNeverWritten) {
    {
        std::ofstream out(MainPath(), std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 200; ++i)
            out << "not a database, line " << i << "\n";
    }
    const std::string bytes = FileBytes(MainPath());

    state.LoadStrategyValues();
    EXPECT_TRUE(state.strategy_unread);
    EXPECT_EQ(state.day_tot_loss_max, 0);
    EXPECT_EQ(state.SaveStrategyValues(), 0);
    EXPECT_TRUE(state.strategy_unread);
    EXPECT_EQ(
        CTradeDataBase::SaveAccount(1, "a", "b", "c", "111", "d", 1, "e", "f", "g", "222", "h", "x", "", ""),
        0);
    EXPECT_EQ(CTradeDataBase::ResetLogin("a"), 0);
    EXPECT_EQ(CTradeDataBase::SaveSubPassword("1"), 0);
    TradeItem items[kTradeItemCount] = {};
    EXPECT_EQ(CTradeDataBase::LoadItems(items), -1);
    EXPECT_EQ(CTradeDataBase::SaveItems(items), -1);
    EXPECT_EQ(CTradeDataBase::SaveCurrentItemIndex(1), 0);
    int type = 7;
    EXPECT_EQ(CTradeDataBase::LoadServerTypes(&type, &type), 0);
    EXPECT_EQ(type, 7);

    EXPECT_EQ(FileBytes(MainPath()), bytes);
}

TEST_F(StoreTest, ALoneLeadByteCannotEndTheQuotedText) {
    // The lead byte would take the closing quote with it, and the next text would run as SQL.
    const char* payload = ", 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 0); drop table VnItem; --";
    const int saved = CTradeDataBase::SaveAccount(1, "a\xB0", payload, "c", "111", "d", 1, "e", "f", "g",
                                                  "222", "h", "x", "", "");
    EXPECT_EQ(saved, 1);
    EXPECT_FALSE(Main("select name from sqlite_master where name = 'VnItem'").empty());
    auto rows = Main("select id, passwd, id2 from VnAccount");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "a?");
    EXPECT_EQ(rows[0][1], payload);
    EXPECT_EQ(rows[0][2], "e");
}

TEST_F(StoreTest, ABrokenSequenceInsideATextKeepsTheStatementWhole) {
    ASSERT_EQ(CTradeDataBase::SaveAccount(0, "id", "pw\x81", "\xFE\xFF", "111", "한글\xB0", 1, "id2", "p",
                                          "c", "222", "q", "NQZ20", "", ""),
              1);
    auto rows =
        Main("select passwd, cert_passwd, account_passwd, id2, trade_item from VnAccount where id = 'id'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][3], "id2");
    EXPECT_EQ(rows[0][4], "NQZ20");
    EXPECT_EQ(rows[0][2], "\xED\x95\x9C\xEA\xB8\x80?"); // 한글 in UTF-8, then the substitute

    // The quote after the lead byte is swallowed with it; the rest stays inside the literal.
    EXPECT_EQ(CTradeDataBase::SaveSubPassword("12\xB0'34'; drop table VnStrategy; --"), 1);
    EXPECT_FALSE(Main("select name from sqlite_master where name = 'VnStrategy'").empty());
    char sub[64] = {};
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(sub, sizeof sub), 1);
    EXPECT_STREQ(sub, "12?34'; drop table VnStrategy; --");
}
