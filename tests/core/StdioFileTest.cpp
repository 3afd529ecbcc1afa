#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Path.h"
#include "platform/core/StdioFile.h"
#include "platform/core/Sys.h"
#include "support/RecordLockHolder.h"
#include "support/TempDrive.h"

namespace {

constexpr UINT kCsvFlags = CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeText;

std::string ReadAll(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> g_reports;
void CaptureReport(const CString& text) {
    g_reports.push_back(text.GetString());
}

// Captures the framework's reports for one test.
struct ReportCapture {
    ReportCapture() {
        g_reports.clear();
        m_previous = SetExceptionReporter(CaptureReport);
    }
    ~ReportCapture() { SetExceptionReporter(m_previous); }
    ExceptionReporter m_previous;
};

// Runs `open` and returns the thrown exception's cause and text, or -1 when nothing was thrown.
template <typename F> int CauseOf(F&& f, std::string* text = nullptr, LONG* osError = nullptr) {
    try {
        f();
    } catch (CFileException* e) {
        int cause = e->m_cause;
        if (text)
            *text = e->GetErrorMessage().GetString();
        if (osError)
            *osError = e->m_lOsError;
        e->Delete();
        return cause;
    }
    return -1;
}

// write() that accepts `budget` bytes in all and then fails with ENOSPC.
size_t g_budget = 0;
ssize_t LimitedWrite(int fd, const void* buf, size_t n) {
    if (g_budget == 0) {
        errno = ENOSPC;
        return -1;
    }
    size_t take = n < g_budget ? n : g_budget;
    g_budget -= take;
    return ::write(fd, buf, take);
}

} // namespace

TEST(StdioFile, TextModeWritesCrLfAndKeepsBytes) {
    TempDrive drive;
    {
        CStdioFile file("C:\\out.csv", kCsvFlags);
        file.WriteString("번호,a\n");
        file.Write("\"", 1);
        file.WriteString("\n\n");
    }
    EXPECT_EQ(ReadAll(drive.Root() + "/out.csv"), "\xB9\xF8\xC8\xA3,a\r\n\"\r\n\r\n");
    {
        CStdioFile file("C:\\out.bin", CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.WriteString("a\nb");
    }
    EXPECT_EQ(ReadAll(drive.Root() + "/out.bin"), "a\nb");
}

TEST(StdioFile, CreateTruncatesAndLargeTextsArriveWhole) {
    TempDrive drive;
    std::ofstream(drive.Root() + "/out.csv") << std::string(10000, 'x');
    std::string line(999, 'y');
    {
        CStdioFile file("C:\\out.csv", kCsvFlags);
        for (int i = 0; i < 20; ++i)
            file.WriteString((line + "\n").c_str());
    }
    std::string expected;
    for (int i = 0; i < 20; ++i)
        expected += line + "\r\n";
    EXPECT_EQ(ReadAll(drive.Root() + "/out.csv"), expected);
}

TEST(StdioFile, OpenFailuresNameTheirCause) {
    TempDrive drive;
    std::string text;
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\missing\\out.csv", kCsvFlags); }, &text),
              CFileException::badPath);
    EXPECT_EQ(text, "C:\\missing\\out.csv에 잘못된 경로가 있습니다.");
    std::ofstream(drive.Root() + "/plain") << "x";
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\plain\\out.csv", kCsvFlags); }), CFileException::badPath);

    SysCallsOverride restore;
    Sys().open = [](const char*, int, mode_t) -> int {
        errno = EACCES;
        return -1;
    };
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", kCsvFlags); }, &text), CFileException::accessDenied);
    EXPECT_EQ(text, "C:\\out.csv 액세스가 거부되었습니다.");
}

TEST(StdioFile, ALinkInTheFilesPlaceIsRefusedNotWrittenThrough) {
    TempDrive drive;
    const std::string elsewhere = drive.Root() + "/elsewhere";
    std::filesystem::create_directory(elsewhere);
    std::ofstream(elsewhere + "/kept") << "kept";
    std::filesystem::create_symlink(elsewhere + "/kept", drive.Root() + "/out.csv");
    std::filesystem::create_symlink(elsewhere + "/made", drive.Root() + "/new.csv");
    LONG osError = 0;
    std::string text;
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", kCsvFlags); }, &text, &osError),
              CFileException::invalidFile);
    EXPECT_EQ(text, "C:\\out.csv 파일에 쓰지 않았습니다.\n이유: 링크입니다");
    EXPECT_EQ(osError, static_cast<LONG>(ERROR_CANT_RESOLVE_FILENAME));
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\new.csv", kCsvFlags); }), CFileException::invalidFile);
    EXPECT_EQ(ReadAll(elsewhere + "/kept"), "kept");
    EXPECT_FALSE(std::filesystem::exists(elsewhere + "/made"));
}

