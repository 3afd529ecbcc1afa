// Another process on the window station, for the station tests.
//
//   station_peer serve <title> <log>   a window that logs what it receives
//   station_peer slow <title> <log>    the same, but its first WM_COPYDATA posts WM_USER+5 to
//                                      the sender and then keeps it waiting for a second
//   station_peer flood <title> <count> posts <count> messages to the window titled <title>
//   station_peer storm <title> <count> <log> [<message>]  the same (WM_USER+1 unless a
//                                      message number is given), but goes on when a post is
//                                      refused, and then logs "accepted <n> refused <m>"
//   station_peer bounce <title> <log>  the same as serve, but a WM_COPYDATA is first sent back
//                                      to its sender (dwData + 1); the answer is that one's + 7
//   station_peer senders <title> <count> sends <count> empty WM_COPYDATA naming the senders
//                                      1 ... <count>, each answered with its sender's number
//   station_peer spray <title> <count> posts each message of a control (and one reflected
//                                      notification) with a bogus pointer to the window titled
//                                      <title> and to the <count> ids after it, as raw
//                                      datagrams, then posts WM_USER+99 to that window
//
// A post of WM_USER+7 makes serve sleep for wParam ms (it stops taking its messages).
//
// Logged lines: "post <message> <wParam> <lParam>" and
// "copydata <dwData> <cbData> <length as a text> <byte after the data>".
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "platform/win/StationWire.h"
#include "platform/win/Wnd.h"

namespace {

constexpr UINT kQuit = WM_USER + 99;
constexpr UINT kFromPeer = WM_USER + 5;
constexpr UINT kFreeze = WM_USER + 7;

FILE* g_log = nullptr;
bool g_slow = false;
bool g_bounce = false;

void SleepMs(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

class CPeerWnd : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COPYDATA) {
            auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lParam);
            const char* text = static_cast<const char*>(cds->lpData);
            std::size_t length = std::strlen(text);
            std::fprintf(g_log, "copydata %lu %lu %zu %d\n", static_cast<unsigned long>(cds->dwData),
                         static_cast<unsigned long>(cds->cbData), length, text[cds->cbData]);
            std::fflush(g_log);
            if (g_bounce && wParam) {
                COPYDATASTRUCT back{cds->dwData + 1, cds->cbData, cds->lpData};
                LRESULT answer =
                    SendMessageA(reinterpret_cast<HWND>(wParam), WM_COPYDATA,
                                 reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(&back));
                return answer + 7;
            }
            // Tell the sender through the handle it passed, then keep it waiting once.
            if (wParam)
                PostMessageA(reinterpret_cast<HWND>(wParam), kFromPeer, cds->cbData, 0);
            if (g_slow) {
                g_slow = false;
                SleepMs(500);
                return 77;
            }
            return static_cast<LRESULT>(length + 100000 * cds->dwData);
        }
        if (message >= WM_USER) {
            std::fprintf(g_log, "post %u %lu %ld\n", message, static_cast<unsigned long>(wParam),
                         static_cast<long>(lParam));
            std::fflush(g_log);
            if (message == kQuit)
                PostQuitMessage(0);
            if (message == kFreeze)
                SleepMs(static_cast<int>(wParam));
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

int Serve(const char* title, const char* logPath) {
    g_log = std::fopen(logPath, "a");
    if (!g_log)
        return 2;
    CPeerWnd wnd;
    wnd.CreateEx(0, title, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    return 0;
}

int Flood(const char* title, int count) {
    HWND target = nullptr;
    for (int i = 0; i < 500 && !target; ++i) {
        target = FindWindowA(nullptr, title);
        if (!target)
            SleepMs(10);
    }
    if (!target)
        return 3;
    for (int i = 0; i < count; ++i)
        if (!PostMessageA(target, WM_USER + 1, static_cast<WPARAM>(i), -i))
            return 4;
    return 0;
}

HWND Find(const char* title) {
    HWND target = nullptr;
    for (int i = 0; i < 500 && !target; ++i) {
        target = FindWindowA(nullptr, title);
        if (!target)
            SleepMs(10);
    }
    return target;
}

int Storm(const char* title, int count, const char* logPath, UINT message) {
    HWND target = Find(title);
    if (!target)
        return 3;
    int accepted = 0;
    for (int i = 0; i < count; ++i)
        accepted += PostMessageA(target, message, static_cast<WPARAM>(i), 0) ? 1 : 0;
    FILE* log = std::fopen(logPath, "w");
    if (!log)
        return 2;
    std::fprintf(log, "accepted %d refused %d\n", accepted, count - accepted);
    std::fclose(log);
    return 0;
}

int Senders(const char* title, int count) {
    HWND target = Find(title);
    if (!target)
        return 3;
    for (int i = 1; i <= count; ++i) {
        COPYDATASTRUCT cds{1, 0, nullptr};
        if (SendMessageA(target, WM_COPYDATA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&cds)) != i)
            return 5;
    }
    return 0;
}

// A hostile peer: datagrams made by hand, so that nothing on this side holds them back.
int Spray(const char* title, int count) {
    HWND target = Find(title);
    int pid = 0;
    std::uint64_t id = 0;
    if (!target || !zwin::RemoteTarget(target, &pid, &id))
        return 3;
    const char* station = std::getenv("ZORVIK_STATION");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s/%d.sock", station ? station : "", pid);
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 4;
    auto post = [&](std::uint64_t to, UINT message, std::uint64_t lParam) {
        zwin::StationDatagram d;
        d.kind = zwin::kDatagramPost;
        d.senderPid = static_cast<std::uint32_t>(getpid());
        d.target = to;
        d.message = message;
        d.lParam = lParam;
        std::vector<std::uint8_t> bytes = zwin::EncodeDatagram(d);
        // A blocking send: the receiver takes its datagrams at its own pace.
        return sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) ==
               static_cast<ssize_t>(bytes.size());
    };
    for (std::uint64_t to = id; to <= id + static_cast<std::uint64_t>(count); ++to)
        for (UINT message : {0x1007u, 0x1009u, 0x1203u, 0xBC2Cu, 0xBC4Eu})
            if (!post(to, message, 0x41414141))
                return 5;
    // An application message to every control: none may reach one.
    for (std::uint64_t to = id + 1; to <= id + static_cast<std::uint64_t>(count); ++to)
        if (!post(to, WM_USER + 1, 0x41414141))
            return 5;
    return post(id, kQuit, 0) ? 0 : 5;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return 1;
    std::string mode = argv[1];
    if (mode == "serve")
        return Serve(argv[2], argv[3]);
    if (mode == "slow") {
        g_slow = true;
        return Serve(argv[2], argv[3]);
    }
    if (mode == "bounce") {
        g_bounce = true;
        return Serve(argv[2], argv[3]);
    }
    if (mode == "flood")
        return Flood(argv[2], std::atoi(argv[3]));
    if (mode == "storm" && argc >= 5)
        return Storm(argv[2], std::atoi(argv[3]), argv[4],
                     argc >= 6 ? static_cast<UINT>(std::atoi(argv[5])) : WM_USER + 1);
    if (mode == "senders")
        return Senders(argv[2], std::atoi(argv[3]));
    if (mode == "spray")
        return Spray(argv[2], std::atoi(argv[3]));
    return 1;
}
