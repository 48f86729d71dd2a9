// A flag that each thread has for itself, kept in a slot of the system's thread-local storage:
// unlike a compiler thread_local, the slot runs none of this library's code at a thread's exit,
// after the library may have gone.
#pragma once

#include <windows.h>

namespace platform {

class ThreadFlag {
public:
    ThreadFlag() noexcept : index_(::TlsAlloc()) {}
    ~ThreadFlag() {
        if (index_ != TLS_OUT_OF_INDEXES) ::TlsFree(index_);
    }
    ThreadFlag(const ThreadFlag&) = delete;
    ThreadFlag& operator=(const ThreadFlag&) = delete;

    // Whether the calling thread raised it.
    bool IsRaised() const noexcept { return index_ != TLS_OUT_OF_INDEXES && ::TlsGetValue(index_) != nullptr; }

    // Raised for the calling thread while the scope lasts, however it is left.
    class Raised {
    public:
        explicit Raised(ThreadFlag& flag) noexcept : flag_(flag) { flag_.Set(true); }
        ~Raised() { flag_.Set(false); }
        Raised(const Raised&) = delete;
        Raised& operator=(const Raised&) = delete;

    private:
        ThreadFlag& flag_;
    };

private:
    void Set(bool raised) noexcept {
        if (index_ != TLS_OUT_OF_INDEXES) ::TlsSetValue(index_, raised ? this : nullptr);
    }

    DWORD index_;
};

}  // namespace platform
