// A trading-log database file as an engine writes it, for tests and benchmarks: the engine's
// VnTradingLog table in "db_Velmora_<account>.db" below the base folder's "DataBase".
#pragma once

#include <string>
#include <vector>

struct sqlite3;

// One closed trade; texts in code page 949, as the program holds them.
struct TradingLogEntry {
    std::string account;
    std::string code;
    std::string inTime;  // YYYYMMDDhhmmss
    std::string outTime; // YYYYMMDDhhmmss
    std::string day;     // tr_day; empty: the first 8 digits of outTime
    std::string month;   // tr_month; empty: the first 6 digits of outTime
    int side = 2;
    int qty = 1;
    double inPrice = 0;
    double outPrice = 0;
    double profit = 0;
    double fee = 0;
};

class TradingLogFile {
public:
    // Opens (and creates, with the table) the file of `account` below the base folder of the
    // current drive C:; the folders are made when missing.
    explicit TradingLogFile(const char* account);
    ~TradingLogFile();
    TradingLogFile(const TradingLogFile&) = delete;
    TradingLogFile& operator=(const TradingLogFile&) = delete;

    void Add(const TradingLogEntry& entry);
    // Adds many rows in one transaction.
    void AddAll(const std::vector<TradingLogEntry>& entries);
    // Runs SQL (UTF-8) on the file; fails the test when SQLite rejects it.
    void Exec(const char* sql);

private:
    sqlite3* m_db = nullptr;
};

// Host path of an account's trading-log file on the current drive C:.
std::string TradingLogPath(const char* account);

// An engine's commit to the log at `hostPath` from another program: one trade of account
// "222" (quantity 7, closed at 02:00 on 2024-03-05), the log closed again. True once done.
bool CommitTradeFromAnotherProgram(const std::string& hostPath);
