// The process's answer when a proxy asks a download or a metadata request for credentials: the
// proxy user name and password the user gave once, kept for the rest of the process and shared
// by the user-interface thread and the download thread (so every access holds a lock). They are
// never logged.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <mutex>
#include <string>

namespace imagery {

class CDownloadStatusCallback : public IBindStatusCallback, public IAuthenticate {
public:
    CDownloadStatusCallback() = default;
    CDownloadStatusCallback(const CDownloadStatusCallback&) = delete;
    CDownloadStatusCallback& operator=(const CDownloadStatusCallback&) = delete;

    // IUnknown of both faces. The object lives as long as the library: Release never frees it.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IBindStatusCallback: a download runs to its end without this object's help.
    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    // IAuthenticate: the held user name and password (asking the user first when none is held and
    // the calling thread has an active window), as CoTaskMemAlloc'd copies; E_ACCESSDENIED with
    // null outputs when there is no user name.
    STDMETHODIMP Authenticate(HWND* window, LPWSTR* user, LPWSTR* password) override;

    // True when a proxy user name is held. Otherwise the user is asked with the credentials
    // dialog owned by `owner`, a window of the calling thread; OK keeps the answer (an empty user
    // name too, so that the dialog comes again next time) and answers true, Cancel answers false.
    // Without such an owner nobody is asked and false is answered: the download thread has no
    // windows, so it never shows the dialog.
    bool GetCredentials(HWND owner);
    // Copies of the held user name and password.
    void Credentials(std::string& user, std::string& password) const;
    // Forgets them, so that the next GetCredentials asks again.
    void ClearCredentials();

private:
    LONG refs_ = 0;
    mutable std::mutex lock_;
    std::string user_, password_;
};

// The one callback of the process, handed to every tile download and used by metadata requests.
CDownloadStatusCallback& DownloadStatusCallback();

}  // namespace imagery
