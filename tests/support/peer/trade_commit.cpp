// An engine's commit in a process of its own: opens the trading log named on its command line,
// commits one trade of account "222" (quantity 7, closed at 02:00 on 2024-03-05) and closes the
// log. A process forked from a test would carry the test's SQLite state with it, and SQLite
// would take its locks for the test's own.
#include <sqlite3.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    sqlite3_busy_timeout(db, 2000);
    ok = ok && sqlite3_exec(db,
                            "insert into VnTradingLog (tr_account, tr_code, tr_day, tr_month, tr_round, "
                            "tr_in_time, tr_out_time, tr_side, tr_qty, tr_in_price, tr_out_price, tr_profit, "
                            "tr_fee) values ('222', 'NQH24', '20240305', '202403', 1, '20240305010000', "
                            "'20240305020000', 2, 7, 15000, 15001, 7, 1)",
                            nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = sqlite3_close(db) == SQLITE_OK && ok;
    return ok ? 0 : 1;
}
