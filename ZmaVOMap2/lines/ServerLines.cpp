#include "ZmaVOMap2/lines/ServerLines.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/NeighbourLines.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToServersLayer.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

LineRenderer::LineRenderer(CZmaVadAZLinesToServersLayer& owner, unsigned char mode, HDC dc, const RECT& view,
                           const ZmaExtent& extent, bool useGdiPlus)
    : dc_(dc), owner_(owner), mode_(mode), view_(view), extent_(extent) {
    // Pen widths and dashes are in 1/96 inch.
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    style_.width = ::MulDiv(owner.GetLineWidth(), dpi, 96);
    style_.dash = ::MulDiv(20, dpi, 96);
    style_.smooth = useGdiPlus;
    style_.view = view;
}

bool LineRenderer::operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, IHostDataset*& dataset) {
    if (mode_ != kLines) {
        if (owner_.GetDrawOption() != 1) return true;
        const POINT anchor = {std::min(cellEnd.x, pointEnd.x) + std::labs(pointEnd.x - cellEnd.x) / 2,
                              std::min(cellEnd.y, pointEnd.y) + std::labs(pointEnd.y - cellEnd.y) / 2};
        ComPtr<IHostField> field;
        if (owner_.LabelField(dataset, field)) owner_.DrawLabel(dc_, field.Get(), anchor, cellEnd, pointEnd);
        return true;
    }
    auto source = colours_.find(dataset);
    if (source == colours_.end()) source = colours_.emplace(dataset, owner_.LineColourSource(dataset, true)).first;
    COLORREF colour = 0;
    if (!owner_.LineColour(source->second, colour)) return true;
    lines_.push_back({cellEnd, pointEnd, colour});
    return true;
}

void LineRenderer::Finish(LinePicture* picture, bool keep) {
    if (picture)
        picture->Paint(dc_, style_, lines_, keep);
    else
        PaintLines(dc_, style_, lines_);
    lines_.clear();
}

bool ServingLabelText(IHostField* field, std::wstring& text) {
    Variant value;
    hostdata::ReadValue(field, value);
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return false;
    if (ComPtr<IHostFieldStyle> table = FindInHostCollection(field)) {
        Bstr formatted;
        THROW_IF_FAILED(table->ValueText(value, Variant::Missing(), formatted.Put()));
        text = formatted.Wide();
        return true;
    }
    if (value.vt != VT_BSTR) THROW_IF_FAILED(::VariantChangeType(&value, &value, VARIANT_ALPHABOOL, VT_BSTR));
    text = value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : std::wstring();
    return true;
}

bool RolloverServerLinesHitTester::operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&,
                                              IHostDataset*& dataset) {
    if (!IsCursorOnLine(cursor_, cellEnd, pointEnd, owner_.GetLineWidth())) return true;
    ComPtr<IHostField> field;
    if (!owner_.LabelField(dataset, field)) return true;
    std::wstring text;
    if (!ServingLabelText(field.Get(), text)) return true;
    ShowRolloverTip(cursor_, platform::ToAnsi(hostdata::FieldName(field.Get()) + L": " + text), cellEnd.x | cellEnd.y,
                    &owner_);
    hit_ = true;
    return false;
}

bool LinesTabExporter::operator()(POINT, POINT, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                                  IHostDataset*& dataset) {
    COLORREF colour = 0;
    if (!owner_.LineColour(dataset, false, colour)) return true;
    ComPtr<IHostField> field;
    std::wstring label;
    if (owner_.LabelField(dataset, field)) {
        Variant value;
        hostdata::ReadValue(field.Get(), value);
        if (value.vt == VT_EMPTY || value.vt == VT_NULL) return true;
        if (value.vt == VT_BSTR && ::SysStringLen(value.bstrVal) == 0 && FindInHostCollection(field.Get())) return true;
        std::wstring text;
        if (!ServingLabelText(field.Get(), text)) return true;
        label = hostdata::FieldName(field.Get()) + L": " + text;
    }
    table_.Write(label, cellGeo, pointGeo, 2, colour);
    return true;
}
