// Web map imagery under the whole map: the background imagery layer (type 15). It covers the map
// window with 256-pixel tiles of the zoom level the map's scale was snapped to, fetched from the
// URL cache or the tile servers, and draws the provider's attribution and logo over them.
//
// How it is set up comes from the registry under "Software\Zemro\Terravex": the download mode
// ("AsyncBackgroundMapEnabled"), the market code put into tile addresses ("BingMapsCulture"),
// the credential mode ("CredentialMode": token or key), the alternative road-tile server
// ("ChineseBackgroundMap", or a system or user language of 0x0804), and the tile servers
// themselves ("BackgroundMapTileServer", "BackgroundMapAlternativeTileServer"). An asynchronous
// layer queues the tiles that are not cached for the download thread, which it holds for its life.
#pragma once

#include "ZmaVOMap2/imagery/DownloadThread.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/LogoImage.h"
#include "ZmaVOMap2/imagery/TileLedger.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/UniqueHandle.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class LayerFactory;

class CZmaVadAZBackgroundMapLayer : public CZmaVadAZLayer {
public:
    enum CredentialMode : int { kTokenMode = 0, kKeyMode = 1 };
    static constexpr const char* kBaseName = "Background map";

    // Adds the engine user-draw layer at `position` (1 is the top) and reads the registry.
    CZmaVadAZBackgroundMapLayer(IDispatch* map, long position, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZBackgroundMapLayer() override;

    // Layer operations.
    bool LoadsItselfFromSettings() const override { return true; }
    // The layer made its engine layer when it was built: there is nothing more to attach.
    HRESULT Attach(const std::string&, int, const std::string&) override { return GetMapXLayer() ? S_OK : E_FAIL; }
    // A "Layer" element with "layertype" 15, an empty "layerfilespec", the process-wide imagery
    // enabled value as "visible" (-1 while never set), "MapType" and the process-wide proxy
    // server as "ProxyServerAddress" and "ProxyServerPort".
    HRESULT SaveSettings(IXMLDOMNode* parent) override;
    // Reads the imagery type; the first load of the process also takes the enabled value (and
    // shows or hides the layer by it) and the proxy server. In key mode a map with a window asks
    // for the address template at once; one without leaves it to its first draw.
    HRESULT LoadSettings(IXMLDOMElement* element, long labelArgument) override;
    // Showing a hidden layer snaps the map's scale to a tile level.
    HRESULT SetVisible(bool visible) override;
    // The imagery has no extent of its own: the rectangle is emptied and 0 answered.
    int GetExtent(IDispatch* rectangle) override;
    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;

    // The tile level (1 to 23) for the map's bounds `rectangle` in a window of `pixels`; the
    // rectangle grows about its centre to that level's scale. A rectangle or window without
    // width keeps the current level and the rectangle. Raises E_POINTER without a rectangle.
    int GetBestZoomLevel(IDispatch* map, IDispatch* rectangle, const RECT& pixels);
    // Draws one frame of tiles, the attribution and the logo (see the .cpp for the steps).
    bool RenderData(HDC dc, const RECT& rect);

    // What the properties dialog and the imagery services read and set.
    int GetImageryType() const noexcept { return imageryType_; }
    void SetImageryType(int type) noexcept { imageryType_ = type; }
    int GetCredentialMode() const noexcept { return credentialMode_; }
    int GetZoomLevel() const noexcept { return zoomLevel_; }
    void SetZoomLevel(int level) noexcept { zoomLevel_ = level; }
    bool IsAsynchronous() const noexcept { return asynchronous_; }
    bool UsesAlternativeServer() const noexcept { return alternativeServer_; }
    const std::wstring& GetCulture() const noexcept { return culture_; }
    const std::string& GetLocalAddress() const noexcept { return localAddress_; }
    const std::wstring& GetTileAddressTemplate() const noexcept { return addressTemplate_; }
    void SetTileAddressTemplate(const std::wstring& addressTemplate) { addressTemplate_ = addressTemplate; }
    const std::vector<std::wstring>& GetSubdomains() const noexcept { return subdomains_; }
    void SetSubdomains(std::vector<std::wstring> subdomains) { subdomains_ = std::move(subdomains); }
    bool IsMetadataLoaded() const noexcept { return metadataLoaded_; }
    long GetGeneration() const noexcept { return generation_; }
    // Asks the imagery services for the address template and subdomains of the current imagery
    // type; false without services or when none came.
    bool LoadMetaImageURLAndSubDomains();

private:
    void ReadRegistrySettings();
    void RequestTokenIfNeeded();
    void CreateAttributionFont();
    // The installed services' answer for this layer; kFailed without services.
    imagery::MetadataAnswer RequestMetadata();
    // Key mode's first draw, or a load into a map with a window, asks for the address template
    // once; a request that could not ask the user for proxy credentials without a window is made
    // again by the first draw with one.
    void LoadMetadataOnce();

    // Drawing steps (ZmaVadAZBackgroundMapLayer_Render.cpp).
    struct Frame;
    // What a screen frame shows: where, how large, at which level, and what its tile addresses
    // are made of besides the tile.
    struct View {
        double west, south, east, north;
        long width, height;
        int level;
        std::wstring source;
        bool operator==(const View& other) const;
    };
    View ViewOf(const Frame& frame, const RECT& rect, double west, double south, double east, double north) const;
    void BeginFrame(Frame& frame, const View& view);
    void DrawTokenTile(Frame& frame, const std::wstring& quadkey, POINT at);
    void DrawKeyTile(Frame& frame, const std::wstring& quadkey, POINT at);
    // Draws the tile from the cache under whichever of its `addresses` (one per server) holds it,
    // else queues or fetches it, unless the view's ledger leaves it out.
    void DrawTile(Frame& frame, const std::wstring& quadkey, std::vector<std::wstring> addresses, POINT at);
    bool AddressesWithinBound(const std::vector<std::wstring>& addresses);
    // Queues the tile for the download thread when the frame allows it, else fetches and draws it.
    // `cachedAs` holds every address the tile may be cached under (`address` among them).
    void QueueOrFetch(Frame& frame, const std::wstring& address, const std::wstring& quadkey,
                      std::vector<std::wstring> cachedAs, POINT at);
    HRESULT FetchAndDraw(Frame& frame, const std::wstring& address, const std::wstring& quadkey, POINT at);
    RECT DrawAttribution(HDC dc, const RECT& rect);
    void DrawLogo(HDC dc, const RECT& rect, long textTop);

    // GDI+ outlives everything below that holds GDI+ objects.
    imagery::GdiplusSession gdiplus_;
    int imageryType_ = 0;
    int credentialMode_ = kKeyMode;
    int zoomLevel_ = 1;
    platform::UniqueHFont attributionFont_;
    std::unique_ptr<imagery::LogoImage> logo_;
    bool asynchronous_ = true;
    bool alternativeServer_ = false;
    bool metadataLoaded_ = false;
    // The last request wanted proxy credentials and the map had no window to ask the user from.
    bool metadataWaitsForWindow_ = false;
    unsigned long serverCounter_ = 0;
    std::wstring culture_;
    std::string localAddress_;
    std::wstring addressTemplate_;
    std::vector<std::wstring> subdomains_;
    long generation_ = 0;
    // The view the last screen frame showed; none after a printed or exported frame.
    std::optional<View> screenView_;
    // What the current view asked of the tile servers, shared with its queued requests.
    std::shared_ptr<imagery::TileLedger> ledger_ = std::make_shared<imagery::TileLedger>();
    // Whether the current view logged that its tile addresses are too long.
    bool addressRefusalLogged_ = false;
    std::wstring tileServer_;
    std::wstring alternativeTileServer_;
    // An asynchronous layer holds the download thread for its life; the thread never touches it.
    imagery::DownloadThreadHold downloadThread_;
};

// Registers the imagery layer (type 15) in the factory.
void RegisterBackgroundMapLayerKind(LayerFactory& factory);
