#include "ZmaVOMap2/markers/ZmaVadAZMarkerLayer.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <olectl.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

using platform::ComPtr;
using platform::Variant;

namespace {

constexpr long kToolSelect = Engine::Tool::kSelect;
constexpr short kDeleteKey = 0x2E;
constexpr long kStationaryColour = 255;  // red
constexpr long kMovingColour = 0;
constexpr short kMarkerCharacter = 36;

ComPtr<IDispatch> CreateEngineObject(REFCLSID clsid) {
    ComPtr<IDispatch> object;
    THROW_IF_FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, object.PutVoid()));
    return object;
}

ComPtr<IDispatch> MakePoint(double x, double y) {
    ComPtr<IDispatch> point = CreateEngineObject(ExternalIds::kEnginePoint);
    EngineDispatch(point.Get()).Call(Engine::Point::kSet, {Variant(x), Variant(y)});
    return point;
}

// Gives a data object's medium back at scope end.
struct MediumRelease {
    STGMEDIUM* medium;
    ~MediumRelease() { ::ReleaseStgMedium(medium); }
};

struct Metres {
    double x, y;
};

Metres ToUtm(const CCoordinateSystem& utm, const ZmaPointD& p) {
    CCoordinate projected;
    if (!utm.ForwardProjection(CCoordinate(p.x, p.y, 0, CCoordinate::kGeographic), projected))
        platform::ThrowHr(E_FAIL);
    return {projected.GetX(), projected.GetY()};
}

double Distance(const Metres& a, const Metres& b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

bool ParseMarkerDrop(const unsigned char* data, size_t size, MarkerDrop& drop) {
    if (!data || size < 5) return false;
    const void* end = std::memchr(data + 5, 0, size - 5);
    if (!end) return false;
    std::int32_t number = 0;
    std::memcpy(&number, data, 4);
    drop.messageNumber = number;
    drop.stationary = data[4] != 0;
    drop.label.assign(reinterpret_cast<const char*>(data + 5));
    return true;
}

CZmaVadAZMarkerLayer::CZmaVadAZMarkerLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, bool snapToTrack)
    : CZmaVadAZLayer(map, owner), snap_(snapToTrack) {
    // The engine walks its layer list while it draws a frame: no layer joins it meanwhile.
    if (owner) owner->RequireNoFrame();
    SetType(kTypeMarker);
    Variant created = EngineDispatch(EngineLayers().Get())
                          .Call(Engine::Layers::kCreateLayer,
                                {Variant(L"Markers"), Variant(L""), Variant(1L), Variant::Missing(), Variant::Missing()});
    ComPtr<IDispatch> layer = platform::RequireDispatch(created);
    SetEngineLayer(layer.Get());
    EngineDispatch engineLayer(layer.Get());
    engineLayer.Put(Engine::Layer::kAutoLabel, Variant(true));
    ComPtr<IDispatch> labels = platform::RequireDispatch(engineLayer.Get(Engine::Layer::kLabelProperties));
    EngineDispatch(labels.Get()).Put(Engine::Labels::kOffset, Variant(static_cast<short>(8)));
    EngineDispatch(labels.Get()).Put(Engine::Labels::kOverlap, Variant(true));
    SetNameOnly(platform::ToAnsi(engineLayer.Get(Engine::Layer::kName).ToWide()));
}

void CZmaVadAZMarkerLayer::RefreshMap() {
    const long handle = EngineDispatch(GetMapXMap().Get()).Get(Engine::Map::kWindowHandle).ToLong();
    if (HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle))) ::InvalidateRect(window, nullptr, TRUE);
}

void CZmaVadAZMarkerLayer::QueueChange(const MarkerChange& change) {
    changes_.push_back(change);
    if (CZmaVadAZLayerCollection* owner = GetOwner()) owner->Host().FireMarkerChanged();
}

