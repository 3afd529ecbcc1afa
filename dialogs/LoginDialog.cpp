#include "dialogs/LoginDialog.h"

#include <cstring>

#include "dialogs/AppHooks.h"
#include "dialogs/DialogDrawing.h"
#include "dialogs/ItemSetDialog.h"
#include "dialogs/RootConfirmDlg.h"
#include "dialogs/StoreMessages.h"
#include "dialogs/UpdateHandoff.h"
#include "platform/core/Text.h"
#include "resources/LoginDialogs.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/Launch.h"
#include "supervision/TraderMessages.h"

IMPLEMENT_DYNAMIC(CLoginDialog, CDialogEx)

namespace {

// The items offered on a first run.
const struct {
    const char* name;
    const char* code;
} kDefaultItems[] = {
    {"미니 나스닥", "NQZ20"},  {"마이크로 나스닥", "MNQZ20"},
    {"미니 S&P 500", "ESZ20"}, {"마이크로 S&P 500", "MESZ20"},
    {"항생", "HSIU20"},
};

const char kFillAllFields[] = "모든 항목에 값을 입력해 주세요.";
const char kAgreeToNotice[] = "위험고지 및 주의사항을 읽고 동의에 체크해주세요.";
// A text handed to the engines that holds their argument's field separator: %s names it, %c
// is the separator.
const char kNoSeparatorIn[] = "%s에는 '%c' 문자를 쓸 수 없습니다.";
// The texts of both logins in the order of LoginEdits, and the code of the chosen item.
const char* const kLoginTextNames[2][5] = {
    {"로그인 1 아이디", "로그인 1 비밀번호", "로그인 1 공인인증 비밀번호", "계좌번호 1", "계좌비밀번호 1"},
    {"로그인 2 아이디", "로그인 2 비밀번호", "로그인 2 공인인증 비밀번호", "계좌번호 2", "계좌비밀번호 2"},
};
const char kTradeItemCodeName[] = "매매종목의 종목코드";

// What an edit gives: 18 bytes and the NUL (and what it takes when typed into).
constexpr int kLoginEditTake = 19;
static_assert(kLoginEditTake <= kAccountTextSize);

// The texts of one login as an account row holds them, each at most 19 bytes.
struct LoginTexts {
    char id[kAccountTextSize];
    char passwd[kAccountTextSize];
    char cert_passwd[kAccountTextSize];
    char account_number[kAccountTextSize];
    char account_passwd[kAccountTextSize];

    // Text k in the order of the account row (and of LoginEdits).
    char* Text(int k) {
        char* texts[] = {id, passwd, cert_passwd, account_number, account_passwd};
        return texts[k];
    }
};

// Any stored value other than 0 means the mock server.
int NormalisedServerType(int value) {
    return value != 0 ? 1 : 0;
}

} // namespace

CLoginDialog::CLoginDialog(CWnd* parent)
    : CDialogEx(IDD_LOGIN_DIALOG, parent), m_nAdminState(0), m_nServerType(0), m_nServerType2(0) {
    std::memset(m_szIdentCode, 0, sizeof m_szIdentCode);
    std::memset(m_szSubPassword, 0, sizeof m_szSubPassword);
}

CLoginDialog::~CLoginDialog() = default;

void CLoginDialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, IDC_EDIT_ID1, m_editId);
    DDX_Control(dx, IDC_EDIT_PASSWD1, m_editPasswd);
    DDX_Control(dx, IDC_EDIT_CERT_PASSWD1, m_editCertPasswd);
    DDX_Control(dx, IDC_EDIT_ACCOUNT1, m_editAccountNumber);
    DDX_Control(dx, IDC_EDIT_ACCOUNT_PASSWD1, m_editAccountPasswd);
    DDX_Radio(dx, IDC_RADIO_REAL_SERVER1, m_nServerType);
    DDV_MinMaxInt(dx, m_nServerType, 0, 1);
    DDX_Radio(dx, IDC_RADIO_REAL_SERVER2, m_nServerType2);
    DDV_MinMaxInt(dx, m_nServerType2, 0, 1);
    DDX_Control(dx, IDC_STATIC_LOGO1, m_staticLogo1);
    DDX_Control(dx, IDC_CHECK_AGREE, m_checkAgree);
    DDX_Control(dx, IDC_EDIT_ACCOUNT2, m_editAccountNumber2);
    DDX_Control(dx, IDC_EDIT_ACCOUNT_PASSWD2, m_editAccountPasswd2);
    DDX_Control(dx, IDC_EDIT_ID2, m_editId2);
    DDX_Control(dx, IDC_EDIT_PASSWD2, m_editPasswd2);
    DDX_Control(dx, IDC_EDIT_CERT_PASSWD2, m_editCertPasswd2);
    DDX_Control(dx, IDC_STATIC_LOGO2, m_staticLogo2);
    DDX_Control(dx, IDC_COMBO_TRADE_ITEM, m_comboItem);
}

