// The work of the control's line members: lines between cell sites, positions and cell sectors,
// the line toggles and flags, and the colour-by and label-by fields of the serving and neighbour
// lines.
// Each is a whole entry point (its own error barrier): it holds the operation while the line
// layers ask the host for fields, works on the layer collection, and repaints.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>

class ControlEngine;
class MapLayers;
class Operations;
class ViewState;

class LineMembers {
public:
    LineMembers(Operations& operations, MapLayers& layers, ControlEngine& engine, ViewState& view) noexcept
        : operations_(operations), layers_(layers), engine_(engine), view_(view) {}

    HRESULT DrawBetweenCellSites(long row1, long row2, long width, long type, const VARIANT& colour);
    HRESULT ClearBetweenCellSites();
    // The coordinates are doubles strictly inside the longitude and latitude ranges.
    HRESULT DrawBetweenPoints(const VARIANT& startLon, const VARIANT& startLat, const VARIANT& endLon,
                              const VARIANT& endLat, long width, long type, const VARIANT& colour);
    HRESULT ClearBetweenPoints();
    HRESULT DrawBetweenSectors(BSTR series1, long row1, BSTR series2, long row2, long width, long type,
                               const VARIANT& colour, BSTR toolTip, bool arrow, double proportion, LONG* index);
    HRESULT ClearBetweenSectors();
    // Option 4 is the lines between cell sectors (one line of them, for ToggleOne); the others
    // are the dataset display's, and a single line of theirs answers S_OK and changes nothing.
    HRESULT Toggle(bool visible, long option);
    HRESULT ToggleOne(long index, bool visible, long option);
    // The field members of the serving (`neighbours` false) and neighbour lines.
    HRESULT SetField(BSTR series, BSTR field, bool neighbours, bool label);
    HRESULT GetField(BSTR series, BSTR* field, bool neighbours, bool label);
    // The dataset display's lines visibility flags, or its lines target flags (`target`).
    HRESULT GetFlags(LONG* flags, bool target);
    HRESULT SetFlags(long flags, bool target);

private:
    // Runs a line operation, then the repaint; a refusal keeps its text for the caller (a generic
    // one when the layer gave none).
    HRESULT Run(const std::function<HRESULT()>& operation, const wchar_t* refusal);

    Operations& operations_;
    MapLayers& layers_;
    ControlEngine& engine_;
    ViewState& view_;
};
