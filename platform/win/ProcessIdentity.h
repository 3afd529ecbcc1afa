// A process named so that no later process can pass for it: its pid and its start time. The
// system hands an ended process's pid to later ones (pid_max is often 32768), so a pid alone
// may name another program by the time it is looked at.
#pragma once

#include <cstdint>

namespace zwin {

struct ProcessIdentity {
    int pid = 0;
    // Clock ticks from the system's boot to the process's start (/proc/<pid>/stat field 22);
    // 0 when it could not be read, and then the pid alone names the process.
    std::uint64_t startTime = 0;
    bool operator==(const ProcessIdentity&) const = default;
    explicit operator bool() const { return pid > 0; }
};

// The start time of the process that has that pid, one that ended and waits to be reaped
// included; 0 when there is none (or no /proc to read it from).
std::uint64_t ProcessStartTime(int pid);
// The process that has that pid now, while it runs (one that ended and waits to be reaped
// does not run); an empty identity when none does.
ProcessIdentity IdentifyProcess(int pid);
// Whether that very process still runs: a later process with its pid is another one.
bool ProcessLives(const ProcessIdentity& process);

} // namespace zwin
