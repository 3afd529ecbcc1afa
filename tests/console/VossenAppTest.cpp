#include <sys/stat.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/VossenApp.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "support/BoxRecorder.h"
#include "support/SqlTrace.h"
#include "support/TempDrive.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned> g_sleeps;

// The shutdown's pause is recorded instead of waited.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_sleeps.clear();
        Sys().sleepMs = [](unsigned ms) { g_sleeps.push_back(ms); };
    }
    void TearDown() override { ShutdownCleanup(); }

    std::string Base(const char* sub = "") const {
        return HostPath((std::string(kBaseFolder) + sub).c_str());
    }
    std::string MainStore() const { return Base("\\DataBase\\db_Velmora.db"); }

    std::vector<std::string> Column(const char* sql) const {
        std::vector<std::string> values;
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(MainStore().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            values.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return values;
    }
    std::vector<std::string> Tables() const {
        return Column("select sql from sqlite_master where type = 'table' order by rowid");
    }

    // Every path below drive C:, for comparing two starts.
    std::vector<std::string> Tree() const {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(drive.Root()))
            paths.push_back(entry.path().string() + (entry.is_directory() ? "/" : ""));
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    SysCallsOverride sys;
    TempDrive drive;
};

} // namespace

TEST_F(AppTest, StartPreparesFoldersStoreAndState) {
    drive.MakeBaseFolder();
    {
        SqlTrace trace;
        theApp.InitEnvironment();
        EXPECT_EQ(trace.connections, 1);
        EXPECT_EQ(
            trace.statements,
            (std::vector<std::string>{
                "Create TABLE IF NOT EXISTS VnAccount (tid char(20), id char(20), passwd char(20), "
                "cert_passwd "
                "char(20), account_number char(20), account_passwd char(20), server_type integer DEFAULT 1, "
                "id2 "
                "char(20), passwd2 char(20), cert_passwd2 char(20), account_number2 char(20), "
                "account_passwd2 "
                "char(20), server_type2 integer DEFAULT 1, trade_item char(10), sub_password char(30) "
                "DEFAULT '', "
                "ident_code char(30) DEFAULT '', login integer DEFAULT 0, recent integer DEFAULT 0, "
                "CONSTRAINT "
                "PK_TID_ACCOUNT PRIMARY KEY (tid, id, id2))",
                "Create TABLE IF NOT EXISTS VnItem (id integer, item_name1 char(20), item_code1 char(20), "
                "item_name2 char(20), item_code2 char(20), item_name3 char(20), item_code3 char(20), "
                "item_name4 "
                "char(20), item_code4 char(20), item_name5 char(20), item_code5 char(20), item_name6 "
                "char(20), "
                "item_code6 char(20), item_name7 char(20), item_code7 char(20), item_name8 char(20), "
                "item_code8 "
                "char(20), item_name9 char(20), item_code9 char(20), item_name10 char(20), item_code10 "
                "char(20), "
                "curr_idx integer DEFAULT 0, CONSTRAINT PK_ID_ITEM PRIMARY KEY (id))",
                "Create TABLE IF NOT EXISTS VnStrategy (name char(20) PRIMARY KEY, value integer DEFAULT "
                "0)"}));
    }

    EXPECT_EQ(theApp.GetBasePath().str(), std::string(kBaseFolder));
    for (const char* sub : {"\\Log", "\\BackTest", "\\DataBase"})
        EXPECT_TRUE(fs::is_directory(Base(sub))) << sub;
    // SQLite keeps each CREATE statement with its keywords in capitals and without "IF NOT EXISTS".
    EXPECT_EQ(
        Tables(),
        (std::vector<std::string>{
            "CREATE TABLE VnAccount (tid char(20), id char(20), passwd char(20), cert_passwd char(20), "
            "account_number char(20), account_passwd char(20), server_type integer DEFAULT 1, id2 char(20), "
            "passwd2 char(20), cert_passwd2 char(20), account_number2 char(20), account_passwd2 char(20), "
            "server_type2 integer DEFAULT 1, trade_item char(10), sub_password char(30) DEFAULT '', "
            "ident_code "
            "char(30) DEFAULT '', login integer DEFAULT 0, recent integer DEFAULT 0, CONSTRAINT "
            "PK_TID_ACCOUNT "
            "PRIMARY KEY (tid, id, id2))",
            "CREATE TABLE VnItem (id integer, item_name1 char(20), item_code1 char(20), item_name2 char(20), "
            "item_code2 char(20), item_name3 char(20), item_code3 char(20), item_name4 char(20), item_code4 "
            "char(20), item_name5 char(20), item_code5 char(20), item_name6 char(20), item_code6 char(20), "
            "item_name7 char(20), item_code7 char(20), item_name8 char(20), item_code8 char(20), item_name9 "
            "char(20), item_code9 char(20), item_name10 char(20), item_code10 char(20), curr_idx integer "
            "DEFAULT 0, CONSTRAINT PK_ID_ITEM PRIMARY KEY (id))",
            "CREATE TABLE VnStrategy (name char(20) PRIMARY KEY, value integer DEFAULT 0)"}));

    ASSERT_NE(g_pTradeState, nullptr);
    EXPECT_EQ(theApp.m_pTradeState, g_pTradeState);
    EXPECT_EQ(theApp.m_pTradeDataBase, g_pTradeDataBase);
    EXPECT_TRUE(g_pTradeState->alive);
    EXPECT_FALSE(g_pTradeState->strategy_loaded);
    ASSERT_NE(g_pTradeState->trade_records, nullptr);
    EXPECT_TRUE(g_pTradeState->trade_records->empty());
    EXPECT_EQ(g_pTradeState->items[9].code[19], 0);
    EXPECT_EQ(g_pTradeDataBase->m_pDB, nullptr);
    EXPECT_EQ(g_pTradeDataBase->m_pStmt, nullptr);

    ShutdownCleanup();
    EXPECT_EQ(g_sleeps, std::vector<unsigned>{1000});
    EXPECT_EQ(g_pTradeState, nullptr);
    EXPECT_EQ(g_pTradeDataBase, nullptr);
    // Nothing is left to free: no second pause.
    ShutdownCleanup();
    EXPECT_EQ(g_sleeps.size(), 1u);
}

