// A watchdog for tests that feed the control input that once made it hang: when one call does
// not come back in time, the program says which case it was and ends, instead of waiting for the
// test runner's timeout.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace testsupport {

class Watchdog {
public:
    explicit Watchdog(DWORD hangMs = 30000)
        : hangMs_(hangMs), armed_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        ::InitializeCriticalSection(&lock_);
        thread_ = ::CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
    }
    ~Watchdog() {
        ::SetEvent(stop_);
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
        ::CloseHandle(armed_);
        ::CloseHandle(stop_);
        ::DeleteCriticalSection(&lock_);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void Arm(const std::string& what) {
        ::EnterCriticalSection(&lock_);
        what_ = what;
        ::LeaveCriticalSection(&lock_);
        ::SetEvent(armed_);
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* dog = static_cast<Watchdog*>(self);
        HANDLE both[2] = {dog->stop_, dog->armed_};
        for (;;) {
            DWORD woke = ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
            if (woke == WAIT_OBJECT_0) return 0;
            // Armed: each new arming restarts the wait.
            while (::WaitForMultipleObjects(2, both, FALSE, dog->hangMs_) == WAIT_OBJECT_0 + 1) {}
            if (::WaitForSingleObject(dog->stop_, 0) == WAIT_OBJECT_0) return 0;
            ::EnterCriticalSection(&dog->lock_);
            std::fprintf(stderr, "HANG: no answer within %lu ms: %s\n", dog->hangMs_, dog->what_.c_str());
            std::fflush(stderr);
            ::ExitProcess(3);
        }
    }

    DWORD hangMs_;
    HANDLE armed_, stop_, thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::string what_;
};

}  // namespace testsupport
