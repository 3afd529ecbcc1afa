// The framework's buffered text file. In text mode every "\n" reaches the disk as CR LF.
// Failures throw CFileException*; the destructor closes and shows a failure there through
// the framework's report instead of throwing.
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
    void Put(const char* data, size_t count, int causeOnFailure);
    // Writes the buffer out; on failure returns the errno and drops the unwritten bytes, so
    // that one failure is reported once.
    int WriteBuffer();
    [[noreturn]] void Throw(int cause, int err) const;

    int m_fd = -1;
    bool m_bText = true;
    CString m_strFileName;
    std::string m_buffer;
};