TEST_F(AppTest, FoldersAndStoreMadeAtStartAreTheOwnersOnly) {
    drive.MakeBaseFolder();
    // Whatever the umask lets through, the folders and the store holding passwords are private.
    const mode_t saved = umask(0);
    theApp.InitEnvironment();
    umask(saved);
    for (const char* sub : {"\\Log", "\\BackTest", "\\DataBase"})
        EXPECT_EQ(fs::status(Base(sub)).permissions(), fs::perms::owner_all) << sub;
    EXPECT_EQ(fs::status(Base("\\DataBase\\db_Velmora.db")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    ShutdownCleanup();

    // An installation from before: the store, the logs, their folders and journals open to
    // everyone. They are brought to their owner; other files are left as they are.
    const auto open =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    const auto openFolder = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec;
    for (const char* sub : {"\\DataBase\\db_Velmora_1.db", "\\DataBase\\db_Velmora_1.db-journal",
                            "\\DataBase\\notes.txt", "\\Log\\engine-Ms.log"})
        std::ofstream(Base(sub)) << "x";
    for (const char* sub :
         {"\\DataBase\\db_Velmora.db", "\\DataBase\\db_Velmora_1.db", "\\DataBase\\db_Velmora_1.db-journal",
          "\\DataBase\\notes.txt", "\\Log\\engine-Ms.log"})
        fs::permissions(Base(sub), open);
    for (const char* sub : {"\\Log", "\\DataBase", "\\BackTest"})
        fs::permissions(Base(sub), openFolder);
    BoxRecorder boxes;
    theApp.InitEnvironment();
    for (const char* sub : {"\\DataBase\\db_Velmora.db", "\\DataBase\\db_Velmora_1.db",
                            "\\DataBase\\db_Velmora_1.db-journal", "\\Log\\engine-Ms.log"})
        EXPECT_EQ(fs::status(Base(sub)).permissions(), fs::perms::owner_read | fs::perms::owner_write) << sub;
    EXPECT_EQ(fs::status(Base("\\DataBase")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(Base("\\Log")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(Base("\\BackTest")).permissions(), openFolder);
    EXPECT_EQ(fs::status(Base("\\DataBase\\notes.txt")).permissions(), open);
    EXPECT_TRUE(boxes.empty());
    ShutdownCleanup();
}

TEST_F(AppTest, StoreFilesThatCannotBeMadePrivateAndFoldersOthersMayWriteInAreTold) {
    drive.MakeBaseFolder();
    theApp.InitEnvironment();
    ShutdownCleanup();
    const auto open =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(MainStore(), open);
    fs::create_symlink(drive.Root() + "/planted", Base("\\DataBase\\db_Velmora_9.db"));
    fs::permissions(Base(), fs::perms::all);
    // The store belongs to another user, as far as the system says.
    Sys().fstat = [](int fd, struct stat* st) {
        const int done = ::fstat(fd, st);
        st->st_uid = geteuid() + 1;
        return done;
    };
    BoxRecorder boxes;
    theApp.InitEnvironment();
    EXPECT_EQ(fs::status(MainStore()).permissions(), open);
    ASSERT_EQ(boxes.size(), 2u);
    const std::string text = boxes[0].text.GetString();
    EXPECT_NE(text.find(std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db\n"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(kBaseFolder) + "\\DataBase\\db_Velmora_9.db"), std::string::npos) << text;
    EXPECT_NE(text.find("다음 폴더는 다른 사용자도 쓸 수 있습니다.\n" + std::string(kBaseFolder) + "\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONWARNING);
    EXPECT_FALSE(fs::exists(drive.Root() + "/planted"));
    // Such a store is never written: the operator is told what to remove.
    EXPECT_EQ(boxes[1].text,
              std::string(kBaseFolder) +
                  "\\DataBase\\db_Velmora.db 파일을 쓰지 않습니다.\n이유: 다른 사용자의 파일입니다\n로그인 "
                  "정보와 설정값을 이 파일에 저장하지 않습니다. 이 파일을 지우고 프로그램을 다시 "
                  "시작하십시오.");
    EXPECT_EQ(boxes[1].type & MB_ICONMASK, MB_ICONSTOP);
}

TEST_F(AppTest, WithoutTheBaseFolderNothingIsCreatedAndStartGoesOn) {
    BoxRecorder boxes;
    theApp.InitEnvironment();
    EXPECT_TRUE(Tree().empty());
    // The store that cannot be opened is named.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string(kBaseFolder) +
                                 "\\DataBase\\db_Velmora.db 파일을 열 수 없습니다.\n이유: No such file or "
                                 "directory\n로그인 정보와 설정값을 저장할 수 없습니다.");
    ASSERT_NE(g_pTradeState, nullptr);
    EXPECT_TRUE(g_pTradeState->alive);
    ASSERT_NE(g_pTradeDataBase, nullptr);
    // The store stays unusable and says so quietly.
    EXPECT_EQ(CTradeDataBase::LoadItems(g_pTradeState->items), -1);
    EXPECT_TRUE(Tree().empty());
}

// Drive C: on a link, as when the operator moved it: the store is made and used through it,
// while a link among the console's own folders is still refused.
TEST_F(AppTest, LinksAboveTheBaseFolderAreTheOperatorsAndTheStoreWorksThroughThem) {
    const std::string real = drive.Root() + ".real";
    fs::create_directories(real);
    const std::string linked = drive.Root() + ".linked";
    fs::create_directory_symlink(real, linked);
    setenv("ZORVIK_DRIVE_C", linked.c_str(), 1);
    drive.MakeBaseFolder();
    BoxRecorder boxes;
    theApp.InitEnvironment();
    EXPECT_TRUE(boxes.empty()) << boxes[0].text.GetString();
    EXPECT_EQ(Tables().size(), 3u);
    EXPECT_EQ(CTradeDataBase::SaveAccount(1, "id", "pw", "cert", "111", "0472", 1, "id2", "pw2", "cert2",
                                          "222", "0472", "NQZ20", "", ""),
              1);
    EXPECT_EQ(Column("select id from VnAccount"), std::vector<std::string>{"id"});
    // The paths below the base folder lead to the folder it is, with no link on the way.
    EXPECT_EQ(MainStore().rfind(real + "/", 0), 0u) << MainStore();
    EXPECT_TRUE(fs::is_regular_file(MainStore()));
    ShutdownCleanup();

    // The DataBase folder is the console's own: a link there is refused, and named.
    const std::string dataBase = Base("\\DataBase");
    fs::rename(dataBase, dataBase + ".moved");
    fs::create_directory_symlink(dataBase + ".moved", dataBase);
    theApp.InitEnvironment();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().text.Find("db_Velmora.db 파일을 쓰지 않습니다.\n이유: 링크입니다"), -1)
        << boxes.back().text.GetString();
    EXPECT_EQ(CTradeDataBase::SaveSubPassword("secret"), 0);
    ShutdownCleanup();
    fs::remove(dataBase);
    setenv("ZORVIK_DRIVE_C", drive.Root().c_str(), 1);
    fs::remove_all(real);
    fs::remove(linked);
}

TEST_F(AppTest, SecondStartChangesNothing) {
    drive.MakeBaseFolder();
    // A file where a folder would go stays a file.
    std::ofstream(Base("\\Log")) << "kept";
    theApp.InitEnvironment();
    EXPECT_TRUE(fs::is_regular_file(Base("\\Log")));
    CTradeDataBase::SaveSubPassword("x");
    g_pTradeDataBase->SetStrategyValue("trade_type", 1);
    TradeItem items[kTradeItemCount] = {{"미니 나스닥", "NQZ20"}};
    CTradeDataBase::SaveItems(items);
    ShutdownCleanup();
    auto tree = Tree();
    auto tables = Tables();

    theApp.InitEnvironment();
    EXPECT_EQ(Tree(), tree);
    EXPECT_EQ(Tables(), tables);
    EXPECT_EQ(Column("select value from VnStrategy"), std::vector<std::string>{"1"});
    EXPECT_EQ(CTradeDataBase::LoadItems(g_pTradeState->items), 0);
    EXPECT_STREQ(g_pTradeState->items[0].name, "미니 나스닥");
}

TEST_F(AppTest, FailedFirstTableStopsTheOthers) {
    drive.MakeFolder((std::string(kBaseFolder) + "\\DataBase").c_str());
    // An index of that name makes the first statement fail.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(MainStore().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "create table other (x); create index VnAccount on other (x)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    theApp.InitEnvironment();
    EXPECT_EQ(Column("select name from sqlite_master where type = 'table'"),
              std::vector<std::string>{"other"});
    EXPECT_NE(g_pTradeState, nullptr);
    EXPECT_EQ(g_pTradeDataBase->m_pDB, nullptr);
}

TEST_F(AppTest, StoreFindsItsFilesThroughTheApplication) {
    drive.MakeBaseFolder();
    theApp.InitEnvironment();
    theApp.m_strBasePath = "C:\\다른곳";
    drive.MakeFolder("C:\\다른곳\\DataBase");
    EXPECT_EQ(g_pTradeDataBase->Open(), 1);
    g_pTradeDataBase->Close();
    EXPECT_TRUE(fs::exists(HostPath("C:\\다른곳\\DataBase\\db_Velmora.db")));
}
