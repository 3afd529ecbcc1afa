// What the menu bar of a window shows: each menu's title, then its items, as the operator
// reads them (the mnemonic marks consumed), in code page 949.
#pragma once

#include <vector>

#include "platform/core/CString.h"

class CWnd;

std::vector<CString> ShownMenuTexts(CWnd* wnd);
