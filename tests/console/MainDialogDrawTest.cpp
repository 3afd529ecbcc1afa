#include "MainDialogFixture.h"
#include "supervision/TraderMessages.h"

namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBand = 0x6F4E36;
constexpr COLORREF kRowTint = 0xFFF4DF;
constexpr COLORREF kStoppedGrey = 0xF2F2F2;
constexpr COLORREF kStartGreen = 0x5DB213;
constexpr COLORREF kApplyPurple = 0x3B0028;

// Where a list's rows and columns are, in the list's own coordinates.
struct ListGeometry {
    int headerTop;
    int headerBottom;
    int left;
    int rowHeight;
    RECT Cell(int row, int columnLeft, int columnRight) const {
        int top = headerBottom + row * rowHeight;
        return RECT{left + columnLeft + 3, top + 2, left + columnRight - 3, top + rowHeight - 2};
    }
};

ListGeometry Geometry(CVnListCtrl& list) {
    RECT l = zui::WidgetRect(&list);
    RECT h = zui::WidgetRect(&list.m_header);
    return ListGeometry{h.top - l.top, h.bottom - l.top, h.left - l.left, zui::ListRowHeight(&list)};
}

} // namespace

TEST_F(MainDialogTest, StartButtonShowsWhetherTheEnginesAreStopped) {
    Run([&] {
        CWnd* start = dlg->GetDlgItem(IDC_BTN_START);
        RECT fill = InnerRect(start, 3);
        RECT corner{fill.left, fill.top, fill.left + 3, fill.top + 3};
        EXPECT_EQ(CountPixels(start, corner, kStoppedGrey, 0), 9);
        EXPECT_GT(CountPixels(start, fill, NearerTo(kBlack, kStoppedGrey)), 20);
        SaveScreen(dlg.get(), "main-stopped");

        ConnectEngines();
        // F3 starts the engines but leaves the stopped look.
        zui::PressKey(&dlg->m_editInTickS, VK_F3);
        Settle();
        EXPECT_EQ(CountPixels(start, corner, kStoppedGrey, 0), 9);

        zui::Click(start);
        Settle();
        EXPECT_FALSE(dlg->m_bStopped);
        EXPECT_EQ(CountPixels(start, corner, kStartGreen, 0), 9);
        EXPECT_GT(CountPixels(start, fill, NearerTo(kWhite, kStartGreen)), 20);
        EXPECT_EQ(CountPixels(start, fill, NearerTo(kBlack, kStartGreen)), 0);
        EXPECT_EQ(ms->Count(WM_TRADER_START), 2);

        g_pTradeState->day_pnl = 1234567;
        g_pTradeState->day_peak_pnl = 1500000;
        g_pTradeState->valuation_total_sum = 98765432;
        g_pTradeState->valuation_pnl_sum = 4321.5;
        g_pTradeState->set_pnl_sum = -12.25;
        dlg->UpdateAccountSummary();
        Settle();
        SaveScreen(dlg.get(), "main-running");
    });
}

TEST_F(MainDialogTest, OwnerDrawnButtonsTakeTheirColours) {
    Run([&] {
        struct Look {
            int id;
            COLORREF fill;
        };
        for (Look look : {Look{IDC_BTN_LIQUIDATE_ALL, kBlack}, Look{IDC_BTN_STOP, 0x402914},
                          Look{IDC_BTN_APPLY, kApplyPurple}, Look{IDC_BTN_CANCEL, 0x2F2F2F}}) {
            CWnd* button = dlg->GetDlgItem(look.id);
            RECT fill = InnerRect(button, 3);
            EXPECT_EQ(
                CountPixels(button, RECT{fill.left, fill.top, fill.left + 3, fill.top + 3}, look.fill, 0), 9)
                << look.id;
            EXPECT_GT(CountPixels(button, fill, NearerTo(kWhite, look.fill)), 20) << look.id;
            // The strokes of the title are white itself, not a grey blend.
            EXPECT_GT(CountPixels(button, fill, kWhite, 0), 10) << look.id;
        }
        // The stop button reads "종료" whatever its window text.
        CWnd* stop = dlg->GetDlgItem(IDC_BTN_STOP);
        RECT fill = InnerRect(stop, 3);
        auto text = NearerTo(kWhite, 0x402914);
        int before = CountPixels(stop, fill, text);
        stop->SetWindowText("Stop all engines now");
        Settle();
        EXPECT_EQ(CountPixels(stop, fill, text), before);
    });
}

