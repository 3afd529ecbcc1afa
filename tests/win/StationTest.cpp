#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "platform/win/StationFiles.h"
#include "platform/win/StationWire.h"
#include "platform/win/Wnd.h"
#include "support/Seconds.h"
#include "support/TempDrive.h"

extern char** environ;

namespace {

constexpr UINT WM_PEER_ONE = WM_USER + 1;
constexpr UINT WM_PEER_TWO = WM_USER + 2;
constexpr UINT WM_FROM_PEER = WM_USER + 5;
constexpr UINT WM_PEER_FREEZE = WM_USER + 7;
constexpr UINT WM_PEER_QUIT = WM_USER + 99;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD sender; // the process that posted or sent it
};

class CRecordWnd : public CWnd {
public:
    std::vector<Received> received;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= WM_USER || message == WM_COPYDATA)
            received.push_back({message, wParam, lParam, zwin::MessageSenderProcess()});
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// Pumps this process's queue until the condition holds (a safety bound only).
bool PumpUntil(const std::function<bool()>& done, double seconds = 20) {
    const double end = Seconds() + seconds;
    for (;;) {
        if (done())
            return true;
        if (Seconds() > end)
            return done();
        zwin::PollFds(10);
        zwin::PumpWaitingMessages();
    }
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Hex(const char* ansi) {
    std::string out;
    char buf[3];
    for (unsigned char c : AnsiToHostUtf8(ansi)) {
        std::snprintf(buf, sizeof(buf), "%02x", c);
        out += buf;
    }
    return out;
}

// A station_peer process, killed and reaped when it goes out of scope.
class Peer {
public:
    explicit Peer(std::vector<std::string> args) {
        std::vector<std::string> all{STATION_PEER};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, STATION_PEER, nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
    }
    ~Peer() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            Reap();
        }
    }
    pid_t Pid() const { return m_pid; }
    // Whether it has ended (then reaped, its status kept).
    bool Ended(int* status) {
        if (m_pid > 0 && waitpid(m_pid, status, WNOHANG) == m_pid) {
            m_pid = -1;
            return true;
        }
        return m_pid <= 0;
    }
    int Reap() {
        int status = 0;
        if (m_pid > 0)
            waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
};

class StationTest : public ::testing::Test {
protected:
    void TearDown() override { zwin::SetStationSendTimeout(5000); }

    HWND FindPeer(const char* title) {
        HWND found = nullptr;
        PumpUntil([&] { return (found = FindWindowA(nullptr, title)) != nullptr; });
        return found;
    }
    std::string LogPath(const char* name) const { return drive.Root() + "/" + name; }
    // Waits until the peer's log holds n lines.
    std::vector<std::string> WaitLog(const std::string& path, std::size_t n) {
        std::vector<std::string> lines;
        PumpUntil([&] { return (lines = ReadLines(path)).size() >= n; });
        return lines;
    }

    TempDrive drive;
};

void SendRaw(const std::string& station, const std::vector<std::uint8_t>& bytes) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = station + "/" + std::to_string(getpid()) + ".sock";
    std::strcpy(addr.sun_path, path.c_str());
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    ASSERT_EQ(sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr),
                     sizeof(addr)),
              static_cast<ssize_t>(bytes.size()));
    close(fd);
    // This process is the receiver: take the datagram in before the socket's queue fills.
    zwin::PollFds(0);
}

} // namespace

TEST_F(StationTest, RefusesAFolderOfAnotherUserOrOpenToOthers) {
    const std::string station = drive.Station();
    ASSERT_EQ(mkdir(station.c_str(), 0700), 0);
    CRecordWnd wnd;
    {
        // The folder as the system reports it when another user owns it.
        SysCallsOverride sys;
        static std::string s_station;
        s_station = station;
        Sys().lstat = [](const char* path, struct stat* st) {
            int rc = ::lstat(path, st);
            if (rc == 0 && s_station == path)
                st->st_uid = geteuid() + 1;
            return rc;
        };
        wnd.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
        EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), nullptr);
        EXPECT_FALSE(PostMessageA(zwin::RemoteHandle(1, 5), WM_PEER_ONE, 0, 0));
        EXPECT_TRUE(FolderEntries(station).empty());
    }

    ASSERT_EQ(chmod(station.c_str(), 0777), 0);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), nullptr);
    EXPECT_TRUE(FolderEntries(station).empty());

    // Closed to others again: the station works and lists the window made meanwhile.
    ASSERT_EQ(chmod(station.c_str(), 0700), 0);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), wnd.m_hWnd);
    std::string listing = "win-" + Hex("Zorvik-Master") + "-" + std::to_string(getpid()) + "-" +
                          std::to_string(zwin::HandleId(wnd.m_hWnd));
    EXPECT_EQ(FolderEntries(station),
              (std::vector<std::string>{std::to_string(getpid()) + ".sock", listing}));
}

