#include "platform/win/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"

extern char** environ;

namespace {

// ---------------------------------------------------------------------------------------
// Reaping. Only the children started here are waited for, so that code which waits for
// its own children keeps its exit statuses. The table is read by the signal handler.

constexpr int kReapSlots = 1024;
std::atomic<pid_t> g_started[kReapSlots];
struct sigaction g_previousChld;
std::once_flag g_reaperOnce;
bool g_kernelReaps = false;
// The last children reaped, as pid (high half) and wait status (low half), for whoever asks
// how one ended.
constexpr unsigned kEndedKept = 256;
std::atomic<std::uint64_t> g_ended[kEndedKept];
std::atomic<unsigned> g_endedCount{0};

void NoteEnded(pid_t pid, int status) {
    const unsigned slot = g_endedCount.fetch_add(1) % kEndedKept;
    g_ended[slot].store(static_cast<std::uint64_t>(static_cast<std::uint32_t>(pid)) << 32 |
                        static_cast<std::uint32_t>(status));
}

void ReapStarted() {
    for (auto& slot : g_started) {
        pid_t pid = slot.load();
        if (pid <= 0)
            continue;
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            NoteEnded(pid, status);
        if (r == pid || (r < 0 && errno == ECHILD))
            slot.compare_exchange_strong(pid, 0);
    }
}

void OnChildExit(int sig, siginfo_t* info, void* context) {
    int savedErrno = errno;
    ReapStarted();
    if (g_previousChld.sa_flags & SA_SIGINFO) {
        if (g_previousChld.sa_sigaction)
            g_previousChld.sa_sigaction(sig, info, context);
    } else if (g_previousChld.sa_handler != SIG_DFL && g_previousChld.sa_handler != SIG_IGN) {
        g_previousChld.sa_handler(sig);
    }
    errno = savedErrno;
}

void InstallReaper() {
    std::call_once(g_reaperOnce, [] {
        struct sigaction current {};
        sigaction(SIGCHLD, nullptr, &current);
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) {
            g_kernelReaps = true; // the system already leaves no zombies
            return;
        }
        g_previousChld = current;
        struct sigaction sa {};
        sa.sa_sigaction = OnChildExit;
        sa.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGCHLD, &sa, nullptr);
    });
}

void TrackChild(pid_t pid) {
    if (g_kernelReaps)
        return;
    for (auto& slot : g_started) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid))
            break;
    }
    // It may have ended before it was in the table.
    ReapStarted();
}

// ---------------------------------------------------------------------------------------
// Process and thread handles: small numbers that name a started process.

struct HandleEntry {
    zwin::ProcessIdentity process;
};
std::mutex g_handleLock;
std::map<std::uintptr_t, HandleEntry> g_handles;
std::uintptr_t g_nextHandle = 0x4000;

HANDLE NewHandle(const zwin::ProcessIdentity& process) {
    std::lock_guard<std::mutex> lock(g_handleLock);
    std::uintptr_t h = (g_nextHandle += 4);
    g_handles[h] = HandleEntry{process};
    return reinterpret_cast<HANDLE>(h);
}

// ---------------------------------------------------------------------------------------

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

DWORD ErrorFromSpawn(int err) {
    return err == ENOEXEC ? ERROR_BAD_EXE_FORMAT : Win32ErrorFromErrno(err);
}

// The host file of a program path; a name without an extension may stand for its ".exe".
std::string ResolveProgram(const CString& windowsPath, DWORD* error) {
    CString path = windowsPath;
    path.Trim('"');
    if (path.IsEmpty()) {
        *error = ERROR_FILE_NOT_FOUND;
        return {};
    }
    std::string host = HostPath(path.GetString());
    struct stat st;
    if (Sys().stat(host.c_str(), &st) != 0) {
        int err = errno;
        std::string base = host.substr(host.find_last_of('/') + 1);
        if (base.find('.') == std::string::npos && Sys().stat((host + ".exe").c_str(), &st) == 0) {
            host += ".exe";
        } else {
            *error = err == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(err);
            return {};
        }
    }
    if (S_ISDIR(st.st_mode) || ::access(host.c_str(), X_OK) != 0) {
        *error = ERROR_ACCESS_DENIED;
        return {};
    }
    *error = ERROR_SUCCESS;
    return host;
}

