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
    auto second = rows.end() - rows.begin();
    count += db->QueryTradingLog(rows, secondAccount, fromDay, toDay);
    // Each account's rows usually come in exit order already: then merging them is enough.
    auto middle = rows.begin() + second;
    if (std::is_sorted(rows.begin(), middle, TradeLogRowLess) &&
        std::is_sorted(middle, rows.end(), TradeLogRowLess))
        std::inplace_merge(rows.begin(), middle, rows.end(), TradeLogRowLess);
    else
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
        R"(select * from VnTradingLog where tr_account = '%s' and tr_out_time >= '%s%s' and tr_out_time <= '%s%s'  order by tid asc)",
        SqlText(account).GetString(), SqlText(fromDay).GetString(), "070000", SqlText(toDay).GetString(),
        "060000");
    if (!Prepare(sql)) {
        Close();
        return -1;
    }
    int count = 0;
    while (sqlite3_step(m_pStmt) == SQLITE_ROW) {
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
    return count;
}

int CTradeDataBase::QueryPeriodStatistics(std::vector<StatRow>& rows, const char* account, int kind) {
    CTradeDataBase* db = Store();
    if (!db || !db->OpenTradingLog(account))
        return -1;
    const char* key = kind == 0 ? "tr_day" : "tr_month";
    CString sql;
    sql.Format(
        R"(select %s, count(*), sum(tr_profit), sum(tr_fee) from VnTradingLog group by %s order by %s asc)",
        key, key, key);
    if (!db->Prepare(sql)) {
        db->Close();
        return -1;
    }
    int count = 0;
    while (sqlite3_step(db->m_pStmt) == SQLITE_ROW) {
        StatRow row = {};
        db->CopyColumnText(row.key, sizeof row.key, 0);
        row.count = db->ColumnInt(1);
        row.profit = db->ColumnDouble(2);
        row.fee = db->ColumnDouble(3);
        rows.push_back(row);
        ++count;
    }
    db->Close();
    return count;
}
