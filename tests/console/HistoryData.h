// Trading logs of the two accounts that the history and export tests list: a trading day
// from 07:00 on 2024-03-04 to 06:00 on 2024-03-05, trades before it, one after it.
#pragma once

#include <string>
#include <vector>

#include "support/TradingLogFile.h"

inline constexpr char kDayFrom[] = "20240304";
inline constexpr char kDayTo[] = "20240305";

inline void WriteHistoryLogs() {
    TradingLogFile first("111");
    first.AddAll({
        {"111", "NQH24", "20240301100000", "20240301101500", "", "", 2, 2, 15234.25, 15240.5, 1234.5, 10},
        {"111", "NQ,H\"24", "20240304220000", "20240304230000", "", "", 1, 3, 15300, 15290, -1234.5, 21300},
    });
    TradingLogFile second("222");
    second.AddAll({
        {"222", "NQH24", "20240305045900", "20240305050000", "", "", 2, 1, 15234.25, 15240.5, 152500, 21300},
        {"222", "ESH24", "20240305065900", "20240305070000", "", "", 2, 4, 5100, 5101, 100, 1},
        {"222", "ESH24", "20240301115900", "20240301120000", "", "", 1, 5, 5000, 5001, 500, 5},
        {"222", "ESH24", "20240228152000", "20240228153000", "", "", 2, 1, 5000, 4999, -123.5, 0},
    });
}
