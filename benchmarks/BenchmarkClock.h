// The clock every benchmark reads: seconds from the performance counter, and the seconds a piece
// of work takes by it.
#pragma once

#include <windows.h>

#include <functional>

inline double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

inline double Time(const std::function<void()>& work) {
    const double start = Now();
    work();
    return Now() - start;
}
