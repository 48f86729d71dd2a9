#include "ZmaVOMap2/lines/ZmaVadAZLinesToSectorsLayer.h"

#include "ZmaVOMap2/datalayers/RendererOptimiser.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/HostColour.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesLayer.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

using platform::Bstr;
using platform::Variant;

namespace {

// One flag for every layer of the kind: a hit test pumps messages, and a nested one finds nothing.
bool g_sectorLinesBusy = false;

bool SameText(const Bstr& a, const Bstr& b) {
    return a.Length() == b.Length() && std::equal(a.Get(), a.Get() + a.Length(), b.Get());
}

Bstr Copy(BSTR s) { return s ? Bstr(std::wstring(s, ::SysStringLen(s))) : Bstr(); }

// The position of a line's end, in the dataset of the first layer of its series, when the map
// draws its row.
bool DrawnEnd(CZmaVadAZLayerCollection& owner, const Bstr& series, long row, ZmaPointD& position) {
    CZmaVadAZDataLayer* data = AsDataLayer(owner.FindLayer(series.Wide()));
    return data && data->GetDataset() && DrawnRows(data->GetDataset()).Position(row, position.x, position.y);
}

// A coordinate of the arrow's tip as the float it is kept in; one past the float range (a
// proportion of 1e308) is an infinite one, which draws nothing.
float MarkerCoordinate(double v) {
    if (v > FLT_MAX) return HUGE_VALF;
    if (v < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(v);
}

}  // namespace

void RegisterLinesToSectorsLayerKind(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeLinesToSectors, [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) {
        return std::unique_ptr<CZmaVadAZLayer>(std::make_unique<CZmaVadAZLinesToSectorsLayer>(map, owner));
    });
}

CZmaVadAZLinesToSectorsLayer::CZmaVadAZLinesToSectorsLayer(IDispatch* map, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZLayer(map, owner) {
    SetType(kTypeLinesToSectors);
}

CZmaVadAZLinesToSectorsLayer::~CZmaVadAZLinesToSectorsLayer() {
    // A tooltip shown for this layer must not outlive it.
    if (rollovertip::Window()) HideRolloverTip(this);
}

HRESULT CZmaVadAZLinesToSectorsLayer::Attach(const std::string& name, int type, const std::string& /*fileSpec*/) {
    return AttachUserDrawLayer(name, type);
}

// --- Lines -----------------------------------------------------------------------------------------

HRESULT CZmaVadAZLinesToSectorsLayer::AddLine(BSTR guid1, long rowId1, BSTR guid2, long rowId2, long lineWidth,
                                              long lineType, const VARIANT& lineColor, BSTR toolTip, bool drawArrow,
                                              double proportion, long* index) {
    if (!index) return E_POINTER;
    SectorLine line;
    line.guid1 = Copy(guid1);
    line.rowId1 = rowId1;
    line.guid2 = Copy(guid2);
    line.rowId2 = rowId2;
    line.lineWidth = lineWidth;
    line.lineType = lineType;
    line.lineColor = KeepHostColour(lineColor);
    line.toolTip = Copy(toolTip);
    line.drawArrow = drawArrow;
    line.proportion = proportion;
    line.visible = true;
    *index = StoreLine(std::move(line));
    return S_OK;
}

long CZmaVadAZLinesToSectorsLayer::StoreLine(SectorLine line) {
    for (size_t i = 0; i < lines_.size(); ++i) {
        SectorLine& stored = lines_[i];
        if (stored.rowId1 != line.rowId1 || stored.rowId2 != line.rowId2) continue;
        if (!SameText(stored.guid1, line.guid1) || !SameText(stored.guid2, line.guid2)) continue;
        stored = std::move(line);
        return static_cast<long>(i);
    }
    lines_.push_back(std::move(line));
    return static_cast<long>(lines_.size()) - 1;
}

HRESULT CZmaVadAZLinesToSectorsLayer::ClearLines() {
    lines_.clear();
    return S_OK;
}

bool CZmaVadAZLinesToSectorsLayer::SetLineVisible(long index, bool visible) {
    if (index < 0 || index >= GetLineCount()) return false;
    lines_[static_cast<size_t>(index)].visible = visible;
    return true;
}

CZmaVadAZDataLayer* CZmaVadAZLinesToSectorsLayer::VisibleSeriesLayer(const std::wstring& key) {
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (!owner) return nullptr;
    for (CZmaVadAZLayer* layer : owner->FindLayers(key)) {
        if (!layer->IsVisible()) continue;
        // Only a cell-site layer places sectors: a points layer under the key is no end of a line.
        CZmaVadAZDataLayer* data = AsDataLayer(layer);
        if (!data || !dynamic_cast<RendererOptimiserCellSites*>(data->GetOptimiser()) || !data->GetDataset())
            return nullptr;
        return data;
    }
    return nullptr;
}

HRESULT CZmaVadAZLinesToSectorsLayer::ForEachLine(LinesToSectorsActionInterface& action) {
    // Before the first frame there is no view to place a line in.
    if (::IsRectEmpty(&drawingRect_)) return S_OK;
    try {
        IDispatch* map = GetMapXMap().Get();
        for (size_t i = 0; i < lines_.size(); ++i) {
            const SectorLine& line = lines_[i];
            if (!line.visible) continue;
            CZmaVadAZDataLayer* first = VisibleSeriesLayer(line.guid1.Wide());
            if (!first) continue;
            CZmaVadAZDataLayer* second = VisibleSeriesLayer(line.guid2.Wide());
            if (!second) continue;
            LineGeometry one(first->GetDataset(), first, first, drawingRect_, viewExtent_, map, POINT{0, 0});
            LineGeometry two(second->GetDataset(), second, second, drawingRect_, viewExtent_, map, POINT{0, 0});
            POINT start = {0, 0}, end = {0, 0};
            if (!one.ProjectRowPosition(line.rowId1, start)) continue;
            if (!two.ProjectRowPosition(line.rowId2, end)) continue;
            POINT clippedStart, clippedEnd;
            if (!one.ClipSegmentToView(start, end, clippedStart, clippedEnd)) continue;

            MarkerPoint marker;
            if (line.proportion == 0.0) {
                marker = {static_cast<float>(start.x), static_cast<float>(start.y)};
            } else if (line.proportion == 1.0) {
                marker = {static_cast<float>(end.x), static_cast<float>(end.y)};
            } else {
                marker = {MarkerCoordinate(start.x + line.proportion * (end.x - start.x)),
                          MarkerCoordinate(start.y + line.proportion * (end.y - start.y))};
            }
            if (!action(clippedStart, clippedEnd, marker, line, static_cast<long>(i))) return S_FALSE;
        }
        return S_OK;
    }
    CATCH_RETURN_QUIET();
}

// --- Layer operations ------------------------------------------------------------------------------

bool CZmaVadAZLinesToSectorsLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    const CZmaVadAZLayerCollection* owner = GetOwner();
    SectorLineRenderer renderer(owner && owner->UsesGdiPlus(), dc, rect);
    drawingRect_ = rect;
    viewExtent_ = extent;
    ForEachLine(renderer);
    return true;
}

