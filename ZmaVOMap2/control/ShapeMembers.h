// The work of the control's free-shape members: each checks the shape's position (then the
// angles of sectors, then the opacity of fills), hands the shape to the shapes layer (made on
// first use) with the operation held, and has the map repainted. Each is a whole entry point
// (its own error barrier).
#pragma once

#include <windows.h>

#include <functional>

class CZmaVadAZShapesLayer;
class ControlEngine;
class MapLayers;
class Operations;
class ViewState;

// What a shape's arguments are checked for; the optional ones are checked when given.
struct ShapeChecks {
    double latitude = 0, longitude = 0;
    const double* startAngle = nullptr;
    const double* endAngle = nullptr;
    const double* opacity = nullptr;
};

class ShapeMembers {
public:
    ShapeMembers(Operations& operations, MapLayers& layers, ControlEngine& engine, ViewState& view) noexcept
        : operations_(operations), layers_(layers), engine_(engine), view_(view) {}

    using Work = std::function<HRESULT(CZmaVadAZShapesLayer&)>;
    // E_FAIL when there is no shapes layer, E_UNEXPECTED without a layer collection; the layer's
    // description of a refusal stays for the caller, whatever the repaint leaves.
    HRESULT Draw(const ShapeChecks& checks, const Work& work);
    HRESULT Run(const Work& work);

private:
    HRESULT RunChecked(const Work& work);

    Operations& operations_;
    MapLayers& layers_;
    ControlEngine& engine_;
    ViewState& view_;
};
