#include "engine/EngineLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/EngineMessages.h"
#include "platform/core/Path.h"

CEngineLog::~CEngineLog() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CEngineLog::Open(const std::string& hostPath, const char* mode) {
    std::string folder = hostPath.substr(0, hostPath.find_last_of('/'));
    if (!folder.empty())
        ::mkdir(folder.c_str(), 0755);
    m_fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    m_mode = mode;
    return m_fd >= 0;
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
    // One write per line: engines sharing a log never cut into each other's lines.
    ssize_t ignored = ::write(m_fd, line.GetString(), line.GetLength());
    (void)ignored;
}

std::string EngineLogPath(const char* mode) {
    if (const char* e = std::getenv("ZORVIK_ENGINE_LOG"); e && *e) {
        std::string path = e;
        if (auto at = path.find("{mode}"); at != std::string::npos)
            path.replace(at, 6, mode);
        return path;
    }
    return HostPath((CString(kEngineBaseFolder) + "\\Log\\engine-" + mode + ".log").GetString());
}
