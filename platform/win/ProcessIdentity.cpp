#include "platform/win/ProcessIdentity.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Sys.h"

namespace {

// The start time is field 22 of the stat line, the 20th after the command name, which ends at
// the line's last ')' (the name itself may hold blanks and parentheses).
constexpr int kStartTimeAfterName = 20;
// A stat line is a few hundred bytes.
constexpr std::size_t kStatLineMax = 1024;

} // namespace

namespace {

// The process's state letter and start time from its stat line; false when it has none.
bool ReadStat(int pid, char* state, std::uint64_t* startTime) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const int fd = Sys().open(path.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return false;
    char text[kStatLineMax];
    const ssize_t n = Sys().read(fd, text, sizeof(text) - 1);
    Sys().close(fd);
    if (n <= 0)
        return false;
    text[n] = '\0';
    const char* p = std::strrchr(text, ')');
    if (!p || p[1] != ' ' || !p[2])
        return false;
    *state = p[2];
    p += 2;
    for (int field = 1; field < kStartTimeAfterName && p; ++field) {
        p = std::strchr(p, ' ');
        if (p)
            ++p;
    }
    *startTime = p ? std::strtoull(p, nullptr, 10) : 0;
    return true;
}

// A process descriptor (pidfd) pins the very process it was opened for: it polls readable once
// that process has ended, whatever later process gets its pid. So a process looked at again
// (each post to a window of another process asks) costs one poll, not a read of its stat line.
struct Pinned {
    zwin::ProcessIdentity process;
    int fd;
};
constexpr std::size_t kPinnedMax = 16;
std::mutex g_pinnedLock;
std::vector<Pinned> g_pinned;

bool Ended(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) != 0;
}

// Whether that process lives, from its pin; nothing when it has none (or its pin has ended).
std::optional<bool> PinnedLives(const zwin::ProcessIdentity& process) {
    for (auto it = g_pinned.begin(); it != g_pinned.end(); ++it) {
        if (it->process.pid != process.pid)
            continue;
        if (Ended(it->fd)) {
            Sys().close(it->fd);
            g_pinned.erase(it);
            return std::nullopt;
        }
        // Only one process has a pid at a time: another start time names one that has gone.
        return process.startTime == 0 || it->process.startTime == process.startTime;
    }
    return std::nullopt;
}

void Pin(const zwin::ProcessIdentity& process) {
    if (process.startTime == 0)
        return;
    const int fd = Sys().pidfdOpen(process.pid);
    if (fd < 0)
        return; // no pidfd here: every look reads the stat line
    // The process may have ended and its pid been taken between the read and the open.
    if (zwin::ProcessStartTime(process.pid) != process.startTime) {
        Sys().close(fd);
        return;
    }
    if (g_pinned.size() >= kPinnedMax) {
        Sys().close(g_pinned.front().fd);
        g_pinned.erase(g_pinned.begin());
    }
    g_pinned.push_back({process, fd});
}

} // namespace

namespace zwin {

std::uint64_t ProcessStartTime(int pid) {
    char state = 0;
    std::uint64_t start = 0;
    return pid > 0 && ReadStat(pid, &state, &start) ? start : 0;
}

ProcessIdentity IdentifyProcess(int pid) {
    if (pid <= 0)
        return {};
    char state = 0;
    std::uint64_t start = 0;
    if (ReadStat(pid, &state, &start)) {
        // An ended process that nobody has reaped yet runs no more.
        if (state == 'Z' || state == 'X')
            return {};
        return {pid, start};
    }
    // No such process; or no /proc here, and the pid alone names it.
    if (::access("/proc/self/stat", R_OK) == 0 || (::kill(pid, 0) != 0 && errno != EPERM))
        return {};
    return {pid, 0};
}

bool ProcessLives(const ProcessIdentity& process) {
    if (!process)
        return false;
    std::lock_guard<std::mutex> lock(g_pinnedLock);
    if (const std::optional<bool> lives = PinnedLives(process))
        return *lives;
    const ProcessIdentity now = IdentifyProcess(process.pid);
    const bool lives =
        now && (process.startTime == 0 || now.startTime == 0 || now.startTime == process.startTime);
    if (lives)
        Pin(now);
    return lives;
}

} // namespace zwin
