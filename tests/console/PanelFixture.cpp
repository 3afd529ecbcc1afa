#include "PanelFixture.h"

#include <sqlite3.h>

#include <ctime>

#include "platform/core/Path.h"
#include "store/TradeState.h"
#include "supervision/TraderMessages.h"

void PanelTest::SetUp() {
    MainDialogTest::SetUp();
    g_pTradeState->account_number = "111";
    g_pTradeState->account_number2 = "222";
    boxes.answer = IDOK;
}

void PanelTest::RunDialog(const std::function<void(CVossenDlg&)>& script) {
    bool ran = false;
    Run([&] {
        script(*dlg);
        ran = true;
    });
    EXPECT_TRUE(ran);
}

std::string PanelTest::BasePath(const char* name) {
    return HostPath((std::string(kBaseFolder) + "\\" + name).c_str());
}

std::vector<std::vector<std::string>> PanelTest::Rows(CListCtrl& list, int columns) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list.GetItemCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < columns; ++c)
            row.push_back(list.GetItemText(r, c).GetString());
        rows.push_back(row);
    }
    return rows;
}

std::string PanelTest::Text(CVossenDlg& dlg, int id) {
    CString text;
    dlg.GetDlgItem(id)->GetWindowText(text);
    return text.GetString();
}

void PanelTest::SetText(CVossenDlg& dlg, int id, const char* text) {
    dlg.GetDlgItem(id)->SetWindowText(text);
}

void PanelTest::Check(CVossenDlg& dlg, int id, bool checked) {
    dlg.CheckDlgButton(id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void PanelTest::SendAccountInfo(CVossenDlg& dlg, int slot, int priceDecimals, const char* fromDay,
                                const char* toDay) {
    CString record;
    record.Format("%d|0|0|0|0|0|0|0|0|0|0|%d|x|1|%s|x|%s|x", slot, priceDecimals, fromDay, toDay);
    COPYDATASTRUCT data{COPYDATA_ACCOUNT_INFO, static_cast<DWORD>(record.GetLength() + 1),
                        const_cast<char*>(record.GetString())};
    dlg.SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

std::vector<std::pair<std::string, int>> PanelTest::StoredStrategy() {
    std::vector<std::pair<std::string, int>> rows;
    sqlite3* db = nullptr;
    const std::string path = BasePath("DataBase\\db_Velmora.db");
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "select name, value from VnStrategy order by rowid", -1, &stmt, nullptr);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                          sqlite3_column_int(stmt, 1));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

std::string Today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}
