// File-system calls of the Win32 API and the framework's file classes, on mapped paths.
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

struct SECURITY_ATTRIBUTES;

DWORD GetFileAttributesA(const char* path);
// Makes only the last folder of the path; fails when its parent is missing.
BOOL CreateDirectoryA(const char* path, SECURITY_ATTRIBUTES* attributes);
// Windows form of the current directory; returns its length, or the size needed with the
// terminator when the buffer is too small, or 0 on failure.
// Files and folders that hold passwords or trading records are their owner's only. Makes the
// host file (empty) or folder with mode 0600 / 0700 when it is missing; an existing one is
// left as it is. False when it is missing and cannot be made.
bool CreatePrivateFile(const std::string& hostPath);
bool CreatePrivateFolder(const std::string& hostPath);
DWORD GetCurrentDirectoryA(DWORD bufferSize, char* buffer);

// Why a file is not one the program may write into. The program writes only into regular
// files of its effective user that have no other name: another user's file, or a hard link
// to one, would hand that user what is written. Link stands for a symbolic link in the file's
// place, which is refused when the file is opened.
enum class FileRefusal { None, Link, NotRegularFile, OtherOwner, SeveralLinks };
// Looked at through the opened file, never by its name, which could lead elsewhere by now.
FileRefusal CheckOwnFile(int fd);
// The operator's words for a refusal, e.g. "다른 사용자의 파일입니다"; empty for None.
CString FileRefusalText(FileRefusal refusal);

// Files and folders of the user's own that hold passwords or trades are brought to their owner
// only: group and others lose every permission. Done through the opened file, never through a
// link. True when it is missing or private now; false when others may still reach it (a link in
// its place, another owner, the change refused).
bool KeepPrivate(const std::string& hostPath);
// A folder that users other than its owner (or another owner than the user and the system) may
// write in: they could put their own files or links where the program's files go. False for a
// folder that cannot be looked at.
bool WritableByOthers(const std::string& hostPath);
// The names in a folder, without "." and ".."; empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& hostPath);

// What a file is now, taken without following a link: its identity, size and modification
// time and its first bytes. A file whose stamp is the same as before holds the same bytes, as
// far as its writers change its size, its time or those first bytes with every change.
constexpr int kFileStampHeadBytes = 48;
struct FileStamp {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedSeconds = 0;
    long long modifiedNanoseconds = 0;
    unsigned char head[kFileStampHeadBytes] = {};
    bool operator==(const FileStamp&) const = default;
};
// False when the file is there but could not be looked at (a link, not a plain file, no
// access): nothing can be told about it then. A missing file is a stamp of its own.
bool StampFile(const std::string& hostPath, FileStamp* stamp);
void Sleep(DWORD ms);

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    // Both throw CFileException* on failure.
    static void Remove(const char* fileName);
    static void Rename(const char* oldName, const char* newName);
};

// Tests whether files exist; FindFile takes a plain path (no wildcards needed here).
class CFileFind {
public:
    BOOL FindFile(const char* name = nullptr);
};
