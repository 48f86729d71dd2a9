#include "tests/support/ScriptHost.h"

#include "platform/Com.h"
#include "platform/ComObject.h"

#include <activscp.h>

#include <cwchar>

using platform::ComPtr;

namespace testsupport {

namespace {

class ScriptSite : public platform::ComObject<ScriptSite, IActiveScriptSite> {
public:
    static constexpr bool kLocksModule = false;

    explicit ScriptSite(const ScriptObjects& objects) : objects_(objects) {}

    STDMETHODIMP GetLCID(LCID* lcid) override {
        *lcid = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override {
        if (info) *info = nullptr;
        if (item) *item = nullptr;
        for (const auto& object : objects_) {
            if (::lstrcmpiW(object.first.c_str(), name) != 0) continue;
            if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
                *item = object.second;
                object.second->AddRef();
            }
            if ((mask & SCRIPTINFO_ITYPEINFO) && info) object.second->GetTypeInfo(0, 0, info);
            return S_OK;
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    STDMETHODIMP GetDocVersionString(BSTR* version) override {
        *version = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* scriptError) override {
        EXCEPINFO info = {};
        ULONG line = 0;
        LONG column = 0;
        DWORD context = 0;
        if (SUCCEEDED(scriptError->GetExceptionInfo(&info))) {
            if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
            scriptError->GetSourcePosition(&context, &line, &column);
            wchar_t code[16];
            std::swprintf(code, 16, L"%08lX", static_cast<unsigned long>(info.scode));
            error = L"line " + std::to_wstring(line + 1) + L": 0x" + code + L" " +
                    (info.bstrDescription ? info.bstrDescription : L"");
            failure = FAILED(info.scode) ? info.scode : E_FAIL;
            ::SysFreeString(info.bstrSource);
            ::SysFreeString(info.bstrDescription);
            ::SysFreeString(info.bstrHelpFile);
        }
        return S_OK;
    }
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

    std::wstring error;
    HRESULT failure = S_OK;

private:
    ScriptObjects objects_;
};

}  // namespace

HRESULT RunScript(const wchar_t* language, const std::wstring& code, const ScriptObjects& objects,
                  std::wstring* error) {
    CLSID engineClass;
    HRESULT hr = ::CLSIDFromProgID(language, &engineClass);
    if (FAILED(hr)) return hr;
    ComPtr<IActiveScript> engine;
    hr = ::CoCreateInstance(engineClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript), engine.PutVoid());
    if (FAILED(hr)) return hr;
    ComPtr<IActiveScriptParse> parser;
    hr = engine->QueryInterface(__uuidof(IActiveScriptParse), parser.PutVoid());
    if (FAILED(hr)) return hr;
    ComPtr<ScriptSite> site = platform::MakeObject<ScriptSite>(objects);
    if (FAILED(hr = engine->SetScriptSite(site.Get())) || FAILED(hr = parser->InitNew())) return hr;
    for (const auto& object : objects)
        if (FAILED(hr = engine->AddNamedItem(object.first.c_str(), SCRIPTITEM_ISVISIBLE))) return hr;
    EXCEPINFO exception = {};
    hr = parser->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE, nullptr,
                                 &exception);
    if (SUCCEEDED(hr)) hr = engine->SetScriptState(SCRIPTSTATE_CONNECTED);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    engine->Close();
    if (error) *error = site->error;
    if (FAILED(site->failure)) return site->failure;
    return hr;
}

}  // namespace testsupport
