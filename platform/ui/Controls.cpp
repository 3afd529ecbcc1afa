#include "platform/ui/Controls.h"

#include <vector>

#include "platform/ui/Backend.h"

const zui::detail::EditMenuTexts zui::detail::kEditMenuTexts = {
    "실행 취소(&U)", "잘라내기(&T)", "복사(&C)", "붙여넣기(&P)", "삭제(&D)", "모두 선택(&A)",
};

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CHeaderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

namespace {
LPARAM Ptr(const void* p) {
    return reinterpret_cast<LPARAM>(p);
}
} // namespace

int CButton::GetCheck() const {
    return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0));
}

void CButton::SetCheck(int check) {
    ::SendMessageA(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0);
}

void CEdit::SetLimitText(UINT max) {
    ::SendMessageA(m_hWnd, EM_LIMITTEXT, max, 0);
}

int CComboBox::AddString(const char* text) {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_ADDSTRING, 0, Ptr(text ? text : "")));
}

int CComboBox::GetCount() const {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0));
}

int CComboBox::GetCurSel() const {
    return m_hWnd ? static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int CComboBox::GetLBText(int index, char* buffer) const {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), Ptr(buffer)));
}

void CComboBox::GetLBText(int index, CString& text) const {
    int length = GetLBTextLen(index);
    if (length < 0) {
        text.Empty();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetLBText(index, buffer.data());
    text = buffer.data();
}

int CComboBox::GetLBTextLen(int index) const {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
}

int CHeaderCtrl::GetItemCount() const {
    return static_cast<int>(::SendMessageA(m_hWnd, HDM_GETITEMCOUNT, 0, 0));
}

BOOL CHeaderCtrl::GetItem(int index, HDITEM* item) const {
    return static_cast<BOOL>(::SendMessageA(m_hWnd, HDM_GETITEMA, static_cast<WPARAM>(index), Ptr(item)));
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem) {
    LVCOLUMNA c{};
    c.mask = LVCF_FMT | LVCF_TEXT;
    c.fmt = format;
    c.pszText = const_cast<char*>(heading ? heading : "");
    if (width >= 0) {
        c.mask |= LVCF_WIDTH;
        c.cx = width;
    }
    if (subItem >= 0) {
        c.mask |= LVCF_SUBITEM;
        c.iSubItem = subItem;
    }
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), Ptr(&c)));
}

BOOL CListCtrl::DeleteColumn(int column) {
    return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_DELETECOLUMN, static_cast<WPARAM>(column), 0));
}

int CListCtrl::GetColumnWidth(int column) const {
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

int CListCtrl::InsertItem(int item, const char* text) {
    LVITEMA it{};
    it.mask = LVIF_TEXT;
    it.iItem = item;
    it.pszText = const_cast<char*>(text ? text : "");
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, Ptr(&it)));
}

int CListCtrl::InsertRow(int item, const char* const* texts, int count) {
    LVINSERTROW_ request{count, texts};
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTROW_, static_cast<WPARAM>(item), Ptr(&request)));
}

BOOL CListCtrl::DeleteAllItems() {
    return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0));
}

int CListCtrl::GetItemCount() const {
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) {
    LVITEMA it{};
    it.iSubItem = subItem;
    it.pszText = const_cast<char*>(text ? text : "");
    return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), Ptr(&it)));
}

int CListCtrl::GetItemText(int item, int subItem, char* buffer, int length) const {
    LVITEMA it{};
    it.iSubItem = subItem;
    it.pszText = buffer;
    it.cchTextMax = length;
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), Ptr(&it)));
}

CString CListCtrl::GetItemText(int item, int subItem) const {
    // Grows the buffer until the text fits (a copy one byte short of the buffer may be cut).
    std::vector<char> buffer(256);
    for (;;) {
        int n = GetItemText(item, subItem, buffer.data(), static_cast<int>(buffer.size()));
        if (n < static_cast<int>(buffer.size()) - 2)
            return CString(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

int CListCtrl::ReadRows(int first, int count, const ListRowReader& reader) const {
    LVREADROWS_ request{count, &reader};
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_READROWS_, static_cast<WPARAM>(first), Ptr(&request)));
}

DWORD CListCtrl::SetExtendedStyle(DWORD exStyle) {
    return static_cast<DWORD>(
        ::SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(exStyle)));
}

DWORD CListCtrl::GetExtendedStyle() const {
    return static_cast<DWORD>(::SendMessageA(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const {
    auto header = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, LVM_GETHEADER, 0, 0));
    return static_cast<CHeaderCtrl*>(CWnd::FromHandlePermanent(header));
}
