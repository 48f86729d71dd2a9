#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"

#include "ZmaVOMap2/imagery/ProxyCredentialsDlg.h"
#include "platform/Result.h"

#include <objbase.h>

namespace imagery {

namespace {

// The longest user name or password handed out, in characters.
constexpr size_t kMaxCredential = 255;

// A CoTaskMemAlloc'd wide copy of `text`, which the caller frees; null when it cannot be made.
LPWSTR TaskMemCopy(const std::string& text) {
    auto* copy = static_cast<LPWSTR>(::CoTaskMemAlloc((kMaxCredential + 1) * sizeof(wchar_t)));
    if (!copy) return nullptr;
    const int written = text.empty() ? 0
                                     : ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                             copy, static_cast<int>(kMaxCredential));
    copy[written > 0 ? written : 0] = L'\0';
    return copy;
}

}  // namespace

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
        GetCredentials(::GetActiveWindow());
        std::string heldUser, heldPassword;
        Credentials(heldUser, heldPassword);
        if (heldUser.empty() || heldUser.size() >= kMaxCredential || heldPassword.size() >= kMaxCredential)
            return E_ACCESSDENIED;
        *user = TaskMemCopy(heldUser);
        *password = TaskMemCopy(heldPassword);
        if (*user && *password) return S_OK;
    }
    CATCH_SWALLOW("credentials that cannot be had are answered as refused");
    ::CoTaskMemFree(*user);
    ::CoTaskMemFree(*password);
    *user = *password = nullptr;
    return E_ACCESSDENIED;
}

bool CDownloadStatusCallback::GetCredentials(HWND owner) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!user_.empty()) return true;
    }
    if (!owner || ::GetWindowThreadProcessId(owner, nullptr) != ::GetCurrentThreadId()) return false;
    CProxyCredentialsDlg dialog;
    if (dialog.DoModal(owner) != IDOK) return false;
    std::lock_guard<std::mutex> guard(lock_);
    user_ = dialog.UserName();
    password_ = dialog.Password();
    return true;
}

void CDownloadStatusCallback::Credentials(std::string& user, std::string& password) const {
    std::lock_guard<std::mutex> guard(lock_);
    user = user_;
    password = password_;
}

void CDownloadStatusCallback::ClearCredentials() {
    std::lock_guard<std::mutex> guard(lock_);
    user_.clear();
    password_.clear();
}

CDownloadStatusCallback& DownloadStatusCallback() {
    static CDownloadStatusCallback callback;
    return callback;
}

}  // namespace imagery
