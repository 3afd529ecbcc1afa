// Another process on the window station, for the station tests.
//
//   station_peer serve <title> <log>   a window that logs what it receives
//   station_peer slow <title> <log>    the same, but its first WM_COPYDATA posts WM_USER+5 to
//                                      the sender and then keeps it waiting for a second
//   station_peer flood <title> <count> posts <count> messages to the window titled <title>
//
// Logged lines: "post <message> <wParam> <lParam>" and
// "copydata <dwData> <cbData> <length as a text> <byte after the data>".
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "platform/win/Wnd.h"

namespace {

constexpr UINT kQuit = WM_USER + 99;
constexpr UINT kFromPeer = WM_USER + 5;

FILE* g_log = nullptr;
bool g_slow = false;

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
    if (mode == "flood")
        return Flood(argv[2], std::atoi(argv[3]));
    return 1;
}
