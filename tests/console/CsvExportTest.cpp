#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "HistoryData.h"
#include "PanelFixture.h"
#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "store/TradeState.h"
#include "support/RecordLockHolder.h"
#include "support/StoreProcess.h"
#include "uitest/UiTest.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const char* const kSaved = "매매내역이 파일로 저장되었습니다.";
const std::string kTradeHeader =
    "번호,거래일,진입시각,청산시각,포지션,매매수량,진입가,청산가,청산손익,수수료,종목코드\r\n";
const std::string kStatsHeader = "기준일,매매횟수,청산손익,수수료,순손익\r\n";
const std::string kToday =
    ",2024-03-05,04:59:00,05:00:00,매수,1,15234.25,15240.50,152500.00,21300.00,NQH24\r\n"
    ",2024-03-04,22:00:00,23:00:00,매도,3,15300.00,15290.00,-1234.50,21300.00,\"NQH\"\"24\"\r\n";
const std::string kEarlier = ",2024-03-01,11:59:00,12:00:00,매도,5,5000.00,5001.00,500.00,5.00,ESH24\r\n"
                             ",2024-03-01,10:00:00,10:15:00,매수,2,15234.25,15240.50,1234.50,10.00,NQH24\r\n"
                             ",2024-02-28,15:20:00,15:30:00,매수,1,5000.00,4999.00,-123.50,0.00,ESH24\r\n";
const std::string kDays = "20240305,2,152600.00,21301.00,131299.00\r\n"
                          "20240304,1,-1234.50,21300.00,-22534.50\r\n"
                          "20240301,2,1734.50,15.00,1719.50\r\n"
                          "20240228,1,-123.50,0.00,-123.50\r\n";
const std::string kMonths = "202403,5,153100.00,42616.00,110484.00\r\n"
                            "202402,1,-123.50,0.00,-123.50\r\n";

class ExportTest : public PanelTest {
protected:
    // Clicks "엑셀저장" and returns the file written for `suffix` ("list_Day" ...), read whole.
    std::string Export(CVossenDlg& dlg, const char* suffix) {
        const std::string before = Today();
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        std::string path = BasePath((before + "_" + suffix + ".csv").c_str());
        if (!std::filesystem::exists(path)) // the date turned during the export
            path = BasePath((Today() + "_" + suffix + ".csv").c_str());
        return ReadAll(path);
    }
    static void Choose(CVossenDlg& dlg, int entry) {
        zui::ChooseComboItem(&dlg.m_cbView, entry);
        zui::ProcessEvents();
    }
    static void Report(CVossenDlg& dlg) {
        SendAccountInfo(dlg, 1, 2, kDayFrom, kDayTo);
        SendAccountInfo(dlg, 0, 2, kDayFrom, kDayTo);
    }
    // Clicks "엑셀저장" while every write fails for want of room.
    static void ExportOnFullDisk(CVossenDlg& dlg) {
        SysCallsOverride restore;
        Sys().write = [](int, const void*, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
    }
};

} // namespace

TEST_F(ExportTest, EachViewIsWrittenAsTheListShowsIt) {
    WriteHistoryLogs();
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        EXPECT_EQ(Export(dlg, "list_Day"), kTradeHeader + kToday);
        Choose(dlg, 1);
        EXPECT_EQ(Export(dlg, "list_All"), kTradeHeader + kToday + kEarlier);
        Choose(dlg, 2);
        EXPECT_EQ(Export(dlg, "stats_Day"), kStatsHeader + kDays);
        Choose(dlg, 3);
        EXPECT_EQ(Export(dlg, "stats_Month"), kStatsHeader + kMonths);
        ASSERT_EQ(boxes.size(), 4u);
        for (const ShownBox& box : boxes) {
            EXPECT_EQ(box.text, kSaved);
            EXPECT_EQ(box.type & MB_TYPEMASK, MB_OK);
        }
    });
}

