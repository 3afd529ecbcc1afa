// The settings form of the main window and its read-only day figures.
#include <climits>
#include <cstdlib>

#include "console/NumberText.h"
#include "console/VossenDlg.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"

namespace {

// Amounts typed in units of 10,000 won are held in won as an int32.
constexpr int kMaxTenThousands = INT_MAX / 10000;

// atoi as the runtime gives it: leading blanks and a sign, the leading digits, 0 without
// any, and the int range's end for a number beyond it.
int TextToInt(const CString& text) {
    const long value = std::strtol(text.GetString(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int ReadNumber(const CWnd& edit) {
    CString text;
    edit.GetWindowText(text);
    return TextToInt(text);
}

// An entry beyond what the won value can hold is taken as the largest that fits.
int ReadTenThousands(const CWnd& edit) {
    int value = ReadNumber(edit);
    if (value > kMaxTenThousands)
        value = kMaxTenThousands;
    if (value < -kMaxTenThousands)
        value = -kMaxTenThousands;
    return value * 10000;
}

void ShowNumber(CWnd& edit, int value) {
    CString text;
    text.Format("%d", value);
    edit.SetWindowText(text);
}

void ShowTenThousands(CWnd& edit, int value) {
    ShowNumber(edit, value / 10000);
}

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

// The hour or minute of a "%02d%02d" time text: characters 1-2 or 3-4.
int TimePart(const CString& time, int first) {
    return TextToInt(time.Mid(first, 2));
}

} // namespace

void CVossenDlg::LoadSettingsToControls() {
    CTradeState* s = g_pTradeState;
    if (!s || !s->strategy_loaded)
        return;

    if (m_cbStartHour.GetCount() == 0) {
        CString item;
        for (int i = 0; i < 24; ++i) {
            item.Format("%02d", i);
            m_cbStartHour.AddString(item);
            m_cbEndHour.AddString(item);
        }
        for (int i = 0; i < 60; ++i) {
            item.Format("%02d", i);
            m_cbStartMinute.AddString(item);
            m_cbEndMinute.AddString(item);
        }
        for (const char* text : {"단타", "스윙", "추세"})
            m_cbTradeType.AddString(text);
        for (const char* text : {"없음", "하락", "상승", "양방"})
            m_cbKeepPosition.AddString(text);
        for (CComboBox* combo : {&m_cbCountPairingAdd, &m_cbRoundPairingAdd})
            for (const char* text : {"+0", "+1", "+2", "+3", "+4", "+5"})
                combo->AddString(text);
    }

    m_editTargetRate.SetWindowText(TargetRateText(*s));
    UpdateProfitFields();

    auto check = [this](int id, int value) { CheckDlgButton(id, value ? BST_CHECKED : BST_UNCHECKED); };
    ShowTenThousands(m_editDayProfitMax, s->day_tot_profit_max);
    check(IDC_CHECK_DAY_LOSS_MAX, s->day_tot_loss_max_use);
    ShowTenThousands(m_editDayLossMax, s->day_tot_loss_max);
    // "오버(홀딩)" means holding over the close, so it shows the inverse of the clearing flag.
    check(IDC_CHECK_MARKET_OFF_HOLD, s->market_off_clear == 0);
    m_cbTradeType.SetCurSel(s->trade_type);
    m_cbKeepPosition.SetCurSel(s->trade_keep_position);
    check(IDC_CHECK_TRENDCLEAR_REBACK, s->trendclear_reback_use);
    ShowNumber(m_editTrendclearReback, s->trendclear_reback);
    check(IDC_CHECK_TRENDCLEAR_SET_PROFIT, s->trendclear_set_profit_use);
    ShowNumber(m_editTrendclearSetProfit, s->trendclear_set_profit);
    ShowNumber(m_editInTickS, s->in_tick_s);
    check(IDC_CHECK_MACD_R, s->macd_use_r);
    ShowNumber(m_editMacdTerm1R, s->macd_term1_r);
    ShowNumber(m_editMacdTerm2R, s->macd_term2_r);
    ShowNumber(m_editMacdTerm3R, s->macd_term3_r);
    check(IDC_CHECK_DMI_R, s->dmi_use_r);
    ShowNumber(m_editDmiTermR, s->dmi_term_r);
    check(IDC_CHECK_MACD_RT, s->macd_use_rt);
    ShowNumber(m_editMacdTerm1Rt, s->macd_term1_rt);
    ShowNumber(m_editMacdTerm2Rt, s->macd_term2_rt);
    ShowNumber(m_editMacdTerm3Rt, s->macd_term3_rt);
    check(IDC_CHECK_DMI_RT, s->dmi_use_rt);
    ShowNumber(m_editDmiTermRt, s->dmi_term_rt);
    check(IDC_CHECK_REVERSE_BONG, s->reverse_bong_use);
    ShowNumber(m_editReverseBongCount, s->reverse_bong_count);
    ShowNumber(m_editReverseBongHeight, s->reverse_bong_height);
    check(IDC_CHECK_REVERSE_MAX_BONG, s->reverse_max_bong_use);
    ShowNumber(m_editReverseMaxBongLimit, s->reverse_max_bong_limit);
    check(IDC_CHECK_REVCLEAR_INCOUNT, s->revclear_incount_use);
    ShowNumber(m_editRevclearIncount, s->revclear_incount);
    check(IDC_CHECK_REVCLEAR_REBACK, s->revclear_reback_use);
    ShowNumber(m_editRevclearReback, s->revclear_reback);
    check(IDC_CHECK_REVCLEAR_SET_PROFIT, s->revclear_set_profit_use);
    ShowNumber(m_editRevclearSetProfit, s->revclear_set_profit);
    check(IDC_CHECK_REVCLEAR_TREND_LINK, s->revclear_trend_link);
    check(IDC_CHECK_ALLCLEAR_PROFIT, s->allclear_allset_profit_use);
    ShowNumber(m_editAllclearProfit, s->allclear_allset_profit);
    check(IDC_CHECK_ALLCLEAR_LOSS, s->allclear_allset_loss_use);
    ShowNumber(m_editAllclearLoss, s->allclear_allset_loss);
    check(IDC_CHECK_COUNT_PAIRING, s->count_pairing_use);
    m_cbCountPairingAdd.SetCurSel(s->count_pairing_add);
    check(IDC_CHECK_ROUND_PAIRING, s->round_pairing_use);
    m_cbRoundPairingAdd.SetCurSel(s->round_pairing_add);

    m_cbStartHour.SetCurSel(TimePart(s->timer1_start, 0));
    m_cbEndHour.SetCurSel(TimePart(s->timer1_end, 0));
    m_cbStartMinute.SetCurSel(TimePart(s->timer1_start, 2));
    m_cbEndMinute.SetCurSel(TimePart(s->timer1_end, 2));
}

void CVossenDlg::ApplySettings() {
    if (AfxMessageBox("변경사항을 적용하시겠습니까?", MB_YESNO) == IDNO) {
        LoadSettingsToControls();
        return;
    }
    CTradeState* s = g_pTradeState;
    if (!s)
        return;

    auto checked = [this](int id) { return IsDlgButtonChecked(id) ? 1 : 0; };
    // The daily target (1121) is only shown here; the common settings edit it.
    s->day_tot_loss_max_use = checked(IDC_CHECK_DAY_LOSS_MAX);
    s->day_tot_loss_max = ReadTenThousands(m_editDayLossMax);
    s->market_off_clear = checked(IDC_CHECK_MARKET_OFF_HOLD) ? 0 : 1;
    s->trade_type = m_cbTradeType.GetCurSel();
    s->trade_keep_position = m_cbKeepPosition.GetCurSel();
    s->trendclear_reback_use = checked(IDC_CHECK_TRENDCLEAR_REBACK);
    s->trendclear_reback = ReadNumber(m_editTrendclearReback);
    s->trendclear_set_profit_use = checked(IDC_CHECK_TRENDCLEAR_SET_PROFIT);
    s->trendclear_set_profit = ReadNumber(m_editTrendclearSetProfit);
    s->in_tick_s = ReadNumber(m_editInTickS);
    s->macd_use_r = checked(IDC_CHECK_MACD_R);
    s->macd_term1_r = ReadNumber(m_editMacdTerm1R);
    s->macd_term2_r = ReadNumber(m_editMacdTerm2R);
    s->macd_term3_r = ReadNumber(m_editMacdTerm3R);
    s->macd_matype_r = 1;
    s->dmi_use_r = checked(IDC_CHECK_DMI_R);
    s->dmi_term_r = ReadNumber(m_editDmiTermR);
    s->macd_use_rt = checked(IDC_CHECK_MACD_RT);
    s->macd_term1_rt = ReadNumber(m_editMacdTerm1Rt);
    s->macd_term2_rt = ReadNumber(m_editMacdTerm2Rt);
    s->macd_term3_rt = ReadNumber(m_editMacdTerm3Rt);
    s->macd_matype_rt = 1;
    s->dmi_use_rt = checked(IDC_CHECK_DMI_RT);
    s->dmi_term_rt = ReadNumber(m_editDmiTermRt);
    s->reverse_bong_use = checked(IDC_CHECK_REVERSE_BONG);
    s->reverse_bong_count = ReadNumber(m_editReverseBongCount);
    s->reverse_bong_height = ReadNumber(m_editReverseBongHeight);
    s->reverse_max_bong_use = checked(IDC_CHECK_REVERSE_MAX_BONG);
    s->reverse_max_bong_limit = ReadNumber(m_editReverseMaxBongLimit);
    s->revclear_incount_use = checked(IDC_CHECK_REVCLEAR_INCOUNT);
    s->revclear_incount = ReadNumber(m_editRevclearIncount);
    s->revclear_reback_use = checked(IDC_CHECK_REVCLEAR_REBACK);
    s->revclear_reback = ReadNumber(m_editRevclearReback);
    s->revclear_set_profit_use = checked(IDC_CHECK_REVCLEAR_SET_PROFIT);
    s->revclear_set_profit = ReadNumber(m_editRevclearSetProfit);
    s->revclear_trend_link = checked(IDC_CHECK_REVCLEAR_TREND_LINK);
    s->allclear_allset_profit_use = checked(IDC_CHECK_ALLCLEAR_PROFIT);
    s->allclear_allset_profit = ReadNumber(m_editAllclearProfit);
    s->allclear_allset_loss_use = checked(IDC_CHECK_ALLCLEAR_LOSS);
    s->allclear_allset_loss = ReadNumber(m_editAllclearLoss);
    s->count_pairing_use = checked(IDC_CHECK_COUNT_PAIRING);
    s->count_pairing_add = m_cbCountPairingAdd.GetCurSel();
    s->round_pairing_use = checked(IDC_CHECK_ROUND_PAIRING);
    s->round_pairing_add = m_cbRoundPairingAdd.GetCurSel();

    s->timer1_start.Format("%02d%02d", m_cbStartHour.GetCurSel(), m_cbStartMinute.GetCurSel());
    s->timer1_end.Format("%02d%02d", m_cbEndHour.GetCurSel(), m_cbEndMinute.GetCurSel());

    s->SaveStrategyValues();
    // The engines are looked up by title now: either may have been restarted since.
    SendByTitle(WM_TRADER_RELOAD_SETTINGS, 0);
}

void CVossenDlg::UpdateProfitFields() {
    const CTradeState* s = g_pTradeState;
    if (!s)
        return;
    m_editTotalPnl.SetWindowText(WonText(s->day_pnl));
    // The fall from the day's peak that the profit reserve allows, in won.
    const double allowance = s->profit_reserve_trigger_type
                                 ? s->profit_reserve_trigger * 10000.0
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