HRESULT CZmaVadAZMarkerLayer::HandleDrop(IDataObject* data, double longitude, double latitude) {
    try {
        if (!data) return E_POINTER;
        const CLIPFORMAT format = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"ZemroMarker"));
        FORMATETC wanted = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (data->QueryGetData(&wanted) != S_OK) return S_OK;

        STGMEDIUM medium = {};
        THROW_IF_FAILED(data->GetData(&wanted, &medium));
        MediumRelease release{&medium};
        if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) return DV_E_TYMED;
        MarkerDrop drop;
        bool valid = false;
        if (const void* block = ::GlobalLock(medium.hGlobal)) {
            valid = ParseMarkerDrop(static_cast<const unsigned char*>(block), ::GlobalSize(medium.hGlobal), drop);
            ::GlobalUnlock(medium.hGlobal);
        }
        if (!valid) return E_INVALIDARG;

        if (snap_ && !SnapToTrack(longitude, latitude)) return S_FALSE;
        const HRESULT hr = AddMarker(drop.messageNumber, longitude, latitude, drop.stationary,
                                     L"Marker:" + platform::ToWide(drop.label));
        // Only a marker that is on the map is announced to the host.
        if (SUCCEEDED(hr)) QueueChange({drop.messageNumber, longitude, latitude, true});
        return hr;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZMarkerLayer::AddMarker(long messageNumber, double longitude, double latitude, bool stationary,
                                        const std::wstring& label) {
    try {
        ComPtr<IDispatch> point = MakePoint(longitude, latitude);
        ComPtr<IDispatch> style = CreateEngineObject(ExternalIds::kEngineStyle);
        EngineDispatch styleCalls(style.Get());
        ComPtr<IDispatch> fontDispatch = platform::RequireDispatch(styleCalls.Get(Engine::Style::kSymbolFont));
        ComPtr<IFont> font;
        THROW_IF_FAILED(fontDispatch->QueryInterface(IID_IFont, font.PutVoid()));
        platform::Bstr fontName(L"MapInfo Symbols");
        THROW_IF_FAILED(font->put_Name(fontName.Get()));
        CY size;
        size.int64 = 120000;
        THROW_IF_FAILED(font->put_Size(size));
        styleCalls.Put(Engine::Style::kSymbolCharacter, Variant(kMarkerCharacter));
        styleCalls.Put(Engine::Style::kSymbolFontColor, Variant(stationary ? kStationaryColour : kMovingColour));

        ComPtr<IDispatch> factory = platform::RequireDispatch(EngineDispatch(GetMapXMap().Get()).Get(Engine::Map::kFeatureFactory));
        ComPtr<IDispatch> feature = platform::RequireDispatch(
            EngineDispatch(factory.Get()).Call(Engine::FeatureFactory::kCreateSymbol, {Variant(point.Get()), Variant(style.Get())}));
        EngineDispatch(feature.Get()).Put(Engine::Feature::kKeyValue, Variant(label));

        ComPtr<IDispatch> added = platform::RequireDispatch(
            EngineDispatch(GetMapXLayer().Get()).Call(Engine::Layer::kAddFeature, {Variant(feature.Get())}));
        keys_.emplace(EngineDispatch(added.Get()).Get(Engine::Feature::kKey).ToWide(), messageNumber);
        RefreshMap();
        return S_OK;
    } CATCH_RETURN_QUIET()
}

ComPtr<IDispatch> CZmaVadAZMarkerLayer::GetSelectedMarker() {
    ComPtr<IDispatch> selection = platform::DispatchOf(EngineDispatch(GetMapXLayer().Get()).Get(Engine::Layer::kSelection));
    if (!selection) return nullptr;
    EngineDispatch list(selection.Get());
    if (list.Get(Engine::Selection::kCount).ToLong() != 1) return nullptr;
    return platform::DispatchOf(list.Get(Engine::Selection::kItem, {Variant(1L)}));
}

bool CZmaVadAZMarkerLayer::ReadSelectTool(bool& isSelect) {
    CZmaVadAZLayerCollection* owner = GetOwner();
    long tool = 0;
    if (!owner || !owner->Host().ReadCurrentTool(tool)) return false;
    isSelect = tool == kToolSelect;
    return true;
}

bool CZmaVadAZMarkerLayer::OnToolUsed(long, long, double, double) {
    bool isSelect = false;
    if (!ReadSelectTool(isSelect) || !isSelect || !GetSelectedMarker()) return false;
    picked_ = true;
    return true;
}

bool CZmaVadAZMarkerLayer::OnMouseUp(long, long, double mapX, double mapY) {
    if (!picked_) return false;
    picked_ = false;
    ComPtr<IDispatch> feature = GetSelectedMarker();
    if (!feature) return false;
    EngineDispatch calls(feature.Get());
    ComPtr<IDispatch> point = platform::RequireDispatch(calls.Get(Engine::Feature::kPoint));
    double longitude = mapX, latitude = mapY;
    if (snap_ && !SnapToTrack(longitude, latitude)) return true;
    auto key = keys_.find(calls.Get(Engine::Feature::kKey).ToWide());
    if (key == keys_.end()) return false;

    QueueChange({key->second, longitude, latitude, true});
    EngineDispatch(point.Get()).Call(Engine::Point::kSet, {Variant(longitude), Variant(latitude)});
    calls.Put(Engine::Feature::kPoint, Variant(point.Get()));
    calls.Call(Engine::Feature::kUpdate);
    RefreshMap();
    return true;
}

