// Seconds on the monotonic clock, for the safety bounds of tests that wait on other processes.
#pragma once

#include <time.h>

inline double Seconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}
