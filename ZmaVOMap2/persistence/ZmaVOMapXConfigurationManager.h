// The map settings document ("mapsettings"): written for SaveToXML and the control's stream,
// read back by LoadFromXML and stream Load. A short-lived object over one control.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

class CZmaVadAZ;

class CZmaVOMapXConfigurationManager {
public:
    explicit CZmaVOMapXConfigurationManager(CZmaVadAZ& control) noexcept : control_(control) {}

    // Appends the "mapsettings" element as the first child of `node` (a host XML node).
    HRESULT SaveToXML(IDispatch* node);
    // Reads the "mapsettings" element `node` and applies it to the engine and the control.
    HRESULT LoadFromXML(IDispatch* node);

private:
    void Save(IXMLDOMNode* parent);
    void Load(IXMLDOMElement* settings);

    CZmaVadAZ& control_;
};