TEST_F(StationTest, ListsTitledTopLevelWindowsUntilRetitledOrDestroyed) {
    CRecordWnd wnd, child, untitled;
    wnd.CreateEx(0, "Zorvik-MS", WS_POPUP, RECT{}, nullptr, 0);
    child.CreateEx(0, "Zorvik-MD", WS_CHILD, RECT{}, &wnd, 3);
    untitled.CreateEx(0, "", WS_POPUP, RECT{}, nullptr, 0);
    const std::string tail =
        "-" + std::to_string(getpid()) + "-" + std::to_string(zwin::HandleId(wnd.m_hWnd));
    const std::string sock = std::to_string(getpid()) + ".sock";
    EXPECT_EQ(FolderEntries(drive.Station()),
              (std::vector<std::string>{sock, "win-" + Hex("Zorvik-MS") + tail}));
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MD"), nullptr);

    wnd.SetWindowText("주문창");
    EXPECT_EQ(FolderEntries(drive.Station()),
              (std::vector<std::string>{sock, "win-" + Hex("주문창") + tail}));
    EXPECT_EQ(FindWindowA(nullptr, "주문창"), wnd.m_hWnd);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), nullptr);

    wnd.SetWindowText("");
    EXPECT_EQ(FolderEntries(drive.Station()), (std::vector<std::string>{sock}));
    untitled.SetWindowText("Zorvik-MS");
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), untitled.m_hWnd);
    untitled.DestroyWindow();
    EXPECT_EQ(FolderEntries(drive.Station()), (std::vector<std::string>{sock}));
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), nullptr);
}

TEST_F(StationTest, MalformedDatagramsAreDroppedAndCountedNeverDispatched) {
    CRecordWnd wnd;
    wnd.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    ASSERT_EQ(FindWindowA(nullptr, "Zorvik-Master"), wnd.m_hWnd);

    zwin::StationDatagram post;
    post.kind = zwin::kDatagramPost;
    post.senderPid = 4242;
    post.target = zwin::HandleId(wnd.m_hWnd);
    post.message = 3053;
    post.wParam = 1;
    const std::vector<std::uint8_t> good = zwin::EncodeDatagram(post);

    std::vector<std::vector<std::uint8_t>> bad;
    auto variant = [&](std::function<void(std::vector<std::uint8_t>&)> change) {
        std::vector<std::uint8_t> b = good;
        change(b);
        bad.push_back(b);
    };
    variant([](auto& b) { b[3] = '2'; });                               // magic
    variant([](auto& b) { b[4] = 4; });                                 // kind
    variant([](auto& b) { b[4] = 0; });                                 // kind
    variant([](auto& b) { b[28] = 5; });                                // length without its bytes
    variant([](auto& b) { b.resize(b.size() + 3); });                   // bytes without their length
    variant([](auto& b) { b.resize(20); });                             // shorter than a header
    variant([](auto& b) { b[24] = 0x0C, b[25] = 0; });                  // WM_SETTEXT never crosses
    variant([](auto& b) { b[8] = b[9] = b[10] = b[11] = 0; });          // no sender
    variant([](auto& b) { b[28] = 0x01, b[29] = 0x00, b[30] = 0x01; }); // 65537 bytes claimed
    variant([](auto& b) {                                               // a post carrying data
        b[28] = 4;
        b.insert(b.end(), {'a', 'b', 'c', 'd'});
    });
    variant([](auto& b) { // larger than any datagram
        b[4] = 2, b[24] = 0x4A, b[25] = 0;
        b.resize(48 + 70000);
        b[28] = 70000 & 0xFF, b[29] = (70000 >> 8) & 0xFF, b[30] = 70000 >> 16;
    });

    const std::uint64_t before = zwin::StationDroppedCount();
    for (const auto& b : bad)
        SendRaw(drive.Station(), b);
    SendRaw(drive.Station(), good);
    ASSERT_TRUE(PumpUntil([&] { return !wnd.received.empty(); }));
    zwin::PumpWaitingMessages();
    EXPECT_EQ(zwin::StationDroppedCount() - before, bad.size());
    ASSERT_EQ(wnd.received.size(), 1u);
    EXPECT_EQ(wnd.received[0].message, 3053u);
    EXPECT_EQ(wnd.received[0].wParam, 1u);
}

TEST_F(StationTest, CopyDataCrossesWithinItsBytesAndTheReplyComesBack) {
    const std::string log = LogPath("peer.log");
    Peer peer({"serve", "Zorvik-Master", log});
    HWND master = FindPeer("Zorvik-Master");
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(master), nullptr); // a window of another process

    CRecordWnd engine;
    engine.CreateEx(0, "Zorvik-MS", WS_POPUP, RECT{}, nullptr, 0);
    // A record without a NUL: the receiver reads exactly cbData bytes.
    char record[] = {'1', '|', '2', '|', 'x'};
    COPYDATASTRUCT cds{3048, sizeof(record), record};
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, reinterpret_cast<WPARAM>(engine.m_hWnd),
                           reinterpret_cast<LPARAM>(&cds)),
              5 + 100000 * 3048);
    // A NUL inside the bytes ends the text there.
    const char withNul[] = "0|7\0tail";
    COPYDATASTRUCT cds2{3049, sizeof(withNul), const_cast<char*>(withNul)};
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, reinterpret_cast<WPARAM>(engine.m_hWnd),
                           reinterpret_cast<LPARAM>(&cds2)),
              3 + 100000 * 3049);
    // The largest record crosses; one byte more is refused without a word to the peer.
    std::vector<char> big(65536, 'a');
    COPYDATASTRUCT cds3{1, static_cast<DWORD>(big.size()), big.data()};
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds3)), 65536 + 100000);
    big.push_back('a');
    COPYDATASTRUCT cds4{1, static_cast<DWORD>(big.size()), big.data()};
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds4)), 0);

    PostMessageA(master, WM_PEER_QUIT, 0, 0);
    EXPECT_EQ(WaitLog(log, 4), (std::vector<std::string>{"copydata 3048 5 5 0", "copydata 3049 9 3 0",
                                                         "copydata 1 65536 65536 0", "post 1123 0 0"}));
    // The sender's handle reached the peer as wParam: its posts back arrive here.
    ASSERT_TRUE(PumpUntil([&] { return engine.received.size() >= 2; }));
    EXPECT_EQ(engine.received[0].message, WM_FROM_PEER);
    EXPECT_EQ(engine.received[0].wParam, 5u);
    EXPECT_EQ(engine.received[1].wParam, 9u);
}

