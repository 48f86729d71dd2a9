// Drawing one frame of imagery. The tiles of the layer's zoom level are laid edge to edge from
// the view's north-west corner; each comes from the URL cache when any of its servers' addresses
// is cached there, else it is queued for the download thread (on the screen, when one runs) or
// fetched at once. The attribution line and the logo go over the tiles.
//
// A screen frame of the view the layer showed last (the repaints that tiles arriving cause) keeps
// the view's generation, its waiting requests and its ledger: a tile on its way is not queued
// again, and one that failed twice in the view is left out of it. A screen frame that fetches at
// once waits for all its tiles at most one tile request's time (the time the user takes to answer
// a proxy's demand for credentials not counted); what does not come within it is left out of the
// frame.
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"
#include "ZmaVOMap2/imagery/HostAddress.h"
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/imagery/TileCache.h"
#include "ZmaVOMap2/imagery/TileMath.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"

#include <wininet.h>

#include <algorithm>

using platform::ComPtr;
using platform::Variant;
using imagery::Log;

namespace {

constexpr int kInfo = platform::kLogLevelInfo;
constexpr int kError = platform::kLogLevelError;
constexpr int kTokenServers = 4;
// The north-west corner's screen position moves every tile by this fraction of it.
constexpr double kCornerFactorX = 0.25;
constexpr double kCornerFactorY = 0.2040816326530612;
constexpr int kAttributionInset = 9;
constexpr int kLogoInset = 10;

// A printer, a metafile or anything else that is not the screen prints the frame.
bool IsPrintingTarget(HDC dc) {
    const DWORD kind = ::GetObjectType(dc);
    const bool displayContext = kind == OBJ_DC || kind == OBJ_MEMDC;
    return !(displayContext && ::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY);
}

struct Bounds {
    double west = 0, south = 0, east = 0, north = 0;
};

Bounds ReadBounds(const EngineDispatch& map) {
    ComPtr<IDispatch> value = platform::RequireDispatch(map.Get(Engine::Map::kBounds));
    EngineDispatch rectangle(value.Get());
    return {rectangle.Get(Engine::Rectangle::kXMin).ToDouble(), rectangle.Get(Engine::Rectangle::kYMin).ToDouble(),
            rectangle.Get(Engine::Rectangle::kXMax).ToDouble(), rectangle.Get(Engine::Rectangle::kYMax).ToDouble()};
}

std::string Narrow(const std::wstring& text) { return platform::ToAnsi(text); }

}  // namespace

struct CZmaVadAZBackgroundMapLayer::Frame {
    HDC dc = nullptr;
    bool printing = false;
    bool exporting = false;
    bool screen = false;  // neither printed nor exported
    HWND window = nullptr;
    POINT correction = {0, 0};
    imagery::TokenAddressParts token;
    DWORD started = 0;  // when the frame began, for its tiles' share of time
    DWORD asking = 0;   // how long the user had been asked for proxy credentials by then
    int leftOut = 0;    // tiles the frame had no time left to fetch

    // The bounds of a tile fetched at once; false when a screen frame's time for tiles is spent
    // (what is left is too little to fetch a tile in). A printed or exported frame needs every
    // tile and gives each a tile request's time.
    bool TileBounds(imagery::RequestBounds& bounds) const {
        constexpr DWORD kLeastTileTime = 200;
        bounds = imagery::kTileRequestBounds;
        if (!screen) return true;
        // The time the user took to answer for a proxy is none of the frame's.
        const DWORD asked = imagery::DownloadStatusCallback().TimeAskingUser() - asking;
        const DWORD spent = ::GetTickCount() - started - asked;
        if (spent + kLeastTileTime > bounds.milliseconds) return false;
        bounds.milliseconds -= spent;
        return true;
    }
};

bool CZmaVadAZBackgroundMapLayer::View::operator==(const View& other) const {
    return west == other.west && south == other.south && east == other.east && north == other.north &&
           width == other.width && height == other.height && level == other.level && source == other.source;
}

