// The map settings document ("mapsettings"): written for SaveToXML and the control's stream,
// read back by LoadFromXML and stream Load. A short-lived object over one control.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

#include <string>

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

    // The control's own identity and batch state, as the document carries them.
    struct MapIdentity {
        short batchPrinting = 0;
        std::wstring batchJobId, profileName, temporaryFolder;
    };
    virtual MapIdentity GetIdentity() const = 0;
    // The temporary folder is not taken from a document: it says where the control writes files.
    virtual void SetIdentity(const MapIdentity& identity) = 0;

protected:
    ~MapSettingsTarget() = default;
};

class CZmaVOMapXConfigurationManager {
public:
    explicit CZmaVOMapXConfigurationManager(MapSettingsTarget& control) noexcept : control_(control) {}

    // Writes the "mapsettings" element as the first child of `node` (a host XML node). The
    // node's "DataModified", "AutoSynchToStream" and "PersistOption" attributes steer the save.
    HRESULT SaveToXML(IDispatch* node);
    // Reads the "mapsettings" element `node` and applies it to the engine and the control.
    HRESULT LoadFromXML(IDispatch* node);

private:
    HRESULT Save(IXMLDOMNode* parent);
    HRESULT Load(IXMLDOMElement* settings);
    HRESULT LoadStyles(IXMLDOMElement* settings);

    MapSettingsTarget& control_;
};
