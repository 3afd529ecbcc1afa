#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "store/TradeDataBase.h"

namespace {

// Byte 18 of a database file's header: 2 while the file is in write-ahead mode.
constexpr int kWriteVersionByte = 18;
constexpr unsigned char kWriteAheadVersion = 2;
static_assert(kWriteVersionByte < kFileStampHeadBytes);

} // namespace

bool TradeLogRowLess(const TradeLogRow& a, const TradeLogRow& b) {
    return std::strcmp(a.out_time, b.out_time) < 0;
}

int CTradeDataBase::LoadTradingLog(std::vector<TradeLogRow>& rows, const char* firstAccount,
                                   const char* secondAccount, const char* fromDay, const char* toDay) {
    CTradeDataBase* db = Store();
    if (!db)
        return -1;
    const TradingLogReads group(db);
    // Read aside: a log that cannot be read leaves the rows the caller has.
    std::vector<TradeLogRow> read;
    read.reserve(rows.size());
    const int first = db->QueryTradingLog(read, firstAccount, fromDay, toDay);
    auto second = read.end() - read.begin();
    const int others = db->QueryTradingLog(read, secondAccount, fromDay, toDay);
    if (first < 0 || others < 0)
        return -1;
    // Each account's rows usually come in exit order already: then merging them is enough.
    auto middle = read.begin() + second;
    if (std::is_sorted(read.begin(), middle, TradeLogRowLess) &&
        std::is_sorted(middle, read.end(), TradeLogRowLess))
        std::inplace_merge(read.begin(), middle, read.end(), TradeLogRowLess);
    else
        std::sort(read.begin(), read.end(), TradeLogRowLess);
    rows.swap(read);
    return first + others;
}

void CTradeDataBase::CloseWatch(LogWatch& watch) {
    sqlite3_finalize(watch.version);
    sqlite3_close(watch.db);
    watch = LogWatch{};
}

bool StampTradingLog(const char* account, TradingLogStamp* stamp) {
    *stamp = TradingLogStamp{};
    CTradeDataBase* db = g_pTradeDataBase;
    if (!db)
        return false;
    assert(!db->m_pDB);
    const std::string path = HostPath(TradingLogStorePath(account));
    auto kept = db->m_logWatches.find(path);
    if (kept != db->m_logWatches.end()) {
        // A connection is kept to the log: the file is looked at by name only. Closing a
        // descriptor of it here would drop every lock this process holds on it, the kept
        // connection's among them, and the engine's last close would then take the WAL away
        // from under it.
        struct stat st;
        const bool named = Sys().lstat(path.c_str(), &st) == 0;
        const int err = errno;
        if (named && S_ISREG(st.st_mode) && st.st_dev == kept->second.device &&
            st.st_ino == kept->second.inode) {
            stamp->file.exists = true;
            stamp->file.device = st.st_dev;
            stamp->file.inode = st.st_ino;
        } else {
            // Another file now, or none: it is looked at afresh below.
            CTradeDataBase::CloseWatch(kept->second);
            db->m_logWatches.erase(kept);
            kept = db->m_logWatches.end();
            if (!named)
                return err == ENOENT;
        }
    }
    if (kept == db->m_logWatches.end()) {
        // Nothing of this process holds a lock on the file: it may be opened and closed.
        if (!StampFile(path, &stamp->file))
            return false;
        // In rollback mode the header's change counter moves with every commit.
        if (!stamp->file.exists || stamp->file.head[kWriteVersionByte] != kWriteAheadVersion)
            return true;
        CTradeDataBase::LogWatch watch;
        if (sqlite3_open_v2(path.c_str(), &watch.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) !=
                SQLITE_OK ||
            sqlite3_prepare_v2(watch.db, "PRAGMA data_version", -1, &watch.version, nullptr) != SQLITE_OK) {
            CTradeDataBase::CloseWatch(watch);
            return false;
        }
        watch.device = stamp->file.device;
        watch.inode = stamp->file.inode;
        watch.serial = ++db->m_nWatchSerial;
        kept = db->m_logWatches.emplace(path, watch).first;
    }
    // It never waits: a log that cannot be counted at this moment is read again, within the wait.
    CTradeDataBase::LogWatch& watch = kept->second;
    const bool counted = sqlite3_step(watch.version) == SQLITE_ROW;
    if (counted) {
        stamp->watch = watch.serial;
        stamp->dataVersion = sqlite3_column_int64(watch.version, 0);
    }
    sqlite3_reset(watch.version);
    return counted;
}