CZmaVadAZBackgroundMapLayer::View CZmaVadAZBackgroundMapLayer::ViewOf(const Frame& frame, const RECT& rect, double west,
                                                                      double south, double east, double north) const {
    std::wstring source;
    if (credentialMode_ == kTokenMode) {
        source = imagery::TokenTileAddress(frame.token, std::wstring(), 0);
    } else {
        source = std::to_wstring(imageryType_) + (alternativeServer_ ? L"|alternative|" : L"|") + addressTemplate_;
        for (const std::wstring& subdomain : subdomains_) source += L"|" + subdomain;
    }
    return {west, south, east, north, rect.right - rect.left, rect.bottom - rect.top, zoomLevel_, source};
}

// A screen frame of the view shown last goes on with it; any other frame begins a new
// generation, and a printed or exported one leaves the next screen frame a new view.
void CZmaVadAZBackgroundMapLayer::BeginFrame(Frame& frame, const View& view) {
    frame.screen = !frame.printing && !frame.exporting;
    frame.started = ::GetTickCount();
    frame.asking = imagery::DownloadStatusCallback().TimeAskingUser();
    if (!frame.screen || !screenView_ || !(*screenView_ == view)) {
        // Requests of earlier frames of this layer are out of date.
        ++generation_;
        imagery::RequestQueue().RemoveLayer(this);
        ledger_->Begin(generation_);
        addressRefusalLogged_ = false;
        if (frame.screen)
            screenView_ = view;
        else
            screenView_.reset();
    }
    if (frame.exporting) {
        Log(kInfo, "Clearing queue. Exporting Map flag is set");
        imagery::RequestQueue().Clear();
    }
}

bool CZmaVadAZBackgroundMapLayer::RenderData(HDC dc, const RECT& rect) {
    // What the download thread logged, before this frame's lines.
    imagery::WriteThreadLog();
    Log(kInfo, "RenderData called");
    if (credentialMode_ == kTokenMode) Log(kInfo, "RenderData in token mode");

    Frame frame;
    frame.dc = dc;
    frame.printing = IsPrintingTarget(dc);
    if (CZmaVadAZLayerCollection* owner = GetOwner()) {
        frame.window = owner->Host().EngineWindow();
        frame.exporting = owner->Host().IsExporting();
    }
    ComPtr<IDispatch> engineMap = GetMapXMap();
    EngineDispatch map(platform::ThrowIfNull(engineMap.Get()));
    const Bounds bounds = ReadBounds(map);

    if (credentialMode_ == kKeyMode) {
        LoadMetadataOnce();
    } else {
        // Printed and exported maps show roads.
        frame.token.imageryType = frame.printing || frame.exporting ? imagery::kRoad : imageryType_;
        frame.token.alternativeServer = alternativeServer_;
        frame.token.culture = culture_;
        frame.token.token = imagery::Process().clientToken;
        frame.token.tileServer = tileServer_;
        frame.token.alternativeTileServer = alternativeTileServer_;
    }
    BeginFrame(frame, ViewOf(frame, rect, bounds.west, bounds.south, bounds.east, bounds.north));

    const double top = imagery::ClampLatitude(bounds.north);
    const EngineScreenPoint corner = EngineMapToScreen(map, bounds.west, top);
    frame.correction = {static_cast<long>(corner.x * kCornerFactorX), static_cast<long>(corner.y * kCornerFactorY)};
    const imagery::TileGrid grid = imagery::MakeTileGrid(bounds.west, bounds.north, zoomLevel_);

    if (credentialMode_ == kKeyMode) {
        // Without tile addresses there is nothing to draw, not even the attribution.
        if (addressTemplate_.empty()) return true;
        if (imagery::HasSubdomainPlace(addressTemplate_) && subdomains_.empty()) return true;
    } else if (imagery::UsesAlternativeServer(frame.token)) {
        Log(kInfo, "using chinese server");
    }

    long row = grid.firstY;
    for (long y = grid.offsetY; y < rect.bottom; y += imagery::kTileSize, ++row) {
        long column = grid.firstX;
        for (long x = grid.offsetX; x < rect.right; x += imagery::kTileSize, ++column) {
            int tileX = 0, tileY = 0;
            // Rows beyond the poles have no tiles; columns beyond the date line repeat the world.
            if (!imagery::WorldTile(grid.level, column, row, tileX, tileY)) continue;
            const std::wstring quadkey = imagery::TileXYToQuadKey(grid.level, tileX, tileY).key;
            const POINT at = {x + frame.correction.x, y + frame.correction.y};
            if (credentialMode_ == kTokenMode)
                DrawTokenTile(frame, quadkey, at);
            else
                DrawKeyTile(frame, quadkey, at);
        }
    }
    if (frame.leftOut > 0)
        Log(kError, "The frame's time for tiles ran out: " + std::to_string(frame.leftOut) + " tiles left out of it");

    const RECT text = DrawAttribution(dc, rect);
    DrawLogo(dc, rect, text.top);
    return true;
}

