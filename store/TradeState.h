// The one trading state that every window and the engine supervision share, and the plain
// records that travel with it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/CString.h"

// One trading item; an empty name ends the list.
struct TradeItem {
    char name[50];
    char code[20];
};

// One engine's last reported figures; the fieldN members are kept as received and read by
// nothing.
struct AccountStatus {
    double field3;
    double field4;
    double field5;
    double valuation_total;
    double field7;
    double set_pnl;
    double trading_pnl;
    double valuation_pnl;
    double field11;
    int32_t field12;
    int32_t field13;
    int32_t field1;
    int32_t position_qty;
    int32_t stopped;
    int32_t exclusive;
};

// One closed trade of an engine's trading log. Times are YYYYMMDDhhmmss; out_time is the
// sort key. side 2 is a buy position, anything else a sell position.
struct TradeLogRow {
    char code[23];
    char in_time[17];
    char out_time[17];
    int32_t qty;
    double in_price;
    double out_price;
    double profit;
    double fee;
    int32_t side;
};

// One statistics group: the engine's tr_day or tr_month key, its trade count and sums.
struct StatRow {
    char key[16];
    int32_t count;
    double profit;
    double fee;
};

// One strategy setting on its way to the store.
struct StrategyValue {
    char name[52];
    int32_t value;
};

constexpr int kTradeItemCount = 10;
constexpr int kStrategyValueCount = 67;

class CTradeState {
public:
    CTradeState();
    ~CTradeState();
    CTradeState(const CTradeState&) = delete;
    CTradeState& operator=(const CTradeState&) = delete;

    // Reads the strategy values from the store; a missing key is stored with its default.
    // When the store cannot be read, the fields not read are 0 and strategy_unread is set.
    void LoadStrategyValues();
    // Writes all 67 strategy values in one transaction; 1 when they were stored, else 0
    // (nothing was stored).
    int SaveStrategyValues();

    // The engines' status records parsed into their slots, and both accounts summed.
    void ParseAccountInfo(const char* record);
    void ParseAccountUpdate(const char* record);
    void SumAccounts(bool resetPeak);

    // Price display.
    int32_t tick_base = 0;

    // Trading items.
    TradeItem items[kTradeItemCount] = {};
    int32_t curr_idx = 0;

    // Life flags.
    bool alive = false;
    bool strategy_loaded = false;
    // The last load could not read the store, and no save has written the fields since: what
    // the fields hold is not what the store holds.
    bool strategy_unread = false;

    // Login values of both accounts.
    int32_t server_type = 0;
    int32_t server_type2 = 0;
    CString id;
    CString passwd;
    CString cert_passwd;
    CString account_number;
    CString account_passwd;
    CString id2;
    CString passwd2;
    CString cert_passwd2;
    CString account_number2;
    CString account_passwd2;
    CString trade_item;
    CString ident_code;
    CString sub_password;

    // Rows of the trade list; freed by ShutdownCleanup, before the state goes.
    std::unique_ptr<std::vector<TradeLogRow>> trade_records;

    // Common values of the account-information record.
    CString info_field12;
    CString trade_day_from;
    CString info_field15;
    CString trade_day_to;
    CString info_field17;
    double position_factor = 0;

    // Strategy values, named by their keys (price_decimals comes from the engines and is
    // never stored).
    int32_t day_tot_profit_max = 0;
    int32_t day_tot_profit_max_use = 0;
    int32_t day_tot_profit_max_back = 0;
    int32_t day_tot_loss_max = 0;
    int32_t day_tot_loss_max_use = 0;
    int32_t day_trade_due_count_use = 0;
    int32_t day_trade_due_count = 0;
    int32_t market_off_clear = 0;
    int32_t profit_reserve_use = 0;
    int32_t profit_reserve_base = 0;
    int32_t profit_reserve_trigger = 0;
    int32_t profit_reserve_trigger_type = 0;
    int32_t profit_reserve_rest = 0;
    int32_t fee_org = 0;
    int32_t fee_sale = 0;
    int32_t price_decimals = 0;
    int32_t won_dallar = 0;
    int32_t trade_type = 0;
    int32_t trade_keep_position = 0;
    int32_t in_tick_s = 0;
    int32_t macd_use_r = 0;
    int32_t macd_matype_r = 0;
    int32_t macd_term1_r = 0;
    int32_t macd_term2_r = 0;
    int32_t macd_term3_r = 0;
    int32_t macd_param_r = 0;
    int32_t dmi_use_r = 0;
    int32_t dmi_matype_r = 0;
    int32_t dmi_term_r = 0;
    int32_t macd_use_rt = 0;
    int32_t macd_matype_rt = 0;
    int32_t macd_term1_rt = 0;
    int32_t macd_term2_rt = 0;
    int32_t macd_term3_rt = 0;
    int32_t macd_param_rt = 0;
    int32_t dmi_use_rt = 0;
    int32_t dmi_matype_rt = 0;
    int32_t dmi_term_rt = 0;
    int32_t reverse_bong_use = 0;
    int32_t reverse_bong_count = 0;
    int32_t reverse_bong_height = 0;
    int32_t reverse_max_bong_use = 0;
    int32_t reverse_max_bong_limit = 0;
    int32_t revclear_incount_use = 0;
    int32_t revclear_incount = 0;
    int32_t revclear_reback_use = 0;
    int32_t revclear_reback = 0;
    int32_t revclear_set_profit_use = 0;
    int32_t revclear_set_profit = 0;
    int32_t revclear_trend_link = 0;
    int32_t trendclear_reback_use = 0;
    int32_t trendclear_reback = 0;
    int32_t trendclear_set_profit_use = 0;
    int32_t trendclear_set_profit = 0;
    int32_t allclear_allset_profit_use = 0;
    int32_t allclear_allset_profit = 0;
    int32_t allclear_allset_loss_use = 0;
    int32_t allclear_allset_loss = 0;
    int32_t count_pairing_use = 0;
    int32_t count_pairing_add = 0;
    int32_t round_pairing_use = 0;
    int32_t round_pairing_add = 0;
    int32_t kor_time_base = 0;
    int32_t timer_zone = 0;
    // The trading window as "%02d%02d" of hour and minute.
    CString timer1_start;
    CString timer1_end;

    // Call number.
    CString call_number;

    // Combined figures of both accounts.
    double position_factor_total = 0;
    double day_peak_pnl = 0;
    double day_pnl = 0;
    double valuation_total_sum = 0;
    double valuation_pnl_sum = 0;
    double set_pnl_sum = 0;

    // Status slots: [0] the first account ("Ms"), [1] the second ("Md").
    AccountStatus slots[2] = {};
    int32_t reported[2] = {};

    // Risk counters: commands posted and not yet echoed.
    int32_t pending_profit_reserve = 0;
    int32_t pending_day_profit_stop = 0;
    int32_t pending_day_loss_stop = 0;
    int32_t pending_allclear_profit = 0;
    int32_t pending_allclear_loss = 0;
    int32_t trade_count = 0;
};

extern CTradeState* g_pTradeState;

// Stores the login values into g_pTradeState, in the order of an account row.
void StoreLoginValues(int server_type, const char* id, const char* passwd, const char* cert_passwd,
                      const char* account_number, const char* account_passwd, int server_type2,
                      const char* id2, const char* passwd2, const char* cert_passwd2,
                      const char* account_number2, const char* account_passwd2, const char* trade_item,
                      const char* ident_code, const char* sub_password);
