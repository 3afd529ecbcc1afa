#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "StoreFixture.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "support/TradingLogFile.h"

namespace {

CString OtherBase() {
    return CString("C:\\다른곳");
}

} // namespace

TEST(StoreText, KoreanRoundTripsByteForByteThroughUtf8) {
    const CString korean("미니 나스닥 '선물' ABC");
    char* utf8 = AnsiToUtf8(korean);
    EXPECT_STREQ(
        utf8, "\xEB\xAF\xB8\xEB\x8B\x88 \xEB\x82\x98\xEC\x8A\xA4\xEB\x8B\xA5 '\xEC\x84\xA0\xEB\xAC\xBC' ABC");
    EXPECT_EQ(Utf8ToAnsi(utf8).str(), korean.str());
    delete[] utf8;
}

TEST(StoreText, EmptyNullAndUnconvertibleTexts) {
    char* empty = AnsiToUtf8(CString());
    EXPECT_EQ(empty[0], '\0');
    delete[] empty;
    EXPECT_TRUE(Utf8ToAnsi(nullptr).IsEmpty());
    EXPECT_TRUE(Utf8ToAnsi("").IsEmpty());
    // A malformed byte and a character outside code page 949 become substitutes.
    CString bad = Utf8ToAnsi("a\xFF"
                             "b");
    EXPECT_EQ(bad.GetAt(0), 'a');
    EXPECT_EQ(bad.GetAt(bad.GetLength() - 1), 'b');
    EXPECT_GT(bad.GetLength(), 2);
    CString emoji = Utf8ToAnsi("x\xF0\x9F\x98\x80y");
    EXPECT_EQ(emoji.GetAt(0), 'x');
    EXPECT_EQ(emoji.GetAt(emoji.GetLength() - 1), 'y');
}

TEST_F(StoreTest, OpensTheMainStoreBelowTheBasePath) {
    EXPECT_EQ(store.Open(), 1);
    EXPECT_NE(store.m_pDB, nullptr);
    store.Close();
    // A provider moves the files; a missing folder makes the open fail and leaves nothing open.
    SetBasePathProvider(OtherBase);
    EXPECT_EQ(store.Open(), 0);
    EXPECT_EQ(store.m_pDB, nullptr);
    std::filesystem::create_directories(HostPath("C:\\다른곳\\DataBase"));
    EXPECT_EQ(store.OpenTradingLog("1234"), 0);
    std::ofstream(HostPath("C:\\다른곳\\DataBase\\db_Velmora_1234.db"));
    EXPECT_EQ(store.OpenTradingLog("1234"), 1);
    store.Close();
    SetBasePathProvider(nullptr);
    EXPECT_EQ(StoreBasePath().str(), CString(kBaseFolder).str());
}

TEST_F(StoreTest, FailsWithoutTheBaseFolder) {
    std::filesystem::remove_all(HostPath("C:\\Korvex금융투자"));
    EXPECT_EQ(store.Open(), 0);
    EXPECT_EQ(store.OpenTradingLog("1234"), 0);
    EXPECT_EQ(store.m_pDB, nullptr);
    EXPECT_FALSE(std::filesystem::exists(HostPath("C:\\Korvex금융투자")));
}

TEST_F(StoreTest, ALinkInAStoreFilesPlaceIsRefusedAndNothingIsMadeThrough) {
    namespace fs = std::filesystem;
    const std::string elsewhere = HostPath("C:\\elsewhere");
    fs::create_directories(elsewhere);
    fs::remove(MainPath());
    fs::create_symlink(elsewhere + "/db_Velmora.db", MainPath());
    const std::string log = HostPath("C:\\Korvex금융투자\\PlenorixGlobal\\exe\\DataBase\\db_Velmora_1.db");
    fs::create_symlink(elsewhere + "/db_Velmora_1.db", log);
    EXPECT_EQ(store.Open(), 0);
    EXPECT_EQ(store.SaveSubPassword("secret"), 0);
    std::vector<TradeLogRow> rows(1);
    EXPECT_EQ(CTradeDataBase::LoadTradingLog(rows, "1", "2", "00000000", "99991231"), -1);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    // A link to a store that exists is not written through either.
    { TradingLogFile target("2"); }
    fs::rename(HostPath("C:\\Korvex금융투자\\PlenorixGlobal\\exe\\DataBase\\db_Velmora_2.db"),
               elsewhere + "/db_Velmora_2.db");
    fs::remove(MainPath());
    fs::create_symlink(elsewhere + "/db_Velmora_2.db", MainPath());
    EXPECT_EQ(store.SaveSubPassword("secret"), 0);
    EXPECT_EQ(store.OpenTradingLog("1"), 0);
}

