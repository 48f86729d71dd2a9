#include "ZmaVOMap2/imagery/HttpExchange.h"

#include "ZmaVOMap2/imagery/ConnectionCut.h"
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <objbase.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace imagery {

namespace {

constexpr int kError = platform::kLogLevelError;
constexpr wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; VadAZ map imagery)";
// A transport failure this close to the end of the time is the time running out, whatever
// error the transport gives it.
constexpr DWORD kTimeSlack = 100;

// Where WinInet reports an operation of the asynchronous session that it completed later, and
// what it may still write or read until then: the count slots, the body sent and the buffer read
// into. An exchange that lets go of an operation still under way leaves this behind.
struct Completion {
    platform::UniqueHandleKernel done{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    DWORD result = 0, error = 0;
    DWORD available = 0, read = 0;
    std::string body;
    std::vector<char> buffer = std::vector<char>(16384);
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void* information, DWORD) {
    if (status != INTERNET_STATUS_REQUEST_COMPLETE || !context || !information) return;
    auto* completion = reinterpret_cast<Completion*>(context);
    const auto* outcome = static_cast<const INTERNET_ASYNC_RESULT*>(information);
    completion->result = static_cast<DWORD>(outcome->dwResult);
    completion->error = outcome->dwError;
    // Last: from here on the waiting thread may free the completion.
    ::SetEvent(completion->done.Get());
}

// An operation the exchange let go of goes on in WinInet's own worker threads after the handles
// are closed, and may outlive this library's use of WinInet: were WinInet unloaded with this
// library (and loaded again by the next map), such a worker would run on in its code over state
// that is gone. So the first asynchronous session keeps WinInet in the process for good.
void KeepWinInetLoaded() {
    static const bool kept = [] {
        HMODULE module = nullptr;
        return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                    reinterpret_cast<LPCWSTR>(&::InternetOpenW), &module) != FALSE;
    }();
    (void)kept;
}

// A handle closed tells nobody any more of what it still completes.
BOOL WINAPI CloseInternet(HINTERNET handle) {
    ::InternetSetStatusCallbackW(handle, nullptr);
    return ::InternetCloseHandle(handle);
}

using Internet = platform::UniqueHandle<platform::NullHandleTraits<HINTERNET, &CloseInternet>>;

class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : start_(::GetTickCount()), limit_(milliseconds) {}
    DWORD Left() const { return std::max<DWORD>(limit_ - std::min(limit_, ::GetTickCount() - start_), 1); }
    bool Passed(DWORD slack = 0) const { return ::GetTickCount() - start_ + slack >= limit_; }
    // `milliseconds` spent count as none of the time.
    void Exclude(DWORD milliseconds) { start_ += milliseconds; }

private:
    DWORD start_, limit_;
};

bool Stopped(HANDLE stop) { return stop && ::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

// Where credentials belong: the scheme, host and port of an address.
struct Origin {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::wstring host;
    INTERNET_PORT port = 0;
    bool operator==(const Origin& o) const {
        return scheme == o.scheme && port == o.port && _wcsicmp(host.c_str(), o.host.c_str()) == 0;
    }
};

// Whether the request goes (or went) through a proxy, as its handle tells.
bool ViaProxy(HINTERNET request) {
    DWORD flags = 0, size = sizeof flags;
    return ::InternetQueryOptionW(request, INTERNET_OPTION_REQUEST_FLAGS, &flags, &size) &&
           (flags & INTERNET_REQFLAG_VIA_PROXY) != 0;
}

// The send timeout carries the request's mark (see NextRequestMark).
void SetTimeouts(HINTERNET handle, DWORD milliseconds) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
}

// Whether an answer's body follows its head: one announced empty does not, nor a 204 or 304 ever.
bool BodyFollows(HINTERNET request) {
    DWORD status = 0, length = 0, size = sizeof status;
    ::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    size = sizeof length;
    const bool announcedEmpty =
        ::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) && length == 0;
    return status != HTTP_STATUS_NO_CONTENT && status != HTTP_STATUS_NOT_MODIFIED && !announcedEmpty;
}

