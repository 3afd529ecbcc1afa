// The window station: top-level windows of every process listed by title, and posts and
// WM_COPYDATA sends carried between processes as datagrams.
#pragma once

#include "platform/win/Wnd.h"

HWND FindWindowA(const char* className, const char* windowName);
inline HWND FindWindow(const char* c, const char* w) {
    return FindWindowA(c, w);
}

namespace zwin {
// Called by the window core when a top-level window got a new title (perhaps empty) or went.
void StationWindowTitled(CWnd* wnd);
void StationWindowDestroyed(CWnd* wnd);
// Carry a post or a send to a window of another process. A post to a process that has gone
// fails quietly (FALSE); a send waits up to 5 s for the reply, else gives 0.
BOOL StationPost(HWND remote, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StationSend(HWND remote, UINT message, WPARAM wParam, LPARAM lParam);
} // namespace zwin
