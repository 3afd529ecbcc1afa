#include "platform/core/Sys.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/syscall.h>
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

int SysLstat(const char* path, struct stat* st) {
    return ::lstat(path, st);
}
int SysSocket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}
int SysBind(int fd, const sockaddr* addr, socklen_t length) {
    return ::bind(fd, addr, length);
}
int SysConnect(int fd, const sockaddr* addr, socklen_t length) {
    return ::connect(fd, addr, length);
}
ssize_t SysSendto(int fd, const void* buf, size_t n, int flags, const sockaddr* addr, socklen_t length) {
    return ::sendto(fd, buf, n, flags, addr, length);
}
ssize_t SysRecv(int fd, void* buf, size_t n, int flags) {
    return ::recv(fd, buf, n, flags);
}
int SysPosixSpawn(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                  const posix_spawnattr_t* attr, char* const argv[], char* const envp[]) {
    return ::posix_spawn(pid, path, actions, attr, argv, envp);
}

int SysChmod(const char* path, mode_t mode) {
    return ::chmod(path, mode);
}
int SysAccess(const char* path, int mode) {
    return ::access(path, mode);
}
int SysLockRecord(int fd, int command, struct flock* lock) {
    return ::fcntl(fd, command, lock);
}
int SysPipe2(int fds[2], int flags) {
    return ::pipe2(fds, flags);
}
int SysSigaction(int signal, const struct sigaction* action, struct sigaction* old) {
    return ::sigaction(signal, action, old);
}

int SysFstat(int fd, struct stat* st) {
    return ::fstat(fd, st);
}
int SysFchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}
int SysPidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

} // namespace

SysCalls& Sys() {
    static SysCalls calls{SysStat,       SysMkdir,  SysUnlink,   SysRename,     SysGetcwd,    SysOpen,
                          SysWrite,      SysRead,   SysClose,    SysFlock,      SysFtruncate, SysSleepMs,
                          SysLstat,      SysSocket, SysBind,     SysConnect,    SysSendto,    SysRecv,
                          SysPosixSpawn, SysChmod,  SysAccess,   SysLockRecord, SysPipe2,     SysSigaction,
                          SysFstat,      SysFchmod, SysPidfdOpen};
    return calls;
}
