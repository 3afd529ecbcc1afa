#include <cstring>
#include <string>

#include "StoreFixture.h"
#include "platform/core/Text.h"

namespace {

struct Slots {
    TradeItem items[kTradeItemCount] = {};
    char guard[8] = {};
};

void Put(TradeItem& item, const char* name, const char* code) {
    std::strcpy(item.name, name);
    std::strcpy(item.code, code);
}

} // namespace

TEST_F(StoreTest, ItemsFirstStartThenSaveAndLoad) {
    Slots slots;
    Put(slots.items[0], "keep", "K");
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), -1);
    EXPECT_STREQ(slots.items[0].name, "keep");

    Slots saved;
    Put(saved.items[0], "미니 나스닥", "NQZ20");
    Put(saved.items[1], "마이크로 S&P", "MESZ20");
    Put(saved.items[4], "항셍's", "HSIZ20");
    EXPECT_EQ(CTradeDataBase::SaveItems(saved.items), 0);
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), 0);
    EXPECT_EQ(std::memcmp(slots.items, saved.items, sizeof saved.items), 0);
    EXPECT_EQ(Main("select item_name1, item_code10, curr_idx from VnItem"),
              (TextRows{{AnsiToHostUtf8("미니 나스닥"), "", "0"}}));
}

TEST_F(StoreTest, CurrentIndexFollowsLoginAndResetsWithASave) {
    // No row yet: the update changes nothing and still succeeds.
    EXPECT_EQ(CTradeDataBase::SaveCurrentItemIndex(3), 1);
    EXPECT_TRUE(Main("select * from VnItem").empty());

    Slots slots;
    Put(slots.items[0], "a", "A");
    CTradeDataBase::SaveItems(slots.items);
    EXPECT_EQ(CTradeDataBase::SaveCurrentItemIndex(3), 1);
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), 3);
    EXPECT_EQ(Main("select typeof(curr_idx) from VnItem")[0][0], "integer");
    CTradeDataBase::SaveItems(slots.items);
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), 0);
    // Returned as stored, without a range check.
    MainExec("update VnItem set curr_idx = 42");
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), 42);
}

TEST_F(StoreTest, LongItemTextsAreCutToTheirSlots) {
    Slots slots;
    Put(slots.items[0], "a", "A");
    CTradeDataBase::SaveItems(slots.items);
    // 30 Korean characters (60 bytes in code page 949) and a 25-character code.
    std::string name;
    for (int i = 0; i < 30; ++i)
        name += "가";
    std::string sql = "update VnItem set item_name10 = '" + AnsiToHostUtf8(name.c_str()) +
                      "', item_code10 = 'ABCDEFGHIJKLMNOPQRSTUVWXY', item_name2 = NULL";
    MainExec(sql.c_str());
    Put(slots.items[1], "stale", "S");
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), 0);
    EXPECT_EQ(std::string(slots.items[9].name), name.substr(0, 48));
    EXPECT_STREQ(slots.items[9].code, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_STREQ(slots.items[1].name, "");
    for (char g : slots.guard)
        EXPECT_EQ(g, 0);
}

TEST_F(StoreTest, UnopenableStoreFailsItemOperations) {
    BlockMainStore();
    Slots slots;
    EXPECT_EQ(CTradeDataBase::SaveItems(slots.items), -1);
    EXPECT_EQ(CTradeDataBase::LoadItems(slots.items), -1);
    EXPECT_EQ(CTradeDataBase::SaveCurrentItemIndex(1), 0);
}
