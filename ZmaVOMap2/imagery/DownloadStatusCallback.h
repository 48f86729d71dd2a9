// The process's answer when a proxy asks a download or a metadata request for credentials: the
// proxy user name and password the user gave, kept for the rest of the process and shared by the
// user-interface thread and the download thread (so every access holds a lock). They are never
// logged.
//
// The user is asked once for what all requests need, not once per request: credentials the proxy
// refuses are forgotten once for all the requests that sent them, and the next request that meets
// the proxy asks again. Cancel is the user's answer: nobody is asked again until the user confirms
// the background map's properties (AskAgainFromNowOn) or the host starts again, and the requests
// that need the proxy go without. One dialog at a time: while it is open, any other request that
// would ask (on another thread, or from another map's frame drawn behind the dialog) goes without.
#pragma once

#include "ZmaVOMap2/imagery/HttpExchange.h"

#include <windows.h>
#include <urlmon.h>

#include <functional>
#include <mutex>
#include <string>

namespace imagery {

class CDownloadStatusCallback : public IBindStatusCallback, public IAuthenticate, public ProxyCredentialSource {
public:
    CDownloadStatusCallback();
    ~CDownloadStatusCallback();
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

    // ProxyCredentialSource: what the requests send a proxy, and what it refused.
    bool TakeProxyCredentials(HWND owner, ProxyCredentials& credentials) override;
    void ProxyRefused(const ProxyCredentials& sent) override;

    // True when a proxy user name is held. Otherwise the user is asked with the credentials
    // dialog owned by `owner`, a window of the calling thread; OK keeps the answer (an empty user
    // name too, so that the dialog comes again next time) and answers true, Cancel answers false
    // and asks nobody again (see above). Without such an owner, after a Cancel, or while the
    // dialog is open, nobody is asked and false is answered: the download thread has no windows,
    // so it never shows the dialog.
    bool GetCredentials(HWND owner);
    // The held user name and password, and which of the user's answers they are.
    ProxyCredentials Held() const;
    // Forgets them, so that the next GetCredentials asks again.
    void ClearCredentials();
    // The user confirmed the imagery settings: a Cancel given before no longer stands.
    void AskAgainFromNowOn();
    // How long the credentials dialog was open in all, in milliseconds: time the user took, which
    // counts against no request or frame.
    DWORD TimeAskingUser() const;
    // Changes whenever a request that went without credentials may now have them: an answer given or
    // forgotten, the dialog closed, the imagery properties confirmed.
    unsigned long Chance() const;
    // The chance at which the calling thread's last request went without credentials. A tile that
    // went without is recorded at it, not at the chance when the request ended: an answer given on
    // another thread meanwhile is a new chance for that tile.
    unsigned long WithheldAt() const;
    // Called on the requesting thread whenever a request goes without credentials, after
    // WithheldAt is taken: tests answer a dialog there, as a user may at that moment. Null: none.
    void SetWithheldObserver(std::function<void()> observer);

private:
    LONG refs_ = 0;
    mutable std::mutex lock_;
    std::string user_, password_;
    unsigned long answer_ = 0;   // counts the answers given and forgotten
    bool declined_ = false;      // the user cancelled the dialog
    DWORD askingThread_ = 0;     // the thread whose dialog is open, 0 when none is
    DWORD timeAsking_ = 0;
    unsigned long chance_ = 0;
    DWORD withheldSlot_;         // each thread's WithheldAt
    std::function<void()> withheldObserver_;
};

// The one callback of the process, handed to every tile download and used by metadata requests.
CDownloadStatusCallback& DownloadStatusCallback();

}  // namespace imagery
