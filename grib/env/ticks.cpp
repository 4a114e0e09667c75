#include "grib/env/env.h"

#ifdef _WIN32
#include <windows.h>

uint32_t GRIB_Milliseconds() { return GetTickCount(); }
#else
#include <ctime>

uint32_t GRIB_Milliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}
#endif

uint32_t GRIB_Ticks() {
    // The product wraps in 32 bits, exactly like the millisecond counter does.
    uint32_t product = GRIB_Milliseconds() * static_cast<uint32_t>(GRIB_GetEnvironment()->tickRate);
    return product / 1000u;
}
