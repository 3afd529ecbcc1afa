// Growable byte strings in the ANSI code page (949): lengths and positions count bytes,
// searches and trims step over double-byte characters.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/WinTypes.h"

// A lead byte of a double-byte character in code page 949.
inline bool IsDBCSLeadByte(BYTE b) {
    return b >= 0x81 && b <= 0xFE;
}

// Bytes of the character at `pos`: 2 for a lead byte with a byte after it, else 1 (a lone
// lead byte at the end is a character of its own).
inline int CharSize(std::string_view text, std::size_t pos) {
    return (IsDBCSLeadByte(static_cast<BYTE>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

class CString {
public:
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength)
        : m_str(pch ? std::string(pch, nLength < 0 ? 0 : nLength) : std::string()) {}
    CString(char ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
    CString(const std::string& s) : m_str(s) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz) {
        m_str = psz ? psz : "";
        return *this;
    }
    CString& operator=(char ch) {
        m_str.assign(1, ch);
        return *this;
    }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const char* GetString() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    char GetAt(int i) const;
    char operator[](int i) const { return GetAt(i); }

    CString& operator+=(const CString& s) {
        m_str += s.m_str;
        return *this;
    }
    CString& operator+=(const char* psz) {
        if (psz)
            m_str += psz;
        return *this;
    }
    CString& operator+=(char ch) {
        m_str += ch;
        return *this;
    }

    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* fmt, va_list args);

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    int Find(char ch, int nStart = 0) const;
    int Find(const char* sub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* charSet) const;

    int Replace(char chOld, char chNew);
    int Replace(const char* oldText, const char* newText);
    int Remove(char ch);
    int Insert(int nIndex, char ch);

    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(char ch);
    CString& TrimLeft(char ch);
    CString& TrimRight(char ch);
    CString& MakeLower();

    // Next token after position iStart, skipping leading delimiters; at the end iStart becomes -1
    // and the result is empty.
    CString Tokenize(const char* delims, int& iStart) const;

    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    // UTF-16 system string of the text, converted from the ANSI code page. Throws CMemoryException.
    BSTR AllocSysString() const;

private:
    std::string m_str;
};

inline CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
inline CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}
inline CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
inline CString operator+(const CString& a, char b) {
    CString r(a);
    r += b;
    return r;
}
inline CString operator+(char a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
inline bool operator==(const CString& a, const CString& b) {
    return a.str() == b.str();
}
inline bool operator==(const CString& a, const char* b) {
    return a.Compare(b) == 0;
}
inline bool operator==(const char* a, const CString& b) {
    return b.Compare(a) == 0;
}
inline bool operator!=(const CString& a, const CString& b) {
    return !(a == b);
}
inline bool operator!=(const CString& a, const char* b) {
    return !(a == b);
}
inline bool operator!=(const char* a, const CString& b) {
    return !(b == a);
}
inline bool operator<(const CString& a, const CString& b) {
    return a.Compare(b) < 0;
}

class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    const CString& GetAt(int i) const { return m_items.at(i); }
    const CString& operator[](int i) const { return m_items.at(i); }
    CString& operator[](int i) { return m_items.at(i); }
    int Add(const CString& s) {
        m_items.push_back(s);
        return GetSize() - 1;
    }
    void RemoveAll() { m_items.clear(); }

private:
    std::vector<CString> m_items;
};
