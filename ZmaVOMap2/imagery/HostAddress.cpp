#include "ZmaVOMap2/imagery/HostAddress.h"

// Before anything that includes windows.h.
#include "ZmaVOMap2/imagery/WinsockSession.h"

#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "platform/Result.h"

#include <cstring>

namespace imagery {

namespace {

constexpr long kLoggedCalls = 10;
volatile LONG g_loggedCalls = 0;

// The host of the first "http://" address in `text`: up to the next '/', without a port.
std::string HostOf(const std::string& text) {
    const std::string scheme = "http://";
    const size_t start = text.find(scheme);
    if (start == std::string::npos) return std::string();
    const size_t from = start + scheme.size();
    std::string host = text.substr(from, text.find('/', from) == std::string::npos ? std::string::npos
                                                                                     : text.find('/', from) - from);
    const size_t colon = host.find(':');
    if (colon != std::string::npos) host.resize(colon);
    return host;
}

const char* ResolveErrorText(int code) {
    switch (code) {
    case WSAHOST_NOT_FOUND: return "The host was not found.\n";
    case WSATRY_AGAIN: return "The name server is temporarily unavailable.\n";
    case WSANO_RECOVERY: return "A non-recoverable name server error occurred.\n";
    case WSANO_DATA: return "The name is valid but it has no address.\n";
    default: return nullptr;
    }
}

std::string FirstAddress(const hostent* host) {
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0]) return std::string();
    in_addr address;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    const char* dotted = ::inet_ntoa(address);
    return dotted ? dotted : std::string();
}

}  // namespace

void LogHostIPAddress(const std::string& text, bool failed) noexcept {
    if (g_loggedCalls >= kLoggedCalls) return;
    try {
        WinsockSession winsock;
        const std::string host = HostOf(text);
        const hostent* resolved = winsock.Started() ? ::gethostbyname(host.c_str()) : nullptr;
        const std::string address = FirstAddress(resolved);
        const std::string shown = LoggedText(text);
        if (address.empty()) {
            const char* why = ResolveErrorText(winsock.Started() ? ::WSAGetLastError() : WSANOTINITIALISED);
            Log(platform::kLogLevelError, std::string("Error resolving host IP address. ") + (why ? why : "<null>") +
                                              "Request URL = " + shown);
        } else if (failed) {
            Log(platform::kLogLevelError, "Failed to downloaded data from IP :" + address + " URL = " + shown);
        } else {
            Log(platform::kLogLevelInfo, "Data downloaded from IP :" + address + " URL = " + shown);
        }
    } CATCH_REPORT([](const platform::ComError*) {
        Log(platform::kLogLevelError, "unhandled exception while logging IP address.");
    });
    ::InterlockedIncrement(&g_loggedCalls);
}

std::string GetLocalIPAddress() {
    WinsockSession winsock;
    if (!winsock.Started()) return "127.0.0.1";
    char name[80] = {};
    if (::gethostname(name, sizeof name) != 0) return "127.0.0.1";
    const std::string address = FirstAddress(::gethostbyname(name));
    return address.empty() ? "127.0.0.1" : address;
}

}  // namespace imagery