bool CZmaVadAZMarkerLayer::OnKeyDown(short keyCode, short) {
    if (keyCode != kDeleteKey) return false;
    bool isSelect = false;
    if (!ReadSelectTool(isSelect)) return false;
    if (!isSelect) return true;
    ComPtr<IDispatch> feature = GetSelectedMarker();
    if (!feature) return false;
    const std::wstring featureKey = EngineDispatch(feature.Get()).Get(Engine::Feature::kKey).ToWide();
    auto key = keys_.find(featureKey);
    if (key == keys_.end()) return false;
    const long messageNumber = key->second;

    // The deletion goes first: a marker the engine keeps must not be reported as gone.
    EngineDispatch(GetMapXLayer().Get()).Call(Engine::Layer::kDeleteFeature, {Variant(featureKey)});
    keys_.erase(key);
    QueueChange({messageNumber, 0.0, 0.0, false});
    RefreshMap();
    return true;
}

void CZmaVadAZMarkerLayer::UpdateLabelsForPosition() {
    EngineDispatch(GetMapXLayer().Get()).Put(Engine::Layer::kAutoLabel, Variant(GetLayerPosition() == 1));
    RefreshMap();
}

BOOL CZmaVadAZMarkerLayer::MoveUp(bool apply, int positions) {
    const BOOL moved = CZmaVadAZLayer::MoveUp(apply, positions);
    UpdateLabelsForPosition();
    return moved;
}

BOOL CZmaVadAZMarkerLayer::MoveDown(bool apply, int positions) {
    const BOOL moved = CZmaVadAZLayer::MoveDown(apply, positions);
    UpdateLabelsForPosition();
    return moved;
}

HRESULT CZmaVadAZMarkerLayer::GetNextMarkerChange(long& messageNumber, double& longitude, double& latitude,
                                                  bool& gpsSet) {
    if (changes_.empty()) return S_FALSE;
    const MarkerChange change = changes_.front();
    changes_.pop_front();
    messageNumber = change.messageNumber;
    longitude = change.longitude;
    latitude = change.latitude;
    gpsSet = change.gpsSet;
    return S_OK;
}

