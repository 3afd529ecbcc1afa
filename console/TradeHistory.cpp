// The history list of the main window: trades of both accounts, or their statistics per day
// or month, chosen in the view combo.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "console/NumberText.h"
#include "console/VossenDlg.h"
#include "platform/core/Text.h"
#include "store/TradeDataBase.h"

namespace {

struct HistoryColumn {
    const char* heading;
    int format;
    int width;
};

const HistoryColumn kTradeColumns[] = {
    {"", LVCFMT_CENTER, 5},          {"포지션", LVCFMT_CENTER, 50},   {"수량", LVCFMT_CENTER, 35},
    {"진입가", LVCFMT_CENTER, 70},   {"청산가", LVCFMT_CENTER, 70},   {"청산손익", LVCFMT_CENTER, 70},
    {"수수료", LVCFMT_CENTER, 70},   {"종목코드", LVCFMT_CENTER, 70}, {"거래일", LVCFMT_CENTER, 80},
    {"진입시각", LVCFMT_CENTER, 70}, {"청산시각", LVCFMT_CENTER, 70},
};

constexpr int kTradeCells = static_cast<int>(std::size(kTradeColumns));

const HistoryColumn kStatisticsColumns[] = {
    {"", LVCFMT_LEFT, 5},          {"기준일", LVCFMT_LEFT, 70},   {"매매횟수", LVCFMT_LEFT, 60},
    {"청산손익", LVCFMT_LEFT, 80}, {"수수료", LVCFMT_CENTER, 80}, {"순손익", LVCFMT_CENTER, 80},
};

// The engines report the decimals; a value no price can have is held to a sane range.
int PriceDecimals(int decimals) {
    return std::clamp(decimals, 0, 10);
}

// A number with the price decimals, passed through the price form of the tick base, into
// `out` (kPriceRoom bytes).
constexpr int kPriceRoom = kNumberRoom * 4 / 3 + 2;
const char* PriceText(char* out, double value, int decimals, int tickBase) {
    char number[kNumberRoom];
    const int length = FixedText(number, value, decimals);
    if (tickBase != 32) {
        GroupThousands(number, length, out);
        return out;
    }
    CString text(number, length);
    FormatPriceText(text, tickBase);
    CopyBounded(out, kPriceRoom, text);
    return out;
}

// A whole number in decimal.
const char* IntText(char* out, int value) {
    *std::to_chars(out, out + 16, value).ptr = 0;
    return out;
}

// A fixed text field of a record, up to its terminator or its end, into `out` (size + 1 bytes).
template <std::size_t N> const char* FieldText(char* out, const char (&field)[N]) {
    const std::size_t length = strnlen(field, N);
    std::memcpy(out, field, length);
    out[length] = 0;
    return out;
}

// Characters [first, first + count) of a time text; empty beyond its end.
void AppendPart(char*& out, const char* text, int length, int first, int count) {
    for (int i = first; i < first + count && i < length; ++i)
        *out++ = text[i];
}

// "YYYY-MM-DD" of the date characters of a time text.
void DateText(char* out, const char* time, int length) {
    AppendPart(out, time, length, 0, 4);
    *out++ = '-';
    AppendPart(out, time, length, 4, 2);
    *out++ = '-';
    AppendPart(out, time, length, 6, 2);
    *out = 0;
}

// "hh:mm:ss" of the time-of-day characters of a time text.
void ClockText(char* out, const char* time, int length) {
    AppendPart(out, time, length, 8, 2);
    *out++ = ':';
    AppendPart(out, time, length, 10, 2);
    *out++ = ':';
    AppendPart(out, time, length, 12, 2);
    *out = 0;
}

} // namespace

void CVossenDlg::SetupHistoryColumns(int mode) {
    m_listHistory.DeleteAllItems();
    m_bTradeListShown = false;
    // Twelve deletions clear either layout.
    for (int i = 0; i < 12; ++i)
        m_listHistory.DeleteColumn(0);
    int column = 0;
    if (mode == 0 || mode == 1) {
        for (const HistoryColumn& c : kTradeColumns)
            m_listHistory.InsertColumn(column++, c.heading, c.format, c.width);
    } else {
        for (const HistoryColumn& c : kStatisticsColumns)
            m_listHistory.InsertColumn(column++, c.heading, c.format, c.width);
    }
    // From here the list draws its own rows, coloured by the dialog's custom draw.
    m_listHistory.ModifyStyle(LVS_OWNERDRAWFIXED, 0);
    m_listHistory.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB |
                                   LVS_EX_DOUBLEBUFFER);
}

void CVossenDlg::OnCbnSelchangeView() {
    const int selected = m_cbView.GetCurSel();
    const int previous = m_nViewMode;
    if (selected == previous)
        return;
    const bool crossesLayouts = (previous < 2 && selected > 1) || (previous > 1 && selected < 2);
    if (crossesLayouts)
        SetupHistoryColumns(selected);
    if (selected < 2)
        FillTradeList();
    else
        FillStatisticsList(selected - 2);
    m_nViewMode = selected;
}

