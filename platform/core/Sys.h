// Every system call of the platform layer goes through this table, so that tests can make
// one of them fail. The defaults are the POSIX calls.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>

struct SysCalls {
    int (*stat)(const char* path, struct stat* st);
    int (*mkdir)(const char* path, mode_t mode);
    int (*unlink)(const char* path);
    int (*rename)(const char* from, const char* to);
    char* (*getcwd)(char* buf, size_t size);
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* buf, size_t n);
    ssize_t (*read)(int fd, void* buf, size_t n);
    int (*close)(int fd);
    int (*flock)(int fd, int op);
    int (*ftruncate)(int fd, off_t length);
    void (*sleepMs)(unsigned ms);
    // The window station and process start.
    int (*lstat)(const char* path, struct stat* st);
    int (*socket)(int domain, int type, int protocol);
    int (*bind)(int fd, const struct sockaddr* addr, socklen_t length);
    int (*connect)(int fd, const struct sockaddr* addr, socklen_t length);
    ssize_t (*sendto)(int fd, const void* buf, size_t n, int flags, const struct sockaddr* addr,
                      socklen_t length);
    ssize_t (*recv)(int fd, void* buf, size_t n, int flags);
    int (*posix_spawn)(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                       const posix_spawnattr_t* attr, char* const argv[], char* const envp[]);
    // File permissions, and the record locks (fcntl and open-file-description) of files.
    int (*chmod)(const char* path, mode_t mode);
    int (*access)(const char* path, int mode);
    int (*lockRecord)(int fd, int command, struct flock* lock);
    // Requests to end the process, handed to the message loop through a pipe.
    int (*pipe2)(int fds[2], int flags);
    int (*sigaction)(int signal, const struct sigaction* action, struct sigaction* old);
    // Owner and mode of an opened file, changed through its descriptor, never through a name
    // that could have been swapped for a link.
    int (*fstat)(int fd, struct stat* st);
    int (*fchmod)(int fd, mode_t mode);
    // A descriptor of the very process that has pid now (close-on-exec); -1 where there is none.
    int (*pidfdOpen)(pid_t pid);
};

SysCalls& Sys();

// Restores the table when a test's override goes out of scope.
class SysCallsOverride {
public:
    SysCallsOverride() : m_saved(Sys()) {}
    ~SysCallsOverride() { Sys() = m_saved; }
    SysCallsOverride(const SysCallsOverride&) = delete;
    SysCallsOverride& operator=(const SysCallsOverride&) = delete;

private:
    SysCalls m_saved;
};