TEST_F(MainDialogTest, HeldButtonShowsOnlyItsSunkenEdge) {
    Run([&] {
        CWnd* apply = dlg->GetDlgItem(IDC_BTN_APPLY);
        RECT inside = InnerRect(apply, 3);
        zui::Press(apply);
        Settle();
        // No fill and no text: the face is one colour.
        COLORREF face = zui::GetWindowPixel(apply, inside.left, inside.top);
        EXPECT_NE(face, kApplyPurple);
        EXPECT_EQ(CountPixels(apply, inside, face, 0),
                  (inside.right - inside.left) * (inside.bottom - inside.top));
        zui::Release(apply);
        Settle();
        EXPECT_GT(CountPixels(apply, inside, kApplyPurple, 0), 100);
        EXPECT_GT(CountPixels(apply, inside, NearerTo(kWhite, kApplyPurple)), 20);
    });
}

TEST_F(MainDialogTest, HeaderIsADarkBandWithWhiteTitles) {
    Run([&] {
        CHeaderCtrl* header = &dlg->m_listAccount.m_header;
        RECT band = zui::WidgetRect(header);
        const int width = band.right - band.left;
        const int height = band.bottom - band.top;
        ASSERT_GT(height, 4);
        // Right of the last column (88 + 115 + 87 + 87 = 377 pixels) the band goes on.
        EXPECT_EQ(CountPixels(header, RECT{380, 1, width - 1, height - 1}, kBand, 0),
                  (width - 381) * (height - 2));
        // Within a column: the band and white title pixels, nothing of a pressed look.
        EXPECT_GT(CountPixels(header, RECT{0, 0, 88, height}, NearerTo(kWhite, kBand)), 20);
        EXPECT_GT(CountPixels(header, RECT{0, 0, 88, height}, kBand, 0), 88 * height / 2);
        // The 5-pixel spacer of the history list shows the band only.
        CHeaderCtrl* history = &dlg->m_listHistory.m_header;
        EXPECT_EQ(CountPixels(history, RECT{0, 1, 5, height - 1}, kBand, 0), 5 * (height - 2));
    });
}

TEST_F(MainDialogTest, AccountRowIsColouredBySign) {
    Run([&] {
        CVnListCtrl& list = dlg->m_listAccount;
        list.SetItemText(0, 0, "1,234원");
        list.SetItemText(0, 1, "-5,000원");
        list.SetItemText(0, 2, "-3.50");
        list.SetItemText(0, 3, "0.00");
        Settle();
        ListGeometry g = Geometry(list);
        RECT c0 = g.Cell(0, 0, 88), c1 = g.Cell(0, 88, 203), c2 = g.Cell(0, 203, 290),
             c3 = g.Cell(0, 290, 377);
        EXPECT_GT(CountPixels(&list, c0, Reddish), 10);
        EXPECT_EQ(CountPixels(&list, c0, Bluish), 0);
        // The valuation total is grey whatever its sign; grey text never gets darker than its grey.
        auto grey = [](COLORREF c) { return Neutral(c, 0x4D, 0xB0); };
        auto darker = [](COLORREF c) { return Neutral(c, 0, 0x4A); };
        EXPECT_GT(CountPixels(&list, c1, grey), 10);
        EXPECT_EQ(CountPixels(&list, c1, Bluish) + CountPixels(&list, c1, darker), 0);
        EXPECT_GT(CountPixels(&list, c2, Bluish), 10);
        EXPECT_EQ(CountPixels(&list, c2, Reddish), 0);
        EXPECT_GT(CountPixels(&list, c3, grey), 10);
        EXPECT_EQ(CountPixels(&list, c3, Reddish) + CountPixels(&list, c3, Bluish) +
                      CountPixels(&list, c3, darker),
                  0);
    });
}

