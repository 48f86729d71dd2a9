// The map settings document ("mapsettings"): written for SaveToXML and the control's stream,
// read back by LoadFromXML and stream Load. A short-lived object over one control.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

#include <functional>
#include <string>

class CZmaVadAZInfoDisplay;
class CZmaVadAZLayerCollection;
class CZmaVadAZOverviewRegion;

// The control's own identity and batch state, as the document carries them. The temporary
// folder is saved but not taken from a document: it says where the control writes files.
struct MapIdentity {
    short batchPrinting = 0;
    std::wstring batchJobId, profileName, temporaryFolder;
};

// A view a document asks for.
struct MapSettingsView {
    bool given = false;
    double zoom = 0, centerX = 0, centerY = 0;
};

// The parts of one map that the settings document reads from and fills.
struct MapSettingsParts {
    // The engine's map object: required.
    IDispatch* engineMap = nullptr;
    HWND engineWindow = nullptr;
    CZmaVadAZInfoDisplay* infoDisplay = nullptr;
    CZmaVadAZOverviewRegion* overview = nullptr;
    // The layer collection as it stands (null before the map initialisation); a load has the
    // collection made when there is none, through `ensureLayers`.
    CZmaVadAZLayerCollection* layers = nullptr;
    std::function<CZmaVadAZLayerCollection&()> ensureLayers;
    // Saved from; a load fills in what the document carries.
    MapIdentity identity;
    // A load fills in the view the document asks for; a map already showing (`showViewAtOnce`)
    // moves to it at once, so that settings loaded into a running map bring their view with them.
    MapSettingsView view;
    bool showViewAtOnce = false;
};

class CZmaVOMapXConfigurationManager {
public:
    explicit CZmaVOMapXConfigurationManager(MapSettingsParts& parts) noexcept : parts_(parts) {}

    // Writes the "mapsettings" element as the first child of `node` (a host XML node). The
    // node's "DataModified", "AutoSynchToStream" and "PersistOption" attributes steer the save.
    HRESULT SaveToXML(IDispatch* node);
    // Reads the "mapsettings" element `node` and applies it to the engine and the control.
    HRESULT LoadFromXML(IDispatch* node);

private:
    HRESULT Save(IXMLDOMNode* parent);
    HRESULT Load(IXMLDOMElement* settings);
    HRESULT LoadStyles(IXMLDOMElement* settings);
    // Takes down the view the document asks for; a map already showing moves to it at once.
    void RestoreView(double zoom, double centerX, double centerY) noexcept;

    MapSettingsParts& parts_;
};
