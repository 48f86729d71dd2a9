// The free-shape members: circles, pies and donut segments over the map, and clearing and
// hiding them. Each checks its geographic and drawing arguments, hands the shape to the shapes
// layer (made on first use) and has the map repainted.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/control/InputValidator.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/shapes/ShapeOperations.h"
#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"
#include "platform/Result.h"

namespace {

// The checks every shape method makes, in this order: position, then the angles of sectors, then
// the opacity of fills.
void ValidateShape(double latitude, double longitude, const double* startAngle = nullptr,
                   const double* endAngle = nullptr, const double* opacity = nullptr) {
    InputValidator validator(CLSID_VadAZ2);
    validator.ValidateLatitude(latitude);
    validator.ValidateLongitude(longitude);
    if (startAngle) validator.ValidateAngle(*startAngle);
    if (endAngle) validator.ValidateAngle(*endAngle);
    if (opacity) validator.ValidateOpacity(*opacity);
}

}  // namespace

HRESULT CZmaVadAZ::RunShapeOperation(const std::function<HRESULT(CZmaVadAZShapesLayer&)>& operation) {
    OperationScope hold(*this);
    CZmaVadAZShapesLayer* layer = GetShapesLayer(RequireLayers());
    const HRESULT result = layer ? operation(*layer) : E_FAIL;
    // The layer's description of a refusal stays for the caller, whatever the repaint leaves.
    const platform::ComError refusal = platform::ComError::FromCall(result);
    RepaintIfUpdating();
    if (FAILED(result)) refusal.Restore();
    return result;
}

STDMETHODIMP CZmaVadAZ::DrawCircle(double latitude, double longitude, VARIANT radius, LONG lineWidth, LONG lineType,
                                   VARIANT lineColor, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddHollowCircle(latitude, longitude, radius, lineWidth, lineType, lineColor, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawFilledCircle(double latitude, double longitude, VARIANT radius, VARIANT fillColor,
                                         double opacity, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, nullptr, nullptr, &opacity);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddFilledCircle(latitude, longitude, radius, fillColor, opacity, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawSpotlightCircle(double latitude, double longitude, VARIANT radius, VARIANT fillColor,
                                            double opacity, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, nullptr, nullptr, &opacity);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddSpotlightCircle(latitude, longitude, radius, fillColor, opacity, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawPie(double latitude, double longitude, VARIANT radius, double startAngle,
                                double endAngle, LONG lineWidth, LONG lineType, VARIANT lineColor, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, &startAngle, &endAngle);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddHollowPie(latitude, longitude, radius, startAngle, endAngle, lineWidth, lineType,
                                      lineColor, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawFilledPie(double latitude, double longitude, VARIANT radius, double startAngle,
                                      double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, &startAngle, &endAngle, &opacity);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddFilledPie(latitude, longitude, radius, startAngle, endAngle, fillColor, opacity, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawSpotlightPie(double latitude, double longitude, VARIANT radius, double startAngle,
                                         double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, &startAngle, &endAngle, &opacity);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddSpotlightPie(latitude, longitude, radius, startAngle, endAngle, fillColor, opacity,
                                         toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawDonutSegment(double latitude, double longitude, VARIANT radius, VARIANT endRadius,
                                         double startAngle, double endAngle, LONG lineWidth, LONG lineType,
                                         VARIANT lineColor, BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, &startAngle, &endAngle);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddHollowDonutSegment(latitude, longitude, radius, endRadius, startAngle, endAngle, lineWidth,
                                               lineType, lineColor, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawFilledDonutSegment(double latitude, double longitude, VARIANT radius, VARIANT endRadius,
                                               double startAngle, double endAngle, VARIANT fillColor, double opacity,
                                               BSTR toolTip) {
    COM_TRY {
        ValidateShape(latitude, longitude, &startAngle, &endAngle, &opacity);
        return RunShapeOperation([&](CZmaVadAZShapesLayer& layer) {
            return layer.AddFilledDonutSegment(latitude, longitude, radius, endRadius, startAngle, endAngle, fillColor,
                                               opacity, toolTip);
        });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearShapes() {
    COM_TRY {
        return RunShapeOperation([](CZmaVadAZShapesLayer& layer) { return layer.ClearShapes(); });
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ToggleShapes(VARIANT_BOOL Visible) {
    COM_TRY {
        return RunShapeOperation([Visible](CZmaVadAZShapesLayer& layer) { return layer.SetVisible(Visible != 0); });
    }
    COM_CATCH_RETURN();
}
