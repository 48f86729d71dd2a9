#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/imagery/HostAddress.h"
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/ServiceRequest.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/imagery/TileMath.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <algorithm>
#include <cmath>

using platform::ComPtr;
using platform::Variant;
using imagery::Log;

namespace {

constexpr int kInfo = platform::kLogLevelInfo;
constexpr int kError = platform::kLogLevelError;
constexpr LANGID kChineseSimplified = 0x0804;
constexpr int kTokenValidityMinutes = 60;

// The values are read as the system's ANSI text, at most 255 characters; longer ones count as
// absent.
bool ReadRegistryText(HKEY key, const char* name, std::wstring& value) {
    char buffer[256] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[std::min<DWORD>(size, sizeof buffer - 1)] = '\0';
    value = platform::ToWide(buffer);
    return true;
}

bool ReadRegistryDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value, type = 0;
    return ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

}  // namespace

CZmaVadAZBackgroundMapLayer::CZmaVadAZBackgroundMapLayer(IDispatch* map, long position, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZLayer(map, owner),
      tileServer_(imagery::kDefaultTileServer),
      alternativeTileServer_(imagery::kDefaultAlternativeTileServer) {
    SetType(kTypeBackgroundMap);
    if (!AddUserDrawLayer(MakeUniqueName(kBaseName, map), position)) platform::ThrowHr(E_FAIL);
    ReadRegistrySettings();
    RequestTokenIfNeeded();
    CreateAttributionFont();
    if (gdiplus_.Started()) logo_ = imagery::LoadLogoImage();
}

CZmaVadAZBackgroundMapLayer::~CZmaVadAZBackgroundMapLayer() = default;

void CZmaVadAZBackgroundMapLayer::ReadRegistrySettings() {
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, RegistrySettings::kRootKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        Log(kError, "Failed to read the Terravex registry key");
    } else {
        DWORD value = 0;
        if (ReadRegistryDword(key.Get(), L"AsyncBackgroundMapEnabled", value)) {
            asynchronous_ = value != 0;
            Log(kInfo, std::string("Asynchronous mode = ") + (asynchronous_ ? "Enabled" : "Disabled"));
        }
    }
    if (asynchronous_) downloadThread_.Take();
    Log(kInfo, "Checking Credential Mode. ");
    std::wstring text;
    if (key && ReadRegistryText(key.Get(), "BingMapsCulture", text)) {
        // The market code goes into every tile address: one that would write lines into a
        // request is none.
        if (imagery::HoldsControlCharacter(text)) {
            Log(kError, "Refused BingMapsCulture holding a control character : " +
                            imagery::LoggedText(platform::ToAnsi(text)));
        } else {
            culture_ = text;
            Log(kInfo, L"Bing Map Culture : " + culture_);
        }
    }
    if (key && ReadRegistryText(key.Get(), "CredentialMode", text)) {
        if (text == L"Token" || text == L"token") credentialMode_ = kTokenMode;
        if (text == L"Key" || text == L"key") credentialMode_ = kKeyMode;
    }
    Log(kInfo, std::string("Credential Mode is ") + (credentialMode_ == kKeyMode ? "Key" : "Token"));

    Log(kInfo, "Checking if need to use chinese Server \n");
    if (::GetSystemDefaultLangID() == kChineseSimplified || ::GetUserDefaultLangID() == kChineseSimplified) {
        alternativeServer_ = true;
        Log(kInfo, "System / User set to chinese. Setting flag to use chinese server \n");
    }
    DWORD chinese = 0;
    if (key && ReadRegistryDword(key.Get(), L"ChineseBackgroundMap", chinese)) {
        alternativeServer_ = chinese != 0;
        Log(kInfo, std::string("Registry entry found for Chinese server. Overriding the flag with ") +
                       (alternativeServer_ ? "1" : "0"));
    }
    if (alternativeServer_ && credentialMode_ == kKeyMode) {
        credentialMode_ = kTokenMode;
        Log(kInfo, "Updating credential mode to use token mode as chinese flag is set.");
    }
    if (key) {
        // The tile servers are configuration: a deployment (or a test) points the layer at its own.
        imagery::ReadAddressSetting(key.Get(), L"BackgroundMapTileServer", tileServer_);
        imagery::ReadAddressSetting(key.Get(), L"BackgroundMapAlternativeTileServer", alternativeTileServer_);
    }
}