TEST_F(StationTest, PostsKeepTheirOrderBetweenProcesses) {
    const std::string log = LogPath("peer.log");
    Peer server({"serve", "Zorvik-MS", log});
    HWND ms = FindPeer("Zorvik-MS");
    ASSERT_NE(ms, nullptr);
    constexpr int kCount = 300;
    for (int i = 0; i < kCount; ++i)
        ASSERT_TRUE(PostMessageA(ms, WM_PEER_ONE, static_cast<WPARAM>(i), i * 2));
    std::vector<std::string> lines = WaitLog(log, kCount);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(lines[i], "post 1025 " + std::to_string(i) + " " + std::to_string(i * 2));

    // And the other way: a process that posts faster than this one takes them.
    CRecordWnd master;
    master.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    Peer flood({"flood", "Zorvik-Master", std::to_string(kCount)});
    ASSERT_TRUE(PumpUntil([&] { return master.received.size() >= kCount; }));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(master.received[i].wParam, static_cast<WPARAM>(i));
        ASSERT_EQ(master.received[i].lParam, -i);
    }
    EXPECT_EQ(flood.Reap(), 0);
}

TEST_F(StationTest, SendGivesUpAfterItsTimeoutAndKeepsWhatArrivedMeanwhile) {
    zwin::SetStationSendTimeout(200);
    const std::string log = LogPath("peer.log");
    Peer peer({"slow", "Zorvik-Master", log});
    HWND master = FindPeer("Zorvik-Master");
    ASSERT_NE(master, nullptr);
    CRecordWnd engine;
    engine.CreateEx(0, "Zorvik-MD", WS_POPUP, RECT{}, nullptr, 0);

    char text[] = "abc";
    COPYDATASTRUCT cds{3049, 4, text};
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, reinterpret_cast<WPARAM>(engine.m_hWnd),
                           reinterpret_cast<LPARAM>(&cds)),
              0);
    // The peer's post came while this process waited; it was queued, not lost.
    ASSERT_TRUE(PumpUntil([&] { return !engine.received.empty(); }));
    EXPECT_EQ(engine.received[0].message, WM_FROM_PEER);

    // The late answer (77) of the first send is never taken for the answer to the next one.
    zwin::SetStationSendTimeout(5000);
    char text2[] = "abcdef";
    COPYDATASTRUCT cds2{3049, 7, text2};
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds2)), 6 + 100000 * 3049);
}

TEST_F(StationTest, AKilledProcessLeavesNothingToFindAndPostsToItFail) {
    const std::string log = LogPath("peer.log");
    Peer older({"serve", "Zorvik-MS", log});
    HWND first = FindPeer("Zorvik-MS");
    ASSERT_NE(first, nullptr);
    Peer newer({"serve", "Zorvik-MS", log});
    HWND second = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        second = FindWindowA(nullptr, "Zorvik-MS");
        return second != first;
    }));
    int pid = 0;
    ASSERT_TRUE(zwin::RemoteTarget(second, &pid, nullptr));
    EXPECT_EQ(pid, newer.Pid());
    EXPECT_EQ(zwin::FindWindows("Zorvik-MS"), (std::vector<HWND>{second, first}))
        << "every one, newest first";

    // Killed and not yet reaped: the newer window is gone, the older one is found again.
    kill(newer.Pid(), SIGKILL);
    ASSERT_TRUE(PumpUntil([&] { return FindWindowA(nullptr, "Zorvik-MS") == first; }));
    EXPECT_FALSE(PostMessageA(second, WM_PEER_ONE, 0, 0));
    COPYDATASTRUCT cds{1, 0, nullptr};
    EXPECT_EQ(SendMessageA(second, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 0);
    newer.Reap();

    EXPECT_EQ(zwin::FindWindows("Zorvik-MS"), std::vector<HWND>{first});
    kill(older.Pid(), SIGKILL);
    older.Reap();
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), nullptr);
    EXPECT_TRUE(zwin::FindWindows("Zorvik-MS").empty());
    // Only this process's own socket is left in the station.
    EXPECT_EQ(FolderEntries(drive.Station()), (std::vector<std::string>{std::to_string(getpid()) + ".sock"}));
}