HRESULT CZmaVadAZMarkerLayer::SetMarkerStationary(long messageNumber, bool stationary) {
    try {
        for (const auto& entry : keys_) {
            if (entry.second != messageNumber) continue;
            ComPtr<IDispatch> feature = platform::RequireDispatch(
                EngineDispatch(GetMapXLayer().Get()).Call(Engine::Layer::kFeatureByKey, {Variant(entry.first)}));
            EngineDispatch calls(feature.Get());
            ComPtr<IDispatch> style = platform::RequireDispatch(calls.Get(Engine::Feature::kStyle));
            EngineDispatch(style.Get())
                .Put(Engine::Style::kSymbolFontColor, Variant(stationary ? kStationaryColour : kMovingColour));
            calls.Put(Engine::Feature::kStyle, Variant(style.Get()));
            calls.Call(Engine::Feature::kUpdate);
            RefreshMap();
            return S_OK;
        }
        return S_FALSE;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZMarkerLayer::ResetMarkerLayer() {
    try {
        ComPtr<IDispatch> layer = GetMapXLayer();
        if (!layer) return E_POINTER;
        EngineDispatch engineLayer(layer.Get());
        ComPtr<IDispatch> features = platform::RequireDispatch(engineLayer.Get(Engine::Layer::kAllFeatures));
        EngineDispatch list(features.Get());
        for (long i = list.Get(Engine::Collection::kCount).ToLong(); i >= 1; --i) {
            ComPtr<IDispatch> feature = platform::RequireDispatch(list.Call(Engine::Collection::kItem, {Variant(i)}));
            engineLayer.Call(Engine::Layer::kDeleteFeature, {EngineDispatch(feature.Get()).Get(Engine::Feature::kKey)});
        }
        changes_.clear();
        keys_.clear();
        return S_OK;
    } CATCH_RETURN_QUIET()
}

void CZmaVadAZMarkerLayer::RebuildTrack() {
    track_.clear();
    ComPtr<IDispatch> layer;
    if (!trackLayer_ || FAILED(trackLayer_->QueryInterface(IID_IDispatch, layer.PutVoid()))) return;
    // The engine reads coordinates in the map's distance unit; the user's unit comes back after.
    EngineDispatch map(GetMapXMap().Get());
    EnginePropertyRestorer unit(map, Engine::Map::kDistanceUnit);
    map.Put(Engine::Map::kDistanceUnit, Variant(DistanceUnits::kMeter));
    ComPtr<IDispatch> features = platform::RequireDispatch(EngineDispatch(layer.Get()).Get(Engine::Layer::kAllFeatures));
    EngineDispatch list(features.Get());
    const long count = list.Get(Engine::Collection::kCount).ToLong();
    for (long i = 1; i <= count; ++i) {
        EngineDispatch feature(platform::RequireDispatch(list.Call(Engine::Collection::kItem, {Variant(i)})).Get());
        if (feature.Get(Engine::Feature::kType).ToLong() != Engine::FeatureType::kLine) continue;
        EngineDispatch parts(platform::RequireDispatch(feature.Get(Engine::Feature::kParts)).Get());
        const long partCount = parts.Get(Engine::Collection::kCount).ToLong();
        for (long p = 1; p <= partCount; ++p) {
            EngineDispatch points(platform::RequireDispatch(parts.Call(Engine::Collection::kItem, {Variant(p)})).Get());
            const long pointCount = points.Get(Engine::Collection::kCount).ToLong();
            Polyline line;
            for (long k = 1; k <= pointCount; ++k) {
                EngineDispatch point(platform::RequireDispatch(points.Call(Engine::Collection::kItem, {Variant(k)})).Get());
                line.push_back({point.Get(Engine::Point::kX).ToDouble(), point.Get(Engine::Point::kY).ToDouble()});
            }
            if (!line.empty()) track_.push_back(std::move(line));
        }
    }
}

bool CZmaVadAZMarkerLayer::SnapToTrack(double& longitude, double& latitude) {
    try {
        CZmaVadAZLayerCollection* owner = GetOwner();
        CZmaVadAZLayer* current = owner ? owner->Current() : nullptr;
        if (!current) return false;
        ComPtr<IDispatch> engineLayer = current->GetMapXLayer();
        ComPtr<IUnknown> identity = platform::IdentityOf(engineLayer.Get());
        if (identity.Get() != trackLayer_.Get()) {
            trackLayer_ = identity;
            // A route read only in part is read again at the next snap.
            bool read = false;
            platform::ScopeExit forget([&] {
                if (read) return;
                trackLayer_ = nullptr;
                track_.clear();
            });
            RebuildTrack();
            read = true;
        }
        if (track_.empty()) return false;

        // The zone of the position itself: a route that crosses zones is measured where the
        // marker is, not in the zone of the route's first point.
        CCoordinateSystem utm;
        utm.InitUTM(latitude, longitude);
        const Metres target = ToUtm(utm, {longitude, latitude});
        Metres best = ToUtm(utm, track_.front().front());
        double bestDistance = Distance(best, target);
        for (const Polyline& line : track_) {
            Metres a = ToUtm(utm, line.front());
            if (Distance(a, target) < bestDistance) {
                best = a;
                bestDistance = Distance(a, target);
            }
            for (size_t k = 1; k < line.size(); ++k) {
                const Metres b = ToUtm(utm, line[k]);
                if (Distance(b, target) < bestDistance) {
                    best = b;
                    bestDistance = Distance(b, target);
                }
                const double dx = b.x - a.x, dy = b.y - a.y;
                const double lengthSquared = dx * dx + dy * dy;
                if (lengthSquared > 0) {
                    const double u = ((target.x - a.x) * dx + (target.y - a.y) * dy) / lengthSquared;
                    const Metres foot = {a.x + u * dx, a.y + u * dy};
                    if (u >= 0 && u <= 1 && Distance(foot, target) < bestDistance) {
                        best = foot;
                        bestDistance = Distance(foot, target);
                    }
                }
                a = b;
            }
        }
        CCoordinate geographic;
        if (!utm.InverseProjection(CCoordinate(best.x, best.y, 0, CCoordinate::kProjected), geographic)) return false;
        longitude = geographic.GetX();
        latitude = geographic.GetY();
        return true;
    }
    COM_CATCH_LOG();
    return false;
}

void RegisterMarkerLayerKind(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeMarker,
                     [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                         return std::make_unique<CZmaVadAZMarkerLayer>(map, owner, false);
                     });
}

namespace markers {

CZmaVadAZMarkerLayer* Find(CZmaVadAZLayerCollection& collection) {
    return dynamic_cast<CZmaVadAZMarkerLayer*>(collection.FindLayerByType(CZmaVadAZLayer::kTypeMarker));
}

HRESULT Open(CZmaVadAZLayerCollection& collection, bool snapToTrack) {
    if (Find(collection)) return S_FALSE;
    collection.InsertAtTop(std::make_unique<CZmaVadAZMarkerLayer>(collection.EngineMap(), &collection, snapToTrack));
    return S_OK;
}

}  // namespace markers