TEST_F(MainDialogTest, HistoryRowsAreTintedAndTheirResultColoured) {
    Run([&] {
        CVnListCtrl& list = dlg->m_listHistory;
        // Rows as the trade fill puts them: the newest on top.
        for (const char* result : {"0.00", "-3.00", "12.50"}) {
            list.InsertItem(0, "");
            list.SetItemText(0, 5, result);
            list.SetItemText(0, 2, "88");
        }
        Settle();
        ListGeometry g = Geometry(list);
        // Column 1 is empty: the row background alone; column 5 spans 230 to 300.
        for (int row = 0; row < 3; ++row) {
            RECT empty = g.Cell(row, 5, 55);
            COLORREF background = row % 2 ? kRowTint : kWhite;
            EXPECT_EQ(CountPixels(&list, empty, background, 0),
                      (empty.right - empty.left) * (empty.bottom - empty.top))
                << row;
        }
        EXPECT_GT(CountPixels(&list, g.Cell(0, 230, 300), Reddish), 10);
        EXPECT_GT(CountPixels(&list, g.Cell(1, 230, 300), Bluish), 10);
        RECT zero = g.Cell(2, 230, 300);
        EXPECT_GT(CountPixels(&list, zero, [](COLORREF c) { return Neutral(c, 0, 0x40); }), 3);
        EXPECT_EQ(CountPixels(&list, zero, Reddish) + CountPixels(&list, zero, Bluish), 0);
        // Every other column is black.
        RECT quantity = g.Cell(0, 55, 90);
        EXPECT_GT(CountPixels(&list, quantity, [](COLORREF c) { return Neutral(c, 0, 0x40); }), 3);
        EXPECT_EQ(CountPixels(&list, quantity, Reddish), 0);
    });
}

TEST_F(MainDialogTest, DayFiguresFollowTheSignOfTheDayPnl) {
    Run([&] {
        std::vector<CEdit*> edits = {&dlg->m_editTargetRate, &dlg->m_editTotalPnl, &dlg->m_editReserveLevel};
        struct Case {
            double dayPnl;
            std::function<bool(COLORREF)> text;
            std::function<bool(COLORREF)> other;
        };
        auto black = [](COLORREF c) { return Neutral(c, 0, 0x40); };
        auto coloured = [](COLORREF c) { return Reddish(c) || Bluish(c); };
        for (const Case& c :
             {Case{2500, Reddish, Bluish}, Case{-2500, Bluish, Reddish}, Case{0, black, coloured}}) {
            g_pTradeState->day_pnl = c.dayPnl;
            // The reserve level keeps a positive amount: its colour follows the day's P&L.
            for (CEdit* edit : edits)
                edit->SetWindowText("1,234원");
            Settle();
            for (CEdit* edit : edits) {
                RECT inside = InnerRect(edit, 2);
                EXPECT_GT(CountPixels(edit, inside, c.text), 10) << c.dayPnl;
                EXPECT_EQ(CountPixels(edit, inside, c.other), 0) << c.dayPnl;
            }
        }
    });
}

TEST_F(MainDialogTest, EntryCountAndRetracementChecksHaveTheirOwnColours) {
    Run([&] {
        CWnd* entryCount = dlg->GetDlgItem(IDC_CHECK_REVCLEAR_INCOUNT);
        CWnd* retracement = dlg->GetDlgItem(IDC_CHECK_REVCLEAR_REBACK);
        EXPECT_GT(CountPixels(entryCount, InnerRect(entryCount, 0), Reddish), 10);
        EXPECT_GT(CountPixels(retracement, InnerRect(retracement, 0), Bluish), 10);
        // Another check box of the same box keeps the default text colour.
        CWnd* other = dlg->GetDlgItem(IDC_CHECK_REVCLEAR_TREND_LINK);
        RECT all = InnerRect(other, 0);
        EXPECT_EQ(CountPixels(other, all, Reddish) + CountPixels(other, all, Bluish), 0);
    });
}
