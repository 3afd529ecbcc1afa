#include "engine/EngineLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/EngineMessages.h"
#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"

namespace {

// The log is the engine's own: a link in its place is refused, never written through.
int OpenLogFile(const std::string& hostPath) {
    return Sys().open(hostPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW, 0600);
}

} // namespace

CEngineLog::~CEngineLog() {
    if (m_fd >= 0)
        Sys().close(m_fd);
}

bool CEngineLog::Open(const std::string& hostPath, const char* mode, long long maxBytes) {
    std::string folder = hostPath.substr(0, hostPath.find_last_of('/'));
    if (!folder.empty())
        CreatePrivateFolder(folder);
    m_path = hostPath;
    m_maxBytes = maxBytes;
    m_fd = OpenLogFile(hostPath);
    m_mode = mode;
    return m_fd >= 0;
}

void CEngineLog::Rotate(size_t lineLength) {
    struct stat mine, named;
    if (Sys().fstat(m_fd, &mine) != 0)
        return;
    const bool stillNamed = Sys().lstat(m_path.c_str(), &named) == 0 && named.st_ino == mine.st_ino &&
                            named.st_dev == mine.st_dev;
    if (stillNamed && mine.st_size + static_cast<long long>(lineLength) <= m_maxBytes)
        return;
    if (stillNamed) {
        // One engine moves the log; the other finds it moved and follows.
        Sys().flock(m_fd, LOCK_EX);
        if (Sys().lstat(m_path.c_str(), &named) == 0 && named.st_ino == mine.st_ino &&
            named.st_dev == mine.st_dev)
            Sys().rename(m_path.c_str(), (m_path + ".1").c_str());
        Sys().flock(m_fd, LOCK_UN);
    }
    int fd = OpenLogFile(m_path);
    if (fd < 0)
        return;
    Sys().close(m_fd);
    m_fd = fd;
}

void CEngineLog::Write(const char* direction, UINT message, WPARAM wParam, LPARAM lParam,
                       const CString& text) {
    if (m_fd < 0)
        return;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    long long ms = static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    CString line;
    line.Format("%lld %s %d %s %u %s %llu %lld", ms, m_mode.GetString(), static_cast<int>(getpid()),
                direction, message, TraderMessageName(message), static_cast<unsigned long long>(wParam),
                static_cast<long long>(lParam));
    if (!text.IsEmpty())
        line += " " + text;
    line += "\n";
    Rotate(static_cast<size_t>(line.GetLength()));
    // One write per line: engines sharing a log never cut into each other's lines.
    ssize_t ignored = Sys().write(m_fd, line.GetString(), line.GetLength());
    (void)ignored;
}

std::string EngineLogPath(const char* mode) {
    if (const char* e = std::getenv("ZORVIK_ENGINE_LOG"); e && *e) {
        std::string path = e;
        if (auto at = path.find("{mode}"); at != std::string::npos)
            path.replace(at, 6, mode);
        return path;
    }
    return HostPath((CString(kBaseFolder) + "\\Log\\engine-" + mode + ".log").GetString());
}
