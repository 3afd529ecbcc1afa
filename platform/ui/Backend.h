// Private to platform/ui: what the dialog logic (plain sources) asks of the Qt code.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/win/Messages.h"

class CDialog;
class CWnd;

namespace zui::detail {

// Private window messages: input the operator caused, handled in the message loop.
constexpr UINT ZM_CLICKED = 0x7FF0;      // a button was clicked
constexpr UINT ZM_NOTIFYPARENT = 0x7FF1; // wParam: notification code to send to the parent

// System colours of the controls (COLORREF).
constexpr COLORREF kFace = 0xF0F0F0;
constexpr COLORREF kWindow = 0xFFFFFF;
constexpr COLORREF kWindowText = 0x000000;
// A brush of a system colour, owned by the framework.
HBRUSH SystemBrush(COLORREF colour);

// Thrown by CDataExchange::Fail, caught by UpdateData.
struct ExchangeFailed {};

// The window class of a window built by the back end (WC_BUTTON ...), "" for others.
const char* ClassNameOf(const CWnd* wnd);
bool IsRadioButton(const CWnd* wnd);

// Creates QApplication on first use (and installs the Qt waiter and the exception report).
void EnsureApplication();

// Builds the dialog's window and its controls from the template (the window stays hidden).
bool BuildDialog(CDialog* dlg, const DialogTemplate* t, CWnd* owner);
void ShowDialog(CDialog* dlg);
void HideWindow(CWnd* wnd);
// The window has the keyboard (it is the active window of the program).
bool HasKeyboard(CWnd* wnd);
// Activates the window, which gives the keyboard back to the control of it that had the
// focus: what the target does for the owner of a modal window that ends while active.
void GiveKeyboardTo(CWnd* wnd);
// Gives the focus to the first visible, enabled control with WS_TABSTOP.
void FocusFirstTabStop(CDialog* dlg);
// The control of the dialog that has the focus (null when none).
CWnd* FocusedControl(CDialog* dlg);
// The focus moved to `focus`, a control of the dialog: a push button that takes it becomes the
// default push button, and the dialog's own default is that again once the focus leaves it
// for any other control.
void MoveDefaultButton(CDialog* dlg, CWnd* focus);
// Shift was held with the queued key message (Tab's direction); Alt was held with it.
bool ShiftHeldFor(const MSG& msg);
bool AltHeldFor(const MSG& msg);
// Opens the popup of the dialog's menu bar whose title has the letter vk ('A'..'Z', '0'..'9')
// after its "&"; false when no title has it.
bool OpenMenuWithLetter(CDialog* dlg, UINT vk);

// Running modal windows, innermost last (owners of message boxes and nested dialogs).
void PushModal(CWnd* wnd);
void PopModal(CWnd* wnd);
CWnd* ActiveModal();

// The items of an edit's context menu (code page 949), each with its letter after "&".
struct EditMenuTexts {
    const char* undo;
    const char* cut;
    const char* copy;
    const char* paste;
    const char* clear;
    const char* selectAll;
};
extern const EditMenuTexts kEditMenuTexts;

// A message box shown on screen; returns IDOK / IDCANCEL / IDYES / IDNO.
struct BoxButtons {
    CString ok, cancel, yes, no;
};
int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type,
                   const BoxButtons& labels);

// One message of a modal loop: the PreTranslateMessage walk, then the dispatch, with the
// framework's report of an exception a handler threw.
void TranslateAndDispatch(MSG& msg, CWnd* modal);

// Asked first whenever a loop would wait; true when it did something, so the loop looks at
// its queue again before waiting. The test driver runs its scripted steps here.
void SetIdleHook(bool (*hook)());

} // namespace zui::detail
