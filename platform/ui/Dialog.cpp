#include "platform/ui/Dialog.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/ui/Backend.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/WinApp.h"

using namespace zui::detail;

namespace {
constexpr UINT WM_GETICON_ = 0x007F;
constexpr UINT WM_CTLCOLORMSGBOX_ = 0x0132;

bool Usable(const CWnd* w) {
    const DWORD s = w->GetStyle();
    return (s & WS_VISIBLE) && !(s & WS_DISABLED);
}

// The group of the control at `index`: from the control with WS_GROUP at or before it to the
// next one with WS_GROUP, exclusive.
std::pair<size_t, size_t> GroupOf(const std::vector<CWnd*>& kids, size_t index) {
    size_t start = index;
    while (start > 0 && !(kids[start]->GetStyle() & WS_GROUP))
        --start;
    size_t end = index + 1;
    while (end < kids.size() && !(kids[end]->GetStyle() & WS_GROUP))
        ++end;
    return {start, end};
}

// Where Tab enters a radio group: its checked button, else its button with a tab stop.
CWnd* RadioGroupEntry(const std::vector<CWnd*>& kids, size_t index) {
    auto [start, end] = GroupOf(kids, index);
    CWnd* tabStop = nullptr;
    for (size_t j = start; j < end; ++j) {
        if (!IsRadioButton(kids[j]) || !Usable(kids[j]))
            continue;
        if (kids[j]->SendMessage(BM_GETCHECK) == BST_CHECKED)
            return kids[j];
        if (!tabStop && (kids[j]->GetStyle() & WS_TABSTOP))
            tabStop = kids[j];
    }
    return tabStop;
}

// The dialog manager's Tab: the next (previous) control with a tab stop in template order; a
// radio group is entered at its checked button and left as a whole.
void MoveTab(CDialog* dlg, CWnd* focus, bool backward) {
    const std::vector<CWnd*>& kids = dlg->GetChildren();
    const size_t n = kids.size();
    if (n == 0)
        return;
    size_t at = std::find(kids.begin(), kids.end(), focus) - kids.begin();
    const bool known = at < n;
    std::pair<size_t, size_t> from = known ? GroupOf(kids, at) : std::pair<size_t, size_t>{n, n};
    const bool inRadioGroup = known && IsRadioButton(focus);
    for (size_t step = 1; step <= n; ++step) {
        size_t i = known ? (backward ? (at + n - step) : (at + step)) % n : (backward ? n - step : step - 1);
        CWnd* c = kids[i];
        if (!Usable(c))
            continue;
        if (IsRadioButton(c)) {
            if (inRadioGroup && i >= from.first && i < from.second)
                continue;
            if (CWnd* entry = RadioGroupEntry(kids, i)) {
                entry->SetFocus();
                return;
            }
            continue;
        }
        if (c->GetStyle() & WS_TABSTOP) {
            c->SetFocus();
            return;
        }
    }
}

// Arrows on a button move within its group (wrapping); an auto radio button reached this way
// is checked, as if clicked.
void MoveInGroup(CWnd* focus, bool backward) {
    CWnd* parent = focus->GetParent();
    if (!parent)
        return;
    const std::vector<CWnd*>& kids = parent->GetChildren();
    const size_t at = std::find(kids.begin(), kids.end(), focus) - kids.begin();
    if (at >= kids.size())
        return;
    auto [start, end] = GroupOf(kids, at);
    const size_t size = end - start;
    for (size_t step = 1; step < size; ++step) {
        const size_t offset = at - start;
        CWnd* c = kids[start + (backward ? (offset + size - step) : (offset + step)) % size];
        if (!Usable(c) || std::strcmp(ClassNameOf(c), WC_STATIC) == 0 ||
            (std::strcmp(ClassNameOf(c), WC_BUTTON) == 0 && (c->GetStyle() & BS_TYPEMASK) == BS_GROUPBOX))
            continue;
        c->SetFocus();
        if (IsRadioButton(c) && (c->GetStyle() & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
            c->SendMessage(BM_GETCHECK) != BST_CHECKED)
            c->SendMessage(BM_CLICK);
        return;
    }
}

// The dialog's control `id` (with its handle as the notification's lParam) clicked.
void SendCommand(CWnd* dlg, int id) {
    CWnd* control = dlg->GetDlgItem(id);
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control ? control->m_hWnd : nullptr));
}

UINT DialogCode(CWnd* control) {
    return control ? static_cast<UINT>(control->SendMessage(WM_GETDLGCODE)) : 0;
}