void CVossenDlg::FillTradeList() {
    CTradeState* s = g_pTradeState;
    if (!s || !s->trade_records)
        return;
    // Any entry but "당일" lists every trade up to the end of the current trading day.
    const int selected = m_cbView.GetCurSel();
    const CString fromDay = selected > 0 ? CString("00000000") : s->trade_day_from;
    // Statistics on screen stay there: a status record does not replace them with trades.
    const bool listsTrades = !(m_nViewMode > 1 && selected > 1);
    std::vector<TradeLogRow>& rows = *s->trade_records;

    // Stamped before the read: a commit after the stamp is read again next time.
    TradeListSource source{m_strAccountNumber, m_strAccountNumber2, fromDay, s->trade_day_to, {}};
    const bool stamped = StampTradingLog(source.firstAccount, &source.stamps[0]) &&
                         StampTradingLog(source.secondAccount, &source.stamps[1]);
    if (!m_bTradeRecordsKnown || !stamped || !(source == m_tradeRecordsSource)) {
        m_bTradeRecordsKnown = false;
        if (CTradeDataBase::LoadTradingLog(rows, source.firstAccount, source.secondAccount, fromDay,
                                           s->trade_day_to) < 0) {
            // An engine held its log past the wait, or the log is damaged: the rows, the
            // count and the list keep what they had.
            if (listsTrades)
                m_bHistoryUnread = true;
            return;
        }
        m_bTradeRecordsKnown = stamped;
        m_tradeRecordsSource = source;
        m_bTradeListShown = false;
        // The risk rules read the count whatever the list shows; quantities from a damaged
        // log must not overflow it.
        std::int64_t count = 0;
        for (const TradeLogRow& row : rows)
            count += row.qty;
        m_nTradeRecordsCount =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(count, INT32_MIN, INT32_MAX));
    }
    s->trade_count = m_nTradeRecordsCount;
    if (!listsTrades)
        return;
    m_bHistoryUnread = false;
    const TradeListLook look{PriceDecimals(s->price_decimals), s->tick_base};
    if (m_bTradeListShown && look == m_tradeListLook)
        return;
    m_bTradeListShown = true;
    m_tradeListLook = look;

    m_listHistory.DeleteAllItems();
    const int decimals = look.decimals;
    const int tickBase = look.tickBase;
    // Each row's texts go to the list in one message.
    char text[kTradeCells][kPriceRoom];
    const char* texts[kTradeCells] = {""};
    for (int col = 1; col < kTradeCells; ++col)
        texts[col] = text[col];
    for (const TradeLogRow& row : rows) {
        texts[1] = row.side == 2 ? "매수" : "매도";
        IntText(text[2], row.qty);
        PriceText(text[3], row.in_price, decimals, tickBase);
        PriceText(text[4], row.out_price, decimals, tickBase);
        // Money in the trade rows: two decimals, no separators.
        FixedText(text[5], row.profit, 2);
        FixedText(text[6], row.fee, 2);
        FieldText(text[7], row.code);
        const int outLength = static_cast<int>(strnlen(row.out_time, sizeof row.out_time));
        const int inLength = static_cast<int>(strnlen(row.in_time, sizeof row.in_time));
        DateText(text[8], row.out_time, outLength);
        ClockText(text[9], row.in_time, inLength);
        ClockText(text[10], row.out_time, outLength);
        m_listHistory.InsertRow(0, texts, kTradeCells);
    }
}

void CVossenDlg::FillStatisticsList(int kind) {
    if (!m_pStatFirst || !m_pStatSecond || !m_pStatMerged)
        return;
    std::vector<StatRow>& first = *m_pStatFirst;
    std::vector<StatRow>& second = *m_pStatSecond;
    std::vector<StatRow>& merged = *m_pStatMerged;
    first.clear();
    second.clear();
    const CTradeDataBase::TradingLogReads group(g_pTradeDataBase);
    if (CTradeDataBase::QueryPeriodStatistics(first, m_strAccountNumber, kind) < 0 ||
        CTradeDataBase::QueryPeriodStatistics(second, m_strAccountNumber2, kind) < 0) {
        // The list keeps what it shows; it lacks an account's groups.
        m_bHistoryUnread = true;
        return;
    }
    m_bHistoryUnread = false;
    m_bTradeListShown = false;
    merged.clear();

    merged = first;
    for (const StatRow& row : second) {
        auto same = std::find_if(merged.begin(), merged.end(), [&row](const StatRow& m) {
            return std::strncmp(m.key, row.key, sizeof m.key) == 0;
        });
        if (same != merged.end()) {
            same->count += row.count;
            same->fee += row.fee;
            same->profit += row.profit;
        } else {
            merged.push_back(row);
        }
    }
    std::sort(merged.begin(), merged.end(), StatRowLess);

    m_listHistory.DeleteAllItems();
    const CTradeState* s = g_pTradeState;
    const int decimals = PriceDecimals(s ? s->price_decimals : 0);
    const int tickBase = s ? s->tick_base : 0;
    char text[kPriceRoom];
    for (const StatRow& row : merged) {
        const int item = m_listHistory.InsertItem(0, "");
        m_listHistory.SetItemText(item, 1, FieldText(text, row.key));
        m_listHistory.SetItemText(item, 2, IntText(text, row.count));
        m_listHistory.SetItemText(item, 3, PriceText(text, row.profit, decimals, tickBase));
        m_listHistory.SetItemText(item, 4, PriceText(text, row.fee, decimals, tickBase));
        // The net result keeps no separators.
        FixedText(text, row.profit - row.fee, decimals);
        m_listHistory.SetItemText(item, 5, text);
    }
}

bool CVossenDlg::ReadHistoryAgainIfUnread() {
    if (m_bHistoryUnread) {
        if (m_nViewMode < 2)
            FillTradeList();
        else
            FillStatisticsList(m_nViewMode - 2);
    }
    return !m_bHistoryUnread;
}

bool StatRowLess(StatRow a, StatRow b) {
    for (std::size_t i = 0; i < sizeof(a.key); ++i) {
        const unsigned char x = static_cast<unsigned char>(a.key[i]);
        const unsigned char y = static_cast<unsigned char>(b.key[i]);
        if (x != y)
            return x < y;
        if (x == 0)
            return false;
    }
    return false;
}
