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
#include <deque>
#include <map>
#include <string>

#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/ProcessIdentity.h"
#include "platform/win/StationFiles.h"
#include "platform/win/StationWire.h"

namespace {

// Datagrams that find no room at their receiver wait here, in order, per receiver; as many
// as the posted messages one queue of the target platform holds.
constexpr std::size_t kPendingLimit = 10000;
// How soon the message loop tries them again.
constexpr int kRetryMs = 10;
// How long a process that ends may still hand its waiting datagrams over.
constexpr int kExitFlushMs = 2000;
// How often a waiting send looks whether the receiver is still there.
constexpr int kAliveCheckMs = 100;
// How often a bound process looks whether its socket file is still in the folder (a cleanup
// may remove the folder's files): when it has gone, it binds again and lists its windows anew.
constexpr std::uint64_t kSocketCheckMs = 1000;

// A send of this process that waits for its reply (sends nest when the receiver sends back).
struct Waiting {
    std::uint32_t pid = 0;
    bool replied = false;
    LRESULT reply = 0;
};

struct Station {
    bool shutdown = false;
    pid_t pid = 0;      // the process the state belongs to; a forked child starts afresh
    std::string folder; // where the socket is bound
    int fd = -1;
    ino_t socketIno = 0; // the socket file this process bound
    std::uint64_t nextSocketCheck = 0;
    std::map<std::uint64_t, std::string> files; // window id -> its listing file name
    std::uint32_t sequence = 0;
    std::uint64_t dropped = 0;
    int sendTimeoutMs = 5000;
    std::vector<std::uint8_t> buffer;
    std::map<std::uint32_t, Waiting> waiting;                      // by sequence number
    std::map<long, std::deque<std::vector<std::uint8_t>>> pending; // by receiving process
    // Sockets connected to the sockets of held processes: they reach them even when their
    // socket files are gone.
    std::map<long, int> links;
    // Why the last attempt to open the station failed.
    zwin::StationRefusal refusal = zwin::StationRefusal::None;
    int refusalError = 0;
};

// This process's part of the window station.
Station& OwnStation() {
    // Never destroyed: windows of static objects may go after the exit handlers ran.
    static Station* s = new Station;
    return *s;
}

std::string StationFolder() {
    if (const char* s = std::getenv("ZORVIK_STATION"); s && *s)
        return s;
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r)
        return std::string(r) + "/zorvik-station";
    return "/tmp/zorvik-station-" + std::to_string(geteuid());
}

bool Refuse(zwin::StationRefusal why, int error = 0) {
    OwnStation().refusal = why;
    OwnStation().refusalError = error;
    return false;
}

// Made when missing; refused when it is not a plain folder of this user closed to others.
bool FolderUsable(const std::string& folder) {
    using zwin::StationRefusal;
    struct stat st;
    if (Sys().lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || (Sys().mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST))
            return Refuse(StationRefusal::CannotCreate, errno);
        if (Sys().lstat(folder.c_str(), &st) != 0)
            return Refuse(StationRefusal::CannotCreate, errno);
    }
    if (!S_ISDIR(st.st_mode))
        return Refuse(StationRefusal::NotAFolder);
    if (st.st_uid != geteuid())
        return Refuse(StationRefusal::OtherOwner);
    if ((st.st_mode & 077) != 0)
        return Refuse(StationRefusal::OpenToOthers);
    return true;
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
    int probe = Sys().socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return true;
    bool ok = Sys().connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    Sys().close(probe);
    return ok;
}

enum class Handed { Sent, NoRoom, Gone };

void DropLink(long pid) {
    auto it = OwnStation().links.find(pid);
    if (it == OwnStation().links.end())
        return;
    Sys().close(it->second);
    OwnStation().links.erase(it);
}

void DropLinks() {
    for (auto& [pid, fd] : OwnStation().links)
        Sys().close(fd);
    OwnStation().links.clear();
}

// One datagram through fd (to addr, or to the socket fd is connected to).
Handed SendOn(int fd, const std::vector<std::uint8_t>& bytes, const sockaddr_un* addr) {
    for (;;) {
        ssize_t n = Sys().sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                                 reinterpret_cast<const sockaddr*>(addr), addr ? sizeof(*addr) : 0);
        if (n == static_cast<ssize_t>(bytes.size()))
            return Handed::Sent;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS))
            return Handed::NoRoom;
        return Handed::Gone; // no socket there any more (or a datagram it can never take)
    }
}

