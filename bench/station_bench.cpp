// The window station between two processes: a WM_COPYDATA send with its reply, through the
// station, beside a bare round trip of a datagram of the same size between two processes
// (blocking send and receive on Unix datagram sockets, no message loop on either side).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BareEcho.h"
#include "RatioReporter.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "support/TempDrive.h"

namespace {

constexpr char kPeerTitle[] = "Zorvik-Bench-Peer";
constexpr char kClientTitle[] = "Zorvik-Bench-Client";
constexpr UINT WM_BENCH_QUIT = WM_USER + 1;
// An account update of typical length.
constexpr char kRecord[] =
    "1|12|1|15012.25|15010.00|50123000|50150000|40123000|27000|27000|123000|5.00|3|0|0|0";
// The station's header and the record: the datagram a WM_COPYDATA send of it makes.
constexpr std::size_t kDatagramSize = 48 + sizeof(kRecord);

class CPeerWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COPYDATA)
            return static_cast<LRESULT>(reinterpret_cast<COPYDATASTRUCT*>(lParam)->cbData);
        if (message == WM_BENCH_QUIT) {
            PostQuitMessage(0);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// The station's other process: a titled window and its message loop.
[[noreturn]] void RunPeer() {
    CPeerWnd wnd;
    wnd.CreateEx(0, kPeerTitle, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    wnd.DestroyWindow();
    std::exit(0);
}

struct Link {
    HWND peer = nullptr;
    CWnd* client = nullptr;
    int bare = -1;
    sockaddr_un echo{};
};
Link g_link;

void BM_BareDatagramRoundTrip(benchmark::State& state) {
    char out[kDatagramSize] = {};
    std::memcpy(out + 48, kRecord, sizeof(kRecord));
    char in[512];
    for (auto _ : state) {
        sendto(g_link.bare, out, sizeof(out), 0, reinterpret_cast<sockaddr*>(&g_link.echo),
               sizeof(g_link.echo));
        if (recv(g_link.bare, in, sizeof(in), 0) != static_cast<ssize_t>(sizeof(out)))
            state.SkipWithError("echo lost");
    }
}

void BM_CopyDataRoundTrip(benchmark::State& state) {
    COPYDATASTRUCT cds{3049, sizeof(kRecord), const_cast<char*>(kRecord)};
    for (auto _ : state) {
        LRESULT r = SendMessageA(g_link.peer, WM_COPYDATA, reinterpret_cast<WPARAM>(g_link.client->m_hWnd),
                                 reinterpret_cast<LPARAM>(&cds));
        if (r != static_cast<LRESULT>(sizeof(kRecord)))
            state.SkipWithError("no reply");
    }
}

void Stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    TempDrive drive;
    // Everything either process binds exists before either starts.
    if (mkdir(drive.Station().c_str(), 0700) != 0) {
        std::perror(drive.Station().c_str());
        return 2;
    }
    sockaddr_un clientAddr;
    pid_t echo = StartEcho(drive.Root() + "/echo.sock", &g_link.echo);
    g_link.bare = BindDatagram(drive.Root() + "/client.sock", &clientAddr);
    pid_t peer = fork();
    if (peer == 0)
        RunPeer();

    CWnd client;
    client.CreateEx(0, kClientTitle, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
    for (int i = 0; i < 1000 && !(g_link.peer = FindWindowA(nullptr, kPeerTitle)); ++i) {
        timespec ts{0, 10000000};
        nanosleep(&ts, nullptr);
    }
    if (!g_link.peer) {
        std::fprintf(stderr, "the peer's window did not appear\n");
        Stop(peer);
        Stop(echo);
        return 2;
    }
    g_link.client = &client;

    benchmark::Initialize(&argc, argv);
    RatioReporter::RegisterPairs("BM_CopyDataRoundTrip", BM_CopyDataRoundTrip, "BM_BareDatagramRoundTrip",
                                 BM_BareDatagramRoundTrip);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("station_copydata_roundtrip", "BM_CopyDataRoundTrip", "BM_BareDatagramRoundTrip");

    PostMessageA(g_link.peer, WM_BENCH_QUIT, 0, 0);
    StopEcho(echo, g_link.bare, g_link.echo);
    waitpid(peer, nullptr, 0);
    close(g_link.bare);
    client.DestroyWindow();
    benchmark::Shutdown();
    return 0;
}
