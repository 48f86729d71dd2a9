// Drawing one frame of imagery. The tiles of the layer's zoom level are laid edge to edge from
// the view's north-west corner; each comes from the URL cache when any of its servers' addresses
// is cached there, else it is queued for the download thread (on the screen, when one runs) or
// fetched at once. The attribution line and the logo go over the tiles.
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
    HWND window = nullptr;
    POINT correction = {0, 0};
    imagery::TokenAddressParts token;
};

bool CZmaVadAZBackgroundMapLayer::RenderData(HDC dc, const RECT& rect) {
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

    // A new frame: requests of earlier frames of this layer are out of date.
    ++generation_;
    imagery::RequestQueue().RemoveLayer(this);
    if (frame.exporting) {
        Log(kInfo, "Clearing queue. Exporting Map flag is set");
        imagery::RequestQueue().Clear();
    }

    const double top = imagery::ClampLatitude(bounds.north);
    const EngineScreenPoint corner = EngineMapToScreen(map, bounds.west, top);
    frame.correction = {static_cast<long>(corner.x * kCornerFactorX), static_cast<long>(corner.y * kCornerFactorY)};
    const imagery::TileGrid grid = imagery::MakeTileGrid(bounds.west, bounds.north, zoomLevel_);

    if (credentialMode_ == kKeyMode) {
        LoadMetadataOnce();
        // Without tile addresses there is nothing to draw, not even the attribution.
        if (addressTemplate_.empty()) return true;
        if (imagery::HasSubdomainPlace(addressTemplate_) && subdomains_.empty()) return true;
    } else {
        // Printed and exported maps show roads.
        frame.token.imageryType = frame.printing || frame.exporting ? imagery::kRoad : imageryType_;
        frame.token.alternativeServer = alternativeServer_;
        frame.token.culture = culture_;
        frame.token.token = imagery::Process().clientToken;
        frame.token.tileServer = tileServer_;
        frame.token.alternativeTileServer = alternativeTileServer_;
        if (imagery::UsesAlternativeServer(frame.token)) Log(kInfo, "using chinese server");
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

    const RECT text = DrawAttribution(dc, rect);
    DrawLogo(dc, rect, text.top);
    return true;
}

void CZmaVadAZBackgroundMapLayer::DrawTokenTile(Frame& frame, const std::wstring& quadkey, POINT at) {
    // The same tile may be cached under any server's name.
    std::vector<std::wstring> addresses;
    for (int server = 0; server < kTokenServers; ++server) {
        addresses.push_back(imagery::TokenTileAddress(frame.token, quadkey, server));
        std::wstring file;
        if (imagery::FindCachedTile(addresses.back(), file)) {
            FetchAndDraw(frame, addresses.back(), at);
            return;
        }
        if (imagery::UsesAlternativeServer(frame.token)) break;  // one server only
    }
    ++serverCounter_;
    const std::wstring address = addresses[serverCounter_ % addresses.size()];
    QueueOrFetch(frame, address, std::move(addresses), at);
}

void CZmaVadAZBackgroundMapLayer::DrawKeyTile(Frame& frame, const std::wstring& quadkey, POINT at) {
    try {
        if (imageryType_ == imagery::kRoad && alternativeServer_) {
            const std::wstring address = imagery::AlternativeKeyTileAddress(alternativeTileServer_, quadkey);
            QueueOrFetch(frame, address, {address}, at);
            return;
        }
        if (!imagery::HasSubdomainPlace(addressTemplate_)) {
            const std::wstring address = imagery::KeyTileAddress(addressTemplate_, quadkey, std::wstring());
            QueueOrFetch(frame, address, {address}, at);
            return;
        }
        std::vector<std::wstring> addresses;
        for (const std::wstring& subdomain : subdomains_) {
            addresses.push_back(imagery::KeyTileAddress(addressTemplate_, quadkey, subdomain));
            std::wstring file;
            if (imagery::FindCachedTile(addresses.back(), file)) {
                FetchAndDraw(frame, addresses.back(), at);
                return;
            }
        }
        ++serverCounter_;
        const std::wstring address = addresses[serverCounter_ % addresses.size()];
        QueueOrFetch(frame, address, std::move(addresses), at);
    } CATCH_REPORT([](const platform::ComError*) {
        // One tile that fails leaves the others to be drawn.
        Log(kError, "unhandled exception while downloading file to cache");
    });
}

void CZmaVadAZBackgroundMapLayer::QueueOrFetch(Frame& frame, const std::wstring& address,
                                               std::vector<std::wstring> cachedAs, POINT at) {
    // Only the screen waits for tiles: a printed or exported map needs every tile before it is
    // done, and without a download thread nobody would fetch a queued one.
    const bool queue = asynchronous_ && !frame.printing && frame.window && !frame.exporting &&
                       imagery::Process().downloadThreadRunning;
    if (!queue) {
        FetchAndDraw(frame, address, at);
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
    imagery::RequestQueue().Append(std::move(request));
    imagery::DownloadThread().Wake();
}

HRESULT CZmaVadAZBackgroundMapLayer::FetchAndDraw(Frame& frame, const std::wstring& address, POINT at) {
    std::wstring file;
    // A proxy that asks for credentials gets the ones the process holds.
    IUnknown* credentials = static_cast<IBindStatusCallback*>(&imagery::DownloadStatusCallback());
    HRESULT hr = imagery::FindCachedTile(address, file) ? S_OK : imagery::DownloadTileToCache(address, file, credentials);
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
