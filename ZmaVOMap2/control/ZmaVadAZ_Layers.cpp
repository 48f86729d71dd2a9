// Layer automation: showing, ordering, refreshing and replacing layers, direction arrows and the
// temporary table.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/direction/ZmaVadAZDirectionLayer.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

namespace {
[[noreturn]] void Refuse(HRESULT hr, const wchar_t* text) { throw platform::ComError(hr, text, L"VadAZ"); }
}  // namespace

STDMETHODIMP CZmaVadAZ::SetVisible(VARIANT_BOOL vbVisible) {
    COM_TRY {
        if (!engine_.Map()) Refuse(E_UNEXPECTED, L"The map engine is missing");
        HWND window = engine_.WindowHandle();
        if (!window) return S_OK;
        // The window's own state: a map inside a hidden form is still shown.
        const VARIANT_BOOL state = (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) ? VARIANT_TRUE : VARIANT_FALSE;
        if (vbVisible == state) return S_OK;
        ::ShowWindow(window, vbVisible == VARIANT_TRUE ? SW_SHOW : SW_HIDE);
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearAnnotations() { return layerWork_.ClearAnnotations(); }

STDMETHODIMP CZmaVadAZ::ShowDirection(VARIANT_BOOL Show) {
    // Building arrows asks the host for the distance field: its handler may release the control
    // or call PreDestroy while the layers are being made.
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        ::ShowDirection(layers, Show == VARIANT_TRUE);
        layers.RefreshMap();
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::IsDirectionShown(VARIANT_BOOL* pbShow) {
    COM_TRY {
        if (!pbShow) Refuse(E_POINTER, L"The output is missing");
        *pbShow = layers_.Require().HasLayerOfType(CZmaVadAZLayer::kTypeDirection) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetLockMapView(VARIANT_BOOL bLockMapView) {
    COM_TRY {
        layers_.Require().SetLockMapView(bLockMapView == VARIANT_TRUE);
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::AddTemporaryTabLayer(BSTR bstrTabPath) { return layerWork_.AddTemporaryTable(bstrTabPath); }

STDMETHODIMP CZmaVadAZ::RemoveTemporaryTabLayer() { return layerWork_.RemoveTemporaryTable(); }

STDMETHODIMP CZmaVadAZ::putref_Attributes(IDispatch* newVal) {
    COM_TRY { return host_.SetAttributes(newVal); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::MoveLayerToTop(BSTR SeriesID) { return layerWork_.MoveToTop(SeriesID); }

STDMETHODIMP CZmaVadAZ::UpdateDataset(BSTR SeriesID, IDispatch* dataset) {
    return layerWork_.ReplaceDataset(SeriesID, dataset);
}

STDMETHODIMP CZmaVadAZ::DisplayBackgroundMapLayerProperties() {
    OperationScope operation(operations_);
    // A failure here is logged and the host hears S_OK: the dialog is the user's business.
    try {
        return ShowBackgroundMapProperties(layers_.Collection(), engine_.Map(), ::GetActiveWindow());
    }
    COM_CATCH_LOG();
    return S_OK;
}
