// The settings form of the main window and its read-only day figures.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "console/NumberText.h"
#include "console/VossenDlg.h"
#include "dialogs/SettingsForm.h"
#include "dialogs/StoreMessages.h"
#include "platform/core/Numbers.h"
#include "store/TradeState.h"
#include "supervision/RiskRules.h"
#include "supervision/TraderMessages.h"

namespace {

// The form in the order it is written and read; each edit named by its label (and its group
// where two edits share a label) and unit.
const FormField kForm[] = {
    {IDC_EDIT_DAY_PROFIT_MAX, Conversion::ShownOnly, &CTradeState::day_tot_profit_max},
    {IDC_CHECK_DAY_LOSS_MAX, Conversion::Check, &CTradeState::day_tot_loss_max_use},
    {IDC_EDIT_DAY_LOSS_MAX, Conversion::TenThousands, &CTradeState::day_tot_loss_max, "일손절범위", "만원"},
    // "오버(홀딩)" holds positions over the close, the inverse of clearing them.
    {IDC_CHECK_MARKET_OFF_HOLD, Conversion::InverseCheck, &CTradeState::market_off_clear},
    {IDC_COMBO_TRADE_TYPE, Conversion::Index, &CTradeState::trade_type},
    {IDC_COMBO_KEEP_POSITION, Conversion::Index, &CTradeState::trade_keep_position},
    {IDC_CHECK_TRENDCLEAR_REBACK, Conversion::Check, &CTradeState::trendclear_reback_use},
    {IDC_EDIT_TRENDCLEAR_REBACK, Conversion::Number, &CTradeState::trendclear_reback, "추세청산 되돌림", "%"},
    {IDC_CHECK_TRENDCLEAR_SET_PROFIT, Conversion::Check, &CTradeState::trendclear_set_profit_use},
    {IDC_EDIT_TRENDCLEAR_SET_PROFIT, Conversion::Number, &CTradeState::trendclear_set_profit, "세트총순익",
     "달러"},
    {IDC_EDIT_IN_TICK_S, Conversion::Number, &CTradeState::in_tick_s, "역진입구간", "분"},
    {IDC_CHECK_MACD_R, Conversion::Check, &CTradeState::macd_use_r},
    {IDC_EDIT_MACD_TERM1_R, Conversion::Number, &CTradeState::macd_term1_r, "역진입 D 마크"},
    {IDC_EDIT_MACD_TERM2_R, Conversion::Number, &CTradeState::macd_term2_r, "역진입 D 마크"},
    {IDC_EDIT_MACD_TERM3_R, Conversion::Number, &CTradeState::macd_term3_r, "역진입 D 마크"},
    {IDC_CHECK_DMI_R, Conversion::Check, &CTradeState::dmi_use_r},
    {IDC_EDIT_DMI_TERM_R, Conversion::Number, &CTradeState::dmi_term_r, "역진입 매매강도"},
    {IDC_CHECK_MACD_RT, Conversion::Check, &CTradeState::macd_use_rt},
    {IDC_EDIT_MACD_TERM1_RT, Conversion::Number, &CTradeState::macd_term1_rt, "추세진입 D 마크"},
    {IDC_EDIT_MACD_TERM2_RT, Conversion::Number, &CTradeState::macd_term2_rt, "추세진입 D 마크"},
    {IDC_EDIT_MACD_TERM3_RT, Conversion::Number, &CTradeState::macd_term3_rt, "추세진입 D 마크"},
    {IDC_CHECK_DMI_RT, Conversion::Check, &CTradeState::dmi_use_rt},
    {IDC_EDIT_DMI_TERM_RT, Conversion::Number, &CTradeState::dmi_term_rt, "추세진입 매매강도"},
    {IDC_CHECK_REVERSE_BONG, Conversion::Check, &CTradeState::reverse_bong_use},
    {IDC_EDIT_REVERSE_BONG_COUNT, Conversion::Number, &CTradeState::reverse_bong_count, "생성캔들", "개"},
    {IDC_EDIT_REVERSE_BONG_HEIGHT, Conversion::Number, &CTradeState::reverse_bong_height, "생성캔들", "틱"},
    {IDC_CHECK_REVERSE_MAX_BONG, Conversion::Check, &CTradeState::reverse_max_bong_use},
    {IDC_EDIT_REVERSE_MAX_BONG_LIMIT, Conversion::Number, &CTradeState::reverse_max_bong_limit, "최대캔들",
     "틱"},
    {IDC_CHECK_REVCLEAR_INCOUNT, Conversion::Check, &CTradeState::revclear_incount_use},
    {IDC_EDIT_REVCLEAR_INCOUNT, Conversion::Number, &CTradeState::revclear_incount, "진입회차", "회"},
    {IDC_CHECK_REVCLEAR_REBACK, Conversion::Check, &CTradeState::revclear_reback_use},
    {IDC_EDIT_REVCLEAR_REBACK, Conversion::Number, &CTradeState::revclear_reback, "역진입 청산 되돌림", "%"},
    {IDC_CHECK_REVCLEAR_SET_PROFIT, Conversion::Check, &CTradeState::revclear_set_profit_use},
    {IDC_EDIT_REVCLEAR_SET_PROFIT, Conversion::Number, &CTradeState::revclear_set_profit, "역세트총순익",
     "달러"},
    {IDC_CHECK_REVCLEAR_TREND_LINK, Conversion::Check, &CTradeState::revclear_trend_link},
    {IDC_CHECK_ALLCLEAR_PROFIT, Conversion::Check, &CTradeState::allclear_allset_profit_use},
    {IDC_EDIT_ALLCLEAR_PROFIT, Conversion::Number, &CTradeState::allclear_allset_profit, "양세트합순익",
     "달러"},
    {IDC_CHECK_ALLCLEAR_LOSS, Conversion::Check, &CTradeState::allclear_allset_loss_use},
    {IDC_EDIT_ALLCLEAR_LOSS, Conversion::Number, &CTradeState::allclear_allset_loss, "양합손실", "달러"},
    {IDC_CHECK_COUNT_PAIRING, Conversion::Check, &CTradeState::count_pairing_use},
    {IDC_COMBO_COUNT_PAIRING_ADD, Conversion::Index, &CTradeState::count_pairing_add},
    {IDC_CHECK_ROUND_PAIRING, Conversion::Check, &CTradeState::round_pairing_use},
    {IDC_COMBO_ROUND_PAIRING_ADD, Conversion::Index, &CTradeState::round_pairing_add},
};

// Figures are finite, but what is worked out from the largest of them may not be: such a
// result is shown held at the end of the double range.
double Shown(double value) {
    if (std::isnan(value))
        return 0;
    return std::clamp(value, -DBL_MAX, DBL_MAX);
}

// Whole won: "1,234,567원".
CString WonText(double value) {
    CString number = DecimalText(Shown(value), 0);
    InsertThousandsSeparators(number);
    CString text;
    text.Format("%s원", number.GetString());
    return text;
}

// Two decimals without a unit: "-12,345.68".
CString TwoDecimalText(double value) {
    CString text = DecimalText(Shown(value), 2);
    InsertThousandsSeparators(text);
    return text;
}

// The day's P&L as a share of the daily target; a target of 0 has no share and shows 0.0%.
CString TargetRateText(const CTradeState& s) {
    CString text;
    if (s.day_tot_profit_max == 0)
        text = "0.0%";
    else
        text.Format("%.1f%%", Shown(s.day_pnl / s.day_tot_profit_max * 100.0));
    InsertThousandsSeparators(text);
    return text;
}

// The hour or minute of a "%02d%02d" time text: characters 1-2 or 3-4.
int TimePart(const CString& time, int first) {
    return ReadInt32(time.Mid(first, 2).GetString());
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

    ShowForm(*this, kForm, *s);

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
    // An entry its value cannot hold is refused, never stored as a smaller one.
    if (!FormEntriesFit(*this, kForm))
        return;
    CTradeState* s = g_pTradeState;
    if (!s || !ConfirmSaveOverUnreadSettings())
        return;

    ReadForm(*this, kForm, *s);
    // The moving-average types have no control; an Apply always sets them.
    s->macd_matype_r = 1;
    s->macd_matype_rt = 1;

    s->timer1_start.Format("%02d%02d", m_cbStartHour.GetCurSel(), m_cbStartMinute.GetCurSel());
    s->timer1_end.Format("%02d%02d", m_cbEndHour.GetCurSel(), m_cbEndMinute.GetCurSel());

    // Engines told to reload after a failed save would read the old values as the new ones.
    if (!s->SaveStrategyValues()) {
        ReportSettingsNotStored();
        return;
    }
    // The engines are looked up by title now: either may have been restarted since.
    SendByTitle(WM_TRADER_RELOAD_SETTINGS, 0);
}

void CVossenDlg::UpdateProfitFields() {
    const CTradeState* s = g_pTradeState;
    if (!s)
        return;
    m_editTotalPnl.SetWindowText(WonText(s->day_pnl));
    m_editReserveLevel.SetWindowText(WonText(s->day_peak_pnl - ProfitReserveAllowance(*s)));
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
