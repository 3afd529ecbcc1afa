#include "support/TradingLogFile.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <filesystem>
#include <stdexcept>

#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "store/TradingLogSchema.h"
#include "support/TempDrive.h"

extern char** environ;

std::string TradingLogPath(const char* account) {
    return HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora_" + account + ".db").c_str());
}

bool CommitTradeFromAnotherProgram(const std::string& hostPath) {
    const char* const argv[] = {TRADE_COMMIT_EXE, hostPath.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, TRADE_COMMIT_EXE, nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TradingLogFile::TradingLogFile(const char* account) {
    const std::string path = TradingLogPath(account);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path);
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
    for (const TradingLogEntry& e : entries) {
        TradingLogRow row;
        row.account = e.account.c_str();
        row.code = e.code.c_str();
        row.day = (e.day.empty() ? e.outTime.substr(0, 8) : e.day).c_str();
        row.month = (e.month.empty() ? e.outTime.substr(0, 6) : e.month).c_str();
        row.round = 1;
        row.inTime = e.inTime.c_str();
        row.outTime = e.outTime.c_str();
        row.side = e.side;
        row.qty = e.qty;
        row.inPrice = e.inPrice;
        row.outPrice = e.outPrice;
        row.profit = e.profit;
        row.fee = e.fee;
        BindTradingLogRow(stmt, row);
        EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
        sqlite3_reset(stmt);
    }
    if (own)
        Exec("COMMIT");
    sqlite3_finalize(stmt);
}