void CZmaVadAZBackgroundMapLayer::DrawTokenTile(Frame& frame, const std::wstring& quadkey, POINT at) {
    // The same tile may be cached under any server's name.
    std::vector<std::wstring> addresses;
    for (int server = 0; server < kTokenServers; ++server) {
        addresses.push_back(imagery::TokenTileAddress(frame.token, quadkey, server));
        if (imagery::UsesAlternativeServer(frame.token)) break;  // one server only
    }
    DrawTile(frame, quadkey, std::move(addresses), at);
}

void CZmaVadAZBackgroundMapLayer::DrawKeyTile(Frame& frame, const std::wstring& quadkey, POINT at) {
    try {
        std::vector<std::wstring> addresses;
        if (imageryType_ == imagery::kRoad && alternativeServer_) {
            addresses.push_back(imagery::AlternativeKeyTileAddress(alternativeTileServer_, quadkey));
        } else if (!imagery::HasSubdomainPlace(addressTemplate_)) {
            addresses.push_back(imagery::KeyTileAddress(addressTemplate_, quadkey, std::wstring()));
        } else {
            for (const std::wstring& subdomain : subdomains_)
                addresses.push_back(imagery::KeyTileAddress(addressTemplate_, quadkey, subdomain));
        }
        DrawTile(frame, quadkey, std::move(addresses), at);
    } CATCH_REPORT([](const platform::ComError*) {
        // One tile that fails leaves the others to be drawn.
        Log(kError, "unhandled exception while downloading file to cache");
    });
}

void CZmaVadAZBackgroundMapLayer::DrawTile(Frame& frame, const std::wstring& quadkey,
                                           std::vector<std::wstring> addresses, POINT at) {
    if (addresses.empty() || !AddressesWithinBound(addresses)) return;
    // Every address is asked, a single one too: a tile that came is drawn from the cache, never
    // queued again.
    for (const std::wstring& address : addresses) {
        std::wstring file;
        if (imagery::FindCachedTile(address, file)) {
            FetchAndDraw(frame, address, quadkey, at);
            return;
        }
    }
    // On its way, or failed as often as a view allows.
    if (frame.screen && !ledger_->MayAsk(quadkey, imagery::DownloadStatusCallback().Chance())) return;
    const std::wstring address = addresses[++serverCounter_ % addresses.size()];
    QueueOrFetch(frame, address, quadkey, std::move(addresses), at);
}

bool CZmaVadAZBackgroundMapLayer::AddressesWithinBound(const std::vector<std::wstring>& addresses) {
    size_t longest = 0;
    for (const std::wstring& address : addresses) longest = std::max(longest, address.size());
    if (longest <= imagery::kMaxTileAddress) return true;
    if (!addressRefusalLogged_) {
        addressRefusalLogged_ = true;
        Log(kError, "Tile addresses of " + std::to_string(longest) + " characters refused: no tile address may be longer than " +
                        std::to_string(imagery::kMaxTileAddress) + " characters. The map is drawn without these tiles.");
    }
    return false;
}

void CZmaVadAZBackgroundMapLayer::QueueOrFetch(Frame& frame, const std::wstring& address, const std::wstring& quadkey,
                                               std::vector<std::wstring> cachedAs, POINT at) {
    // Only the screen waits for tiles: a printed or exported map needs every tile before it is
    // done, and without a download thread nobody would fetch a queued one.
    const bool queue = asynchronous_ && frame.screen && frame.window && imagery::Process().downloadThreadRunning;
    if (!queue) {
        FetchAndDraw(frame, address, quadkey, at);
        return;
    }
    imagery::TileDownloadRequest request;
    request.window = frame.window;
    request.layer = this;
    request.generation = generation_;
    request.x = at.x;
    request.y = at.y;
    request.address = address;
    request.cachedAs = std::move(cachedAs);
    request.ledger = ledger_;
    request.tile = quadkey;
    // Before the append: the thread may be done with it at once.
    ledger_->Queued(quadkey);
    imagery::RequestQueue().Append(std::move(request));
    imagery::DownloadThread().Wake();
}

