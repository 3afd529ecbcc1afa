#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HistoryData.h"
#include "PanelFixture.h"
#include "uitest/UiTest.h"
#include "store/TradeState.h"
#include "support/SqlTrace.h"
#include "support/StoreProcess.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

// Column 0 is the empty spacer of either layout.
const Table kTodayTrades = {
    {"", "매수", "1", "15,234.25", "15,240.50", "152500.00", "21300.00", "NQH24", "2024-03-05", "04:59:00",
     "05:00:00"},
    {"", "매도", "3", "15,300.00", "15,290.00", "-1234.50", "21300.00", "NQ,H\"24", "2024-03-04", "22:00:00",
     "23:00:00"},
};
const Table kEarlierTrades = {
    {"", "매도", "5", "5,000.00", "5,001.00", "500.00", "5.00", "ESH24", "2024-03-01", "11:59:00",
     "12:00:00"},
    {"", "매수", "2", "15,234.25", "15,240.50", "1234.50", "10.00", "NQH24", "2024-03-01", "10:00:00",
     "10:15:00"},
    {"", "매수", "1", "5,000.00", "4,999.00", "-123.50", "0.00", "ESH24", "2024-02-28", "15:20:00",
     "15:30:00"},
};
const Table kDayStatistics = {
    {"", "20240305", "2", "152,600.00", "21,301.00", "131299.00"},
    {"", "20240304", "1", "-1,234.50", "21,300.00", "-22534.50"},
    {"", "20240301", "2", "1,734.50", "15.00", "1719.50"},
    {"", "20240228", "1", "-123.50", "0.00", "-123.50"},
};
const Table kMonthStatistics = {
    {"", "202403", "5", "153,100.00", "42,616.00", "110484.00"},
    {"", "202402", "1", "-123.50", "0.00", "-123.50"},
};

Table Concat(Table a, const Table& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class HistoryTest : public PanelTest {
protected:
    // Both engines report: the trading day is known and the trades are listed.
    static void Report(CVossenDlg& dlg) {
        SendAccountInfo(dlg, 1, 2, kDayFrom, kDayTo);
        SendAccountInfo(dlg, 0, 2, kDayFrom, kDayTo);
    }
    static void Choose(CVossenDlg& dlg, int entry) {
        zui::ChooseComboItem(&dlg.m_cbView, entry);
        zui::ProcessEvents();
    }
    static Table Shown(CVossenDlg& dlg, int columns) { return Rows(dlg.m_listHistory, columns); }
};

} // namespace

TEST_F(HistoryTest, EachViewListsItsRowsLatestFirst) {
    WriteHistoryLogs();
    RunDialog([](CVossenDlg& dlg) {
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 0); // empty until the engines report
        Report(dlg);
        EXPECT_EQ(Shown(dlg, 11), kTodayTrades);
        EXPECT_EQ(g_pTradeState->trade_count, 4);

        Choose(dlg, 1);
        EXPECT_EQ(dlg.m_nViewMode, 1);
        EXPECT_EQ(Shown(dlg, 11), Concat(kTodayTrades, kEarlierTrades));
        EXPECT_EQ(g_pTradeState->trade_count, 12);

        Choose(dlg, 2);
        EXPECT_EQ(dlg.m_listHistory.GetHeaderCtrl()->GetItemCount(), 6);
        EXPECT_EQ(Shown(dlg, 6), kDayStatistics);
        SaveScreen(&dlg, "main-statistics-day");

        Choose(dlg, 3);
        EXPECT_EQ(Shown(dlg, 6), kMonthStatistics);
        EXPECT_EQ(g_pTradeState->trade_count, 12);

        Choose(dlg, 0);
        EXPECT_EQ(dlg.m_listHistory.GetHeaderCtrl()->GetItemCount(), 11);
        EXPECT_EQ(Shown(dlg, 11), kTodayTrades);
        EXPECT_EQ(g_pTradeState->trade_count, 4);
    });
}

// The alignment (LVCFMT_*) of every column of the history list.
std::vector<int> Alignments(CVossenDlg& dlg) {
    std::vector<int> formats;
    CHeaderCtrl* header = dlg.m_listHistory.GetHeaderCtrl();
    for (int i = 0; i < header->GetItemCount(); ++i) {
        HDITEM item = {};
        item.mask = HDI_FORMAT;
        header->GetItem(i, &item);
        formats.push_back(item.fmt & 3);
    }
    return formats;
}