// The system gives an ended process's pid to later programs: a window stays the window of the
// process that listed it, and a later process with that pid is neither it nor reached by it.
TEST_F(StationTest, AWindowIsLiveOnlyWhileTheVeryProcessThatListedItRuns) {
    const std::string log = LogPath("peer.log");
    Peer peer({"serve", "Zorvik-MS", log});
    HWND first = FindPeer("Zorvik-MS");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsWindow(first));
    EXPECT_TRUE(PostMessageA(first, WM_PEER_ONE, 1, 0));
    EXPECT_EQ(WaitLog(log, 1), (std::vector<std::string>{"post 1025 1 0"}));
    {
        // The process with that pid now started at another time, as a later one would have.
        static std::string s_real, s_later;
        s_real = "/proc/" + std::to_string(peer.Pid()) + "/stat";
        s_later = LogPath("later-stat");
        std::string line = ReadLines(s_real).at(0);
        std::size_t field = line.rfind(')') + 2;
        for (int i = 3; i < 22; ++i)
            field = line.find(' ', field) + 1;
        line.replace(field, line.find(' ', field) - field, "1");
        std::ofstream(s_later) << line << "\n";
        SysCallsOverride sys;
        Sys().open = [](const char* path, int flags, mode_t mode) {
            return ::open(s_real == path ? s_later.c_str() : path, flags | O_CLOEXEC, mode);
        };
        EXPECT_FALSE(IsWindow(first));
        EXPECT_FALSE(PostMessageA(first, WM_PEER_ONE, 2, 0));
        // Its own window is another handle.
        HWND later = FindWindowA(nullptr, "Zorvik-MS");
        EXPECT_NE(later, first);
        EXPECT_TRUE(IsWindow(later));
        EXPECT_FALSE(PostMessageA(first, WM_PEER_ONE, 3, 0));
    }
    kill(peer.Pid(), SIGKILL);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(first); }));
    EXPECT_EQ(ReadLines(log), (std::vector<std::string>{"post 1025 1 0"}));
}

// A window's process is known by its handle, and every message by the process that sent it,
// without a word of the wire for it. A process held once found is still reached when the
// station is opened to others or removed, and is gone once it has ended.
TEST_F(StationTest, SendersAreKnownAndAHeldProcessIsReachedWithoutItsListing) {
    const std::string heldLog = LogPath("held.log");
    const std::string otherLog = LogPath("other.log");
    Peer held({"serve", "Zorvik-MS", heldLog});
    Peer other({"serve", "Zorvik-MD", otherLog});
    HWND ms = FindPeer("Zorvik-MS");
    HWND md = FindPeer("Zorvik-MD");
    ASSERT_NE(ms, nullptr);
    ASSERT_NE(md, nullptr);
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(ms, &pid), static_cast<DWORD>(held.Pid()));
    EXPECT_EQ(pid, static_cast<DWORD>(held.Pid()));

    CRecordWnd own;
    own.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    EXPECT_EQ(GetWindowThreadProcessId(own.m_hWnd, nullptr), static_cast<DWORD>(getpid()));
    // The peer posts back to the window named by a record's wParam.
    COPYDATASTRUCT cds{1, 3, const_cast<char*>("abc")};
    SendMessageA(ms, WM_COPYDATA, reinterpret_cast<WPARAM>(own.m_hWnd), reinterpret_cast<LPARAM>(&cds));
    own.PostMessage(WM_PEER_TWO);
    ASSERT_TRUE(PumpUntil([&] { return own.received.size() >= 2; }));
    EXPECT_EQ(own.received[0].message, WM_FROM_PEER);
    EXPECT_EQ(own.received[0].sender, static_cast<DWORD>(held.Pid()));
    EXPECT_EQ(own.received[1].message, WM_PEER_TWO);
    EXPECT_EQ(own.received[1].sender, static_cast<DWORD>(getpid()));

    ASSERT_TRUE(zwin::StationHold(ms));
    ASSERT_EQ(chmod(drive.Station().c_str(), 0777), 0);
    EXPECT_TRUE(PostMessageA(ms, WM_PEER_ONE, 1, 0));
    EXPECT_FALSE(PostMessageA(md, WM_PEER_ONE, 1, 0)) << "an unheld process is not reached";
    ASSERT_EQ(system(("rm -rf '" + drive.Station() + "'").c_str()), 0);
    EXPECT_TRUE(PostMessageA(ms, WM_PEER_ONE, 2, 0));
    EXPECT_EQ(WaitLog(heldLog, 3),
              (std::vector<std::string>{"copydata 1 3 3 0", "post 1025 1 0", "post 1025 2 0"}));
    EXPECT_TRUE(ReadLines(otherLog).empty());

    EXPECT_TRUE(IsWindow(ms));
    kill(held.Pid(), SIGKILL);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(ms); })) << "killed, even before it is reaped";
    EXPECT_FALSE(PostMessageA(ms, WM_PEER_ONE, 3, 0));
}

namespace {

// Answers WM_COPYDATA with 100 + cbData and counts what it got.
class CAnswerWnd : public CRecordWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT r = CRecordWnd::WindowProc(message, wParam, lParam);
        if (message == WM_COPYDATA)
            return 100 + static_cast<LRESULT>(reinterpret_cast<COPYDATASTRUCT*>(lParam)->cbData);
        return r;
    }
};