TEST(StdioFile, DenyWriteKeepsOtherWritersOut) {
    TempDrive drive;
    const std::string host = drive.Root() + "/out.csv";
    std::ofstream(host) << "kept";
    // Another program holds the file: the open fails and the file is left whole.
    int other = ::open(host.c_str(), O_RDWR);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    std::string text;
    LONG osError = 0;
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", kCsvFlags); }, &text, &osError),
              CFileException::sharingViolation);
    EXPECT_EQ(text, "C:\\out.csv에 액세스하는 동안 공유 위반이 발생했습니다.");
    EXPECT_EQ(osError, static_cast<LONG>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadAll(host), "kept");
    ::close(other);

    CStdioFile first("C:\\out.csv", kCsvFlags);
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", CFile::modeWrite | CFile::shareDenyNone); }),
              CFileException::sharingViolation);
    first.Close();
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", kCsvFlags); }), -1);
}

TEST(StdioFile, DenyWriteSeesRecordLocksOfOtherPrograms) {
    TempDrive drive;
    const std::string host = drive.Root() + "/out.csv";
    std::ofstream(host) << "kept";
    const struct {
        int command;
        short type;
    } locks[] = {{F_SETLK, F_WRLCK}, {F_SETLK, F_RDLCK}, {F_OFD_SETLK, F_WRLCK}, {F_OFD_SETLK, F_RDLCK}};
    for (const auto& lock : locks) {
        RecordLockHolder other(host, lock.command, lock.type);
        ASSERT_TRUE(other.Held());
        std::string text;
        EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", kCsvFlags); }, &text),
                  CFileException::sharingViolation)
            << lock.command << " " << lock.type;
        EXPECT_EQ(text, "C:\\out.csv에 액세스하는 동안 공유 위반이 발생했습니다.");
        EXPECT_EQ(ReadAll(host), "kept");
        // A reader that denies writing is kept out only by another program's write lock.
        EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\out.csv", CFile::modeRead | CFile::shareDenyWrite); }),
                  lock.type == F_WRLCK ? CFileException::sharingViolation : -1);
    }

    // While the export holds the file, another program's lock is refused in turn.
    {
        CStdioFile mine("C:\\out.csv", kCsvFlags);
        RecordLockHolder other(host, F_SETLK, F_RDLCK);
        EXPECT_FALSE(other.Held());
    }
    // Once the other program has let go, the file is written.
    {
        CStdioFile f("C:\\out.csv", kCsvFlags);
        f.WriteString("new");
    }
    EXPECT_EQ(ReadAll(host), "new");
}

TEST(StdioFile, FailedWritesThrowTheirCauseAndAreReportedOnce) {
    TempDrive drive;
    ReportCapture capture;
    SysCallsOverride restore;
    const std::string big(5000, 'z');

    // A whole text is reported as a full disk whatever errno says.
    Sys().write = [](int, const void*, size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    {
        CStdioFile file("C:\\a.csv", kCsvFlags);
        EXPECT_EQ(CauseOf([&] { file.WriteString(big.c_str()); }), CFileException::diskFull);
    }
    // A single character is reported with the cause "other".
    Sys().write = LimitedWrite;
    g_budget = 4096;
    {
        CStdioFile file("C:\\b.csv", kCsvFlags);
        file.WriteString(std::string(4096, 'w').c_str()); // fills the buffer, written out
        int cause = -1;
        for (int i = 0; i < 5000 && cause < 0; ++i)
            cause = CauseOf([&] { file.Write(",", 1); });
        EXPECT_EQ(cause, CFileException::genericException);
    }
    // A file whose write failed never takes its name, not even with the lines written before
    // the failure; closing after it reports nothing more.
    EXPECT_FALSE(std::filesystem::exists(drive.Root() + "/a.csv"));
    EXPECT_FALSE(std::filesystem::exists(drive.Root() + "/b.csv"));
    EXPECT_TRUE(g_reports.empty());

    // A file that was there stays as it was, after a failed write and after an exception that
    // left the writer alike, and nothing written aside stays beside it.
    std::ofstream(drive.Root() + "/kept.csv") << "kept";
    Sys().write = LimitedWrite;
    g_budget = 10;
    {
        CStdioFile file("C:\\kept.csv", kCsvFlags);
        EXPECT_EQ(CauseOf([&] { file.WriteString(big.c_str()); }), CFileException::diskFull);
    }
    Sys().write = ::write;
    EXPECT_THROW(
        {
            CStdioFile file("C:\\kept.csv", kCsvFlags);
            file.WriteString(big.c_str());
            throw std::runtime_error("the writer gave up");
        },
        std::runtime_error);
    EXPECT_EQ(ReadAll(drive.Root() + "/kept.csv"), "kept");
    EXPECT_EQ(FolderNames(drive.Root()), std::vector<std::string>{"kept.csv"});
    EXPECT_TRUE(g_reports.empty());
}

TEST(StdioFile, FailureAtCloseIsReportedNotThrown) {
    TempDrive drive;
    ReportCapture capture;
    SysCallsOverride restore;
    Sys().write = LimitedWrite;
    g_budget = 0;
    EXPECT_NO_THROW({
        CStdioFile file("C:\\c.csv", kCsvFlags);
        file.WriteString("last line\n");
    });
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0], "C:\\c.csv에 액세스하는 동안 디스크가 꽉 찼습니다.");
    EXPECT_TRUE(FolderNames(drive.Root()).empty());
}

