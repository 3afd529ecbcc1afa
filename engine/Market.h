// The simulated market of the demo: a seeded random walk of one futures price and a simple
// strategy that opens a position now and then and closes it at a target, a stop or after a
// while. Money is in won: a point is worth kPointValue dollars at kWonPerDollar.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <random>

#include "platform/core/CString.h"

constexpr double kTickSize = 0.25;
constexpr double kPointValue = 20.0; // dollars per point and contract
constexpr double kWonPerDollar = 1350.0;
constexpr double kFeeDollars = 5.0; // per contract, entry and exit together
constexpr double kStartDeposit = 50000000.0;

// How a position was entered or closed (tr_in_type, tr_out_type).
enum ExitKind { kExitTarget = 1, kExitStop = 2, kExitTime = 3, kExitCommand = 4 };

struct ClosedTrade {
    CString code;
    CString inTime; // YYYYMMDDhhmmss, local time
    CString outTime;
    int round = 0; // entry number within the current set
    int inType = 1;
    int outType = 0;
    double ticks = 0;
    int side = 2; // 2 buy, 1 sell
    int qty = 0;
    double inPrice = 0;
    double outPrice = 0;
    double profit = 0; // realised, won, before the fee
    double fee = 0;    // won
};

// Local time as YYYYMMDDhhmmss.
CString TimeText(std::time_t t);
// The trading day of a moment: a day runs from 07:00 to 06:00 the next morning, so a moment
// before 07:00 belongs to the day before. YYYYMMDD.
CString TradingDay(std::time_t t);
// The day after a YYYYMMDD day.
CString NextDay(const CString& day);

class CMarket {
public:
    CMarket(std::uint32_t seed, const CString& code, double startPrice = 15000.0);

    // One step of the walk. While trading, the strategy may open or close; a closed trade
    // is returned.
    std::optional<ClosedTrade> Step(std::time_t now, bool trading);
    // Closes an open position at the current price.
    std::optional<ClosedTrade> Liquidate(std::time_t now);
    // Starts a new set: its P&L counts from here.
    void ResetSet();

    double Price() const { return m_price; }
    int Qty() const { return m_qty; }
    double EntryPrice() const { return m_qty ? m_entry : 0.0; }
    double Unrealised() const;
    // Realised P&L of the day net of fees, and of the current set.
    double Realised() const { return m_realised; }
    double SetPnl() const { return m_realised - m_setBase + Unrealised(); }
    int TradeCount() const { return m_trades; }
    int SetRound() const { return m_round; }

private:
    ClosedTrade Close(std::time_t now, int outType);
    double Won(double points, int qty) const { return points * kPointValue * qty * kWonPerDollar; }

    std::mt19937 m_rng;
    CString m_code;
    double m_price;
    int m_qty = 0;
    int m_side = 2;
    double m_entry = 0;
    std::time_t m_entryTime = 0;
    int m_held = 0;
    int m_wait = 0;
    int m_round = 0;
    int m_trades = 0;
    double m_realised = 0;
    double m_setBase = 0;
};
