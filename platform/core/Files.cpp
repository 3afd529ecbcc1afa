#include "platform/core/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD code) {
    t_lastError = code;
}

DWORD Win32ErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN: // a lock another process holds
        return ERROR_SHARING_VIOLATION;
    case ELOOP: // a link where a file of the program's own is opened
        return ERROR_CANT_RESOLVE_FILENAME;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

DWORD GetFileAttributesA(const char* path) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st;
    if (Sys().stat(HostPath(path).c_str(), &st) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL CreateDirectoryA(const char* path, SECURITY_ATTRIBUTES*) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Sys().mkdir(HostPath(path).c_str(), 0777) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

bool CreatePrivateFile(const std::string& hostPath) {
    int fd = Sys().open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return errno == EEXIST;
    Sys().close(fd);
    return true;
}

bool CreatePrivateFolder(const std::string& hostPath) {
    return Sys().mkdir(hostPath.c_str(), 0700) == 0 || errno == EEXIST;
}

DWORD GetCurrentDirectoryA(DWORD bufferSize, char* buffer) {
    char host[4096];
    if (!Sys().getcwd(host, sizeof host)) {
        SetLastError(Win32ErrorFromErrno(errno));
        return 0;
    }
    CString win = WindowsPath(host);
    DWORD len = static_cast<DWORD>(win.GetLength());
    if (!buffer || bufferSize < len + 1)
        return len + 1;
    std::memcpy(buffer, win.GetString(), len + 1);
    return len;
}

namespace {

constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

bool OwnedByUserOrSystem(const struct stat& st) {
    return st.st_uid == geteuid() || st.st_uid == 0;
}

} // namespace

FileRefusal CheckOwnFile(int fd) {
    struct stat st;
    if (Sys().fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return FileRefusal::NotRegularFile;
    if (st.st_uid != geteuid())
        return FileRefusal::OtherOwner;
    if (st.st_nlink != 1)
        return FileRefusal::SeveralLinks;
    return FileRefusal::None;
}

CString FileRefusalText(FileRefusal refusal) {
    switch (refusal) {
    case FileRefusal::Link:
        return "링크입니다";
    case FileRefusal::NotRegularFile:
        return "일반 파일이 아닙니다 (폴더, 파이프 또는 장치)";
    case FileRefusal::OtherOwner:
        return "다른 사용자의 파일입니다";
    case FileRefusal::SeveralLinks:
        return "다른 이름으로도 연결된 파일입니다 (하드 링크)";
    case FileRefusal::None:
        break;
    }
    return CString();
}

bool KeepPrivate(const std::string& hostPath) {
    const int fd = Sys().open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0);
    struct stat st;
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        // Not even readable for the user: private as long as its mode says so. A link is not.
        return errno != ELOOP && Sys().lstat(hostPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) &&
               !(st.st_mode & kOthersBits);
    }
    bool kept = Sys().fstat(fd, &st) == 0;
    if (kept && (st.st_mode & kOthersBits))
        kept = st.st_uid == geteuid() && Sys().fchmod(fd, st.st_mode & ~kOthersBits & 07777) == 0;
    Sys().close(fd);
    return kept;
}

bool WritableByOthers(const std::string& hostPath) {
    struct stat st;
    if (Sys().stat(hostPath.c_str(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) || !OwnedByUserOrSystem(st);
}

std::vector<std::string> FolderNames(const std::string& hostPath) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(hostPath.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool StampFile(const std::string& hostPath, FileStamp* stamp) {
    *stamp = FileStamp{};
    const int fd = Sys().open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0);
    if (fd < 0)
        return errno == ENOENT;
    struct stat st;
    bool known = Sys().fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (known) {
        stamp->exists = true;
        stamp->device = st.st_dev;
        stamp->inode = st.st_ino;
        stamp->size = st.st_size;
        stamp->modifiedSeconds = st.st_mtim.tv_sec;
        stamp->modifiedNanoseconds = st.st_mtim.tv_nsec;
        // A shorter file leaves the rest zero; its size tells it apart.
        for (std::size_t got = 0; got < sizeof stamp->head;) {
            const ssize_t n = Sys().read(fd, stamp->head + got, sizeof stamp->head - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                known = false;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
    }
    Sys().close(fd);
    return known;
}

void Sleep(DWORD ms) {
    Sys().sleepMs(ms);
}

void CFile::Remove(const char* fileName) {
    if (Sys().unlink(HostPath(fileName).c_str()) != 0) {
        int err = errno;
        throw new CFileException(CFileException::OsErrorToCause(err),
                                 static_cast<LONG>(Win32ErrorFromErrno(err)), fileName);
    }
}

void CFile::Rename(const char* oldName, const char* newName) {
    if (Sys().rename(HostPath(oldName).c_str(), HostPath(newName).c_str()) != 0) {
        int err = errno;
        throw new CFileException(CFileException::OsErrorToCause(err),
                                 static_cast<LONG>(Win32ErrorFromErrno(err)), oldName);
    }
}

BOOL CFileFind::FindFile(const char* name) {
    if (!name)
        return FALSE;
    struct stat st;
    return Sys().stat(HostPath(name).c_str(), &st) == 0 ? TRUE : FALSE;
}
