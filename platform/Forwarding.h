// Interfaces an object answers by handing each call to an inner object it contains (an engine's
// embedding and view interfaces, say). One rule for every forwarded member: a missing inner
// object answers the interface's own "missing" code, and the inner object's answer, error
// information included, is the caller's. The outer class overrides only the members it adds
// work to.
//
//   class Outer : public ComObject<Outer, ForwardedOleObject<Outer>, ...> {
//       IOleObject* ForwardedOleTarget() noexcept;     // may be null
//       STDMETHODIMP DoVerb(...) override;             // a member with work of its own
//   };
#pragma once

#include "platform/ComObject.h"
#include "platform/Result.h"

#include <ocidl.h>
#include <oleidl.h>

namespace platform {

// Runs `call` on `target`: `missing` when there is none, else its answer passed on as the
// caller's own (its error information stays).
template <class I, class Call>
HRESULT ForwardTo(I* target, HRESULT missing, Call&& call) noexcept {
    COM_TRY {
        if (!target) return missing;
        return PassFailure(call(*target));
    }
    COM_CATCH_RETURN();
}

// IOleObject: an object without its inner embedding object answers E_POINTER.
template <class Derived>
class ForwardedOleObject : public IOleObject {
public:
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        return Forward([&](IOleObject& o) { return o.SetClientSite(site); });
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        return Forward([&](IOleObject& o) { return o.GetClientSite(site); });
    }
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override {
        return Forward([&](IOleObject& o) { return o.SetHostNames(app, object); });
    }
    STDMETHODIMP Close(DWORD saveOption) override { return Forward([&](IOleObject& o) { return o.Close(saveOption); }); }
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override {
        return Forward([&](IOleObject& o) { return o.SetMoniker(which, moniker); });
    }
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override {
        return Forward([&](IOleObject& o) { return o.GetMoniker(assign, which, moniker); });
    }
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override {
        return Forward([&](IOleObject& o) { return o.InitFromData(data, creation, reserved); });
    }
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override {
        return Forward([&](IOleObject& o) { return o.GetClipboardData(reserved, data); });
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent, LPCRECT rect) override {
        return Forward([&](IOleObject& o) { return o.DoVerb(verb, msg, site, index, parent, rect); });
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override { return Forward([&](IOleObject& o) { return o.EnumVerbs(verbs); }); }
    STDMETHODIMP Update() override { return Forward([](IOleObject& o) { return o.Update(); }); }
    STDMETHODIMP IsUpToDate() override { return Forward([](IOleObject& o) { return o.IsUpToDate(); }); }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override {
        return Forward([&](IOleObject& o) { return o.GetUserClassID(clsid); });
    }
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override {
        return Forward([&](IOleObject& o) { return o.GetUserType(form, type); });
    }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
        return Forward([&](IOleObject& o) { return o.SetExtent(aspect, size); });
    }
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
        return Forward([&](IOleObject& o) { return o.GetExtent(aspect, size); });
    }
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override {
        return Forward([&](IOleObject& o) { return o.Advise(sink, connection); });
    }
    STDMETHODIMP Unadvise(DWORD connection) override { return Forward([&](IOleObject& o) { return o.Unadvise(connection); }); }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override {
        return Forward([&](IOleObject& o) { return o.EnumAdvise(advise); });
    }
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override {
        return Forward([&](IOleObject& o) { return o.GetMiscStatus(aspect, status); });
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override {
        return Forward([&](IOleObject& o) { return o.SetColorScheme(palette); });
    }

protected:
    template <class Call>
    HRESULT Forward(Call&& call) noexcept {
        return ForwardTo(static_cast<Derived*>(this)->ForwardedOleTarget(), E_POINTER, call);
    }
};

// IViewObjectEx (with IViewObject and IViewObject2): a view is optional, so an object without
// an inner view answers E_NOTIMPL.
template <class Derived>
class ForwardedViewObject : public IViewObjectEx {
public:
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC, HDC drawDC,
                      LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contValue) override {
        return Forward([&](IViewObjectEx& v) {
            return v.Draw(aspect, index, aspectInfo, device, targetDC, drawDC, bounds, metafileBounds, cont, contValue);
        });
    }
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC infoDC,
                             LOGPALETTE** colorSet) override {
        return Forward([&](IViewObjectEx& v) { return v.GetColorSet(aspect, index, aspectInfo, device, infoDC, colorSet); });
    }
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override {
        return Forward([&](IViewObjectEx& v) { return v.Freeze(aspect, index, aspectInfo, freeze); });
    }
    STDMETHODIMP Unfreeze(DWORD freeze) override { return Forward([&](IViewObjectEx& v) { return v.Unfreeze(freeze); }); }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override {
        return Forward([&](IViewObjectEx& v) { return v.SetAdvise(aspects, flags, sink); });
    }
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
        return Forward([&](IViewObjectEx& v) { return v.GetAdvise(aspects, flags, sink); });
    }
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override {
        return Forward([&](IViewObjectEx& v) { return v.GetExtent(aspect, index, device, size); });
    }
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override {
        return Forward([&](IViewObjectEx& v) { return v.GetRect(aspect, rect); });
    }
    STDMETHODIMP GetViewStatus(DWORD* status) override {
        return Forward([&](IViewObjectEx& v) { return v.GetViewStatus(status); });
    }
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint, DWORD* hit) override {
        return Forward([&](IViewObjectEx& v) { return v.QueryHitPoint(aspect, bounds, location, closeHint, hit); });
    }
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint, DWORD* hit) override {
        return Forward([&](IViewObjectEx& v) { return v.QueryHitRect(aspect, bounds, location, closeHint, hit); });
    }
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, HDC infoDC, DVEXTENTINFO* extentInfo,
                                  LPSIZEL size) override {
        return Forward([&](IViewObjectEx& v) { return v.GetNaturalExtent(aspect, index, device, infoDC, extentInfo, size); });
    }

protected:
    template <class Call>
    HRESULT Forward(Call&& call) noexcept {
        return ForwardTo(static_cast<Derived*>(this)->ForwardedViewTarget(), E_NOTIMPL, call);
    }
};

template <class Derived>
struct InterfaceIdOf<ForwardedOleObject<Derived>> {
    static const IID& Get() { return IID_IOleObject; }
};
template <class Derived>
struct InterfaceIdOf<ForwardedViewObject<Derived>> {
    static const IID& Get() { return IID_IViewObjectEx; }
};

}  // namespace platform
