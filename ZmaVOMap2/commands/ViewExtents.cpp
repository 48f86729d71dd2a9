#include "ZmaVOMap2/commands/ViewExtents.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

#include <algorithm>
#include <cfloat>

using platform::ComPtr;
using platform::Variant;

namespace {

ComPtr<IDispatch> MakeEngineRectangle() {
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    const HRESULT hr =
        ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, rectangle.PutVoid());
    if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowCall(hr);
    return rectangle;
}

// A property of an engine object that only has it by name.
Variant GetByName(IDispatch* object, const wchar_t* name, std::initializer_list<Variant> args = {}) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    THROW_IF_FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return EngineDispatch(object).Get(id, args);
}

void Merge(ZmaExtent& into, const ZmaExtent& e) {
    into.left = std::min(into.left, e.left);
    into.bottom = std::min(into.bottom, e.bottom);
    into.right = std::max(into.right, e.right);
    into.top = std::max(into.top, e.top);
}

constexpr ZmaExtent kEmpty = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};

}  // namespace

ZmaExtent EntireMapExtent(CZmaVadAZLayerCollection& layers) {
    ZmaExtent extent;
    bool first = true;
    for (CZmaVadAZLayer* layer : layers.Layers()) {
        ComPtr<IDispatch> rectangle = MakeEngineRectangle();
        if (!rectangle) continue;
        // Layers answer 0 whether or not they filled the rectangle: its values tell.
        layer->GetExtent(rectangle.Get());
        EngineDispatch r(rectangle.Get());
        const double xmin = r.Get(LayerEngine::Rectangle::kXMin).ToDouble();
        const double ymin = r.Get(LayerEngine::Rectangle::kYMin).ToDouble();
        const double xmax = r.Get(LayerEngine::Rectangle::kXMax).ToDouble();
        const double ymax = r.Get(LayerEngine::Rectangle::kYMax).ToDouble();
        // A coordinate of exactly 0 is a real place (the equator, the prime meridian): only a
        // point or a line without area is left out.
        if (ymax - ymin == 0 || xmax - xmin == 0) continue;
        const ZmaExtent e = {xmin, ymax, xmax, ymin};
        if (first) {
            extent = e;
            first = false;
        } else {
            Merge(extent, e);
        }
    }
    return extent;
}

void SetEngineBounds(IDispatch* engineMap, const ZmaExtent& extent) {
    ComPtr<IDispatch> rectangle = MakeEngineRectangle();
    if (!rectangle) platform::ThrowHr(E_NOINTERFACE);
    EngineDispatch(rectangle.Get())
        .Call(LayerEngine::Rectangle::kSet,
              {Variant(extent.left), Variant(extent.bottom), Variant(extent.right), Variant(extent.top)});
    EngineDispatch(engineMap).Put(EngineMap::kBounds, Variant(rectangle.Get()));
}

HRESULT ZoomToSelectedFeatures(CZmaVadAZLayerCollection& layers) {
    IDispatch* map = layers.EngineMap();
    if (!map) platform::ThrowHr(E_UNEXPECTED);
    ZmaExtent extent = kEmpty;
    for (CZmaVadAZLayer* layer : layers.Layers()) {
        if (layer->IsUserDrawn()) {
            auto* data = dynamic_cast<CZmaVadAZDataLayer*>(layer);
            ZmaExtent bounds;
            if (data && data->IsSelectionNamed() && data->GetBounds(bounds)) Merge(extent, bounds);
            continue;
        }
        ComPtr<IDispatch> selection;
        layer->GetSelection(selection);
        if (!selection || GetByName(selection.Get(), L"Count").ToLong() <= 0) continue;
        Variant bounds = GetByName(selection.Get(), L"Bounds");
        if (bounds.vt != VT_DISPATCH || !bounds.pdispVal) continue;
        EngineDispatch r(bounds.pdispVal);
        extent = {r.Get(LayerEngine::Rectangle::kXMin).ToDouble(), r.Get(LayerEngine::Rectangle::kYMax).ToDouble(),
                  r.Get(LayerEngine::Rectangle::kXMax).ToDouble(), r.Get(LayerEngine::Rectangle::kYMin).ToDouble()};
    }
    if (extent.left == kEmpty.left && extent.top == kEmpty.top && extent.right == kEmpty.right &&
        extent.bottom == kEmpty.bottom)
        return S_OK;
    if (extent.top - extent.bottom == 0 || extent.right - extent.left == 0) {
        EngineDispatch engine(map);
        engine.Put(EngineMap::kCenterX, Variant((extent.left + extent.right) * 0.5));
        engine.Put(EngineMap::kCenterY, Variant((extent.bottom + extent.top) * 0.5));
        return S_OK;
    }
    SetEngineBounds(map, extent);
    return S_OK;
}

HRESULT ApplyFeatureStyle(CZmaVadAZLayerCollection& layers) {
    CZmaVadAZLayer* annotations = layers.GetAnnotationsLayer();
    if (!annotations) return S_OK;
    ComPtr<IDispatch> selection;
    annotations->GetSelection(selection);
    if (!selection || GetByName(selection.Get(), L"Count").ToLong() < 1) return S_OK;
    Variant feature = GetByName(selection.Get(), L"Item", {Variant(1L)});
    if (feature.vt != VT_DISPATCH || !feature.pdispVal) return S_OK;
    EngineDispatch item(feature.pdispVal);
    DISPID dialog = 0;
    switch (GetByName(feature.pdispVal, L"Type").ToLong()) {
    case 0: dialog = EngineStyle::kPickSymbol; break;
    case 1: dialog = EngineStyle::kPickLine; break;
    case 2: dialog = EngineStyle::kPickRegion; break;
    case 5: dialog = EngineStyle::kPickText; break;
    default: return S_OK;
    }
    Variant style = GetByName(feature.pdispVal, L"Style");
    if (style.vt != VT_DISPATCH || !style.pdispVal) return S_OK;
    if (!EngineDispatch(style.pdispVal).Call(dialog).ToBool()) return S_OK;
    item.Call(EngineFeature::kUpdate, {Variant::Missing(), Variant::Missing()});
    return S_OK;
}
