// The engines' status records parsed into their slots of the trading state, and the sums of
// both accounts.
#include "store/AccountRecords.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "platform/core/CString.h"
#include "platform/core/Numbers.h"
#include "store/TradeState.h"

namespace {

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
    slot.field1 = ReadInt32(FieldAt(f, 1));
    slot.position_qty = ReadInt32(FieldAt(f, 2));
    slot.field3 = ReadDouble(FieldAt(f, 3));
    slot.field4 = ReadDouble(FieldAt(f, 4));
    slot.field5 = ReadDouble(FieldAt(f, 5));
    slot.valuation_total = ReadDouble(FieldAt(f, 6));
    slot.field7 = ReadDouble(FieldAt(f, 7));
    slot.set_pnl = ReadDouble(FieldAt(f, 8));
    slot.valuation_pnl = ReadDouble(FieldAt(f, 9));
    slot.trading_pnl = ReadDouble(FieldAt(f, 10));
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

void CTradeState::ParseAccountInfo(const char* record) {
    const CString text(record);
    const std::vector<std::string_view> f =
        SplitRecordFields(std::string_view(text.GetString(), text.GetLength()));
    const int index = SlotIndex(ReadInt32(FieldAt(f, 0)));
    if (index >= 0) {
        reported[index] = 1;
        StoreCommonSlotFields(slots[index], f);
    }
    price_decimals = ReadInt32(FieldAt(f, 11));
    info_field12 = FieldText(f, 12);
    position_factor = ReadDouble(FieldAt(f, 13));
    trade_day_from = FieldText(f, 14);
    info_field15 = FieldText(f, 15);
    trade_day_to = FieldText(f, 16);
    info_field17 = FieldText(f, 17);
}

void CTradeState::ParseAccountUpdate(const char* record) {
    const CString text(record);
    const std::vector<std::string_view> f =
        SplitRecordFields(std::string_view(text.GetString(), text.GetLength()));
    const int index = SlotIndex(ReadInt32(FieldAt(f, 0)));
    if (index < 0)
        return;
    AccountStatus& slot = slots[index];
    StoreCommonSlotFields(slot, f);
    slot.field11 = ReadDouble(FieldAt(f, 11));
    slot.field12 = ReadInt32(FieldAt(f, 12));
    slot.field13 = ReadInt32(FieldAt(f, 13));
    slot.stopped = ReadInt32(FieldAt(f, 14));
    slot.exclusive = ReadInt32(FieldAt(f, 15));
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
