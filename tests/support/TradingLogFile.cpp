#include "support/TradingLogFile.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>

#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "store/TradingLogSchema.h"
#include "support/TempDrive.h"

std::string TradingLogPath(const char* account) {
    return HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora_" + account + ".db").c_str());
}

TradingLogFile::TradingLogFile(const char* account) : m_path(TradingLogPath(account)) {
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path());
    if (sqlite3_open(m_path.c_str(), &m_db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + m_path);
    Exec(kCreateTradingLogTable);
}

TradingLogFile::~TradingLogFile() {
    sqlite3_close(m_db);
}

void TradingLogFile::Exec(const char* sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
    sqlite3_free(error);
}

void TradingLogFile::Add(const TradingLogEntry& entry) {
    AddAll({entry});
}

void TradingLogFile::AddAll(const std::vector<TradingLogEntry>& entries) {
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(m_db, kInsertTradingLogRow, -1, &stmt, nullptr), SQLITE_OK);
    // Inside a transaction the test opened, the rows join it.
    const bool own = sqlite3_get_autocommit(m_db) != 0;
    if (own)
        Exec("BEGIN");
    auto text = [stmt](int i, const std::string& ansi) {
        std::string utf8 = AnsiToHostUtf8(ansi.c_str());
        sqlite3_bind_text(stmt, i, utf8.c_str(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    };
    for (const TradingLogEntry& e : entries) {
        text(1, e.account);
        text(2, e.code);
        text(3, e.day.empty() ? e.outTime.substr(0, 8) : e.day);
        text(4, e.month.empty() ? e.outTime.substr(0, 6) : e.month);
        sqlite3_bind_int(stmt, 5, 1);
        text(6, e.inTime);
        text(7, e.outTime);
        sqlite3_bind_int(stmt, 8, 0);
        sqlite3_bind_int(stmt, 9, 0);
        sqlite3_bind_double(stmt, 10, 0);
        sqlite3_bind_int(stmt, 11, e.side);
        sqlite3_bind_int(stmt, 12, e.qty);
        sqlite3_bind_double(stmt, 13, e.inPrice);
        sqlite3_bind_double(stmt, 14, e.outPrice);
        sqlite3_bind_double(stmt, 15, e.profit);
        sqlite3_bind_double(stmt, 16, e.fee);
        EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
        sqlite3_reset(stmt);
    }
    if (own)
        Exec("COMMIT");
    sqlite3_finalize(stmt);
}
