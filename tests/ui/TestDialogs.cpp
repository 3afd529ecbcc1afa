#include "TestDialogs.h"

namespace {
constexpr DWORD kEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

const DialogTemplate kControls = {
    IDD_CONTROLS,
    "컨트롤 시험",
    220,
    160,
    "MS Shell Dlg",
    9,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    0,
    IDR_TESTMENU,
    {
        {WC_STATIC, "숫자", -1, 7, 7, 40, 8, SS_LEFT},
        {WC_EDIT, "", 1010, 50, 5, 60, 12, kEdit | ES_NUMBER},
        {WC_EDIT, "", 1011, 50, 20, 60, 12, kEdit},
        {WC_EDIT, "", 1012, 50, 35, 60, 12, kEdit | ES_PASSWORD},
        {WC_EDIT, "", 1013, 50, 50, 60, 12, kEdit},
        {WC_BUTTON, "체크", 1030, 7, 65, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
        {WC_BUTTON, "실서버", 1040, 7, 80, 40, 10, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
        {WC_BUTTON, "모의서버", 1041, 50, 80, 45, 10, BS_AUTORADIOBUTTON},
        {WC_COMBOBOX, "", 1050, 7, 95, 80, 60, CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP},
        {WC_BUTTON, "그리기", 1001, 7, 115, 50, 14, BS_OWNERDRAW | WS_TABSTOP},
        {WC_BUTTON, "예외", 1003, 60, 115, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "카운트", 1004, 105, 115, 45, 14, BS_PUSHBUTTON | WS_TABSTOP},
        {WC_STATIC, "색깔", 1020, 120, 7, 60, 8, SS_LEFT},
        {WC_BUTTON, "확인", IDOK, 120, 140, 45, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "취소", IDCANCEL, 170, 140, 45, 14, BS_PUSHBUTTON | WS_TABSTOP},
    },
};

const DialogTemplate kLists = {
    IDD_LISTS,
    "목록 시험",
    220,
    200,
    "MS Shell Dlg",
    9,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    0,
    0,
    {
        {WC_LISTVIEW, "", 1060, 5, 5, 210, 90,
         LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP},
        {WC_LISTVIEW, "", 1061, 5, 100, 210, 95, LVS_REPORT | LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP},
    },
};

const DialogTemplate kDefButton = {
    IDD_DEFBUTTON,
    "기본 단추",
    150,
    60,
    "MS Shell Dlg",
    8,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    0,
    0,
    {
        {WC_EDIT, "", 1010, 7, 7, 80, 12, kEdit},
        {WC_BUTTON, "저장", 1005, 7, 30, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "취소", IDCANCEL, 70, 30, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
    },
};

const DialogTemplate kImages = {
    IDD_IMAGES,
    "그림",
    120,
    80,
    "MS Shell Dlg",
    9,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    0,
    0,
    {
        {WC_STATIC, "", -1, 5, 5, 20, 20, SS_ICON, 0, IDB_TESTIMAGE},
        {WC_STATIC, "", -1, 40, 5, 20, 20, SS_BITMAP, 0, IDB_TESTIMAGE},
        {WC_STATIC, "", 1070, 5, 40, 50, 30, SS_BLACKFRAME},
        {WC_STATIC, "", 1071, 60, 40, 50, 30, SS_WHITEFRAME},
    },
};

const DialogTemplate kCancelZero = {
    IDD_CANCEL_ZERO,
    "관리자 인증",
    151,
    50,
    "MS Shell Dlg",
    8,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    0,
    0,
    {
        {WC_BUTTON, "확인", IDOK, 25, 29, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "취소", IDCANCEL, 79, 29, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
        {WC_EDIT, "", 1100, 54, 10, 88, 12, kEdit | ES_PASSWORD},
    },
};

// An edit, an owner-drawn button, push buttons with a default one, a check box.
const DialogTemplate kButtons = {
    IDD_BUTTONS,
    "단추 시험",
    200,
    60,
    "MS Shell Dlg",
    8,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
    0,
    0,
    {
        {WC_EDIT, "", 1010, 7, 7, 80, 12, kEdit},
        {WC_BUTTON, "그리기", 1001, 7, 30, 40, 14, BS_OWNERDRAW | WS_TABSTOP},
        {WC_BUTTON, "카운트", 1004, 50, 30, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "확인", IDOK, 95, 30, 45, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "취소", IDCANCEL, 145, 30, 45, 14, BS_PUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "체크", 1030, 100, 7, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
    },
};

const MenuTemplate kMenu = {IDR_TESTMENU,
                            {
                                {"파일(&F)", 0, {{"끝(&X)", ID_MENU_END, {}}}},
                                {"설정(&S)", 0, {{"공통사항(&C)", ID_MENU_END + 1, {}}}},
                                {"정보(&I)", 0, {{"버전(&A)", ID_MENU_END + 2, {}}}},
                            }};

// Left half red, right half blue.
const ImageTemplate kImage = {IDB_TESTIMAGE, 16, 16,
                              [](int x, int) -> DWORD { return x < 8 ? 0xFF0000 : 0x0000FF; }};

struct Registration {
    Registration() {
        RegisterDialogTemplate(&kControls);
        RegisterDialogTemplate(&kLists);
        RegisterDialogTemplate(&kDefButton);
        RegisterDialogTemplate(&kImages);
        RegisterDialogTemplate(&kCancelZero);
        RegisterDialogTemplate(&kButtons);
        RegisterMenuTemplate(&kMenu);
        RegisterImage(&kImage);
    }
} g_registration;
} // namespace

BEGIN_MESSAGE_MAP(CControlsDlg, CDialogEx)
ON_WM_PAINT()
ON_WM_DRAWITEM()
ON_WM_CTLCOLOR()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_BN_CLICKED(1003, OnThrow)
ON_BN_CLICKED(1004, OnCount)
ON_CBN_SELCHANGE(1050, OnSelChange)
ON_COMMAND(ID_MENU_END, OnMenuEnd)
END_MESSAGE_MAP()

void CControlsDlg::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, 1010, m_digits);
    DDX_Control(dx, 1011, m_swallow);
    DDX_Control(dx, 1012, m_password);
    DDX_Control(dx, 1013, m_plain);
    DDX_Control(dx, 1050, m_combo);
    DDX_Control(dx, 1030, m_check);
    DDX_Radio(dx, 1040, m_radio);
    DDV_MinMaxInt(dx, m_radio, 0, 1);
}

BOOL CControlsDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    if (m_quitInInit) {
        PostQuitMessage(0);
        return FALSE;
    }
    m_combo.AddString("당일");
    m_combo.AddString("전체");
    m_combo.AddString("일별통계");
    return m_initFocusResult;
}

BOOL CControlsDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->hwnd == m_swallow.m_hWnd)
        return TRUE;
    if (msg->message == WM_KEYDOWN && msg->wParam >= VK_F1 && msg->wParam <= VK_F12)
        m_functionKeys.push_back(static_cast<UINT>(msg->wParam));
    return CDialogEx::PreTranslateMessage(msg);
}

