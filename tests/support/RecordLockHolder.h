// Another program holding a record lock on a file, as a spreadsheet or an editor does: a
// forked process with a classic fcntl lock (F_SETLK) or an open-file-description lock
// (F_OFD_SETLK) over the whole file, held until Release.
#pragma once

#include <sys/types.h>

#include <string>

class RecordLockHolder {
public:
    // Returns once the process holds its lock, or has failed to take it.
    RecordLockHolder(const std::string& hostPath, int command, short type);
    ~RecordLockHolder() { Release(); }
    RecordLockHolder(const RecordLockHolder&) = delete;
    RecordLockHolder& operator=(const RecordLockHolder&) = delete;

    bool Held() const { return m_held; }
    void Release();

private:
    pid_t m_pid = -1;
    int m_stop = -1;
    bool m_held = false;
};
