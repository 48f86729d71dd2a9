#include "tests/support/TestSite.h"

#include <ocidl.h>

namespace testsupport {

TestSite::TestSite(int width, int height) : rect_{0, 0, width, height} {
    window_ = ::CreateWindowExW(0, L"STATIC", L"test site", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr,
                                nullptr, nullptr, nullptr);
}

TestSite::~TestSite() {
    if (window_) ::DestroyWindow(window_);
}

STDMETHODIMP TestSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestSite::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP TestSite::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = window_;
    return S_OK;
}

STDMETHODIMP TestSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                        LPOLEINPLACEFRAMEINFO info) {
    if (frame) {
        *frame = this;
        AddRef();
    }
    if (doc) *doc = nullptr;
    if (pos) *pos = rect_;
    if (clip) *clip = rect_;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT ActivateInPlace(IUnknown* control, TestSite& site, IStream* saved, const std::function<void()>& beforeActivation) {
    platform::ComPtr<IOleObject> ole;
    platform::ComPtr<IPersistStreamInit> persist;
    RECT r = site.Rect();
    // Every step runs while the ones before succeeded; the first answer other than S_OK is told.
    HRESULT told = S_OK;
    auto step = [&told](HRESULT hr) {
        if (told == S_OK) told = hr;
        return SUCCEEDED(hr);
    };
    const bool loaded = step(control->QueryInterface(IID_IOleObject, ole.PutVoid())) &&
                        step(control->QueryInterface(IID_IPersistStreamInit, persist.PutVoid())) &&
                        step(ole->SetClientSite(&site)) && step(saved ? persist->Load(saved) : persist->InitNew());
    if (!loaded) return told;
    if (beforeActivation) beforeActivation();
    step(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window(), &r));
    return told;
}

void CloseInPlace(IUnknown* control) {
    platform::ComPtr<IOleObject> ole;
    if (FAILED(control->QueryInterface(IID_IOleObject, ole.PutVoid()))) return;
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

STDMETHODIMP WindowlessSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP WindowlessSite::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace testsupport