bool CZmaVadAZLinesToSectorsLayer::HitTest(long x, long y, double /*mapX*/, double /*mapY*/) {
    if (g_sectorLinesBusy) return false;
    RolloverSectorLinesHitTester tester(POINT{x, y}, this);
    ForEachLine(tester);
    const bool hit = tester.IsHit();
    if (!hit) HideRolloverTip(this);
    g_sectorLinesBusy = true;
    CZmaVadAZLinesLayer::PumpMessages();
    g_sectorLinesBusy = false;
    return hit;
}

bool CZmaVadAZLinesToSectorsLayer::OnToolUsed(long x, long y, double /*mapX*/, double /*mapY*/) {
    ClickSectorLinesHitTester tester(POINT{x, y});
    ForEachLine(tester);
    if (!tester.IsHit()) return false;
    if (CZmaVadAZLayerCollection* owner = GetOwner()) {
        Bstr name(platform::ToWide(GetName()));
        owner->Host().FireFeatureSelected(name.Get(), tester.GetHitIndex());
    }
    return false;
}

int CZmaVadAZLinesToSectorsLayer::GetExtent(IDispatch* rectangle) {
    ZmaExtent bounds = extent::Empty();
    if (CZmaVadAZLayerCollection* owner = GetOwner()) {
        for (const SectorLine& line : lines_) {
            // A line counts as the map draws it, with both ends: no row off the world takes the
            // map's view past the world.
            ZmaPointD first, second;
            if (!line.visible || !DrawnEnd(*owner, line.guid1, line.rowId1, first) ||
                !DrawnEnd(*owner, line.guid2, line.rowId2, second))
                continue;
            extent::Extend(bounds, first);
            extent::Extend(bounds, second);
        }
    }
    const bool found = !extent::IsEmpty(bounds);
    if (!found) bounds = {0, 0, 0, 0};
    EngineDispatch(platform::ThrowIfNull(rectangle, E_POINTER))
        .Call(Engine::Rectangle::kSet,
              {Variant(bounds.left), Variant(bounds.top), Variant(bounds.right), Variant(bounds.bottom)});
    return found ? 1 : 0;
}
