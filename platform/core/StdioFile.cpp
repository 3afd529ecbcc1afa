#include "platform/core/StdioFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"

namespace {

constexpr size_t kBufferSize = 4096;
// Names tried for the file written aside before the open gives up.
constexpr int kAsideAttempts = 100;

int OpenCause(int err, bool creating) {
    // Creating in a folder that does not exist is a bad path, not a missing file.
    if (err == ENOENT && creating)
        return CFileException::badPath;
    if (err == EWOULDBLOCK)
        return CFileException::sharingViolation;
    return CFileException::OsErrorToCause(err);
}

// Takes a record lock over the whole file (a write lock when the file is open for writing);
// true when another process holds a conflicting one. A file system without such locks counts
// as free.
bool HeldByAnother(int fd, bool writing) {
    struct flock whole = {};
    whole.l_type = writing ? F_WRLCK : F_RDLCK;
    whole.l_whence = SEEK_SET;
    if (Sys().lockRecord(fd, F_OFD_SETLK, &whole) == 0)
        return false;
    return errno == EAGAIN || errno == EACCES;
}

} // namespace

CStdioFile::CStdioFile(const char* fileName, UINT openFlags) : m_strFileName(fileName) {
    m_nUncaught = std::uncaught_exceptions();
    m_bText = !(openFlags & typeBinary);
    const UINT access = openFlags & 0x3;
    const bool writing = access == modeWrite || access == modeReadWrite;
    const bool creating = openFlags & modeCreate;
    const std::string hostPath = HostPath(fileName);
    m_fd = creating && writing && !(openFlags & modeNoTruncate)
               ? OpenToReplace(hostPath, openFlags)
               : OpenInPlace(hostPath, openFlags, writing, creating);
    m_buffer.reserve(kBufferSize + 2);
}

int CStdioFile::OpenInPlace(const std::string& hostPath, UINT openFlags, bool writing, bool creating) {
    const UINT access = openFlags & 0x3;
    int flags = access == modeWrite ? O_WRONLY : access == modeReadWrite ? O_RDWR : O_RDONLY;
    if (creating)
        flags |= O_CREAT;
    // The program's files are its own: a link in a file's place is refused, never written
    // through, and a pipe is never waited on.
    const int fd = Sys().open(hostPath.c_str(), flags | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == ELOOP)
            Refuse(FileRefusal::Link, err);
        Throw(OpenCause(err, creating), err);
    }
    if (writing) {
        if (const FileRefusal refusal = CheckOwnFile(fd); refusal != FileRefusal::None) {
            Sys().close(fd);
            Refuse(refusal, EPERM);
        }
    }
    Lock(fd, openFlags, writing, creating);
    return fd;
}

int CStdioFile::OpenToReplace(const std::string& hostPath, UINT openFlags) {
    // The file of that name is looked at through its own descriptor, and held locked until it
    // is replaced: another program that holds it keeps it whole.
    int replaced = Sys().open(hostPath.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK, 0);
    if (replaced < 0) {
        const int err = errno;
        if (err == ELOOP)
            Refuse(FileRefusal::Link, err);
        // A pipe without a reader, a device without a driver, a folder.
        if (err == ENXIO || err == EISDIR)
            Refuse(FileRefusal::NotRegularFile, err);
        if (err != ENOENT)
            Throw(OpenCause(err, true), err);
    } else {
        if (const FileRefusal refusal = CheckOwnFile(replaced); refusal != FileRefusal::None) {
            Sys().close(replaced);
            Refuse(refusal, EPERM);
        }
        Lock(replaced, openFlags, true, true);
    }
    // A name of the program's own beside it, made new: nothing else is ever written through.
    const int pid = static_cast<int>(getpid());
    for (int attempt = 0;; ++attempt) {
        const std::string aside =
            hostPath + "." + std::to_string(pid) + "-" + std::to_string(attempt) + ".part";
        const int fd = Sys().open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            m_replacedFd = replaced;
            m_hostPath = hostPath;
            m_asidePath = aside;
            return fd;
        }
        const int err = errno;
        if (err != EEXIST || attempt + 1 >= kAsideAttempts) {
            if (replaced >= 0)
                Sys().close(replaced);
            Throw(OpenCause(err, true), err);
        }
    }
}

