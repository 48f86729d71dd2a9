#include "ZmaVOMap2/lines/ZmaVadAZLinesToServersLayer.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kServingHandle[] = L"ServingSectorHandle";

// As for the neighbour lines: each thread's own.
platform::ThreadFlag g_inRollover;

}  // namespace

CZmaVadAZLinesToServersLayer::CZmaVadAZLinesToServersLayer(IDispatch* map, CZmaVadAZLayerCollection* owner)
    : CellLinesLayer(map, owner) {}

CZmaVadAZLinesToServersLayer::~CZmaVadAZLinesToServersLayer() = default;

bool CZmaVadAZLinesToServersLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    BeginPass();
    LineRenderer renderer(*this, LineRenderer::kLines, dc, rect, extent, UsesGdiPlus());
    // A walk that fails keeps the lines it met; the frame goes on.
    return DrawLines(renderer, rect, extent, [&](const DatasetEntry& entry) { WalkLines(entry, rect, extent, *cache_, true); });
}

bool CZmaVadAZLinesToServersLayer::DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    BeginPass();
    if (!LabelsWithinZoom()) return true;
    LineRenderer renderer(*this, LineRenderer::kLabels, dc, rect, extent, UsesGdiPlus());
    return DrawLineLabels(renderer);
}

bool CZmaVadAZLinesToServersLayer::HitTest(long x, long y, double /*mapX*/, double /*mapY*/) {
    return RolloverHitTest<RolloverServerLinesHitTester>(*this, *cache_, x, y, g_inRollover);
}

HRESULT CZmaVadAZLinesToServersLayer::WalkLines(const DatasetEntry& entry, const RECT& view, const ZmaExtent& extent,
                                                LinesToServersActionInterface& action, bool dropsRepeats) {
    try {
        IHostDataset* dataset = platform::ThrowIfNull(entry.dataset.Get());
        CZmaVadAZDataLayer* data = FindDataLayer(entry.seriesGuid);
        CZmaVadAZDataLayer* sites = CellSiteLayer();
        if (!data || !sites) return E_FAIL;
        if (!data->IsVisibleAtCurrentZoom()) return S_OK;
        // A dataset whose rows name no serving cell (the cell sites' own) has no serving line.
        const ComPtr<IHostField> handleField = hostdata::FieldByName(hostdata::Fields(dataset).Get(), kServingHandle);
        if (!handleField) return S_OK;
        LineGeometry geometry(dataset, data, sites, view, extent, GetMapXMap().Get(), DrawOffset());
        RepeatedRow last;
        auto processPoint = [&](long row) -> HRESULT {
            POINT cellEnd, pointEnd;
            GeoPoint cellGeo, pointGeo;
            geometry.BeginRow(row);
            POINT pixel;
            long handle = 0;
            if (!geometry.RowPoint(pixel)) {
                action.RowWithoutPosition();
                return S_OK;
            }
            const char valid = geometry.ReadHandle(handleField.Get(), handle);
            if (dropsRepeats && last.Repeats(pixel, &handle, &valid, 1)) return S_OK;
            if (!valid || !geometry.ProjectAndClipToCell(handle, cellEnd, pointEnd, cellGeo, pointGeo)) return S_OK;
            IHostDataset* current = dataset;
            return action(cellEnd, pointEnd, cellGeo, pointGeo, current) ? S_OK : S_FALSE;
        };

        ComPtr<IHostRows> rows = hostdata::Rows(dataset);
        HRESULT result = S_OK;
        if (GetDrawOption() == 1) {
            const std::vector<int> selected = data->GetSelectedItems();
            for (int row : selected) {
                hostdata::MoveTo(rows.Get(), row);
                if (!HasServingCell(dataset)) continue;
                result = processPoint(row);
                if (FAILED(result) || result == S_FALSE) return result;
            }
            return result;
        }
        const long count = hostdata::RowCount(rows.Get());
        if (count <= 0) return S_OK;
        hostdata::MoveFirst(rows.Get());
        for (long row = 0; row < count; ++row) {
            result = processPoint(row);
            if (FAILED(result) || result == S_FALSE) return result;
            hostdata::MoveNext(rows.Get());
        }
        return result;
    }
    CATCH_RETURN_QUIET();
}

bool CZmaVadAZLinesToServersLayer::HasServingCell(IHostDataset* dataset) {
    ComPtr<IHostField> field = hostdata::FieldByName(hostdata::Fields(dataset).Get(), kServingHandle);
    if (!field) return false;
    Variant value;
    hostdata::ReadValue(field.Get(), value);
    if (value.vt != VT_I4 && FAILED(::VariantChangeType(&value, &value, 0, VT_I4))) return false;
    if (value.lVal == 0) return false;
    CZmaVadAZDataLayer* sites = CellSiteLayer();
    auto* optimiser = sites ? dynamic_cast<RendererOptimiserCellSites*>(sites->GetOptimiser()) : nullptr;
    if (!optimiser || optimiser->GetElementHandleIndex().empty()) return false;
    return optimiser->GetElementHandleIndex().count(value.lVal) != 0;
}

bool CZmaVadAZLinesToServersLayer::LineColour(IHostDataset* dataset, bool retryWithZero, COLORREF& colour) {
    return LineColour(LineColourSource(dataset, retryWithZero), colour);
}

ServingColourSource CZmaVadAZLinesToServersLayer::LineColourSource(IHostDataset* dataset, bool retryWithZero) {
    ServingColourSource source;
    std::wstring series;
    FindDataset(dataset, series);
    if (!GetFieldValue(GetColorByField(), series, dataset, source.field) &&
        !(retryWithZero && GetFieldValue(GetColorByField() + L"0", series, dataset, source.field)))
        return source;
    source.table = FindInHostCollection(source.field.Get());
    return source;
}

bool CZmaVadAZLinesToServersLayer::LineColour(const ServingColourSource& source, COLORREF& colour) {
    colour = GetLineColour();
    if (!source.field) return true;
    Variant value;
    hostdata::ReadValue(source.field.Get(), value);
    if (value.vt == VT_NULL) return false;
    if (!source.table) return true;
    long index = -1;
    if (FAILED(source.table->IndexOf(value, &index)) || index < 0) return true;
    Variant item;
    THROW_IF_FAILED(source.table->ItemValue(index, 3, item.Put()));
    colour = static_cast<COLORREF>(item.ToLong());
    return true;
}

bool CZmaVadAZLinesToServersLayer::LabelField(IHostDataset* dataset, ComPtr<IHostField>& field) {
    std::wstring series;
    FindDataset(dataset, series);
    return GetFieldValue(GetLabelByField(), series, dataset, field);
}

LineTableExport::WrittenTable CZmaVadAZLinesToServersLayer::WriteTable(const std::wstring& folder,
                                                                      const std::string& name) {
    LineTable table(TabFileName(folder, name));
    LinesTabExporter exporter(table, *this);
    BeginPass();
    // Every line, not only those of the view drawn last (or none before the first frame). An
    // entry whose rows name no serving cell (the cell sites' own) has none; a walk that fails
    // (the host, or a line the table refused) fails the export.
    for (const DatasetEntry& entry : Entries()) THROW_IF_FAILED(WalkLines(entry, ExportView(), lastExtent_, exporter));
    return {table.Release(), table.Lines(), exporter.RowsWithoutPosition()};
}
