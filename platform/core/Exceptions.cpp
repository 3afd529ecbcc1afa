#include "platform/core/Exceptions.h"

#include <cerrno>
#include <cstdio>

#include "platform/core/Text.h"

CString CMemoryException::GetErrorMessage() const {
    return CString("메모리가 부족합니다.");
}

CString CFileException::GetErrorMessage() const {
    CString text;
    switch (m_cause) {
    case sharingViolation:
    case lockViolation:
        text.Format("%s에 액세스하는 동안 공유 위반이 발생했습니다.", m_strFileName.GetString());
        break;
    case accessDenied:
        text.Format("%s 액세스가 거부되었습니다.", m_strFileName.GetString());
        break;
    case badPath:
    case fileNotFound:
        text.Format("%s에 잘못된 경로가 있습니다.", m_strFileName.GetString());
        break;
    case invalidFile:
        if (m_strReason.IsEmpty())
            text.Format("%s에 액세스하는 동안 알 수 없는 오류가 발생했습니다.", m_strFileName.GetString());
        else
            text.Format("%s 파일에 쓰지 않았습니다.\n이유: %s", m_strFileName.GetString(),
                        m_strReason.GetString());
        break;
    case diskFull:
        text.Format("%s에 액세스하는 동안 디스크가 꽉 찼습니다.", m_strFileName.GetString());
        break;
    default:
        text.Format("%s에 액세스하는 동안 알 수 없는 오류가 발생했습니다.", m_strFileName.GetString());
        break;
    }
    return text;
}

int CFileException::OsErrorToCause(int err) {
    switch (err) {
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return badPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case ETXTBSY:
    case EBUSY:
        return sharingViolation;
    case EIO:
        return hardIO;
    default:
        return genericException;
    }
}

namespace {
void ReportToStderr(const CString& text) {
    std::fprintf(stderr, "%s\n", AnsiToHostUtf8(text).c_str());
}
ExceptionReporter g_reporter = ReportToStderr;
} // namespace

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter) {
    ExceptionReporter previous = g_reporter;
    g_reporter = reporter ? reporter : ReportToStderr;
    return previous;
}

void ReportException(const CException& e) {
    g_reporter(e.GetErrorMessage());
}