Handed TrySend(long pid, const std::vector<std::uint8_t>& bytes) {
    Station& s = OwnStation();
    if (auto link = s.links.find(pid); link != s.links.end()) {
        const Handed h = SendOn(link->second, bytes, nullptr);
        if (h != Handed::Gone)
            return h;
        DropLink(pid); // its socket closed: it may have bound again in the folder
    }
    sockaddr_un addr;
    if (s.fd < 0 || !SocketAddress(s.folder, pid, &addr))
        return Handed::Gone;
    return SendOn(s.fd, bytes, &addr);
}

// Hands what waits for one receiver over, oldest first, as far as it takes them now.
void FlushTo(long pid) {
    Station& s = OwnStation();
    auto it = s.pending.find(pid);
    if (it == s.pending.end())
        return;
    while (!it->second.empty()) {
        Handed h = TrySend(pid, it->second.front());
        if (h == Handed::NoRoom)
            return;
        if (h == Handed::Gone)
            break; // what waited for it is lost with it
        it->second.pop_front();
    }
    s.pending.erase(it);
}

void FlushAll() {
    Station& s = OwnStation();
    for (auto it = s.pending.begin(); it != s.pending.end();) {
        long pid = (it++)->first; // FlushTo may erase the entry
        FlushTo(pid);
    }
}

