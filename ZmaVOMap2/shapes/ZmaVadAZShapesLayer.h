// The layer of the host's free shapes (type code 14): circles, pies and donut segments as
// outlines, translucent fills or spotlights, drawn in the order they were added in the first
// pass of every frame, with rollover tooltips and an extent. Shapes are not saved with the map.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/shapes/ShapeInfo.h"

#include <memory>
#include <string>
#include <vector>

class LayerFactory;

// Registers the shapes layer for type code 14.
void RegisterShapesLayerKind(LayerFactory& factory);

class CZmaVadAZShapesLayer : public CZmaVadAZLayer {
public:
    CZmaVadAZShapesLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZShapesLayer() override;

    // The layer is an engine user-draw layer of its own at the top, named `name` (made unique).
    HRESULT Attach(const std::string& name, int type, const std::string& fileSpec = std::string()) override;

    // One operation per automation method, with its arguments. A radius text that names no unit
    // the converter knows is refused (E_INVALIDARG with a description) and nothing is added.
    HRESULT AddHollowCircle(double latitude, double longitude, const VARIANT& radius, long lineWidth, long lineType,
                            const VARIANT& lineColor, BSTR toolTip);
    HRESULT AddFilledCircle(double latitude, double longitude, const VARIANT& radius, const VARIANT& fillColor,
                            double opacity, BSTR toolTip);
    HRESULT AddSpotlightCircle(double latitude, double longitude, const VARIANT& radius, const VARIANT& fillColor,
                               double opacity, BSTR toolTip);
    HRESULT AddHollowPie(double latitude, double longitude, const VARIANT& radius, double startAngle, double endAngle,
                         long lineWidth, long lineType, const VARIANT& lineColor, BSTR toolTip);
    HRESULT AddFilledPie(double latitude, double longitude, const VARIANT& radius, double startAngle, double endAngle,
                         const VARIANT& fillColor, double opacity, BSTR toolTip);
    HRESULT AddSpotlightPie(double latitude, double longitude, const VARIANT& radius, double startAngle,
                            double endAngle, const VARIANT& fillColor, double opacity, BSTR toolTip);
    HRESULT AddHollowDonutSegment(double latitude, double longitude, const VARIANT& startRadius,
                                  const VARIANT& endRadius, double startAngle, double endAngle, long lineWidth,
                                  long lineType, const VARIANT& lineColor, BSTR toolTip);
    HRESULT AddFilledDonutSegment(double latitude, double longitude, const VARIANT& startRadius,
                                  const VARIANT& endRadius, double startAngle, double endAngle,
                                  const VARIANT& fillColor, double opacity, BSTR toolTip);
    HRESULT ClearShapes();
    int ShapeCount() const noexcept { return static_cast<int>(shapes_.size()); }

    // Hands the items, oldest first, to `action` until it answers false (S_FALSE). An exception
    // from the action ends the walk with its HRESULT.
    HRESULT ForEachShape(ShapesActionInterface& action);

    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool HitTest(long x, long y, double mapX, double mapY) override;
    // Sets the rectangle to the bounds of every shape's full circle (0, 0, 0, 0 without shapes);
    // 1 when the layer holds a shape. Raises engine failures.
    int GetExtent(IDispatch* rectangle) override;

private:
    HRESULT Append(std::unique_ptr<ShapeInfo> item);

    std::vector<std::unique_ptr<ShapeInfo>> shapes_;
};