void CStdioFile::Lock(int fd, UINT openFlags, bool writing, bool creating) const {
    const UINT share = openFlags & 0x70;
    int lock = 0;
    if (share == shareExclusive || share == shareDenyWrite || share == shareDenyRead)
        lock = LOCK_EX;
    else if (writing)
        lock = LOCK_SH;
    if (lock && Sys().flock(fd, lock | LOCK_NB) != 0) {
        int err = errno;
        Sys().close(fd);
        Throw(OpenCause(err, creating), err);
    }
    // Other programs lock files with fcntl or open-file-description locks, which flock does
    // not see: a deny mode also takes such a lock over the whole file. It conflicts with any
    // lock another process holds, and keeps their writers out while the file is open.
    if (lock == LOCK_EX && HeldByAnother(fd, writing)) {
        Sys().close(fd);
        Throw(CFileException::sharingViolation, EAGAIN);
    }
}

CStdioFile::~CStdioFile() {
    if (m_fd < 0)
        return;
    // An exception leaving the writer left the file unfinished: it does not take the name.
    if (!m_asidePath.empty() && std::uncaught_exceptions() > m_nUncaught) {
        Discard();
        return;
    }
    try {
        Close();
    } catch (CException* e) {
        ReportException(*e);
        e->Delete();
    }
}

void CStdioFile::WriteString(const char* text) {
    WriteString(text, std::strlen(text));
}

void CStdioFile::WriteString(const char* text, size_t length) {
    Put(text, length, CFileException::diskFull);
}

void CStdioFile::Write(const void* buffer, UINT count) {
    Put(static_cast<const char*>(buffer), count, CFileException::genericException);
}

void CStdioFile::Put(const char* data, size_t count, int causeOnFailure) {
    if (m_fd < 0)
        Throw(causeOnFailure, EBADF);
    // Whole stretches up to each line end are copied at once, and a long text goes out in one
    // write.
    const char* const end = data + count;
    while (data < end) {
        const char* lineEnd =
            m_bText ? static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(end - data)))
                    : nullptr;
        const char* stop = lineEnd ? lineEnd : end;
        m_buffer.append(data, static_cast<size_t>(stop - data));
        if (lineEnd)
            m_buffer.append("\r\n", 2);
        data = lineEnd ? lineEnd + 1 : end;
    }
    if (m_buffer.size() >= kBufferSize) {
        if (int err = WriteBuffer())
            Throw(causeOnFailure, err);
    }
}

int CStdioFile::WriteBuffer() {
    if (m_buffer.empty())
        return 0;
    size_t done = 0;
    int err = 0;
    while (done < m_buffer.size()) {
        ssize_t n = Sys().write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        if (n == 0) {
            err = ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    m_buffer.clear();
    if (err)
        m_bFailed = true;
    return err;
}

void CStdioFile::Close() {
    if (m_fd < 0)
        return;
    const bool failedBefore = m_bFailed;
    int flushErr = WriteBuffer();
    int fd = m_fd;
    m_fd = -1;
    int closeErr = Sys().close(fd) != 0 ? errno : 0;
    int err = flushErr ? flushErr : closeErr;
    if (!m_asidePath.empty()) {
        // Only a file written whole takes the name; a failure told before is not told again.
        if (!err && !failedBefore && Sys().rename(m_asidePath.c_str(), m_hostPath.c_str()) != 0)
            err = errno;
        if (err || failedBefore)
            Sys().unlink(m_asidePath.c_str());
        m_asidePath.clear();
        if (m_replacedFd >= 0)
            Sys().close(m_replacedFd);
        m_replacedFd = -1;
    }
    if (err)
        Throw(CFileException::OsErrorToCause(err), err);
}

void CStdioFile::Discard() {
    Sys().close(m_fd);
    m_fd = -1;
    Sys().unlink(m_asidePath.c_str());
    m_asidePath.clear();
    if (m_replacedFd >= 0)
        Sys().close(m_replacedFd);
    m_replacedFd = -1;
}

void CStdioFile::Throw(int cause, int err) const {
    throw new CFileException(cause, static_cast<LONG>(Win32ErrorFromErrno(err)), m_strFileName);
}

void CStdioFile::Refuse(FileRefusal refusal, int err) const {
    auto* e = new CFileException(CFileException::invalidFile, static_cast<LONG>(Win32ErrorFromErrno(err)),
                                 m_strFileName);
    e->m_strReason = FileRefusalText(refusal);
    throw e;
}
