#include <sqlite3.h>

#include <array>
#include <cstring>

#include "platform/core/Numbers.h"
#include "platform/core/Text.h"
#include "store/TradeDataBase.h"

namespace {

// The four timer keys are held in two texts, timer1_start and timer1_end ("HHMM").
struct TimerParts {
    int startHour = 0;
    int endHour = 0;
    int startMinute = 0;
    int endMinute = 0;
};

struct StrategyKey {
    const char* name;
    int32_t defaultValue;
    int32_t CTradeState::*field; // null for the timer keys
    int loadPosition;            // 1-based position of the read; 0 when never read
    int TimerParts::*timerPart = nullptr;
};

// Every key in save order.
const StrategyKey kKeys[kStrategyValueCount] = {
    {"kor_time_base", 1, &CTradeState::kor_time_base, 0},
    {"timer_zone", 1, &CTradeState::timer_zone, 0},
    {"timer1_start_time_h", 10, nullptr, 2, &TimerParts::startHour},
    {"timer1_end_time_h", 16, nullptr, 4, &TimerParts::endHour},
    {"timer1_start_time_m", 15, nullptr, 1, &TimerParts::startMinute},
    {"timer1_end_time_m", 40, nullptr, 3, &TimerParts::endMinute},
    {"day_tot_profit_max", 1000000, &CTradeState::day_tot_profit_max, 6},
    {"day_tot_profit_max_use", 0, &CTradeState::day_tot_profit_max_use, 5},
    {"day_tot_profit_max_back", 0, &CTradeState::day_tot_profit_max_back, 7},
    {"day_tot_loss_max", 600000, &CTradeState::day_tot_loss_max, 9},
    {"day_tot_loss_max_use", 0, &CTradeState::day_tot_loss_max_use, 8},
    {"day_trade_due_count", 10, &CTradeState::day_trade_due_count, 11},
    {"day_trade_due_count_use", 1, &CTradeState::day_trade_due_count_use, 10},
    {"market_off_clear", 1, &CTradeState::market_off_clear, 12},
    {"profit_reserve_use", 1, &CTradeState::profit_reserve_use, 13},
    {"profit_reserve_base", 500000, &CTradeState::profit_reserve_base, 14},
    {"profit_reserve_trigger", 30, &CTradeState::profit_reserve_trigger, 15},
    {"profit_reserve_trigger_type", 0, &CTradeState::profit_reserve_trigger_type, 16},
    {"profit_reserve_rest", 200, &CTradeState::profit_reserve_rest, 17},
    {"trendclear_reback_use", 1, &CTradeState::trendclear_reback_use, 18},
    {"trendclear_reback", 80, &CTradeState::trendclear_reback, 19},
    {"trendclear_set_profit_use", 0, &CTradeState::trendclear_set_profit_use, 20},
    {"trendclear_set_profit", 300, &CTradeState::trendclear_set_profit, 21},
    {"in_tick_s", 3, &CTradeState::in_tick_s, 22},
    {"macd_use_r", 1, &CTradeState::macd_use_r, 23},
    {"macd_matype_r", 1, &CTradeState::macd_matype_r, 24},
    {"macd_term1_r", 20, &CTradeState::macd_term1_r, 25},
    {"macd_term2_r", 50, &CTradeState::macd_term2_r, 26},
    {"macd_term3_r", 4, &CTradeState::macd_term3_r, 27},
    {"macd_param_r", 0, &CTradeState::macd_param_r, 28},
    {"dmi_use_r", 0, &CTradeState::dmi_use_r, 29},
    {"dmi_term_r", 10, &CTradeState::dmi_term_r, 30},
    {"dmi_matype_r", 1, &CTradeState::dmi_matype_r, 31},
    {"macd_use_rt", 1, &CTradeState::macd_use_rt, 32},
    {"macd_matype_rt", 1, &CTradeState::macd_matype_rt, 33},
    {"macd_term1_rt", 20, &CTradeState::macd_term1_rt, 34},
    {"macd_term2_rt", 50, &CTradeState::macd_term2_rt, 35},
    {"macd_term3_rt", 4, &CTradeState::macd_term3_rt, 36},
    {"macd_param_rt", 0, &CTradeState::macd_param_rt, 37},
    {"dmi_use_rt", 0, &CTradeState::dmi_use_rt, 38},
    {"dmi_term_rt", 20, &CTradeState::dmi_term_rt, 39},
    {"dmi_matype_rt", 1, &CTradeState::dmi_matype_rt, 40},
    {"reverse_bong_use", 0, &CTradeState::reverse_bong_use, 41},
    {"reverse_bong_count", 1, &CTradeState::reverse_bong_count, 42},
    {"reverse_bong_height", 20, &CTradeState::reverse_bong_height, 43},
    {"reverse_max_bong_use", 0, &CTradeState::reverse_max_bong_use, 44},
    {"reverse_max_bong_limit", 20, &CTradeState::reverse_max_bong_limit, 45},
    {"revclear_incount_use", 0, &CTradeState::revclear_incount_use, 46},
    {"revclear_incount", 2, &CTradeState::revclear_incount, 47},
    {"revclear_reback_use", 1, &CTradeState::revclear_reback_use, 48},
    {"revclear_reback", 80, &CTradeState::revclear_reback, 49},
    {"revclear_set_profit_use", 0, &CTradeState::revclear_set_profit_use, 50},
    {"revclear_set_profit", 300, &CTradeState::revclear_set_profit, 51},
    {"allclear_allset_profit_use", 0, &CTradeState::allclear_allset_profit_use, 52},
    {"allclear_allset_profit", 600, &CTradeState::allclear_allset_profit, 53},
    {"allclear_allset_loss_use", 0, &CTradeState::allclear_allset_loss_use, 54},
    {"allclear_allset_loss", 600, &CTradeState::allclear_allset_loss, 55},
    {"revclear_trend_link", 0, &CTradeState::revclear_trend_link, 56},
    {"count_pairing_use", 0, &CTradeState::count_pairing_use, 57},
    {"count_pairing_add", 0, &CTradeState::count_pairing_add, 58},
    {"round_pairing_use", 1, &CTradeState::round_pairing_use, 59},
    {"round_pairing_add", 1, &CTradeState::round_pairing_add, 60},
    {"trade_type", 2, &CTradeState::trade_type, 61},
    {"trade_keep_position", 0, &CTradeState::trade_keep_position, 62},
    {"fee_org", 7500, &CTradeState::fee_org, 63},
    {"fee_sale", 7500, &CTradeState::fee_sale, 64},
    {"won_dallar", 160, &CTradeState::won_dallar, 65},
};
constexpr int kReadCount = 65;

CString InsertStatement(const char* key, int value) {
    CString sql;
    sql.Format(R"(Insert into VnStrategy(name, value) values ('%s', %d))", SqlText(key).GetString(), value);
    return sql;
}

CString UpdateStatement(const char* key, int value) {
    CString sql;
    sql.Format(R"(update VnStrategy set value = %d where name = '%s')", value, SqlText(key).GetString());
    return sql;
}

// "BEGIN;", "COMMIT;" and "ROLLBACK;" go to SQLite as they are; true when they ran.
bool ExecuteFixed(sqlite3* db, const char* sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    return rc == SQLITE_OK;
}

CString HourMinute(int hour, int minute) {
    CString text;
    text.Format("%02d%02d", hour, minute);
    return text;
}

} // namespace

