// Report lists: the store, the fill of many rows at the top, columns, custom draw of rows and
// header, and the row height of owner-drawn fixed lists.
#include <vector>

#include "TestDialogs.h"
#include "UiFixture.h"
#include "uitest/UiTest.h"

using ListTest = UiTest;

namespace {
template <typename F> void WhileOpen(CListsDlg& dlg, F check) {
    zui::WhenIdle([&dlg, check] {
        check();
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
}
} // namespace

TEST_F(ListTest, FillAtTheTopKeepsEveryRowInOrder) {
    CListsDlg dlg;
    int count = 0;
    CString top, bottom, cell, missing;
    BOOL deletedNothing = TRUE;
    WhileOpen(dlg, [&] {
        CListCtrl& list = dlg.m_plain;
        deletedNothing = list.DeleteColumn(0);
        list.InsertColumn(0, "번호", LVCFMT_CENTER, 60);
        list.InsertColumn(1, "손익", LVCFMT_LEFT, 80);
        list.InsertItem(0, "old");
        list.DeleteAllItems();
        for (int i = 0; i < 10000; ++i) {
            CString n;
            n.Format("%d", i);
            list.InsertItem(0, n);
            list.SetItemText(0, 1, n + "원");
        }
        count = list.GetItemCount();
        top = list.GetItemText(0, 0);
        bottom = list.GetItemText(9999, 0);
        cell = list.GetItemText(1, 1);
        missing = list.GetItemText(10000, 0);
    });
    EXPECT_FALSE(deletedNothing);
    EXPECT_EQ(count, 10000);
    EXPECT_EQ(top, "9999");
    EXPECT_EQ(bottom, "0");
    EXPECT_EQ(cell, "9998원");
    EXPECT_EQ(missing, "");
}

TEST_F(ListTest, CellsKeepTheirTextsThroughRewritesColumnChangesAndDeletions) {
    CListsDlg dlg;
    std::vector<CString> seen;
    std::size_t heldAfterFill = 0, heldAfterRewrites = 0;
    WhileOpen(dlg, [&] {
        CListCtrl& list = dlg.m_plain;
        list.InsertColumn(0, "a", LVCFMT_LEFT, 40);
        list.InsertColumn(1, "b", LVCFMT_LEFT, 40);
        list.InsertColumn(2, "c", LVCFMT_LEFT, 40);
        for (int i = 0; i < 6; ++i) {
            CString n;
            n.Format("r%d", i);
            list.InsertItem(i, n);
        }
        // A later cell first leaves the ones before it empty.
        list.SetItemText(1, 2, "c1");
        list.SetItemText(1, 1, "b1");
        list.SetItemText(2, 1, "b2");
        list.SetItemText(2, 2, "c2");
        // Longer and shorter texts in the middle of a row keep its other cells.
        list.SetItemText(2, 1, CString('x', 300));
        list.SetItemText(2, 0, "");
        list.SetItemText(2, 1, "가");
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                seen.push_back(list.GetItemText(r, c));
        // A column in the middle moves the later cells right; deleting one moves them back.
        list.InsertColumn(1, "new", LVCFMT_LEFT, 40);
        seen.push_back(list.GetItemText(1, 1) + "|" + list.GetItemText(1, 2) + "|" + list.GetItemText(1, 3));
        list.DeleteColumn(0);
        seen.push_back(list.GetItemText(1, 0) + "|" + list.GetItemText(1, 1) + "|" + list.GetItemText(1, 2));
        list.SendMessage(LVM_DELETEITEM, 0);
        seen.push_back(list.GetItemText(0, 2) + "|" + list.GetItemText(0, 1));

        // Rewriting the same cells with ever longer texts does not make the list hold ever more.
        list.DeleteAllItems();
        for (int i = 0; i < 100; ++i) {
            list.InsertItem(i, "");
            list.SetItemText(i, 1, CString('y', 1000));
        }
        heldAfterFill = zui::ListTextBytes(&list);
        for (int k = 0; k < 20000; ++k) {
            CString text(static_cast<char>('a' + k % 26), 1000 + k / 10);
            list.SetItemText(k % 100, 1, text);
        }
        heldAfterRewrites = zui::ListTextBytes(&list);
        for (int i = 0; i < 100; i += 33)
            seen.push_back(list.GetItemText(i, 1).Left(2) + list.GetItemText(i, 0));
    });
    EXPECT_EQ(seen, (std::vector<CString>{"r0", "", "", "r1", "b1", "c1", "", "가", "c2", "|b1|c1", "|b1|c1",
                                          "c1|b1", "kk", "rr", "yy", "ff"}));
    EXPECT_GE(heldAfterFill, 100u * 1000);
    EXPECT_LE(heldAfterRewrites, 4u * 1024 * 1024);
}

TEST_F(ListTest, ExtendedStylesAndHeaderItems) {
    CListsDlg dlg;
    DWORD before = 0, after = 0;
    int headerCount = 0;
    char title[260] = {};
    WhileOpen(dlg, [&] {
        CListCtrl& list = dlg.m_plain;
        list.SetExtendedStyle(0x10123);
        before = list.SetExtendedStyle(0x10121);
        after = list.GetExtendedStyle();
        list.InsertColumn(0, "매매총손익합", LVCFMT_CENTER, 88);
        list.InsertColumn(1, "평가총액합", LVCFMT_CENTER, 115);
        CHeaderCtrl* header = list.GetHeaderCtrl();
        ASSERT_NE(header, nullptr);
        headerCount = header->GetItemCount();
        HDITEM item{};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = sizeof(title);
        header->GetItem(1, &item);
    });
    EXPECT_EQ(before, 0x10123u);
    EXPECT_EQ(after, 0x10121u);
    EXPECT_EQ(headerCount, 2);
    EXPECT_STREQ(title, "평가총액합");
}

TEST_F(ListTest, CustomDrawColoursRowsAndTheReflectedHeaderPaintsItsBand) {
    CListsDlg dlg;
    COLORREF row0 = 0, row1 = 0, band = 0, bandRight = 0;
    int lossPixels = 0;
    WhileOpen(dlg, [&] {
        // The owner list's header is bound to CBandHeader through PreSubclassWindow.
        CListCtrl& owner = dlg.m_owner;
        owner.ModifyStyle(LVS_OWNERDRAWFIXED, 0);
        owner.InsertColumn(0, "시간", LVCFMT_CENTER, 60);
        CListCtrl& list = dlg.m_plain;
        list.InsertColumn(0, "번호", LVCFMT_LEFT, 60);
        list.InsertColumn(1, "청산손익", LVCFMT_LEFT, 120);
        for (int i = 0; i < 3; ++i)
            list.InsertItem(i, "1");
        list.SetItemText(1, 1, "-12,345");
        zui::ProcessEvents();
        int rowHeight = zui::ListRowHeight(&list);
        RECT headerRect;
        list.GetHeaderCtrl()->GetWindowRect(&headerRect);
        int headerHeight = headerRect.bottom - headerRect.top;
        int y0 = 1 + headerHeight + rowHeight / 2;
        row0 = zui::GetWindowPixel(&list, 150, y0);
        row1 = zui::GetWindowPixel(&list, 150, y0 + rowHeight);
        for (int x = 62; x < 180; ++x)
            for (int y = y0 + rowHeight - rowHeight / 2 + 1; y < y0 + rowHeight + rowHeight / 2 - 1; ++y)
                if (zui::GetWindowPixel(&list, x, y) != CListsDlg::kTint &&
                    GetBValue(zui::GetWindowPixel(&list, x, y)) > 150 &&
                    GetRValue(zui::GetWindowPixel(&list, x, y)) < 100)
                    ++lossPixels;
        band = zui::GetWindowPixel(&owner, 30, 4);
        RECT ownerRect = zui::WidgetRect(&owner);
        bandRight = zui::GetWindowPixel(&owner, ownerRect.right - ownerRect.left - 10, 4);
        SaveWindowImage(&dlg, ScreenPath("ui-lists").c_str());
    });
    EXPECT_GT(dlg.m_prepaints, 0);
    EXPECT_EQ(row0, RGB(255, 255, 255));
    EXPECT_EQ(row1, CListsDlg::kTint);
    EXPECT_GT(lossPixels, 0);
    EXPECT_EQ(band, CBandHeader::kBand);
    EXPECT_EQ(bandRight, CBandHeader::kBand); // right of the last column too
}

TEST_F(ListTest, OwnerDrawnFixedListAsksItsParentForTheRowHeightOnceBound) {
    CListsDlg dlg;
    int created = 0, measured = 0, measuredCalls = 0;
    WhileOpen(dlg, [&] {
        created = zui::ListRowHeight(&dlg.m_owner);
        LOGFONT lf{};
        lf.lfHeight = 20;
        strcpy(lf.lfFaceName, "Tahoma");
        static CFont font;
        font.DeleteObject();
        font.CreateFontIndirect(&lf);
        dlg.m_owner.SetFont(&font, TRUE);
        CRect rc;
        dlg.m_owner.GetWindowRect(&rc);
        WINDOWPOS wp{dlg.m_owner.m_hWnd,
                     nullptr,
                     0,
                     0,
                     rc.Width(),
                     rc.Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER};
        dlg.m_owner.SendMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
        measured = zui::ListRowHeight(&dlg.m_owner);
        measuredCalls = dlg.m_owner.m_measured;
        // Without the owner-drawn style the height obtained stays.
        dlg.m_owner.ModifyStyle(LVS_OWNERDRAWFIXED, 0);
    });
    EXPECT_GT(created, 0); // the creation-time request reached no bound object
    EXPECT_EQ(measuredCalls, 1);
    EXPECT_EQ(measured, 20);
}

TEST_F(ListTest, DraggingADividerResizesTheColumn) {
    CListsDlg dlg;
    int before = 0, after = 0;
    WhileOpen(dlg, [&] {
        dlg.m_plain.InsertColumn(0, "번호", LVCFMT_LEFT, 60);
        dlg.m_plain.InsertColumn(1, "손익", LVCFMT_LEFT, 60);
        zui::ProcessEvents();
        before = dlg.m_plain.GetColumnWidth(0);
        zui::DragHeaderDivider(&dlg.m_plain, 0, 25);
        after = dlg.m_plain.GetColumnWidth(0);
    });
    EXPECT_EQ(before, 60);
    EXPECT_EQ(after, 85);
}
