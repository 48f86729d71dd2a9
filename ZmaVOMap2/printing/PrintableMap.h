// What a print job needs of the map control it prints: the engine map, where the map lies on the
// printed page, the reset of the view-change handling around the print's view changes, the hold
// that keeps those changes the print's own, and whether the scale block is shown. The control
// answers this interface from QueryInterface; the job asks the map view object it was given for
// it when it draws a page.
#pragma once

#include <windows.h>
#include <oaidl.h>

struct IPrintableMap : public IUnknown {
    // The engine's map object (a reference added).
    virtual HRESULT STDMETHODCALLTYPE get_MapX(IDispatch** map) = 0;
    // The map's top-left corner on the printed page, in 0.01 mm from the corner of the printable
    // area (y downwards): the control's own layers are drawn from there.
    virtual HRESULT STDMETHODCALLTYPE SetDisplayOrigin(LONG x, LONG y) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetViewChangeStage() = 0;
    // Between HoldView(TRUE) and HoldView(FALSE) a page is printed: the engine's view changes are
    // the print's (the control neither snaps them to the imagery's tile levels nor takes them for
    // the user's views), and the display origin places the control's own layers on the page.
    virtual HRESULT STDMETHODCALLTYPE HoldView(BOOL hold) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ScaleVisible(VARIANT_BOOL* visible) = 0;
};
__CRT_UUID_DECL(IPrintableMap, 0x913413d6, 0x95c0, 0x489a, 0x89, 0xae, 0x7c, 0xe1, 0x4b, 0x3a, 0xe5, 0x40)
