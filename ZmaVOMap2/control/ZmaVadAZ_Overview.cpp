// The overview frame and scale-bar members of the control's automation interface.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/control/InputValidator.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

STDMETHODIMP CZmaVadAZ::SetOverviewRegion(double startLat, double startLong, double endLat, double endLong) {
    COM_TRY {
        InputValidator validator(CLSID_VadAZ2);
        validator.ValidateLatitude(startLat);
        validator.ValidateLongitude(startLong);
        validator.ValidateLatitude(endLat);
        validator.ValidateLongitude(endLong);
        overview_.SetRegion({startLong, startLat, endLong, endLat});
        if (overview_.IsVisible()) view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetCurrentViewAsOverviewRegion() {
    COM_TRY {
        EngineDispatch map(engine_.MapOrThrow());
        // The view rectangle is fetched anew for each edge, as the engine may hand out a new
        // object each time.
        auto edge = [&map](DISPID id) {
            ComPtr<IDispatch> bounds = platform::RequireDispatch(map.Get(Engine::Map::kBounds));
            return EngineDispatch(bounds.Get()).Get(id).ToDouble();
        };
        const double left = edge(Engine::Rectangle::kXMin);
        const double top = edge(Engine::Rectangle::kYMax);
        const double right = edge(Engine::Rectangle::kXMax);
        const double bottom = edge(Engine::Rectangle::kYMin);
        overview_.SetRegion({left, top, right, bottom});
        if (overview_.IsVisible()) view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_OverviewRegionVisible(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = overview_.IsVisible() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_OverviewRegionVisible(VARIANT_BOOL newVal) {
    COM_TRY {
        overview_.SetVisible(newVal != 0);
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_ScaleVisible(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = VARIANT_TRUE;
    *pVal = infoDisplay_.ShowsScaleBar() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