// The id of the template's default push button, 0 without one.
int TemplateDefault(const DialogTemplate& t) {
    for (const DialogItemTemplate& item : t.items)
        if (item.className && std::strcmp(item.className, WC_BUTTON) == 0 &&
            (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return item.id;
    return 0;
}

// The control that answers DLGC_DEFPUSHBUTTON now, if any.
CWnd* CurrentDefault(const CWnd* dlg) {
    for (CWnd* child : dlg->GetChildren())
        if (DialogCode(child) & DLGC_DEFPUSHBUTTON)
            return child;
    return nullptr;
}
} // namespace

namespace zui::detail {

void MoveDefaultButton(CDialog* dlg, CWnd* focus) {
    if (!dlg || !dlg->m_hWnd || !focus || focus->GetParent() != dlg)
        return;
    CWnd* own = dlg->m_nDefID ? dlg->GetDlgItem(dlg->m_nDefID) : nullptr;
    // Only a push button takes the default over; an owner-drawn button never does.
    CWnd* wanted = (DialogCode(focus) & (DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON)) ? focus : own;
    CWnd* current = CurrentDefault(dlg);
    if (current && current != wanted)
        current->SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (wanted && (DialogCode(wanted) & DLGC_UNDEFPUSHBUTTON))
        wanted->SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

} // namespace zui::detail

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

void CDataExchange::Fail() {
    throw ExchangeFailed{};
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!dx || !dx->m_pDlgWnd || control.m_hWnd)
        return;
    CWnd* item = dx->m_pDlgWnd->GetDlgItem(id);
    if (item && item != &control)
        control.SubclassWindow(item->m_hWnd);
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
    if (!dx || !dx->m_pDlgWnd)
        return;
    const auto& kids = dx->m_pDlgWnd->GetChildren();
    size_t start = 0;
    while (start < kids.size() && kids[start]->GetDlgCtrlID() != id)
        ++start;
    if (start == kids.size())
        return;
    std::vector<CWnd*> group;
    for (size_t j = start; j < kids.size(); ++j) {
        if (j > start && (kids[j]->GetStyle() & WS_GROUP))
            break;
        if (IsRadioButton(kids[j]))
            group.push_back(kids[j]);
    }
    if (dx->m_bSaveAndValidate) {
        value = -1;
        for (size_t k = 0; k < group.size(); ++k)
            if (group[k]->SendMessage(BM_GETCHECK) == BST_CHECKED)
                value = static_cast<int>(k);
    } else {
        for (size_t k = 0; k < group.size(); ++k)
            group[k]->SendMessage(BM_SETCHECK, static_cast<int>(k) == value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max) {
    if (!dx || !dx->m_bSaveAndValidate || (value >= min && value <= max))
        return;
    CString text;
    text.Format("%d부터 %d까지의 정수를 입력하십시오.", min, max);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    const DialogTemplate* t = FindDialogTemplate(static_cast<int>(m_nIDTemplate));
    if (!t || m_hWnd)
        return -1;
    CWnd* owner = m_pParentWnd ? m_pParentWnd->GetTopLevelParent() : ActiveModal();
    if (!owner) {
        // The framework picks the owner: the application's main window when it lives.
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this && app->m_pMainWnd->m_hWnd)
            owner = app->m_pMainWnd;
    }
    m_nDefID = TemplateDefault(*t);
    if (!BuildDialog(this, t, owner && owner->m_hWnd ? owner : nullptr))
        return -1;
    // By handle: the owner may go while this dialog runs.
    const HWND ownerHandle = owner ? owner->m_hWnd : nullptr;
    m_bEnded = false;
    m_nEndResult = -1;
    PushModal(this);
    BOOL focus = TRUE;
    try {
        focus = OnInitDialog();
    } catch (CException* e) {
        AfxReportException(*e);
        e->Delete();
    }
    if (focus && !m_bEnded && m_hWnd)
        FocusFirstTabStop(this);
    int result = m_bEnded ? m_nEndResult : RunDialogLoop();
    PopModal(this);
    const bool hadKeyboard = HasKeyboard(this);
    try {
        HideWindow(this);
        DestroyWindow();
    } catch (CException* e) {
        AfxReportException(*e);
        e->Delete();
    }
    // The owner takes the keyboard back, with the focus where it was.
    if (CWnd* stillThere = CWnd::FromHandlePermanent(ownerHandle); hadKeyboard && stillThere)
        GiveKeyboardTo(stillThere);
    return result;
}

int CDialog::RunDialogLoop() {
    bool shown = false;
    while (!m_bEnded && m_hWnd) {
        MSG msg;
        // The window shows when the queue first runs idle: a quit posted by OnInitDialog
        // ends the loop before anything is shown.
        if (!shown && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            ShowDialog(this);
            shown = true;
        }
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return -1;
        }
        TranslateAndDispatch(msg, this);
    }
    return m_nEndResult;
}

void CDialog::EndDialog(int result) {
    m_nEndResult = result;
    m_bEnded = true;
    EndModalLoop(result);
    // Wakes the loop when it waits (EndDialog from outside a handler).
    PostMessageA(nullptr, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const ExchangeFailed&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN || !m_hWnd)
        return FALSE;
    CWnd* target = CWnd::FromHandlePermanent(msg->hwnd);
    if (!target || target->GetTopLevelParent() != this)
        return FALSE;
    // Alt and a letter opens the menu whose title has that letter after its "&".
    const bool letter =
        (msg->wParam >= 'A' && msg->wParam <= 'Z') || (msg->wParam >= '0' && msg->wParam <= '9');
    if (letter && AltHeldFor(*msg))
        return OpenMenuWithLetter(this, static_cast<UINT>(msg->wParam)) ? TRUE : FALSE;
    switch (msg->wParam) {
    case VK_ESCAPE:
        SendCommand(this, IDCANCEL);
        return TRUE;
    case VK_RETURN: {
        // Only the default push button takes Enter itself: a focused owner-drawn button, which
        // shows no focus, must never act on Enter.
        CWnd* focus = FocusedControl(this);
        MoveDefaultButton(this, focus);
        if (DialogCode(focus) & DLGC_DEFPUSHBUTTON) {
            SendCommand(this, focus->GetDlgCtrlID());
            return TRUE;
        }
        const DWORD def = GetDefID();
        if (HIWORD(def) == DC_HASDEFID) {
            CWnd* button = GetDlgItem(LOWORD(def));
            if (!button || button->IsWindowEnabled())
                SendCommand(this, LOWORD(def));
            return TRUE;
        }
        SendCommand(this, IDOK);
        return TRUE;
    }
    case VK_TAB:
        MoveTab(this, FocusedControl(this), ShiftHeldFor(*msg));
        return TRUE;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        // Edits, combo boxes and lists take the arrows themselves.
        CWnd* focus = FocusedControl(this);
        if (!focus || std::strcmp(ClassNameOf(focus), WC_BUTTON) != 0)
            return FALSE;
        MoveInGroup(focus, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

DWORD CDialog::GetDefID() const {
    return static_cast<DWORD>(::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0));
}

HICON CDialog::SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? 1 : 0, reinterpret_cast<LPARAM>(icon)));
}