void CControlsDlg::OnPaint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(client.right - 10, client.bottom - 10, 10, 10, kPaintMark);
}

void CControlsDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
    if (id == 1001) {
        ++m_drawItems;
        m_lastDrawState = dis->itemState;
        if (m_throwInDraw) {
            m_throwInDraw = false;
            throw new CFileException(CFileException::diskFull, 112, "C:\\그림");
        }
        CDC dc;
        dc.Attach(dis->hDC);
        CRect rc(dis->rcItem);
        dc.Draw3dRect(&rc, RGB(255, 255, 255), RGB(0, 0, 0));
        if (dis->itemState & ODS_SELECTED) {
            ++m_pressedDraws;
            dc.DrawEdge(&rc, EDGE_SUNKEN, BF_RECT);
        } else {
            dc.FillSolidRect(&rc, kOwnerFill);
            dc.SetTextColor(RGB(255, 255, 255));
            CString text;
            GetDlgItem(1001)->GetWindowText(text);
            dc.DrawText(text, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            dc.DrawEdge(&rc, EDGE_RAISED, BF_RECT);
        }
        dc.Detach();
    }
    CDialogEx::OnDrawItem(id, dis);
}

HBRUSH CControlsDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
    HBRUSH brush = CDialogEx::OnCtlColor(dc, wnd, kind);
    int id = wnd ? wnd->GetDlgCtrlID() : 0;
    m_colourRequests.emplace_back(id, kind);
    if (id == 1020) {
        dc->SetTextColor(kStaticText);
        dc->SetBkColor(kStaticBk);
    }
    if (id == 1013) {
        dc->SetTextColor(kEditText);
        return m_editBrush;
    }
    return brush;
}

