#include "platform/ControlSite.h"

#include "platform/Result.h"

#include <olectl.h>

namespace platform {

namespace {

// HIMETRIC (0.01 mm) and pixels of the screen, per axis.
double PixelsPerHimetric(bool horizontal) {
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, horizontal ? LOGPIXELSX : LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return (dpi > 0 ? dpi : 96) / 2540.0;
}

}  // namespace

ControlSite::ControlSite(HWND siteWindow, IOleInPlaceFrame* frame, const wchar_t* displayName, const RECT* position)
    : siteWindow_(siteWindow), displayName_(displayName ? displayName : L""), frame_(frame) {
    if (position) {
        position_ = *position;
        hasPosition_ = true;
    }
}

RECT ControlSite::Position() const {
    if (hasPosition_) return position_;
    RECT client = {};
    ::GetClientRect(siteWindow_, &client);
    return client;
}

void ControlSite::Detach() noexcept {
    inPlaceObject_.Reset();
    inPlaceActive_ = false;
    control_.Reset();
}

// --- IOleClientSite ---------------------------------------------------------------------------

STDMETHODIMP ControlSite::SaveObject() { return S_OK; }

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::ShowObject() { return S_OK; }
STDMETHODIMP ControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// --- IOleWindow -------------------------------------------------------------------------------

STDMETHODIMP ControlSite::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = siteWindow_;
    return siteWindow_ ? S_OK : E_FAIL;
}

STDMETHODIMP ControlSite::ContextSensitiveHelp(BOOL) { return S_OK; }

// --- IOleInPlaceSite --------------------------------------------------------------------------

STDMETHODIMP ControlSite::CanInPlaceActivate() { return siteWindow_ ? S_OK : S_FALSE; }

STDMETHODIMP ControlSite::OnInPlaceActivate() {
    COM_TRY {
        inPlaceActive_ = true;
        if (control_) control_.As(inPlaceObject_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP ControlSite::OnUIActivate() { return S_OK; }

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                          LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    COM_TRY {
        if (frame) *frame = nullptr;
        if (document) *document = nullptr;
        if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
        frame_.CopyTo(frame);
        *position = Position();
        ::GetClientRect(siteWindow_, clip);
        HWND frameWindow = nullptr;
        if (frame_) frame_->GetWindow(&frameWindow);
        frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = frameWindow;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP ControlSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) { return S_OK; }

STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
    COM_TRY {
        inPlaceObject_.Reset();
        inPlaceActive_ = false;
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP ControlSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP ControlSite::DeactivateAndUndo() { return S_OK; }

STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT position) {
    COM_TRY {
        if (!position) return E_POINTER;
        // The site window does not move for the control: it keeps the size the frame gives it.
        RECT clip = {};
        ::GetClientRect(siteWindow_, &clip);
        if (inPlaceObject_) return inPlaceObject_->SetObjectRects(position, &clip);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- IOleInPlaceSiteEx ------------------------------------------------------------------------

STDMETHODIMP ControlSite::OnInPlaceActivateEx(BOOL* noRedraw, DWORD) {
    if (noRedraw) *noRedraw = FALSE;
    return OnInPlaceActivate();
}

STDMETHODIMP ControlSite::OnInPlaceDeactivateEx(BOOL) { return OnInPlaceDeactivate(); }

STDMETHODIMP ControlSite::RequestUIActivate() { return S_OK; }

// --- IOleControlSite --------------------------------------------------------------------------

STDMETHODIMP ControlSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP ControlSite::LockInPlaceActive(BOOL) { return S_OK; }

STDMETHODIMP ControlSite::GetExtendedControl(IDispatch** control) {
    if (control) *control = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    COM_TRY {
        if (!himetric || !container) return E_POINTER;
        double px = PixelsPerHimetric(true), py = PixelsPerHimetric(false);
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(himetric->x * px);
            container->y = static_cast<float>(himetric->y * py);
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = static_cast<LONG>(container->x / px + (container->x < 0 ? -0.5 : 0.5));
            himetric->y = static_cast<LONG>(container->y / py + (container->y < 0 ? -0.5 : 0.5));
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP ControlSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
STDMETHODIMP ControlSite::OnFocus(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::ShowPropertyFrame() { return E_NOTIMPL; }

// --- IDispatch: ambient properties ------------------------------------------------------------

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                UINT*) {
    COM_TRY {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (!result) return E_POINTER;
        ::VariantInit(result);
        auto boolean = [result](bool value) {
            result->vt = VT_BOOL;
            result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        };
        switch (id) {
        case DISPID_AMBIENT_USERMODE:  // the control runs, it is not being designed
            boolean(true);
            return S_OK;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_MESSAGEREFLECT:
            boolean(false);
            return S_OK;
        case DISPID_AMBIENT_LOCALEID:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(::GetUserDefaultLCID());
            return S_OK;
        case DISPID_AMBIENT_BACKCOLOR:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(::GetSysColor(COLOR_WINDOW));
            return S_OK;
        case DISPID_AMBIENT_FORECOLOR:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(::GetSysColor(COLOR_WINDOWTEXT));
            return S_OK;
        case DISPID_AMBIENT_DISPLAYNAME:
            result->vt = VT_BSTR;
            result->bstrVal = ::SysAllocString(displayName_.c_str());
            return result->bstrVal ? S_OK : E_OUTOFMEMORY;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
    COM_CATCH_RETURN();
}

}  // namespace platform
