// Time functions of the C runtime.
#pragma once

#include "platform/core/WinTypes.h"

// Seconds since 1970-01-01 00:00 UTC; also stored through `t` when it is not null.
__time64_t _time64(__time64_t* t);
