// The engines' status records as they arrive by WM_COPYDATA.
#include "supervision/StatusIntake.h"

#include <cstring>

CString CopyDataRecord(const void* data, DWORD size) {
    const char* bytes = static_cast<const char*>(data);
    if (!bytes || size == 0)
        return CString();
    const void* nul = std::memchr(bytes, '\0', size);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    return CString(bytes, static_cast<int>(length));
}
