// Pieces the login and settings dialogs share: slot texts and the look of their
// owner-drawn command buttons.
#pragma once

#include <cstring>

#include "platform/ui/Afx.h"

// Fill colours of the owner-drawn buttons: confirming (OK, Apply) and cancelling.
constexpr COLORREF kConfirmButtonColour = 0x3B0028;
constexpr COLORREF kCancelButtonColour = 0x2F2F2F;

// A fixed-size slot's text; the slot may be filled to its last byte.
inline CString SlotText(const char* text, size_t size) {
    return CString(text, static_cast<int>(strnlen(text, size)));
}

// A 3-D frame, then while pressed only a sunken edge; otherwise the fill, the button's own
// text in white centred on one line, and a raised edge.
void DrawCommandButton(const DRAWITEMSTRUCT* item, COLORREF fill);
