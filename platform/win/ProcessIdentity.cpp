#include "platform/win/ProcessIdentity.h"

#include <signal.h>

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

namespace zwin {

ProcessIdentity IdentifyProcess(int pid) {
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno != EPERM))
        return {};
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const int fd = Sys().open(path.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return {pid, 0}; // no /proc here: the pid alone
    char text[kStatLineMax];
    const ssize_t n = Sys().read(fd, text, sizeof(text) - 1);
    Sys().close(fd);
    if (n <= 0)
        return {}; // it ended between the two calls
    text[n] = '\0';
    const char* p = std::strrchr(text, ')');
    if (!p || p[1] != ' ')
        return {pid, 0};
    // An ended process that nobody has reaped yet runs no more.
    if (p[2] == 'Z' || p[2] == 'X')
        return {};
    p += 2;
    for (int field = 1; field < kStartTimeAfterName && p; ++field) {
        p = std::strchr(p, ' ');
        if (p)
            ++p;
    }
    if (!p)
        return {pid, 0};
    return {pid, std::strtoull(p, nullptr, 10)};
}

bool ProcessLives(const ProcessIdentity& process) {
    if (!process)
        return false;
    const ProcessIdentity now = IdentifyProcess(process.pid);
    return now && (process.startTime == 0 || now.startTime == 0 || now.startTime == process.startTime);
}

} // namespace zwin
