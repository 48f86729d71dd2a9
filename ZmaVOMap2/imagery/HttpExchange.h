// The imagery's own HTTP requests, each within bounds: a time for the whole exchange, a number of
// redirects (followed by hand, to addresses of a bounded length) and a size of the answer. A
// server that redirects in a loop or to an ever longer address, answers tens of megabytes, or
// trickles or stalls cannot hold the caller: what exceeds a bound is a failed request, logged with
// the bound it exceeded; an answer that ends before the length it announced is a failed request
// too. An answer refused or given up is let go of unread: its connection is cut first (see
// ConnectionCut.h), so that nothing waits for the rest of it. WinInet, on the calling thread, which
// waits for each of its calls and can let go of one at any time; the system's proxy settings
// apply, as they do to the system's own downloads.
//
// Nothing a server names reaches another: the server's credentials go only to the scheme, host
// and port of the address they were given for (a redirect elsewhere goes on without them), the
// proxy's only to a proxy (a server that asks for them directly is answered with none), and an
// address holding a control character, a redirect's included, is never requested.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace imagery {

struct RequestBounds {
    DWORD milliseconds;  // the whole exchange, redirects included
    int redirects;       // followed at most
    DWORD bytes;         // of the answer's body
};
// A tile is a picture of a few kilobytes; a service answers a document of about as many.
constexpr RequestBounds kTileRequestBounds = {5000, 10, 1u << 20};
constexpr RequestBounds kServiceRequestBounds = {10000, 10, 1u << 20};
// A redirect to an address longer than this (the longest address the system takes) is not followed.
constexpr size_t kMaxRedirectAddress = 2083;

// What a request sends a proxy that asks for credentials, and which of the user's answers it is.
struct ProxyCredentials {
    std::wstring user, password;
    unsigned long answer = 0;
};

// Answers a proxy's demand for credentials on a request's behalf.
class ProxyCredentialSource {
public:
    // The credentials to send, asking the user from `owner` (a window of the calling thread; none
    // asks nobody) when none are held; false when there are none to send.
    virtual bool TakeProxyCredentials(HWND owner, ProxyCredentials& credentials) = 0;
    // The proxy refused `sent`: they are not handed out again.
    virtual void ProxyRefused(const ProxyCredentials& sent) = 0;

protected:
    ~ProxyCredentialSource() = default;
};

// A proxy asked for credentials and none were given: the user cancelled before, another dialog was
// open, or the request asks nobody. No failure of the server: the same request may go through once
// credentials can be had (ERROR_CANCELLED).
constexpr HRESULT kProxyCredentialsWithheld = static_cast<HRESULT>(0x800704C7L);

// A request takes credentials for a proxy at most this many times.
constexpr int kMaxProxyCredentialTakes = 3;

struct HttpRequest {
    std::wstring method = L"GET";
    std::wstring address;
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    std::string body;
    // Sent when the server of `address` asks for credentials.
    std::wstring user, password;
    // Asked when the proxy the request went through asks for credentials, and told when the proxy
    // refuses those sent, which it is then asked to replace; a proxy it gives none to ends the
    // request with kProxyCredentialsWithheld, and one that refuses more than
    // kMaxProxyCredentialTakes of them with E_ACCESSDENIED. Without it (or when no proxy asked) the
    // 407 is the answer. The user is asked from `askFrom`; the time that takes counts against no
    // bound.
    ProxyCredentialSource* proxyCredentials = nullptr;
    HWND askFrom = nullptr;
    // When this event is set (from any thread), the request ends at once with E_ABORT, whatever
    // the server does.
    HANDLE stop = nullptr;
};

struct HttpAnswer {
    long status = 0;
    std::string body;
};

// Sends `request` and reads the final answer (any status) within `bounds`. A bound exceeded
// fails with INET_E_REDIRECT_FAILED (redirects), INET_E_INVALID_URL (a redirect's address, or an
// address holding a control character), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) (size) or
// INET_E_CONNECTION_TIMEOUT (time), and an answer shorter than its announced length with
// INET_E_DATA_NOT_AVAILABLE, each logged; a proxy that wants credentials the request's source
// does not give fails with kProxyCredentialsWithheld, one that refuses every answer given with
// E_ACCESSDENIED; a failure of the transport answers its own error.
HRESULT SendHttpRequest(const HttpRequest& request, const RequestBounds& bounds, HttpAnswer& answer);

}  // namespace imagery
