#include "supervision/Launch.h"

#include <cstring>
#include <new>

#include "platform/win/Process.h"

DWORD LaunchProgram(const char* path, const char* params, zwin::ProcessIdentity* started) {
    if (started)
        *started = {};
    if (!path)
        return ERROR_INVALID_PARAMETER;

    SHELLEXECUTEINFOA sei{};
    sei.cbSize = 60;
    sei.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.hwnd = nullptr;
    sei.lpVerb = nullptr;
    sei.lpFile = path;
    sei.lpParameters = params;
    sei.lpDirectory = nullptr;
    sei.nShow = SW_SHOW;
    sei.lpClass = "exefile";
    if (ShellExecuteExA(&sei)) {
        if (sei.hProcess) {
            if (started)
                *started = zwin::StartedProcess(sei.hProcess);
            CloseHandle(sei.hProcess);
        }
        return ERROR_SUCCESS;
    }

    // The shell could not start it: a plain process start with the path quoted once.
    CString command(path);
    command.TrimLeft('"');
    command.TrimRight('"');
    command = "\"" + command + "\"";
    if (params) {
        command += ' ';
        command += params;
    }
    const int length = command.GetLength();
    char* buffer = new (std::nothrow) char[length + 1];
    if (!buffer)
        return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(buffer, command.GetString(), length + 1);

    STARTUPINFOA si{};
    si.cb = 68;
    PROCESS_INFORMATION pi{};
    BOOL created = CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    const DWORD error = created ? ERROR_SUCCESS : GetLastError();
    delete[] buffer;
    if (!created)
        return error;
    if (started)
        *started = zwin::StartedProcess(pi.hProcess);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return ERROR_SUCCESS;
}

void SplitString(CStringArray& out, CString text, CString delims) {
    int position = 0;
    for (CString token = text.Tokenize(delims, position); !token.IsEmpty();
         token = text.Tokenize(delims, position))
        out.Add(token);
}
