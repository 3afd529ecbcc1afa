#include "platform/core/Time.h"

#include <ctime>

__time64_t _time64(__time64_t* t) {
    __time64_t now = static_cast<__time64_t>(std::time(nullptr));
    if (t)
        *t = now;
    return now;
}