std::vector<std::uint8_t> RawPost(std::uint64_t target, UINT message, std::uint64_t lParam) {
    zwin::StationDatagram d;
    d.kind = zwin::kDatagramPost;
    d.senderPid = 4242;
    d.target = target;
    d.message = message;
    d.lParam = lParam;
    return zwin::EncodeDatagram(d);
}

} // namespace

// A cleanup that removes the station's files does not leave a process unreachable: it binds
// again and lists its windows anew once it next uses the station.
TEST_F(StationTest, AProcessWhoseFilesWereRemovedListsItselfAgain) {
    CRecordWnd own;
    own.CreateEx(0, "Zorvik-MS", WS_POPUP, RECT{}, nullptr, 0);
    const std::vector<std::string> listed = FolderEntries(drive.Station());
    ASSERT_EQ(listed.size(), 2u); // the socket and the listing
    ASSERT_EQ(system(("rm -rf '" + drive.Station() + "'").c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] {
        return FindWindowA(nullptr, "Zorvik-MS") == own.m_hWnd && FolderEntries(drive.Station()) == listed;
    }));
    // Posts through the station reach it again.
    const std::vector<std::uint8_t> post = RawPost(zwin::HandleId(own.m_hWnd), WM_PEER_ONE, 0);
    SendRaw(drive.Station(), post);
    ASSERT_TRUE(PumpUntil([&] { return !own.received.empty(); }));
    EXPECT_EQ(own.received[0].sender, 4242u);
}

