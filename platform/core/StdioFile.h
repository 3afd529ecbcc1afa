// The framework's buffered text file. In text mode every "\n" reaches the disk as CR LF.
// Failures throw CFileException*; the destructor closes and shows a failure there through
// the framework's report instead of throwing.
//
// The program writes only into its user's own files: a file opened for writing must be a
// regular file of the effective user with no other name, looked at through its descriptor
// (cause invalidFile otherwise, with the reason). Opens never wait: a pipe or a device in the
// file's place is refused. A file created with truncation is written under a name of its own
// beside it and takes the file's name only when it is closed whole: a failed write, or an
// exception that leaves the writer, leaves the file of that name as it was.
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/core/Files.h"

class CStdioFile : public CFile {
public:
    // Opens at once with CFile's flags; throws CFileException* when it cannot, leaving
    // nothing open. Deny-write sharing is an advisory lock held while the file is open.
    CStdioFile(const char* fileName, UINT openFlags);
    virtual ~CStdioFile();
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // A whole text; a failed write is reported as a full disk, whatever its cause.
    virtual void WriteString(const char* text);
    // A text of `length` bytes, reported like the whole text above.
    void WriteString(const char* text, size_t length);
    // Bytes as they are (line ends translated in text mode); a failed write is reported
    // with the cause "other".
    virtual void Write(const void* buffer, UINT count);
    // Writes out what is buffered and closes; the file is closed even when this throws.
    virtual void Close();

private:
    // Opens the file to write in place, or to read.
    int OpenInPlace(const std::string& hostPath, UINT openFlags, bool writing, bool creating);
    // Looks at and locks the file to be replaced (when there is one) and makes the file
    // written aside.
    int OpenToReplace(const std::string& hostPath, UINT openFlags);
    // Locks the file as its sharing mode asks; throws (having closed fd) when another holds it.
    void Lock(int fd, UINT openFlags, bool writing, bool creating) const;
    // Closes and removes the file written aside, and lets go of the one it was to replace.
    void Discard();
    void Put(const char* data, size_t count, int causeOnFailure);
    // Writes the buffer out; on failure returns the errno and drops the unwritten bytes, so
    // that one failure is reported once.
    int WriteBuffer();
    [[noreturn]] void Throw(int cause, int err) const;
    [[noreturn]] void Refuse(FileRefusal refusal, int err) const;

    int m_fd = -1;
    // While a file is written aside: the file of its name (-1 when there was none), and both
    // host names.
    int m_replacedFd = -1;
    std::string m_hostPath;
    std::string m_asidePath;
    // A write failed: what was written aside never takes the name.
    bool m_bFailed = false;
    // Exceptions under way when it was opened: one more when it goes means one left the writer.
    int m_nUncaught = 0;
    bool m_bText = true;
    CString m_strFileName;
    std::string m_buffer;
};