void CControlsDlg::OnThrow() {
    throw new CFileException(CFileException::accessDenied, 5, "C:\\시험\\내역.csv");
}

void CControlsDlg::OnCount() {
    ++m_count;
}

void CControlsDlg::OnSelChange() {
    ++m_selChanges;
}

void CControlsDlg::OnMenuEnd() {
    EndDialog(77);
}

void CControlsDlg::OnDestroy() {
    m_destroyed = true;
    CDialogEx::OnDestroy();
}

void CControlsDlg::OnTimer(UINT_PTR id) {
    ++m_ticks;
    CDialogEx::OnTimer(id);
}

BEGIN_MESSAGE_MAP(CCancelZeroDlg, CDialogEx)
ON_BN_CLICKED(IDCANCEL, OnCancelZero)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDefButtonDlg, CDialogEx)
ON_BN_CLICKED(1005, OnSave)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CBandHeader, CHeaderCtrl)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
END_MESSAGE_MAP()

void CBandHeader::OnCustomDraw(NMHDR* hdr, LRESULT* result) {
    auto* cd = reinterpret_cast<LPNMCUSTOMDRAW>(hdr);
    *result = CDRF_DODEFAULT;
    CDC* dc = CDC::FromHandle(cd->hdc);
    if (cd->dwDrawStage == CDDS_PREPAINT) {
        CRect rc;
        GetClientRect(&rc);
        dc->FillSolidRect(&rc, kBand);
        *result = CDRF_NOTIFYITEMDRAW;
    } else if (cd->dwDrawStage == CDDS_ITEMPREPAINT) {
        char text[260] = {};
        HDITEM item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        GetItem(static_cast<int>(cd->dwItemSpec), &item);
        dc->SetTextColor(RGB(255, 255, 255));
        dc->SetBkColor(kBand);
        CRect rc(cd->rc);
        dc->DrawText(text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        *result = CDRF_SKIPDEFAULT;
    }
}

BEGIN_MESSAGE_MAP(CMeasuredList, CListCtrl)
ON_WM_MEASUREITEM_REFLECT()
END_MESSAGE_MAP()

void CMeasuredList::PreSubclassWindow() {
    if (auto header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)))
        m_header.SubclassWindow(header);
    CListCtrl::PreSubclassWindow();
}

void CMeasuredList::MeasureItem(LPMEASUREITEMSTRUCT mis) {
    ++m_measured;
    LOGFONT lf{};
    if (CFont* font = GetFont(); font && font->GetLogFont(&lf) && lf.lfHeight > 0)
        mis->itemHeight = static_cast<UINT>(lf.lfHeight);
}

BEGIN_MESSAGE_MAP(CListsDlg, CDialogEx)
ON_WM_MEASUREITEM()
ON_NOTIFY(NM_CUSTOMDRAW, 1061, OnCustomDraw)
END_MESSAGE_MAP()

void CListsDlg::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, 1060, m_owner);
    DDX_Control(dx, 1061, m_plain);
}

void CListsDlg::OnCustomDraw(NMHDR* hdr, LRESULT* result) {
    auto* cd = reinterpret_cast<LPNMLVCUSTOMDRAW>(hdr);
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        ++m_prepaints;
        *result = CDRF_NOTIFYITEMDRAW;
        break;
    case CDDS_ITEMPREPAINT:
        *result = CDRF_NOTIFYSUBITEMDRAW;
        break;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        cd->clrTextBk = (cd->nmcd.dwItemSpec % 2) ? kTint : RGB(255, 255, 255);
        CString text = m_plain.GetItemText(static_cast<int>(cd->nmcd.dwItemSpec), cd->iSubItem);
        cd->clrText = atof(text) < 0 ? kLoss : RGB(0, 0, 0);
        *result = CDRF_DODEFAULT;
        break;
    }
    default:
        *result = CDRF_DODEFAULT;
    }
}

BOOL CButtonsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED)
        m_clicks.push_back(LOWORD(wParam));
    return CDialogEx::OnCommand(wParam, lParam);
}
