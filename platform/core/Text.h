// Code-page conversions: the ANSI code page is 949; conversions never fail on bad input,
// they put the system's substitutes in its place.
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;
constexpr UINT CP_949 = 949;

// Win32 semantics: a source length of -1 includes the terminator; a destination size of 0
// asks for the size needed. Returns the number of units written (or needed), 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, WCHAR* dst, int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* src, int srcLen, char* dst, int dstLen,
                        const char* defaultChar, BOOL* usedDefaultChar);

BSTR SysAllocStringLen(const WCHAR* src, UINT len);
void SysFreeString(BSTR b);
UINT SysStringLen(BSTR b);

// Host boundaries: file names, command lines and the environment are UTF-8 on the host.
std::string AnsiToHostUtf8(const char* ansi);
CString HostUtf8ToAnsi(const std::string& utf8);
std::u16string AnsiToUtf16(const char* ansi);
CString Utf16ToAnsi(const std::u16string& text);

// Copies src into a buffer of `size` bytes with its terminator, never splitting a double-byte
// character. Returns the number of bytes copied.
int CopyBounded(char* dst, int size, const char* src);
