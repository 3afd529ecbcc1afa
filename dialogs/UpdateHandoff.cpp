#include "dialogs/UpdateHandoff.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/ui/MessageBox.h"
#include "supervision/Launch.h"

namespace {

void Report(const char* format, const CString& path) {
    CString text;
    text.Format(format, path.GetString());
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

} // namespace

BOOL RunUpdateHandoff(const CString& name) {
    // The name is a file of the current folder, never a path leading elsewhere.
    if (name.IsEmpty() || name.FindOneOf("\\/:") >= 0)
        return FALSE;

    char directory[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;

    CString tmpPath, exePath;
    tmpPath.Format("%s\\%s.tmp", directory, name.GetString());
    exePath.Format("%s\\%s.exe", directory, name.GetString());

    const DWORD attributes = GetFileAttributesA(tmpPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;

    // The new program takes the old one's permissions, and must be startable before the old
    // one is given up: otherwise nothing is replaced and the operator is told.
    const std::string tmpHost = HostPath(tmpPath);
    const std::string exeHost = HostPath(exePath);
    struct stat old;
    if (Sys().stat(exeHost.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        Sys().chmod(tmpHost.c_str(), old.st_mode & 0777) != 0) {
        Report("%s 파일의 권한을 바꾸지 못해 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.",
               tmpPath);
        return FALSE;
    }
    if (Sys().access(tmpHost.c_str(), X_OK) != 0) {
        Report("%s 파일은 실행할 수 없는 파일이라 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.",
               tmpPath);
        return FALSE;
    }
    // One rename puts the new file in the old one's place: no moment without a program.
    if (Sys().rename(tmpHost.c_str(), exeHost.c_str()) != 0) {
        Report("%s 파일로 업데이트하지 못했습니다.\n기존 프로그램은 그대로 있습니다.", tmpPath);
        return FALSE;
    }
    if (LaunchProgram(exePath, nullptr) != ERROR_SUCCESS) {
        Report("%s 파일을 실행하지 못했습니다.", exePath);
        return FALSE;
    }
    return TRUE;
}
