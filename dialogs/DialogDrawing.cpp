#include "dialogs/DialogDrawing.h"

void DrawCommandButton(const DRAWITEMSTRUCT* item, COLORREF fill) {
    CDC dc;
    dc.Attach(item->hDC);
    CRect rect(item->rcItem);
    dc.Draw3dRect(&rect, RGB(255, 255, 255), RGB(0, 0, 0));

    char text[260] = {};
    ::GetWindowTextA(item->hwndItem, text, sizeof text);
    if (item->itemState & ODS_SELECTED) {
        dc.DrawEdge(&rect, EDGE_SUNKEN, BF_RECT);
    } else {
        dc.FillSolidRect(&rect, fill);
        dc.SetTextColor(RGB(255, 255, 255));
        dc.DrawText(text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        dc.DrawEdge(&rect, EDGE_RAISED, BF_RECT);
    }
    dc.Detach();
}