// Starts the resolved program; returns 0 and the pid, or a Windows error code.
DWORD Spawn(const std::string& program, const std::vector<CString>& args, const char* directory,
            const std::vector<std::string>* environment, zwin::ProcessIdentity* started) {
    std::vector<std::string> argStore;
    argStore.push_back(program);
    for (const CString& a : args)
        argStore.push_back(AnsiToHostUtf8(a.GetString()));
    std::vector<char*> argv;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<char*> envp;
    if (environment) {
        for (const std::string& e : *environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string hostDirectory;
    if (directory && *directory) {
        hostDirectory = HostPath(directory);
        struct stat st;
        if (Sys().stat(hostDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            posix_spawn_file_actions_destroy(&actions);
            return ERROR_DIRECTORY;
        }
        posix_spawn_file_actions_addchdir_np(&actions, hostDirectory.c_str());
    }
    // The started program begins with default signal handling and nothing blocked.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    InstallReaper();
    pid_t pid = 0;
    int rc = Sys().posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(),
                               environment ? envp.data() : environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return ErrorFromSpawn(rc);
    // Not reaped before it is tracked: its start time is there to read even if it has ended.
    *started = {pid, zwin::ProcessStartTime(pid)};
    TrackChild(pid);
    return ERROR_SUCCESS;
}

} // namespace

namespace zwin {

std::vector<CString> SplitCommandLine(const char* commandLine, bool firstIsProgram) {
    std::vector<CString> out;
    if (!commandLine)
        return out;
    const char* p = commandLine;
    if (firstIsProgram) {
        while (IsBlank(*p))
            ++p;
        if (!*p)
            return out;
        CString program;
        if (*p == '"') {
            ++p;
            while (*p && *p != '"')
                program += *p++;
            if (*p == '"')
                ++p;
        } else {
            while (*p && !IsBlank(*p))
                program += *p++;
        }
        out.push_back(program);
    }
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (!*p)
            break;
        CString arg;
        bool quoted = false;
        while (*p) {
            int backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            if (*p == '"') {
                for (int i = 0; i < backslashes / 2; ++i)
                    arg += '\\';
                if (backslashes % 2) {
                    arg += '"';
                    ++p;
                } else if (quoted && p[1] == '"') {
                    arg += '"';
                    p += 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
                continue;
            }
            for (int i = 0; i < backslashes; ++i)
                arg += '\\';
            if (!*p || (IsBlank(*p) && !quoted))
                break;
            arg += *p++;
        }
        out.push_back(arg);
    }
    return out;
}

} // namespace zwin

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->hProcess = nullptr;
    auto fail = [info](DWORD error, int shellError) {
        info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(shellError));
        SetLastError(error);
        return FALSE;
    };
    CString verb = info->lpVerb ? info->lpVerb : "";
    bool wrongClass = (info->fMask & SEE_MASK_CLASSNAME) && info->lpClass &&
                      CString(info->lpClass).CompareNoCase("exefile") != 0;
    if ((!verb.IsEmpty() && verb.CompareNoCase("open") != 0) || wrongClass)
        return fail(ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
    if (!info->lpFile)
        return fail(ERROR_FILE_NOT_FOUND, SE_ERR_FNF);

    DWORD error = ERROR_SUCCESS;
    std::string program = ResolveProgram(info->lpFile, &error);
    if (error == ERROR_SUCCESS) {
        zwin::ProcessIdentity started;
        error = Spawn(program, zwin::SplitCommandLine(info->lpParameters, false), info->lpDirectory, nullptr,
                      &started);
        if (error == ERROR_SUCCESS) {
            if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
                info->hProcess = NewHandle(started);
            info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(42));
            SetLastError(ERROR_SUCCESS);
            return TRUE;
        }
    }
    int shellError = error == ERROR_FILE_NOT_FOUND   ? SE_ERR_FNF
                     : error == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF
                                                     : SE_ERR_ACCESSDENIED;
    return fail(error, shellError);
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*,
                    BOOL, DWORD, LPVOID environment, LPCSTR currentDirectory, STARTUPINFOA*,
                    PROCESS_INFORMATION* processInformation) {
    if (!applicationName && !commandLine) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<CString> words = zwin::SplitCommandLine(commandLine, true);
    CString programPath = applicationName ? CString(applicationName) : (words.empty() ? CString() : words[0]);
    std::vector<CString> args;
    if (words.size() > 1)
        args.assign(words.begin() + 1, words.end());

    DWORD error = ERROR_SUCCESS;
    std::string program = ResolveProgram(programPath, &error);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    std::vector<std::string> envStore;
    if (environment) {
        for (const char* e = static_cast<const char*>(environment); *e; e += std::strlen(e) + 1)
            envStore.push_back(AnsiToHostUtf8(e));
    }
    zwin::ProcessIdentity started;
    error = Spawn(program, args, currentDirectory, environment ? &envStore : nullptr, &started);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    if (processInformation) {
        processInformation->hProcess = NewHandle(started);
        processInformation->hThread = NewHandle(started);
        processInformation->dwProcessId = static_cast<DWORD>(started.pid);
        processInformation->dwThreadId = static_cast<DWORD>(started.pid);
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard<std::mutex> lock(g_handleLock);
    if (g_handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD GetProcessId(HANDLE process) {
    std::lock_guard<std::mutex> lock(g_handleLock);
    auto it = g_handles.find(reinterpret_cast<std::uintptr_t>(process));
    if (it == g_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(it->second.process.pid);
}

namespace zwin {

ProcessIdentity StartedProcess(HANDLE process) {
    std::lock_guard<std::mutex> lock(g_handleLock);
    auto it = g_handles.find(reinterpret_cast<std::uintptr_t>(process));
    return it == g_handles.end() ? ProcessIdentity{} : it->second.process;
}

bool StartedProcessEnded(int pid, int* waitStatus) {
    // The signal that it ended may not have been handled yet.
    ReapStarted();
    const unsigned count = g_endedCount.load();
    for (unsigned i = 0; i < std::min(count, kEndedKept); ++i) {
        const std::uint64_t ended = g_ended[(count - 1 - i) % kEndedKept].load();
        if (static_cast<int>(ended >> 32) == pid) {
            *waitStatus = static_cast<int>(static_cast<std::uint32_t>(ended));
            return true;
        }
    }
    return false;
}

} // namespace zwin
