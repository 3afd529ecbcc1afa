#include "support/RecordLockHolder.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

RecordLockHolder::RecordLockHolder(const std::string& hostPath, int command, short type) {
    int stop[2], ready[2];
    if (pipe(stop) != 0 || pipe(ready) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        close(stop[1]);
        close(ready[0]);
        int fd = ::open(hostPath.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
        struct flock whole = {};
        whole.l_type = type;
        whole.l_whence = SEEK_SET;
        char word = fd >= 0 && ::fcntl(fd, command, &whole) == 0 ? 'r' : 'f';
        if (write(ready[1], &word, 1) == 1) {
            char ignored;
            while (read(stop[0], &ignored, 1) > 0) {
            }
        }
        _exit(0);
    }
    close(stop[0]);
    close(ready[1]);
    m_stop = stop[1];
    char word = 0;
    m_held = read(ready[0], &word, 1) == 1 && word == 'r';
    close(ready[0]);
}

void RecordLockHolder::Release() {
    if (m_pid <= 0)
        return;
    close(m_stop);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}
