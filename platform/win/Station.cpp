// Until the datagram transport lands, the station knows only this process's windows.
#include "platform/win/Station.h"

HWND FindWindowA(const char*, const char* windowName) {
    if (!windowName)
        return nullptr;
    HWND found = nullptr;
    for (CWnd* w : zwin::TopLevelWindows())
        if (w->StoredText() == windowName)
            found = w->m_hWnd;
    return found;
}

namespace zwin {
void StationWindowTitled(CWnd*) {}
void StationWindowDestroyed(CWnd*) {}
BOOL StationPost(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}
LRESULT StationSend(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
} // namespace zwin