BEGIN_MESSAGE_MAP(CLoginDialog, CDialogEx)
ON_BN_CLICKED(IDOK, OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, OnBnClickedCancel)
ON_CONTROL_RANGE(BN_CLICKED, IDC_RADIO_REAL_SERVER1, IDC_RADIO_MOCK_SERVER1, OnBnClickedServerType1)
ON_CONTROL_RANGE(BN_CLICKED, IDC_RADIO_REAL_SERVER2, IDC_RADIO_MOCK_SERVER2, OnBnClickedServerType2)
ON_BN_CLICKED(IDC_BTN_ITEM_SET, OnBnClickedItemSet)
ON_WM_PAINT()
ON_WM_CTLCOLOR()
ON_WM_DRAWITEM()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

BOOL CLoginDialog::OnInitDialog() {
    CDialogEx::OnInitDialog();

    // A first field other than "norun" names a program to update: hand over and end.
    CStringArray fields;
    const CWinApp* app = AfxGetApp();
    SplitString(fields, app ? app->m_lpCmdLine : "", "|");
    if (fields.GetSize() > 0) {
        const CString launchField = fields.GetAt(0);
        if (auto keep = GetDialogHooks().keepLaunchField)
            keep(launchField);
        if (launchField != "norun") {
            RunUpdateHandoff(launchField);
            PostQuitMessage(0);
            return FALSE;
        }
    }

    CTradeState* state = g_pTradeState;
    state->curr_idx = CTradeDataBase::LoadItems(state->items);
    if (state->curr_idx < 0) {
        for (int k = 0; k < 5; ++k) {
            CopyBounded(state->items[k].name, sizeof state->items[k].name, kDefaultItems[k].name);
            CopyBounded(state->items[k].code, sizeof state->items[k].code, kDefaultItems[k].code);
        }
        // The defaults stand in the trading state even when the store cannot keep them.
        if (CTradeDataBase::SaveItems(state->items) != 0)
            ReportItemsNotStored();
        state->curr_idx = 0;
    }

    LOGFONT bold = {};
    bold.lfHeight = 15;
    bold.lfWeight = FW_BOLD;
    std::strcpy(bold.lfFaceName, "Tahoma");
    m_fontBold.CreateFontIndirect(&bold);
    GetDlgItem(IDC_STATIC_NOTICE_TITLE)->SetFont(&m_fontBold, TRUE);
    GetDlgItem(IDC_STATIC_CAUTION)->SetFont(&m_fontBold, TRUE);

    // What is typed is what OK takes.
    for (int login = 0; login < 2; ++login)
        for (int k = 0; k < 5; ++k)
            LoginEdit(login, k)->SetLimitText(kLoginEditTake - 1);

    PreloadAccount();
    return TRUE;
}

