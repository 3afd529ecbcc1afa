// The window station: a folder where every process that owns a titled top-level window binds
// one datagram socket (<pid>.sock) and lists each such window by an empty file
// "win-<hex utf-8 title>-<pid>-<id>". Posts and sends to windows of other processes travel
// as datagrams (StationWire.h) to the owner's socket.
#include "platform/win/Station.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/StationWire.h"

namespace {

// How long a post or a reply may wait for room in the receiver's queue.
constexpr int kDeliverLimitMs = 2000;
// How often a waiting send looks whether the receiver is still there.
constexpr int kAliveCheckMs = 100;

struct Station {
    bool shutdown = false;
    pid_t pid = 0;      // the process the state belongs to; a forked child starts afresh
    std::string folder; // where the socket is bound
    int fd = -1;
    std::map<std::uint64_t, std::string> files; // window id -> its listing file name
    std::uint32_t sequence = 0;
    std::uint64_t dropped = 0;
    int sendTimeoutMs = 5000;
    std::vector<std::uint8_t> buffer;
    // The one send that waits for its reply.
    bool waiting = false;
    std::uint32_t waitSequence = 0;
    std::uint32_t waitPid = 0;
    bool replied = false;
    LRESULT reply = 0;
};

Station& S() {
    // Never destroyed: windows of static objects may go after the exit handlers ran.
    static Station* s = new Station;
    return *s;
}

std::uint64_t MonotonicMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

std::string StationFolder() {
    if (const char* s = std::getenv("ZORVIK_STATION"); s && *s)
        return s;
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r)
        return std::string(r) + "/zorvik-station";
    return "/tmp/zorvik-station-" + std::to_string(geteuid());
}

