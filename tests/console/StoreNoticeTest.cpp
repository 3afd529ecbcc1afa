#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <string>

#include "PanelFixture.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/StoreProcess.h"
#include "uitest/UiTest.h"

namespace {

const char kMainStore[] = "C:\\Korvex금융투자\\PlenorixGlobal\\exe\\DataBase\\db_Velmora.db";

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExecSql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

bool Has(const CString& text, const char* part) {
    return text.Find(part) >= 0;
}

// Boxes with the moment they came (before or after the form was filled), answered in turn.
class StoreNoticeTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        boxes.onShown = [this](const ShownBox&) {
            CWnd* hours = dlg && dlg->GetSafeHwnd() ? dlg->GetDlgItem(1088) : nullptr;
            formFilled.push_back(hours && static_cast<CComboBox*>(hours)->GetCount() > 0);
        };
    }

    void Apply(CVossenDlg& dlg, std::initializer_list<int> replies) {
        boxes.AnswerNext(replies);
        zui::Click(dlg.GetDlgItem(IDC_BTN_APPLY));
        zui::ProcessEvents();
    }

    std::string MainPath() const { return BasePath("DataBase\\db_Velmora.db"); }

    std::vector<bool> formFilled;
};

} // namespace

TEST_F(StoreNoticeTest, AStoreThatIsNotADatabaseIsToldFirstAndNeverWritten) {
    {
        std::ofstream out(MainPath(), std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 100; ++i)
            out << "a file that is not a database " << i << "\n";
    }
    const std::string bytes = FileBytes(MainPath());
    RunDialog([&](CVossenDlg& dlg) {
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_TRUE(Has(boxes[0].text, kMainStore)) << boxes[0].text;
        EXPECT_TRUE(Has(boxes[0].text, "설정값을 읽지 못했습니다"));
        EXPECT_FALSE(formFilled[0]);
        EXPECT_EQ(Text(dlg, 1123), "0");
        // The login could not be kept either, and is told.
        EXPECT_TRUE(Has(boxes[1].text, kMainStore)) << boxes[1].text;
        EXPECT_TRUE(Has(boxes[1].text, "로그인 정보를 저장하지 못했습니다"));

        // Apply asks before the values shown go over the unread ones; No writes nothing.
        SetText(dlg, 1123, "70");
        Apply(dlg, {IDYES, IDNO});
        ASSERT_EQ(boxes.size(), 4u);
        EXPECT_TRUE(Has(boxes[3].text, "덮어쓰시겠습니까")) << boxes[3].text;
        EXPECT_EQ(boxes[3].type & MB_TYPEMASK, MB_YESNO);
        EXPECT_EQ(g_pTradeState->day_tot_loss_max, 0);

        // Yes tries; the file is no database, so nothing is stored and the engines hear nothing.
        Apply(dlg, {IDYES, IDYES});
        ASSERT_EQ(boxes.size(), 7u);
        EXPECT_TRUE(Has(boxes[6].text, "설정값을 저장하지 못했습니다")) << boxes[6].text;
        EXPECT_TRUE(Has(boxes[6].text, kMainStore));
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 0);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 0);
    });
    // The logout on the way out fails too and leaves the file as it was.
    EXPECT_EQ(FileBytes(MainPath()), bytes);
}

TEST_F(StoreNoticeTest, AFailedSaveIsToldAndTheEnginesAreNotToldToReload) {
    RunDialog([&](CVossenDlg& dlg) {
        EXPECT_TRUE(boxes.empty());
        const auto before = StoredStrategy();
        SetText(dlg, 1123, "70");
        {
            StoreProcess writer(StoreProcess::Kind::ReservedWriter, MainPath());
            ASSERT_TRUE(writer.Ready());
            Apply(dlg, {IDYES});
            EXPECT_EQ(writer.Stop(), 1);
        }
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_TRUE(Has(boxes[1].text, "설정값을 저장하지 못했습니다")) << boxes[1].text;
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 0);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 0);
        EXPECT_EQ(StoredStrategy(), before);

        // Once the lock is gone the same Apply stores and tells both engines, with no extra box.
        Apply(dlg, {IDYES});
        EXPECT_EQ(boxes.size(), 3u);
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        for (const auto& [name, value] : StoredStrategy()) {
            if (name == "day_tot_loss_max") {
                EXPECT_EQ(value, 700000);
            }
        }

        // A table that the inserts do not fit stores nothing: told, and no engine reloads.
        ExecSql(MainPath(), "drop table VnStrategy");
        ExecSql(MainPath(),
                "create table VnStrategy (name char(20) PRIMARY KEY, value integer DEFAULT 0, note text NOT "
                "NULL)");
        SetText(dlg, 1123, "80");
        Apply(dlg, {IDYES});
        ASSERT_EQ(boxes.size(), 5u);
        EXPECT_TRUE(Has(boxes[4].text, "설정값을 저장하지 못했습니다")) << boxes[4].text;
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        EXPECT_TRUE(StoredStrategy().empty());
    });
}
