#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "platform/win/Process.h"
#include "support/TempDrive.h"

namespace {

std::vector<std::string> Split(const char* line, bool program) {
    std::vector<std::string> out;
    for (const CString& s : zwin::SplitCommandLine(line, program))
        out.emplace_back(s.GetString());
    return out;
}

void SleepMs(int ms) {
    timespec ts{0, ms * 1000000L};
    nanosleep(&ts, nullptr);
}

// Waits (bounded) until a started program has written its whole report.
std::string WaitForReport(const std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        std::string text = ss.str();
        if (text.size() >= 4 && text.compare(text.size() - 4, 4, "end\n") == 0)
            return text;
        SleepMs(10);
    }
    return {};
}

bool Gone(pid_t pid) {
    // Reaped: no longer our child, and no process entry (not even a zombie) left.
    std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    return ::access(stat.c_str(), F_OK) != 0;
}

bool WaitGone(pid_t pid) {
    for (int i = 0; i < 1000 && !Gone(pid); ++i)
        SleepMs(5);
    return Gone(pid);
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = drive.MakeBaseFolder();
        // Reports its arguments (one per line) and its directory next to itself.
        WriteScript(base + "/report.sh");
    }
    void WriteScript(const std::string& path) {
        std::ofstream out(path);
        out << "#!/bin/sh\nr=\"$(dirname \"$0\")/report.txt\"\n"
               "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$r.tmp\"\n"
               "printf 'cwd=%s\\nenv=%s\\nend\\n' \"$(pwd)\" \"$ZORVIK_PROBE\" >> \"$r.tmp\"\n"
               "mv \"$r.tmp\" \"$r\"\n";
        out.close();
        chmod(path.c_str(), 0755);
    }
    std::string Report() { return WaitForReport(base + "/report.txt"); }

    TempDrive drive;
    std::string base;
    std::string script = std::string(kBaseFolder) + "\\report.sh";
};

} // namespace

TEST(CommandLineSplit, FollowsTheWindowsRules) {
    EXPECT_EQ(Split("a  b\tc", false), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Split("\"a b\" c\"d e\"f", false), (std::vector<std::string>{"a b", "cd ef"}));
    // Backslashes count only before a quote: 2n give n and the quote groups, 2n+1 a quote.
    EXPECT_EQ(Split("a\\b a\\\\\"b c\" d\\\"e", false), (std::vector<std::string>{"a\\b", "a\\b c", "d\"e"}));
    EXPECT_EQ(Split("\"x\\\\\" y", false), (std::vector<std::string>{"x\\", "y"}));
    // An empty quoted argument is an argument; "" inside quotes is a quote.
    EXPECT_EQ(Split("\"\" \"a\"\"b\"", false), (std::vector<std::string>{"", "a\"b"}));
    EXPECT_EQ(Split("   ", false), (std::vector<std::string>{}));
    // The program name keeps its backslashes and ends at its closing quote.
    EXPECT_EQ(Split("\"C:\\a b\\x.exe\"id|pw x", true),
              (std::vector<std::string>{"C:\\a b\\x.exe", "id|pw", "x"}));
    EXPECT_EQ(Split("C:\\a\\x.exe \"q\\\"\"", true), (std::vector<std::string>{"C:\\a\\x.exe", "q\""}));
    // Double-byte characters pass whole.
    EXPECT_EQ(Split("계좌|비번 \"한 글\"", false), (std::vector<std::string>{"계좌|비번", "한 글"}));
}

