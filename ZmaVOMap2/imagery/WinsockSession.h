// Winsock for one use. Include it before anything that includes windows.h.
#pragma once

#include <winsock2.h>

namespace imagery {

// Starts Winsock, and cleans up on destruction only when this started it.
class WinsockSession {
public:
    WinsockSession() noexcept {
        WSADATA data;
        started_ = ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~WinsockSession() {
        if (started_) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Started() const noexcept { return started_; }

private:
    bool started_ = false;
};

}  // namespace imagery
