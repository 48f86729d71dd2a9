#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"

#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ProxyCredentialsDlg.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <objbase.h>

#include <cstring>

namespace imagery {

namespace {

constexpr int kError = platform::kLogLevelError;
// The longest user name or password handed out, in characters.
constexpr size_t kMaxCredential = 255;

// A CoTaskMemAlloc'd copy of `text`, which the caller frees; null when it cannot be made.
LPWSTR TaskMemCopy(const std::wstring& text) {
    auto* copy = static_cast<LPWSTR>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy) ::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}

}  // namespace

// A slot of the system's thread-local storage runs no code of this library at a thread's exit.
CDownloadStatusCallback::CDownloadStatusCallback() : withheldSlot_(::TlsAlloc()) {}

CDownloadStatusCallback::~CDownloadStatusCallback() {
    if (withheldSlot_ != TLS_OUT_OF_INDEXES) ::TlsFree(withheldSlot_);
}

STDMETHODIMP CDownloadStatusCallback::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
        *out = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(iid, IID_IAuthenticate)) {
        *out = static_cast<IAuthenticate*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CDownloadStatusCallback::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) CDownloadStatusCallback::Release() { return static_cast<ULONG>(::InterlockedDecrement(&refs_)); }

STDMETHODIMP CDownloadStatusCallback::Authenticate(HWND* window, LPWSTR* user, LPWSTR* password) {
    if (!window || !user || !password) return E_INVALIDARG;
    *window = nullptr;
    *user = *password = nullptr;
    try {
        ProxyCredentials held;
        if (!TakeProxyCredentials(::GetActiveWindow(), held)) return E_ACCESSDENIED;
        *user = TaskMemCopy(held.user);
        *password = TaskMemCopy(held.password);
        if (*user && *password) return S_OK;
    }
    CATCH_SWALLOW("credentials that cannot be had are answered as refused");
    ::CoTaskMemFree(*user);
    ::CoTaskMemFree(*password);
    *user = *password = nullptr;
    return E_ACCESSDENIED;
}

bool CDownloadStatusCallback::TakeProxyCredentials(HWND owner, ProxyCredentials& credentials) {
    GetCredentials(owner);
    std::function<void()> observer;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const ProxyCredentials held = {platform::ToWide(user_), platform::ToWide(password_), answer_};
        if (!held.user.empty() && held.user.size() < kMaxCredential && held.password.size() < kMaxCredential) {
            credentials = held;
            return true;
        }
        if (withheldSlot_ != TLS_OUT_OF_INDEXES)
            ::TlsSetValue(withheldSlot_, reinterpret_cast<void*>(static_cast<ULONG_PTR>(chance_)));
        observer = withheldObserver_;
    }
    if (observer) observer();
    return false;
}

void CDownloadStatusCallback::ProxyRefused(const ProxyCredentials& sent) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        // Every request that sent them hears of the refusal; they are forgotten once.
        if (sent.answer != answer_ || user_.empty()) return;
        user_.clear();
        password_.clear();
        ++answer_;
        ++chance_;
    }
    Log(kError, "The proxy server refused the proxy credentials given: they are asked for again");
}

bool CDownloadStatusCallback::GetCredentials(HWND owner) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!user_.empty()) return true;
        // The user's Cancel stands, and a second dialog never opens beside the first.
        if (declined_ || askingThread_) return false;
        if (!owner || ::GetWindowThreadProcessId(owner, nullptr) != ::GetCurrentThreadId()) return false;
        askingThread_ = ::GetCurrentThreadId();
    }
    const DWORD opened = ::GetTickCount();
    CProxyCredentialsDlg dialog;
    const INT_PTR answer = dialog.DoModal(owner);
    std::lock_guard<std::mutex> guard(lock_);
    askingThread_ = 0;
    ++chance_;
    timeAsking_ += ::GetTickCount() - opened;
    if (answer == IDOK) {
        user_ = dialog.UserName();
        password_ = dialog.Password();
        ++answer_;
        return true;
    }
    if (answer == IDCANCEL && !declined_) {
        declined_ = true;
        Log(kError, "Proxy credentials cancelled: nobody is asked again, and what the proxy server refuses is not "
                    "drawn, until the background map's properties are confirmed");
    }
    return false;
}

ProxyCredentials CDownloadStatusCallback::Held() const {
    std::lock_guard<std::mutex> guard(lock_);
    return {platform::ToWide(user_), platform::ToWide(password_), answer_};
}

void CDownloadStatusCallback::ClearCredentials() {
    std::lock_guard<std::mutex> guard(lock_);
    user_.clear();
    password_.clear();
    ++answer_;
    ++chance_;
}

void CDownloadStatusCallback::AskAgainFromNowOn() {
    std::lock_guard<std::mutex> guard(lock_);
    declined_ = false;
    ++chance_;
}

unsigned long CDownloadStatusCallback::Chance() const {
    std::lock_guard<std::mutex> guard(lock_);
    return chance_;
}

unsigned long CDownloadStatusCallback::WithheldAt() const {
    if (withheldSlot_ == TLS_OUT_OF_INDEXES) return Chance();
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(::TlsGetValue(withheldSlot_)));
}

void CDownloadStatusCallback::SetWithheldObserver(std::function<void()> observer) {
    std::lock_guard<std::mutex> guard(lock_);
    withheldObserver_ = std::move(observer);
}

DWORD CDownloadStatusCallback::TimeAskingUser() const {
    std::lock_guard<std::mutex> guard(lock_);
    return timeAsking_;
}

CDownloadStatusCallback& DownloadStatusCallback() {
    static CDownloadStatusCallback callback;
    return callback;
}

}  // namespace imagery
