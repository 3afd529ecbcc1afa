#include "dialogs/RootConfirmDlg.h"

#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

IMPLEMENT_DYNAMIC(CRootConfirmDlg, CDialogEx)

CRootConfirmDlg::CRootConfirmDlg(CWnd* parent) : CDialogEx(IDD_ROOT_CONFIRM, parent) {}

CRootConfirmDlg::~CRootConfirmDlg() = default;

void CRootConfirmDlg::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, IDC_EDIT_ROOT_PASSWORD, m_editPassword);
}

// IDCANCEL has its own handler: ending through the dialog manager's IDCANCEL (2) would read
// as the administrator level.
BEGIN_MESSAGE_MAP(CRootConfirmDlg, CDialogEx)
ON_BN_CLICKED(IDOK, OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, OnBnClickedCancel)
END_MESSAGE_MAP()

BOOL CRootConfirmDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    m_editPassword.SendMessage(EM_LIMITTEXT, 20, 0);
    return TRUE;
}

BOOL CRootConfirmDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F8)
        CheckPassword();
    return CDialogEx::PreTranslateMessage(msg);
}

void CRootConfirmDlg::OnBnClickedOk() {
    CheckPassword();
}

void CRootConfirmDlg::OnBnClickedCancel() {
    EndDialog(kRefused);
}

void CRootConfirmDlg::CheckPassword() {
    char stored[20] = {};
    CTradeDataBase::LoadSubPassword(stored, sizeof stored);
    g_pTradeState->call_number.Format("%s", stored);

    CString typed;
    m_editPassword.GetWindowText(typed);
    if (typed == kAdminAccessCode)
        EndDialog(kAdministrator);
    else if (!g_pTradeState->call_number.IsEmpty() && typed == g_pTradeState->call_number)
        EndDialog(kCallNumber);
    else
        EndDialog(kRefused);
}