void CLoginDialog::PreloadAccount() {
    CTradeState* state = g_pTradeState;
    int serverType = 1, serverType2 = 1;
    CTradeDataBase::LoadServerTypes(&serverType, &serverType2);

    LoginTexts first = {}, second = {};
    char tradeItem[kAccountTextSize] = {};
    m_bAccountUnread = !CTradeDataBase::LoadAccount(
        &serverType, first.id, first.passwd, first.cert_passwd, first.account_number, first.account_passwd,
        &serverType2, second.id, second.passwd, second.cert_passwd, second.account_number,
        second.account_passwd, tradeItem, m_szIdentCode, m_szSubPassword);
    LoginTexts* logins[] = {&first, &second};
    for (int login = 0; login < 2; ++login)
        for (int k = 0; k < 5; ++k)
            LoginEdit(login, k)->SetWindowText(logins[login]->Text(k));
    m_nServerType = NormalisedServerType(serverType);
    m_nServerType2 = NormalisedServerType(serverType2);

    if (m_comboItem.GetCount() == 0) {
        for (const TradeItem& item : state->items) {
            CString name = SlotText(item.name, sizeof item.name);
            if (name.IsEmpty())
                break;
            m_comboItem.AddString(name);
        }
        m_comboItem.SetCurSel(state->curr_idx);
    }

    // The trading state holds the preloaded account even before OK.
    StoreLoginValues(m_nServerType, first.id, first.passwd, first.cert_passwd, first.account_number,
                     first.account_passwd, m_nServerType2, second.id, second.passwd, second.cert_passwd,
                     second.account_number, second.account_passwd, tradeItem, m_szIdentCode, m_szSubPassword);
    UpdateData(FALSE);
}

void CLoginDialog::RereadHiddenTexts() {
    int serverType = 1, serverType2 = 1;
    LoginTexts first = {}, second = {};
    char tradeItem[kAccountTextSize] = {};
    char identCode[kAccountLongTextSize] = {};
    char subPassword[kAccountLongTextSize] = {};
    if (!CTradeDataBase::LoadAccount(&serverType, first.id, first.passwd, first.cert_passwd,
                                     first.account_number, first.account_passwd, &serverType2, second.id,
                                     second.passwd, second.cert_passwd, second.account_number,
                                     second.account_passwd, tradeItem, identCode, subPassword))
        return;
    CopyBounded(m_szIdentCode, sizeof m_szIdentCode, identCode);
    CopyBounded(m_szSubPassword, sizeof m_szSubPassword, subPassword);
    m_bAccountUnread = false;
}

void CLoginDialog::OnBnClickedOk() {
    if (!UpdateData(TRUE))
        return;

    // At most 18 bytes of each edit are taken; blanks count as filled.
    LoginTexts first = {}, second = {};
    LoginTexts* logins[] = {&first, &second};
    for (int login = 0; login < 2; ++login)
        for (int k = 0; k < 5; ++k)
            LoginEdit(login, k)->GetWindowText(logins[login]->Text(k), kLoginEditTake);

    // A mock login needs no certificate and always uses the mock account password.
    auto complete = [](LoginTexts& login, int serverType) {
        if (serverType != 0) {
            CopyBounded(login.account_passwd, sizeof login.account_passwd, kMockAccountPassword);
            return login.id[0] && login.passwd[0] && login.account_number[0];
        }
        return login.id[0] && login.passwd[0] && login.cert_passwd[0] && login.account_number[0] &&
               login.account_passwd[0];
    };
    const bool firstComplete = complete(first, m_nServerType);
    const bool secondComplete = complete(second, m_nServerType2);
    // Without a chosen item there is no code to trade.
    const int index = m_comboItem.GetCurSel();
    if (!firstComplete || !secondComplete || index < 0 || index >= kTradeItemCount) {
        MessageBox(kFillAllFields, "", MB_OK);
        return;
    }
    CTradeState* state = g_pTradeState;
    char tradeItem[kAccountTextSize] = {};
    CopyBounded(tradeItem, sizeof tradeItem,
                SlotText(state->items[index].code, sizeof state->items[index].code));
    // Every text as the engines would get it: one holding the separator would shift the
    // fields after it, so it is refused before anything is kept.
    auto firstRefused = [&]() -> const char* {
        for (int login = 0; login < 2; ++login)
            for (int k = 0; k < 5; ++k)
                if (std::strchr(logins[login]->Text(k), kLaunchFieldSeparator))
                    return kLoginTextNames[login][k];
        return std::strchr(tradeItem, kLaunchFieldSeparator) ? kTradeItemCodeName : nullptr;
    };
    if (const char* refused = firstRefused()) {
        CString text;
        text.Format(kNoSeparatorIn, refused, kLaunchFieldSeparator);
        MessageBox(text, "", MB_OK);
        return;
    }
    if (!m_checkAgree.GetCheck()) {
        MessageBox(kAgreeToNotice, "", MB_OK);
        return;
    }

    // The login goes on with the item chosen; only the next start's choice is lost.
    if (!CTradeDataBase::SaveCurrentItemIndex(index))
        ReportItemChoiceNotStored();
    if (m_bAccountUnread)
        RereadHiddenTexts();
    StoreLoginValues(m_nServerType, first.id, first.passwd, first.cert_passwd, first.account_number,
                     first.account_passwd, m_nServerType2, second.id, second.passwd, second.cert_passwd,
                     second.account_number, second.account_passwd, tradeItem, m_szIdentCode, m_szSubPassword);
    EndDialog(1);
}

