// The process's one message queue, its timers and its clock.
//
// Retrieval order, as on Windows: messages sent from other processes are handled first (they
// are dispatched inside GetMessage/PeekMessage, never returned), then posted messages in FIFO
// order, then input, then paint, then timers. At most one WM_TIMER per timer waits at once.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win/Messages.h"

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
// The shortest timer interval; shorter requests are raised to it.
constexpr UINT USER_TIMER_MINIMUM = 10;

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

BOOL GetMessageA(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL TranslateMessage(const MSG* msg);
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc);
BOOL KillTimer(HWND hWnd, UINT_PTR id);

namespace zwin {

// A message that process senderPid posted to a window of this one, queued as a post.
BOOL PostFromProcess(DWORD senderPid, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The process that posted or sent the message being handled now: another process's id for
// what came through the window station, this process's own id otherwise.
DWORD MessageSenderProcess();
// The sender of a message of this process itself; its id is asked of the system only when
// MessageSenderProcess needs it, as the queue carries many such messages.
constexpr DWORD kThisProcess = 0;
// Marks the messages handled while it lives as coming from senderPid (or kThisProcess).
class MessageSenderScope {
public:
    explicit MessageSenderScope(DWORD senderPid);
    ~MessageSenderScope();
    MessageSenderScope(const MessageSenderScope&) = delete;
    MessageSenderScope& operator=(const MessageSenderScope&) = delete;

private:
    DWORD m_saved;
};

// Input from the window back end (keys, clicks) queued behind posted messages.
void PostInputMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// A message sent from another process: handled before anything else at the next retrieval.
void QueueIncomingSend(std::function<void()> handler);
// Handles the sends from other processes that wait; a thread waiting for its own send's
// reply calls it too, so that a send back to it is served meanwhile.
void RunIncomingSends();
// Marks a headless window for a WM_PAINT; a window with a peer paints through its peer.
void QueuePaint(HWND hWnd);
void RemoveWindowMessages(HWND hWnd);

// Handles every message that is ready now, without waiting; returns how many were handled.
// WM_QUIT is left in the queue (and stops the pumping) so that the loop that owns it sees it.
int PumpWaitingMessages();

// What the queue does when it has nothing: wait up to timeoutMs (-1: no limit) for outside
// events (the station's socket, the window back end's events). The window back end installs
// its own; the default waits on the registered file descriptors with poll().
using Waiter = std::function<void(int timeoutMs)>;
void SetWaiter(Waiter waiter);
// File descriptors the default waiter watches; each callback runs when its fd is readable.
void WatchFd(int fd, std::function<void()> onReadable);
void UnwatchFd(int fd);
// The descriptors watched now (a waiter of the window back end waits on them too).
std::vector<int> WatchedFds();
// Runs the callbacks of watched descriptors that are readable now (timeout 0 = no wait).
void PollFds(int timeoutMs);
// Milliseconds until the next timer is due (0 when one is due, -1 when none runs).
int NextTimerDelay();

// As many messages as the queue of a thread of the target holds. Messages from other
// processes beyond it wait outside this process (in the station's socket and at their
// senders), and a sender's own line of datagrams that wait for room holds as many.
constexpr std::size_t kQueuedMessageLimit = 10000;

// Number of messages waiting (posted, input, and sends from other processes).
std::size_t QueuedMessageCount();

} // namespace zwin

// The clock of timers. Tests switch it to manual and advance it instead of sleeping.
class CClock {
public:
    static std::uint64_t NowMs();
    // The host's monotonic clock, whatever the test clock says: waits on other processes.
    static std::uint64_t SystemNowMs();
    static void UseManual(std::uint64_t startMs = 1000000);
    static void UseSystem();
    static bool IsManual();
    static void Advance(std::uint64_t ms);
};