HICON CDialog::GetIcon(BOOL big) const {
    return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, WM_GETICON_, big ? 1 : 0, 0));
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    // Every colour request reaches the map as the one WM_CTLCOLOR with its kind.
    if (message >= WM_CTLCOLORMSGBOX_ && message <= WM_CTLCOLORSTATIC) {
        AFX_CTLCOLOR cc{reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam),
                        message - WM_CTLCOLORMSGBOX_};
        LRESULT r = 0;
        if (DispatchToMap(WM_CTLCOLOR, 0, 0, 0, reinterpret_cast<LPARAM>(&cc), &r)) {
            *result = r;
            return TRUE;
        }
        *result = reinterpret_cast<LRESULT>(
            OnCtlColor(CDC::FromHandle(cc.hDC), CWnd::FromHandle(cc.hWnd), cc.nCtlType));
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        // The dialog manager turns the close box into IDCANCEL through the message map.
        SendCommand(this, IDCANCEL);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(WM_CLOSE);
            break;
        case SC_MINIMIZE:
            ShowWindow(SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    case DM_GETDEFID: {
        // The template's default, else a push button that is the default while it has the focus.
        const CWnd* current = m_nDefID ? nullptr : CurrentDefault(this);
        const int id = m_nDefID ? m_nDefID : current ? current->GetDlgCtrlID() : 0;
        return id ? static_cast<LRESULT>(MAKELONG(id, DC_HASDEFID)) : 0;
    }
    case WM_MEASUREITEM:
        OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        return TRUE;
    case WM_PAINT:
    case WM_ICONERASEBKGND:
    case WM_QUERYDRAGICON:
        return 0;
    default:
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
}

void CDialog::OnPaint() {
    Default();
}

HBRUSH CDialog::OnCtlColor(CDC* dc, CWnd*, UINT kind) {
    bool field = kind == CTLCOLOR_EDIT || kind == CTLCOLOR_LISTBOX;
    if (dc) {
        dc->SetTextColor(kWindowText);
        dc->SetBkColor(field ? kWindow : kFace);
    }
    return SystemBrush(field ? kWindow : kFace);
}

void CDialog::OnDrawItem(int, LPDRAWITEMSTRUCT drawItem) {
    if (!drawItem)
        return;
    if (CWnd* child = CWnd::FromHandlePermanent(drawItem->hwndItem); child && child != this) {
        LRESULT r = 0;
        child->OnChildNotify(WM_DRAWITEM, static_cast<WPARAM>(drawItem->CtlID),
                             reinterpret_cast<LPARAM>(drawItem), &r);
    }
}

void CDialog::OnMeasureItem(int controlId, LPMEASUREITEMSTRUCT measureItem) {
    if (!measureItem)
        return;
    if (CWnd* child = GetDlgItem(controlId)) {
        LRESULT r = 0;
        child->OnChildNotify(WM_MEASUREITEM, static_cast<WPARAM>(controlId),
                             reinterpret_cast<LPARAM>(measureItem), &r);
    }
}

HCURSOR CDialog::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}

void CDialog::OnLButtonUp(UINT, CPoint) {
    Default();
}

void CDialog::OnSysCommand(UINT, LPARAM) {
    Default();
}
