#include "platform/win/ProcessIdentity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

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
    const ProcessIdentity now = IdentifyProcess(process.pid);
    return now && (process.startTime == 0 || now.startTime == 0 || now.startTime == process.startTime);
}

} // namespace zwin