// One request made: its handles (the request closed first, then its connection) and whether it
// holds an answer not read to its end. Such an answer is let go of unread, unless an operation of
// the request is still under way (the exchange let go of it): that keeps the connection WinInet's
// until the operation ends.
class Attempt {
public:
    explicit Attempt(const bool& abandoned) : abandoned_(abandoned) {}
    ~Attempt() {
        if (answerUnread && !abandoned_) CutConnection(request.Get(), mark);
    }
    Attempt(const Attempt&) = delete;
    Attempt& operator=(const Attempt&) = delete;

    Internet connection, request;
    const DWORD mark = NextRequestMark();
    bool answerUnread = false;

private:
    const bool& abandoned_;
};

// One request's state: its bounds, where it is, and how its failures are told. The session is
// asynchronous, so that no call blocks the calling thread: each one is waited for together with
// the request's stop and its time, and a stop or the end of the time lets go of it at once, the
// server answering or not.
class Exchange {
public:
    Exchange(const HttpRequest& request, const RequestBounds& bounds)
        : request_(request), bounds_(bounds), deadline_(bounds.milliseconds), address_(request.address),
          method_(request.method), completion_(std::make_unique<Completion>()) {
        completion_->body = request.body;
    }
    ~Exchange() {
        if (!abandoned_) return;
        // WinInet may still complete what was let go of, into memory that must stay.
        if (!abandonedRead_) std::vector<char>().swap(completion_->buffer);
        completion_.release();
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    HRESULT Run(HttpAnswer& answer) {
        if (!completion_->done) return TransportFailure();
        KeepWinInetLoaded();
        Internet session(::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC));
        if (!session) return TransportFailure();
        Crack(request_.address, credentialsOrigin_);
        ::InternetSetStatusCallbackW(session.Get(), &OnStatus);
        int proxyTakes = 0;
        bool serverAsked = false;
        for (int redirects = 0;;) {
            Attempt attempt(abandoned_);
            RETURN_IF_FAILED(Send(session.Get(), attempt));
            attempt.answerUnread = BodyFollows(attempt.request.Get());
            const long status = Status(attempt.request.Get());
            if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
                // Only a proxy may ask for the proxy's credentials; a server asking is refused.
                if (!ViaProxy(attempt.request.Get())) {
                    Log(kError, "A server reached without a proxy asks for proxy credentials: none are sent. URL = " +
                                    LoggedAddress(address_));
                } else if (request_.proxyCredentials) {
                    proxiedAddress_ = address_;
                    // What the proxy refused is sent by no request again.
                    if (proxyCredentialsSent_) request_.proxyCredentials->ProxyRefused(proxy_);
                    if (++proxyTakes > kMaxProxyCredentialTakes) return E_ACCESSDENIED;
                    if (TakeProxyCredentials()) continue;
                    return kProxyCredentialsWithheld;
                }
            } else if (status == HTTP_STATUS_DENIED && !request_.user.empty()) {
                if (!sendsServerCredentials_) {
                    Log(kError, "A server asks for credentials given for another server: none are sent. URL = " +
                                    LoggedAddress(address_));
                } else if (!serverAsked) {
                    // WinInet answers the server's question itself where it can; once more is enough.
                    serverAsked = true;
                    continue;
                }
            } else if (IsRedirect(status)) {
                std::wstring target;
                if (Location(attempt.request.Get(), target)) {
                    if (++redirects > bounds_.redirects)
                        return GiveUp(INET_E_REDIRECT_FAILED, "more than " + std::to_string(bounds_.redirects) + " redirects");
                    RETURN_IF_FAILED(Follow(status, target));
                    continue;
                }
            }
            answer.status = status;
            return ReadBody(attempt, answer.body);
        }
    }

