// Time functions of the C runtime.
#pragma once

#include <ctime>

#include "platform/core/WinTypes.h"

// Seconds since 1970-01-01 00:00 UTC; also stored through `t` when it is not null.
__time64_t _time64(__time64_t* t);
// Local time of `*t` into `*result`; 0 on success, else an errno value (result cleared).
int _localtime64_s(struct tm* result, const __time64_t* t);