// Made when missing; refused when it is not a plain folder of this user closed to others.
bool FolderUsable(const std::string& folder) {
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST))
            return false;
        if (::lstat(folder.c_str(), &st) != 0)
            return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool SocketAddress(const std::string& folder, long pid, sockaddr_un* addr) {
    std::string path = folder + "/" + std::to_string(pid) + ".sock";
    if (path.size() >= sizeof(addr->sun_path))
        return false;
    std::memset(addr, 0, sizeof(*addr));
    addr->sun_family = AF_UNIX;
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string HexTitle(const char* title) {
    static const char digits[] = "0123456789abcdef";
    std::string utf8 = AnsiToHostUtf8(title);
    std::string out;
    for (unsigned char c : utf8) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string ListingName(CWnd* wnd) {
    return "win-" + HexTitle(wnd->StoredText().GetString()) + "-" + std::to_string(getpid()) + "-" +
           std::to_string(zwin::HandleId(wnd->m_hWnd));
}

// A process is there when it exists and its socket takes datagrams: a killed process (even
// one not yet reaped) or a reused pid without our socket counts as gone.
bool Alive(const std::string& folder, long pid) {
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    sockaddr_un addr;
    if (!SocketAddress(folder, pid, &addr))
        return false;
    int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return true;
    bool ok = ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(probe);
    return ok;
}

void Drain();

// Hands a datagram to the socket of process `pid`. A receiver whose queue is full gets a
// little time; meanwhile our own queue is emptied so that two processes posting to each
// other never block each other. Fails at once when the process has gone.
bool Deliver(long pid, const std::vector<std::uint8_t>& bytes) {
    Station& s = S();
    sockaddr_un addr;
    if (!SocketAddress(s.folder, pid, &addr))
        return false;
    std::uint64_t deadline = MonotonicMs() + kDeliverLimitMs;
    for (;;) {
        ssize_t n = ::sendto(s.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                             reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        if (n == static_cast<ssize_t>(bytes.size()))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) {
            if (MonotonicMs() >= deadline)
                return false;
            Drain();
            pollfd p{s.fd, POLLIN, 0};
            ::poll(&p, 1, 1);
            continue;
        }
        return false;
    }
}

// A datagram of this process to window `target` of another.
zwin::StationDatagram Outgoing(std::uint32_t kind, std::uint64_t target, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    zwin::StationDatagram d;
    d.kind = kind;
    d.senderPid = static_cast<std::uint32_t>(getpid());
    d.target = target;
    d.message = message;
    d.wParam = static_cast<std::uint64_t>(wParam);
    d.lParam = static_cast<std::uint64_t>(lParam);
    return d;
}

void Reply(const zwin::StationDatagram& request, LRESULT result) {
    zwin::StationDatagram r = Outgoing(zwin::kDatagramReply, 0, request.message, 0, result);
    r.sequence = request.sequence;
    Deliver(request.senderPid, zwin::EncodeDatagram(r));
}

// A send from another process runs before posted messages, at the next retrieval.
void QueueSend(const zwin::StationDatagram& d) {
    // The handler reads the data within cbData; the NUL after it ends a text that has none.
    std::vector<char> data(d.payload, d.payload + d.payloadLength);
    data.push_back('\0');
    zwin::StationDatagram request = d;
    request.payload = nullptr;
    zwin::QueueIncomingSend([request, data = std::move(data)]() mutable {
        LRESULT result = 0;
        if (HWND target = zwin::HandleFromId(request.target)) {
            if (request.message == WM_COPYDATA) {
                HWND sender = request.wParam
                                  ? zwin::RemoteHandle(static_cast<int>(request.senderPid), request.wParam)
                                  : nullptr;
                COPYDATASTRUCT cds{static_cast<ULONG_PTR>(request.lParam), request.payloadLength,
                                   data.data()};
                result = SendMessageA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                                      reinterpret_cast<LPARAM>(&cds));
            } else {
                result = SendMessageA(target, request.message, static_cast<WPARAM>(request.wParam),
                                      static_cast<LPARAM>(request.lParam));
            }
        }
        if (S().fd >= 0)
            Reply(request, result);
    });
}

void HandleDatagram(const std::uint8_t* bytes, std::size_t size) {
    Station& s = S();
    zwin::StationDatagram d;
    if (zwin::DecodeDatagram(bytes, size, &d) != zwin::DatagramCheck::Ok) {
        ++s.dropped;
        return;
    }
    switch (d.kind) {
    case zwin::kDatagramPost:
        // A post to a window that has gone is lost, as on the system.
        if (HWND target = zwin::HandleFromId(d.target))
            PostMessageA(target, d.message, static_cast<WPARAM>(d.wParam), static_cast<LPARAM>(d.lParam));
        break;
    case zwin::kDatagramSend:
        QueueSend(d);
        break;
    case zwin::kDatagramReply:
        // A reply that comes after its send gave up is ignored.
        if (s.waiting && d.sequence == s.waitSequence && d.senderPid == s.waitPid) {
            s.replied = true;
            s.reply = static_cast<LRESULT>(d.lParam);
        }
        break;
    }
}

// Takes every datagram waiting at the socket; nothing is dispatched here.
void Drain() {
    Station& s = S();
    if (s.fd < 0)
        return;
    s.buffer.resize(zwin::kStationHeaderSize + zwin::kStationMaxPayload + 1);
    for (;;) {
        ssize_t n = ::recv(s.fd, s.buffer.data(), s.buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (static_cast<std::size_t>(n) > s.buffer.size()) {
            ++s.dropped; // larger than any datagram of the station
            continue;
        }
        HandleDatagram(s.buffer.data(), static_cast<std::size_t>(n));
    }
}

void RemoveOwnFiles() {
    Station& s = S();
    for (auto& [id, name] : s.files)
        ::unlink((s.folder + "/" + name).c_str());
    s.files.clear();
    sockaddr_un addr;
    if (SocketAddress(s.folder, getpid(), &addr))
        ::unlink(addr.sun_path);
}

void Unbind() {
    Station& s = S();
    if (s.fd < 0)
        return;
    RemoveOwnFiles();
    zwin::UnwatchFd(s.fd);
    ::close(s.fd);
    s.fd = -1;
    s.folder.clear();
}

void AtExit() {
    Station& s = S();
    if (s.pid == getpid() && s.fd >= 0) {
        RemoveOwnFiles();
        ::close(s.fd);
        s.fd = -1;
    }
    s.shutdown = true;
}

// A child made by fork() inherits the parent's state: it lets go without touching the
// parent's files and binds its own socket when it needs one.
void Adopt() {
    Station& s = S();
    if (s.pid == getpid())
        return;
    if (s.fd >= 0) {
        zwin::UnwatchFd(s.fd);
        ::close(s.fd);
    }
    s.fd = -1;
    s.folder.clear();
    s.files.clear();
    s.waiting = false;
    s.pid = getpid();
}

void Publish(CWnd* wnd) {
    Station& s = S();
    std::uint64_t id = zwin::HandleId(wnd->m_hWnd);
    auto it = s.files.find(id);
    std::string old = it == s.files.end() ? std::string() : it->second;
    std::string want = wnd->StoredText().IsEmpty() ? std::string() : ListingName(wnd);
    if (want == old)
        return;
    bool listed = false;
    if (!want.empty()) {
        std::string path = s.folder + "/" + want;
        if (!old.empty() && ::rename((s.folder + "/" + old).c_str(), path.c_str()) == 0) {
            ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0); // a retitled window is the newest
            listed = true;
        } else {
            int f = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
            if (f >= 0) {
                ::close(f);
                listed = true;
            }
        }
    }
    if (!old.empty() && !listed)
        ::unlink((s.folder + "/" + old).c_str());
    if (listed)
        s.files[id] = want;
    else
        s.files.erase(id);
}

// Binds this process's socket in the current station folder (lazily, and again when the
// folder named by the environment changes); false when the station cannot be used.
bool Ensure() {
    Station& s = S();
    if (s.shutdown)
        return false;
    Adopt();
    std::string folder = StationFolder();
    if (!FolderUsable(folder))
        return false;
    if (s.fd >= 0 && folder == s.folder)
        return true;
    Unbind();
    sockaddr_un addr;
    if (!SocketAddress(folder, getpid(), &addr))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(addr.sun_path); // left by an earlier process with our pid
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return false;
    }
    s.fd = fd;
    s.folder = folder;
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(AtExit);
    }
    zwin::WatchFd(fd, Drain);
    for (CWnd* w : zwin::TopLevelWindows())
        Publish(w);
    return true;
}

