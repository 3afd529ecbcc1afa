#include <deque>
#include <fstream>
#include <iterator>
#include <string>

#include "PanelFixture.h"
#include "platform/ui/UiTest.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"
#include "support/StoreProcess.h"

namespace {

const char kMainStore[] = "C:\\Korvex금융투자\\PlenorixGlobal\\exe\\DataBase\\db_Velmora.db";

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// Boxes with the moment they came (before or after the form was filled), answered in turn.
class StoreNoticeTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        SetMessageBoxResponder([this](const CString& text, const CString&, UINT type) {
            seen.push_back({text.GetString(), type});
            CWnd* hours = dlg && dlg->GetSafeHwnd() ? dlg->GetDlgItem(1088) : nullptr;
            formFilled.push_back(hours && static_cast<CComboBox*>(hours)->GetCount() > 0);
            if (answers.empty())
                return IDOK;
            const int next = answers.front();
            answers.pop_front();
            return next;
        });
    }

    void Apply(CVossenDlg& dlg, std::initializer_list<int> replies) {
        answers = replies;
        zui::Click(dlg.GetDlgItem(IDC_BTN_APPLY));
        zui::ProcessEvents();
    }

    std::string MainPath() const { return BasePath("DataBase\\db_Velmora.db"); }

    struct Seen {
        std::string text;
        UINT type;
    };
    std::vector<Seen> seen;
    std::deque<int> answers;
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
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(Has(seen[0].text, kMainStore)) << seen[0].text;
        EXPECT_TRUE(Has(seen[0].text, "설정값을 읽지 못했습니다"));
        EXPECT_FALSE(formFilled[0]);
        EXPECT_EQ(Text(dlg, 1123), "0");

        // Apply asks before the values shown go over the unread ones; No writes nothing.
        SetText(dlg, 1123, "70");
        Apply(dlg, {IDYES, IDNO});
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_TRUE(Has(seen[2].text, "덮어쓰시겠습니까")) << seen[2].text;
        EXPECT_EQ(seen[2].type & MB_TYPEMASK, MB_YESNO);
        EXPECT_EQ(g_pTradeState->day_tot_loss_max, 0);

        // Yes tries; the file is no database, so nothing is stored and the engines hear nothing.
        Apply(dlg, {IDYES, IDYES});
        ASSERT_EQ(seen.size(), 6u);
        EXPECT_TRUE(Has(seen[5].text, "설정값을 저장하지 못했습니다")) << seen[5].text;
        EXPECT_TRUE(Has(seen[5].text, kMainStore));
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 0);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 0);
    });
    // The logout on the way out fails too and leaves the file as it was.
    EXPECT_EQ(FileBytes(MainPath()), bytes);
}

TEST_F(StoreNoticeTest, AFailedSaveIsToldAndTheEnginesAreNotToldToReload) {
    RunDialog([&](CVossenDlg& dlg) {
        EXPECT_TRUE(seen.empty());
        const auto before = StoredStrategy();
        SetText(dlg, 1123, "70");
        {
            StoreProcess writer(StoreProcess::Kind::ReservedWriter, MainPath());
            ASSERT_TRUE(writer.Ready());
            Apply(dlg, {IDYES});
            EXPECT_EQ(writer.Stop(), 1);
        }
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_TRUE(Has(seen[1].text, "설정값을 저장하지 못했습니다")) << seen[1].text;
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 0);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 0);
        EXPECT_EQ(StoredStrategy(), before);

        // Once the lock is gone the same Apply stores and tells both engines, with no extra box.
        Apply(dlg, {IDYES});
        EXPECT_EQ(seen.size(), 3u);
        EXPECT_EQ(ms->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        EXPECT_EQ(md->Count(WM_TRADER_RELOAD_SETTINGS), 1);
        for (const auto& [name, value] : StoredStrategy()) {
            if (name == "day_tot_loss_max") {
                EXPECT_EQ(value, 700000);
            }
        }
    });
}
