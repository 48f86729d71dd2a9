// The frame side of in-place activation: the frame window, no menus or tool space to share, the
// status line printed, and the active object kept for keyboard accelerators.
#pragma once

#include "platform/ComObject.h"

#include <oleidl.h>

#include <string>

namespace samplehost {

class InPlaceFrame
    : public platform::ComObject<InPlaceFrame, IOleInPlaceFrame, platform::Also<IOleInPlaceUIWindow, IOleInPlaceFrame>,
                                 platform::Also<IOleWindow, IOleInPlaceFrame>> {
public:
    explicit InPlaceFrame(HWND frameWindow);

    // The object that SetActiveObject named last (null when none); the message loop offers it
    // keystrokes first.
    IOleInPlaceActiveObject* ActiveObject() const noexcept { return activeObject_.Get(); }
    const std::wstring& StatusText() const noexcept { return status_; }
    void Detach() noexcept { activeObject_.Reset(); }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObjectWindow) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;

private:
    HWND frameWindow_;
    platform::ComPtr<IOleInPlaceActiveObject> activeObject_;
    std::wstring status_;
};

}  // namespace samplehost
