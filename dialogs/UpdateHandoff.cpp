#include "dialogs/UpdateHandoff.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/Process.h"
#include "platform/win/ProcessIdentity.h"
#include "supervision/Launch.h"

namespace {

// How long the new program must still run after its start to count as started: a program
// that cannot load (a missing library, a script that exits at once) ends well before.
constexpr int kStartWatchMs = 2000;
constexpr int kStartPollMs = 20;

void Report(const char* format, const CString& path, const CString& other = CString()) {
    CString text;
    text.Format(format, path.GetString(), other.GetString());
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

// A file the hand-off will not take or move, with the reason.
void ReportRefused(const CString& path, FileRefusal refusal) {
    CString text;
    text.Format("%s 파일로 업데이트하지 않았습니다.\n이유: %s\n기존 프로그램은 그대로 있습니다.",
                path.GetString(), FileRefusalText(refusal).GetString());
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A file of the current folder as it is now, looked at without following a link and without
// reading it: the old program may be one its user cannot read.
FileRefusal LookAt(const std::string& hostPath, struct stat* st) {
    const int fd = Sys().open(hostPath.c_str(), O_PATH | O_NOFOLLOW, 0);
    if (fd < 0)
        return FileRefusal::NotRegularFile;
    FileRefusal refusal =
        Sys().fstat(fd, st) == 0 && S_ISLNK(st->st_mode) ? FileRefusal::Link : CheckOwnFile(fd);
    Sys().close(fd);
    return refusal;
}

// The new file, opened where it lies without following a link: it must be the user's own,
// with one name; its mode is changed through it, and its name checked to still be it before
// it is moved.
class CNewProgram {
public:
    explicit CNewProgram(const std::string& hostPath) : m_path(hostPath) {
        m_fd = Sys().open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0);
        if (m_fd < 0) {
            if (errno == ELOOP)
                m_refusal = FileRefusal::Link;
            return;
        }
        m_refusal = CheckOwnFile(m_fd);
        if (m_refusal != FileRefusal::None || Sys().fstat(m_fd, &m_stat) != 0) {
            Sys().close(m_fd);
            m_fd = -1;
        }
    }
    ~CNewProgram() {
        if (m_fd >= 0)
            Sys().close(m_fd);
    }
    CNewProgram(const CNewProgram&) = delete;
    CNewProgram& operator=(const CNewProgram&) = delete;

    bool Opened() const { return m_fd >= 0; }
    // Why it was not taken, when it was opened (or its name is a link) but is not the user's own.
    FileRefusal Refusal() const { return m_refusal; }
    mode_t Mode() const { return m_stat.st_mode & 0777; }
    bool SetMode(mode_t mode) { return Sys().fchmod(m_fd, mode) == 0; }
    // Its own mode again, after a step that failed.
    void RestoreMode() { Sys().fchmod(m_fd, Mode()); }
    // The name still leads to this file, and not through a link.
    bool StillNamed() const {
        struct stat named;
        return Sys().lstat(m_path.c_str(), &named) == 0 && S_ISREG(named.st_mode) && SameFile(named, m_stat);
    }

private:
    std::string m_path;
    int m_fd = -1;
    FileRefusal m_refusal = FileRefusal::None;
    struct stat m_stat = {};
};

// Whether the started program has ended; when it has, its exit code (its own, or 128 + the
// signal that ended it; -1 when not known).
bool Ended(const zwin::ProcessIdentity& started, int* exitCode) {
    int status = 0;
    if (zwin::StartedProcessEnded(started.pid, &status)) {
        *exitCode = WIFEXITED(status)     ? WEXITSTATUS(status)
                    : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                          : -1;
        return true;
    }
    return !zwin::ProcessLives(started);
}

// Waits up to kStartWatchMs for the started program: true when it still runs then.
bool KeepsRunning(const zwin::ProcessIdentity& started, int* exitCode) {
    for (int waited = 0; waited < kStartWatchMs; waited += kStartPollMs) {
        if (Ended(started, exitCode))
            return false;
        Sys().sleepMs(kStartPollMs);
    }
    return !Ended(started, exitCode);
}

} // namespace

BOOL RunUpdateHandoff(const CString& name) {
    // The name is a file of the current folder, never a path leading elsewhere.
    if (name.IsEmpty() || name.FindOneOf("\\/:") >= 0)
        return FALSE;

    char directory[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;

    CString tmpPath, exePath, oldPath;
    tmpPath.Format("%s\\%s.tmp", directory, name.GetString());
    exePath.Format("%s\\%s.exe", directory, name.GetString());
    oldPath.Format("%s\\%s.old", directory, name.GetString());
    const std::string tmpHost = HostPath(tmpPath);
    const std::string exeHost = HostPath(exePath);
    const std::string oldHost = HostPath(oldPath);

    struct stat tmpEntry;
    if (Sys().lstat(tmpHost.c_str(), &tmpEntry) != 0 || S_ISDIR(tmpEntry.st_mode))
        return FALSE;
    // Every step that can fail is checked before anything is changed. Only the user's own
    // program is run: a new file of another user, or a second name of one, could be anything.
    CNewProgram program(tmpHost);
    if (program.Refusal() != FileRefusal::None) {
        ReportRefused(tmpPath, program.Refusal());
        return FALSE;
    }
    if (!program.Opened()) {
        Report("%s 파일을 열 수 없어 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.", tmpPath);
        return FALSE;
    }
    // The new program takes the old one's permissions.
    struct stat old;
    const bool hasOld = Sys().lstat(exeHost.c_str(), &old) == 0;
    if (hasOld) {
        if (const FileRefusal refusal = LookAt(exeHost, &old); refusal != FileRefusal::None) {
            ReportRefused(exePath, refusal);
            return FALSE;
        }
    }
    // A program kept aside by an earlier update is the operator's to look at, never replaced
    // without a word.
    struct stat kept;
    if (Sys().lstat(oldHost.c_str(), &kept) == 0) {
        Report("%s 파일이 이미 있어 업데이트하지 않았습니다.\n이전 업데이트에서 남겨 둔 기존 프로그램일 수 "
               "있으니 확인하여 옮기거나 지운 뒤 다시 업데이트하십시오.",
               oldPath);
        return FALSE;
    }
    const mode_t mode = hasOld ? old.st_mode & 0777 : program.Mode();
    if (!(mode & S_IXUSR)) {
        Report("%s 파일은 실행할 수 없는 파일이라 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.",
               tmpPath);
        return FALSE;
    }
    if (Sys().access(HostPath(directory).c_str(), W_OK | X_OK) != 0) {
        Report("%s 폴더에 쓸 수 없어 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.", directory);
        return FALSE;
    }
    if (!program.SetMode(mode)) {
        Report("%s 파일의 권한을 바꾸지 못해 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.",
               tmpPath);
        return FALSE;
    }

    // The old program is kept aside until the new one has started.
    if (hasOld && Sys().rename(exeHost.c_str(), oldHost.c_str()) != 0) {
        program.RestoreMode();
        Report("%s 파일로 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.", tmpPath);
        return FALSE;
    }
    auto putOldBack = [&] { return !hasOld || Sys().rename(oldHost.c_str(), exeHost.c_str()) == 0; };
    if (!program.StillNamed() || Sys().rename(tmpHost.c_str(), exeHost.c_str()) != 0) {
        program.RestoreMode();
        if (putOldBack())
            Report("%s 파일로 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.", tmpPath);
        else
            Report("%s 파일로 업데이트하지 못했습니다.\n기존 프로그램은 %s 파일로 남겨 두었습니다.", tmpPath,
                   oldPath);
        return FALSE;
    }
    zwin::ProcessIdentity started;
    const bool launched = LaunchProgram(exePath, nullptr, &started) == ERROR_SUCCESS;
    int exitCode = -1;
    if (!launched || (started && !KeepsRunning(started, &exitCode))) {
        // The new file goes back to its own name, the old program to its place.
        CString what;
        if (!launched)
            what.Format("%s 파일을 실행하지 못했습니다.", exePath.GetString());
        else if (exitCode >= 0)
            what.Format("%s 파일이 시작하자마자 끝났습니다 (종료 코드 %d).", exePath.GetString(), exitCode);
        else
            what.Format("%s 파일이 시작하자마자 끝났습니다.", exePath.GetString());
        const bool newBack = Sys().rename(exeHost.c_str(), tmpHost.c_str()) == 0;
        if (newBack)
            program.RestoreMode();
        if (newBack && putOldBack())
            Report("%s\n기존 프로그램은 그대로 있고, 새 파일은 %s 파일로 남겨 두었습니다.", what, tmpPath);
        else if (hasOld)
            Report("%s\n기존 프로그램은 %s 파일로 남겨 두었습니다.", what, oldPath);
        else
            Report("%s", what);
        return FALSE;
    }
    if (hasOld)
        Sys().unlink(oldHost.c_str());
    return TRUE;
}
