#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"

#include <cstdlib>
#include <cwctype>

using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kHandlePrefix[] = L"NeighborSectorHandle";

std::wstring HandleFieldName(long n) { return std::wstring(kHandlePrefix) + L"_" + std::to_wstring(n); }

// Raised while a hit test of this kind pumps its thread's messages: a hit test that arrives
// meanwhile on that thread answers that nothing is hit.
platform::ThreadFlag g_inRollover;

}  // namespace

CZmaVadAZLinesToNborsLayer::CZmaVadAZLinesToNborsLayer(IDispatch* map, CZmaVadAZLayerCollection* owner)
    : CellLinesLayer(map, owner) {}

CZmaVadAZLinesToNborsLayer::~CZmaVadAZLinesToNborsLayer() = default;

long CZmaVadAZLinesToNborsLayer::IndexShift() const {
    return ::lstrcmpiW(GetTechnology().c_str(), L"WCDMA") == 0 ? 1 : 0;
}

void CZmaVadAZLinesToNborsLayer::CollectNeighborFields(IHostDataset* dataset, std::vector<long>& indexes) {
    ComPtr<IHostFields> fields = hostdata::Fields(platform::ThrowIfNull(dataset));
    const long count = hostdata::FieldCount(fields.Get());
    const size_t prefixLength = std::wcslen(kHandlePrefix);
    for (long i = 0; i < count; ++i) {
        const std::wstring name = hostdata::FieldName(hostdata::FieldAt(fields.Get(), i).Get());
        if (name.compare(0, prefixLength, kHandlePrefix) != 0) continue;
        const size_t underscore = name.find(L'_');
        if (underscore == std::wstring::npos) continue;
        const std::wstring digits = name.substr(underscore + 1);
        if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        indexes.push_back(std::wcstol(digits.c_str(), nullptr, 10));
    }
}

bool CZmaVadAZLinesToNborsLayer::MakeIndexedFieldName(const std::wstring& name, long n, std::wstring& out) {
    if (name.empty() || name.back() != L'_') return false;
    out = name + std::to_wstring(n);
    return true;
}

bool CZmaVadAZLinesToNborsLayer::HasKnownNeighbour(IHostDataset* dataset, const std::vector<long>& indexes) {
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    Variant value;
    for (long n : indexes) {
        ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), HandleFieldName(n));
        if (!field) continue;
        hostdata::ReadValue(field.Get(), value);
        if (value.vt != VT_I4 && FAILED(::VariantChangeType(&value, &value, 0, VT_I4))) continue;
        if (value.lVal == 0) continue;
        CZmaVadAZDataLayer* sites = CellSiteLayer();
        auto* optimiser = sites ? dynamic_cast<RendererOptimiserCellSites*>(sites->GetOptimiser()) : nullptr;
        if (!optimiser || optimiser->GetElementHandleIndex().empty()) return false;
        if (optimiser->GetElementHandleIndex().count(value.lVal)) return true;
    }
    return false;
}

bool CZmaVadAZLinesToNborsLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    BeginPass();
    NeighbourLineRenderer renderer(*this, NeighbourLineRenderer::kLines, dc, rect, extent, UsesGdiPlus());
    return DrawLines(renderer, rect, extent,
                     [&](const DatasetEntry& entry) { THROW_IF_FAILED(BuildLines(entry, rect, extent, *cache_, true)); });
}

bool CZmaVadAZLinesToNborsLayer::DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    BeginPass();
    NeighbourLineRenderer renderer(*this, NeighbourLineRenderer::kLabels, dc, rect, extent, UsesGdiPlus());
    return DrawLineLabels(renderer);
}

bool CZmaVadAZLinesToNborsLayer::HitTest(long x, long y, double /*mapX*/, double /*mapY*/) {
    return RolloverHitTest<RolloverHitTester>(*this, *cache_, x, y, g_inRollover);
}

