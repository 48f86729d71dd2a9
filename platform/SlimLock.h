// A lock of the system's (a slim reader/writer lock), for std::lock_guard and std::shared_lock.
// The standard mutexes of this toolchain's runtime make their system objects on first use and
// never give them back: a lock that lives as long as the library would leave them behind each
// time the library is freed. A slim lock holds none.
#pragma once

#include <windows.h>

namespace platform {

class SlimLock {
public:
    SlimLock() noexcept = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

    void lock() noexcept { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() noexcept { ::ReleaseSRWLockExclusive(&lock_); }
    void lock_shared() noexcept { ::AcquireSRWLockShared(&lock_); }
    void unlock_shared() noexcept { ::ReleaseSRWLockShared(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace platform
