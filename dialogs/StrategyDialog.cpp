#include "dialogs/StrategyDialog.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "dialogs/AppHooks.h"
#include "dialogs/DialogDrawing.h"
#include "dialogs/RootConfirmDlg.h"
#include "dialogs/StoreMessages.h"
#include "platform/core/Numbers.h"
#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"

IMPLEMENT_DYNAMIC(CStrategyDialog, CDialogEx)

namespace {

constexpr int kAdminControls[] = {1103, 1101, 1248, 1102, 1249};
// The call number is checked through a 20-byte buffer, so a longer one could never pass.
constexpr UINT kCallNumberLimit = 19;

CString EditText(const CEdit& edit) {
    CString text;
    edit.GetWindowText(text);
    return text;
}

int ReadInt(const CEdit& edit) {
    return ReadInt32(EditText(edit).GetString());
}

// Won from an entry in 만원, held where its won value fits an int32.
int ReadTenThousands(const CEdit& edit) {
    return TenThousandsToWon(ReadInt(edit));
}

// Hundredths from an entry with decimals, truncated towards zero.
int ReadHundredths(const CEdit& edit) {
    const double value = std::atof(EditText(edit)) * 100.0;
    if (std::isnan(value))
        return 0;
    return static_cast<int>(
        std::clamp(std::trunc(value), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

void SetInt(CEdit& edit, int value) {
    CString text;
    text.Format("%d", value);
    edit.SetWindowText(text);
}

} // namespace

CStrategyDialog::CStrategyDialog(CWnd* parent) : CDialogEx(IDD_STRATEGY_DIALOG, parent) {}

CStrategyDialog::~CStrategyDialog() = default;

void CStrategyDialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, 1100, m_editWonDallar);
    DDX_Control(dx, 1128, m_editFeeOrg);
    DDX_Control(dx, 1130, m_editFeeSale);
    DDX_Control(dx, 1103, m_editCallNumber);
    DDX_Control(dx, 1101, m_editDayProfitMax);
    DDX_Control(dx, 1102, m_editDayTradeDueCount);
    DDX_Control(dx, 1105, m_editReserveBase);
    DDX_Control(dx, 1104, m_editReserveTrigger);
    DDX_Control(dx, 1073, m_comboTriggerType);
    DDX_Control(dx, 1106, m_editReserveRest);
}

BEGIN_MESSAGE_MAP(CStrategyDialog, CDialogEx)
ON_BN_CLICKED(1246, OnBnClickedApply)
ON_BN_CLICKED(1247, OnBnClickedCancel)
ON_WM_DRAWITEM()
ON_BN_CLICKED(1250, OnBnClickedAdminMode)
END_MESSAGE_MAP()

BOOL CStrategyDialog::OnInitDialog() {
    CDialogEx::OnInitDialog();
    m_comboTriggerType.AddString("%");
    m_comboTriggerType.AddString("만원");
    m_editCallNumber.SetLimitText(kCallNumberLimit);
    LoadSettingsToControls();
    EnableAdminControls(FALSE);
    return TRUE;
}

void CStrategyDialog::EnableAdminControls(BOOL enable) {
    for (int id : kAdminControls)
        GetDlgItem(id)->EnableWindow(enable);
}

void CStrategyDialog::LoadSettingsToControls() {
    CTradeState* state = g_pTradeState;
    CheckDlgButton(1251, state->profit_reserve_use != 0);
    SetInt(m_editReserveBase, WonToTenThousands(state->profit_reserve_base));
    SetInt(m_editReserveTrigger, state->profit_reserve_trigger);
    m_comboTriggerType.SetCurSel(state->profit_reserve_trigger_type);
    SetInt(m_editReserveRest, state->profit_reserve_rest);
    CString fee;
    fee.Format("%.2f", state->fee_org * 0.01);
    m_editFeeOrg.SetWindowText(fee);
    fee.Format("%.2f", state->fee_sale * 0.01);
    m_editFeeSale.SetWindowText(fee);
    SetInt(m_editWonDallar, state->won_dallar);
    CheckDlgButton(1248, state->day_tot_profit_max_use != 0);
    SetInt(m_editDayProfitMax, WonToTenThousands(state->day_tot_profit_max));
    CheckDlgButton(1249, state->day_trade_due_count_use != 0);
    SetInt(m_editDayTradeDueCount, state->day_trade_due_count);

    char callNumber[30] = {};
    m_bCallNumberRead = CTradeDataBase::LoadSubPassword(callNumber, kCallNumberLimit + 1) != 0;
    state->call_number.Format("%s", callNumber);
    m_editCallNumber.SetWindowText(state->call_number);
}

void CStrategyDialog::ApplySettings() {
    CTradeState* state = g_pTradeState;
    if (!ConfirmSaveOverUnreadSettings())
        return;
    // Locked controls are read too: their loaded values go back unchanged.
    state->profit_reserve_use = IsDlgButtonChecked(1251) ? 1 : 0;
    state->profit_reserve_base = ReadTenThousands(m_editReserveBase);
    state->profit_reserve_trigger = ReadInt(m_editReserveTrigger);
    state->profit_reserve_trigger_type = m_comboTriggerType.GetCurSel();
    state->profit_reserve_rest = ReadInt(m_editReserveRest);
    state->fee_org = ReadHundredths(m_editFeeOrg);
    state->fee_sale = ReadHundredths(m_editFeeSale);
    state->won_dallar = ReadInt(m_editWonDallar);
    state->day_tot_profit_max_use = IsDlgButtonChecked(1248) ? 1 : 0;
    state->day_tot_profit_max = ReadTenThousands(m_editDayProfitMax);
    state->day_trade_due_count_use = IsDlgButtonChecked(1249) ? 1 : 0;
    state->day_trade_due_count = ReadInt(m_editDayTradeDueCount);

    state->call_number = EditText(m_editCallNumber);
    // A call number that could not be read shows empty; left empty, it is not written over
    // the stored one.
    if (m_bCallNumberRead || !state->call_number.IsEmpty()) {
        if (CTradeDataBase::SaveSubPassword(state->call_number))
            m_bCallNumberRead = true;
        else
            ReportCallNumberNotStored();
    }
    const bool saved = state->SaveStrategyValues() != 0;

    if (auto show = GetDialogHooks().showSavedSettings)
        show();
    // Engines told to reload after a failed save would read the old values as the new ones.
    if (!saved) {
        ReportSettingsNotStored();
        return;
    }
    for (const char* title : {kTraderTitleMs, kTraderTitleMd})
        if (HWND engine = FindWindowA(nullptr, title))
            PostMessageA(engine, WM_TRADER_RELOAD_SETTINGS, 0, 0);
}

void CStrategyDialog::EnterAdminMode() {
    CRootConfirmDlg confirm;
    if (confirm.DoModal() < CRootConfirmDlg::kCallNumber)
        AfxMessageBox("관리자 비밀번호가 일치하지 않습니다.", MB_OK);
    else
        EnableAdminControls(TRUE);
}

void CStrategyDialog::OnBnClickedApply() {
    ApplySettings();
}

void CStrategyDialog::OnBnClickedAdminMode() {
    EnterAdminMode();
}

void CStrategyDialog::OnBnClickedCancel() {
    LoadSettingsToControls();
    EnableAdminControls(FALSE);
}

void CStrategyDialog::OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem) {
    if (controlId == 1246)
        DrawCommandButton(drawItem, kConfirmButtonColour);
    else if (controlId == 1247)
        DrawCommandButton(drawItem, kCancelButtonColour);
    CDialogEx::OnDrawItem(controlId, drawItem);
}
