// A small OLE container site for tests: a real (hidden) window that a control activates in place
// in, as a host's form would give it.
#pragma once

#include "platform/ComObject.h"

#include <ole2.h>
#include <oleidl.h>

#include <functional>

namespace testsupport {

class TestSite : public platform::ComObject<TestSite, IOleClientSite, IOleInPlaceSite,
                                            platform::Also<IOleWindow, IOleInPlaceSite>, IOleInPlaceFrame,
                                            platform::Also<IOleInPlaceUIWindow, IOleInPlaceFrame>> {
public:
    TestSite(int width = 400, int height = 300);
    ~TestSite() override;

    HWND Window() const noexcept { return window_; }
    RECT Rect() const noexcept { return rect_; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND window_ = nullptr;
    RECT rect_;
};

// Embeds `control` in `site` as a host's form does: its client site, InitNew (or the settings the
// form kept, loaded from `saved`), then active in place in the site's window; `beforeActivation`
// runs before that last step, as a container that draws the control before it activates it.
// Answers the first answer other than S_OK (a failure ends it).
HRESULT ActivateInPlace(IUnknown* control, TestSite& site, IStream* saved = nullptr,
                        const std::function<void()>& beforeActivation = {});
// Closes an embedded control without saving and takes its site away.
void CloseInPlace(IUnknown* control);

// A client site without a window interface.
class WindowlessSite : public platform::ComObject<WindowlessSite, IOleClientSite> {
public:
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
};

}  // namespace testsupport
