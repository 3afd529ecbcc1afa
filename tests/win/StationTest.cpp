#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "platform/win/StationWire.h"
#include "platform/win/Wnd.h"
#include "support/TempDrive.h"

extern char** environ;

namespace {

constexpr UINT WM_PEER_ONE = WM_USER + 1;
constexpr UINT WM_FROM_PEER = WM_USER + 5;
constexpr UINT WM_PEER_QUIT = WM_USER + 99;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class CRecordWnd : public CWnd {
public:
    std::vector<Received> received;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= WM_USER || message == WM_COPYDATA)
            received.push_back({message, wParam, lParam});
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// Pumps this process's queue until the condition holds (bounded, 10 s).
bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done())
            return true;
        zwin::PollFds(10);
        zwin::PumpWaitingMessages();
    }
    return done();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
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
    ASSERT_EQ(chown(station.c_str(), 65534, 65534), 0);
    CRecordWnd wnd;
    wnd.CreateEx(0, "Zorvik-Master", WS_POPUP, RECT{}, nullptr, 0);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), nullptr);
    EXPECT_FALSE(PostMessageA(zwin::RemoteHandle(1, 5), WM_PEER_ONE, 0, 0));

    ASSERT_EQ(chown(station.c_str(), geteuid(), getegid()), 0);
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

    // Killed and not yet reaped: the newer window is gone, the older one is found again.
    kill(newer.Pid(), SIGKILL);
    ASSERT_TRUE(PumpUntil([&] { return FindWindowA(nullptr, "Zorvik-MS") == first; }));
    EXPECT_FALSE(PostMessageA(second, WM_PEER_ONE, 0, 0));
    COPYDATASTRUCT cds{1, 0, nullptr};
    EXPECT_EQ(SendMessageA(second, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 0);
    newer.Reap();

    kill(older.Pid(), SIGKILL);
    older.Reap();
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), nullptr);
    // Only this process's own socket is left in the station.
    EXPECT_EQ(FolderEntries(drive.Station()), (std::vector<std::string>{std::to_string(getpid()) + ".sock"}));
}
