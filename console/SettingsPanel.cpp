// The settings form of the main window and its read-only day figures.
#include "console/NumberText.h"
#include "console/VossenDlg.h"

namespace {

// Whole won: "1,234,567원".
CString WonText(double value) {
    CString number;
    number.Format(MakeDecimalFormat(0), value);
    InsertThousandsSeparators(number);
    CString text;
    text.Format("%s원", number.GetString());
    return text;
}

// Two decimals without a unit: "-12,345.68".
CString TwoDecimalText(double value) {
    CString text;
    text.Format(MakeDecimalFormat(2), value);
    InsertThousandsSeparators(text);
    return text;
}

// The day's P&L as a share of the daily target; a target of 0 has no share and shows 0.0%.
CString TargetRateText(const CTradeState& s) {
    CString text;
    if (s.day_tot_profit_max == 0)
        text = "0.0%";
    else
        text.Format("%.1f%%", s.day_pnl / s.day_tot_profit_max * 100.0);
    InsertThousandsSeparators(text);
    return text;
}

} // namespace

void CVossenDlg::LoadSettingsToControls() {}

void CVossenDlg::ApplySettings() {}

void CVossenDlg::UpdateProfitFields() {
    const CTradeState* s = g_pTradeState;
    if (!s)
        return;
    m_editTotalPnl.SetWindowText(WonText(s->day_pnl));
    // The fall from the peak that the profit reserve allows, in won.
    const double allowance = s->profit_reserve_trigger_type
                                 ? static_cast<double>(s->profit_reserve_trigger) * 10000.0
                                 : s->profit_reserve_trigger * s->day_peak_pnl / 100.0;
    m_editReserveLevel.SetWindowText(WonText(s->day_peak_pnl - allowance));
}

void CVossenDlg::UpdateAccountSummary() {
    const CTradeState* s = g_pTradeState;
    if (!s)
        return;
    m_listAccount.SetItemText(0, 0, WonText(s->day_pnl));
    m_listAccount.SetItemText(0, 1, WonText(s->valuation_total_sum));
    m_listAccount.SetItemText(0, 2, TwoDecimalText(s->valuation_pnl_sum));
    m_listAccount.SetItemText(0, 3, TwoDecimalText(s->set_pnl_sum));
    m_editTargetRate.SetWindowText(TargetRateText(*s));
    UpdateProfitFields();
}

// Typed values are discarded; nothing is saved.
void CVossenDlg::OnBnClickedCancel() {
    LoadSettingsToControls();
}

void CVossenDlg::OnBnClickedApply() {
    ApplySettings();
}
