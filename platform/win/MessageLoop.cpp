#include "platform/win/MessageLoop.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <type_traits>
#include <vector>

#include "platform/win/Station.h"
#include "platform/win/Wnd.h"

namespace {

struct Timer {
    UINT interval;
    std::uint64_t due; // a WM_TIMER is handed out once per expiry, when it is taken
};

// A posted message and the process that posted it.
struct Posted {
    MSG msg;
    DWORD sender;
};

struct Queue {
    std::deque<std::function<void()>> incomingSends;
    std::deque<Posted> posted;
    std::deque<MSG> input;
    // The posted message taken last, and its sender: DispatchMessageA hands it on.
    MSG taken{};
    DWORD takenSender = 0;
    // The process whose message is being handled; 0 outside any handling (this process).
    DWORD handlingSender = 0;
    std::set<HWND> paint; // headless windows that want a WM_PAINT
    std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
    bool quit = false;
    int quitCode = 0;
    zwin::Waiter waiter;
    std::map<int, std::function<void()>> fds;
};

// This process's message queue (one UI thread).
Queue& OwnQueue() {
    static Queue q;
    return q;
}

bool g_manualClock = false;
std::uint64_t g_manualNow = 0;

bool InRange(const MSG& m, HWND hWnd, UINT lo, UINT hi) {
    if (hWnd && m.hwnd != hWnd)
        return false;
    if (lo == 0 && hi == 0)
        return true;
    return m.message >= lo && m.message <= hi;
}

MSG Make(HWND h, UINT m, WPARAM w, LPARAM l) {
    return MSG{h, m, w, l, static_cast<DWORD>(CClock::NowMs()), {0, 0}};
}

const MSG& MessageOf(const MSG& m) {
    return m;
}
const MSG& MessageOf(const Posted& p) {
    return p.msg;
}

template <class Entry>
bool TakeFrom(std::deque<Entry>& from, MSG* msg, HWND hWnd, UINT lo, UINT hi, bool remove) {
    for (auto it = from.begin(); it != from.end(); ++it) {
        if (InRange(MessageOf(*it), hWnd, lo, hi)) {
            *msg = MessageOf(*it);
            if constexpr (std::is_same_v<Entry, Posted>) {
                if (remove) {
                    OwnQueue().taken = *msg;
                    OwnQueue().takenSender = it->sender;
                }
            }
            if (remove)
                from.erase(it);
            return true;
        }
    }
    return false;
}

// One retrieval attempt in Windows' order. Returns true with a message; WM_QUIT comes after
// posted messages, as on Windows.
bool TryGet(MSG* msg, HWND hWnd, UINT lo, UINT hi, bool remove) {
    Queue& q = OwnQueue();
    zwin::PollFds(0);
    zwin::RunIncomingSends();
    zwin::StationFlush();
    if (TakeFrom(q.posted, msg, hWnd, lo, hi, remove))
        return true;
    if (q.quit && !hWnd && ((lo == 0 && hi == 0) || (lo <= WM_QUIT && WM_QUIT <= hi))) {
        *msg = Make(nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0);
        if (remove)
            q.quit = false;
        return true;
    }
    if (TakeFrom(q.input, msg, hWnd, lo, hi, remove))
        return true;
    if (InRange(Make(nullptr, WM_PAINT, 0, 0), nullptr, lo, hi)) {
        for (HWND h : q.paint) {
            if (hWnd && h != hWnd)
                continue;
            *msg = Make(h, WM_PAINT, 0, 0);
            if (remove)
                q.paint.erase(h);
            return true;
        }
    }
    if (InRange(Make(nullptr, WM_TIMER, 0, 0), nullptr, lo, hi)) {
        std::uint64_t now = CClock::NowMs();
        // Earliest due timer first.
        Timer* best = nullptr;
        std::pair<HWND, UINT_PTR> bestKey{};
        for (auto& [key, t] : q.timers) {
            if (hWnd && key.first != hWnd)
                continue;
            if (t.due <= now && (!best || t.due < best->due)) {
                best = &t;
                bestKey = key;
            }
        }
        if (best) {
            *msg = Make(bestKey.first, WM_TIMER, bestKey.second, 0);
            if (remove)
                best->due = now + best->interval; // the next expiry counts from its delivery
            return true;
        }
    }
    return false;
}

void Wait(int timeoutMs) {
    Queue& q = OwnQueue();
    if (q.waiter) {
        q.waiter(timeoutMs);
        return;
    }
    if (CClock::IsManual()) {
        // Time only moves when the test advances it: look once for outside events.
        zwin::PollFds(timeoutMs < 0 ? 50 : std::min(timeoutMs, 50));
        return;
    }
    zwin::PollFds(timeoutMs);
}

} // namespace

