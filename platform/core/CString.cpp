#include "platform/core/CString.h"

#include <cstdio>
#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/core/Text.h"

char CString::GetAt(int i) const {
    if (i < 0 || i >= GetLength())
        return '\0';
    return m_str[i];
}

void CString::FormatV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) {
        m_str.clear();
        return;
    }
    if (n < static_cast<int>(sizeof small)) {
        m_str.assign(small, n);
        return;
    }
    std::string out(n, '\0');
    vsnprintf(out.data(), n + 1, fmt, args);
    m_str.swap(out);
}

void CString::Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

void CString::AppendFormat(const char* fmt, ...) {
    CString more;
    va_list args;
    va_start(args, fmt);
    more.FormatV(fmt, args);
    va_end(args);
    m_str += more.m_str;
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (nFirst >= GetLength())
        return CString();
    return CString(m_str.substr(nFirst, nCount));
}

CString CString::Left(int nCount) const {
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const {
    if (nCount <= 0)
        return CString();
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.substr(GetLength() - nCount));
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0)
        nStart = 0;
    for (int i = 0; i < GetLength(); i += CharSize(m_str, i)) {
        if (i >= nStart && m_str[i] == ch)
            return i;
    }
    return -1;
}

int CString::Find(const char* sub, int nStart) const {
    if (!sub)
        return -1;
    size_t n = strlen(sub);
    if (nStart < 0)
        nStart = 0;
    for (int i = 0; i <= GetLength();) {
        if (i >= nStart && m_str.compare(i, n, sub) == 0 && i + static_cast<int>(n) <= GetLength())
            return i;
        if (i == GetLength())
            break;
        i += CharSize(m_str, i);
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    int found = -1;
    for (int i = 0; i < GetLength(); i += CharSize(m_str, i)) {
        if (m_str[i] == ch)
            found = i;
    }
    return found;
}

int CString::FindOneOf(const char* charSet) const {
    if (!charSet)
        return -1;
    for (int i = 0; i < GetLength();) {
        const int step = CharSize(m_str, i);
        if (step == 1 && m_str[i] != '\0' && strchr(charSet, m_str[i]))
            return i;
        i += step;
    }
    return -1;
}

int CString::Replace(char chOld, char chNew) {
    int count = 0;
    for (int i = 0; i < GetLength();) {
        const int step = CharSize(m_str, i);
        if (step == 1 && m_str[i] == chOld) {
            m_str[i] = chNew;
            ++count;
        }
        i += step;
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText) {
    if (!oldText || !*oldText)
        return 0;
    const std::string repl = newText ? newText : "";
    const int oldLen = static_cast<int>(strlen(oldText));
    std::string out;
    int count = 0;
    for (int i = 0; i < GetLength();) {
        if (m_str.compare(i, oldLen, oldText) == 0 && i + oldLen <= GetLength()) {
            out += repl;
            i += oldLen;
            ++count;
            continue;
        }
        const int step = CharSize(m_str, i);
        out.append(m_str, i, step);
        i += step;
    }
    m_str.swap(out);
    return count;
}

int CString::Remove(char ch) {
    std::string out;
    int count = 0;
    for (int i = 0; i < GetLength();) {
        const int step = CharSize(m_str, i);
        if (step == 1 && m_str[i] == ch)
            ++count;
        else
            out.append(m_str, i, step);
        i += step;
    }
    m_str.swap(out);
    return count;
}

int CString::Insert(int nIndex, char ch) {
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    m_str.insert(m_str.begin() + nIndex, ch);
    return GetLength();
}

static bool IsSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_str.size() && IsSpaceByte(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    // Only a white-space byte that starts a character counts: walk forward so that the second
    // byte of a double-byte character is never taken for white space.
    int keep = 0;
    for (int i = 0; i < GetLength();) {
        const int step = CharSize(m_str, i);
        if (!(step == 1 && IsSpaceByte(m_str[i])))
            keep = i + step;
        i += step;
    }
    m_str.resize(keep);
    return *this;
}

CString& CString::Trim() {
    TrimRight();
    return TrimLeft();
}

CString& CString::TrimLeft(char ch) {
    size_t i = 0;
    while (i < m_str.size() && m_str[i] == ch)
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight(char ch) {
    int keep = 0;
    for (int i = 0; i < GetLength();) {
        const int step = CharSize(m_str, i);
        if (!(step == 1 && m_str[i] == ch))
            keep = i + step;
        i += step;
    }
    m_str.resize(keep);
    return *this;
}

CString& CString::Trim(char ch) {
    TrimRight(ch);
    return TrimLeft(ch);
}

CString& CString::MakeLower() {
    for (int i = 0; i < GetLength();) {
        const int step = CharSize(m_str, i);
        if (step == 1 && m_str[i] >= 'A' && m_str[i] <= 'Z')
            m_str[i] = static_cast<char>(m_str[i] - 'A' + 'a');
        i += step;
    }
    return *this;
}

CString CString::Tokenize(const char* delims, int& iStart) const {
    if (iStart < 0 || !delims) {
        iStart = -1;
        return CString();
    }
    auto isDelim = [&](int i) {
        return CharSize(m_str, i) == 1 && m_str[i] != '\0' && strchr(delims, m_str[i]) != nullptr;
    };
    int i = iStart;
    while (i < GetLength() && isDelim(i))
        i += 1;
    if (i >= GetLength()) {
        iStart = -1;
        return CString();
    }
    int begin = i;
    while (i < GetLength() && !isDelim(i))
        i += CharSize(m_str, i);
    iStart = i < GetLength() ? i + 1 : i;
    return CString(m_str.substr(begin, i - begin));
}

int CString::Compare(const char* psz) const {
    return strcmp(m_str.c_str(), psz ? psz : "");
}

int CString::CompareNoCase(const char* psz) const {
    CString a(*this), b(psz);
    a.MakeLower();
    b.MakeLower();
    return a.Compare(b);
}

BSTR CString::AllocSysString() const {
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, m_str.data(), GetLength(), nullptr, 0);
    BSTR b = SysAllocStringLen(nullptr, n);
    if (!b)
        throw new CMemoryException();
    MultiByteToWideChar(CP_THREAD_ACP, 0, m_str.data(), GetLength(), b, n);
    return b;
}