int CTradeDataBase::UpdateWrote(CTradeDataBase* db, const char* key, int value) {
    return db->Execute(UpdateStatement(key, value)) && sqlite3_changes(db->m_pDB) > 0 ? 1 : 0;
}

int CTradeDataBase::GetStrategyValue(const char* key, int defaultValue) {
    bool read = false;
    return ReadStrategyValue(key, defaultValue, &read);
}

int CTradeDataBase::ReadStrategyValue(const char* key, int defaultValue, bool* read) {
    *read = false;
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    CString sql;
    sql.Format(R"(Select value from VnStrategy where name = '%s')", SqlText(key).GetString());
    int found = db->StepFirstRow(sql);
    if (found < 0)
        return 0;
    *read = true;
    if (found > 0) {
        int value = db->ColumnInt(0);
        db->Close();
        return value;
    }
    db->SetStrategyValue(key, defaultValue);
    return defaultValue;
}

int CTradeDataBase::SetStrategyValue(const char* key, int value) {
    if (!Open())
        return 0;
    int inserted = Execute(InsertStatement(key, value));
    Close();
    if (inserted)
        return 1;
    if (!Open())
        return 0;
    const int updated = UpdateWrote(this, key, value);
    Close();
    return updated;
}

int CTradeDataBase::SaveStrategyBatch(const StrategyValue* records) {
    CTradeDataBase* db = Store();
    if (!db || !db->Open())
        return 0;
    // The values are stored all together or not at all: a record that can be neither
    // inserted nor updated (the store locked past the wait, a damaged file, a table the insert
    // does not fit), or a COMMIT that fails, rolls the whole save back and reports it.
    bool saved = ExecuteFixed(db->m_pDB, "BEGIN;");
    for (int i = 0; saved && i < kStrategyValueCount; ++i) {
        CString name(records[i].name, static_cast<int>(strnlen(records[i].name, sizeof records[i].name)));
        if (!db->Execute(InsertStatement(name, records[i].value)))
            saved = UpdateWrote(db, name, records[i].value);
    }
    if (saved)
        saved = ExecuteFixed(db->m_pDB, "COMMIT;");
    if (!saved && !sqlite3_get_autocommit(db->m_pDB))
        ExecuteFixed(db->m_pDB, "ROLLBACK;");
    db->Close();
    return saved ? 1 : 0;
}

