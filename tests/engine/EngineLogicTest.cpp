#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/EngineArgs.h"
#include "engine/EngineLog.h"
#include "engine/EngineStore.h"
#include "engine/Market.h"
#include "engine/Scenario.h"
#include "platform/core/Text.h"
#include "store/TradeDataBase.h"
#include "support/TempDrive.h"

namespace fs = std::filesystem;

namespace {

std::time_t Local(int y, int mo, int d, int h, int mi) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

} // namespace

TEST(EngineArgs, NineFieldsEndingInTheInstance) {
    CEngineArgs a;
    ASSERT_TRUE(ParseEngineArgs("홍길동|pw||123-45||1|NQM5|2|Md", &a));
    EXPECT_STREQ(a.id.GetString(), "홍길동");
    EXPECT_STREQ(a.certPasswd.GetString(), "");
    EXPECT_STREQ(a.account.GetString(), "123-45");
    EXPECT_EQ(a.serverType, 1);
    EXPECT_STREQ(a.tradeItem.GetString(), "NQM5");
    EXPECT_EQ(a.tradeType, 2);
    EXPECT_FALSE(a.ms);
    EXPECT_EQ(a.Slot(), 0);
    ASSERT_TRUE(ParseEngineArgs("||||||||Ms", &a));
    EXPECT_EQ(a.Slot(), 1);

    EXPECT_FALSE(ParseEngineArgs("a|b|c|d|e|0|NQ|2", &a));      // eight fields
    EXPECT_FALSE(ParseEngineArgs("a|p|w|c|d|e|0|NQ|2|Ms", &a)); // a '|' in the password: ten
    EXPECT_FALSE(ParseEngineArgs("a|b|c|d|e|0|NQ|2|Md|Md", &a));
    EXPECT_FALSE(ParseEngineArgs("a|b|c|d|e|0|NQ|2|ms", &a)); // the instance is case-sensitive
    EXPECT_FALSE(ParseEngineArgs("", &a));
}

TEST(EngineMarket, BooksEveryClosedTradeIntoItsFigures) {
    CMarket m(42, "NQM5");
    std::time_t now = Local(2025, 3, 4, 10, 0);
    std::vector<ClosedTrade> trades;
    for (int i = 0; i < 400; ++i)
        if (auto t = m.Step(now + i, false))
            trades.push_back(*t);
    EXPECT_TRUE(trades.empty());
    EXPECT_EQ(m.Qty(), 0); // nothing opens while not trading

    for (int i = 0; i < 4000; ++i)
        if (auto t = m.Step(now + i, true))
            trades.push_back(*t);
    ASSERT_GE(trades.size(), 20u);
    double net = 0;
    for (const ClosedTrade& t : trades) {
        int dir = t.side == 2 ? 1 : -1;
        EXPECT_DOUBLE_EQ(t.ticks, (t.outPrice - t.inPrice) * dir / kTickSize);
        EXPECT_DOUBLE_EQ(t.profit, (t.outPrice - t.inPrice) * dir * kPointValue * t.qty * kWonPerDollar);
        EXPECT_DOUBLE_EQ(t.fee, kFeeDollars * t.qty * kWonPerDollar);
        EXPECT_LE(t.inTime.Compare(t.outTime), 0);
        net += t.profit - t.fee;
    }
    EXPECT_EQ(m.TradeCount(), static_cast<int>(trades.size()));
    EXPECT_NEAR(m.Realised(), net, 1e-6);

    // An open position closes on command at the current price; a new set counts from zero.
    while (m.Qty() == 0)
        m.Step(now, true);
    std::optional<ClosedTrade> closed = m.Liquidate(now);
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->outType, kExitCommand);
    EXPECT_EQ(closed->outPrice, m.Price());
    EXPECT_FALSE(m.Liquidate(now));
    m.ResetSet();
    EXPECT_EQ(m.SetPnl(), 0.0);
    EXPECT_EQ(m.SetRound(), 0);
}