bool ParseListing(const char* name, const std::string& prefix, long* pid, std::uint64_t* id) {
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
        return false;
    const char* p = name + prefix.size();
    char* end = nullptr;
    if (*p < '0' || *p > '9')
        return false;
    unsigned long long v = std::strtoull(p, &end, 10);
    if (*end != '-' || v == 0 || v > 0x7FFFFFFF)
        return false;
    *pid = static_cast<long>(v);
    p = end + 1;
    if (*p < '0' || *p > '9')
        return false;
    *id = std::strtoull(p, &end, 10);
    return *end == '\0';
}

// "<pid>.sock" of a process that no longer exists.
void RemoveStaleSocket(const std::string& folder, const char* name) {
    char* end = nullptr;
    long pid = std::strtol(name, &end, 10);
    if (end == name || std::strcmp(end, ".sock") != 0 || pid <= 0 || pid == getpid())
        return;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        ::unlink((folder + "/" + name).c_str());
}

} // namespace

HWND FindWindowA(const char*, const char* windowName) {
    if (!windowName || !Ensure())
        return nullptr;
    Station& s = S();
    std::string prefix = "win-" + HexTitle(windowName) + "-";
    DIR* dir = ::opendir(s.folder.c_str());
    if (!dir)
        return nullptr;
    const long self = getpid();
    HWND best = nullptr;
    long bestPid = 0;
    std::uint64_t bestId = 0;
    timespec bestTime{0, 0};
    while (dirent* e = ::readdir(dir)) {
        long pid = 0;
        std::uint64_t id = 0;
        if (!ParseListing(e->d_name, prefix, &pid, &id)) {
            RemoveStaleSocket(s.folder, e->d_name);
            continue;
        }
        std::string path = s.folder + "/" + e->d_name;
        HWND local = nullptr;
        if (pid == self) {
            local = zwin::HandleFromId(id);
            CWnd* w = CWnd::FromHandlePermanent(local);
            if (!w || w->GetParent() || !(w->StoredText() == windowName)) {
                auto it = s.files.find(id);
                if (it == s.files.end() || it->second != e->d_name)
                    ::unlink(path.c_str()); // left by an earlier process with our pid
                continue;
            }
        } else if (!Alive(s.folder, pid)) {
            ::unlink(path.c_str());
            RemoveStaleSocket(s.folder, (std::to_string(pid) + ".sock").c_str());
            continue;
        }
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        const timespec& t = st.st_mtim;
        bool newer = bestPid == 0 || t.tv_sec > bestTime.tv_sec ||
                     (t.tv_sec == bestTime.tv_sec &&
                      (t.tv_nsec > bestTime.tv_nsec || (t.tv_nsec == bestTime.tv_nsec && id > bestId)));
        if (newer) {
            best = local;
            bestPid = pid;
            bestId = id;
            bestTime = t;
        }
    }
    ::closedir(dir);
    if (bestPid == 0)
        return nullptr;
    return bestPid == self ? best : zwin::RemoteHandle(static_cast<int>(bestPid), bestId);
}