TEST_F(ProcessTest, MissingAndUnrunnableFilesFailWithTheirCodes) {
    std::string plain = base + "/plain.txt";
    std::ofstream(plain) << "x";
    chmod(plain.c_str(), 0644);

    struct Case {
        std::string path;
        DWORD error;
    } cases[] = {
        {std::string(kBaseFolder) + "\\missing.exe", ERROR_FILE_NOT_FOUND},
        {std::string(kBaseFolder) + "\\plain.txt", ERROR_ACCESS_DENIED},
        {std::string(kBaseFolder), ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SHELLEXECUTEINFOA sei{};
        sei.cbSize = 60;
        sei.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        sei.lpFile = c.path.c_str();
        sei.nShow = SW_SHOW;
        sei.lpClass = "exefile";
        SetLastError(0);
        EXPECT_FALSE(ShellExecuteExA(&sei));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_LE(reinterpret_cast<std::intptr_t>(sei.hInstApp), 32);
        EXPECT_EQ(sei.hProcess, nullptr);

        std::string line = "\"" + c.path + "\" a";
        STARTUPINFOA si{};
        si.cb = 68;
        PROCESS_INFORMATION pi{};
        SetLastError(0);
        EXPECT_FALSE(
            CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(ProcessTest, AStartTheSystemRefusesFailsWithItsCodeAndNoHandle) {
    SysCallsOverride sys;
    static int s_error = 0;
    Sys().posix_spawn = [](pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*,
                           char* const*, char* const*) { return s_error; };
    const struct {
        int err;
        DWORD error;
        int shellError;
    } cases[] = {{ENOMEM, ERROR_NOT_ENOUGH_MEMORY, SE_ERR_ACCESSDENIED},
                 {ENOEXEC, ERROR_BAD_EXE_FORMAT, SE_ERR_ACCESSDENIED},
                 {EACCES, ERROR_ACCESS_DENIED, SE_ERR_ACCESSDENIED}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        s_error = c.err;
        SHELLEXECUTEINFOA sei{};
        sei.cbSize = 60;
        sei.fMask = SEE_MASK_NOCLOSEPROCESS;
        sei.lpFile = script.c_str();
        EXPECT_FALSE(ShellExecuteExA(&sei));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(sei.hInstApp), c.shellError);
        EXPECT_EQ(sei.hProcess, nullptr);

        std::string line = "\"" + script + "\" a";
        PROCESS_INFORMATION pi{};
        EXPECT_FALSE(
            CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(pi.hProcess, nullptr);
    }
    // The program's file, as the system reports it, decides before any start.
    Sys().stat = [](const char*, struct stat*) {
        errno = ENOTDIR;
        return -1;
    };
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = 60;
    sei.lpFile = script.c_str();
    EXPECT_FALSE(ShellExecuteExA(&sei));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(sei.hInstApp), SE_ERR_PNF);
}

TEST_F(ProcessTest, ShellStartPassesConvertedArgumentsEnvironmentAndDirectory) {
    setenv("ZORVIK_PROBE", "probe-1", 1);
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = 60;
    sei.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpFile = script.c_str();
    sei.lpParameters = "홍길동|pw|c|123-45|ap|1|NQM5|2|Ms \"two words\" back\\\\\"slash";
    sei.lpDirectory = kBaseFolder;
    sei.nShow = SW_SHOW;
    sei.lpClass = "exefile";
    ASSERT_TRUE(ShellExecuteExA(&sei));
    EXPECT_GT(reinterpret_cast<std::intptr_t>(sei.hInstApp), 32);
    ASSERT_NE(sei.hProcess, nullptr);
    EXPECT_NE(GetProcessId(sei.hProcess), 0u);
    EXPECT_TRUE(CloseHandle(sei.hProcess));
    EXPECT_FALSE(CloseHandle(sei.hProcess));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    unsetenv("ZORVIK_PROBE");

    std::string expected = "[" + AnsiToHostUtf8("홍길동|pw|c|123-45|ap|1|NQM5|2|Ms") +
                           "]\n[two words]\n[back\\slash]\ncwd=" + base + "\nenv=probe-1\nend\n";
    EXPECT_EQ(Report(), expected);
}

TEST_F(ProcessTest, PlainStartTakesAQuotedPathWithBlanksAndItsOwnDirectory) {
    std::string folder = drive.MakeFolder((std::string(kBaseFolder) + "\\with blank").c_str());
    WriteScript(folder + "/report.sh");
    std::string line = "\"" + std::string(kBaseFolder) + "\\with blank\\report.sh\" one \"two three\"";
    STARTUPINFOA si{};
    si.cb = 68;
    PROCESS_INFORMATION pi{};
    // The environment block replaces this process's environment.
    const char env[] = "ZORVIK_PROBE=block\0PATH=/usr/bin:/bin\0";
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, const_cast<char*>(env),
                               "Z:\\tmp", &si, &pi));
    EXPECT_EQ(pi.dwProcessId, GetProcessId(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_EQ(WaitForReport(folder + "/report.txt"), "[one]\n[two three]\ncwd=/tmp\nenv=block\nend\n");
}

TEST_F(ProcessTest, StartedProgramsLeaveNoZombieAndOtherChildrenStayWaitable) {
    pid_t own = fork();
    if (own == 0)
        _exit(7);
    ASSERT_GT(own, 0);

    std::vector<pid_t> started;
    for (int i = 0; i < 3; ++i) {
        SHELLEXECUTEINFOA sei{};
        sei.cbSize = 60;
        sei.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS;
        sei.lpFile = "Z:\\bin\\true";
        sei.lpClass = "exefile";
        ASSERT_TRUE(ShellExecuteExA(&sei));
        started.push_back(static_cast<pid_t>(GetProcessId(sei.hProcess)));
        CloseHandle(sei.hProcess);
    }
    for (pid_t pid : started)
        EXPECT_TRUE(WaitGone(pid)) << pid;

    // The test's own child was left for the test to wait for.
    int status = 0;
    ASSERT_EQ(waitpid(own, &status, 0), own);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

// A starter knows the process it started by pid and start time, even one that ended at once,
// and how each ended once it has.
TEST_F(ProcessTest, AStartedProcessIsKnownFromItsStartAndHowItEndedIsKept) {
    auto start = [](const char* file, const char* parameters) {
        SHELLEXECUTEINFOA sei{};
        sei.cbSize = 60;
        sei.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS;
        sei.lpFile = file;
        sei.lpParameters = parameters;
        sei.lpClass = "exefile";
        EXPECT_TRUE(ShellExecuteExA(&sei));
        const zwin::ProcessIdentity started = zwin::StartedProcess(sei.hProcess);
        EXPECT_EQ(static_cast<DWORD>(started.pid), GetProcessId(sei.hProcess));
        CloseHandle(sei.hProcess);
        EXPECT_EQ(zwin::StartedProcess(sei.hProcess), zwin::ProcessIdentity{}) << "its handle is closed";
        return started;
    };
    for (int i = 0; i < 20; ++i)
        EXPECT_NE(start("Z:\\bin\\true", nullptr).startTime, 0u) << "ended before it was looked at";

    const zwin::ProcessIdentity exits = start("Z:\\bin\\sh", "-c \"sleep 0.3; exit 7\"");
    const zwin::ProcessIdentity killed = start("Z:\\bin\\sleep", "30");
    EXPECT_EQ(exits.startTime, zwin::ProcessStartTime(exits.pid));
    EXPECT_TRUE(zwin::ProcessLives(exits));
    EXPECT_TRUE(zwin::ProcessLives(killed));
    int status = -1;
    EXPECT_FALSE(zwin::StartedProcessEnded(killed.pid, &status)) << "it runs";
    ASSERT_EQ(kill(killed.pid, SIGKILL), 0);
    for (int i = 0; i < 1000 && (zwin::ProcessLives(exits) || zwin::ProcessLives(killed)); ++i)
        SleepMs(5);
    EXPECT_FALSE(zwin::ProcessLives(exits));
    EXPECT_FALSE(zwin::ProcessLives(killed));
    ASSERT_TRUE(zwin::StartedProcessEnded(exits.pid, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
    ASSERT_TRUE(zwin::StartedProcessEnded(killed.pid, &status));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_FALSE(zwin::StartedProcessEnded(getpid(), &status)) << "not started here";
}

TEST_F(ProcessTest, OnlyExecutablesStartThroughTheShell) {
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = 60;
    sei.fMask = SEE_MASK_CLASSNAME;
    sei.lpFile = script.c_str();
    sei.lpClass = "txtfile";
    EXPECT_FALSE(ShellExecuteExA(&sei));
    EXPECT_EQ(GetLastError(), ERROR_NO_ASSOCIATION);
    sei.lpClass = "exefile";
    sei.lpVerb = "print";
    EXPECT_FALSE(ShellExecuteExA(&sei));
    EXPECT_EQ(GetLastError(), ERROR_NO_ASSOCIATION);
}