void CZmaVadAZBackgroundMapLayer::RequestTokenIfNeeded() {
    imagery::ProcessState& process = imagery::Process();
    if (credentialMode_ != kTokenMode || !process.clientToken.empty()) return;
    Log(kInfo, "Retrieving token from Bing.");
    localAddress_ = imagery::GetLocalIPAddress();
    if (imagery::ImageryServices* services = imagery::Services())
        process.clientToken = services->RequestClientToken(localAddress_, kTokenValidityMinutes);
    imagery::KeepOutOfLog(process.clientToken);
    Log(kInfo, "Received Token  = " + imagery::HiddenCredential(platform::ToAnsi(process.clientToken)));
}

void CZmaVadAZBackgroundMapLayer::CreateAttributionFont() {
    LOGFONTW font = {};
    if (HDC screen = ::CreateCompatibleDC(nullptr)) {
        font.lfHeight = ::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
        ::DeleteDC(screen);
    }
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    attributionFont_.Reset(::CreateFontIndirectW(&font));
}

imagery::MetadataAnswer CZmaVadAZBackgroundMapLayer::RequestMetadata() {
    imagery::ImageryServices* services = imagery::Services();
    return services ? services->LoadMetaImageURLAndSubDomains(*this) : imagery::MetadataAnswer::kFailed;
}

bool CZmaVadAZBackgroundMapLayer::LoadMetaImageURLAndSubDomains() {
    return RequestMetadata() == imagery::MetadataAnswer::kLoaded;
}

void CZmaVadAZBackgroundMapLayer::LoadMetadataOnce() {
    if (credentialMode_ != kKeyMode || metadataLoaded_) return;
    // A container may draw the map before it gives the map a window: a request that found nobody
    // to ask for proxy credentials then is made again by the first frame with a window, and not
    // by the frames without one, which could only fail the same way.
    const HWND window = imagery::OwnerWindowOf(*this);
    if (metadataWaitsForWindow_ && !window) return;
    Log(kInfo, "Retrieving key from Bing.");
    const imagery::MetadataAnswer answer = RequestMetadata();
    if (answer != imagery::MetadataAnswer::kLoaded) Log(kError, "Failed to Load Meta Image URL And SubDomains");
    metadataWaitsForWindow_ = answer == imagery::MetadataAnswer::kNoWindow && !window;
    metadataLoaded_ = !metadataWaitsForWindow_;
}

