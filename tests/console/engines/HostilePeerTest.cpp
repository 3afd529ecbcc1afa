// The main dialog against a hostile process on its station: posts of control numbers with a
// bogus pointer to the dialog and to every id after it reach no control and change no list.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <string>
#include <vector>

#include "PanelFixture.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "supervision/TraderMessages.h"
#include "support/Seconds.h"

extern char** environ;

namespace {

using HostilePeerTest = PanelTest;

} // namespace

TEST_F(HostilePeerTest, ControlNumbersToTheDialogAndItsControlsChangeNothing) {
    RunDialog([this](CVossenDlg& dlg) {
        SendAccountInfo(dlg, 1, 2, "20250602", "20250603");
        dlg.m_listHistory.InsertItem(0, "");
        dlg.m_listHistory.SetItemText(0, 1, "매수");
        dlg.m_listAccount.SetItemText(0, 0, "1,234");
        const auto account = Rows(dlg.m_listAccount, 4);
        const auto history = Rows(dlg.m_listHistory, 11);
        ASSERT_EQ(FindWindowA(nullptr, kTraderTitleMaster), dlg.m_hWnd);

        const std::uint64_t before = zwin::StationDroppedCount();
        constexpr int kIds = 200;
        std::string count = std::to_string(kIds);
        char* argv[] = {const_cast<char*>(STATION_PEER), const_cast<char*>("spray"),
                        const_cast<char*>(kTraderTitleMaster), count.data(), nullptr};
        pid_t peer = -1;
        ASSERT_EQ(posix_spawn(&peer, STATION_PEER, nullptr, nullptr, argv, environ), 0);
        // Five refused numbers to the dialog and to each id after it, all counted.
        const std::uint64_t refused = 5 * (kIds + 1);
        int status = -1;
        bool ended = false;
        const double end = Seconds() + 60;
        while ((!ended || zwin::StationDroppedCount() - before < refused) && Seconds() < end) {
            zui::ProcessEvents();
            zwin::PollFds(10);
            if (!ended)
                ended = waitpid(peer, &status, WNOHANG) == peer;
        }
        if (!ended) {
            kill(peer, SIGKILL);
            waitpid(peer, &status, 0);
        }
        ASSERT_TRUE(ended);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(zwin::StationDroppedCount() - before, refused);
        zui::ProcessEvents();
        EXPECT_EQ(Rows(dlg.m_listAccount, 4), account);
        EXPECT_EQ(Rows(dlg.m_listHistory, 11), history);
    });
}
