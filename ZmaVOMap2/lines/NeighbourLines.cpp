#include "ZmaVOMap2/lines/NeighbourLines.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <cmath>

using platform::ComPtr;

// --- Renderer ------------------------------------------------------------------------------------

NeighbourLineRenderer::NeighbourLineRenderer(CZmaVadAZLinesToNborsLayer& owner, unsigned char mode, HDC dc,
                                             const RECT& view, const ZmaExtent& extent, bool useGdiPlus)
    : dc_(dc), owner_(owner), mode_(mode), view_(view), extent_(extent) {
    // Pen widths and dashes are in 1/96 inch.
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    style_.width = ::MulDiv(owner.GetLineWidth(), dpi, 96);
    style_.dash = ::MulDiv(20, dpi, 96);
    style_.dashed = true;
    style_.smooth = useGdiPlus;
    style_.view = view;
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
    const auto key = std::make_pair(dataset, neighbour);
    auto source = colours_.find(key);
    if (source == colours_.end()) source = colours_.emplace(key, owner_.LineColourSource(dataset, neighbour)).first;
    lines_.push_back({cellEnd, pointEnd, owner_.LineColour(source->second)});
    return true;
}

void NeighbourLineRenderer::Finish(LinePicture* picture, bool keep) {
    if (picture)
        picture->Paint(dc_, style_, lines_, keep);
    else
        PaintLines(dc_, style_, lines_);
    lines_.clear();
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
    std::wstring label;
    if (owner_.LabelField(dataset, neighbour, field)) {
        std::wstring text;
        if (!FieldValueText(field.Get(), text)) return true;
        label = hostdata::FieldName(field.Get()) + L": " + text;
    }
    table_.Write(label, cellGeo, pointGeo, 9, colour);
    return true;
}
