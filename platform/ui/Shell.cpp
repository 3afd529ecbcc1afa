#include "platform/ui/Shell.h"

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    // The controls are Qt widgets, always available; the call only checks its record.
    return init && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
