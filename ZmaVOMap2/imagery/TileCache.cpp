#include "ZmaVOMap2/imagery/TileCache.h"

#include "platform/ComObject.h"

#include <urlmon.h>
#include <wininet.h>

#include <vector>

namespace imagery {

namespace {

// One download's status: the HTTP answer it got. A server's error page comes back as a
// successful download, so the status decides whether a tile arrived. Questions for credentials
// go to the object that holds them.
class TileDownloadStatus : public platform::ComObject<TileDownloadStatus, IBindStatusCallback, IHttpNegotiate> {
public:
    explicit TileDownloadStatus(IUnknown* credentials) noexcept : credentials_(credentials) {}

    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (credentials_ && IsEqualIID(iid, IID_IAuthenticate)) return credentials_->QueryInterface(iid, out);
        return InternalQueryInterface(iid, out);
    }

    // IBindStatusCallback: the download runs to its end without our help.
    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    // IHttpNegotiate
    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override {
        if (additionalHeaders) *additionalHeaders = nullptr;
        return S_OK;
    }
    STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) override {
        status_ = code;
        if (additionalHeaders) *additionalHeaders = nullptr;
        return S_OK;
    }

    // 0 when no HTTP answer was seen (a protocol other than HTTP).
    DWORD Status() const noexcept { return status_; }

private:
    platform::ComPtr<IUnknown> credentials_;
    DWORD status_ = 0;
};

}  // namespace

bool FindCachedTile(const std::wstring& address, std::wstring& cacheFile) {
    DWORD size = 0;
    if (::GetUrlCacheEntryInfoW(address.c_str(), nullptr, &size) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        size < sizeof(INTERNET_CACHE_ENTRY_INFOW))
        return false;
    std::vector<unsigned char> buffer(size);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    entry->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
    if (!::GetUrlCacheEntryInfoW(address.c_str(), entry, &size) || !entry->lpszLocalFileName) return false;
    cacheFile = entry->lpszLocalFileName;
    // An entry whose file went away holds no tile.
    return !cacheFile.empty() && ::GetFileAttributesW(cacheFile.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HRESULT DownloadTileToCache(const std::wstring& address, std::wstring& cacheFile, IUnknown* credentials) {
    platform::ComPtr<TileDownloadStatus> status = platform::MakeObject<TileDownloadStatus>(credentials);
    wchar_t file[MAX_PATH] = {};
    HRESULT hr = ::URLDownloadToCacheFileW(nullptr, address.c_str(), file, MAX_PATH, 0, status.Get());
    if (FAILED(hr)) return hr;
    const DWORD code = status->Status();
    if (code != 0 && code != HTTP_STATUS_OK) {
        ::DeleteUrlCacheEntryW(address.c_str());
        return INET_E_DOWNLOAD_FAILURE;
    }
    cacheFile = file;
    return S_OK;
}

}  // namespace imagery
