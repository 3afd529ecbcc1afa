// The statements the account and item operations hand to SQLite, word for word: the engines
// and older consoles share these tables, so a changed column list or quote is a real fault.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "StoreFixture.h"
#include "platform/core/Time.h"

TEST_F(StoreTest, AccountStatementsReadWordForWord) {
    SqlTrace trace;
    ASSERT_EQ(CTradeDataBase::SaveAccount(0, "a1", "p1", "c1", "n1", "q1", 1, "a2", "p2", "c2", "n2", "q2",
                                          "NQZ20", "ident", "sub"),
              1);
    ASSERT_EQ(trace.statements.size(), 1u);
    const std::string& save = trace.statements[0];
    const std::string head =
        "insert or replace into VnAccount(tid, id, passwd, cert_passwd, account_number, account_passwd, "
        "server_type, id2, passwd2, cert_passwd2, account_number2, account_passwd2, server_type2, "
        "trade_item, "
        "sub_password, ident_code, login, recent) values ('kvfi', 'a1', 'p1', 'c1', 'n1', 'q1', 0, 'a2', "
        "'p2', "
        "'c2', 'n2', 'q2', 1, 'NQZ20', 'sub', 'ident', 1, ";
    EXPECT_EQ(save.substr(0, head.size()), head);
    // The stamp closes the statement.
    EXPECT_EQ(save.back(), ')');
    const long long stamp = std::atoll(save.substr(head.size()).c_str());
    EXPECT_LE(std::llabs(stamp - static_cast<long long>(_time64(nullptr))), 5);

    trace.statements.clear();
    int type = -1, type2 = -1;
    char text[15][kAccountLongTextSize] = {};
    ASSERT_EQ(CTradeDataBase::LoadServerTypes(&type, &type2), 1);
    ASSERT_EQ(CTradeDataBase::LoadAccount(&type, text[0], text[1], text[2], text[3], text[4], &type2, text[5],
                                          text[6], text[7], text[8], text[9], text[10], text[11], text[12]),
              1);
    ASSERT_EQ(CTradeDataBase::SaveSubPassword("s2"), 1);
    char sub[30] = {};
    ASSERT_EQ(CTradeDataBase::LoadSubPassword(sub, sizeof sub), 1);
    ASSERT_EQ(CTradeDataBase::ResetLogin("a1"), 1);
    const std::vector<std::string> expected = {
        "select server_type, server_type2 from VnAccount where tid = 'kvfi' order by recent desc limit 1",
        "select id, passwd, cert_passwd, account_number, account_passwd, server_type, id2, passwd2, "
        "cert_passwd2, account_number2, account_passwd2, server_type2, trade_item, ident_code, sub_password "
        "from VnAccount where tid = 'kvfi' order by recent desc limit 1",
        "update VnAccount set sub_password = 's2' where tid = 'kvfi'",
        "select sub_password from VnAccount where tid = 'kvfi' and length(sub_password) > 0 group by "
        "sub_password",
        "update VnAccount set login = '0' where id = 'a1'",
    };
    EXPECT_EQ(trace.statements, expected);
    EXPECT_STREQ(text[11], "ident");
    EXPECT_STREQ(sub, "s2");
}

TEST_F(StoreTest, ItemStatementsReadWordForWord) {
    TradeItem items[kTradeItemCount] = {};
    std::strcpy(items[0].name, "mini");
    std::strcpy(items[0].code, "NQZ20");
    std::strcpy(items[9].name, "last");
    std::strcpy(items[9].code, "HSIZ0");
    SqlTrace trace;
    ASSERT_EQ(CTradeDataBase::SaveItems(items), 0);
    ASSERT_EQ(CTradeDataBase::SaveCurrentItemIndex(3), 1);
    ASSERT_EQ(CTradeDataBase::LoadItems(items), 3);
    const std::vector<std::string> expected = {
        "insert or replace into VnItem(id, item_name1, item_code1, item_name2, item_code2, item_name3, "
        "item_code3, item_name4, item_code4, item_name5, item_code5, item_name6, item_code6, item_name7, "
        "item_code7, item_name8, item_code8, item_name9, item_code9, item_name10, item_code10, curr_idx) "
        "values (1, 'mini', 'NQZ20', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', 'last', "
        "'HSIZ0', 0)",
        "update VnItem set curr_idx = '3' where id = 1",
        "select item_name1, item_code1, item_name2, item_code2, item_name3, item_code3, item_name4, "
        "item_code4, item_name5, item_code5, item_name6, item_code6, item_name7, item_code7, item_name8, "
        "item_code8, item_name9, item_code9, item_name10, item_code10, curr_idx from VnItem",
    };
    EXPECT_EQ(trace.statements, expected);
}

TEST_F(StoreTest, StrategyUpdateFallbackReadsWordForWord) {
    ASSERT_EQ(store.SetStrategyValue("profit_reserve_trigger_type", 1), 1);
    SqlTrace trace;
    ASSERT_EQ(store.SetStrategyValue("profit_reserve_trigger_type", 0), 1);
    const std::vector<std::string> expected = {
        "Insert into VnStrategy(name, value) values ('profit_reserve_trigger_type', 0)",
        "update VnStrategy set value = 0 where name = 'profit_reserve_trigger_type'",
    };
    EXPECT_EQ(trace.statements, expected);
}
