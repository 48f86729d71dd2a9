// The work of the control's marker and region members (IZmaVadAZMarkerHandling, HandleDragDrop and
// IZmaVadAZRegionFilter): gates in front of the marker and region layers. Each is a whole entry
// point (its own error barrier); the members that may fire events hold the operation.
#pragma once

#include <windows.h>
#include <oaidl.h>

class ControlEngine;
class MapLayers;
class Operations;

class MarkerMembers {
public:
    MarkerMembers(Operations& operations, MapLayers& layers, ControlEngine& engine) noexcept
        : operations_(operations), layers_(layers), engine_(engine) {}

    HRESULT Open(bool snapToTrack);
    // S_FALSE without a marker layer or without a change; the outputs are written on S_OK only.
    HRESULT NextChange(LONG* message, double* longitude, double* latitude, VARIANT_BOOL* gpsSet);
    HRESULT SetStationary(long message, bool stationary);
    HRESULT Reset();
    HRESULT BringToTop();
    HRESULT Remove();
    // A drop at a screen position; announced with MarkerChanged, whose handler may release the
    // control.
    HRESULT HandleDrop(IUnknown* dataObject, long screenX, long screenY);

    HRESULT EditRegions(IUnknown* regionSet);
    HRESULT TurnOffRegionEditing();
    HRESULT ClearRegions();

private:
    Operations& operations_;
    MapLayers& layers_;
    ControlEngine& engine_;
};