// Hands a datagram to the socket of process `pid` without ever waiting: one that finds no
// room waits behind those before it until the message loop hands it over. False when the
// process has gone or its waiting line is full.
bool Deliver(long pid, std::vector<std::uint8_t> bytes) {
    Station& s = OwnStation();
    FlushTo(pid);
    auto it = s.pending.find(pid);
    if (it == s.pending.end()) {
        Handed h = TrySend(pid, bytes);
        if (h != Handed::NoRoom)
            return h == Handed::Sent;
        it = s.pending.emplace(pid, std::deque<std::vector<std::uint8_t>>()).first;
    }
    if (it->second.size() >= kPendingLimit)
        return false;
    it->second.push_back(std::move(bytes));
    return true;
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

// Other processes reach only the top-level windows this one lists in the station, never
// their controls.
HWND ListedTarget(std::uint64_t id) {
    return OwnStation().files.count(id) ? zwin::HandleFromId(id) : nullptr;
}

// A send from another process runs before posted messages, at the next retrieval (or while
// this thread waits for a reply of its own).
void QueueSend(const zwin::StationDatagram& d) {
    // The handler reads the data within cbData; the NUL after it ends a text that has none.
    std::vector<char> data(d.payload, d.payload + d.payloadLength);
    data.push_back('\0');
    zwin::StationDatagram request = d;
    request.payload = nullptr;
    zwin::QueueIncomingSend([request, data = std::move(data)]() mutable {
        LRESULT result = 0;
        CWnd* wnd = CWnd::FromHandlePermanent(ListedTarget(request.target));
        if (wnd) {
            // The handler may ask which process sent it.
            zwin::MessageSenderScope scope(request.senderPid);
            if (request.message == WM_COPYDATA) {
                HWND sender = request.wParam
                                  ? zwin::SenderHandle(static_cast<int>(request.senderPid), request.wParam)
                                  : nullptr;
                COPYDATASTRUCT cds{static_cast<ULONG_PTR>(request.lParam), request.payloadLength,
                                   data.data()};
                result = wnd->WindowProc(WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                                         reinterpret_cast<LPARAM>(&cds));
                if (sender)
                    zwin::SenderHandleDone(sender);
            } else {
                result = wnd->WindowProc(request.message, static_cast<WPARAM>(request.wParam),
                                         static_cast<LPARAM>(request.lParam));
            }
        }
        if (OwnStation().fd >= 0)
            Reply(request, result);
    });
}

void HandleDatagram(const std::uint8_t* bytes, std::size_t size) {
    Station& s = OwnStation();
    zwin::StationDatagram d;
    if (zwin::DecodeDatagram(bytes, size, &d) != zwin::DatagramCheck::Ok) {
        ++s.dropped;
        return;
    }
    switch (d.kind) {
    case zwin::kDatagramPost:
        // A post to a window that has gone is lost, as on the system.
        if (HWND target = ListedTarget(d.target))
            zwin::PostFromProcess(d.senderPid, target, d.message, static_cast<WPARAM>(d.wParam),
                                  static_cast<LPARAM>(d.lParam));
        break;
    case zwin::kDatagramSend:
        QueueSend(d);
        break;
    case zwin::kDatagramReply:
        // A reply that comes after its send gave up is ignored.
        if (auto it = s.waiting.find(d.sequence); it != s.waiting.end() && it->second.pid == d.senderPid) {
            it->second.replied = true;
            it->second.reply = static_cast<LRESULT>(d.lParam);
        }
        break;
    }
}

// Takes every datagram waiting at the socket; nothing is dispatched here.
void Drain() {
    Station& s = OwnStation();
    if (s.fd < 0)
        return;
    s.buffer.resize(zwin::kStationHeaderSize + zwin::kStationMaxPayload + 1);
    for (;;) {
        ssize_t n = Sys().recv(s.fd, s.buffer.data(), s.buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
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
    Station& s = OwnStation();
    for (auto& [id, name] : s.files)
        Sys().unlink((s.folder + "/" + name).c_str());
    s.files.clear();
    sockaddr_un addr;
    if (SocketAddress(s.folder, getpid(), &addr))
        Sys().unlink(addr.sun_path);
}

void Unbind() {
    Station& s = OwnStation();
    if (s.fd < 0)
        return;
    RemoveOwnFiles();
    zwin::UnwatchFd(s.fd);
    Sys().close(s.fd);
    s.fd = -1;
    s.folder.clear();
    s.pending.clear(); // addressed to processes of the station left
    DropLinks();
}

void AtExit() {
    Station& s = OwnStation();
    if (s.pid == getpid() && s.fd >= 0) {
        // What waits for a slow receiver (an exit command, say) gets a last chance.
        const std::uint64_t deadline = CClock::SystemNowMs() + kExitFlushMs;
        for (FlushAll(); !s.pending.empty() && CClock::SystemNowMs() < deadline; FlushAll())
            ::poll(nullptr, 0, kRetryMs);
        RemoveOwnFiles();
        Sys().close(s.fd);
        s.fd = -1;
    }
    s.shutdown = true;
}

// A child made by fork() inherits the parent's state: it lets go without touching the
// parent's files and binds its own socket when it needs one.
void Adopt() {
    Station& s = OwnStation();
    if (s.pid == getpid())
        return;
    if (s.fd >= 0) {
        zwin::UnwatchFd(s.fd);
        Sys().close(s.fd);
    }
    s.fd = -1;
    s.folder.clear();
    s.files.clear();
    s.waiting.clear();
    s.pending.clear();
    DropLinks();
    s.pid = getpid();
}

void Publish(CWnd* wnd) {
    Station& s = OwnStation();
    std::uint64_t id = zwin::HandleId(wnd->m_hWnd);
    auto it = s.files.find(id);
    std::string old = it == s.files.end() ? std::string() : it->second;
    std::string want = wnd->StoredText().IsEmpty() ? std::string() : ListingName(wnd);
    if (want == old)
        return;
    bool listed = false;
    if (!want.empty()) {
        std::string path = s.folder + "/" + want;
        if (!old.empty() && Sys().rename((s.folder + "/" + old).c_str(), path.c_str()) == 0) {
            ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0); // a retitled window is the newest
            listed = true;
        } else {
            int f = Sys().open(path.c_str(), O_CREAT | O_WRONLY, 0600);
            if (f >= 0) {
                Sys().close(f);
                listed = true;
            }
        }
    }
    if (!old.empty() && !listed)
        Sys().unlink((s.folder + "/" + old).c_str());
    if (listed)
        s.files[id] = want;
    else
        s.files.erase(id);
}

// Whether this process's socket file has gone from its folder, or is another one now; looked
// at once in a while.
bool SocketFileLost() {
    Station& s = OwnStation();
    const std::uint64_t now = CClock::SystemNowMs();
    if (now < s.nextSocketCheck)
        return false;
    s.nextSocketCheck = now + kSocketCheckMs;
    sockaddr_un addr;
    if (!SocketAddress(s.folder, getpid(), &addr))
        return false;
    struct stat st;
    if (Sys().lstat(addr.sun_path, &st) != 0)
        return errno == ENOENT;
    return st.st_ino != s.socketIno;
}

// Binds this process's socket in the current station folder (lazily, and again when the
// folder named by the environment changes); false when the station cannot be used.
bool Ensure() {
    Station& s = OwnStation();
    if (s.shutdown)
        return false;
    Adopt();
    std::string folder = StationFolder();
    if (!FolderUsable(folder))
        return false;
    s.refusal = zwin::StationRefusal::None;
    s.refusalError = 0;
    if (s.fd >= 0 && folder == s.folder) {
        if (!SocketFileLost())
            return true;
        // Bound again in the same folder: what waits for others and the held processes stay.
        zwin::UnwatchFd(s.fd);
        Sys().close(s.fd);
        s.fd = -1;
        for (auto it = s.files.begin(); it != s.files.end();) {
            struct stat st;
            it = Sys().lstat((folder + "/" + it->second).c_str(), &st) != 0 ? s.files.erase(it)
                                                                            : std::next(it);
        }
    } else {
        Unbind();
    }
    sockaddr_un addr;
    if (!SocketAddress(folder, getpid(), &addr))
        return Refuse(zwin::StationRefusal::PathTooLong);
    int fd = Sys().socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Refuse(zwin::StationRefusal::CannotBind, errno);
    Sys().unlink(addr.sun_path); // left by an earlier process with our pid
    if (Sys().bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        const int error = errno;
        Sys().close(fd);
        return Refuse(zwin::StationRefusal::CannotBind, error);
    }
    s.fd = fd;
    s.folder = folder;
    struct stat bound;
    s.socketIno = Sys().lstat(addr.sun_path, &bound) == 0 ? bound.st_ino : 0;
    s.nextSocketCheck = CClock::SystemNowMs() + kSocketCheckMs;
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
        Sys().unlink((folder + "/" + name).c_str());
}

} // namespace

namespace {

// A listed window of a title whose process runs.
struct Listing {
    HWND local; // a window of this process, else null
    long pid;
    std::uint64_t id;
    timespec time; // when it was listed: the newest is found first
};

bool Newer(const Listing& a, const Listing& b) {
    if (a.time.tv_sec != b.time.tv_sec)
        return a.time.tv_sec > b.time.tv_sec;
    if (a.time.tv_nsec != b.time.tv_nsec)
        return a.time.tv_nsec > b.time.tv_nsec;
    return a.id > b.id;
}

// Every listing of that title whose window still exists, newest first; listings of processes
// that have gone are removed on the way.
std::vector<Listing> LiveListings(const char* title) {
    std::vector<Listing> found;
    if (!title || !Ensure())
        return found;
    Station& s = OwnStation();
    std::string prefix = "win-" + HexTitle(title) + "-";
    DIR* dir = ::opendir(s.folder.c_str());
    if (!dir)
        return found;
    const long self = getpid();
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
            if (!w || w->GetParent() || !(w->StoredText() == title)) {
                auto it = s.files.find(id);
                if (it == s.files.end() || it->second != e->d_name)
                    Sys().unlink(path.c_str()); // left by an earlier process with our pid
                continue;
            }
        } else if (!Alive(s.folder, pid)) {
            Sys().unlink(path.c_str());
            RemoveStaleSocket(s.folder, (std::to_string(pid) + ".sock").c_str());
            continue;
        }
        struct stat st;
        if (Sys().lstat(path.c_str(), &st) != 0)
            continue;
        found.push_back(Listing{local, pid, id, st.st_mtim});
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), Newer);
    return found;
}

