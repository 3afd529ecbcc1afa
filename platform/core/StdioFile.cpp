#include "platform/core/StdioFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"

namespace {

constexpr size_t kBufferSize = 4096;

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
    m_bText = !(openFlags & typeBinary);
    const UINT access = openFlags & 0x3;
    const bool writing = access == modeWrite || access == modeReadWrite;
    const bool creating = openFlags & modeCreate;
    int flags = access == modeWrite ? O_WRONLY : access == modeReadWrite ? O_RDWR : O_RDONLY;
    if (creating)
        flags |= O_CREAT;
    // Truncation waits for the lock, so that a file another program holds is left whole. The
    // program's files are its own: a link in a file's place is refused, never written through.
    int fd = Sys().open(HostPath(fileName).c_str(), flags | O_NOFOLLOW, 0666);
    if (fd < 0)
        Throw(OpenCause(errno, creating), errno);

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
    if (creating && !(openFlags & modeNoTruncate) && Sys().ftruncate(fd, 0) != 0) {
        int err = errno;
        Sys().close(fd);
        Throw(OpenCause(err, creating), err);
    }
    m_fd = fd;
    m_buffer.reserve(kBufferSize + 2);
}

CStdioFile::~CStdioFile() {
    if (m_fd < 0)
        return;
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
    return err;
}

void CStdioFile::Close() {
    if (m_fd < 0)
        return;
    int flushErr = WriteBuffer();
    int fd = m_fd;
    m_fd = -1;
    int closeErr = Sys().close(fd) != 0 ? errno : 0;
    if (int err = flushErr ? flushErr : closeErr)
        Throw(CFileException::OsErrorToCause(err), err);
}

void CStdioFile::Throw(int cause, int err) const {
    throw new CFileException(cause, static_cast<LONG>(Win32ErrorFromErrno(err)), m_strFileName);
}
