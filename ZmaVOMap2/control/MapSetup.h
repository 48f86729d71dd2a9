// How the map comes to be: fresh (InitNew) or from saved settings (a stream, or a property bag
// holding one), both roads ending in the map initialisation; and the settings stream the control
// saves. It keeps the control's working folder for temporary tables.
#pragma once

#include "platform/Com.h"

#include <ocidl.h>

#include <functional>
#include <string>

class CZmaVadAZInfoDisplay;
class CZmaVadAZLayerCollection;
class CZmaVadAZLayerHost;
class CZmaVadAZOverviewRegion;
class ControlEngine;
class EngineWindow;
class HostProfile;
class MapLayers;
class ViewState;
struct MapSettingsParts;

struct MapSetupParts {
    IUnknown* owner;
    ControlEngine& engine;
    MapLayers& layers;
    ViewState& view;
    HostProfile& profile;
    CZmaVadAZLayerHost& layerHost;
    EngineWindow& window;
    CZmaVadAZInfoDisplay& infoDisplay;
    CZmaVadAZOverviewRegion& overview;
};

class MapSetup {
public:
    explicit MapSetup(const MapSetupParts& parts) noexcept : p_(parts) {}
    MapSetup(const MapSetup&) = delete;
    MapSetup& operator=(const MapSetup&) = delete;

    // IPersistStreamInit::InitNew and Load. `connectEvents` runs once the map is initialised,
    // before the view loaded settings asked for is shown. Settings that cannot be read (a damaged
    // stream included) are logged and leave a map with default settings.
    HRESULT InitNew(const std::function<void()>& connectEvents);
    HRESULT Load(IStream* stream, const std::function<void()>& connectEvents);
    // The settings document as the stream holds it: its size in bytes, then UTF-16 text.
    HRESULT Save(IStream* stream);
    // SaveToXML and LoadFromXML: the settings document under a host's node.
    HRESULT SaveToXml(IDispatch* node);
    HRESULT LoadFromXml(IDispatch* node);
    // The stream a property bag holds in its "Value" (as text, after the class id).
    static HRESULT StreamFromBag(IPropertyBag2* bag, IErrorLog* errorLog, platform::ComPtr<IStream>& stream);

    // Settings loaded before the map initialisation (a stream, or a script host that never
    // initialises) restore their tables into the control's own folder too.
    CZmaVadAZLayerCollection& EnsureLayerCollection();
    bool IsInitialised() const noexcept { return initialised_; }
    const std::wstring& TemporaryFolder() const noexcept { return temporaryFolder_; }

private:
    // The parts of the map the settings document reads from and fills, and what a load filled in
    // taken back: the identity, and the view the document asked for.
    MapSettingsParts SettingsParts();
    void TakeLoadedSettings(const MapSettingsParts& parts);
    void ReadSettings(IStream* stream);
    HRESULT InitialiseMap();
    void PrepareTemporaryFolder();
    // The folder "D4Oze2" in the user's temporary folder, made when missing (the temporary folder
    // itself when it cannot be made).
    void MakeTemporaryFolder();
    HRESULT RegisterWithHostService();
    HRESULT CreateCustomTools();

    MapSetupParts p_;
    std::wstring temporaryFolder_;
    bool initialisedFresh_ = false;
    bool loaded_ = false;
    bool loadedOverLayers_ = false;
    bool initialised_ = false;
};