HWND HandleOf(const Listing& l) {
    return l.pid == getpid() ? l.local : zwin::RemoteHandle(static_cast<int>(l.pid), l.id);
}

} // namespace

HWND FindWindowA(const char*, const char* windowName) {
    const std::vector<Listing> found = LiveListings(windowName);
    return found.empty() ? nullptr : HandleOf(found.front());
}

namespace zwin {

void StationWindowTitled(CWnd* wnd) {
    if (!wnd || !wnd->m_hWnd || wnd->GetParent())
        return;
    Station& s = OwnStation();
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
    Station& s = OwnStation();
    Adopt();
    auto it = s.files.find(HandleId(wnd->m_hWnd));
    if (it == s.files.end())
        return;
    Sys().unlink((s.folder + "/" + it->second).c_str());
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
    // A held process is reached even when the station can no longer be used; a later process
    // that got the pid of the window's process is not reached.
    if (!StationCarries(kDatagramPost, message) || (!Ensure() && !OwnStation().links.count(pid)) ||
        !ProcessLives(RemoteProcess(remote)))
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
    Station& s = OwnStation();
    do
        ++s.sequence;
    while (s.sequence == 0 || s.waiting.count(s.sequence));
    const std::uint32_t sequence = d.sequence = s.sequence;
    s.waiting[sequence].pid = static_cast<std::uint32_t>(pid);
    if (!Deliver(pid, EncodeDatagram(d))) {
        s.waiting.erase(sequence);
        return 0;
    }
    // The sender waits, as a send does; sends to this thread meanwhile are served (the
    // receiver may send back before it answers), posts are queued for later.
    const std::uint64_t deadline = CClock::SystemNowMs() + static_cast<std::uint64_t>(s.sendTimeoutMs);
    std::uint64_t nextCheck = CClock::SystemNowMs() + kAliveCheckMs;
    for (;;) {
        Drain();
        RunIncomingSends();
        FlushAll();
        auto it = s.waiting.find(sequence);
        if (it == s.waiting.end() || it->second.replied || s.fd < 0)
            break;
        std::uint64_t now = CClock::SystemNowMs();
        if (now >= deadline)
            break;
        if (now >= nextCheck) {
            if (!Alive(s.folder, pid))
                break;
            nextCheck = now + kAliveCheckMs;
        }
        std::uint64_t wait = std::min<std::uint64_t>(deadline - now, kAliveCheckMs);
        if (!s.pending.empty())
            wait = std::min<std::uint64_t>(wait, kRetryMs);
        pollfd p{s.fd, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(wait));
    }
    auto it = s.waiting.find(sequence);
    LRESULT result = it != s.waiting.end() && it->second.replied ? it->second.reply : 0;
    if (it != s.waiting.end())
        s.waiting.erase(it);
    return result;
}

void KeepStation() {
    Station& s = OwnStation();
    s.nextSocketCheck = 0; // looked at now, not once in a while
    if (!Ensure())
        return;
    // Listings removed while the socket stayed.
    for (CWnd* w : TopLevelWindows()) {
        auto it = s.files.find(HandleId(w->m_hWnd));
        struct stat st;
        if (it != s.files.end() && Sys().lstat((s.folder + "/" + it->second).c_str(), &st) != 0) {
            s.files.erase(it);
            Publish(w);
        }
    }
    KeepStationFiles();
}

std::vector<HWND> FindWindows(const char* title) {
    std::vector<HWND> windows;
    for (const Listing& l : LiveListings(title))
        windows.push_back(HandleOf(l));
    return windows;
}

bool StationHold(HWND remote) {
    int pid = 0;
    if (!RemoteTarget(remote, &pid, nullptr))
        return false;
    Adopt();
    Station& s = OwnStation();
    if (pid == getpid() || s.links.count(pid))
        return true;
    sockaddr_un addr;
    if (!Ensure() || !SocketAddress(s.folder, pid, &addr))
        return false;
    int fd = Sys().socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (Sys().connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        Sys().close(fd);
        return false;
    }
    s.links[pid] = fd;
    return true;
}

StationStatus OpenStation() {
    StationStatus status;
    status.folder = StationFolder();
    if (!Ensure()) {
        status.refusal =
            OwnStation().refusal == StationRefusal::None ? StationRefusal::CannotBind : OwnStation().refusal;
        status.error = OwnStation().refusalError;
    }
    return status;
}

std::uint64_t StationDroppedCount() {
    return OwnStation().dropped;
}

void StationFlush() {
    if (!OwnStation().pending.empty() && OwnStation().pid == getpid())
        FlushAll();
}

int StationRetryDelay() {
    return OwnStation().pending.empty() ? -1 : kRetryMs;
}

std::size_t StationPendingCount() {
    std::size_t n = 0;
    for (auto& [pid, line] : OwnStation().pending)
        n += line.size();
    return n;
}

void SetStationSendTimeout(int ms) {
    OwnStation().sendTimeoutMs = ms;
}

} // namespace zwin