HRESULT CZmaVadAZBackgroundMapLayer::FetchAndDraw(Frame& frame, const std::wstring& address, const std::wstring& quadkey,
                                                  POINT at) {
    std::wstring file;
    HRESULT hr = S_OK;
    if (!imagery::FindCachedTile(address, file)) {
        imagery::RequestBounds bounds;
        if (!frame.TileBounds(bounds)) {
            ++frame.leftOut;
            return S_FALSE;
        }
        // A proxy that asks for credentials gets the ones the process holds, or the user is asked
        // from the map's window.
        hr = imagery::DownloadTileToCache(address, file, &imagery::DownloadStatusCallback(), frame.window, nullptr,
                                          bounds);
    }
    if (credentialMode_ == kTokenMode) {
        if (SUCCEEDED(hr))
            imagery::LogHostIPAddress(imagery::LoggedAddress(address), false);
        else
            Log(kError, "Failed to download Bing tile : " + imagery::LoggedAddress(address) + ". HR = " +
                            std::to_string(static_cast<long>(hr)));
    }
    if (SUCCEEDED(hr)) {
        Gdiplus::Graphics graphics(frame.dc);
        Gdiplus::Image tile(file.c_str());
        if (tile.GetLastStatus() == Gdiplus::Ok) {
            graphics.DrawImage(&tile, static_cast<INT>(at.x), static_cast<INT>(at.y), imagery::kTileSize, imagery::kTileSize);
        } else {
            // What the cache holds is no image: fetch it again next time.
            ::DeleteUrlCacheEntryW(address.c_str());
            hr = E_FAIL;
        }
    }
    // A tile that went without proxy credentials waits for them, without counting as failed.
    if (hr == imagery::kProxyCredentialsWithheld && frame.screen)
        ledger_->Withheld(quadkey, imagery::DownloadStatusCallback().WithheldAt());
    else if (FAILED(hr) && frame.screen)
        ledger_->Failed(quadkey);
    if (credentialMode_ == kKeyMode) {
        std::string text = imagery::LoggedAddress(address);
        if (FAILED(hr)) text += " Error : " + Narrow(imagery::HResultMessage(hr));
        imagery::LogHostIPAddress(text, FAILED(hr));
    }
    return hr;
}

RECT CZmaVadAZBackgroundMapLayer::DrawAttribution(HDC dc, const RECT& rect) {
    RECT box = {0, 0, 0, 0};
    const std::wstring text = platform::LoadStringResource(platform::Module::Instance(), IDS_IMAGERY_ATTRIBUTION);
    const int saved = ::SaveDC(dc);
    ::SetBkMode(dc, TRANSPARENT);
    if (attributionFont_) ::SelectObject(dc, attributionFont_.Get());
    ::DrawTextW(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_RIGHT);
    const long width = rect.right - rect.left, height = rect.bottom - rect.top;
    ::OffsetRect(&box, width - (box.right - box.left) - kAttributionInset, height - (box.bottom - box.top) - kAttributionInset);
    // White text over a grey shadow one pixel down and right.
    ::SetTextColor(dc, RGB(0x80, 0x80, 0x80));
    ::DrawTextW(dc, text.c_str(), -1, &box, DT_RIGHT);
    ::OffsetRect(&box, -1, -1);
    ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    ::DrawTextW(dc, text.c_str(), -1, &box, DT_RIGHT);
    ::RestoreDC(dc, saved);
    return box;
}

void CZmaVadAZBackgroundMapLayer::DrawLogo(HDC dc, const RECT& rect, long textTop) {
    if (!logo_) return;
    Gdiplus::Image* image = logo_->Get();
    const INT width = static_cast<INT>(image->GetWidth()), height = static_cast<INT>(image->GetHeight());
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(image, Gdiplus::Rect(rect.right - width - kLogoInset, textTop - height - kLogoInset, width, height),
                       0, 0, width, height, Gdiplus::UnitPixel);
}
