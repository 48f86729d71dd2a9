#include "ZmaVOMap2/markers/ZmaVadAZRegionLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <memory>

using platform::ComPtr;
using platform::Variant;

namespace {

constexpr long kToolPolyFilter = 4;

// The host hands its objects back through an interface identifier and an IUnknown out pointer;
// a success without an object counts as a refusal too.
template <class I, class Call>
ComPtr<I> HostObject(REFIID iid, Call&& call) {
    ComPtr<IUnknown> unknown;
    THROW_IF_FAILED(call(iid, unknown.Put()));
    ComPtr<I> object;
    if (!unknown || FAILED(unknown->QueryInterface(iid, object.PutVoid())) || !object) platform::ThrowHr(E_POINTER);
    return object;
}

}  // namespace

CZmaVadAZRegionLayer::CZmaVadAZRegionLayer(IRegionSet* regions, IDispatch* map, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZLayer(map, owner), regions_(platform::ThrowIfNull(regions)) {
    SetType(kTypeRegion);
    const std::string name = MakeUniqueName("Region", map);
    if (!AddUserDrawLayer(name)) platform::ThrowHr(E_POINTER);
}

void CZmaVadAZRegionLayer::AddPolygon(const std::vector<ZmaPointD>& ring) {
    ComPtr<IRegion> region =
        HostObject<IRegion>(IID_IRegion, [&](REFIID iid, IUnknown** out) { return regions_->AddRegion(iid, out); });
    ComPtr<IRegionPolygon> polygon = HostObject<IRegionPolygon>(
        IID_IRegionPolygon, [&](REFIID iid, IUnknown** out) { return region->AddPolygon(iid, out); });
    for (const ZmaPointD& p : ring) THROW_IF_FAILED(polygon->AppendPoint(p.x, p.y));
    Redraw();
}

void CZmaVadAZRegionLayer::ClearAllRegions() {
    THROW_IF_FAILED(regions_->RemoveAll());
    Redraw();
}

template <class Visit>
void CZmaVadAZRegionLayer::ForEachPolygon(Visit&& visit) {
    unsigned long regionCount = 0;
    THROW_IF_FAILED(regions_->GetCount(&regionCount));
    for (unsigned long i = 0; i < regionCount; ++i) {
        ComPtr<IRegion> region = HostObject<IRegion>(
            IID_IRegion, [&](REFIID iid, IUnknown** out) { return regions_->GetRegion(i, iid, out); });
        unsigned long polygonCount = 0;
        THROW_IF_FAILED(region->GetCount(&polygonCount));
        for (unsigned long j = 0; j < polygonCount; ++j) {
            ComPtr<IRegionPolygon> polygon = HostObject<IRegionPolygon>(
                IID_IRegionPolygon, [&](REFIID iid, IUnknown** out) { return region->GetPolygon(j, iid, out); });
            unsigned long pointCount = 0;
            THROW_IF_FAILED(polygon->GetCount(&pointCount));
            std::vector<ZmaPointD> points(pointCount);
            for (unsigned long k = 0; k < pointCount; ++k) {
                THROW_IF_FAILED(polygon->GetLongitude(k, &points[k].x));
                THROW_IF_FAILED(polygon->GetLatitude(k, &points[k].y));
            }
            visit(points);
        }
    }
}

int CZmaVadAZRegionLayer::GetExtent(IDispatch* rectangle) {
    bool any = false;
    ZmaExtent bounds = {0, 0, 0, 0};  // left = min x, top = min y, right = max x, bottom = max y
    ForEachPolygon([&](const std::vector<ZmaPointD>& points) {
        for (const ZmaPointD& p : points) {
            if (!any) {
                bounds = {p.x, p.y, p.x, p.y};
                any = true;
                continue;
            }
            bounds.left = std::min(bounds.left, p.x);
            bounds.right = std::max(bounds.right, p.x);
            bounds.top = std::min(bounds.top, p.y);
            bounds.bottom = std::max(bounds.bottom, p.y);
        }
    });
    if (rectangle)
        EngineDispatch(rectangle).Call(Engine::Rectangle::kSet, {Variant(bounds.left), Variant(bounds.top),
                                                                      Variant(bounds.right), Variant(bounds.bottom)});
    return any ? 1 : 0;
}

bool CZmaVadAZRegionLayer::Draw(HDC dc, const RECT&, const ZmaExtent&) {
    const int width = ::MulDiv(1, ::GetDeviceCaps(dc, LOGPIXELSY), 96);
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, width, RGB(0, 0, 0)));
    platform::SelectObjectRestorer selected(dc, pen.Get());
    EngineDispatch map(GetMapXMap().Get());
    ForEachPolygon([&](const std::vector<ZmaPointD>& points) {
        for (size_t k = 0; k + 1 < points.size(); ++k) {
            const EngineScreenPoint a = EngineMapToScreen(map, points[k].x, points[k].y);
            const EngineScreenPoint b = EngineMapToScreen(map, points[k + 1].x, points[k + 1].y);
            ::MoveToEx(dc, static_cast<int>(a.x), static_cast<int>(a.y), nullptr);
            ::LineTo(dc, static_cast<int>(b.x), static_cast<int>(b.y));
        }
    });
    return true;
}

bool CZmaVadAZRegionLayer::OnToolUsed(long, long, double, double) {
    CZmaVadAZLayerCollection* owner = GetOwner();
    long tool = 0;
    return owner && owner->Host().ReadCurrentTool(tool) && tool == kToolPolyFilter;
}

void CZmaVadAZRegionLayer::Redraw() {
    ComPtr<IDispatch> layer = GetMapXLayer();
    if (layer) EngineDispatch(layer.Get()).Call(Engine::Layer::kInvalidate);
}

namespace regions {

CZmaVadAZRegionLayer* Find(CZmaVadAZLayerCollection& collection) {
    return dynamic_cast<CZmaVadAZRegionLayer*>(collection.FindLayerByType(CZmaVadAZLayer::kTypeRegion));
}

void Edit(CZmaVadAZLayerCollection& collection, IRegionSet* set) {
    platform::ThrowIfNull(set);
    THROW_IF_FAILED(collection.RemoveLayersOfType(CZmaVadAZLayer::kTypeRegion));
    collection.InsertAtTop(std::make_unique<CZmaVadAZRegionLayer>(set, collection.EngineMap(), &collection));
    collection.First();
}

HRESULT TurnOff(CZmaVadAZLayerCollection& collection) {
    return collection.RemoveLayersOfType(CZmaVadAZLayer::kTypeRegion);
}

void AddPolygon(CZmaVadAZLayerCollection& collection, const std::vector<ZmaPointD>& ring) {
    if (CZmaVadAZRegionLayer* layer = Find(collection)) layer->AddPolygon(ring);
}

}  // namespace regions
