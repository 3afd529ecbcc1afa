// The engines' trading-log table "VnTradingLog", one file per account. The engines create and
// write it; the console only reads it, by position (select *) and by the named columns.
//
//   0 tid          row key            9 tr_out_type    how the position was closed
//   1 tr_account   account number    10 tr_ticks       result in ticks
//   2 tr_code      item code         11 tr_side        2 buy, else sell
//   3 tr_day       YYYYMMDD          12 tr_qty         quantity
//   4 tr_month     YYYYMM            13 tr_in_price    entry price
//   5 tr_round     entry round       14 tr_out_price   exit price
//   6 tr_in_time   YYYYMMDDhhmmss    15 tr_profit      realised profit and loss
//   7 tr_out_time  YYYYMMDDhhmmss    16 tr_fee         fee
//   8 tr_in_type   how it was entered
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/core/CString.h"
#include "platform/core/Text.h"

inline constexpr const char* kCreateTradingLogTable =
    R"(CREATE TABLE IF NOT EXISTS VnTradingLog (tid INTEGER PRIMARY KEY AUTOINCREMENT, tr_account TEXT, tr_code TEXT, tr_day TEXT, tr_month TEXT, tr_round INTEGER, tr_in_time TEXT, tr_out_time TEXT, tr_in_type INTEGER, tr_out_type INTEGER, tr_ticks REAL, tr_side INTEGER, tr_qty INTEGER, tr_in_price REAL, tr_out_price REAL, tr_profit REAL, tr_fee REAL))";

// One closed trade, with ?1 to ?16 bound to columns 1 to 16 in order (UTF-8 texts).
inline constexpr const char* kInsertTradingLogRow =
    R"(INSERT INTO VnTradingLog (tr_account, tr_code, tr_day, tr_month, tr_round, tr_in_time, tr_out_time, tr_in_type, tr_out_type, tr_ticks, tr_side, tr_qty, tr_in_price, tr_out_price, tr_profit, tr_fee) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16))";

// One closed trade as a row of the table; texts in code page 949.
struct TradingLogRow {
    CString account;
    CString code;
    CString day;   // YYYYMMDD
    CString month; // YYYYMM
    int round = 0;
    CString inTime;
    CString outTime;
    int inType = 0;
    int outType = 0;
    double ticks = 0;
    int side = 2;
    int qty = 0;
    double inPrice = 0;
    double outPrice = 0;
    double profit = 0;
    double fee = 0;
};

// Binds the row to a prepared kInsertTradingLogRow, its texts as UTF-8.
inline void BindTradingLogRow(sqlite3_stmt* stmt, const TradingLogRow& row) {
    auto text = [stmt](int index, const CString& ansi) {
        const std::string utf8 = AnsiToHostUtf8(ansi.GetString());
        sqlite3_bind_text(stmt, index, utf8.c_str(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    };
    text(1, row.account);
    text(2, row.code);
    text(3, row.day);
    text(4, row.month);
    sqlite3_bind_int(stmt, 5, row.round);
    text(6, row.inTime);
    text(7, row.outTime);
    sqlite3_bind_int(stmt, 8, row.inType);
    sqlite3_bind_int(stmt, 9, row.outType);
    sqlite3_bind_double(stmt, 10, row.ticks);
    sqlite3_bind_int(stmt, 11, row.side);
    sqlite3_bind_int(stmt, 12, row.qty);
    sqlite3_bind_double(stmt, 13, row.inPrice);
    sqlite3_bind_double(stmt, 14, row.outPrice);
    sqlite3_bind_double(stmt, 15, row.profit);
    sqlite3_bind_double(stmt, 16, row.fee);
}