TEST(EngineMarket, TradingDaysRunFromSevenToSix) {
    EXPECT_STREQ(TradingDay(Local(2025, 3, 4, 7, 0)).GetString(), "20250304");
    EXPECT_STREQ(TradingDay(Local(2025, 3, 4, 6, 59)).GetString(), "20250303");
    EXPECT_STREQ(TradingDay(Local(2025, 1, 1, 3, 0)).GetString(), "20241231");
    EXPECT_STREQ(NextDay("20241231").GetString(), "20250101");
    EXPECT_STREQ(NextDay("20240228").GetString(), "20240229");
    EXPECT_STREQ(TimeText(Local(2025, 3, 4, 9, 5)).GetString(), "20250304090500");
}

// The console reads the engine's file by column position and by column name.
TEST(EngineStore, TradesReadBackThroughTheConsolesQueries) {
    TempDrive drive;
    drive.MakeBaseFolder();
    ClosedTrade a;
    a.code = "NQM5";
    a.inTime = "20250102052000";
    a.outTime = "20250102053000"; // before 07:00: the trading day of 1 January
    a.side = 1;
    a.qty = 2;
    a.inPrice = 15000.25;
    a.outPrice = 14990.5;
    a.profit = 526500;
    a.fee = 13500;
    ClosedTrade b = a;
    b.code = "한글코드";
    b.inTime = "20250102080000";
    b.outTime = "20250102081500";
    b.side = 2;
    b.profit = -27000;
    ASSERT_TRUE(WriteClosedTrade("555-01", a));
    ASSERT_TRUE(WriteClosedTrade("555-01", b));

    CTradeDataBase db;
    g_pTradeDataBase = &db;
    std::vector<TradeLogRow> rows;
    ASSERT_EQ(db.QueryTradingLog(rows, "555-01", "20250101", "20250103"), 2);
    EXPECT_STREQ(rows[0].code, "NQM5");
    EXPECT_STREQ(rows[0].in_time, "20250102052000");
    EXPECT_STREQ(rows[0].out_time, "20250102053000");
    EXPECT_EQ(rows[0].side, 1);
    EXPECT_EQ(rows[0].qty, 2);
    EXPECT_DOUBLE_EQ(rows[0].in_price, 15000.25);
    EXPECT_DOUBLE_EQ(rows[0].out_price, 14990.5);
    EXPECT_DOUBLE_EQ(rows[0].profit, 526500);
    EXPECT_DOUBLE_EQ(rows[0].fee, 13500);
    EXPECT_STREQ(rows[1].code, "한글코드");

    std::vector<StatRow> days, months;
    ASSERT_EQ(CTradeDataBase::QueryPeriodStatistics(days, "555-01", 0), 2);
    EXPECT_STREQ(days[0].key, "20250101");
    EXPECT_STREQ(days[1].key, "20250102");
    ASSERT_EQ(CTradeDataBase::QueryPeriodStatistics(months, "555-01", 1), 1);
    EXPECT_STREQ(months[0].key, "202501");
    EXPECT_EQ(months[0].count, 2);
    EXPECT_DOUBLE_EQ(months[0].profit, 526500 - 27000);
    g_pTradeDataBase = nullptr;
}

