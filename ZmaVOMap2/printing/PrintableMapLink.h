// The map a print job draws, reached without keeping the map alive. A job that outlives a call
// (the one a preview window shows) would otherwise hold the control that holds the window. The
// control detaches the link when it goes; the map then answers E_UNEXPECTED and a page shows an
// empty map frame. The link answers IViewObjectEx only so that a job accepts it as a map view;
// the job draws the map through IPrintableMap.
#pragma once

#include "ZmaVOMap2/printing/PrintableMap.h"
#include "platform/ComObject.h"

#include <ocidl.h>

class PrintableMapLink
    : public platform::ComObject<PrintableMapLink, IViewObjectEx, platform::Also<IViewObject2, IViewObjectEx>,
                                 platform::Also<IViewObject, IViewObjectEx>, IPrintableMap> {
public:
    // `map` is not referenced.
    explicit PrintableMapLink(IPrintableMap* map) noexcept : map_(map) {}
    void Detach() noexcept { map_ = nullptr; }

    // IPrintableMap, forwarded while attached.
    STDMETHODIMP get_MapX(IDispatch** map) override;
    STDMETHODIMP SetDisplayOrigin(LONG x, LONG y) override;
    STDMETHODIMP ResetViewChangeStage() override;
    STDMETHODIMP HoldView(BOOL hold) override;
    STDMETHODIMP get_ScaleVisible(VARIANT_BOOL* visible) override;

    // IViewObjectEx: not a view of its own.
    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                      ULONG_PTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL) override { return E_NOTIMPL; }
    STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryHitPoint(DWORD, LPCRECT, POINT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override { return E_NOTIMPL; }

private:
    IPrintableMap* map_;
};
