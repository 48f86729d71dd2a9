#include "ZmaVOMap2/control/MapViewport.h"

#include "ZmaVOMap2/control/InputValidator.h"
#include "ZmaVOMap2/control/ViewChangeTracker.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

#include "VadAZ.h"

#include <algorithm>
#include <cmath>

using platform::ComPtr;
using platform::Variant;

namespace {

struct Box {
    double xMin, yMin, xMax, yMax;
};

Box ReadBox(IDispatch* rectangle) {
    EngineDispatch r(rectangle);
    return {r.Get(Engine::Rectangle::kXMin).ToDouble(), r.Get(Engine::Rectangle::kYMin).ToDouble(),
            r.Get(Engine::Rectangle::kXMax).ToDouble(), r.Get(Engine::Rectangle::kYMax).ToDouble()};
}

bool IsFinite(const Box& b) {
    return std::isfinite(b.xMin) && std::isfinite(b.yMin) && std::isfinite(b.xMax) && std::isfinite(b.yMax);
}

void SetBox(IDispatch* rectangle, const Box& b) {
    EngineDispatch(rectangle).Call(Engine::Rectangle::kSet,
                                   {Variant(b.xMin), Variant(b.yMin), Variant(b.xMax), Variant(b.yMax)});
}

// One side of a box kept within [low, high]: moved back inside where it fits, so that a view
// keeps its zoom, and cut to the world where it is wider.
void KeepWithin(double& from, double& to, double low, double high) {
    if (to - from > high - low) {
        from = std::max(from, low);
        to = std::min(to, high);
    } else if (from < low) {
        to += low - from;
        from = low;
    } else if (to > high) {
        from -= to - high;
        to = high;
    }
}

// A data layer's rows lie in the world, and so does every view made for them: padding or a
// re-centred view at the world's edge would otherwise reach past it.
void KeepInsideTheWorld(IDispatch* rectangle) {
    Box b = ReadBox(rectangle);
    KeepWithin(b.xMin, b.xMax, -180.0, 180.0);
    KeepWithin(b.yMin, b.yMax, -90.0, 90.0);
    SetBox(rectangle, b);
}

// The engine's current view, moved so that its centre lands on (x, y).
ComPtr<IDispatch> CurrentViewCentredOn(IDispatch* map, double x, double y) {
    ComPtr<IDispatch> view = platform::RequireDispatch(EngineDispatch(map).Get(Engine::Map::kBounds));
    const Box b = ReadBox(view.Get());
    const double width = b.xMax - b.xMin, height = b.yMax - b.yMin;
    EngineDispatch(view.Get()).Call(Engine::Rectangle::kMove,
                                    {Variant(x - (b.xMin + width * 0.5)), Variant(y - (b.yMin + height * 0.5))});
    return view;
}

// The engine's paper unit codes as the host's unit converter numbers them.
long ConverterUnitOfPaperUnit(long engineUnit) {
    switch (engineUnit) {
    case 0: return 8;
    case 1: return 14;
    case 3: return 5;
    case 4: return 6;
    case 5: return 11;
    case 6: return 12;
    case 7: return 13;
    case 10: return 2;
    case 11: return 3;
    case 31: return 7;
    default: return 4;
    }
}

constexpr long kConverterTargetUnit = 9;

}  // namespace

ComPtr<IDispatch> NewEngineRectangle() {
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()));
    return rectangle;
}

CZmaVadAZLayer* MapViewport::FindLayer(const std::wstring& keyOrName) const {
    if (!layers_) return nullptr;
    if (CZmaVadAZLayer* layer = layers_->FindLayer(keyOrName)) return layer;
    return layers_->FindLayerByName(keyOrName);
}

void MapViewport::SetBounds(IDispatch* rectangle) {
    viewChanges_.SetStage(2);
    EngineDispatch(platform::ThrowIfNull(map_)).Put(Engine::Map::kBounds, Variant(rectangle));
}

ComPtr<IDispatch> MapViewport::GetLayersBounds(CZmaVadAZLayer* layer, double padding) {
    if (!layer) return nullptr;
    ComPtr<IDispatch> rectangle = NewEngineRectangle();
    if (!layer->GetExtent(rectangle.Get())) return nullptr;
    const Box b = ReadBox(rectangle.Get());
    // No view can show an extent that is not finite.
    if (!IsFinite(b)) return nullptr;
    const bool inTheWorld = AsDataLayer(layer) != nullptr;

    if (b.xMin == b.xMax && b.yMin == b.yMax) {
        // One point: keep the zoom and centre the view on it.
        double x = b.xMin, y = b.yMin;
        if (layer->GetFeatureCount() == 1) {
            ComPtr<IDispatch> feature = layer->GetFeature(1);
            if (!feature) return nullptr;
            x = EngineDispatch(feature.Get()).Get(Engine::Feature::kCenterX).ToDouble();
            y = EngineDispatch(feature.Get()).Get(Engine::Feature::kCenterY).ToDouble();
        } else if (layer->GetType() != CZmaVadAZLayer::kTypeDataset || x < -180.0 || x > 180.0 || y < -90.0 ||
                   y > 90.0) {
            return nullptr;
        }
        ComPtr<IDispatch> view = CurrentViewCentredOn(platform::ThrowIfNull(map_), x, y);
        if (inTheWorld) KeepInsideTheWorld(view.Get());
        return view;
    }

    if (padding < 0.0) padding = 0.04;
    const double dx = (b.xMax - b.xMin) * padding, dy = (b.yMax - b.yMin) * padding;
    SetBox(rectangle.Get(), {b.xMin - dx, b.yMin - dy, b.xMax + dx, b.yMax + dy});
    if (inTheWorld) KeepInsideTheWorld(rectangle.Get());
    return rectangle;
}