namespace {

// What LockStation gives in a process of its own (which leaves no socket behind).
zwin::StationLockResult LockInAnotherProcess() {
    const pid_t child = fork();
    if (child == 0) {
        const zwin::StationLockResult result = zwin::LockStation("console.lock");
        // Its copies of this process's windows were listed as its own.
        const std::string folder = zwin::OpenStation().folder;
        const std::string pid = std::to_string(getpid());
        for (const std::string& name : FolderEntries(folder))
            if (name == pid + ".sock" || name.find("-" + pid + "-") != std::string::npos)
                unlink((folder + "/" + name).c_str());
        _exit(static_cast<int>(result));
    }
    int status = -1;
    waitpid(child, &status, 0);
    return static_cast<zwin::StationLockResult>(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

} // namespace

// A process keeps what it has in the station: removed or replaced, its socket, listing, lock
// and files are made again at once, so that it stays findable and its lock holds. A lock file
// that is not a regular file of this user with one link is never taken.
TEST_F(StationTest, AProcessKeepsItsLockListingAndFilesWhateverIsRemoved) {
    using zwin::StationLockResult;
    CRecordWnd own;
    own.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    ASSERT_EQ(zwin::LockStation("console.lock"), StationLockResult::Taken);
    ASSERT_TRUE(zwin::WriteStationFile("console.engines", "Ms 12 34\n"));
    const std::string station = drive.Station();
    struct stat st;
    ASSERT_EQ(lstat((station + "/console.engines").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::string text;
    EXPECT_TRUE(zwin::ReadStationFile("console.engines", &text));
    EXPECT_EQ(text, "Ms 12 34\n");
    EXPECT_EQ(LockInAnotherProcess(), StationLockResult::HeldByOther);
    const std::vector<std::string> kept = FolderEntries(station);

    ASSERT_EQ(system(("rm -rf '" + station + "'").c_str()), 0);
    EXPECT_EQ(LockInAnotherProcess(), StationLockResult::Taken) << "nothing held the new file";
    ASSERT_EQ(system(("rm -rf '" + station + "'").c_str()), 0);
    zwin::KeepStation();
    EXPECT_EQ(FolderEntries(station), kept);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), own.m_hWnd);
    EXPECT_EQ(LockInAnotherProcess(), StationLockResult::HeldByOther);
    EXPECT_TRUE(zwin::ReadStationFile("console.engines", &text));
    EXPECT_EQ(text, "Ms 12 34\n");

    // Single files removed or replaced.
    std::ofstream(station + "/other") << "Md 1 1\n";
    ASSERT_EQ(rename((station + "/other").c_str(), (station + "/console.engines").c_str()), 0);
    ASSERT_EQ(unlink((station + "/console.lock").c_str()), 0);
    for (const std::string& name : kept) {
        if (name.rfind("win-", 0) == 0) {
            ASSERT_EQ(unlink((station + "/" + name).c_str()), 0);
        }
    }
    zwin::KeepStation();
    EXPECT_EQ(FolderEntries(station), kept);
    EXPECT_TRUE(zwin::ReadStationFile("console.engines", &text));
    EXPECT_EQ(text, "Ms 12 34\n");
    EXPECT_EQ(LockInAnotherProcess(), StationLockResult::HeldByOther);
    zwin::RemoveStationFile("console.engines");
    zwin::KeepStation();
    EXPECT_FALSE(zwin::ReadStationFile("console.engines", &text));

    // Lock files that are not this user's own regular file.
    zwin::UnlockStation();
    const std::string lock = station + "/console.lock";
    ASSERT_EQ(unlink(lock.c_str()), 0);
    std::ofstream(station + "/target") << "";
    ASSERT_EQ(symlink((station + "/target").c_str(), lock.c_str()), 0);
    EXPECT_EQ(zwin::LockStation("console.lock"), StationLockResult::Refused) << "a link";
    EXPECT_FALSE(zwin::ReadStationFile("console.lock", &text)) << "a link is not read";
    ASSERT_EQ(unlink(lock.c_str()), 0);
    ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
    EXPECT_EQ(zwin::LockStation("console.lock"), StationLockResult::Refused) << "a folder";
    ASSERT_EQ(rmdir(lock.c_str()), 0);
    ASSERT_EQ(link((station + "/target").c_str(), lock.c_str()), 0);
    EXPECT_EQ(zwin::LockStation("console.lock"), StationLockResult::Refused) << "a second link";
    ASSERT_EQ(unlink(lock.c_str()), 0);
    {
        SysCallsOverride sys;
        Sys().fstat = [](int fd, struct stat* st) {
            const int rc = ::fstat(fd, st);
            st->st_uid = geteuid() + 1;
            return rc;
        };
        EXPECT_EQ(zwin::LockStation("console.lock"), StationLockResult::Refused) << "another user's";
    }
    EXPECT_EQ(zwin::LockStation("console.lock"), StationLockResult::Taken);
    zwin::UnlockStation();
}

TEST_F(StationTest, OnlyListedTopLevelWindowsReceiveAndControlNumbersAreRefused) {
    CRecordWnd dialog, control, untitled;
    dialog.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    control.CreateEx(0, "list", WS_CHILD, RECT{}, &dialog, 1220);
    untitled.CreateEx(0, "", WS_POPUP, RECT{}, nullptr, 0);
    ASSERT_EQ(FindWindowA(nullptr, "Zorvik-Master"), dialog.m_hWnd);

    const std::uint64_t before = zwin::StationDroppedCount();
    SendRaw(drive.Station(), RawPost(zwin::HandleId(control.m_hWnd), WM_PEER_ONE, 1));
    SendRaw(drive.Station(), RawPost(zwin::HandleId(untitled.m_hWnd), WM_PEER_ONE, 2));
    // List view, header and reflected numbers, even to the listed window, are refused.
    const UINT refused[] = {0x1007, 0x1009, 0x1203, 0x1300, 0x2000, 0xBC2C, 0xBC4E, 0xBFFF};
    for (UINT message : refused)
        SendRaw(drive.Station(), RawPost(zwin::HandleId(dialog.m_hWnd), message, 0x41414141));
    // A WM_COPYDATA send to the control is not handed to it either.
    std::vector<std::uint8_t> send = RawPost(zwin::HandleId(control.m_hWnd), WM_COPYDATA, 0);
    send[4] = zwin::kDatagramSend;
    SendRaw(drive.Station(), send);
    SendRaw(drive.Station(), RawPost(zwin::HandleId(dialog.m_hWnd), WM_PEER_TWO, 3));
    ASSERT_TRUE(PumpUntil([&] { return !dialog.received.empty(); }));
    zwin::PumpWaitingMessages();
    EXPECT_EQ(zwin::StationDroppedCount() - before, std::size(refused));
    ASSERT_EQ(dialog.received.size(), 1u);
    EXPECT_EQ(dialog.received[0].message, WM_PEER_TWO);
    EXPECT_TRUE(control.received.empty());
    EXPECT_TRUE(untitled.received.empty());

    // This side refuses them too; the numbers around them still cross.
    HWND self = zwin::RemoteHandle(4242, 1);
    for (UINT message : refused)
        EXPECT_FALSE(zwin::StationCarries(zwin::kDatagramPost, message)) << message;
    for (UINT message : {0x0FFFu, 0x0BDAu, 0x2400u, 0x8000u, 0xBBFFu, 0xC000u})
        EXPECT_TRUE(zwin::StationCarries(zwin::kDatagramPost, message)) << message;
    EXPECT_FALSE(PostMessageA(self, 0x1009, 0, 0));
}

TEST_F(StationTest, AFrozenReceiverNeitherHoldsUpThePosterNorLosesItsPosts) {
    const std::string frozenLog = LogPath("frozen.log"), otherLog = LogPath("other.log");
    Peer frozen({"serve", "Zorvik-MS", frozenLog});
    Peer other({"serve", "Zorvik-MD", otherLog});
    HWND ms = FindPeer("Zorvik-MS");
    HWND md = FindPeer("Zorvik-MD");
    ASSERT_NE(ms, nullptr);
    ASSERT_NE(md, nullptr);

    ASSERT_TRUE(PostMessageA(ms, WM_PEER_FREEZE, 10000, 0));
    ASSERT_EQ(WaitLog(frozenLog, 1).size(), 1u);
    // Its socket fills up; from then on posts wait in this process.
    int fillers = 0;
    while (zwin::StationPendingCount() == 0 && fillers < 5000)
        ASSERT_TRUE(PostMessageA(ms, WM_PEER_ONE, static_cast<WPARAM>(fillers++), 0));
    ASSERT_GT(zwin::StationPendingCount(), 0u);

    char record[] = "1|2|3";
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(PostMessageA(ms, WM_PEER_TWO, static_cast<WPARAM>(i), 0));
        COPYDATASTRUCT cds{3049, sizeof(record), record};
        ASSERT_EQ(SendMessageA(md, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 5 + 100000 * 3049);
        zwin::PumpWaitingMessages();
    }
    // All of that happened while the receiver slept: it has taken nothing yet.
    EXPECT_EQ(ReadLines(frozenLog).size(), 1u);
    EXPECT_EQ(ReadLines(otherLog).size(), 30u);

    const std::size_t total = 1 + static_cast<std::size_t>(fillers) + 30;
    std::vector<std::string> lines;
    ASSERT_TRUE(PumpUntil([&] { return (lines = ReadLines(frozenLog)).size() >= total; }, 60));
    ASSERT_EQ(lines.size(), total);
    for (int i = 0; i < fillers; ++i)
        ASSERT_EQ(lines[1 + i], "post 1025 " + std::to_string(i) + " 0");
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(lines[1 + fillers + i], "post 1026 " + std::to_string(i) + " 0");
    EXPECT_EQ(zwin::StationPendingCount(), 0u);
}

TEST_F(StationTest, ASendWaitingForItsReplyServesTheSendBack) {
    const std::string log = LogPath("peer.log");
    Peer peer({"bounce", "Zorvik-Master", log});
    HWND master = FindPeer("Zorvik-Master");
    ASSERT_NE(master, nullptr);
    CAnswerWnd engine;
    engine.CreateEx(0, "Zorvik-MS", WS_POPUP, RECT{}, nullptr, 0);

    char text[] = "abc";
    COPYDATASTRUCT cds{3049, sizeof(text), text};
    // The peer sends back to this window before it answers: 100 + 4 from here, + 7 there.
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, reinterpret_cast<WPARAM>(engine.m_hWnd),
                           reinterpret_cast<LPARAM>(&cds)),
              111);
    ASSERT_EQ(engine.received.size(), 1u);
    EXPECT_EQ(engine.received[0].message, static_cast<UINT>(WM_COPYDATA));
    // Twice more, so that a second nesting finds nothing left over from the first.
    EXPECT_EQ(SendMessageA(master, WM_COPYDATA, reinterpret_cast<WPARAM>(engine.m_hWnd),
                           reinterpret_cast<LPARAM>(&cds)),
              111);
    EXPECT_EQ(engine.received.size(), 2u);
}

