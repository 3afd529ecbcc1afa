#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "StoreFixture.h"
#include "platform/core/Text.h"

namespace {

// The login dialog's buffers, zero-filled, with a guard behind each.
struct AccountBuffers {
    int serverType = -1;
    int serverType2 = -1;
    struct Text20 {
        char text[kAccountTextSize];
        char guard[8];
    } id{}, passwd{}, cert{}, number{}, numberPw{}, id2{}, passwd2{}, cert2{}, number2{}, numberPw2{}, item{};
    struct Text64 {
        char text[kAccountLongTextSize];
        char guard[8];
    } ident{}, sub{};

    int Load() {
        return CTradeDataBase::LoadAccount(&serverType, id.text, passwd.text, cert.text, number.text,
                                           numberPw.text, &serverType2, id2.text, passwd2.text, cert2.text,
                                           number2.text, numberPw2.text, item.text, ident.text, sub.text);
    }
    bool GuardsIntact() const {
        for (const Text20* t :
             {&id, &passwd, &cert, &number, &numberPw, &id2, &passwd2, &cert2, &number2, &numberPw2, &item})
            for (char g : t->guard)
                if (g)
                    return false;
        for (const Text64* t : {&ident, &sub})
            for (char g : t->guard)
                if (g)
                    return false;
        return true;
    }
};

int Save(const char* id, const char* id2, const char* number = "5012345", const char* sub = "") {
    return CTradeDataBase::SaveAccount(0, id, "pw", "cert", number, "0000", 1, id2, "pw2", "cert2", "6098765",
                                       "1111", "NQZ20", "ident", sub);
}

} // namespace

TEST_F(StoreTest, EmptyAccountTableLeavesEveryOutputUntouched) {
    AccountBuffers b;
    std::strcpy(b.id.text, "keep");
    EXPECT_EQ(CTradeDataBase::LoadServerTypes(&b.serverType, &b.serverType2), 1);
    EXPECT_EQ(b.Load(), 1);
    EXPECT_EQ(b.serverType, -1);
    EXPECT_EQ(b.serverType2, -1);
    EXPECT_STREQ(b.id.text, "keep");
    char sub[20] = "keep";
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(sub, sizeof sub), 1);
    EXPECT_STREQ(sub, "keep");
}

TEST_F(StoreTest, AccountRowRoundTripsWithKoreanAndQuotes) {
    EXPECT_EQ(CTradeDataBase::SaveAccount(1, "홍길동", "pa'ss", "인증서", "5012345", "0000", 0, "o'brien",
                                          "pw2", "cert2", "6098765", "1111", "NQZ20", "식별'코드", "콜번호"),
              1);
    AccountBuffers b;
    EXPECT_EQ(b.Load(), 1);
    EXPECT_EQ(b.serverType, 1);
    EXPECT_EQ(b.serverType2, 0);
    EXPECT_STREQ(b.id.text, "홍길동");
    EXPECT_STREQ(b.passwd.text, "pa'ss");
    EXPECT_STREQ(b.cert.text, "인증서");
    EXPECT_STREQ(b.number.text, "5012345");
    EXPECT_STREQ(b.id2.text, "o'brien");
    EXPECT_STREQ(b.numberPw2.text, "1111");
    EXPECT_STREQ(b.item.text, "NQZ20");
    EXPECT_STREQ(b.ident.text, "식별'코드");
    EXPECT_STREQ(b.sub.text, "콜번호");
    // Each value reached its own column although the statement names sub_password first.
    auto row = Main("select tid, ident_code, sub_password, login, server_type, server_type2 from VnAccount");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (std::vector<std::string>{"kvfi", AnsiToHostUtf8("식별'코드"), AnsiToHostUtf8("콜번호"),
                                                "1", "1", "0"}));
    int type = -1, type2 = -1;
    EXPECT_EQ(CTradeDataBase::LoadServerTypes(&type, &type2), 1);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(type2, 0);
}

