// The framework's exception objects. The program defines none of its own and catches only
// these, at the message dispatch.
#pragma once

#include "platform/core/CString.h"

class CException {
public:
    virtual ~CException() = default;
    // Thrown as pointers, as the framework does; the catcher deletes.
    void Delete() { delete this; }
    // The operator-facing report text.
    virtual CString GetErrorMessage() const = 0;
};

class CMemoryException : public CException {
public:
    CString GetErrorMessage() const override;
};

class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException(int cause = none, LONG osError = -1, const char* fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

    // The framework's report for the cause, naming the file.
    CString GetErrorMessage() const override;
    static int OsErrorToCause(int err);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
    // Why the program did not write into the file (cause invalidFile): it is not one of the
    // user's own regular files.
    CString m_strReason;
};

// The framework's report of an exception that no handler caught. The window back end
// installs a stop-icon message box; until then the text goes to standard error. Returns
// the reporter that was installed before.
using ExceptionReporter = void (*)(const CString& text);
ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);
void ReportException(const CException& e);
