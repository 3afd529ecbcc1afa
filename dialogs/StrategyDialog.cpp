#include "dialogs/StrategyDialog.h"

#include "dialogs/AppHooks.h"
#include "dialogs/DialogDrawing.h"
#include "dialogs/RootConfirmDlg.h"
#include "dialogs/SettingsForm.h"
#include "dialogs/StoreMessages.h"
#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"

IMPLEMENT_DYNAMIC(CStrategyDialog, CDialogEx)

namespace {

constexpr int kAdminControls[] = {IDC_EDIT_CALL_NUMBER, IDC_EDIT_DAY_TARGET, IDC_CHECK_DAY_TARGET,
                                  IDC_EDIT_TRADE_COUNT, IDC_CHECK_TRADE_COUNT};
// The call number is checked through a 20-byte buffer, so a longer one could never pass.
constexpr UINT kCallNumberLimit = 19;

// The form in the order it is written and read, each edit named by its label and unit. Locked
// controls are read too: their loaded values go back unchanged.
const FormField kForm[] = {
    {IDC_CHECK_PROFIT_RESERVE, Conversion::Check, &CTradeState::profit_reserve_use},
    {IDC_EDIT_RESERVE_BASE, Conversion::TenThousands, &CTradeState::profit_reserve_base, "수익보전 순익",
     "만원"},
    {IDC_EDIT_RESERVE_TRIGGER, Conversion::Number, &CTradeState::profit_reserve_trigger, "손실시 청산"},
    {IDC_COMBO_RESERVE_TRIGGER_TYPE, Conversion::Index, &CTradeState::profit_reserve_trigger_type},
    {IDC_EDIT_RESERVE_REST, Conversion::Number, &CTradeState::profit_reserve_rest, "대기", "초"},
    {IDC_EDIT_FEE_BASE, Conversion::Hundredths, &CTradeState::fee_org, "편도기본"},
    {IDC_EDIT_FEE_AGREED, Conversion::Hundredths, &CTradeState::fee_sale, "협의", "달러"},
    {IDC_EDIT_WON_PER_DOLLAR, Conversion::Number, &CTradeState::won_dallar, "환율", "원"},
    {IDC_CHECK_DAY_TARGET, Conversion::Check, &CTradeState::day_tot_profit_max_use},
    {IDC_EDIT_DAY_TARGET, Conversion::TenThousands, &CTradeState::day_tot_profit_max, "일목표수익", "만원"},
    {IDC_CHECK_TRADE_COUNT, Conversion::Check, &CTradeState::day_trade_due_count_use},
    {IDC_EDIT_TRADE_COUNT, Conversion::Number, &CTradeState::day_trade_due_count, "거래횟수", "회"},
};

} // namespace

CStrategyDialog::CStrategyDialog(CWnd* parent) : CDialogEx(IDD_STRATEGY_DIALOG, parent) {}

CStrategyDialog::~CStrategyDialog() = default;

void CStrategyDialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, IDC_EDIT_WON_PER_DOLLAR, m_editWonDallar);
    DDX_Control(dx, IDC_EDIT_FEE_BASE, m_editFeeOrg);
    DDX_Control(dx, IDC_EDIT_FEE_AGREED, m_editFeeSale);
    DDX_Control(dx, IDC_EDIT_CALL_NUMBER, m_editCallNumber);
    DDX_Control(dx, IDC_EDIT_DAY_TARGET, m_editDayProfitMax);
    DDX_Control(dx, IDC_EDIT_TRADE_COUNT, m_editDayTradeDueCount);
    DDX_Control(dx, IDC_EDIT_RESERVE_BASE, m_editReserveBase);
    DDX_Control(dx, IDC_EDIT_RESERVE_TRIGGER, m_editReserveTrigger);
    DDX_Control(dx, IDC_COMBO_RESERVE_TRIGGER_TYPE, m_comboTriggerType);
    DDX_Control(dx, IDC_EDIT_RESERVE_REST, m_editReserveRest);
}

BEGIN_MESSAGE_MAP(CStrategyDialog, CDialogEx)
ON_BN_CLICKED(IDC_BTN_STRATEGY_APPLY, OnBnClickedApply)
ON_BN_CLICKED(IDC_BTN_STRATEGY_CANCEL, OnBnClickedCancel)
ON_WM_DRAWITEM()
ON_BN_CLICKED(IDC_BTN_ADMIN_MODE, OnBnClickedAdminMode)
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
    ShowForm(*this, kForm, *state);

    char callNumber[30] = {};
    m_bCallNumberRead = CTradeDataBase::LoadSubPassword(callNumber, kCallNumberLimit + 1) != 0;
    state->call_number.Format("%s", callNumber);
    m_editCallNumber.SetWindowText(state->call_number);
}

void CStrategyDialog::ApplySettings() {
    CTradeState* state = g_pTradeState;
    // An entry its value cannot hold is refused, never stored as a smaller one.
    if (!FormEntriesFit(*this, kForm))
        return;
    if (!ConfirmSaveOverUnreadSettings())
        return;
    ReadForm(*this, kForm, *state);

    m_editCallNumber.GetWindowText(state->call_number);
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
    if (controlId == IDC_BTN_STRATEGY_APPLY)
        DrawCommandButton(drawItem, kConfirmButtonColour);
    else if (controlId == IDC_BTN_STRATEGY_CANCEL)
        DrawCommandButton(drawItem, kCancelButtonColour);
    CDialogEx::OnDrawItem(controlId, drawItem);
}
