#include "engine/EngineStore.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>

#include "engine/EngineMessages.h"
#include "platform/core/Files.h"
#include "platform/core/Numbers.h"
#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "store/TradingLogSchema.h"

namespace {

constexpr int kBusyWaitMs = 2000;

std::string StorePath(const CString& fileName) {
    return HostPath((CString(kBaseFolder) + "\\DataBase\\" + fileName).GetString());
}

} // namespace

bool WriteClosedTrade(const CString& account, const ClosedTrade& t) {
    // The console makes the folder at start-up; a demo engine may come first. The log holds
    // the account's trades: its owner's only.
    CreatePrivateFolder(HostPath((CString(kBaseFolder) + "\\DataBase").GetString()));
    const std::string path = StorePath("db_Velmora_" + account + ".db");
    CreatePrivateFile(path);
    sqlite3* db = nullptr;
    // A link in the log's place is refused: the trades would go wherever it points.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyWaitMs);
    bool ok = sqlite3_exec(db, kCreateTradingLogTable, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* stmt = nullptr;
    if (ok)
        ok = sqlite3_prepare_v2(db, kInsertTradingLogRow, -1, &stmt, nullptr) == SQLITE_OK;
    if (ok) {
        CString day = TradingDay(std::time(nullptr));
        if (t.outTime.GetLength() >= 8) {
            // The trading day of the exit: before 07:00 it is the day before.
            std::tm tm{};
            std::sscanf(t.outTime.GetString(), "%4d%2d%2d%2d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                        &tm.tm_hour, &tm.tm_min, &tm.tm_sec);
            tm.tm_year -= 1900;
            tm.tm_mon -= 1;
            tm.tm_isdst = -1;
            day = TradingDay(std::mktime(&tm));
        }
        BindTradingLogRow(stmt, TradingLogRow{account, t.code, day, day.Left(6), t.round, t.inTime, t.outTime,
                                              t.inType, t.outType, t.ticks, t.side, t.qty, t.inPrice,
                                              t.outPrice, t.profit, t.fee});
        ok = sqlite3_step(stmt) == SQLITE_DONE;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}

int LoadStrategyValues(std::map<std::string, int>* values) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(StorePath("db_Velmora.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    sqlite3_busy_timeout(db, kBusyWaitMs);
    sqlite3_stmt* stmt = nullptr;
    int count = -1;
    if (sqlite3_prepare_v2(db, R"(select name, value from VnStrategy)", -1, &stmt, nullptr) == SQLITE_OK) {
        values->clear();
        count = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            const char* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
            (*values)[name ? name : ""] = value ? ReadInt32(value) : 0;
            ++count;
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}
