#include "ZmaVOMap2/lines/ZmaVadAZLinesToPointsLayer.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/engine/ScreenProjection.h"
#include "ZmaVOMap2/layers/HostColour.h"
#include "ZmaVOMap2/layers/PenWidth.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/SectorLines.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>

using platform::Variant;

namespace {

// A line between cell sites keeps the positions its rows have now, so it joins only sites the map
// draws: a row it does not draw is refused, named, with the reason.
void TakeSitePosition(DrawnRows& sites, long row, double& longitude, double& latitude) {
    if (sites.Position(row, longitude, latitude)) return;
    throw platform::ComError(E_INVALIDARG, L"Row " + std::to_wstring(row) +
                                               L" of the cell sites is not drawn on the map: " + sites.WhyNotDrawn(row));
}

}  // namespace

CZmaVadAZLinesToPointsLayer::CZmaVadAZLinesToPointsLayer(IDispatch* map, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZLinesLayer(map, owner) {}

CZmaVadAZLinesToPointsLayer::~CZmaVadAZLinesToPointsLayer() = default;

HRESULT CZmaVadAZLinesToPointsLayer::AddLineBetweenCellsites(long rowId1, long rowId2, long width, long type,
                                                             const VARIANT& colour) {
    try {
        CZmaVadAZLayerCollection* owner = GetOwner();
        CZmaVadAZDataLayer* layer = owner ? AsDataLayer(owner->GetCellSiteLayer()) : nullptr;
        IHostDataset* dataset = layer ? layer->GetDataset() : nullptr;
        if (!dataset) return E_FAIL;
        DrawnRows sites(dataset);
        // A dataset without positions places no site: there is nothing to join, and nothing to refuse.
        if (!sites.HasPositionFields()) return S_OK;
        PointLine line;
        TakeSitePosition(sites, rowId1, line.startLongitude, line.startLatitude);
        TakeSitePosition(sites, rowId2, line.endLongitude, line.endLatitude);
        line.width = width;
        line.type = type;
        line.colour = KeepHostColour(colour);
        AddLine(std::move(line));
        return S_OK;
    }
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZLinesToPointsLayer::AddLineBetweenPoints(double startLongitude, double startLatitude,
                                                          double endLongitude, double endLatitude, long width,
                                                          long type, const VARIANT& colour) {
    try {
        PointLine line;
        line.startLongitude = startLongitude;
        line.startLatitude = startLatitude;
        line.endLongitude = endLongitude;
        line.endLatitude = endLatitude;
        line.width = width;
        line.type = type;
        line.colour = KeepHostColour(colour);
        AddLine(std::move(line));
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

void CZmaVadAZLinesToPointsLayer::AddLine(PointLine line) {
    auto same = std::find_if(lines_.begin(), lines_.end(), [&](const PointLine& stored) {
        return stored.startLongitude == line.startLongitude && stored.startLatitude == line.startLatitude &&
               stored.endLongitude == line.endLongitude && stored.endLatitude == line.endLatitude;
    });
    if (same != lines_.end()) lines_.erase(same);
    lines_.push_back(std::move(line));
}

HRESULT CZmaVadAZLinesToPointsLayer::ClearLines() {
    lines_.clear();
    return S_OK;
}

bool CZmaVadAZLinesToPointsLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    if (IsDisabled() || lines_.empty()) return true;
    PointsLineRenderer renderer(*this, dc, rect, UsesGdiPlus());
    WalkLines(rect, extent, renderer);
    return true;
}

HRESULT CZmaVadAZLinesToPointsLayer::WalkLines(const RECT& view, const ZmaExtent& extent, ActionInterface& action) {
    try {
        ScreenProjection projection;
        projection.SetMap(platform::ThrowIfNull(GetMapXMap().Get(), E_UNEXPECTED));
        projection.Prepare(extent);
        // Screen positions move with the host's own zoom, as every other self-drawn line does.
        const POINT offset = DrawOffset();
        for (const PointLine& line : lines_) {
            if (line.startLongitude == 0 && line.startLatitude == 0) continue;
            if (line.endLongitude == 0 && line.endLatitude == 0) continue;
            const POINT start = projection.ToPixel(line.startLongitude, line.startLatitude, -offset.x, -offset.y);
            const POINT end = projection.ToPixel(line.endLongitude, line.endLatitude, -offset.x, -offset.y);
            if (!SegmentBoxIntersectsRect(view, start, end)) continue;
            POINT startSide, endSide;
            if (!ClipSegmentToRect(view, start, end, startSide, endSide)) continue;
            if (!action(endSide, startSide, line)) return S_FALSE;
        }
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

int CZmaVadAZLinesToPointsLayer::GetExtent(IDispatch* rectangle) {
    double minLon = 0, minLat = 0, maxLon = 0, maxLat = 0;
    bool found = false;
    for (const PointLine& line : lines_) {
        for (const auto& end : {std::make_pair(line.startLongitude, line.startLatitude),
                                std::make_pair(line.endLongitude, line.endLatitude)}) {
            if (!found) {
                minLon = maxLon = end.first;
                minLat = maxLat = end.second;
                found = true;
            } else {
                minLon = std::min(minLon, end.first);
                maxLon = std::max(maxLon, end.first);
                minLat = std::min(minLat, end.second);
                maxLat = std::max(maxLat, end.second);
            }
        }
    }
    if (!found) return 0;
    EngineDispatch(platform::ThrowIfNull(rectangle, E_POINTER))
        .Call(Engine::Rectangle::kSet, {Variant(minLon), Variant(maxLat), Variant(maxLon), Variant(minLat)});
    return 1;
}

// --- Renderer --------------------------------------------------------------------------------------

PointsLineRenderer::PointsLineRenderer(const CZmaVadAZLinesToPointsLayer& layer, HDC dc, const RECT& view,
                                       bool useGdiPlus)
    : dc_(dc), layer_(layer), view_(view), useGdiPlus_(useGdiPlus) {}

bool PointsLineRenderer::operator()(POINT endSide, POINT startSide, const CZmaVadAZLinesToPointsLayer::PointLine& line) {
    const int width =
        penwidth::DevicePixels(line.width, ::MulDiv(layer_.GetLineWidth(), ::GetDeviceCaps(dc_, LOGPIXELSY), 96));
    COLORREF colour = layer_.GetLineColour();
    ReadHostColour(line.colour, colour);
    if (useGdiPlus_) {
        Gdiplus::Graphics graphics(dc_);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        Gdiplus::Pen pen(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)),
                         static_cast<Gdiplus::REAL>(width));
        switch (line.type) {
        case 0: pen.SetDashStyle(Gdiplus::DashStyleSolid); break;
        case 2: pen.SetDashStyle(Gdiplus::DashStyleDot); break;
        case 3: pen.SetDashStyle(Gdiplus::DashStyleDashDot); break;
        case 4: pen.SetDashStyle(Gdiplus::DashStyleDashDotDot); break;
        default: pen.SetDashStyle(Gdiplus::DashStyleDash); break;
        }
        graphics.DrawLine(&pen, static_cast<INT>(endSide.x), static_cast<INT>(endSide.y), static_cast<INT>(startSide.x),
                          static_cast<INT>(startSide.y));
        return true;
    }
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, width, colour));
    const HGDIOBJ old = ::SelectObject(dc_, pen.Get());
    if (line.type == 0) {
        ::MoveToEx(dc_, endSide.x, endSide.y, nullptr);
        ::LineTo(dc_, startSide.x, startSide.y);
    } else {
        SectorLineRenderer::DrawGdiDashes(dc_, view_, endSide, startSide);
    }
    ::SelectObject(dc_, old);
    return true;
}
