// The work of the control's layer members that go beyond one call on the layer collection:
// clearing the annotations, the temporary table layer, moving a layer to the top and replacing
// a series' dataset. Each is a whole entry point (its own error barrier) with the operation held.
#pragma once

#include <windows.h>
#include <oaidl.h>

class ControlEngine;
class MapLayers;
class Operations;
class ViewState;

class LayerMembers {
public:
    LayerMembers(Operations& operations, MapLayers& layers, ControlEngine& engine, ViewState& view) noexcept
        : operations_(operations), layers_(layers), engine_(engine), view_(view) {}

    // Deletes the features of the annotations layer and the engine's own annotations; answers
    // what listing the features answered.
    HRESULT ClearAnnotations();
    // A table opened as the one temporary table layer (replacing the one before), unselectable,
    // and brought into view; S_FALSE from the removal when there is none.
    HRESULT AddTemporaryTable(BSTR path);
    HRESULT RemoveTemporaryTable();
    // The layer of a series key, else of a layer name.
    HRESULT MoveToTop(BSTR keyOrName);
    // Every data layer of the series takes the new dataset.
    HRESULT ReplaceDataset(BSTR series, IDispatch* dataset);

private:
    Operations& operations_;
    MapLayers& layers_;
    ControlEngine& engine_;
    ViewState& view_;
};