TEST(StoreObject, OperationsWithoutAStoreObjectFailQuietly) {
    TempDrive drive;
    g_pTradeDataBase = nullptr;
    int type = 7;
    EXPECT_EQ(CTradeDataBase::GetStrategyValue("trade_type", 2), 0);
    EXPECT_EQ(CTradeDataBase::LoadServerTypes(&type, &type), 0);
    EXPECT_EQ(type, 7);
    EXPECT_EQ(CTradeDataBase::LoadItems(nullptr), -1);
    std::vector<StatRow> stats;
    EXPECT_EQ(CTradeDataBase::QueryPeriodStatistics(stats, "1", 0), -1);
}

TEST_F(StoreTest, StoreFilesTheConsoleMakesAreTheOwnersOnly) {
    namespace fs = std::filesystem;
    const auto ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    fs::remove(MainPath());
    const mode_t saved = umask(0);
    EXPECT_EQ(store.SaveSubPassword("1"), 0); // no table yet, but the file is made
    umask(saved);
    EXPECT_EQ(fs::status(MainPath()).permissions(), ownerOnly);

    // A file that is there already keeps the mode it has.
    fs::permissions(MainPath(), ownerOnly | fs::perms::group_read);
    EXPECT_EQ(store.Open(), 1);
    store.Close();
    EXPECT_EQ(fs::status(MainPath()).permissions(), ownerOnly | fs::perms::group_read);
}

// Another user's file, or a second name of one, in the store's place or its journal's: no
// credential or setting is written into it, and the store tells why it was not opened.
TEST_F(StoreTest, OnlyTheUsersOwnStoreFilesAreOpenedAndNothingIsWrittenIntoAnothersFile) {
    namespace fs = std::filesystem;
    const std::string theirs = HostPath("C:\\theirs.db");
    ExecFile(theirs, kCreateAccountTable);
    const auto theirBytes = fs::file_size(theirs);
    fs::remove(MainPath());
    fs::create_hard_link(theirs, MainPath());
    EXPECT_EQ(store.Open(), 0);
    EXPECT_EQ(store.OpenRefusal(), FileRefusal::SeveralLinks);
    EXPECT_EQ(CTradeDataBase::SaveAccount(1, "id", "secret", "cert", "111", "0472", 1, "id2", "secret2",
                                          "cert2", "222", "0472", "NQZ20", "", ""),
              0);
    fs::remove(MainPath());
    EXPECT_TRUE(QueryFile(theirs, "select * from VnAccount").empty());
    EXPECT_EQ(fs::file_size(theirs), theirBytes);

    // A journal of another file planted beside the store: the save fails and writes nothing.
    for (const char* sql : {kCreateAccountTable, kCreateItemTable, kCreateStrategyTable})
        ExecFile(MainPath(), sql);
    const std::string planted = HostPath("C:\\planted");
    std::ofstream(planted).flush();
    fs::create_hard_link(planted, MainPath() + "-journal");
    EXPECT_EQ(CTradeDataBase::SaveAccount(1, "id", "secret", "cert", "111", "0472", 1, "id2", "secret2",
                                          "cert2", "222", "0472", "NQZ20", "", ""),
              0);
    EXPECT_EQ(fs::file_size(planted), 0u);
    fs::remove(MainPath() + "-journal");
    EXPECT_TRUE(Main("select * from VnAccount").empty());

    // A store of another user, as far as the system says.
    {
        SysCallsOverride restore;
        Sys().fstat = [](int fd, struct stat* st) {
            const int done = ::fstat(fd, st);
            if (done == 0 && S_ISREG(st->st_mode))
                st->st_uid = geteuid() + 1;
            return done;
        };
        EXPECT_EQ(CTradeDataBase::SaveSubPassword("secret"), 0);
        EXPECT_EQ(store.Open(), 0);
        EXPECT_EQ(store.OpenRefusal(), FileRefusal::OtherOwner);
    }
    // A link in a folder of the console's own below the base folder: refused, and no empty
    // store is made where it leads.
    const std::string elsewhere = HostPath("C:\\elsewhere");
    fs::create_directories(elsewhere);
    const std::string dataBase = HostPath("C:\\Korvex금융투자\\PlenorixGlobal\\exe\\DataBase");
    fs::rename(dataBase, dataBase + ".moved");
    fs::create_directory_symlink(elsewhere, dataBase);
    EXPECT_EQ(store.Open(), 0);
    EXPECT_EQ(store.OpenRefusal(), FileRefusal::Link);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    fs::remove(dataBase);
    fs::rename(dataBase + ".moved", dataBase);
    // The user's own store is opened as before.
    EXPECT_EQ(CTradeDataBase::SaveSubPassword("secret"), 1);
    EXPECT_EQ(store.OpenRefusal(), FileRefusal::None);
}
