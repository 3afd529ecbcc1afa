// Aids for tests and diagnostics that drive windows the way an operator does: real Qt mouse
// and key events on the widgets (so keys pass through PreTranslateMessage), steps that run
// while a modal loop waits, and images of windows. No Qt types appear here.
#pragma once

#include <functional>
#include <vector>

#include "platform/core/CString.h"
#include "platform/ui/Gdi.h"

class CWnd;

namespace zui {

// Runs `step` the next time the message queue has nothing to do (inside whatever loop is
// waiting, DoModal or a message box), one step per idle moment, in order.
void WhenIdle(std::function<void()> step);
// Steps not run yet (a test checks that its script ran to the end).
int PendingIdleSteps();

// Handles the window back end's events and the messages they cause, until nothing is left.
void ProcessEvents();

// A left click in the middle of the control (press and release).
void Click(CWnd* wnd);
// Holds the left button down on the control / lets it go.
void Press(CWnd* wnd);
void Release(CWnd* wnd);
// A key press and release on the control (it takes the focus first); vk is a VK_ code or
// 'A'..'Z', '0'..'9'.
void PressKey(CWnd* wnd, UINT vk);
// A key press and release where the window system sends keys now: the focused control of
// the active window. False when no window of the program has the keyboard (the key is lost).
bool PressKeyAtFocus(UINT vk);
// Alt pressed and released alone on the control (vk 0), or Alt held with key vk, as the
// window system delivers them (the shortcut check first, then the key).
void PressAltKey(CWnd* wnd, UINT vk);
// A key pressed while the dialog's menu bar has the keyboard: at the open popup, else at the
// menu bar in menu mode. False when neither takes keys.
bool PressMenuKey(CWnd* dlg, UINT vk);
// The dialog's menu bar: the selected title (-1 none) and the title whose popup is open (-1).
struct MenuBarState {
    int selected = -1;
    int open = -1;
};
MenuBarState MenuState(CWnd* dlg);
// The colour that most of a menu bar title's rectangle shows now (CLR_INVALID without it).
COLORREF MenuTitleColour(CWnd* dlg, int title);
// Opens the control's context menu: a right click in its middle, or Shift+F10 typed into it
// (a key: the menu shows at the next idle moment).
void OpenContextMenu(CWnd* wnd, bool byKeyboard);
// The items of the popup menu open now (separators left out); empty when none is open.
struct ShownMenuItem {
    CString text;
    bool enabled;
};
std::vector<ShownMenuItem> ShownPopupMenu();
// Types text (code page 949) into the control, character by character.
void TypeText(CWnd* wnd, const char* text);
// Puts text (code page 949) on the clipboard and pastes it into the control with Ctrl+V.
void PasteText(CWnd* wnd, const char* text);
// Where the caret of an edit stands (characters from the start).
int CaretPosition(CWnd* edit);
// The close box of a top-level window.
void ClickCloseBox(CWnd* wnd);
// Selects item `index` of a combo box as the operator does (CBN_SELCHANGE follows).
void ChooseComboItem(CWnd* combo, int index);
// Chooses the menu item with command `id` in the dialog's menu bar (WM_COMMAND follows).
bool ChooseMenuItem(CWnd* dlg, UINT id);
// Opens the drop-down list of a combo box as a click on its arrow does and gives where the
// list shows, in the dialog's client coordinates; the list is closed again. False when none
// showed.
bool DropDownRect(CWnd* combo, RECT* list);
// Height in pixels of a drop-down list's rows (0 when it has none); saves the opened list as
// a PNG.
int DropDownItemHeight(CWnd* combo);
bool SaveDropDownImage(CWnd* combo, const char* path);
// Presses the button (IDOK, IDCANCEL, IDYES, IDNO) of the message box shown on screen now;
// false when none is shown. (Boxes answered by the responder never show.)
bool AnswerShownMessageBox(int id);
// The message box shown on screen now, as laid out (client coordinates of the box, pixels).
struct MessageBoxLayout {
    CString caption;
    RECT client{};
    RECT icon{}; // empty without an icon
    RECT text{};
    bool textAlignedLeft = false;
    std::vector<RECT> buttons; // left to right
    std::vector<CString> labels;
    int focused = 0; // id of the button with the focus
};
bool ShownMessageBox(MessageBoxLayout* layout);
// Saves the message box shown now as a PNG; false when none is shown.
bool SaveShownMessageBoxImage(const char* path);
// A key pressed in the message box shown now (at its focused button).
bool PressKeyInMessageBox(UINT vk);
// Drags the divider at the right of header column `column` by dx pixels.
void DragHeaderDivider(CWnd* list, int column, int dx);

// The dialog's base units (average character width, character height of its font) and a
// rectangle in dialog units converted to pixels, as the dialog manager converts templates.
SIZE DialogBaseUnits(CWnd* dlg);
RECT MapDialogRect(CWnd* dlg, const RECT& dialogUnits);

// What the operator sees: the text shown by an edit (password edits show masks), a combo box
// or a static, cut where it does not fit (an ellipsis, or the lines a static has room for);
// the rectangle of a control in its dialog's client coordinates, in pixels.
CString ShownText(CWnd* wnd);
// The text of a report list's cell as drawn, cut with an ellipsis where it does not fit.
CString ShownCellText(CWnd* list, int row, int column);
RECT WidgetRect(CWnd* wnd);
// Pixels of its text's height that a static, check box, radio button or push button cannot
// show (0 when every line fits, ascenders and descenders included).
int TextOverflow(CWnd* wnd);
bool HasFocus(CWnd* wnd);
bool IsShown(CWnd* wnd);
// Height in pixels of the rows of a report list.
int ListRowHeight(CWnd* list);
// Bytes a report list holds for its cell texts, those of rows changed or deleted included.
std::size_t ListTextBytes(CWnd* list);
// Pixel of the window's client area as shown now (0x00BBGGRR); CLR_INVALID outside.
COLORREF GetWindowPixel(CWnd* wnd, int x, int y);
// Saves the window (with its children) as a PNG; false on failure.
bool SaveWindowImage(CWnd* wnd, const char* path);

} // namespace zui

// Also without the namespace.
inline bool SaveWindowImage(CWnd* wnd, const char* path) {
    return zui::SaveWindowImage(wnd, path);
}
inline COLORREF GetWindowPixel(CWnd* wnd, int x, int y) {
    return zui::GetWindowPixel(wnd, x, y);
}
