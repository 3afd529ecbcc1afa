#include "platform/core/Text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

const char* IconvName(UINT codePage) {
    switch (codePage) {
    case CP_UTF8:
        return "UTF-8";
    case CP_ACP:
    case CP_THREAD_ACP:
    case CP_949:
        return "CP949";
    default:
        return nullptr;
    }
}

// One open descriptor per conversion pair and thread: opening one costs far more than a
// short conversion, and a descriptor must never be used by two threads at once.
class IconvCache {
public:
    IconvCache() = default;
    IconvCache(const IconvCache&) = delete;
    IconvCache& operator=(const IconvCache&) = delete;
    ~IconvCache() {
        for (const Entry& e : m_entries)
            iconv_close(e.cd);
    }

    // The descriptor in its initial state; (iconv_t)-1 when the pair is unknown.
    iconv_t Get(const char* to, const char* from) {
        for (const Entry& e : m_entries) {
            if (e.to == to && e.from == from) {
                iconv(e.cd, nullptr, nullptr, nullptr, nullptr);
                return e.cd;
            }
        }
        iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1))
            m_entries.push_back(Entry{to, from, cd});
        return cd;
    }

private:
    struct Entry {
        std::string to;
        std::string from;
        iconv_t cd;
    };
    std::vector<Entry> m_entries;
};

thread_local IconvCache t_iconv;

// Converts with iconv, replacing what cannot be read or written by `subst` (in the target
// encoding) and skipping one source unit of `unit` bytes.
std::string Convert(const char* to, const char* from, const char* src, size_t len, const std::string& subst,
                    size_t unit) {
    std::string out;
    iconv_t cd = t_iconv.Get(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    char* in = const_cast<char*>(src);
    size_t inLeft = len;
    std::vector<char> buf(len * 4 + 16);
    while (inLeft > 0) {
        char* o = buf.data();
        size_t oLeft = buf.size();
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf.data(), o - buf.data());
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: an unreadable or unmappable unit.
            out += subst;
            size_t skip = unit < inLeft ? unit : inLeft;
            if (unit == 1 && CharSize(std::string_view(in, inLeft), 0) == 2 &&
                std::strcmp(from, "CP949") == 0)
                skip = 2; // an undefined double-byte code stands for one character
            if (unit == 2 && inLeft >= 4) {
                // A UTF-16 surrogate pair that failed is one character.
                auto u = static_cast<uint16_t>(static_cast<unsigned char>(in[0]) |
                                               (static_cast<unsigned char>(in[1]) << 8));
                if (u >= 0xD800 && u <= 0xDBFF)
                    skip = 4;
            }
            in += skip;
            inLeft -= skip;
        }
    }
    return out;
}

std::u16string BytesToU16(const std::string& bytes) {
    std::u16string s(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return s;
}

std::string U16ToBytes(const WCHAR* src, size_t len) {
    std::string b(len * 2, '\0');
    for (size_t i = 0; i < len; ++i) {
        b[2 * i] = static_cast<char>(src[i] & 0xFF);
        b[2 * i + 1] = static_cast<char>(src[i] >> 8);
    }
    return b;
}

const std::string kUtf16Replacement("\xFD\xFF", 2); // U+FFFD, little-endian

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char* src, int srcLen, WCHAR* dst, int dstLen) {
    const char* from = IconvName(codePage);
    if (!src || !from || dstLen < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = srcLen < 0 ? std::strlen(src) + 1 : static_cast<size_t>(srcLen);
    if (len == 0)
        return 0;
    std::u16string w = BytesToU16(Convert("UTF-16LE", from, src, len, kUtf16Replacement, 1));
    if (dstLen == 0)
        return static_cast<int>(w.size());
    if (static_cast<int>(w.size()) > dstLen) {
        SetLastError(122); // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    std::memcpy(dst, w.data(), w.size() * sizeof(WCHAR));
    return static_cast<int>(w.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, const WCHAR* src, int srcLen, char* dst, int dstLen,
                        const char* defaultChar, BOOL* usedDefaultChar) {
    const char* to = IconvName(codePage);
    if (!src || !to || dstLen < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = 0;
    if (srcLen < 0) {
        while (src[len])
            ++len;
        ++len;
    } else {
        len = static_cast<size_t>(srcLen);
    }
    if (len == 0)
        return 0;
    std::string subst =
        codePage == CP_UTF8 ? std::string("\xEF\xBF\xBD") : std::string(defaultChar ? defaultChar : "?");
    std::string bytes = U16ToBytes(src, len);
    std::string out = Convert(to, "UTF-16LE", bytes.data(), bytes.size(), subst, 2);
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    if (dstLen == 0)
        return static_cast<int>(out.size());
    if (static_cast<int>(out.size()) > dstLen) {
        SetLastError(122);
        return 0;
    }
    std::memcpy(dst, out.data(), out.size());
    return static_cast<int>(out.size());
}

// A BSTR carries its length in the four bytes before the text, as the system's does.
BSTR SysAllocStringLen(const WCHAR* src, UINT len) {
    auto* raw = static_cast<char*>(
        ::operator new(sizeof(uint32_t) + (static_cast<size_t>(len) + 1) * sizeof(WCHAR), std::nothrow));
    if (!raw)
        return nullptr;
    uint32_t bytes = len * sizeof(WCHAR);
    std::memcpy(raw, &bytes, sizeof bytes);
    auto* text = reinterpret_cast<WCHAR*>(raw + sizeof(uint32_t));
    if (src)
        std::memcpy(text, src, len * sizeof(WCHAR));
    else
        std::memset(text, 0, len * sizeof(WCHAR));
    text[len] = 0;
    return text;
}

void SysFreeString(BSTR b) {
    if (b)
        ::operator delete(reinterpret_cast<char*>(b) - sizeof(uint32_t));
}

UINT SysStringLen(BSTR b) {
    if (!b)
        return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(b) - sizeof(uint32_t), sizeof bytes);
    return bytes / sizeof(WCHAR);
}

std::string AnsiToHostUtf8(const char* ansi) {
    if (!ansi || !*ansi)
        return std::string();
    return Convert("UTF-8", "CP949", ansi, std::strlen(ansi), "\xEF\xBF\xBD", 1);
}

CString HostUtf8ToAnsi(const std::string& utf8) {
    if (utf8.empty())
        return CString();
    return CString(Convert("CP949", "UTF-8", utf8.data(), utf8.size(), "?", 1));
}

std::u16string AnsiToUtf16(const char* ansi) {
    if (!ansi || !*ansi)
        return std::u16string();
    return BytesToU16(Convert("UTF-16LE", "CP949", ansi, std::strlen(ansi), kUtf16Replacement, 1));
}

CString Utf16ToAnsi(const std::u16string& text) {
    if (text.empty())
        return CString();
    std::string bytes = U16ToBytes(text.data(), text.size());
    return CString(Convert("CP949", "UTF-16LE", bytes.data(), bytes.size(), "?", 2));
}

int CopyBounded(char* dst, int size, const char* src) {
    if (!dst || size <= 0)
        return 0;
    int n = 0;
    if (src) {
        // Only the bytes that could fit are looked at, and a lead byte before the NUL stands alone.
        const std::string_view text(src, strnlen(src, size));
        while (n < static_cast<int>(text.size())) {
            const int step = CharSize(text, n);
            if (n + step > size - 1)
                break;
            n += step;
        }
        std::memcpy(dst, src, n);
    }
    dst[n] = '\0';
    return n;
}