namespace zwin {

void StationWindowTitled(CWnd* wnd) {
    if (!wnd || !wnd->m_hWnd || wnd->GetParent())
        return;
    Station& s = S();
    Adopt();
    // A window without a title and without a listing needs no station.
    if (wnd->StoredText().IsEmpty() && s.files.find(HandleId(wnd->m_hWnd)) == s.files.end())
        return;
    if (Ensure())
        Publish(wnd);
}

void StationWindowDestroyed(CWnd* wnd) {
    if (!wnd || !wnd->m_hWnd)
        return;
    Station& s = S();
    Adopt();
    auto it = s.files.find(HandleId(wnd->m_hWnd));
    if (it == s.files.end())
        return;
    ::unlink((s.folder + "/" + it->second).c_str());
    s.files.erase(it);
}

BOOL StationPost(HWND remote, UINT message, WPARAM wParam, LPARAM lParam) {
    int pid = 0;
    std::uint64_t id = 0;
    if (!RemoteTarget(remote, &pid, &id))
        return FALSE;
    if (pid == getpid()) {
        HWND local = HandleFromId(id);
        return local ? PostMessageA(local, message, wParam, lParam) : FALSE;
    }
    if (!StationCarries(kDatagramPost, message) || !Ensure())
        return FALSE;
    return Deliver(pid, EncodeDatagram(Outgoing(kDatagramPost, id, message, wParam, lParam))) ? TRUE : FALSE;
}

LRESULT StationSend(HWND remote, UINT message, WPARAM wParam, LPARAM lParam) {
    int pid = 0;
    std::uint64_t id = 0;
    if (!RemoteTarget(remote, &pid, &id))
        return 0;
    if (pid == getpid()) {
        HWND local = HandleFromId(id);
        return local ? SendMessageA(local, message, wParam, lParam) : 0;
    }
    StationDatagram d = Outgoing(kDatagramSend, id, message, wParam, lParam);
    if (message == WM_COPYDATA) {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!cds || cds->cbData > kStationMaxPayload || (cds->cbData && !cds->lpData))
            return 0;
        d.lParam = static_cast<std::uint64_t>(cds->dwData);
        d.payload = static_cast<const std::uint8_t*>(cds->lpData);
        d.payloadLength = cds->cbData;
    } else if (!StationCarries(kDatagramSend, message)) {
        return 0;
    }
    if (!Ensure())
        return 0;
    Station& s = S();
    if (++s.sequence == 0)
        ++s.sequence;
    d.sequence = s.sequence;
    s.waiting = true;
    s.waitSequence = d.sequence;
    s.waitPid = static_cast<std::uint32_t>(pid);
    s.replied = false;
    if (!Deliver(pid, EncodeDatagram(d))) {
        s.waiting = false;
        return 0;
    }
    // The sender blocks, as a send does; what else arrives meanwhile is queued for later.
    const std::uint64_t deadline = MonotonicMs() + static_cast<std::uint64_t>(s.sendTimeoutMs);
    std::uint64_t nextCheck = MonotonicMs() + kAliveCheckMs;
    while (!s.replied) {
        std::uint64_t now = MonotonicMs();
        if (now >= deadline)
            break;
        if (now >= nextCheck) {
            if (!Alive(s.folder, pid))
                break;
            nextCheck = now + kAliveCheckMs;
        }
        int wait = static_cast<int>(std::min<std::uint64_t>(deadline - now, kAliveCheckMs));
        pollfd p{s.fd, POLLIN, 0};
        ::poll(&p, 1, wait);
        Drain();
    }
    s.waiting = false;
    return s.replied ? s.reply : 0;
}

std::uint64_t StationDroppedCount() {
    return S().dropped;
}

void SetStationSendTimeout(int ms) {
    S().sendTimeoutMs = ms;
}

} // namespace zwin
