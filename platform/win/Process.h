// Starting programs: the shell's start of an executable and the plain process start.
//
// A Windows path names the program; it is mapped to its host file and started with
// posix_spawn, its command-line text split into argv as Windows programs split theirs and
// converted to UTF-8, with this process's environment and current directory unless told
// otherwise. Started programs are never waited for; their exit is reaped so that no zombie
// remains.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Messages.h"
#include "platform/win/ProcessIdentity.h"

constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;

constexpr DWORD SEE_MASK_CLASSNAME = 0x00000001;
constexpr DWORD SEE_MASK_NOCLOSEPROCESS = 0x00000040;
constexpr DWORD SEE_MASK_FLAG_NO_UI = 0x00000400;

// hInstApp after a shell start: above 32 on success, else one of these.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_NOASSOC = 31;

struct HKEY__;
using HKEY = HKEY__*;

struct SHELLEXECUTEINFOA {
    DWORD cbSize;
    DWORD fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
};

struct SECURITY_ATTRIBUTES;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Starts lpFile (an executable; the verb must be empty or "open", the class "exefile" when
// one is given) with lpParameters as its argument text. FALSE with GetLastError and
// hInstApp set when the file is missing (2) or cannot be run (5).
BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info);
// The program is lpApplicationName, else the first token of lpCommandLine (quoted or up to
// the first blank). environment is a block of "name=value" texts ended by an empty one.
BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation);
BOOL CloseHandle(HANDLE handle);
DWORD GetProcessId(HANDLE process);

namespace zwin {
// The process a start handle names: its pid and start time, read before it could have ended
// and been reaped. Empty for any other handle.
ProcessIdentity StartedProcess(HANDLE process);
// How a process started here ended: true with its wait status once it has ended and has been
// reaped; false while it runs, and for a process not started here (or long forgotten).
bool StartedProcessEnded(int pid, int* waitStatus);

// Splits a command-line text as Windows programs do: blanks separate arguments, double
// quotes group, 2n backslashes before a quote give n and the quote groups, 2n+1 give n and a
// literal quote, "" inside quotes gives a quote; other backslashes are literal. With
// firstIsProgram the first token follows the program-name rule (up to the closing quote or
// the first blank, backslashes literal).
std::vector<CString> SplitCommandLine(const char* commandLine, bool firstIsProgram);
} // namespace zwin
