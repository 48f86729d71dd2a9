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

    // Starts the wait for `what` again: the program ends unless the next Arm or Disarm comes
    // within `limitMs` (the watchdog's own limit when 0).
    void Arm(const std::string& what, DWORD limitMs = 0) { Set(what, limitMs ? limitMs : hangMs_); }
    // Stops waiting until the next Arm.
    void Disarm() { Set(std::string(), INFINITE); }
    // Runs `call` armed for `what` (as Arm takes it) and answers what it answers.
    template <class Call>
    auto Guard(const std::string& what, Call&& call, DWORD limitMs = 0) -> decltype(call()) {
        struct Disarming {
            Watchdog& dog;
            ~Disarming() { dog.Disarm(); }
        } disarming{*this};
        Arm(what, limitMs);
        return call();
    }

private:
    void Set(const std::string& what, DWORD limitMs) {
        ::EnterCriticalSection(&lock_);
        what_ = what;
        limitMs_ = limitMs;
        ::LeaveCriticalSection(&lock_);
        ::SetEvent(armed_);
    }

    static DWORD WINAPI Run(void* self) {
        auto* dog = static_cast<Watchdog*>(self);
        HANDLE both[2] = {dog->stop_, dog->armed_};
        DWORD limit = INFINITE;
        for (;;) {
            DWORD woke = ::WaitForMultipleObjects(2, both, FALSE, limit);
            if (woke == WAIT_OBJECT_0) return 0;
            ::EnterCriticalSection(&dog->lock_);
            if (woke == WAIT_OBJECT_0 + 1) {  // armed again: the wait starts over
                limit = dog->limitMs_;
                ::LeaveCriticalSection(&dog->lock_);
                continue;
            }
            std::fprintf(stderr, "HANG: no answer within %lu ms: %s\n", limit, dog->what_.c_str());
            std::fflush(stderr);
            ::ExitProcess(3);
        }
    }

    DWORD hangMs_;
    DWORD limitMs_ = INFINITE;
    HANDLE armed_, stop_, thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::string what_;
};

}  // namespace testsupport
