#pragma once

#include <windows.h>

namespace bench {

// Seconds on the performance counter, the one clock of every benchmark: the spans they compare
// are milliseconds long, finer than the system clock's ticks.
inline double seconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace bench
