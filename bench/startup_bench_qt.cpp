// Start-up: the real console from its exec to its login window mapped on an X server, beside
// a bare Qt dialog of the login window's size started the same way, the two alternated. The
// moment is the server's MapNotify of the window, not a search that polls for it.
// The program plays the bare dialog itself when started with --bare <width> <height>.
#include <QApplication>
#include <QDialog>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Processes.h"
#include "RatioReporter.h"
#include "support/TempDrive.h"

namespace {

constexpr char kBareTitle[] = "startup-bare";
// An ASCII part of the login window's title.
constexpr char kLoginTitlePart[] = "Korvex";
constexpr int kMapTimeoutMs = 30000;
constexpr int kExitTimeoutMs = 10000;

int RunBare(int width, int height) {
    int argc = 1;
    char name[] = "startup-bare";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(kBareTitle);
    dialog.resize(width, height);
    dialog.show();
    return app.exec();
}

// A virtual screen of its own; the server names its display on a pipe.
struct Server {
    pid_t pid = -1;
    std::string display;
    Server() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp"});
        close(fds[1]);
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            display += c;
        close(fds[0]);
        if (!display.empty())
            display = ":" + display;
    }
    ~Server() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            WaitForExit(pid, kExitTimeoutMs);
        }
    }
};

std::string WindowName(Display* d, Window w) {
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False, utf8, &type, &format,
                           &items, &after, &data) == Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    return name;
}

// Starts `argv` on the screen and returns the seconds until a top-level window whose name
// holds `titlePart` is mapped (its size into `width` and `height`), or -1. The program is
// ended before this returns.
double TimeToMap(Display* d, const std::map<std::string, std::string>& env, const std::string& cwd,
                 const std::vector<std::string>& argv, const char* titlePart, int* width = nullptr,
                 int* height = nullptr) {
    XSync(d, True); // nothing left over from an earlier run
    const double start = ClockSeconds();
    const pid_t pid = Spawn(argv, env, cwd);
    if (pid <= 0)
        return -1;
    double mapped = -1;
    while (mapped < 0 && ClockSeconds() - start < kMapTimeoutMs / 1000.0) {
        if (!XPending(d)) {
            pollfd p{ConnectionNumber(d), POLLIN, 0};
            poll(&p, 1, 100);
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != MapNotify || e.xmap.override_redirect)
            continue;
        const double at = ClockSeconds();
        if (WindowName(d, e.xmap.window).find(titlePart) == std::string::npos)
            continue;
        mapped = at - start;
        XWindowAttributes attributes;
        if (width && height && XGetWindowAttributes(d, e.xmap.window, &attributes)) {
            *width = attributes.width;
            *height = attributes.height;
        }
    }
    kill(pid, SIGTERM);
    if (!WaitForExit(pid, kExitTimeoutMs)) {
        kill(pid, SIGKILL);
        WaitForExit(pid, kExitTimeoutMs);
    }
    return mapped;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--bare") == 0)
        return RunBare(std::atoi(argv[2]), std::atoi(argv[3]));
    if (!OnPath("Xvfb")) {
        std::fprintf(stderr, "Xvfb is not installed (scripts/setup installs it)\n");
        return 2;
    }
    TempDrive drive; // its own drive C: and station folder, which the console inherits
    const std::string base = drive.MakeBaseFolder();
    Server server;
    Display* d = server.display.empty() ? nullptr : XOpenDisplay(server.display.c_str());
    if (!d) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 2;
    }
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    const std::map<std::string, std::string> env = {
        {"DISPLAY", server.display}, {"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", ""}};

    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 2;
    self[n] = '\0';
    // The login window's size, for the bare dialog; the first start warms the caches.
    int width = 0, height = 0;
    if (TimeToMap(d, env, base, {ZORVIK_CONSOLE_EXE}, kLoginTitlePart, &width, &height) < 0) {
        std::fprintf(stderr, "the login window was not mapped\n");
        XCloseDisplay(d);
        return 2;
    }
    const std::vector<std::string> bare = {self, "--bare", std::to_string(width), std::to_string(height)};
    std::vector<double> console, plain;
    AlternatedRatio(
        "startup", kRatioPairs,
        [&] {
            console.push_back(TimeToMap(d, env, base, {ZORVIK_CONSOLE_EXE}, kLoginTitlePart));
            return console.back();
        },
        [&] {
            plain.push_back(TimeToMap(d, env, base, bare, kBareTitle));
            return plain.back();
        });
    std::printf("startup login_ms=%.1f bare_dialog_ms=%.1f (medians) size=%dx%d\n", Median(console) * 1000,
                Median(plain) * 1000, width, height);
    XCloseDisplay(d);
    return 0;
}
