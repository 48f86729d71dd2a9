// How every benchmark program runs its figures: under OLE, with a failure printed with its code
// and answered with the exit code 1.
#pragma once

#include "platform/Result.h"

#include <windows.h>
#include <ole2.h>

#include <cstdio>

template <class Figures>
int RunFigures(Figures&& figures) {
    ::OleInitialize(nullptr);
    int result = 0;
    try {
        figures();
    } catch (const platform::ComError& e) {
        std::printf("failed: 0x%08lx\n", static_cast<unsigned long>(e.Error()));
        result = 1;
    } catch (...) {
        std::printf("failed\n");
        result = 1;
    }
    ::OleUninitialize();
    return result;
}