private:
    static bool IsRedirect(long status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

    // The parts of `address` and its origin; false when it is no HTTP address.
    static bool Crack(const std::wstring& address, Origin& origin, std::wstring* object = nullptr) {
        wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
        URL_COMPONENTSW parts = {sizeof parts};
        parts.lpszHostName = host;
        parts.dwHostNameLength = ARRAYSIZE(host);
        parts.dwUrlPathLength = 1;
        parts.dwExtraInfoLength = 1;
        if (!::InternetCrackUrlW(address.c_str(), 0, 0, &parts) ||
            (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
            return false;
        origin = {parts.nScheme, host, parts.nPort};
        if (object)
            *object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                      std::wstring(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
        return true;
    }

    HRESULT Send(HINTERNET session, Attempt& attempt) {
        Internet& connection = attempt.connection;
        Internet& request = attempt.request;
        if (Stopped(request_.stop)) return E_ABORT;
        if (deadline_.Passed()) return TimeRanOut();
        // Whatever an address came from, it never writes lines of its own into the request.
        if (HoldsControlCharacter(address_))
            return GiveUp(INET_E_INVALID_URL, "an address holding a control character");
        Origin origin;
        std::wstring object;
        if (!Crack(address_, origin, &object)) return INET_E_UNKNOWN_PROTOCOL;
        connection.Reset(::InternetConnectW(session, origin.host.c_str(), origin.port, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, Context()));
        if (!connection) return TransportFailure();
        // Credentials go only where they belong: the server's to the origin they were given for,
        // the proxy's to a proxy.
        sendsServerCredentials_ = !request_.user.empty() && origin == credentialsOrigin_;
        const DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                            INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                            (origin.scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
        auto open = [&](DWORD more) {
            request.Reset(::HttpOpenRequestW(connection.Get(), method_.c_str(), object.empty() ? L"/" : object.c_str(),
                                             nullptr, nullptr, nullptr, flags | more, Context()));
            return static_cast<bool>(request);
        };
        if (!open(0)) return TransportFailure();
        const bool viaProxy = ViaProxy(request.Get()) || (!proxiedAddress_.empty() && address_ == proxiedAddress_);
        // WinInet answers a server's demand for credentials with the proxy credentials the
        // session holds, or with those it cached for the host: a request that has no credentials
        // of its own for where it goes answers no such demand.
        if (!viaProxy && !sendsServerCredentials_ && !open(INTERNET_FLAG_NO_AUTH)) return TransportFailure();
        SetTimeouts(request.Get(), deadline_.Left());
        DWORD mark = attempt.mark;
        ::InternetSetOptionW(request.Get(), INTERNET_OPTION_SEND_TIMEOUT, &mark, sizeof mark);
        if (sendsServerCredentials_)
            SetCredentials(request.Get(), INTERNET_OPTION_USERNAME, INTERNET_OPTION_PASSWORD, request_.user,
                           request_.password);
        proxyCredentialsSent_ = viaProxy && !proxy_.user.empty();
        if (proxyCredentialsSent_)
            SetCredentials(request.Get(), INTERNET_OPTION_PROXY_USERNAME, INTERNET_OPTION_PROXY_PASSWORD, proxy_.user,
                           proxy_.password);
        for (const auto& header : request_.headers) {
            // WinInet writes the length of the body it sends itself.
            if (_wcsicmp(header.first.c_str(), L"Content-Length") == 0) continue;
            const std::wstring line = header.first + L": " + header.second;
            ::HttpAddRequestHeadersW(request.Get(), line.c_str(), static_cast<DWORD>(line.size()),
                                     HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
        }
        std::string& sent = completion_->body;
        void* body = sendsBody_ && !sent.empty() ? &sent[0] : nullptr;
        if (!Await([&] { return ::HttpSendRequestW(request.Get(), nullptr, 0, body, body ? static_cast<DWORD>(sent.size()) : 0); }))
            return TransportFailure();
        return S_OK;
    }

    static void SetCredentials(HINTERNET request, DWORD userOption, DWORD passwordOption, const std::wstring& user,
                               const std::wstring& password) {
        if (user.empty()) return;
        ::InternetSetOptionW(request, userOption, const_cast<wchar_t*>(user.c_str()), static_cast<DWORD>(user.size()));
        ::InternetSetOptionW(request, passwordOption, const_cast<wchar_t*>(password.c_str()),
                             static_cast<DWORD>(password.size()));
    }

    static long Status(HINTERNET request) {
        DWORD status = 0, size = sizeof status;
        ::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        return static_cast<long>(status);
    }

    static bool Location(HINTERNET request, std::wstring& location) {
        DWORD size = 0;
        if (::HttpQueryInfoW(request, HTTP_QUERY_LOCATION, nullptr, &size, nullptr) ||
            ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
            return false;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        if (!::HttpQueryInfoW(request, HTTP_QUERY_LOCATION, &text[0], &size, nullptr)) return false;
        text.resize(size / sizeof(wchar_t));
        location = text;
        return !location.empty();
    }

    // The next address, against the current one; 303, and 301 or 302 after a POST, go on with GET.
    HRESULT Follow(long status, const std::wstring& location) {
        if (HoldsControlCharacter(location))
            return GiveUp(INET_E_INVALID_URL, "a redirect to an address holding a control character");
        std::wstring next(kMaxRedirectAddress + 1, L'\0');
        DWORD length = static_cast<DWORD>(next.size());
        if (location.size() > kMaxRedirectAddress ||
            !::InternetCombineUrlW(address_.c_str(), location.c_str(), &next[0], &length, ICU_NO_ENCODE) ||
            length > kMaxRedirectAddress)
            return GiveUp(INET_E_INVALID_URL,
                          "a redirect to an address of more than " + std::to_string(kMaxRedirectAddress) + " characters");
        next.resize(length);
        address_ = next;
        if (status == 303 || ((status == 301 || status == 302) && _wcsicmp(method_.c_str(), L"GET") != 0)) {
            method_ = L"GET";
            sendsBody_ = false;
        }
        return S_OK;
    }

    // Asks the holder of the proxy credentials; true when there are some to send.
    bool TakeProxyCredentials() {
        const DWORD asked = ::GetTickCount();
        ProxyCredentials taken;
        const bool given = request_.proxyCredentials->TakeProxyCredentials(request_.askFrom, taken);
        // The time the user took to answer is none of the exchange's.
        deadline_.Exclude(::GetTickCount() - asked);
        if (!given || taken.user.empty()) return false;
        proxy_ = taken;
        return true;
    }

    // The body, to the end the server gave it: one shorter than its announced length was cut off
    // on the way and is no answer. One refused or given up is left unread.
    HRESULT ReadBody(Attempt& attempt, std::string& body) {
        HINTERNET request = attempt.request.Get();
        DWORD announced = 0, size = sizeof announced;
        const bool hasLength =
            ::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, nullptr) != FALSE;
        if (hasLength && announced > bounds_.bytes) return TooLarge();
        body.clear();
        for (;;) {
            if (Stopped(request_.stop)) return E_ABORT;
            if (deadline_.Passed()) return TimeRanOut();
            SetTimeouts(request, deadline_.Left());
            DWORD available = 0;
            if (!QueryAvailable(request, available)) return ReadFailure(attempt);
            if (available == 0) break;
            if (body.size() + available > bounds_.bytes) return TooLarge();
            std::vector<char>& buffer = completion_->buffer;
            DWORD& read = completion_->read;
            const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer.size()));
            if (!Await([&] { return ::InternetReadFile(request, buffer.data(), wanted, &read); }, true))
                return ReadFailure(attempt);
            if (read == 0) break;
            body.append(buffer.data(), read);
        }
        attempt.answerUnread = false;
        if (hasLength && body.size() < announced)
            return GiveUp(INET_E_DATA_NOT_AVAILABLE, "an answer that ended after " + std::to_string(body.size()) + " of the " +
                                                         std::to_string(announced) + " bytes it announced");
        return S_OK;
    }

    // How many bytes can be read without waiting; 0 at the end of the body.
    bool QueryAvailable(HINTERNET request, DWORD& available) {
        DWORD& count = completion_->available;
        auto query = [&] { return ::InternetQueryDataAvailable(request, &count, 0, 0); };
        count = 0;
        bool waited = false;
        if (!Await(query, false, &waited)) return false;
        // Once the data came, the count is asked again: a call that needs no wait gives it
        // whatever the completion told.
        if (waited && !Await(query)) return false;
        available = count;
        return true;
    }

    DWORD_PTR Context() const { return reinterpret_cast<DWORD_PTR>(completion_.get()); }

    // Runs `call`, a WinInet call on the asynchronous session, and waits until it completed, the
    // stop was set or the time ran out; false, with the error as the thread's last error, when it
    // did not succeed. What is let go of before it completed is left to WinInet (see ~Exchange).
    template <class Call>
    bool Await(Call call, bool reads = false, bool* waited = nullptr) {
        ::ResetEvent(completion_->done.Get());
        if (call()) return true;
        if (::GetLastError() != ERROR_IO_PENDING) return false;
        if (waited) *waited = true;
        const HANDLE wakers[] = {completion_->done.Get(), request_.stop};
        const DWORD woke = ::WaitForMultipleObjects(request_.stop ? 2 : 1, wakers, FALSE, deadline_.Left());
        if (woke == WAIT_OBJECT_0) {
            ::SetLastError(completion_->error);
            return completion_->result != 0;
        }
        abandoned_ = true;
        abandonedRead_ = abandonedRead_ || reads;
        ::SetLastError(woke == WAIT_OBJECT_0 + 1 ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INTERNET_TIMEOUT);
        return false;
    }

    // A read that failed took the answer's connection with it.
    HRESULT ReadFailure(Attempt& attempt) {
        attempt.answerUnread = false;
        return TransportFailure();
    }
    HRESULT TransportFailure() {
        const DWORD error = ::GetLastError();
        if (Stopped(request_.stop)) return E_ABORT;
        if (error == ERROR_INTERNET_TIMEOUT || deadline_.Passed(kTimeSlack)) return TimeRanOut();
        return HRESULT_FROM_WIN32(error ? error : ERROR_INTERNET_INTERNAL_ERROR);
    }
    HRESULT TimeRanOut() {
        return GiveUp(INET_E_CONNECTION_TIMEOUT, "no answer within " + std::to_string(bounds_.milliseconds) + " ms");
    }
    HRESULT TooLarge() {
        return GiveUp(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE),
                      "an answer of more than " + std::to_string(bounds_.bytes) + " bytes");
    }
    HRESULT GiveUp(HRESULT hr, const std::string& why) {
        Log(kError, "Request given up: " + why + ". URL = " + LoggedAddress(request_.address));
        return hr;
    }

    const HttpRequest& request_;
    const RequestBounds bounds_;
    Deadline deadline_;
    std::wstring address_, method_;
    bool sendsBody_ = true;
    ProxyCredentials proxy_;               // sent to a proxy from the first time one asked
    bool proxyCredentialsSent_ = false;    // the request in flight carries them
    Origin credentialsOrigin_;             // of the address the server's credentials were given for
    bool sendsServerCredentials_ = false;  // the request in flight carries them
    std::wstring proxiedAddress_;          // the address a proxy asked credentials for
    std::unique_ptr<Completion> completion_;
    bool abandoned_ = false, abandonedRead_ = false;
};

}  // namespace

HRESULT SendHttpRequest(const HttpRequest& request, const RequestBounds& bounds, HttpAnswer& answer) {
    answer = HttpAnswer();
    return platform::ResultOf([&] { return Exchange(request, bounds).Run(answer); });
}

}  // namespace imagery