namespace {

// Answers a WM_COPYDATA with the number of the sender's window as the sender named it.
class CSenderNumberWnd : public CWnd {
public:
    int count = 0, wrong = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_COPYDATA)
            return CWnd::WindowProc(message, wParam, lParam);
        ++count;
        int pid = 0;
        std::uint64_t id = 0;
        if (!zwin::RemoteTarget(reinterpret_cast<HWND>(wParam), &pid, &id) ||
            id != static_cast<std::uint64_t>(count))
            ++wrong;
        return static_cast<LRESULT>(id);
    }
};

} // namespace

TEST_F(StationTest, CopyDataFromManyDistinctSendersKeepsTheHandleTableFlat) {
    CSenderNumberWnd master;
    master.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    ASSERT_EQ(FindWindowA(nullptr, "Zorvik-Master"), master.m_hWnd);
    const std::size_t before = zwin::HandleTableSize();
    const long residentBefore = ResidentKiB();

    constexpr int kSenders = 100000;
    Peer senders({"senders", "Zorvik-Master", std::to_string(kSenders)});
    int status = -1;
    ASSERT_TRUE(PumpUntil([&] { return senders.Ended(&status); }, 240));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(master.count, kSenders);
    EXPECT_EQ(master.wrong, 0);
    EXPECT_LE(zwin::HandleTableSize(), before + 200);
#ifndef __SANITIZE_ADDRESS__
    // An entry per sender would hold over 10 MB by now. (The address sanitizer holds freed
    // memory back, so there the resident size says nothing.)
    EXPECT_LT(ResidentKiB() - residentBefore, 4 * 1024);
#else
    (void)residentBefore;
#endif
}

TEST_F(StationTest, PostsThatFindNoRoomWaitInOrderUntilTheLineIsFullOrTheReceiverGoes) {
    const std::string log = LogPath("peer.log");
    Peer peer({"serve", "Zorvik-MS", log});
    HWND ms = FindPeer("Zorvik-MS");
    ASSERT_NE(ms, nullptr);

    SysCallsOverride sys;
    static int s_refusal = 0; // the error the receiver's socket gives, 0 for none
    s_refusal = EAGAIN;
    Sys().sendto = [](int fd, const void* buf, size_t n, int flags, const sockaddr* addr, socklen_t length) {
        if (s_refusal) {
            errno = s_refusal;
            return ssize_t{-1};
        }
        return ::sendto(fd, buf, n, flags, addr, length);
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PostMessageA(ms, WM_PEER_ONE, static_cast<WPARAM>(i), 0));
    s_refusal = ENOBUFS;
    for (int i = 3; i < 5; ++i)
        ASSERT_TRUE(PostMessageA(ms, WM_PEER_ONE, static_cast<WPARAM>(i), 0));
    for (int i = 0; i < 5; ++i)
        zwin::PumpWaitingMessages();
    EXPECT_EQ(zwin::StationPendingCount(), 5u);
    EXPECT_EQ(zwin::StationRetryDelay(), 10);

    s_refusal = 0;
    std::vector<std::string> lines = WaitLog(log, 5);
    ASSERT_EQ(lines.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(lines[i], "post 1025 " + std::to_string(i) + " 0");
    EXPECT_EQ(zwin::StationPendingCount(), 0u);
    EXPECT_EQ(zwin::StationRetryDelay(), -1);

    // The line holds 10,000; the next post fails.
    s_refusal = EAGAIN;
    for (int i = 0; i < 10000; ++i)
        ASSERT_TRUE(PostMessageA(ms, WM_PEER_TWO, static_cast<WPARAM>(i), 0)) << i;
    EXPECT_FALSE(PostMessageA(ms, WM_PEER_TWO, 10000, 0));
    EXPECT_EQ(zwin::StationPendingCount(), 10000u);
    // A receiver whose socket refuses the connection has gone: what waited for it goes too.
    s_refusal = ECONNREFUSED;
    zwin::StationFlush();
    EXPECT_EQ(zwin::StationPendingCount(), 0u);
    EXPECT_FALSE(PostMessageA(ms, WM_PEER_TWO, 1, 0));

    s_refusal = 0;
    ASSERT_TRUE(PostMessageA(ms, WM_PEER_QUIT, 0, 0));
    lines = WaitLog(log, 6);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], "post 1123 0 0");
}

