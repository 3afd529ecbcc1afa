// Programs the end-to-end test starts: the X server, the console, xdotool.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// Starts argv[0] (looked up on PATH) with the test's environment changed by `env` (an empty
// value removes the variable), in `cwd` when given, its output appended to `log` when given.
// Returns the pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {},
            const std::string& cwd = {}, const std::string& log = {});

// Runs a tool to its end (at most timeoutMs) and returns what it printed; exitCode is -1
// when it did not end in time (it is then killed).
std::string RunTool(const std::vector<std::string>& argv, int timeoutMs, int* exitCode = nullptr,
                    const std::map<std::string, std::string>& env = {});

// Waits up to timeoutMs for the child to end; true when it did (and was reaped).
bool WaitForExit(pid_t pid, int timeoutMs, int* status = nullptr);
// True while a process of that pid exists and is not a zombie.
bool IsRunning(pid_t pid);
// Whether a program is on PATH.
bool OnPath(const std::string& program);
// Makes this process the one that adopts its descendants' orphans, so the engines the
// console started can be reaped here.
void AdoptOrphans();
// Reaps every child that has ended.
void ReapEnded();