int CTradeDataBase::OpenTradingLogToRead(const char* account) {
    struct stat st;
    if (Sys().lstat(HostPath(TradingLogStorePath(account)).c_str(), &st) != 0 && errno == ENOENT)
        return 0;
    if (OpenTradingLog(account))
        return 1;
    if (m_openRefusal != FileRefusal::None) {
        m_refusedLog = m_openRefusal;
        m_strRefusedLog = TradingLogStorePath(account);
    }
    return -1;
}

int CTradeDataBase::PrepareTradingLogRead(const CString& sql) {
    if (Prepare(sql))
        return 1;
    // A log the engine has made but not yet given its table holds no trades either; a log
    // whose schema cannot be read at all (locked, damaged) is another matter.
    const bool noTable = sqlite3_table_column_metadata(m_pDB, "main", "VnTradingLog", nullptr, nullptr,
                                                       nullptr, nullptr, nullptr, nullptr) == SQLITE_ERROR;
    Close();
    return noTable ? 0 : -1;
}

int CTradeDataBase::QueryTradingLog(std::vector<TradeLogRow>& rows, const char* account, const char* fromDay,
                                    const char* toDay) {
    const TradingLogReads group(this);
    const int opened = OpenTradingLogToRead(account);
    if (opened <= 0)
        return opened;
    CString sql;
    sql.Format(
        R"(select * from VnTradingLog where tr_account = '%s' and tr_out_time >= '%s%s' and tr_out_time <= '%s%s'  order by tid asc)",
        SqlText(account).GetString(), SqlText(fromDay).GetString(), "070000", SqlText(toDay).GetString(),
        "060000");
    if (const int prepared = PrepareTradingLogRead(sql); prepared <= 0)
        return prepared;
    const std::size_t before = rows.size();
    int count = 0;
    int rc;
    while ((rc = sqlite3_step(m_pStmt)) == SQLITE_ROW) {
        // Filled where it is kept: a row is a hundred bytes.
        TradeLogRow& row = rows.emplace_back();
        CopyColumnText(row.code, sizeof row.code, 2);
        CopyColumnText(row.in_time, sizeof row.in_time, 6);
        CopyColumnText(row.out_time, sizeof row.out_time, 7);
        row.side = ColumnInt(11);
        row.qty = ColumnInt(12);
        row.in_price = ColumnDouble(13);
        row.out_price = ColumnDouble(14);
        row.profit = ColumnDouble(15);
        row.fee = ColumnDouble(16);
        ++count;
    }
    Close();
    // A step that failed (the log locked past the wait) read only part of the trades.
    if (rc != SQLITE_DONE) {
        rows.resize(before);
        return -1;
    }
    return count;
}

int CTradeDataBase::QueryPeriodStatistics(std::vector<StatRow>& rows, const char* account, int kind) {
    CTradeDataBase* db = Store();
    if (!db)
        return -1;
    const TradingLogReads group(db);
    if (const int opened = db->OpenTradingLogToRead(account); opened <= 0)
        return opened;
    const char* key = kind == 0 ? "tr_day" : "tr_month";
    CString sql;
    sql.Format(
        R"(select %s, count(*), sum(tr_profit), sum(tr_fee) from VnTradingLog group by %s order by %s asc)",
        key, key, key);
    if (const int prepared = db->PrepareTradingLogRead(sql); prepared <= 0)
        return prepared;
    const std::size_t before = rows.size();
    int count = 0;
    int rc;
    while ((rc = sqlite3_step(db->m_pStmt)) == SQLITE_ROW) {
        StatRow row = {};
        db->CopyColumnText(row.key, sizeof row.key, 0);
        row.count = db->ColumnInt(1);
        row.profit = db->ColumnDouble(2);
        row.fee = db->ColumnDouble(3);
        rows.push_back(row);
        ++count;
    }
    db->Close();
    if (rc != SQLITE_DONE) {
        rows.resize(before);
        return -1;
    }
    return count;
}
