// The site of one embedded ActiveX control: its client site, in-place site (and with it the window
// the control lives in), control site and the container's ambient properties. One site holds one
// control; a container with several controls has several sites.
#pragma once

#include "platform/ComObject.h"

#include <ocidl.h>
#include <oleidl.h>

#include <string>

namespace platform {

class ControlSite
    : public platform::ComObject<ControlSite, IOleClientSite, IOleInPlaceSiteEx,
                                 platform::Also<IOleInPlaceSite, IOleInPlaceSiteEx>,
                                 platform::Also<IOleWindow, IOleInPlaceSiteEx>, IOleControlSite, IDispatch> {
public:
    // `siteWindow` holds the control's window; `frame` (may be null) is handed out by
    // GetWindowContext. The control covers the window's client area unless a position in it is
    // given. `displayName` is the container's ambient display name.
    ControlSite(HWND siteWindow, IOleInPlaceFrame* frame, const wchar_t* displayName = L"VadAZHost",
                const RECT* position = nullptr);

    // The control this site holds (until Detach), asked for its in-place object on activation.
    void AttachControl(IUnknown* control) { control_ = control; }
    // The control's in-place object while it is in-place active (null otherwise).
    IOleInPlaceObject* InPlaceObject() const noexcept { return inPlaceObject_.Get(); }
    bool IsInPlaceActive() const noexcept { return inPlaceActive_; }
    // Drops what the site holds of the control, so that no reference cycle outlives the container.
    void Detach() noexcept;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceSiteEx: the site never redraws under the control, so no flag changes anything.
    STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL noRedraw) override;
    STDMETHODIMP RequestUIActivate() override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL lock) override;
    STDMETHODIMP GetExtendedControl(IDispatch** control) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD modifiers) override;
    STDMETHODIMP OnFocus(BOOL gotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;

    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    RECT Position() const;

    HWND siteWindow_;
    std::wstring displayName_;
    RECT position_ = {};
    bool hasPosition_ = false;
    platform::ComPtr<IOleInPlaceFrame> frame_;
    platform::ComPtr<IUnknown> control_;
    platform::ComPtr<IOleInPlaceObject> inPlaceObject_;
    bool inPlaceActive_ = false;
};

}  // namespace platform