BOOL PeekMessageA(MSG* msg, HWND hWnd, UINT lo, UINT hi, UINT removeMsg) {
    return TryGet(msg, hWnd, lo, hi, (removeMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND hWnd, UINT lo, UINT hi) {
    for (;;) {
        if (TryGet(msg, hWnd, lo, hi, true))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        // Datagrams waiting for room at their receiver are tried again soon.
        int wait = zwin::NextTimerDelay();
        int retry = zwin::StationRetryDelay();
        Wait(retry >= 0 && (wait < 0 || retry < wait) ? retry : wait);
    }
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    CWnd* wnd = CWnd::FromHandlePermanent(msg->hwnd);
    if (!wnd)
        return 0;
    if (msg->message == WM_TIMER) {
        auto it = OwnQueue().timers.find({msg->hwnd, msg->wParam});
        if (it == OwnQueue().timers.end())
            return 0; // killed after it was taken
    }
    const MSG& t = OwnQueue().taken;
    const bool posted = t.hwnd == msg->hwnd && t.message == msg->message && t.wParam == msg->wParam &&
                        t.lParam == msg->lParam && t.time == msg->time;
    zwin::MessageSenderScope scope(posted ? OwnQueue().takenSender : zwin::kThisProcess);
    OwnQueue().taken = MSG{};
    return wnd->WindowProc(msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    OwnQueue().quit = true;
    OwnQueue().quitCode = exitCode;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapse, TIMERPROC) {
    if (!hWnd || !CWnd::FromHandlePermanent(hWnd))
        return 0;
    if (elapse < USER_TIMER_MINIMUM)
        elapse = USER_TIMER_MINIMUM;
    // Arming a running timer restarts its full length.
    OwnQueue().timers[{hWnd, id}] = Timer{elapse, CClock::NowMs() + elapse};
    return id ? id : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR id) {
    auto& timers = OwnQueue().timers;
    if (id == 0) {
        // Internal use: every timer of a window that is being destroyed.
        for (auto it = timers.begin(); it != timers.end();)
            it = it->first.first == hWnd ? timers.erase(it) : std::next(it);
        return TRUE;
    }
    return timers.erase({hWnd, id}) ? TRUE : FALSE;
}

BOOL PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD self = zwin::kThisProcess;
    if (!hWnd) {
        // A thread message: no window, handled by the loop itself.
        OwnQueue().posted.push_back(Posted{Make(nullptr, message, wParam, lParam), self});
        return TRUE;
    }
    if (CWnd::FromHandlePermanent(hWnd)) {
        OwnQueue().posted.push_back(Posted{Make(hWnd, message, wParam, lParam), self});
        return TRUE;
    }
    if (zwin::RemoteTarget(hWnd, nullptr, nullptr))
        return zwin::StationPost(hWnd, message, wParam, lParam);
    return FALSE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return FALSE;
    if (CWndPeer* peer = wnd->GetPeer())
        peer->Invalidate(rect, erase != FALSE);
    else
        zwin::QueuePaint(hWnd);
    return TRUE;
}

namespace zwin {

BOOL PostFromProcess(DWORD senderPid, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hWnd || !CWnd::FromHandlePermanent(hWnd))
        return FALSE;
    OwnQueue().posted.push_back(Posted{Make(hWnd, message, wParam, lParam), senderPid});
    return TRUE;
}

DWORD MessageSenderProcess() {
    const DWORD sender = OwnQueue().handlingSender;
    return sender != kThisProcess ? sender : static_cast<DWORD>(getpid());
}

MessageSenderScope::MessageSenderScope(DWORD senderPid) : m_saved(OwnQueue().handlingSender) {
    OwnQueue().handlingSender = senderPid;
}

MessageSenderScope::~MessageSenderScope() {
    OwnQueue().handlingSender = m_saved;
}

void PostInputMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    OwnQueue().input.push_back(Make(hWnd, message, wParam, lParam));
}

void QueueIncomingSend(std::function<void()> handler) {
    OwnQueue().incomingSends.push_back(std::move(handler));
}

void RunIncomingSends() {
    Queue& q = OwnQueue();
    while (!q.incomingSends.empty()) {
        auto handler = std::move(q.incomingSends.front());
        q.incomingSends.pop_front();
        handler();
    }
}

void QueuePaint(HWND hWnd) {
    OwnQueue().paint.insert(hWnd);
}

void RemoveWindowMessages(HWND hWnd) {
    Queue& q = OwnQueue();
    auto drop = [hWnd](auto& d) {
        for (auto it = d.begin(); it != d.end();)
            it = MessageOf(*it).hwnd == hWnd ? d.erase(it) : std::next(it);
    };
    drop(q.posted);
    drop(q.input);
    q.paint.erase(hWnd);
}

int PumpWaitingMessages() {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT)
            break;
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++count;
    }
    return count;
}