TEST_F(HistoryTest, EachLayoutAlignsItsColumnsAndDrawsItsOwnRows) {
    RunDialog([](CVossenDlg& dlg) {
        const int c = LVCFMT_CENTER, l = LVCFMT_LEFT;
        const DWORD listStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_DOUBLEBUFFER;
        EXPECT_EQ(Alignments(dlg), (std::vector<int>(11, c)));
        EXPECT_EQ(dlg.m_listHistory.GetExtendedStyle(), listStyle);
        EXPECT_EQ(dlg.m_listHistory.GetStyle() & LVS_OWNERDRAWFIXED, 0u);
        Choose(dlg, 2);
        EXPECT_EQ(Alignments(dlg), (std::vector<int>{l, l, l, l, c, c}));
        EXPECT_EQ(dlg.m_listHistory.GetExtendedStyle(), listStyle);
        Choose(dlg, 1);
        EXPECT_EQ(Alignments(dlg), (std::vector<int>(11, c)));
    });
}

TEST_F(HistoryTest, ChoosingTheEntryShownChangesNothing) {
    WriteHistoryLogs();
    RunDialog([](CVossenDlg& dlg) {
        Report(dlg);
        TradingLogFile("111").Add(
            {"111", "NQH24", "20240304080000", "20240304090000", "", "", 2, 7, 1, 1, 1, 1});
        Choose(dlg, 0);
        EXPECT_EQ(Shown(dlg, 11), kTodayTrades);
        EXPECT_EQ(g_pTradeState->trade_count, 4);
        Choose(dlg, 2);
        TradingLogFile("222").Add(
            {"222", "NQH24", "20240306080000", "20240306090000", "", "", 2, 1, 1, 1, 1, 1});
        Choose(dlg, 2);
        EXPECT_EQ(Shown(dlg, 6).size(), kDayStatistics.size());
    });
}

TEST_F(HistoryTest, StatusRecordsKeepStatisticsOnScreenAndRecountTrades) {
    WriteHistoryLogs();
    RunDialog([](CVossenDlg& dlg) {
        Report(dlg);
        Choose(dlg, 3);
        TradingLogFile("222").Add(
            {"222", "NQH24", "20240304080000", "20240304090000", "", "", 2, 6, 1, 1, 1, 1});
        Report(dlg);
        EXPECT_EQ(dlg.m_listHistory.GetHeaderCtrl()->GetItemCount(), 6);
        EXPECT_EQ(Shown(dlg, 6), kMonthStatistics);
        // Every trade up to the end of the trading day counts while a statistics view is shown.
        EXPECT_EQ(g_pTradeState->trade_count, 18);
        EXPECT_EQ(dlg.m_nViewMode, 3);
        // Back to the trades: the new one is there.
        Choose(dlg, 0);
        EXPECT_EQ(Shown(dlg, 11).size(), 3u);
        EXPECT_EQ(g_pTradeState->trade_count, 10);
    });
}

TEST_F(HistoryTest, StatusRecordsReadOnlyLogsThatChangedAndShowWhatAFullReadShows) {
    WriteHistoryLogs();
    RunDialog([](CVossenDlg& dlg) {
        Report(dlg);
        ASSERT_EQ(Shown(dlg, 11), kTodayTrades);
        {
            SqlTrace trace;
            Report(dlg);
            EXPECT_EQ(trace.CountStarting("select"), 0);
        }
        EXPECT_EQ(Shown(dlg, 11), kTodayTrades);
        EXPECT_EQ(g_pTradeState->trade_count, 4);
        // A change within the file's pages, in the same tick of the file clock: read again.
        const auto before = std::filesystem::last_write_time(TradingLogPath("222"));
        TradingLogFile("222").Exec("update VnTradingLog set tr_qty = 9 where tr_out_time = '20240305050000'");
        std::filesystem::last_write_time(TradingLogPath("222"), before);
        Report(dlg);
        Table changed = kTodayTrades;
        changed[0][2] = "9";
        EXPECT_EQ(Shown(dlg, 11), changed);
        EXPECT_EQ(g_pTradeState->trade_count, 12);
        // A log in write-ahead mode, whose file stays as it was while its engine commits.
        Choose(dlg, 1);
        const std::size_t all = Shown(dlg, 11).size();
        TradingLogFile keeper("222");
        keeper.Exec("PRAGMA journal_mode=WAL");
        Report(dlg);
        EXPECT_EQ(Shown(dlg, 11).size(), all);
        TradingLogFile("222").Add(
            {"222", "NQH24", "20240305010000", "20240305020000", "", "", 2, 7, 1, 1, 1, 1});
        Report(dlg);
        EXPECT_EQ(Shown(dlg, 11).size(), all + 1);
        EXPECT_EQ(g_pTradeState->trade_count, 12 + 8 + 7);
        // A new price form shows the rows kept in it.
        SendAccountInfo(dlg, 1, 0, kDayFrom, kDayTo);
        EXPECT_EQ(Shown(dlg, 11).back()[3], "5,000");
    });
}

