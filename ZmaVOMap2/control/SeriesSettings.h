// A series' settings as the host keeps them between sessions (the "SeriesInfoChild" element: the
// label settings, the visibility and the offset of the series' data layer), and the series'
// tooltip and label expressions. Failures are raised with a text that says what was wrong.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "platform/Com.h"

#include <string>

class CZmaVadAZDataLayer;
class CZmaVadAZLabelProperties;
class CZmaVadAZLayerCollection;

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
