#include "StoreFixture.h"

#include <sqlite3.h>

#include <cstring>
#include <filesystem>

#include "platform/core/Path.h"

TextRows QueryFile(const std::string& hostPath, const char* sql) {
    TextRows rows;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(hostPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK) << hostPath;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK)
        << sql << ": " << sqlite3_errmsg(db);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const unsigned char* text = sqlite3_column_text(stmt, i);
            row.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        rows.push_back(row);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

void ExecFile(const std::string& hostPath, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(hostPath.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK)
        << sql << ": " << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

void StoreTest::SetUp() {
    drive.MakeFolder((std::string(kBaseFolder) + "\\DataBase").c_str());
    for (const char* sql : {kCreateAccountTable, kCreateItemTable, kCreateStrategyTable})
        ExecFile(MainPath(), sql);
    g_pTradeDataBase = &store;
}

void StoreTest::TearDown() {
    // No connection or statement outlives an operation.
    EXPECT_EQ(store.m_pDB, nullptr);
    EXPECT_EQ(store.m_pStmt, nullptr);
    g_pTradeDataBase = nullptr;
    SetBasePathProvider(nullptr);
}

std::string StoreTest::MainPath() const {
    return HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
}

std::map<std::string, int> StoreTest::StoredValues() const {
    std::map<std::string, int> values;
    for (const auto& row : Main("select name, value from VnStrategy"))
        values[row[0]] = std::stoi(row[1]);
    return values;
}

void StoreTest::BlockMainStore() const {
    std::filesystem::remove(MainPath());
    std::filesystem::create_directory(MainPath());
}
