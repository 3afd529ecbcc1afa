#include "console/VnListCtrl.h"

IMPLEMENT_DYNAMIC(CCustomHeaderCtrl, CHeaderCtrl)

BEGIN_MESSAGE_MAP(CCustomHeaderCtrl, CHeaderCtrl)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
END_MESSAGE_MAP()

void CCustomHeaderCtrl::OnCustomDraw(NMHDR* notify, LRESULT* result) {
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(notify);
    *result = CDRF_DODEFAULT;
    CDC* dc = CDC::FromHandle(draw->hdc);
    if (draw->dwDrawStage == CDDS_PREPAINT) {
        // The band covers the header, also right of the last column.
        CRect client;
        GetClientRect(&client);
        dc->FillSolidRect(&client, kBandColour);
        *result = CDRF_NOTIFYITEMDRAW;
    } else if (draw->dwDrawStage == CDDS_ITEMPREPAINT) {
        char title[260] = {};
        HDITEM item = {};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = sizeof(title);
        GetItem(static_cast<int>(draw->dwItemSpec), &item);
        dc->SetTextColor(kTitleColour);
        dc->SetBkColor(kBandColour);
        CRect rect(draw->rc);
        dc->DrawText(title, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        // No borders, dividers or pressed look of the header's own.
        *result = CDRF_SKIPDEFAULT;
    }
}

IMPLEMENT_DYNAMIC(CVnListCtrl, CListCtrl)

BEGIN_MESSAGE_MAP(CVnListCtrl, CListCtrl)
ON_MESSAGE(WM_SETFONT, OnSetFont)
ON_WM_MEASUREITEM_REFLECT()
END_MESSAGE_MAP()

void CVnListCtrl::PreSubclassWindow() {
    HWND header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
    if (header)
        m_header.SubclassWindow(header);
    CListCtrl::PreSubclassWindow();
}

LRESULT CVnListCtrl::OnSetFont(WPARAM, LPARAM) {
    LRESULT result = Default();
    // A size change without a move makes an owner-drawn list ask for its row height again.
    CRect rect;
    GetWindowRect(&rect);
    WINDOWPOS pos = {};
    pos.hwnd = m_hWnd;
    pos.cx = rect.Width();
    pos.cy = rect.Height();
    pos.flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    SendMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return result;
}

void CVnListCtrl::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
    CFont* font = GetFont();
    LOGFONT logFont = {};
    // Without a font the list keeps the height it proposed.
    if (!font || !font->GetLogFont(&logFont))
        return;
    if (logFont.lfHeight > 0) {
        measureItem->itemHeight = static_cast<UINT>(logFont.lfHeight);
        return;
    }
    // A height given as a character height (or none) is measured as the font's line.
    CClientDC dc(this);
    CFont* old = dc.SelectObject(font);
    CSize extent = dc.GetTextExtent("Ag");
    dc.SelectObject(old);
    if (extent.cy > 0)
        measureItem->itemHeight = static_cast<UINT>(extent.cy);
}
