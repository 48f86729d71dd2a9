// The most memory a piece of work commits above what the process held when it began: the
// process's committed private bytes, sampled every millisecond by a thread of the sampler's own.
// The thread is started once, before any work is measured, so that its own stack and thread data
// are part of what the process held and never counted as the work's (they come to about 1 MB
// under Wine, as much as an export).
#pragma once

#include <windows.h>
#include <psapi.h>

inline double CommittedMegabytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

class PeakMemory {
public:
    PeakMemory() {
        ::InitializeCriticalSection(&lock_);
        thread_ = ::CreateThread(nullptr, 0, &PeakMemory::Sample, this, 0, nullptr);
        ::WaitForSingleObject(started_, INFINITE);
    }
    ~PeakMemory() {
        quit_ = true;
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
        ::CloseHandle(started_);
        ::DeleteCriticalSection(&lock_);
    }
    PeakMemory(const PeakMemory&) = delete;
    PeakMemory& operator=(const PeakMemory&) = delete;

    // Runs `work` and answers the most it committed, in MB.
    template <class Work>
    double Above(Work work) {
        ::EnterCriticalSection(&lock_);
        const double before = CommittedMegabytes();
        peak_ = before;
        measuring_ = true;
        ::LeaveCriticalSection(&lock_);
        work();
        ::EnterCriticalSection(&lock_);
        measuring_ = false;
        const double last = CommittedMegabytes();
        if (last > peak_) peak_ = last;
        const double peak = peak_;
        ::LeaveCriticalSection(&lock_);
        return peak - before;
    }

private:
    static DWORD WINAPI Sample(void* self) {
        auto* me = static_cast<PeakMemory*>(self);
        // The first reading grows the thread's stack to what every later one uses.
        me->peak_ = CommittedMegabytes();
        ::SetEvent(me->started_);
        while (!me->quit_) {
            // A reading counts only for the work it was taken during.
            ::EnterCriticalSection(&me->lock_);
            if (me->measuring_) {
                const double now = CommittedMegabytes();
                if (now > me->peak_) me->peak_ = now;
            }
            ::LeaveCriticalSection(&me->lock_);
            ::Sleep(1);
        }
        return 0;
    }

    CRITICAL_SECTION lock_;
    HANDLE started_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    volatile bool quit_ = false;
    bool measuring_ = false;  // both under lock_
    double peak_ = 0;
};
