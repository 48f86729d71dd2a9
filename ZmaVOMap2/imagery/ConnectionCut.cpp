// Before anything that includes windows.h.
#include "ZmaVOMap2/imagery/WinsockSession.h"

#include "ZmaVOMap2/imagery/ConnectionCut.h"

#include <atomic>

namespace imagery {

namespace {

// The marks lie far past any time a request is given, where no other socket's timeout lies; a
// mark comes back after this many requests, long after a connection that carried it has gone.
constexpr DWORD kFirstMark = 0x40000000;
constexpr DWORD kMarks = 0x01000000;
// Handles are multiples of four handed out lowest first: the search for a socket ends after this
// many unused values in a row.
constexpr UINT_PTR kUnusedRun = 256;

SOCKET NamedSocket(HINTERNET request) {
    INTERNET_DIAGNOSTIC_SOCKET_INFO info = {};
    DWORD size = sizeof info;
    if (!::InternetQueryOptionW(request, INTERNET_OPTION_DIAGNOSTIC_SOCKET_INFO, &info, &size) || info.Socket == 0)
        return INVALID_SOCKET;
    return static_cast<SOCKET>(info.Socket);
}

bool CarriesMark(SOCKET socket, DWORD mark) {
    DWORD timeout = 0;
    int size = sizeof timeout;
    return ::getsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&timeout), &size) == 0 &&
           size == sizeof timeout && timeout == mark;
}

// The one socket of the process that carries `mark`; none when no socket, or more than one, does.
// The search only reads the send timeout of each handle's socket, and a handle that is no socket
// has none.
SOCKET MarkedSocket(DWORD mark) {
    SOCKET found = INVALID_SOCKET;
    int carriers = 0;
    for (UINT_PTR value = 4, unused = 0; unused < kUnusedRun; value += 4) {
        DWORD flags = 0;
        if (!::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++unused;
            continue;
        }
        unused = 0;
        if (CarriesMark(static_cast<SOCKET>(value), mark)) {
            found = static_cast<SOCKET>(value);
            ++carriers;
        }
    }
    return carriers == 1 ? found : INVALID_SOCKET;
}

}  // namespace

DWORD NextRequestMark() {
    static std::atomic<DWORD> issued{0};
    return kFirstMark + issued++ % kMarks;
}

void CutConnection(HINTERNET request, DWORD mark) {
    const WinsockSession winsock;
    if (!winsock.Started()) return;
    SOCKET socket = NamedSocket(request);
    if (socket == INVALID_SOCKET) socket = MarkedSocket(mark);
    if (socket != INVALID_SOCKET) ::shutdown(socket, SD_BOTH);
}

}  // namespace imagery