CEdit* CLoginDialog::LoginEdit(int login, int k) {
    CEdit* edits[2][5] = {
        {&m_editId, &m_editPasswd, &m_editCertPasswd, &m_editAccountNumber, &m_editAccountPasswd},
        {&m_editId2, &m_editPasswd2, &m_editCertPasswd2, &m_editAccountNumber2, &m_editAccountPasswd2},
    };
    return edits[login][k];
}

void CLoginDialog::OnBnClickedCancel() {
    EndDialog(0);
}

void CLoginDialog::OnBnClickedServerType1(UINT) {
    UpdateData(TRUE);
    g_pTradeState->server_type = m_nServerType;
}

void CLoginDialog::OnBnClickedServerType2(UINT) {
    UpdateData(TRUE);
    g_pTradeState->server_type2 = m_nServerType2;
}

void CLoginDialog::OnBnClickedItemSet() {
    if (m_nAdminState == 0) {
        // The confirmation only unlocks; the items open on the next click.
        CRootConfirmDlg confirm;
        const INT_PTR level = confirm.DoModal();
        // A loop ended by the quit message (-1) grants nothing.
        m_nAdminState = level == CRootConfirmDlg::kCallNumber || level == CRootConfirmDlg::kAdministrator
                            ? static_cast<int>(level)
                            : 0;
    } else {
        ItemSetDialog items;
        items.DoModal();
    }
}

void CLoginDialog::OnPaint() {
    CPaintDC dc(this);
    CBitmap logo;
    if (!logo.LoadBitmap(IDB_LOGIN_LOGO))
        return;
    BITMAP size = {};
    logo.GetBitmap(&size);
    for (CStatic* frame : {&m_staticLogo1, &m_staticLogo2}) {
        CRect rect;
        frame->GetClientRect(&rect);
        CDC* frameDC = frame->GetDC();
        CDC memory;
        memory.CreateCompatibleDC(frameDC);
        CBitmap* previous = memory.SelectObject(&logo);
        frameDC->StretchBlt(0, 0, rect.Width(), rect.Height(), &memory, 0, 0, size.bmWidth, size.bmHeight,
                            SRCCOPY);
        memory.SelectObject(previous);
        memory.DeleteDC();
        frame->ReleaseDC(frameDC);
    }
    logo.DeleteObject();
}

HBRUSH CLoginDialog::OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
    HBRUSH brush = CDialogEx::OnCtlColor(dc, control, kind);
    if (kind == CTLCOLOR_STATIC) {
        const int id = control->GetDlgCtrlID();
        if (id == IDC_STATIC_NOTICE_FRAME)
            dc->SetBkColor(RGB(255, 255, 255));
        if (id == IDC_STATIC_CAUTION || id == IDC_STATIC_CAUTION_LINE1 || id == IDC_STATIC_CAUTION_LINE2)
            dc->SetTextColor(RGB(255, 0, 0));
    }
    return brush;
}

void CLoginDialog::OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem) {
    if (controlId == IDOK)
        DrawCommandButton(drawItem, kConfirmButtonColour);
    else if (controlId == IDCANCEL)
        DrawCommandButton(drawItem, kCancelButtonColour);
    CDialogEx::OnDrawItem(controlId, drawItem);
}