TEST_F(ExportTest, SecondExportReplacesTheFirstAndEmptyListsWriteTheHeader) {
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        EXPECT_EQ(Export(dlg, "list_Day"), kTradeHeader);
        WriteHistoryLogs();
        Report(dlg);
        EXPECT_EQ(Export(dlg, "list_Day"), kTradeHeader + kToday);
        EXPECT_EQ(boxes.size(), 2u);
    });
}

TEST_F(ExportTest, RowsThatCouldNotBeReadAreNeverReportedSaved) {
    WriteHistoryLogs();
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        // The first engine holds its log beyond any commit as the statistics are chosen, and
        // while the export reads them again.
        {
            StoreProcess engine(StoreProcess::Kind::ExclusiveWriter, TradingLogPath("111"));
            ASSERT_TRUE(engine.Ready());
            Choose(dlg, 2);
            zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
            zui::ProcessEvents();
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  "매매내역을 읽지 못해 파일로 저장하지 않았습니다.\n잠시 후 다시 저장하십시오.");
        EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONSTOP);
        EXPECT_FALSE(std::filesystem::exists(BasePath((Today() + "_stats_Day.csv").c_str())));
        // Once it lets go, the export reads them and saves them whole.
        EXPECT_EQ(Export(dlg, "stats_Day"), kStatsHeader + kDays);
        EXPECT_EQ(boxes.back().text, kSaved);

        // A log that is a link is never read: trying again later would not help, and the box
        // says what is wrong instead.
        const std::string log = TradingLogPath("111");
        std::filesystem::rename(log, log + ".moved");
        std::filesystem::create_symlink(log + ".moved", log);
        Choose(dlg, 3);
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        EXPECT_EQ(boxes.back().text,
                  "매매내역을 읽지 못해 파일로 저장하지 않았습니다.\n" + std::string(kBaseFolder) +
                      "\\DataBase\\db_Velmora_111.db 파일을 읽지 않습니다.\n이유: 링크입니다");
        EXPECT_FALSE(std::filesystem::exists(BasePath((Today() + "_stats_Month.csv").c_str())));
    });
}

// An engine whose log is in write-ahead mode commits a trade and closes it: the file keeps its
// size and first bytes, and its time is set back. The trade still reaches the list, the count
// the rules use, and the export.
TEST_F(ExportTest, ACommitToALogInWriteAheadModeIsSeenWhateverItsFileTimeSays) {
    WriteHistoryLogs();
    TradingLogFile("222").Exec("PRAGMA journal_mode=WAL");
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        EXPECT_EQ(Export(dlg, "list_Day"), kTradeHeader + kToday);
        const std::string log = TradingLogPath("222");
        // Two trades, each committed by the engine, another program, whose close would take the
        // log's WAL away but for the console; records between them find the log unchanged.
        for (int trade = 1; trade <= 2; ++trade) {
            Report(dlg);
            Report(dlg);
            const int count = g_pTradeState->trade_count;
            const auto time = std::filesystem::last_write_time(log);
            const auto size = std::filesystem::file_size(log);
            ASSERT_TRUE(CommitTradeFromAnotherProgram(log));
            std::filesystem::last_write_time(log, time);
            EXPECT_EQ(std::filesystem::file_size(log), size);
            Report(dlg);
            EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 2 + trade) << "trade " << trade;
            EXPECT_EQ(g_pTradeState->trade_count, count + 7) << "trade " << trade;
        }
        const std::string exported = Export(dlg, "list_Day");
        const std::string line = ",2024-03-05,01:00:00,02:00:00,매수,7,15000.00,15001.00,7.00,1.00,NQH24\r\n";
        const std::size_t second = kToday.find("\r\n") + 2;
        EXPECT_EQ(exported, kTradeHeader + kToday.substr(0, second) + line + line + kToday.substr(second));
        EXPECT_EQ(boxes.back().text, kSaved);
    });
}

