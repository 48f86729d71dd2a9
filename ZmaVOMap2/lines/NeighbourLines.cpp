#include "ZmaVOMap2/lines/NeighbourLines.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/UniqueHandle.h"
#include "platform/Result.h"


#include <cmath>

using platform::ComPtr;

// --- Cache ---------------------------------------------------------------------------------------

bool NeighbourLineCache::Validate(IHostDataset* dataset, CZmaVadAZDataLayer& dataLayer, const RECT& view,
                                  const ZmaExtent& extent) {
    return lines_.Validate(dataset, {view, extent, owner_.GetDrawOption(), owner_.GetDatasetCount(),
                                     dataLayer.GetOffsetX(), dataLayer.GetOffsetY()});
}

void NeighbourLineCache::Replay(IHostDataset* dataset, LinesToNeighboursActionInterface& action) {
    const GeoPoint none;
    lines_.Replay(dataset, [&](const NeighbourLineRecord& line) {
        IHostDataset* current = dataset;
        action(line.cellEnd, line.pointEnd, none, none, line.neighbour, current);
    });
}

bool NeighbourLineCache::operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, long neighbour,
                                    IHostDataset*& dataset) {
    lines_.Add(dataset, NeighbourLineRecord{cellEnd, pointEnd, -1, neighbour});
    return true;
}

// --- Renderer ------------------------------------------------------------------------------------

void NeighbourLineRenderer::DrawDashedGdi(POINT from, POINT to, COLORREF colour, int width) {
    pen_.Select(dc_, colour, width);
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const int total = static_cast<int>(length);
    if (total == 0) return;
    const double ux = dx / length, uy = dy / length;
    int dash = ::MulDiv(20, dpi_, 96);
    for (int t = 0; t <= total - dash;) {
        const POINT start = {from.x + static_cast<long>(t * ux), from.y + static_cast<long>(t * uy)};
        if (::PtInRect(&view_, start)) {
            ::MoveToEx(dc_, start.x, start.y, nullptr);
            ::LineTo(dc_, from.x + static_cast<long>((t + dash) * ux), from.y + static_cast<long>((t + dash) * uy));
        }
        // The last dash ends at the point end.
        const int next = t + 2 * dash;
        if (next > total - dash && next < total) dash = total - next;
        t = next;
    }
}

bool NeighbourLineRenderer::operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, long neighbour,
                                       IHostDataset*& dataset) {
    if (mode_ == kLabels) {
        if (owner_.GetDrawOption() != 1) return true;
        const POINT anchor = {std::min(cellEnd.x, pointEnd.x) + std::labs(pointEnd.x - cellEnd.x) / 2,
                              std::min(cellEnd.y, pointEnd.y) + std::labs(pointEnd.y - cellEnd.y) / 2};
        ComPtr<IHostField> field;
        if (owner_.LabelField(dataset, neighbour, field)) owner_.DrawLabel(dc_, field.Get(), anchor, cellEnd, pointEnd);
        return true;
    }
    const COLORREF colour = owner_.LineColour(dataset, neighbour);
    const int width = ::MulDiv(owner_.GetLineWidth(), dpi_, 96);
    if (gdiPlus_) {
        smooth_.Draw(cellEnd, pointEnd, colour, width, true);
        return true;
    }
    DrawDashedGdi(cellEnd, pointEnd, colour, width);
    return true;
}

// --- Rollover ------------------------------------------------------------------------------------

bool RolloverHitTester::operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, long neighbour,
                                   IHostDataset*& dataset) {
    if (!IsCursorOnLine(cursor_, cellEnd, pointEnd, owner_.GetLineWidth())) return true;
    ComPtr<IHostField> field;
    if (!owner_.LabelField(dataset, neighbour, field)) return true;
    std::wstring value;
    if (!FieldValueText(field.Get(), value)) return true;
    const std::wstring text = hostdata::FieldName(field.Get()) + L": " + value;
    ShowRolloverTip(cursor_, platform::ToAnsi(text), neighbour, &owner_);
    hit_ = true;
    return false;
}

// --- TAB export ----------------------------------------------------------------------------------

bool NborTabExporter::operator()(POINT, POINT, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                                 IHostDataset*& dataset) {
    const COLORREF colour = owner_.LineColour(dataset, neighbour);
    ComPtr<IHostField> field;
    std::string label;
    if (owner_.LabelField(dataset, neighbour, field)) {
        std::wstring text;
        if (!FieldValueText(field.Get(), text)) return true;
        label = platform::ToAnsi(hostdata::FieldName(field.Get()) + L": " + text);
    }
    return table_.Write(label, cellGeo, pointGeo, 9, colour);
}
