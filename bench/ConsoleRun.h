// The real console's start in a benchmark program that plays every part: the console with its
// own drive C: and station, and this program started again as an engine. Include it in one
// source of a benchmark program.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sys/stat.h>

#include "console/VossenApp.h"
#include "platform/core/CString.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/win/Process.h"
#include "store/TradeState.h"
#include "support/TempDrive.h"

// `arguments` follow the program's own name; the run ends when the start fails.
inline void StartSelf(const CString& arguments) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        std::exit(2);
    self[n] = '\0';
    const CString command = "\"" + WindowsPath(self) + "\" " + arguments;
    std::vector<char> buffer(command.GetString(), command.GetString() + command.GetLength() + 1);
    STARTUPINFOA si{};
    si.cb = 68;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s: %u\n", arguments.GetString(), GetLastError());
        std::exit(2);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

// The console as the login leaves it, on `drive` (its station made, which the engines
// inherit), without waiting in its pauses; the accounts "11110001" and "22220002".
inline void PrepareConsole(const TempDrive& drive, const char* tradeItem) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    mkdir(drive.Station().c_str(), 0700);
    drive.MakeBaseFolder();
    Sys().sleepMs = [](unsigned) {};
    theApp.InitEnvironment();
    StoreLoginValues(0, "bench1", "pw1", "", "11110001", "0001", 0, "bench2", "pw2", "", "22220002", "0002",
                     tradeItem, "", "");
}
