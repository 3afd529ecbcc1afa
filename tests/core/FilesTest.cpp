#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "support/TempDrive.h"

namespace fs = std::filesystem;

TEST(Path, DrivesMapToHostFolders) {
    TempDrive drive;
    EXPECT_EQ(HostPath("C:\\a\\b.db"), drive.Root() + "/a/b.db");
    EXPECT_EQ(HostPath("Z:\\tmp\\x"), "/tmp/x");
    // The Korean folder name reaches the host as UTF-8 (금융투자).
    EXPECT_EQ(HostPath(kBaseFolder),
              drive.Root() + "/Korvex\xEA\xB8\x88\xEC\x9C\xB5\xED\x88\xAC\xEC\x9E\x90/PlenorixGlobal/exe");
    EXPECT_EQ(WindowsPath(drive.Root() + "/x/y"), "C:\\x\\y");
    EXPECT_EQ(WindowsPath("/home/a"), "Z:\\home\\a");
}

TEST(Path, DriveCWithoutHomeIsUnderTheAccountsHomeAndAValidDataHome) {
    // The variables as this process had them, put back at the end.
    struct Saved {
        const char* name;
        bool set;
        std::string value;
    };
    std::vector<Saved> saved;
    for (const char* name : {"ZORVIK_DRIVE_C", "XDG_DATA_HOME", "HOME"}) {
        const char* v = std::getenv(name);
        saved.push_back({name, v != nullptr, v ? v : ""});
    }
    const passwd* account = getpwuid(getuid());
    ASSERT_NE(account, nullptr);
    const std::string expected = std::string(account->pw_dir) + "/.local/share/zorvik/drive_c";

    unsetenv("ZORVIK_DRIVE_C");
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    EXPECT_EQ(DriveCRoot(), expected) << "HOME unset";
    setenv("HOME", "", 1);
    EXPECT_EQ(DriveCRoot(), expected) << "HOME empty";
    setenv("HOME", "/home/elsewhere", 1);
    EXPECT_EQ(DriveCRoot(), "/home/elsewhere/.local/share/zorvik/drive_c");
    setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(DriveCRoot(), "/home/elsewhere/.local/share/zorvik/drive_c")
        << "a relative data home is ignored";
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(DriveCRoot(), "/srv/data/zorvik/drive_c");
    setenv("ZORVIK_DRIVE_C", "/srv/c", 1);
    EXPECT_EQ(DriveCRoot(), "/srv/c");

    for (const Saved& s : saved)
        s.set ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
}

TEST(Files, DirectoriesAndAttributes) {
    TempDrive drive;
    EXPECT_EQ(GetFileAttributesA("C:\\missing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CreateDirectoryA("C:\\missing\\sub", nullptr)); // only the last folder is made
    EXPECT_TRUE(CreateDirectoryA("C:\\made", nullptr));
    EXPECT_EQ(GetFileAttributesA("C:\\made") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(CreateDirectoryA("C:\\made", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST(Files, RemoveRenameAndFind) {
    TempDrive drive;
    std::ofstream(drive.Root() + "/a.tmp") << "new";
    CFileFind finder;
    EXPECT_TRUE(finder.FindFile("C:\\a.tmp"));
    EXPECT_FALSE(finder.FindFile("C:\\a.exe"));
    CFile::Rename("C:\\a.tmp", "C:\\a.exe");
    EXPECT_TRUE(fs::exists(drive.Root() + "/a.exe"));
    CFile::Remove("C:\\a.exe");
    EXPECT_FALSE(fs::exists(drive.Root() + "/a.exe"));
    try {
        CFile::Remove("C:\\a.exe");
        FAIL() << "removing a missing file must throw";
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e->m_strFileName, "C:\\a.exe");
        e->Delete();
    }
}

TEST(Files, SystemCallsCanBeMadeToFail) {
    TempDrive drive;
    SysCallsOverride restore;
    Sys().mkdir = [](const char*, mode_t) {
        errno = EACCES;
        return -1;
    };
    EXPECT_FALSE(CreateDirectoryA("C:\\denied", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Files, CurrentDirectoryInWindowsForm) {
    TempDrive drive;
    fs::path saved = fs::current_path();
    fs::current_path(drive.Root());
    char buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    fs::current_path(saved);
    EXPECT_EQ(CString(buf), "C:\\");
    EXPECT_EQ(n, 3u);
}