TEST(EngineStore, TheTradingLogAndItsFolderAreTheOwnersOnly) {
    TempDrive drive;
    const std::string base = drive.MakeBaseFolder();
    const mode_t saved = umask(0);
    ClosedTrade trade;
    trade.outTime = "20250102081500";
    const bool written = WriteClosedTrade("555-02", trade);
    umask(saved);
    ASSERT_TRUE(written);
    EXPECT_EQ(fs::status(base + "/DataBase").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(base + "/DataBase/db_Velmora_555-02.db").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(EngineLog, PrivateAndCappedWithOneRotation) {
    TempDrive drive;
    const std::string folder = drive.Root() + "/logs";
    const std::string path = folder + "/engine.log";
    const mode_t saved = umask(0);
    {
        // Two engines sharing one log, as $ZORVIK_ENGINE_LOG without {mode} has them.
        CEngineLog ms, md;
        ASSERT_TRUE(ms.Open(path, "Ms", 1000));
        ASSERT_TRUE(md.Open(path, "Md", 1000));
        for (int i = 0; i < 200; ++i) {
            ms.Write("note", 0, static_cast<WPARAM>(i), 0, "line of the first engine");
            md.Write("note", 0, static_cast<WPARAM>(i), 0, "line of the second engine");
        }
    }
    umask(saved);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"engine.log", "engine.log.1"}));
    for (const char* name : {"engine.log", "engine.log.1"}) {
        EXPECT_LE(fs::file_size(folder + "/" + name), 1000u) << name;
        EXPECT_EQ(fs::status(folder + "/" + name).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write)
            << name;
    }
    // The newest lines of both engines are in the current log, whole.
    std::ifstream in(path);
    std::string line, last;
    bool sawMs = false, sawMd = false;
    while (std::getline(in, line)) {
        EXPECT_NE(line.find(" note 0 "), std::string::npos) << line;
        sawMs = sawMs || line.find(" Ms ") != std::string::npos;
        sawMd = sawMd || line.find(" Md ") != std::string::npos;
        last = line;
    }
    EXPECT_TRUE(sawMs);
    EXPECT_TRUE(sawMd);
    EXPECT_NE(last.find(" 199 0 line of the second engine"), std::string::npos) << last;
}

TEST(EngineFiles, ALinkInTheLogsPlaceIsRefusedNotWrittenThrough) {
    TempDrive drive;
    const std::string base = drive.MakeBaseFolder();
    const std::string elsewhere = drive.Root() + "/elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directories(base + "/DataBase");
    fs::create_symlink(elsewhere + "/trades.db", base + "/DataBase/db_Velmora_555-03.db");
    EXPECT_FALSE(WriteClosedTrade("555-03", ClosedTrade{}));
    fs::create_symlink(elsewhere + "/engine.log", drive.Root() + "/engine.log");
    CEngineLog log;
    EXPECT_FALSE(log.Open(drive.Root() + "/engine.log", "Ms", 1000));
    log.Write("note", 0, 0, 0, "not written");
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST(EngineScenario, ReadsTimedInstructionsInTimeOrder) {
    std::string text = AnsiToHostUtf8("# comment\n"
                                      "at 200 update {slot}|0|1|{stopped}\r\n"
                                      "\n"
                                      "  at 100 info {slot}|한글\n"
                                      "at 100 trade NQ|2|1|1.5|2.5|100|10\n"
                                      "at 150 post 3040 7\n"
                                      "at 300 exit\n");
    std::vector<ScenarioEvent> events;
    int bad = -1;
    ASSERT_TRUE(ParseScenario(text, &events, &bad));
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, ScenarioEvent::Info);
    EXPECT_STREQ(ExpandRecord(events[0].record, 1, false).GetString(), "1|한글");
    EXPECT_EQ(events[1].kind, ScenarioEvent::Trade);
    EXPECT_DOUBLE_EQ(events[1].trade.outPrice, 2.5);
    EXPECT_TRUE(events[1].trade.outTime.IsEmpty());
    EXPECT_EQ(events[2].message, 3040u);
    EXPECT_EQ(events[2].wParam, 7u);
    EXPECT_STREQ(ExpandRecord(events[3].record, 0, true).GetString(), "0|0|1|1");
    EXPECT_EQ(events[4].kind, ScenarioEvent::Exit);

    const char* badTexts[] = {"at x info a", "info a",        "at 1 trade NQ|2|1",
                              "at 1 post",   "at 1 exit now", "at 1 jump"};
    for (const char* t : badTexts) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(ParseScenario(std::string("# ok\n") + t + "\n", &events, &bad));
        EXPECT_EQ(bad, 2);
    }
}
