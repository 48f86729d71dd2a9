// A series' settings as the host keeps them between sessions (the "SeriesInfoChild" element: the
// label settings, the visibility and the offset of the series' data layer), and the series'
// tooltip and label expressions. Failures are raised with a text that says what was wrong.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "platform/Com.h"

#include <string>

class ControlEngine;
class CZmaVadAZDataLayer;
class CZmaVadAZLabelProperties;
class CZmaVadAZLayerCollection;
class MapLayers;
class Operations;
class ViewState;

namespace seriessettings {

// The settings element of a host's node: its "SeriesInfoChild" child (`within` true, null when it
// has none) or the node itself. E_INVALIDARG when the node is not of the kind asked for.
platform::ComPtr<IXMLDOMElement> SettingsElement(IDispatch* node, bool within);
// Applies a settings element to the series' data layer; DISP_E_BADINDEX without one.
void Apply(CZmaVadAZLayerCollection& layers, const std::wstring& series, IXMLDOMElement* element);
// A new settings element for the series' data layer, its label sizes in the engine map's unit.
platform::ComPtr<IXMLDOMElement> Make(CZmaVadAZLayerCollection& layers, const std::wstring& series, IDispatch* map);

// The series' data layer (E_FAIL without one) and the label settings of the series' layer
// (`missing` without a layer, E_FAIL without label settings).
CZmaVadAZDataLayer& DataLayer(CZmaVadAZLayerCollection& layers, const std::wstring& series);
CZmaVadAZLabelProperties& Labels(CZmaVadAZLayerCollection& layers, const std::wstring& series, HRESULT missing);

}  // namespace seriessettings

// The work of the control's per-series members: the settings node the host keeps, the legends'
// check boxes, the cell colour field, and the data layer's tooltip and label expressions. Each is
// a whole entry point (its own error barrier); the members that may fire events hold the operation.
class SeriesMembers {
public:
    SeriesMembers(Operations& operations, MapLayers& layers, ControlEngine& engine, ViewState& view) noexcept
        : operations_(operations), layers_(layers), engine_(engine), view_(view) {}

    // The node's "SeriesInfoChild" element (`within`), or the node itself as the element.
    HRESULT SetSettings(BSTR series, IDispatch* node, bool within);
    HRESULT GetSettings(BSTR series, IDispatch** node);
    HRESULT UpdateLegendCheckBoxes();
    HRESULT SetCellColourField(BSTR series, BSTR field);
    HRESULT SetTooltipExpression(BSTR series, BSTR expression);
    HRESULT SetLabelExpression(BSTR series, BSTR expression);
    // Only VARIANT_TRUE shows the labels: a host's 1 hides them, as it always has.
    HRESULT SetLabelsVisible(BSTR series, VARIANT_BOOL visible);

private:
    Operations& operations_;
    MapLayers& layers_;
    ControlEngine& engine_;
    ViewState& view_;
};
