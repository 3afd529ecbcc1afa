#include "platform/win/EndRequests.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Sys.h"
#include "platform/win/MessageLoop.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_readFd = -1;
volatile sig_atomic_t g_writeFd = -1;

std::function<void(int)>& Handler() {
    static std::function<void(int)> handler;
    return handler;
}

// Async-signal-safe: one write, errno kept. A full pipe already holds a request.
void OnSignal(int signal) {
    const int saved = errno;
    const int fd = g_writeFd;
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        ssize_t ignored = ::write(fd, &number, 1);
        (void)ignored;
    }
    errno = saved;
}

void Restore() {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        Sys().sigaction(signal, &action, nullptr);
}

void ClosePipe() {
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    if (g_readFd >= 0) {
        zwin::UnwatchFd(g_readFd);
        Sys().close(g_readFd);
        g_readFd = -1;
    }
    if (writeFd >= 0)
        Sys().close(writeFd);
}

void TakeRequests() {
    unsigned char numbers[16];
    for (;;) {
        const ssize_t n = Sys().read(g_readFd, numbers, sizeof numbers);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i) {
            // The handler may end the watch.
            std::function<void(int)> handler = Handler();
            if (handler)
                handler(numbers[i]);
        }
    }
}

} // namespace

namespace zwin {

bool WatchEndRequests(std::function<void(int signal)> onRequest) {
    UnwatchEndRequests();
    int fds[2];
    if (Sys().pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    g_readFd = fds[0];
    g_writeFd = fds[1];
    Handler() = std::move(onRequest);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : kSignals) {
        if (Sys().sigaction(signal, &action, nullptr) != 0) {
            UnwatchEndRequests();
            return false;
        }
    }
    WatchFd(g_readFd, TakeRequests);
    return true;
}

void UnwatchEndRequests() {
    Restore();
    ClosePipe();
    Handler() = nullptr;
}

} // namespace zwin