TEST_F(HistoryTest, ALogHeldPastTheWaitKeepsTheListAndTheCount) {
    WriteHistoryLogs();
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        ASSERT_EQ(Shown(dlg, 11), kTodayTrades);
        // The second engine records a trade, while the first holds its log beyond any commit.
        TradingLogFile("222").Add(
            {"222", "NQH24", "20240305010000", "20240305020000", "", "", 2, 7, 1, 1, 1, 1});
        StoreProcess engine(StoreProcess::Kind::ExclusiveWriter, TradingLogPath("111"));
        ASSERT_TRUE(engine.Ready());
        Report(dlg);
        EXPECT_EQ(Shown(dlg, 11), kTodayTrades);
        EXPECT_EQ(g_pTradeState->trade_count, 4);
        EXPECT_TRUE(dlg.m_bHistoryUnread);
        Choose(dlg, 3);
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 0);
        // Once the engine lets go, the next record lists both accounts' trades again.
        engine.Stop();
        Choose(dlg, 0);
        EXPECT_EQ(Shown(dlg, 11).size(), 3u);
        EXPECT_EQ(g_pTradeState->trade_count, 11);
        EXPECT_FALSE(dlg.m_bHistoryUnread);

        // Accounts without a log have no trades: an empty list, not a failure.
        std::remove(TradingLogPath("111").c_str());
        std::remove(TradingLogPath("222").c_str());
        Choose(dlg, 1);
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 0);
        EXPECT_EQ(g_pTradeState->trade_count, 0);
        Choose(dlg, 3);
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 0);
        EXPECT_FALSE(dlg.m_bHistoryUnread);
        EXPECT_TRUE(boxes.empty());
    });
}

TEST_F(HistoryTest, DamagedLogRowsAreListedWithoutHarm) {
    TradingLogFile log("111");
    // A key longer than a statistics key holds, and quantities whose sum no int holds.
    log.Add({"111", "X", "20240304080000", "20240304090000", "2024030412345678901", "20240304123456789", 2,
             2147483647, 1, 1, 3, 1});
    log.Add({"111", "X", "20240304080000", "20240304090000", "", "", 2, 2147483647, 1, 1, 3, 1});
    RunDialog([](CVossenDlg& dlg) {
        // No trading day yet: the window ends before every exit time.
        dlg.FillTradeList();
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 0);
        EXPECT_EQ(g_pTradeState->trade_count, 0);
        Report(dlg);
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 2);
        EXPECT_EQ(g_pTradeState->trade_count, 2147483647);
        Choose(dlg, 2);
        EXPECT_EQ(Shown(dlg, 2), Table({{"", "202403041234567"}, {"", "20240304"}}));
    });
}

// Prices, amounts and day keys of realistic size are seen whole in their columns, and the
// link combos' additions in their narrow boxes.
TEST_F(HistoryTest, FiguresAreShownWholeInTheirCellsAndCombos) {
    TradingLogFile first("111");
    first.AddAll({{"111", "NQZ26", "20261207100000", "20261207101500", "", "", 2, 2, 15001.5, 21345.25,
                   21345.25, 15001.5}});
    RunDialog([&](CVossenDlg& dlg) {
        SendAccountInfo(dlg, 1, 2, "20261207", "20261208");
        SendAccountInfo(dlg, 0, 2, "20261207", "20261208");
        Choose(dlg, 1);
        ASSERT_EQ(dlg.m_listHistory.GetItemCount(), 1);
        EXPECT_EQ(zui::ShownCellText(&dlg.m_listHistory, 0, 3), "15,001.50");
        EXPECT_EQ(zui::ShownCellText(&dlg.m_listHistory, 0, 4), "21,345.25");
        EXPECT_EQ(zui::ShownCellText(&dlg.m_listHistory, 0, 5), "21345.25");
        Choose(dlg, 2);
        ASSERT_EQ(dlg.m_listHistory.GetItemCount(), 1);
        EXPECT_EQ(zui::ShownCellText(&dlg.m_listHistory, 0, 1), "20261207");
        EXPECT_EQ(zui::ShownCellText(&dlg.m_listHistory, 0, 3), "21,345.25");
        EXPECT_EQ(zui::ShownCellText(&dlg.m_listHistory, 0, 4), "15,001.50");
        SaveScreen(&dlg, "main-statistics-figures");
        for (int id : {IDC_COMBO_COUNT_PAIRING_ADD, IDC_COMBO_ROUND_PAIRING_ADD}) {
            CComboBox* combo = static_cast<CComboBox*>(dlg.GetDlgItem(id));
            for (int i = 0; i < 2; ++i) {
                combo->SetCurSel(i);
                CString item;
                combo->GetLBText(i, item);
                EXPECT_EQ(zui::ShownText(combo), item) << "combo " << id;
            }
        }
    });
}
