#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/core/Text.h"
#include "store/TradeDataBase.h"

bool TradeLogRowLess(const TradeLogRow& a, const TradeLogRow& b) {
    return std::strcmp(a.out_time, b.out_time) < 0;
}

int CTradeDataBase::LoadTradingLog(std::vector<TradeLogRow>& rows, const char* firstAccount,
                                   const char* secondAccount, const char* fromDay, const char* toDay) {
    rows.clear();
    CTradeDataBase* db = Store();
    if (!db)
        return -2;
    int count = db->QueryTradingLog(rows, firstAccount, fromDay, toDay);
    count += db->QueryTradingLog(rows, secondAccount, fromDay, toDay);
    std::sort(rows.begin(), rows.end(), TradeLogRowLess);
    return count;
}

// No busy wait: while an engine holds the file's write lock, the preparation or a step fails
// at once and the rows read so far stand.
int CTradeDataBase::QueryTradingLog(std::vector<TradeLogRow>& rows, const char* account, const char* fromDay,
                                    const char* toDay) {
    if (!OpenTradingLog(account))
        return -1;
    CString sql;
    sql.Format(
        "select * from VnTradingLog where tr_account = '%s' and tr_out_time >= '%s%s' and tr_out_time <= "
        "'%s%s'  order by tid asc",
        SqlText(account).GetString(), SqlText(fromDay).GetString(), "070000", SqlText(toDay).GetString(),
        "060000");
    if (!Prepare(sql)) {
        Close();
        return -1;
    }
    int count = 0;
    while (sqlite3_step(m_pStmt) == SQLITE_ROW) {
        TradeLogRow row = {};
        CopyBounded(row.code, sizeof row.code, ColumnText(2));
        CopyBounded(row.in_time, sizeof row.in_time, ColumnText(6));
        CopyBounded(row.out_time, sizeof row.out_time, ColumnText(7));
        row.side = atoi(ColumnText(11));
        row.qty = atoi(ColumnText(12));
        row.in_price = atof(ColumnText(13));
        row.out_price = atof(ColumnText(14));
        row.profit = atof(ColumnText(15));
        row.fee = atof(ColumnText(16));
        rows.push_back(row);
        ++count;
    }
    Close();
    return count;
}

int CTradeDataBase::QueryPeriodStatistics(std::vector<StatRow>& rows, const char* account, int kind) {
    CTradeDataBase* db = Store();
    if (!db || !db->OpenTradingLog(account))
        return -1;
    const char* key = kind == 0 ? "tr_day" : "tr_month";
    CString sql;
    sql.Format(
        "select %s, count(*), sum(tr_profit), sum(tr_fee) from VnTradingLog group by %s order by %s asc", key,
        key, key);
    if (!db->Prepare(sql)) {
        db->Close();
        return -1;
    }
    int count = 0;
    while (sqlite3_step(db->m_pStmt) == SQLITE_ROW) {
        StatRow row = {};
        CopyBounded(row.key, sizeof row.key, db->ColumnText(0));
        row.count = atoi(db->ColumnText(1));
        row.profit = atof(db->ColumnText(2));
        row.fee = atof(db->ColumnText(3));
        rows.push_back(row);
        ++count;
    }
    db->Close();
    return count;
}
