// The main dialog of MainDialogTest for the settings form, the history list and the export:
// accounts "111" and "222", message boxes answered IDOK unless a test says otherwise.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "MainDialogFixture.h"

class PanelTest : public MainDialogTest {
public:
    static std::string Text(CVossenDlg& dlg, int id);
    static void SetText(CVossenDlg& dlg, int id, const char* text);
    static void Check(CVossenDlg& dlg, int id, bool checked);

protected:
    void SetUp() override;

    // Runs the dialog; the script gets it once it is up.
    void RunDialog(const std::function<void(CVossenDlg&)>& script);

    // The host path of a file in the base folder.
    static std::string BasePath(const char* name);
    // Rows of a report list as texts, top row first.
    static std::vector<std::vector<std::string>> Rows(CListCtrl& list, int columns);
    // An account-information record of one engine (1 Ms, 0 Md), delivered as the engine does.
    static void SendAccountInfo(CVossenDlg& dlg, int slot, int priceDecimals, const char* fromDay,
                                const char* toDay);
    // The strategy table of the main store, in row order.
    static std::vector<std::pair<std::string, int>> StoredStrategy();
};

// "YYYYMMDD" of the current local date.
std::string Today();