HRESULT CZmaVadAZBackgroundMapLayer::SaveSettings(IXMLDOMNode* parent) {
    try {
        using platform::SetAttribute;
        const imagery::ProcessState& process = imagery::Process();
        ComPtr<IXMLDOMElement> element = platform::CreateChildElement(parent, L"Layer");
        SetAttribute(element.Get(), L"layertype", persistxml::LongText(kTypeBackgroundMap));
        SetAttribute(element.Get(), L"layerfilespec", L"");
        SetAttribute(element.Get(), L"visible", persistxml::LongText(process.imageryEnabled));
        SetAttribute(element.Get(), L"MapType", persistxml::LongText(imageryType_));
        SetAttribute(element.Get(), L"ProxyServerAddress", platform::ToWide(process.proxyAddress));
        SetAttribute(element.Get(), L"ProxyServerPort", platform::ToWide(process.proxyPort));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZBackgroundMapLayer::LoadSettings(IXMLDOMElement* element, long) {
    if (!element) return E_INVALIDARG;
    try {
        imagery::ProcessState& process = imagery::Process();
        SetType(static_cast<int>(persistxml::RequireLong(element, L"layertype")));
        if (process.imageryEnabled == -1) {
            const short visible = static_cast<short>(persistxml::RequireLong(element, L"visible"));
            process.imageryEnabled = visible != 0 ? 1 : 0;
            THROW_IF_FAILED(SetVisible(process.imageryEnabled != 0));
        }
        imageryType_ = static_cast<int>(persistxml::RequireLong(element, L"MapType"));
        if (!process.proxySettingsRead) {
            process.proxySettingsRead = true;
            try {
                std::wstring address, port;
                if (platform::GetAttribute(element, L"ProxyServerAddress", address)) {
                    // A proxy on its protocol's own port is saved without one.
                    platform::GetAttribute(element, L"ProxyServerPort", port);
                    // One the dialog would refuse leaves the process without a proxy.
                    const std::wstring fault = imagery::ProxyAddressFault(address) + imagery::ProxyPortFault(port);
                    if (fault.empty()) {
                        process.proxyAddress = platform::ToAnsi(address);
                        process.proxyPort = platform::ToAnsi(port);
                    } else {
                        Log(kError, "Saved proxy server ignored: " + platform::ToAnsi(fault));
                    }
                }
            }
            CATCH_SWALLOW("a damaged proxy setting leaves the process without a proxy");
        }
        // A map loaded before it has a window (a host opening a saved form) could not ask the user
        // for proxy credentials, and would never ask again: its first draw asks instead.
        if (imagery::OwnerWindowOf(*this)) LoadMetadataOnce();
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZBackgroundMapLayer::SetVisible(bool visible) {
    const bool wasHidden = !IsVisible();
    const HRESULT hr = CZmaVadAZLayer::SetVisible(visible);
    ComPtr<IDispatch> map = GetMapXMap();
    if (wasHidden && visible && map) {
        EngineDispatch engine(map.Get());
        ComPtr<IDispatch> bounds = platform::RequireDispatch(engine.Get(Engine::Map::kBounds));
        const RECT pixels = {0, 0, static_cast<long>(engine.Get(Engine::Map::kScreenWidth).ToDouble()),
                             static_cast<long>(engine.Get(Engine::Map::kScreenHeight).ToDouble())};
        SnapZoomToBackgroundMap(GetOwner(), map.Get(), bounds.Get(), pixels);
    }
    return hr;
}

int CZmaVadAZBackgroundMapLayer::GetExtent(IDispatch* rectangle) {
    // Callers read a non-zero answer as an extent; imagery has none, so every way ends with 0.
    if (!GetMapXLayer() || !rectangle) return 0;
    try {
        EngineDispatch(rectangle).Call(Engine::Rectangle::kSet, {Variant(0.0), Variant(0.0), Variant(0.0), Variant(0.0)});
    }
    CATCH_SWALLOW("imagery has no extent: a rectangle that cannot be emptied keeps what it held");
    return 0;
}

int CZmaVadAZBackgroundMapLayer::GetBestZoomLevel(IDispatch* map, IDispatch* rectangle, const RECT& pixels) {
    EngineDispatch bounds(platform::ThrowIfNull(rectangle));
    EngineDispatch engine(platform::ThrowIfNull(map));
    const double west = bounds.Get(Engine::Rectangle::kXMin).ToDouble();
    const double south = bounds.Get(Engine::Rectangle::kYMin).ToDouble();
    const double east = bounds.Get(Engine::Rectangle::kXMax).ToDouble();
    const double north = bounds.Get(Engine::Rectangle::kYMax).ToDouble();
    double metres = 0.0;
    {
        // The engine map's distance unit, switched for a measurement and always put back.
        EnginePropertyRestorer unit(engine, Engine::Map::kDistanceUnit);
        engine.Put(Engine::Map::kDistanceUnit, Variant(static_cast<long>(DistanceUnits::kMeter)));
        // The engine measures the shorter way round the globe: a view wider than half the world
        // is measured in pieces of at most a quarter of it, so that all of its width counts.
        const double span = east - west;
        const int pieces = std::isfinite(span) && span > 90.0 ? static_cast<int>(std::min(std::ceil(span / 90.0), 64.0)) : 1;
        for (int i = 0; i < pieces; ++i) {
            const double from = west + span * i / pieces, to = i + 1 == pieces ? east : west + span * (i + 1) / pieces;
            metres += engine.Call(Engine::Map::kDistance, {Variant(from), Variant(0.0), Variant(to), Variant(0.0)}).ToDouble();
        }
    }
    imagery::ZoomChoice choice;
    if (!imagery::ChooseZoomLevel(pixels.right - pixels.left, metres, choice)) return zoomLevel_;
    const double dx = (east - west) * choice.growth, dy = (north - south) * choice.growth;
    bounds.Call(Engine::Rectangle::kSet, {Variant(west - dx / 2.0), Variant(south - dy / 2.0), Variant(east + dx / 2.0),
                                        Variant(north + dy / 2.0)});
    return choice.level;
}

bool CZmaVadAZBackgroundMapLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent&) {
    // Imagery that cannot be drawn must not keep the layers above it from their frame.
    try {
        return RenderData(dc, rect);
    }
    COM_CATCH_LOG();
    return true;
}

void RegisterBackgroundMapLayerKind(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeBackgroundMap,
                     [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                         return std::make_unique<CZmaVadAZBackgroundMapLayer>(map, 1, owner);
                     });
}