TEST_F(StationTest, AReplyThatFindsNoRoomWaitsAndTheSenderGetsIt) {
    CSenderNumberWnd master;
    master.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    ASSERT_EQ(FindWindowA(nullptr, "Zorvik-Master"), master.m_hWnd);

    SysCallsOverride sys;
    static bool s_refuseReplies = true;
    s_refuseReplies = true;
    Sys().sendto = [](int fd, const void* buf, size_t n, int flags, const sockaddr* addr, socklen_t length) {
        if (s_refuseReplies && n >= 8 && static_cast<const std::uint8_t*>(buf)[4] == zwin::kDatagramReply) {
            errno = EAGAIN;
            return ssize_t{-1};
        }
        return ::sendto(fd, buf, n, flags, addr, length);
    };
    Peer senders({"senders", "Zorvik-Master", "3"});
    ASSERT_TRUE(PumpUntil([&] { return zwin::StationPendingCount() == 1; }));
    for (int i = 0; i < 20; ++i)
        zwin::PumpWaitingMessages();
    // The loop went on; the one answer waits, and the peer still waits for it.
    EXPECT_EQ(master.count, 1);
    EXPECT_EQ(zwin::StationPendingCount(), 1u);

    s_refuseReplies = false;
    int status = -1;
    ASSERT_TRUE(PumpUntil([&] { return senders.Ended(&status); }));
    // Each send got its own answer.
    EXPECT_EQ(master.count, 3);
    EXPECT_EQ(master.wrong, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(StationTest, AStationWhoseSocketCannotBeMadeFindsNothingAndPostsFail) {
    CRecordWnd wnd;
    {
        SysCallsOverride sys;
        Sys().bind = [](int, const sockaddr*, socklen_t) {
            errno = EADDRINUSE;
            return -1;
        };
        wnd.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
        EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), nullptr);
        EXPECT_FALSE(PostMessageA(zwin::RemoteHandle(1, 5), WM_PEER_ONE, 0, 0));
        Sys().socket = [](int, int, int) {
            errno = EMFILE;
            return -1;
        };
        EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), nullptr);
    }
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), wnd.m_hWnd);
}

TEST_F(StationTest, ASendersHandleStaysWhileItsMessageIsHandledThoughManyOthersCome) {
    class CNestingWnd : public CWnd {
    public:
        std::string station;
        int handled = 0;
        bool stayed = false;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message != WM_COPYDATA)
                return CWnd::WindowProc(message, wParam, lParam);
            if (++handled > 1)
                return 0;
            HWND first = reinterpret_cast<HWND>(wParam);
            CWnd* proxy = CWnd::FromHandle(first);
            // A hundred sends from other senders are served before this one is answered.
            for (int i = 2; i <= 101; ++i)
                SendRaw(station, CopyDataFrom(m_hWnd, static_cast<std::uint64_t>(i)));
            zwin::RunIncomingSends();
            std::uint64_t id = 0;
            stayed = zwin::RemoteTarget(first, nullptr, &id) && id == 1 && CWnd::FromHandle(first) == proxy;
            return 0;
        }
        static std::vector<std::uint8_t> CopyDataFrom(HWND target, std::uint64_t sender) {
            zwin::StationDatagram d;
            d.kind = zwin::kDatagramSend;
            d.senderPid = 4242;
            d.sequence = static_cast<std::uint32_t>(sender);
            d.target = zwin::HandleId(target);
            d.message = WM_COPYDATA;
            d.wParam = sender;
            return zwin::EncodeDatagram(d);
        }
    } master;
    master.station = drive.Station();
    master.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    ASSERT_EQ(FindWindowA(nullptr, "Zorvik-Master"), master.m_hWnd);
    const std::size_t before = zwin::HandleTableSize();

    SendRaw(drive.Station(), CNestingWnd::CopyDataFrom(master.m_hWnd, 1));
    ASSERT_TRUE(PumpUntil([&] { return master.handled == 101; }));
    EXPECT_TRUE(master.stayed);
    EXPECT_LE(zwin::HandleTableSize(), before + 200);
}
