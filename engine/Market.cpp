#include "engine/Market.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int kTargetTicks = 8;
constexpr int kStopTicks = 6;
constexpr int kMaxHoldSteps = 32;
} // namespace

CString TimeText(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

CString TradingDay(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    if (tm.tm_hour < 7) {
        tm.tm_mday -= 1;
        tm.tm_isdst = -1;
        std::time_t before = std::mktime(&tm);
        localtime_r(&before, &tm);
    }
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

CString NextDay(const CString& day) {
    std::tm tm{};
    if (std::sscanf(day.GetString(), "%4d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3)
        return day;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_mday += 1;
    tm.tm_hour = 12; // clear of any change of the clock
    tm.tm_isdst = -1;
    std::mktime(&tm);
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

CMarket::CMarket(std::uint32_t seed, const CString& code, double startPrice)
    : m_rng(seed), m_code(code), m_price(startPrice) {
    m_wait = 8 + static_cast<int>(m_rng() % 16);
}

double CMarket::Unrealised() const {
    if (!m_qty)
        return 0.0;
    double points = (m_price - m_entry) * (m_side == 2 ? 1 : -1);
    return Won(points, m_qty);
}

std::optional<ClosedTrade> CMarket::Step(std::time_t now, bool trading) {
    int move = static_cast<int>(m_rng() % 5) - 2;
    m_price = std::max(kTickSize, m_price + move * kTickSize);
    if (!trading)
        return std::nullopt;
    if (m_qty) {
        ++m_held;
        double ticks = (m_price - m_entry) * (m_side == 2 ? 1 : -1) / kTickSize;
        if (ticks >= kTargetTicks)
            return Close(now, kExitTarget);
        if (ticks <= -kStopTicks)
            return Close(now, kExitStop);
        if (m_held >= kMaxHoldSteps)
            return Close(now, kExitTime);
        return std::nullopt;
    }
    if (--m_wait > 0)
        return std::nullopt;
    m_side = (m_rng() % 2) ? 2 : 1;
    m_qty = 1 + static_cast<int>(m_rng() % 2);
    m_entry = m_price;
    m_entryTime = now;
    m_held = 0;
    ++m_round;
    return std::nullopt;
}

std::optional<ClosedTrade> CMarket::Liquidate(std::time_t now) {
    if (!m_qty)
        return std::nullopt;
    return Close(now, kExitCommand);
}

void CMarket::ResetSet() {
    m_setBase = m_realised;
    m_round = 0;
}

ClosedTrade CMarket::Close(std::time_t now, int outType) {
    ClosedTrade t;
    t.code = m_code;
    t.inTime = TimeText(m_entryTime);
    t.outTime = TimeText(now);
    t.round = m_round;
    t.outType = outType;
    t.side = m_side;
    t.qty = m_qty;
    t.inPrice = m_entry;
    t.outPrice = m_price;
    double points = (m_price - m_entry) * (m_side == 2 ? 1 : -1);
    t.ticks = points / kTickSize;
    t.profit = Won(points, m_qty);
    t.fee = kFeeDollars * m_qty * kWonPerDollar;
    m_realised += t.profit - t.fee;
    ++m_trades;
    m_qty = 0;
    m_wait = 8 + static_cast<int>(m_rng() % 16);
    return t;
}