void SetWaiter(Waiter waiter) {
    OwnQueue().waiter = std::move(waiter);
}

void WatchFd(int fd, std::function<void()> onReadable) {
    OwnQueue().fds[fd] = std::move(onReadable);
}

void UnwatchFd(int fd) {
    OwnQueue().fds.erase(fd);
}

std::vector<int> WatchedFds() {
    std::vector<int> out;
    for (auto& [fd, cb] : OwnQueue().fds)
        out.push_back(fd);
    return out;
}

void PollFds(int timeoutMs) {
    Queue& q = OwnQueue();
    if (q.fds.empty()) {
        if (timeoutMs > 0 && !CClock::IsManual())
            ::poll(nullptr, 0, timeoutMs);
        else if (timeoutMs < 0)
            ::poll(nullptr, 0, 50);
        return;
    }
    std::vector<pollfd> fds;
    for (auto& [fd, cb] : q.fds)
        fds.push_back(pollfd{fd, POLLIN, 0});
    int n = ::poll(fds.data(), fds.size(), timeoutMs);
    if (n <= 0)
        return;
    for (const pollfd& p : fds) {
        if (p.revents & (POLLIN | POLLERR | POLLHUP)) {
            auto it = q.fds.find(p.fd);
            if (it != q.fds.end()) {
                auto cb = it->second; // the callback may unwatch itself
                cb();
            }
        }
    }
}

int NextTimerDelay() {
    Queue& q = OwnQueue();
    if (q.timers.empty())
        return -1;
    std::uint64_t now = CClock::NowMs();
    std::uint64_t next = UINT64_MAX;
    for (auto& [key, t] : q.timers)
        next = std::min(next, t.due);
    return next <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(next - now, 60000));
}

std::size_t QueuedMessageCount() {
    return OwnQueue().posted.size() + OwnQueue().input.size() + OwnQueue().incomingSends.size();
}

} // namespace zwin

std::uint64_t CClock::NowMs() {
    return g_manualClock ? g_manualNow : SystemNowMs();
}

std::uint64_t CClock::SystemNowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

void CClock::UseManual(std::uint64_t startMs) {
    g_manualClock = true;
    g_manualNow = startMs;
}

void CClock::UseSystem() {
    g_manualClock = false;
}

bool CClock::IsManual() {
    return g_manualClock;
}

void CClock::Advance(std::uint64_t ms) {
    g_manualNow += ms;
}
