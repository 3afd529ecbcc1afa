#include "dialogs/UpdateHandoff.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "supervision/Launch.h"

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

    try {
        CFileFind finder;
        if (finder.FindFile(exePath))
            CFile::Remove(exePath);
        CFile::Rename(tmpPath, exePath);
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
    return LaunchProgram(exePath, nullptr) == ERROR_SUCCESS;
}
