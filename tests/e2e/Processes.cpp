#include "Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern char** environ;

namespace {

long long NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

void PauseMs(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        if (!changes.count(key))
            env.push_back(entry);
    }
    for (const auto& [key, value] : changes)
        if (!value.empty())
            env.push_back(key + "=" + value);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

pid_t SpawnWith(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                const std::string& cwd, int outFd, int errFd) {
    std::vector<std::string> args = argv;
    std::vector<std::string> envStrings = Environment(env);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(envStrings);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& cwd, const std::string& log) {
    int fd = -1;
    if (!log.empty())
        fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_t pid = SpawnWith(argv, env, cwd, fd, fd);
    if (fd >= 0)
        close(fd);
    return pid;
}

std::string RunTool(const std::vector<std::string>& argv, int timeoutMs, int* exitCode,
                    const std::map<std::string, std::string>& env) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    // Only what the tool prints on its standard output is its answer.
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t pid = SpawnWith(argv, env, {}, pipeFds[1], devNull);
    close(devNull);
    close(pipeFds[1]);
    std::string out;
    const long long deadline = NowMs() + timeoutMs;
    bool open = pid > 0;
    while (open && NowMs() < deadline) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(std::max(1LL, deadline - NowMs()))) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            open = false;
        else
            out.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    if (pid > 0 && !WaitForExit(pid, static_cast<int>(std::max(0LL, deadline - NowMs())), &status)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        status = -1;
    }
    if (exitCode)
        *exitCode = pid <= 0 ? -1 : (status == -1 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : 128));
    return out;
}

bool WaitForExit(pid_t pid, int timeoutMs, int* status) {
    const long long deadline = NowMs() + timeoutMs;
    do {
        int s = 0;
        const pid_t r = waitpid(pid, &s, WNOHANG);
        if (r == pid) {
            if (status)
                *status = s;
            return true;
        }
        if (r < 0)
            return !IsRunning(pid);
        PauseMs(20);
    } while (NowMs() < deadline);
    return false;
}

bool IsRunning(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

void AdoptOrphans() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

void ReapEnded() {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}
