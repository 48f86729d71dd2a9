// The map settings document ("mapsettings"): written for SaveToXML and the control's stream,
// read back by LoadFromXML and stream Load. A short-lived object over one control.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

class CZmaVadAZInfoDisplay;
class CZmaVadAZLayerCollection;
class CZmaVadAZOverviewRegion;

// What the settings document reads from and restores into: the control that owns the map.
class MapSettingsTarget {
public:
    // The engine's map object (no reference added); null once the engine is gone.
    virtual IDispatch* EngineMap() = 0;
    virtual HWND EngineWindow() = 0;
    virtual CZmaVadAZInfoDisplay* InfoDisplay() const noexcept = 0;
    virtual CZmaVadAZOverviewRegion* OverviewRegion() const noexcept = 0;
    // Null before the map was initialised.
    virtual CZmaVadAZLayerCollection* LayerCollection() const noexcept = 0;
    virtual CZmaVadAZLayerCollection& EnsureLayerCollection() = 0;
    // The view that loaded settings restored; applied once the map is initialised.
    virtual void SetRestoredView(double zoom, double centerX, double centerY) noexcept = 0;

protected:
    ~MapSettingsTarget() = default;
};

class CZmaVOMapXConfigurationManager {
public:
    explicit CZmaVOMapXConfigurationManager(MapSettingsTarget& control) noexcept : control_(control) {}

    // Appends the "mapsettings" element as the first child of `node` (a host XML node).
    HRESULT SaveToXML(IDispatch* node);
    // Reads the "mapsettings" element `node` and applies it to the engine and the control.
    HRESULT LoadFromXML(IDispatch* node);

private:
    void Save(IXMLDOMNode* parent);
    void Load(IXMLDOMElement* settings);

    MapSettingsTarget& control_;
};
