#include "tests/imagery/ProxiedHttpRequest.h"

#include "platform/ClassFactory.h"
#include "platform/Xml.h"

#include <wininet.h>

using platform::Bstr;
using platform::ComPtr;

namespace {
const CLSID kServerXMLHTTP40 = {0x88D969C6, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const IID kXMLHTTPRequest = {0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
const IID kServerXMLHTTPRequest = {0x2E9196BF, 0x13BA, 0x4DD4, {0x91, 0xCA, 0x6C, 0x57, 0x1F, 0x28, 0x14, 0x95}};
const IID kServerXMLHTTPRequest2 = {0x2E01311B, 0xC322, 0x4B0A, {0xBD, 0x77, 0xB9, 0x0C, 0xFD, 0xC8, 0xDC, 0xE7}};
}  // namespace

namespace platform {
template <>
struct InterfaceIdOf<IServerXMLHTTPRequest2> {
    static const IID& Get() { return kServerXMLHTTPRequest2; }
};
}  // namespace platform

namespace imagerytest {

namespace {

struct Internet {
    HINTERNET handle;
    explicit Internet(HINTERNET h) : handle(h) {}
    ~Internet() {
        if (handle) ::InternetCloseHandle(handle);
    }
};

class ProxiedHttpRequest : public platform::ComObject<ProxiedHttpRequest, IServerXMLHTTPRequest2> {
public:
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        // Every version of the interface is answered by the newest, which extends them.
        for (const IID* face : {&IID_IUnknown, &IID_IDispatch, &kXMLHTTPRequest, &kServerXMLHTTPRequest,
                                &kServerXMLHTTPRequest2}) {
            if (IsEqualIID(iid, *face)) {
                *out = static_cast<IServerXMLHTTPRequest2*>(this);
                AddRef();
                return S_OK;
            }
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    STDMETHODIMP open(BSTR method, BSTR url, VARIANT, VARIANT, VARIANT) override {
        method_ = method ? method : L"GET";
        url_ = url ? url : L"";
        return S_OK;
    }
    STDMETHODIMP setRequestHeader(BSTR name, BSTR value) override {
        headers_ += std::wstring(name) + L": " + value + L"\r\n";
        return S_OK;
    }
    STDMETHODIMP getResponseHeader(BSTR, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP getAllResponseHeaders(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP send(VARIANT) override {
        wchar_t host[256] = {}, path[2048] = {};
        URL_COMPONENTSW parts = {sizeof parts};
        parts.lpszHostName = host;
        parts.dwHostNameLength = 256;
        parts.lpszUrlPath = path;
        parts.dwUrlPathLength = 2048;
        if (!::InternetCrackUrlW(url_.c_str(), 0, 0, &parts)) return HRESULT_FROM_WIN32(::GetLastError());
        Internet session(proxy_.empty() ? ::InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                                        : ::InternetOpenW(L"test", INTERNET_OPEN_TYPE_PROXY, proxy_.c_str(), nullptr, 0));
        Internet connection(::InternetConnectW(session.handle, host, parts.nPort, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
        Internet request(::HttpOpenRequestW(connection.handle, method_.c_str(), path, nullptr, nullptr, nullptr,
                                            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
        if (!request.handle) return HRESULT_FROM_WIN32(::GetLastError());
        if (!user_.empty()) {
            ::InternetSetOptionW(request.handle, INTERNET_OPTION_PROXY_USERNAME, &user_[0], static_cast<DWORD>(user_.size()));
            ::InternetSetOptionW(request.handle, INTERNET_OPTION_PROXY_PASSWORD, &password_[0],
                                 static_cast<DWORD>(password_.size()));
        }
        if (!::HttpSendRequestW(request.handle, headers_.empty() ? nullptr : headers_.c_str(), static_cast<DWORD>(-1),
                                nullptr, 0))
            return HRESULT_FROM_WIN32(::GetLastError());
        DWORD status = 0, size = sizeof status;
        ::HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        status_ = static_cast<long>(status);
        response_.clear();
        char buffer[4096];
        DWORD read = 0;
        while (::InternetReadFile(request.handle, buffer, sizeof buffer, &read) && read) response_.append(buffer, read);
        return S_OK;
    }
    STDMETHODIMP abort() override { return S_OK; }
    STDMETHODIMP get_status(__LONG32* status) override {
        *status = status_;
        return S_OK;
    }
    STDMETHODIMP get_statusText(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_responseXML(IDispatch** body) override {
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        VARIANT_BOOL loaded = VARIANT_FALSE;
        document->loadXML(Bstr(platform::ToWide(response_, CP_UTF8)).Get(), &loaded);
        return document->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(body));
    }
    STDMETHODIMP get_responseText(BSTR* body) override {
        *body = Bstr(platform::ToWide(response_, CP_UTF8)).Detach();
        return S_OK;
    }
    STDMETHODIMP get_responseBody(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_responseStream(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_readyState(__LONG32*) override { return E_NOTIMPL; }
    STDMETHODIMP put_onreadystatechange(IDispatch*) override { return E_NOTIMPL; }

    STDMETHODIMP setTimeouts(__LONG32, __LONG32, __LONG32, __LONG32) override { return E_NOTIMPL; }
    STDMETHODIMP waitForResponse(VARIANT, VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP getOption(SERVERXMLHTTP_OPTION, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP setOption(SERVERXMLHTTP_OPTION, VARIANT) override { return E_NOTIMPL; }

    STDMETHODIMP setProxy(SXH_PROXY_SETTING setting, VARIANT server, VARIANT) override {
        if (setting != SXH_PROXY_SET_PROXY || server.vt != VT_BSTR) return E_INVALIDARG;
        proxy_ = server.bstrVal;
        return S_OK;
    }
    STDMETHODIMP setProxyCredentials(BSTR user, BSTR password) override {
        user_ = user ? user : L"";
        password_ = password ? password : L"";
        return S_OK;
    }

private:
    std::wstring method_, url_, headers_, proxy_, user_, password_;
    long status_ = 0;
    std::string response_;
};

}  // namespace

ProxiedHttpRequests::ProxiedHttpRequests() {
    ComPtr<IUnknown> factory;
    platform::CreateDefaultClassObject<ProxiedHttpRequest>(IID_IUnknown, factory.PutVoid());
    ::CoRegisterClassObject(kServerXMLHTTP40, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
}

ProxiedHttpRequests::~ProxiedHttpRequests() { ::CoRevokeClassObject(cookie_); }

}  // namespace imagerytest
