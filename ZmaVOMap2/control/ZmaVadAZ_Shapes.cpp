// The free-shape members: circles, pies and donut segments over the map, and clearing and
// hiding them (the work is ShapeMembers').
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"

STDMETHODIMP CZmaVadAZ::DrawCircle(double latitude, double longitude, VARIANT radius, LONG lineWidth, LONG lineType,
                                   VARIANT lineColor, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddHollowCircle(latitude, longitude, radius, lineWidth, lineType, lineColor, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawFilledCircle(double latitude, double longitude, VARIANT radius, VARIANT fillColor,
                                         double opacity, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, nullptr, nullptr, &opacity}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddFilledCircle(latitude, longitude, radius, fillColor, opacity, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawSpotlightCircle(double latitude, double longitude, VARIANT radius, VARIANT fillColor,
                                            double opacity, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, nullptr, nullptr, &opacity}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddSpotlightCircle(latitude, longitude, radius, fillColor, opacity, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawPie(double latitude, double longitude, VARIANT radius, double startAngle,
                                double endAngle, LONG lineWidth, LONG lineType, VARIANT lineColor, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, &startAngle, &endAngle}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddHollowPie(latitude, longitude, radius, startAngle, endAngle, lineWidth, lineType,
                                  lineColor, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawFilledPie(double latitude, double longitude, VARIANT radius, double startAngle,
                                      double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, &startAngle, &endAngle, &opacity}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddFilledPie(latitude, longitude, radius, startAngle, endAngle, fillColor, opacity, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawSpotlightPie(double latitude, double longitude, VARIANT radius, double startAngle,
                                         double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, &startAngle, &endAngle, &opacity}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddSpotlightPie(latitude, longitude, radius, startAngle, endAngle, fillColor, opacity,
                                     toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawDonutSegment(double latitude, double longitude, VARIANT radius, VARIANT endRadius,
                                         double startAngle, double endAngle, LONG lineWidth, LONG lineType,
                                         VARIANT lineColor, BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, &startAngle, &endAngle}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddHollowDonutSegment(latitude, longitude, radius, endRadius, startAngle, endAngle, lineWidth,
                                           lineType, lineColor, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::DrawFilledDonutSegment(double latitude, double longitude, VARIANT radius, VARIANT endRadius,
                                               double startAngle, double endAngle, VARIANT fillColor, double opacity,
                                               BSTR toolTip) {
    return shapes_.Draw({latitude, longitude, &startAngle, &endAngle, &opacity}, [&](CZmaVadAZShapesLayer& layer) {
        return layer.AddFilledDonutSegment(latitude, longitude, radius, endRadius, startAngle, endAngle, fillColor,
                                           opacity, toolTip);
    });
}

STDMETHODIMP CZmaVadAZ::ClearShapes() {
    return shapes_.Run([](CZmaVadAZShapesLayer& layer) { return layer.ClearShapes(); });
}

STDMETHODIMP CZmaVadAZ::ToggleShapes(VARIANT_BOOL Visible) {
    return shapes_.Run([Visible](CZmaVadAZShapesLayer& layer) { return layer.SetVisible(Visible != 0); });
}
