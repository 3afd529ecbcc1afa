// The engines' status records parsed into their slots of the trading state, and the sums of
// both accounts.
#include "supervision/StatusIntake.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/core/CString.h"
#include "store/TradeState.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A field that is missing reads as an empty text.
std::string_view FieldAt(const std::vector<std::string_view>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view();
}

CString FieldText(const std::vector<std::string_view>& fields, std::size_t index) {
    std::string_view f = FieldAt(fields, index);
    return CString(f.data() ? f.data() : "", static_cast<int>(f.size()));
}

// Fields 1 to 10, the same in both records.
void StoreCommonSlotFields(AccountStatus& slot, const std::vector<std::string_view>& f) {
    slot.field1 = RecordInt(FieldAt(f, 1));
    slot.position_qty = RecordInt(FieldAt(f, 2));
    slot.field3 = RecordDouble(FieldAt(f, 3));
    slot.field4 = RecordDouble(FieldAt(f, 4));
    slot.field5 = RecordDouble(FieldAt(f, 5));
    slot.valuation_total = RecordDouble(FieldAt(f, 6));
    slot.field7 = RecordDouble(FieldAt(f, 7));
    slot.set_pnl = RecordDouble(FieldAt(f, 8));
    slot.valuation_pnl = RecordDouble(FieldAt(f, 9));
    slot.trading_pnl = RecordDouble(FieldAt(f, 10));
}

// Slot value 1 is the first account (Ms), 0 the second (Md); anything else selects none.
int SlotIndex(int32_t slotValue) {
    return slotValue == 1 ? 0 : slotValue == 0 ? 1 : -1;
}

// A combined figure beyond the double range is held at its end, so none turns infinite
// and nothing computed from them later turns into NaN.
double Held(double value) {
    if (std::isnan(value))
        return 0;
    return std::clamp(value, -DBL_MAX, DBL_MAX);
}

} // namespace

CString CopyDataRecord(const void* data, DWORD size) {
    const char* bytes = static_cast<const char*>(data);
    if (!bytes || size == 0)
        return CString();
    const void* nul = std::memchr(bytes, '\0', size);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    return CString(bytes, static_cast<int>(length));
}

std::vector<std::string_view> SplitRecordFields(std::string_view record) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < record.size()) {
        const int step = CharSize(record, i);
        if (step == 1 && record[i] == '|') {
            fields.push_back(record.substr(start, i - start));
            start = i + 1;
        }
        i += step;
    }
    fields.push_back(record.substr(start));
    return fields;
}

int32_t RecordInt(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && IsSpace(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    int64_t value = 0;
    for (; i < field.size() && IsDigit(field[i]); ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1; // held, so the digits can go on
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

double RecordDouble(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && IsSpace(field[i]))
        ++i;
    const std::size_t begin = i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    std::size_t digits = 0;
    for (; i < field.size() && IsDigit(field[i]); ++i)
        ++digits;
    if (i < field.size() && field[i] == '.')
        for (++i; i < field.size() && IsDigit(field[i]); ++i)
            ++digits;
    if (digits == 0)
        return 0;
    // An exponent counts only when at least one digit follows it.
    if (i < field.size() && (field[i] == 'e' || field[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < field.size() && (field[j] == '+' || field[j] == '-'))
            ++j;
        if (j < field.size() && IsDigit(field[j])) {
            while (j < field.size() && IsDigit(field[j]))
                ++j;
            i = j;
        }
    }
    // The prefix is plain decimal; read it in the "C" locale whatever the process's locale.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string prefix(field.substr(begin, i - begin));
    const double value = strtod_l(prefix.c_str(), nullptr, cLocale);
    // Beyond the double range ("1e999") is no more a number than no digits at all.
    return std::isfinite(value) ? value : 0;
}

void CTradeState::ParseAccountInfo(const char* record) {
    const CString text(record);
    const std::vector<std::string_view> f =
        SplitRecordFields(std::string_view(text.GetString(), text.GetLength()));
    const int index = SlotIndex(RecordInt(FieldAt(f, 0)));
    if (index >= 0) {
        reported[index] = 1;
        StoreCommonSlotFields(slots[index], f);
    }
    price_decimals = RecordInt(FieldAt(f, 11));
    info_field12 = FieldText(f, 12);
    position_factor = RecordDouble(FieldAt(f, 13));
    trade_day_from = FieldText(f, 14);
    info_field15 = FieldText(f, 15);
    trade_day_to = FieldText(f, 16);
    info_field17 = FieldText(f, 17);
}

void CTradeState::ParseAccountUpdate(const char* record) {
    const CString text(record);
    const std::vector<std::string_view> f =
        SplitRecordFields(std::string_view(text.GetString(), text.GetLength()));
    const int index = SlotIndex(RecordInt(FieldAt(f, 0)));
    if (index < 0)
        return;
    AccountStatus& slot = slots[index];
    StoreCommonSlotFields(slot, f);
    slot.field11 = RecordDouble(FieldAt(f, 11));
    slot.field12 = RecordInt(FieldAt(f, 12));
    slot.field13 = RecordInt(FieldAt(f, 13));
    slot.stopped = RecordInt(FieldAt(f, 14));
    slot.exclusive = RecordInt(FieldAt(f, 15));
    // At most one account holds the exclusive flag.
    if (slot.exclusive == 1)
        slots[1 - index].exclusive = 0;
}

void CTradeState::SumAccounts(bool resetPeak) {
    if (!reported[0] || !reported[1])
        return;
    position_factor_total =
        Held((static_cast<double>(slots[0].position_qty) + static_cast<double>(slots[1].position_qty)) *
             position_factor);
    valuation_total_sum = Held(slots[0].valuation_total + slots[1].valuation_total);
    day_pnl = Held(slots[0].trading_pnl + slots[1].trading_pnl);
    valuation_pnl_sum = Held(slots[0].valuation_pnl + slots[1].valuation_pnl);
    if (day_pnl > day_peak_pnl)
        day_peak_pnl = day_pnl;
    if (resetPeak) {
        // An account-information record makes the current day P&L the new peak.
        day_peak_pnl = day_pnl;
        return;
    }
    set_pnl_sum = Held(slots[0].set_pnl + slots[1].set_pnl);
}