void MapViewport::ZoomToLayersBounds(CZmaVadAZLayer* layer, double padding) {
    ComPtr<IDispatch> bounds = GetLayersBounds(layer, padding);
    if (!bounds) return;
    SetBounds(bounds.Get());
    EngineDispatch(map_).Call(Engine::Map::kRefresh);
}

HRESULT MapViewport::ZoomToLayers(IHostStringList* ids, double padding) {
    if (!ids) return E_INVALIDARG;
    long count = 0;
    THROW_IF_FAILED(ids->get_Count(&count));
    bool any = false;
    Box all = {0, 0, 0, 0};
    for (long i = 0; i < count; ++i) {
        Variant id;
        THROW_IF_FAILED(ids->Item(Variant(i), id.Put()));
        if (id.vt != VT_BSTR && FAILED(::VariantChangeType(&id, &id, 0, VT_BSTR))) continue;
        ComPtr<IDispatch> bounds = GetLayersBounds(FindLayer(id.bstrVal ? id.bstrVal : L""), padding);
        if (!bounds) continue;
        const Box b = ReadBox(bounds.Get());
        if (!any) {
            if (b.xMin == 0.0 && b.yMin == 0.0 && b.xMax == 0.0 && b.yMax == 0.0) continue;
            all = b;
            any = true;
            continue;
        }
        all = {std::min(all.xMin, b.xMin), std::min(all.yMin, b.yMin), std::max(all.xMax, b.xMax),
               std::max(all.yMax, b.yMax)};
    }
    if (!any) return S_OK;
    return ZoomToBoundingBox(all.yMax, all.xMin, all.yMin, all.xMax);
}

HRESULT MapViewport::ZoomToBoundingBox(double startLat, double startLong, double endLat, double endLong) {
    const InputValidator validator(CLSID_VadAZ2);
    validator.ValidateLatitude(startLat);
    validator.ValidateLongitude(startLong);
    validator.ValidateLatitude(endLat);
    validator.ValidateLongitude(endLong);

    EngineDispatch map(platform::ThrowIfNull(map_));
    ComPtr<IDispatch> rectangle = NewEngineRectangle();
    EngineDispatch(rectangle.Get())
        .Call(Engine::Rectangle::kSet, {Variant(startLong), Variant(startLat), Variant(endLong), Variant(endLat)});
    const Box b = ReadBox(rectangle.Get());
    ComPtr<IDispatch> target = rectangle;
    if (b.xMin == b.xMax || b.yMin == b.yMax) target = CurrentViewCentredOn(map_, b.xMin, b.yMin);
    SnapZoomToBackgroundMap(target.Get());
    SetBounds(target.Get());
    map.Call(Engine::Map::kRefresh);
    return S_OK;
}

void MapViewport::SyncZoomAll(double centreX, double centreY, double zoom, long pixel) {
    EngineDispatch map(platform::ThrowIfNull(map_));
    map.Put(Engine::Map::kCenterX, Variant(centreX));
    map.Put(Engine::Map::kCenterY, Variant(centreY));
    const long width = static_cast<long>(map.Get(Engine::Map::kScreenWidth).ToDouble());
    const long height = static_cast<long>(map.Get(Engine::Map::kScreenHeight).ToDouble());
    const double difference = static_cast<double>(width - height);
    // A square or tall window gives no usable divisor: an infinite or negative zoom would
    // leave the map unusable, so the zoom stays as it is.
    if (difference <= 0.0) return;
    const double newZoom = zoom / (static_cast<double>(pixel) / difference);
    if (!std::isfinite(newZoom) || newZoom <= 0.0) return;
    map.Put(Engine::Map::kZoom, Variant(newZoom));
}

void MapViewport::GetMapDimensions(IHostUnitConverter* converter, long& width, long& height) {
    EngineDispatch map(platform::ThrowIfNull(map_));
    platform::ThrowIfNull(converter);
    const long unit = ConverterUnitOfPaperUnit(map.Get(Engine::Map::kPaperUnit).ToLong());
    double w = 0.0, h = 0.0;
    THROW_IF_FAILED(converter->Convert(map.Get(Engine::Map::kPaperWidth).ToDouble(), unit, kConverterTargetUnit, &w));
    THROW_IF_FAILED(converter->Convert(map.Get(Engine::Map::kPaperHeight).ToDouble(), unit, kConverterTargetUnit, &h));
    width = static_cast<long>(std::floor(w));
    height = static_cast<long>(std::floor(h));
}

void MapViewport::SnapZoomToBackgroundMap(IDispatch* rectangle) {
    if (!rectangle || !IsBackgroundMapVisible(layers_)) return;
    EngineDispatch map(platform::ThrowIfNull(map_));
    const RECT pixels = {0, 0, static_cast<long>(map.Get(Engine::Map::kScreenWidth).ToDouble()),
                         static_cast<long>(map.Get(Engine::Map::kScreenHeight).ToDouble())};
    ::SnapZoomToBackgroundMap(layers_, map_, rectangle, pixels);
}
