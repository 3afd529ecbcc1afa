#include "platform/core/Time.h"

#include <cerrno>
#include <cstring>
#include <ctime>

__time64_t _time64(__time64_t* t) {
    __time64_t now = static_cast<__time64_t>(std::time(nullptr));
    if (t)
        *t = now;
    return now;
}

int _localtime64_s(struct tm* result, const __time64_t* t) {
    if (!result)
        return EINVAL;
    std::memset(result, 0, sizeof *result);
    if (!t)
        return EINVAL;
    const time_t value = static_cast<time_t>(*t);
    return localtime_r(&value, result) ? 0 : EINVAL;
}
