// The main window's colours: owner-drawn command buttons, display edits and check boxes
// coloured by meaning, and the cells of both report lists.

#include "console/VossenDlg.h"
#include "platform/core/Numbers.h"

namespace {

constexpr COLORREF kProfitRed = 0x0829F6;
constexpr COLORREF kLossBlue = 0xBD6310;
constexpr COLORREF kNeutralGrey = 0x4D4D4D;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRowTint = 0xFFF4DF;
constexpr COLORREF kStartGreen = 0x5DB213;
constexpr COLORREF kStoppedGrey = 0xF2F2F2;
constexpr COLORREF kStopNavy = 0x402914;
constexpr COLORREF kApplyPurple = 0x3B0028;
constexpr COLORREF kCancelGrey = 0x2F2F2F;
constexpr COLORREF kEntryCountRed = 0x140DDB;
constexpr COLORREF kRetracementBlue = 0xD3320A;

constexpr DWORD kSubItemPrepaint = CDDS_ITEMPREPAINT | CDDS_SUBITEM;

// Red above zero, blue below, `zero` otherwise (a minus zero included).
COLORREF SignColour(double value, COLORREF zero) {
    if (value > 0)
        return kProfitRed;
    if (value < 0)
        return kLossBlue;
    return zero;
}

// The sign of a cell is the sign of its leading number: "1,234원" reads as 1, "" as 0.
COLORREF CellColour(const CString& text, COLORREF zero) {
    return SignColour(ReadDouble(text.GetString()), zero);
}

// Asks the list for a notice per row, then per cell; true at a cell's notice, whose colours
// the caller sets.
bool AtCellStage(const NMLVCUSTOMDRAW* draw, LRESULT* result) {
    *result = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        *result = CDRF_NOTIFYITEMDRAW;
    else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
        *result = CDRF_NOTIFYSUBITEMDRAW;
    return draw->nmcd.dwDrawStage == kSubItemPrepaint;
}

} // namespace

void CVossenDlg::OnDrawItem(int controlId, LPDRAWITEMSTRUCT drawItem) {
    const bool ours = controlId == IDC_BTN_START || controlId == IDC_BTN_LIQUIDATE_ALL ||
                      controlId == IDC_BTN_STOP || controlId == IDC_BTN_APPLY || controlId == IDC_BTN_CANCEL;
    if (ours && drawItem) {
        CDC dc;
        dc.Attach(drawItem->hDC);
        CRect rect(drawItem->rcItem);
        dc.Draw3dRect(&rect, kWhite, kBlack);
        char windowText[260] = {};
        ::GetWindowTextA(drawItem->hwndItem, windowText, sizeof(windowText));

        if (drawItem->itemState & ODS_SELECTED) {
            // Held down: only the sunken edge.
            dc.DrawEdge(&rect, EDGE_SUNKEN, BF_RECT);
        } else {
            CString text = windowText;
            COLORREF fill = kBlack;
            COLORREF textColour = kWhite;
            switch (controlId) {
            case IDC_BTN_START:
                fill = m_bStopped ? kStoppedGrey : kStartGreen;
                textColour = m_bStopped ? kBlack : kWhite;
                break;
            case IDC_BTN_STOP:
                text = "종료";
                fill = kStopNavy;
                break;
            case IDC_BTN_LIQUIDATE_ALL:
                fill = kBlack;
                break;
            case IDC_BTN_APPLY:
                fill = kApplyPurple;
                break;
            case IDC_BTN_CANCEL:
                fill = kCancelGrey;
                break;
            }
            // The fill stays the background colour, so the text sits on it in either mode.
            dc.FillSolidRect(&rect, fill);
            dc.SetTextColor(textColour);
            dc.DrawText(text, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            dc.DrawEdge(&rect, EDGE_RAISED, BF_RECT);
        }
        dc.Detach();
    }
    CDialogEx::OnDrawItem(controlId, drawItem);
}

HBRUSH CVossenDlg::OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
    HBRUSH brush = CDialogEx::OnCtlColor(dc, control, kind);
    const int id = control ? control->GetDlgCtrlID() : 0;
    if (kind == CTLCOLOR_EDIT &&
        (id == IDC_EDIT_TARGET_RATE || id == IDC_EDIT_TOTAL_PNL || id == IDC_EDIT_RESERVE_LEVEL)) {
        // All three follow the day's P&L, the reserve level too.
        const double dayPnl = g_pTradeState ? g_pTradeState->day_pnl : 0.0;
        dc->SetTextColor(SignColour(dayPnl, kBlack));
    } else if (kind == CTLCOLOR_STATIC && id == IDC_CHECK_REVCLEAR_INCOUNT) {
        dc->SetTextColor(kEntryCountRed);
    } else if (kind == CTLCOLOR_STATIC && id == IDC_CHECK_REVCLEAR_REBACK) {
        dc->SetTextColor(kRetracementBlue);
    }
    return brush;
}

void CVossenDlg::OnCustomDrawAccountList(NMHDR* notify, LRESULT* result) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(notify);
    if (!AtCellStage(draw, result))
        return;
    // The valuation total has no sign worth showing.
    draw->clrText = draw->iSubItem == 1
                        ? kNeutralGrey
                        : CellColour(m_listAccount.GetItemText(0, draw->iSubItem), kNeutralGrey);
}

void CVossenDlg::OnCustomDrawTradeList(NMHDR* notify, LRESULT* result) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(notify);
    if (!AtCellStage(draw, result))
        return;
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    draw->clrTextBk = row % 2 ? kRowTint : kWhite;
    // Column 5 holds the realised or net P&L.
    draw->clrText = draw->iSubItem == 5 ? CellColour(m_listHistory.GetItemText(row, 5), kBlack) : kBlack;
}