HRESULT CZmaVadAZLinesToNborsLayer::BuildLines(const DatasetEntry& entry, const RECT& view, const ZmaExtent& extent,
                                               LinesToNeighboursActionInterface& action, bool dropsRepeats) {
    IHostDataset* dataset = platform::ThrowIfNull(entry.dataset.Get());
    std::vector<long> indexes;
    CollectNeighborFields(dataset, indexes);
    if (!GetOwner()) platform::ThrowHr(E_UNEXPECTED);
    CZmaVadAZDataLayer* data = FindDataLayer(entry.seriesGuid);
    if (!data) platform::ThrowHr(E_FAIL);
    if (!data->IsVisibleAtCurrentZoom()) return S_OK;
    CZmaVadAZDataLayer* sites = CellSiteLayer();
    if (!sites || indexes.empty()) return S_OK;
    LineGeometry geometry(dataset, data, sites, view, extent, GetMapXMap().Get(), DrawOffset());
    std::vector<IHostField*> handleFields;
    for (long n : indexes) handleFields.push_back(geometry.HandleField(HandleFieldName(n)));
    RepeatedRow lastRow;
    RowHandles walk;
    walk.handles.resize(indexes.size());
    walk.valid.resize(indexes.size());
    walk.last = dropsRepeats ? &lastRow : nullptr;
    // The shift is applied where the lines are made, so that the screen and every other walk
    // (the export among them) read the same neighbour fields for a line.
    walk.shift = IndexShift();

    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    HRESULT result = S_OK;
    if (GetDrawOption() == 1) {
        const std::vector<int> selected = data->GetSelectedItems();
        for (int row : selected) {
            hostdata::MoveTo(rows.Get(), row);
            if (!HasKnownNeighbour(dataset, indexes)) continue;
            result = BuildPointLines(dataset, row, indexes, handleFields, geometry, action, walk);
            if (FAILED(result) || result == S_FALSE) return result;
        }
        return result;
    }
    const long count = hostdata::RowCount(rows.Get());
    if (count <= 0) return S_OK;
    hostdata::MoveFirst(rows.Get());
    for (long row = 0; row < count; ++row) {
        result = BuildPointLines(dataset, row, indexes, handleFields, geometry, action, walk);
        if (FAILED(result) || result == S_FALSE) return result;
        hostdata::MoveNext(rows.Get());
    }
    return result;
}

HRESULT CZmaVadAZLinesToNborsLayer::BuildPointLines(IHostDataset* dataset, long row, const std::vector<long>& indexes,
                                                    const std::vector<IHostField*>& handleFields, LineGeometry& geometry,
                                                    LinesToNeighboursActionInterface& action, RowHandles& walk) {
    geometry.BeginRow(row);
    POINT pixel;
    if (!geometry.RowPoint(pixel)) {
        action.RowWithoutPosition();
        return S_OK;
    }
    // The row's handles first: a row that repeats the one before gives no new line.
    for (size_t i = 0; i < indexes.size(); ++i)
        walk.valid[i] = handleFields[i] && geometry.ReadHandle(handleFields[i], walk.handles[i]);
    if (walk.last && walk.last->Repeats(pixel, walk.handles.data(), walk.valid.data(), indexes.size())) return S_OK;
    for (size_t i = 0; i < indexes.size(); ++i) {
        const long n = indexes[i];
        POINT cellEnd, pointEnd;
        GeoPoint cellGeo, pointGeo;
        if (!walk.valid[i] || !geometry.ProjectAndClipToCell(walk.handles[i], cellEnd, pointEnd, cellGeo, pointGeo)) continue;
        IHostDataset* current = dataset;
        if (!action(cellEnd, pointEnd, cellGeo, pointGeo, n + walk.shift, current)) return S_FALSE;
    }
    return S_OK;
}

COLORREF CZmaVadAZLinesToNborsLayer::LineColour(IHostDataset* dataset, long neighbour) {
    return LineColour(LineColourSource(dataset, neighbour));
}

NeighbourColourSource CZmaVadAZLinesToNborsLayer::LineColourSource(IHostDataset* dataset, long neighbour) {
    NeighbourColourSource source;
    std::wstring series;
    FindDataset(dataset, series);
    std::wstring name = GetColorByField();
    MakeIndexedFieldName(name, neighbour, name);
    if (!GetFieldValue(name, series, dataset, source.field)) return source;
    source.style = FindInHostCollection(source.field.Get());
    if (!source.style) source.field = nullptr;
    return source;
}

COLORREF CZmaVadAZLinesToNborsLayer::LineColour(const NeighbourColourSource& source) {
    const COLORREF colour = GetLineColour();
    if (!source.field) return colour;
    Variant value;
    hostdata::ReadValue(source.field.Get(), value);
    if (value.vt == VT_NULL) return colour;
    long index = -1;
    if (FAILED(source.style->ClassOf(value, &index)) || index < 0) return colour;
    Variant setting;
    THROW_IF_FAILED(source.style->StyleProperty(index, 3, setting.Put()));
    return static_cast<COLORREF>(setting.ToLong());
}

bool CZmaVadAZLinesToNborsLayer::LabelField(IHostDataset* dataset, long neighbour, ComPtr<IHostField>& field) {
    std::wstring series;
    FindDataset(dataset, series);
    std::wstring name = GetLabelByField();
    MakeIndexedFieldName(name, neighbour, name);
    return GetFieldValue(name, series, dataset, field);
}

LineTableExport::WrittenTable CZmaVadAZLinesToNborsLayer::WriteTable(const std::wstring& folder,
                                                                    const std::string& name) {
    LineTable table(TabFileName(folder, name));
    NborTabExporter exporter(table, *this);
    BeginPass();
    // Every line, not only those of the view drawn last (or none before the first frame); the
    // lines carry the neighbour index the screen uses. A walk that fails fails the export.
    for (const DatasetEntry& entry : Entries()) THROW_IF_FAILED(BuildLines(entry, ExportView(), lastExtent_, exporter));
    return {table.Release(), table.Lines(), exporter.RowsWithoutPosition()};
}
