// The settings form and the history list against two real engine processes: the engines
// write their trading logs and report, the console lists what they wrote, and an Apply makes
// both reload the settings it saved.
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "platform/core/Path.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "store/TradeState.h"
#include "supervision/Launch.h"
#include "supervision/TraderMessages.h"
#include "support/Seconds.h"

namespace {

const char* const kInfo = "info {slot}|0|0|0|0|0|0|0|0|0|0|2|x|1|20240304|x|20240305|x\n";

class PanelWithEnginesTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        // The real engines take the titles; the fixture's stand-in windows go.
        ms.reset();
        md.reset();
        dlg->engines = TestVossenDlg::Engines::Started;
        ASSERT_EQ(0, symlink(ZORVIK_ENGINE_EXE, HostPath(kTraderExePath).c_str()));
        setenv("ZORVIK_ENGINE_LOG", (drive.Root() + "/engine-{mode}.log").c_str(), 1);
        setenv("ZORVIK_ENGINE_SCENARIO", (drive.Root() + "/scenario-{mode}.txt").c_str(), 1);
    }

    void TearDown() override {
        // Whatever is still running is asked to leave.
        for (const char* title : {kTraderTitleMs, kTraderTitleMd})
            if (HWND engine = FindWindowA(nullptr, title))
                PostMessageA(engine, WM_TRADER_EXIT, 0, 0);
        WaitFor([] { return !FindWindowA(nullptr, kTraderTitleMs) && !FindWindowA(nullptr, kTraderTitleMd); },
                10);
        unsetenv("ZORVIK_ENGINE_LOG");
        unsetenv("ZORVIK_ENGINE_SCENARIO");
        PanelTest::TearDown();
    }

    // A last exit keeps a failed test from leaving an engine behind.
    void Scenario(const char* mode, const std::string& lines) {
        std::ofstream(drive.Root() + "/scenario-" + mode + ".txt") << lines << "at 30000 exit\n";
    }

    // Handles what arrives (waiting on the station) until cond holds or the time is up.
    static bool WaitFor(const std::function<bool()>& cond, double seconds) {
        const double end = Seconds() + seconds;
        for (;;) {
            zui::ProcessEvents();
            if (cond())
                return true;
            if (Seconds() > end)
                return false;
            zwin::PollFds(20);
        }
    }

    bool EngineNoted(const char* mode, const std::string& text) {
        std::ifstream in(drive.Root() + "/engine-" + mode + ".log");
        std::string line;
        while (std::getline(in, line))
            if (line.find(" note ") != std::string::npos && line.find(text) != std::string::npos)
                return true;
        return false;
    }

    // A command message of `name` (START, EXIT ...) reached the engine.
    bool EngineReceived(const char* mode, const std::string& name) {
        std::ifstream in(drive.Root() + "/engine-" + mode + ".log");
        std::string line;
        while (std::getline(in, line))
            if (line.find(" recv ") != std::string::npos && line.find(" " + name + " ") != std::string::npos)
                return true;
        return false;
    }
};

} // namespace

TEST_F(PanelWithEnginesTest, ListsWhatTheEnginesWroteAndAppliesToBoth) {
    Scenario("Ms",
             std::string("at 50 trade NQH24|1|3|15300|15290|-1234.5|21300|20240304220000|20240304230000\n") +
                 "at 100 " + kInfo);
    Scenario(
        "Md",
        std::string("at 50 trade NQH24|2|1|15234.25|15240.5|152500|21300|20240305045900|20240305050000\n") +
            "at 50 trade ESH24|2|1|5000|4999|-123.5|0|20240228152000|20240228153000\n" + "at 100 " + kInfo);
    RunDialog([this](CVossenDlg& dlg) {
        // The dialog started the first engine; the second follows its start, both report.
        ASSERT_TRUE(WaitFor([&] { return dlg.m_listHistory.GetItemCount() == 2; }, 15))
            << "rows " << dlg.m_listHistory.GetItemCount() << ", engines " << dlg.m_nTraderCount;
        EXPECT_EQ(Rows(dlg.m_listHistory, 11),
                  (std::vector<std::vector<std::string>>{
                      {"", "매수", "1", "15,234.25", "15,240.50", "152500.00", "21300.00", "NQH24",
                       "2024-03-05", "04:59:00", "05:00:00"},
                      {"", "매도", "3", "15,300.00", "15,290.00", "-1234.50", "21300.00", "NQH24",
                       "2024-03-04", "22:00:00", "23:00:00"}}));
        EXPECT_EQ(g_pTradeState->trade_count, 4);
        zui::ChooseComboItem(&dlg.m_cbView, 1);
        zui::ProcessEvents();
        EXPECT_EQ(dlg.m_listHistory.GetItemCount(), 3);
        EXPECT_EQ(g_pTradeState->trade_count, 5);
        // The engines key a trade by its trading day: 05:00 belongs to the day before.
        zui::ChooseComboItem(&dlg.m_cbView, 2);
        zui::ProcessEvents();
        EXPECT_EQ(Rows(dlg.m_listHistory, 6),
                  (std::vector<std::vector<std::string>>{
                      {"", "20240304", "2", "151,265.50", "42,600.00", "108665.50"},
                      {"", "20240228", "1", "-123.50", "0.00", "-123.50"}}));

        SetText(dlg, 1123, "45");
        boxes.answer = IDYES;
        zui::Click(dlg.GetDlgItem(IDC_BTN_APPLY));
        EXPECT_TRUE(WaitFor(
            [&] { return EngineNoted("Ms", "settings keys=67") && EngineNoted("Md", "settings keys=67"); },
            10));
        EXPECT_EQ(g_pTradeState->day_tot_loss_max, 450000);
    });
}

TEST_F(PanelWithEnginesTest, EnterInTheLossLimitLeavesTheConsoleAndBothEnginesRunning) {
    Scenario("Ms", std::string("at 100 ") + kInfo);
    Scenario("Md", std::string("at 100 ") + kInfo);
    RunDialog([this](CVossenDlg& dlg) {
        ASSERT_TRUE(WaitFor([&] { return dlg.m_nTraderCount == 2 && dlg.m_hTraderMd; }, 15))
            << "engines " << dlg.m_nTraderCount;
        CWnd* limit = dlg.GetDlgItem(1123);
        limit->SetFocus();
        SetText(dlg, 1123, "");
        zui::TypeText(limit, "45");
        zui::PressKey(limit, VK_RETURN);
        // The engines still take commands from the console: F3 reaches both.
        zui::PressKey(limit, VK_F3);
        EXPECT_TRUE(
            WaitFor([&] { return EngineReceived("Ms", "START") && EngineReceived("Md", "START"); }, 10));
        EXPECT_FALSE(static_cast<TestVossenDlg&>(dlg).ended);
        EXPECT_TRUE(dlg.m_hWnd != nullptr);
        EXPECT_EQ(Text(dlg, 1123), "45");
        EXPECT_TRUE(FindWindowA(nullptr, kTraderTitleMs));
        EXPECT_TRUE(FindWindowA(nullptr, kTraderTitleMd));
        EXPECT_FALSE(EngineReceived("Ms", "EXIT"));
        EXPECT_FALSE(EngineReceived("Md", "EXIT"));
    });
}