TEST_F(ExportTest, CellTextsAreQuotedWhereTheyNeedIt) {
    RunDialog([this](CVossenDlg& dlg) {
        Choose(dlg, 2);
        CListCtrl& list = dlg.m_listHistory;
        const int row = list.InsertItem(0, "");
        list.SetItemText(row, 1, "2024,03");
        list.SetItemText(row, 2, "say \"3\"");
        list.SetItemText(row, 3, "1,234.50");
        list.SetItemText(row, 4, "");
        list.SetItemText(row, 5, "two\nlines");
        EXPECT_EQ(Export(dlg, "stats_Day"),
                  kStatsHeader + "\"2024,03\",\"say \"\"3\"\"\",1234.50,,\"two\r\nlines\"\r\n");
    });
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndTheDialogGoesOn) {
    WriteHistoryLogs();
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        // A folder holds the file's name: writing is refused.
        const std::string day = Today();
        const std::string blocked = BasePath((day + "_list_Day.csv").c_str());
        std::filesystem::create_directory(blocked);
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        ASSERT_EQ(boxes.size(), 1u);
        const std::string notRegular =
            "_list_Day.csv 파일에 쓰지 않았습니다.\n이유: 일반 파일이 아닙니다 (폴더, "
            "파이프 또는 장치)";
        EXPECT_EQ(boxes[0].text, std::string(kBaseFolder) + "\\" + day + notRegular);
        EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONSTOP);
        std::filesystem::remove(blocked);

        // A pipe that another program reads would take the rows; one that nobody reads would
        // hold the console in its open.
        ASSERT_EQ(::mkfifo(blocked.c_str(), 0666), 0);
        const int reader = ::open(blocked.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, std::string(kBaseFolder) + "\\" + day + notRegular);
        char byte;
        EXPECT_EQ(::read(reader, &byte, 1), 0);
        ::close(reader);
        std::filesystem::remove(blocked);

        // A second name of another file: the rows would reach it too.
        const std::string theirs = BasePath("theirs.csv");
        std::ofstream(theirs) << "theirs";
        std::filesystem::create_hard_link(theirs, blocked);
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        ASSERT_EQ(boxes.size(), 3u);
        EXPECT_EQ(boxes[2].text, std::string(kBaseFolder) + "\\" + day +
                                     "_list_Day.csv 파일에 쓰지 않았습니다.\n이유: 다른 이름으로도 연결된 "
                                     "파일입니다 (하드 링크)");
        EXPECT_EQ(ReadAll(theirs), "theirs");
        std::filesystem::remove(blocked);
        // Another user's file of today's name, even one everybody may write.
        if (geteuid() == 0) {
            std::ofstream(blocked) << "theirs";
            ASSERT_EQ(::chown(blocked.c_str(), 65534, 65534), 0);
            ::chmod(blocked.c_str(), 0666);
            zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
            zui::ProcessEvents();
            EXPECT_EQ(boxes.back().text,
                      std::string(kBaseFolder) + "\\" + day +
                          "_list_Day.csv 파일에 쓰지 않았습니다.\n이유: 다른 사용자의 파일입니다");
            EXPECT_EQ(ReadAll(blocked), "theirs");
            std::filesystem::remove(blocked);
        }
        for (const CString& text : boxes.Texts())
            EXPECT_NE(text, kSaved);
        const std::size_t n = boxes.size();

        // Another program holds the file open.
        Choose(dlg, 1);
        const std::string held = BasePath((day + "_list_All.csv").c_str());
        std::ofstream(held) << "theirs";
        int fd = ::open(held.c_str(), O_RDWR);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        ASSERT_EQ(boxes.size(), n + 1);
        EXPECT_EQ(boxes[n].text, std::string(kBaseFolder) + "\\" + day +
                                     "_list_All.csv에 액세스하는 동안 공유 위반이 발생했습니다.");
        EXPECT_EQ(ReadAll(held), "theirs");
        ::close(fd);

        // The base folder is gone.
        const std::string base = HostPath(kBaseFolder);
        std::filesystem::rename(base, base + ".away");
        zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
        zui::ProcessEvents();
        std::filesystem::rename(base + ".away", base);
        ASSERT_EQ(boxes.size(), n + 2);
        EXPECT_EQ(boxes[n + 1].text,
                  std::string(kBaseFolder) + "\\" + day + "_list_All.csv에 잘못된 경로가 있습니다.");

        // Still usable: the next export goes through.
        EXPECT_EQ(Export(dlg, "list_All"), kTradeHeader + kToday + kEarlier);
        EXPECT_EQ(boxes.back().text, kSaved);
    });
}

