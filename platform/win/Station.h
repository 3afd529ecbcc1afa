// The window station: top-level windows of every process listed by title, and posts and
// WM_COPYDATA sends carried between processes as datagrams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Wnd.h"

// The station folder is $ZORVIK_STATION, else $XDG_RUNTIME_DIR/zorvik-station, else
// /tmp/zorvik-station-<uid>. One that another user owns, or that others may enter, is refused:
// then nothing is found and nothing reaches another process. Other processes reach only
// the top-level windows a process lists there, never their controls.
//
// Finds a top-level window of any process by its exact title (the class is not looked at);
// the newest one when several bear it, NULL when none.
HWND FindWindowA(const char* className, const char* windowName);

namespace zwin {
// Makes again, at once, what this process has in the station and what was removed or replaced
// since: the folder, its socket and the listings of its windows, its lock and its files
// (StationFiles.h). A process that must stay reachable and findable calls it now and then.
void KeepStation();
// Every top-level window of that title, of every process, newest first.
std::vector<HWND> FindWindows(const char* title);

// Called by the window core when a top-level window got a new title (perhaps empty) or went.
void StationWindowTitled(CWnd* wnd);
void StationWindowDestroyed(CWnd* wnd);
// Carry a post or a send to a window of another process. Neither waits for room at the
// receiver: a datagram it cannot take now waits (up to 10,000 per receiver, in order) and the
// message loop hands it over later. A post to a process that has gone, or whose waiting line
// is full, fails quietly (FALSE); a send waits up to 5 s for the reply, else gives 0, and
// serves sends to this thread meanwhile.
BOOL StationPost(HWND remote, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StationSend(HWND remote, UINT message, WPARAM wParam, LPARAM lParam);

// Keeps what it takes to reach the process of a window of another process found in the
// station, so that posts still reach it after its listing and socket file have gone (the
// folder removed, or opened to others); false when it cannot be reached now.
bool StationHold(HWND remote);

// Why this process cannot use the station.
enum class StationRefusal {
    None,
    CannotCreate, // the folder is missing and cannot be made
    NotAFolder,   // something that is not a folder bears its name
    OtherOwner,   // another user owns it
    OpenToOthers, // other users may enter or list it
    PathTooLong,  // this process's socket path does not fit a socket address
    CannotBind,   // the socket cannot be made or bound
};
struct StationStatus {
    StationRefusal refusal = StationRefusal::None;
    int error = 0;      // errno of the call that failed, 0 when none did
    std::string folder; // host path of the station folder
};
// Opens the station for this process now (makes the folder, binds the socket) and tells
// whether it can be used, and if not why.
StationStatus OpenStation();

// Datagrams dropped as malformed (or naming a number that never crosses) since the process
// started.
std::uint64_t StationDroppedCount();
// Hands over what waits for room at its receiver (the message loop calls it), and how soon
// to try again: -1 when nothing waits.
void StationFlush();
int StationRetryDelay();
// Datagrams that wait for room, over all receivers.
std::size_t StationPendingCount();
// How long a send waits for its reply (5000 ms); tests shorten it.
void SetStationSendTimeout(int ms);
} // namespace zwin