// Another user's file, a hard link to a file, a pipe or a folder in the file's place: nothing
// is written into it, the open never waits, and the report names what is wrong.
TEST(StdioFile, OnlyTheUsersOwnRegularFilesAreWrittenAndOpensNeverWait) {
    TempDrive drive;
    const std::string root = drive.Root();
    auto refusal = [](const char* name) {
        std::string text;
        const int cause = CauseOf([name] { CStdioFile f(name, kCsvFlags); }, &text);
        return cause == CFileException::invalidFile ? text : "cause " + std::to_string(cause);
    };

    std::ofstream(root + "/theirs") << "theirs";
    ASSERT_EQ(::link((root + "/theirs").c_str(), (root + "/linked.csv").c_str()), 0);
    EXPECT_EQ(refusal("C:\\linked.csv"),
              "C:\\linked.csv 파일에 쓰지 않았습니다.\n이유: 다른 이름으로도 연결된 파일입니다 (하드 링크)");
    EXPECT_EQ(ReadAll(root + "/theirs"), "theirs");
    // Writing in place refuses it too.
    EXPECT_EQ(CauseOf([] { CStdioFile f("C:\\linked.csv", CFile::modeWrite | CFile::modeNoTruncate); }),
              CFileException::invalidFile);

    // A pipe nobody reads would hold the open for ever; one somebody reads would take the rows.
    ASSERT_EQ(::mkfifo((root + "/pipe.csv").c_str(), 0666), 0);
    std::atomic<bool> done{false};
    std::string text;
    std::thread opener([&] {
        text = refusal("C:\\pipe.csv");
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i)
        usleep(10000);
    if (!done) {
        ADD_FAILURE() << "the open waits for a reader of the pipe";
        const int unblock = ::open((root + "/pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
        opener.join();
        ::close(unblock);
    } else {
        opener.join();
        EXPECT_EQ(
            text,
            "C:\\pipe.csv 파일에 쓰지 않았습니다.\n이유: 일반 파일이 아닙니다 (폴더, 파이프 또는 장치)");
    }
    const int reader = ::open((root + "/pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(refusal("C:\\pipe.csv"),
              "C:\\pipe.csv 파일에 쓰지 않았습니다.\n이유: 일반 파일이 아닙니다 (폴더, 파이프 또는 장치)");
    char byte;
    EXPECT_EQ(::read(reader, &byte, 1), 0);
    ::close(reader);
    std::filesystem::create_directory(root + "/folder.csv");
    EXPECT_EQ(refusal("C:\\folder.csv"),
              "C:\\folder.csv 파일에 쓰지 않았습니다.\n이유: 일반 파일이 아닙니다 (폴더, 파이프 또는 장치)");

    // A file of another user, even one that everybody may write.
    if (geteuid() == 0) {
        std::ofstream(root + "/other.csv") << "theirs";
        ASSERT_EQ(::chown((root + "/other.csv").c_str(), 65534, 65534), 0);
        ::chmod((root + "/other.csv").c_str(), 0666);
        EXPECT_EQ(refusal("C:\\other.csv"),
                  "C:\\other.csv 파일에 쓰지 않았습니다.\n이유: 다른 사용자의 파일입니다");
        EXPECT_EQ(ReadAll(root + "/other.csv"), "theirs");
    }
    // The refusals are looked at through the opened file: a file that passes is written.
    {
        CStdioFile f("C:\\mine.csv", kCsvFlags);
        f.WriteString("mine");
    }
    EXPECT_EQ(ReadAll(root + "/mine.csv"), "mine");
    const std::vector<std::string> expected =
        geteuid() == 0
            ? std::vector<std::string>{"folder.csv", "linked.csv", "mine.csv",
                                       "other.csv",  "pipe.csv",   "theirs"}
            : std::vector<std::string>{"folder.csv", "linked.csv", "mine.csv", "pipe.csv", "theirs"};
    std::vector<std::string> names = FolderNames(root);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
}
