#include "samples/host/InPlaceFrame.h"

#include "samples/host/Console.h"

namespace samplehost {

InPlaceFrame::InPlaceFrame(HWND frameWindow) : frameWindow_(frameWindow) {}

STDMETHODIMP InPlaceFrame::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = frameWindow_;
    return frameWindow_ ? S_OK : E_FAIL;
}

STDMETHODIMP InPlaceFrame::ContextSensitiveHelp(BOOL) { return S_OK; }

// The frame has no toolbars to give up: the control keeps to the site window.
STDMETHODIMP InPlaceFrame::GetBorder(LPRECT border) {
    if (!border) return E_POINTER;
    ::SetRectEmpty(border);
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP InPlaceFrame::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }

STDMETHODIMP InPlaceFrame::SetBorderSpace(LPCBORDERWIDTHS widths) {
    if (!widths) return S_OK;
    bool none = widths->left == 0 && widths->top == 0 && widths->right == 0 && widths->bottom == 0;
    return none ? S_OK : OLE_E_INVALIDRECT;
}

STDMETHODIMP InPlaceFrame::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    COM_TRY {
        activeObject_ = object;
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// No menu bar: nothing to merge.
STDMETHODIMP InPlaceFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) {
    if (widths) widths->width[0] = widths->width[2] = widths->width[4] = 0;
    return S_OK;
}

STDMETHODIMP InPlaceFrame::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP InPlaceFrame::RemoveMenus(HMENU) { return S_OK; }

STDMETHODIMP InPlaceFrame::SetStatusText(LPCOLESTR text) {
    COM_TRY {
        std::wstring now = text ? text : L"";
        if (now != status_) {
            status_ = now;
            if (!status_.empty()) PrintLine(L"status: " + status_);
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP InPlaceFrame::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP InPlaceFrame::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

}  // namespace samplehost
