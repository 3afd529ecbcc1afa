// Message boxes: the application's (AfxMessageBox) and a window's (CWnd::MessageBox). A box
// runs its own message loop, so other windows' messages (timers, the station) go on being
// handled while it is open. Tests answer boxes through the responder instead of showing them.
#pragma once

#include <functional>

#include "platform/core/CString.h"
#include "platform/win/Messages.h"

class CException;

// Buttons.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_ICONASTERISK = MB_ICONINFORMATION;
constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;

// Shows a box owned by `owner` (NULL: the active dialog) and returns the button pressed:
// IDOK, IDCANCEL, IDYES or IDNO. An empty caption stays empty; a NULL caption is "Error".
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// The application's box: caption is the application name (CWinApp::m_strAppName, else the
// program's file name).
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);

// Answers every box instead of showing it: called with the box's text, caption and type,
// returns the button id. An empty function shows boxes again. Returns the previous one.
using MessageBoxResponder = std::function<int(const CString& text, const CString& caption, UINT type)>;
MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder);

// The framework's report of an exception no handler caught: a stop-icon box with the
// exception's text. The modal loops catch CException* thrown by a handler and report it here;
// the window stays usable.
void AfxReportException(const CException& e);