TEST_F(ExportTest, AFileAnotherProgramHoldsWithARecordLockIsLeftAlone) {
    WriteHistoryLogs();
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        const std::string day = Today();
        const std::string held = BasePath((day + "_list_Day.csv").c_str());
        std::ofstream(held) << "theirs";
        for (int command : {F_SETLK, F_OFD_SETLK}) {
            RecordLockHolder other(held, command, F_RDLCK);
            ASSERT_TRUE(other.Held());
            const size_t before = boxes.size();
            zui::Click(dlg.GetDlgItem(IDC_BTN_EXCEL_SAVE));
            zui::ProcessEvents();
            ASSERT_EQ(boxes.size(), before + 1);
            EXPECT_EQ(boxes.back().text, std::string(kBaseFolder) + "\\" + day +
                                             "_list_Day.csv에 액세스하는 동안 공유 위반이 발생했습니다.");
            EXPECT_EQ(ReadAll(held), "theirs");
        }

        // Let go, the file is written, with the mode the umask gives: it is made for other programs.
        std::filesystem::remove(held);
        const mode_t saved = umask(027);
        EXPECT_EQ(Export(dlg, "list_Day"), kTradeHeader + kToday);
        umask(saved);
        EXPECT_EQ(boxes.back().text, kSaved);
        EXPECT_EQ(std::filesystem::status(held).permissions(), std::filesystem::perms::owner_read |
                                                                   std::filesystem::perms::owner_write |
                                                                   std::filesystem::perms::group_read);
    });
}

TEST_F(ExportTest, AFullDiskIsReportedAndNeverCalledSaved) {
    WriteHistoryLogs();
    RunDialog([this](CVossenDlg& dlg) {
        Report(dlg);
        // Few lines: the failure shows when the file is closed. An earlier export of the day
        // stays whole, and no cut file is left beside it.
        const std::string earlier = BasePath((Today() + "_list_Day.csv").c_str());
        std::ofstream(earlier) << "earlier export";
        const auto namesBefore = FolderNames(HostPath(kBaseFolder));
        ExportOnFullDisk(dlg);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.Find("에 액세스하는 동안 디스크가 꽉 찼습니다."), -1);
        EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONSTOP);
        EXPECT_EQ(ReadAll(earlier), "earlier export");
        EXPECT_EQ(FolderNames(HostPath(kBaseFolder)), namesBefore);
        std::filesystem::remove(earlier);

        // Many lines: the failure shows while writing.
        // So many that the export reads them in several blocks: each row once, in order.
        CListCtrl& list = dlg.m_listHistory;
        constexpr int kMany = 10000;
        for (int i = 0; i < kMany; ++i)
            list.InsertItem(0, std::to_string(i).c_str());
        ExportOnFullDisk(dlg);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].text.Find("에 액세스하는 동안 디스크가 꽉 찼습니다."), -1);
        EXPECT_FALSE(std::filesystem::exists(earlier));
        std::string many;
        for (int i = kMany - 1; i >= 0; --i)
            many += std::to_string(i) + ",,,,,,,,,,\r\n";
        const std::string written = Export(dlg, "list_Day");
        EXPECT_EQ(written.size(), kTradeHeader.size() + many.size() + kToday.size());
        EXPECT_TRUE(written == kTradeHeader + many + kToday) << "the rows differ";
        EXPECT_EQ(boxes.back().text, kSaved);
    });
}
