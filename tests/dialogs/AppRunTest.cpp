// The whole run of the application object: login, main dialog, cleanup.
#include <sqlite3.h>

#include <cstdlib>

#include "DialogFixture.h"
#include "console/VossenApp.h"
#include "platform/core/Path.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

namespace {

std::vector<unsigned> g_pauses;

class AppRunTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        g_pauses.clear();
        Sys().sleepMs = [](unsigned ms) { g_pauses.push_back(ms); };
        theApp.SetCommandLine("");
        m_drive.MakeBaseFolder();
    }

    // Rows of the account table, -1 when the store cannot be read.
    static int AccountRows() {
        const std::string path = HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str());
        sqlite3* db = nullptr;
        int rows = -1;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
            sqlite3_exec(
                db, "select count(*) from VnAccount",
                [](void* out, int, char** values, char**) {
                    *static_cast<int*>(out) = std::atoi(values[0]);
                    return 0;
                },
                &rows, nullptr);
        sqlite3_close(db);
        return rows;
    }
};

TEST_F(AppRunTest, CancelledLoginShowsNoMainDialogAndStillCleansUp) {
    Then([] {
        CWnd* login = FindTopLevel("Zorvik 마스터 - [Korvex금융투자 로그인]");
        ASSERT_NE(login, nullptr);
        zui::ClickCloseBox(login);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
    EXPECT_EQ(g_pTradeState, nullptr);
    EXPECT_EQ(g_pTradeDataBase, nullptr);
    // The store was prepared, and no main dialog came to save an account row in it.
    EXPECT_EQ(AccountRows(), 0);
}

TEST_F(AppRunTest, AcceptedLoginRunsTheMainDialogThenCleansUp) {
    Then([] {
        CWnd* login = FindTopLevel("Zorvik 마스터 - [Korvex금융투자 로그인]");
        ASSERT_NE(login, nullptr);
        for (auto [id, text] :
             {std::pair{1064, "u1"}, {1065, "p1"}, {1057, "1"}, {1072, "u2"}, {1074, "p2"}, {1058, "2"}})
            SetText(login, id, text);
        zui::Click(login->GetDlgItem(1234));
        zui::Click(login->GetDlgItem(IDOK));
    });
    Then([] {
        CWnd* main = FindTopLevel("Zorvik-Master");
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(theApp.m_pMainWnd, main);
        EXPECT_EQ(g_pTradeState->account_passwd, "0472");
        zui::PressKey(main->GetDlgItem(1123), VK_ESCAPE);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(g_pauses, std::vector<unsigned>{1000});
    EXPECT_EQ(g_pTradeState, nullptr);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(AccountRows(), 1);
}

} // namespace
