// The bare baseline of a round trip between two processes: a Unix datagram echo in a process
// of its own, blocking send and receive, no message loop. Include it in one source of a
// benchmark program.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// A datagram socket bound at `path`; exits the benchmark when it cannot be made.
inline int BindDatagram(const std::string& path, sockaddr_un* addr) {
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::memset(addr, 0, sizeof(*addr));
    addr->sun_family = AF_UNIX;
    std::snprintf(addr->sun_path, sizeof(addr->sun_path), "%s", path.c_str());
    unlink(path.c_str());
    if (fd < 0 || path.size() >= sizeof(addr->sun_path) ||
        bind(fd, reinterpret_cast<sockaddr*>(addr), sizeof(*addr)) != 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
    return fd;
}

// The echo process, bound at `path` before it starts: sends every datagram back to where it
// came from; an empty one ends it.
inline pid_t StartEcho(const std::string& path, sockaddr_un* addr) {
    const int fd = BindDatagram(path, addr);
    const pid_t pid = fork();
    if (pid == 0) {
        char buffer[70000];
        for (;;) {
            sockaddr_un from{};
            socklen_t length = sizeof(from);
            ssize_t n = recvfrom(fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n == 0)
                _exit(0);
            if (n > 0)
                sendto(fd, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }
    close(fd);
    return pid;
}

// Ends the echo process through `client`, a socket of this process.
inline void StopEcho(pid_t pid, int client, const sockaddr_un& echo) {
    sendto(client, "", 0, 0, reinterpret_cast<const sockaddr*>(&echo), sizeof(echo));
    waitpid(pid, nullptr, 0);
}
