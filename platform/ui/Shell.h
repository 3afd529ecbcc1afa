// Start-up pieces of the framework that the application object calls.
#pragma once

#include "platform/core/WinTypes.h"

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;

// Makes sure the window back end is ready (the controls are always registered here).
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

// The shell manager of the framework: nothing in this program uses it.
class CShellManager {
public:
    CShellManager() = default;
    virtual ~CShellManager() = default;
};
