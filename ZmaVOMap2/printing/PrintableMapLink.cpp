#include "ZmaVOMap2/printing/PrintableMapLink.h"

STDMETHODIMP PrintableMapLink::get_MapX(IDispatch** map) {
    if (!map) return E_POINTER;
    *map = nullptr;
    return map_ ? map_->get_MapX(map) : E_UNEXPECTED;
}

STDMETHODIMP PrintableMapLink::SetDisplayOrigin(LONG x, LONG y) {
    return map_ ? map_->SetDisplayOrigin(x, y) : E_UNEXPECTED;
}

STDMETHODIMP PrintableMapLink::ResetViewChangeStage() { return map_ ? map_->ResetViewChangeStage() : E_UNEXPECTED; }

STDMETHODIMP PrintableMapLink::HoldView(BOOL hold) { return map_ ? map_->HoldView(hold) : E_UNEXPECTED; }

STDMETHODIMP PrintableMapLink::get_ScaleVisible(VARIANT_BOOL* visible) {
    if (!visible) return E_POINTER;
    *visible = VARIANT_FALSE;
    return map_ ? map_->get_ScaleVisible(visible) : E_UNEXPECTED;
}
