#include "platform/core/Sys.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

int SysStat(const char* path, struct stat* st) {
    return ::stat(path, st);
}
int SysMkdir(const char* path, mode_t mode) {
    return ::mkdir(path, mode);
}
int SysUnlink(const char* path) {
    return ::unlink(path);
}
int SysRename(const char* from, const char* to) {
    return ::rename(from, to);
}
char* SysGetcwd(char* buf, size_t size) {
    return ::getcwd(buf, size);
}
int SysOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags | O_CLOEXEC, mode);
}
ssize_t SysWrite(int fd, const void* buf, size_t n) {
    return ::write(fd, buf, n);
}
ssize_t SysRead(int fd, void* buf, size_t n) {
    return ::read(fd, buf, n);
}
int SysClose(int fd) {
    return ::close(fd);
}
int SysFlock(int fd, int op) {
    return ::flock(fd, op);
}
int SysFtruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}
void SysSleepMs(unsigned ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

} // namespace

SysCalls& Sys() {
    static SysCalls calls{SysStat,  SysMkdir, SysUnlink, SysRename, SysGetcwd, SysOpen,
                          SysWrite, SysRead,  SysClose,  SysFlock,  SysFtruncate, SysSleepMs};
    return calls;
}