TEST_F(StoreTest, NewPairOfIdsAddsARowAndTheNewestIsPreloaded) {
    Save("first", "second");
    MainExec("update VnAccount set recent = 100");
    Save("third", "fourth");
    MainExec("update VnAccount set recent = 200 where id = 'third'");
    Save("first", "fifth");
    MainExec("update VnAccount set recent = 50 where id2 = 'fifth'");
    EXPECT_EQ(Main("select count(*) from VnAccount")[0][0], "3");
    AccountBuffers b;
    b.Load();
    EXPECT_STREQ(b.id.text, "third");
    EXPECT_STREQ(b.id2.text, "fourth");

    // The same pair replaces its row whole.
    Save("third", "fourth", "7777777");
    EXPECT_EQ(Main("select count(*) from VnAccount")[0][0], "3");
    EXPECT_EQ(Main("select account_number from VnAccount where id = 'third'")[0][0], "7777777");

    EXPECT_EQ(CTradeDataBase::ResetLogin("first"), 1);
    EXPECT_EQ(Main("select id, id2, login from VnAccount order by id, id2"),
              (TextRows{{"first", "fifth", "0"}, {"first", "second", "0"}, {"third", "fourth", "1"}}));
}

TEST_F(StoreTest, SavedRowCarriesTheCurrentTime) {
    Save("a", "b");
    long long recent = std::stoll(Main("select recent from VnAccount")[0][0]);
    long long now = static_cast<long long>(time(nullptr));
    EXPECT_LE(std::llabs(now - recent), 5);
}

TEST_F(StoreTest, SubPasswordGoesToEveryRowAndEmptyFindsNothing) {
    Save("a", "b", "1", "old");
    Save("c", "d", "2", "older");
    EXPECT_EQ(CTradeDataBase::SaveSubPassword("0415"), 1);
    EXPECT_EQ(Main("select distinct sub_password from VnAccount"), (TextRows{{"0415"}}));
    char sub[30] = {};
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(sub, sizeof sub), 1);
    EXPECT_STREQ(sub, "0415");

    EXPECT_EQ(CTradeDataBase::SaveSubPassword(""), 1);
    char empty[20] = {};
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(empty, sizeof empty), 1);
    EXPECT_STREQ(empty, "");
}

TEST_F(StoreTest, LongStoredTextsAreCutToTheirBuffers) {
    // 12 Korean characters (24 bytes) and 70 ASCII characters.
    const std::string korean = "가나다라마바사아자차카타";
    const std::string longText(70, 'x');
    Save("a", "b");
    std::string sql = "update VnAccount set id = '" + AnsiToHostUtf8(korean.c_str()) + "', sub_password = '" +
                      longText + "', ident_code = NULL, server_type2 = NULL";
    MainExec(sql.c_str());
    AccountBuffers b;
    EXPECT_EQ(b.Load(), 1);
    EXPECT_TRUE(b.GuardsIntact());
    // 19 bytes of room: nine whole characters, never half of one.
    EXPECT_EQ(std::string(b.id.text), korean.substr(0, 18));
    EXPECT_EQ(std::string(b.sub.text), longText.substr(0, 63));
    EXPECT_STREQ(b.ident.text, "");
    EXPECT_EQ(b.serverType2, 0);

    char sub[20 + 8] = {};
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(sub, 20), 1);
    EXPECT_EQ(std::string(sub), longText.substr(0, 19));
    EXPECT_EQ(sub[20], '\0');
}

TEST_F(StoreTest, UnopenableStoreLeavesAccountOutputsAlone) {
    BlockMainStore();
    EXPECT_EQ(Save("a", "b"), 0);
    EXPECT_EQ(CTradeDataBase::ResetLogin("a"), 0);
    EXPECT_EQ(CTradeDataBase::SaveSubPassword("1"), 0);
    AccountBuffers b;
    EXPECT_EQ(b.Load(), 0);
    EXPECT_EQ(CTradeDataBase::LoadServerTypes(&b.serverType, &b.serverType2), 0);
    EXPECT_EQ(b.serverType, -1);
    char sub[20] = "keep";
    EXPECT_EQ(CTradeDataBase::LoadSubPassword(sub, sizeof sub), 0);
    EXPECT_STREQ(sub, "keep");
}
