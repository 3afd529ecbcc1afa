// The history list of the main window: trades of both accounts, or their statistics per day
// or month, chosen in the view combo.
#include "console/VossenDlg.h"
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

const HistoryColumn kStatisticsColumns[] = {
    {"", LVCFMT_LEFT, 5},          {"기준일", LVCFMT_LEFT, 70},   {"매매횟수", LVCFMT_LEFT, 60},
    {"청산손익", LVCFMT_LEFT, 80}, {"수수료", LVCFMT_CENTER, 80}, {"순손익", LVCFMT_CENTER, 80},
};

} // namespace

void CVossenDlg::SetupHistoryColumns(int mode) {
    m_listHistory.DeleteAllItems();
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
    const CString fromDay = m_cbView.GetCurSel() > 0 ? CString("00000000") : s->trade_day_from;
    CTradeDataBase::LoadTradingLog(*s->trade_records, m_strAccountNumber, m_strAccountNumber2, fromDay,
                                   s->trade_day_to);
    m_listHistory.DeleteAllItems();
    s->trade_count = 0;
    for (const TradeLogRow& row : *s->trade_records)
        s->trade_count += row.qty;
}

void CVossenDlg::FillStatisticsList(int) {
    for (std::vector<StatRow>* rows : {m_pStatFirst, m_pStatSecond, m_pStatMerged})
        if (rows)
            rows->clear();
    m_listHistory.DeleteAllItems();
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
