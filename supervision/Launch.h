// Starting the trading engines (and any other program) and splitting '|'-separated texts.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/win/ProcessIdentity.h"
#include "store/BaseFolder.h"

// The trading engine: one fixed path inside the base folder, never built from it.
inline constexpr char kTraderExePath[] = ZORVIK_BASE_FOLDER "\\zorvik_zuzidi.exe";

// Starts path with the argument text params (may be null) and returns a Windows error code,
// 0 on success. Tries the shell first, then a plain process start; never waits for the
// program and keeps no handle to it. started, when given, receives the started process (pid
// and start time), so that the caller knows it from its start on.
DWORD LaunchProgram(const char* path, const char* params, zwin::ProcessIdentity* started = nullptr);

// Appends to out every non-empty piece of text between characters of delims; runs of
// delimiters count as one. Double-byte characters are never split.
void SplitString(CStringArray& out, CString text, CString delims);
