// SIGTERM, SIGINT and SIGHUP reach the process as calls on its message loop, never inside
// the signal handler.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <vector>

#include "platform/core/Sys.h"
#include "platform/win/EndRequests.h"
#include "platform/win/MessageLoop.h"

namespace {

class EndRequestsTest : public ::testing::Test {
protected:
    void TearDown() override { zwin::UnwatchEndRequests(); }
    SysCallsOverride sys;
};

TEST_F(EndRequestsTest, EachSignalIsHandedToTheLoopOnceAndASecondOneEndsTheProcess) {
    const std::size_t watched = zwin::WatchedFds().size();
    std::vector<int> taken;
    ASSERT_TRUE(zwin::WatchEndRequests([&](int signal) { taken.push_back(signal); }));
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ASSERT_EQ(raise(signal), 0);
    EXPECT_TRUE(taken.empty()) << "nothing runs in the handler";
    zwin::PollFds(1000);
    EXPECT_EQ(taken, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));

    // A second signal of a kind takes its default action: a stuck process can still be ended.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        zwin::WatchEndRequests([](int) {});
        raise(SIGTERM);
        raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);

    // Unwatched, the default actions are back and nothing is handed on.
    zwin::UnwatchEndRequests();
    struct sigaction action;
    sigaction(SIGINT, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
    EXPECT_EQ(zwin::WatchedFds().size(), watched);
}

TEST_F(EndRequestsTest, WithoutAPipeOrAHandlerTheSignalsKeepTheirDefaultAction) {
    const std::size_t watched = zwin::WatchedFds().size();
    const auto realPipe = Sys().pipe2;
    Sys().pipe2 = [](int*, int) {
        errno = EMFILE;
        return -1;
    };
    EXPECT_FALSE(zwin::WatchEndRequests([](int) {}));
    struct sigaction action;
    sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);

    Sys().pipe2 = realPipe;
    Sys().sigaction = [](int signal, const struct sigaction* a, struct sigaction* old) {
        if (signal == SIGHUP && a && a->sa_handler != SIG_DFL) {
            errno = EINVAL;
            return -1;
        }
        return ::sigaction(signal, a, old);
    };
    EXPECT_FALSE(zwin::WatchEndRequests([](int) {}));
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, nullptr, &action);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << signal;
    }
    EXPECT_EQ(zwin::WatchedFds().size(), watched);
}

} // namespace