void CTradeState::LoadStrategyValues() {
    kor_time_base = 1;
    timer_zone = 1;
    static const auto readOrder = [] {
        std::array<int, kReadCount> order{};
        for (int i = 0; i < kStrategyValueCount; ++i)
            if (kKeys[i].loadPosition > 0)
                order[kKeys[i].loadPosition - 1] = i;
        return order;
    }();
    TimerParts timer;
    strategy_unread = false;
    for (int i : readOrder) {
        const StrategyKey& key = kKeys[i];
        // Once the store cannot be read, the rest would only wait for it again: every field
        // not read yet is 0, as after a failed read.
        bool read = false;
        int value =
            strategy_unread ? 0 : CTradeDataBase::ReadStrategyValue(key.name, key.defaultValue, &read);
        if (!read)
            strategy_unread = true;
        if (key.field)
            this->*key.field = value;
        else
            timer.*key.timerPart = value;
        if (key.loadPosition == 2)
            timer1_start = HourMinute(timer.startHour, timer.startMinute);
        else if (key.loadPosition == 4)
            timer1_end = HourMinute(timer.endHour, timer.endMinute);
    }
    strategy_loaded = true;
}

int CTradeState::SaveStrategyValues() {
    // Hour from characters 1-2, minute from 3-4; a missing piece gives 0.
    TimerParts timer;
    timer.startHour = ReadInt32(timer1_start.Mid(0, 2).GetString());
    timer.endHour = ReadInt32(timer1_end.Mid(0, 2).GetString());
    timer.startMinute = ReadInt32(timer1_start.Mid(2, 2).GetString());
    timer.endMinute = ReadInt32(timer1_end.Mid(2, 2).GetString());
    StrategyValue records[kStrategyValueCount] = {};
    for (int i = 0; i < kStrategyValueCount; ++i) {
        CopyBounded(records[i].name, sizeof records[i].name, kKeys[i].name);
        records[i].value = kKeys[i].field ? this->*kKeys[i].field : timer.*kKeys[i].timerPart;
    }
    const int saved = CTradeDataBase::SaveStrategyBatch(records);
    // What the store holds is now what the state holds.
    if (saved)
        strategy_unread = false;
    return saved;
}
