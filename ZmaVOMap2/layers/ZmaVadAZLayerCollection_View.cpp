// What the collection does for the map view and the series as a whole: zoom to the selection,
// the extent of the entire map, the symbol role of a series' field, the data-layer list, the
// print legend's texts and the lock-map-view flag.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"

#include <algorithm>
#include <cfloat>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr ZmaExtent kEmptyExtent = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};

bool IsEmptyExtent(const ZmaExtent& e) {
    return e.left == kEmptyExtent.left && e.top == kEmptyExtent.top && e.right == kEmptyExtent.right &&
           e.bottom == kEmptyExtent.bottom;
}

ComPtr<IDispatch> NewEngineRectangle() {
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()));
    return rectangle;
}

// Reconnects the control's engine events however the scope is left.
class EngineEventsSuspension {
public:
    explicit EngineEventsSuspension(CZmaVadAZLayerCollection& layers) : layers_(layers) { layers_.SuspendEngineEvents(); }
    ~EngineEventsSuspension() { layers_.ResumeEngineEvents(); }
    EngineEventsSuspension(const EngineEventsSuspension&) = delete;
    EngineEventsSuspension& operator=(const EngineEventsSuspension&) = delete;

private:
    CZmaVadAZLayerCollection& layers_;
};

}  // namespace

void CZmaVadAZLayerCollection::SuspendEngineEvents() noexcept {
    try {
        host_->SuspendEngineEvents();
    }
    COM_CATCH_LOG();
}

void CZmaVadAZLayerCollection::ResumeEngineEvents() noexcept {
    try {
        host_->ResumeEngineEvents();
    }
    COM_CATCH_LOG();
}

HRESULT CZmaVadAZLayerCollection::ZoomToSelection(bool /*fit*/) {
    EngineEventsSuspension suspended(*this);
    if (!map_) platform::ThrowHr(E_UNEXPECTED);

    ZmaExtent area = kEmptyExtent;
    for (const auto& held : layers_) {
        CZmaVadAZLayer* layer = held.get();
        if (layer->IsUserDrawn()) {
            ZmaExtent selected;
            if (!layer->GetSelectionBounds(selected)) continue;
            area.left = std::min(area.left, selected.left);
            area.bottom = std::min(area.bottom, selected.bottom);
            area.right = std::max(area.right, selected.right);
            area.top = std::max(area.top, selected.top);
            continue;
        }
        ComPtr<IDispatch> selection;
        layer->GetSelection(selection);
        if (!selection) continue;
        EngineDispatch features(selection.Get());
        if (features.GetByName(L"Count").ToLong() <= 0) continue;
        ComPtr<IDispatch> bounds = platform::DispatchOf(features.GetByName(L"Bounds"));
        if (!bounds) continue;
        // An engine table's selection joins what the layers above it gave: the user selected
        // both, and the view is to show both.
        EngineDispatch box(bounds.Get());
        area.left = std::min(area.left, box.Get(Engine::Rectangle::kXMin).ToDouble());
        area.top = std::max(area.top, box.Get(Engine::Rectangle::kYMax).ToDouble());
        area.right = std::max(area.right, box.Get(Engine::Rectangle::kXMax).ToDouble());
        area.bottom = std::min(area.bottom, box.Get(Engine::Rectangle::kYMin).ToDouble());
    }
    if (IsEmptyExtent(area)) return S_OK;

    EngineDispatch map(map_.Get());
    if (area.top - area.bottom == 0.0 || area.right - area.left == 0.0) {
        map.Put(Engine::Map::kCenterX, Variant((area.left + area.right) * 0.5));
        map.Put(Engine::Map::kCenterY, Variant((area.bottom + area.top) * 0.5));
        return S_OK;
    }
    ComPtr<IDispatch> rectangle = NewEngineRectangle();
    EngineDispatch(rectangle.Get())
        .Call(Engine::Rectangle::kSet, {Variant(area.left), Variant(area.bottom), Variant(area.right), Variant(area.top)});
    map.Put(Engine::Map::kBounds, Variant(rectangle.Get()));
    return S_OK;
}

void CZmaVadAZLayerCollection::ViewEntireMap(ZmaExtent& extent) {
    extent = {0, 0, 0, 0};
    bool first = true;
    for (const auto& held : layers_) {
        ComPtr<IDispatch> rectangle = NewEngineRectangle();
        // Table layers fill the rectangle without saying so: its values tell, and an untouched
        // rectangle has no area.
        held->GetExtent(rectangle.Get());
        EngineDispatch box(rectangle.Get());
        const double xMin = box.Get(Engine::Rectangle::kXMin).ToDouble(), yMin = box.Get(Engine::Rectangle::kYMin).ToDouble();
        const double xMax = box.Get(Engine::Rectangle::kXMax).ToDouble(), yMax = box.Get(Engine::Rectangle::kYMax).ToDouble();
        // A layer without area (a point or a line of points) adds nothing. A coordinate of
        // exactly 0 is a real place (the equator, the prime meridian) and counts like any other.
        if (yMax - yMin == 0.0 || xMax - xMin == 0.0) continue;
        if (first) {
            extent = {xMin, yMax, xMax, yMin};
            first = false;
            continue;
        }
        extent.left = std::min(extent.left, xMin);
        extent.top = std::max(extent.top, yMax);
        extent.right = std::max(extent.right, xMax);
        extent.bottom = std::min(extent.bottom, yMin);
    }
}

HRESULT CZmaVadAZLayerCollection::SetCellColourField(const SeriesId& key, const std::string& field, long id) {
    const std::wstring wideField = platform::ToWide(field);
    for (CZmaVadAZLayer* layer : FindLayers(key)) {
        layer->SetCellColourField(field.c_str(), static_cast<int>(id));
        if (!layer->HasLayerKey()) continue;
        if (CZmaVadAZDatasetComposition* composition = FindCompositionByKey(layer->GetLayerKey()))
            SetLayerEntryName(*composition, wideField.c_str(), id);
    }
    return S_OK;
}

std::vector<CZmaVadAZLayer*> CZmaVadAZLayerCollection::GetDataLayers() const {
    std::vector<CZmaVadAZLayer*> found;
    for (const auto& held : layers_)
        if (held->GetType() == CZmaVadAZLayer::kTypeDataset && held->IsDataLayer()) found.push_back(held.get());
    return found;
}

void CZmaVadAZLayerCollection::PrepareForPrinting() {
    ComPtr<IHostLegendSeries> legend = Legend();
    ComPtr<IHostPrintLegend> print = PrintLegend();
    if (!legend || !print) return;
    ComPtr<IHostLegendText> texts;
    if (FAILED(legend->QueryInterface(__uuidof(IHostLegendText), texts.PutVoid())) || !texts) return;
    for (const SeriesId& series : series_.LayerIds()) {
        Bstr key(series.Text());
        Bstr text;
        if (FAILED(texts->GetSeriesText(key.Get(), text.Put()))) continue;
        print->SetLegendText(key.Get(), text.Get());
    }
}
