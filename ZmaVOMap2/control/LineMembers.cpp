#include "ZmaVOMap2/control/LineMembers.h"

#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/lines/LineOperations.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToPointsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToSectorsLayer.h"
#include "platform/Result.h"

using platform::ComError;

namespace {

std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

enum : long { kSectorLinesOption = 4 };

const wchar_t kNoCellSites[] = L"The map shows no cell sites to draw a line between";
const wchar_t kNoCellSiteLines[] = L"The map shows no cell sites with lines between them";
// Lines between positions are drawn by the cell-site layer: the map has their layer from its
// first cell-site layer on.
const wchar_t kNoPointLines[] = L"The map has no layer of lines between points: it comes with the first cell-site layer";
const wchar_t kNoSectorLines[] = L"Failed to initialize the lines to sectors layer";

// A coordinate of a line between positions: a double strictly inside (-limit, limit). Script
// clients pass their variables by reference; NaN is in no range; a reference to nothing is no
// coordinate.
double RequireCoordinate(const VARIANT& value, double limit, const wchar_t* refusal) {
    const VARIANT* v = &value;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    double d = 0;
    if (v->vt == VT_R8)
        d = v->dblVal;
    else if (v->vt == (VT_BYREF | VT_R8) && v->pdblVal)
        d = *v->pdblVal;
    else
        throw ComError(E_FAIL, refusal);
    if (!(d > -limit && d < limit)) throw ComError(E_FAIL, refusal);
    return d;
}

// A host's clear takes its lines of every technology, not only those of the cell sites shown last.
HRESULT ClearEvery(const std::vector<CZmaVadAZLinesToPointsLayer*>& layers) {
    if (layers.empty()) return E_FAIL;
    for (CZmaVadAZLinesToPointsLayer* lines : layers) THROW_IF_FAILED(lines->ClearLines());
    return S_OK;
}

CZmaVadAZLinesToSectorsLayer& SectorLines(CZmaVadAZLayerCollection& layers) {
    CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(layers);
    if (!lines) throw ComError(E_FAIL, kNoSectorLines);
    return *lines;
}

}  // namespace

HRESULT LineMembers::Run(const std::function<HRESULT()>& operation, const wchar_t* refusal) {
    // Line layers ask the host for fields: its handler may release the control meanwhile.
    OperationScope hold(operations_);
    layers_.Require();
    const HRESULT result = operation();
    const ComError failure = ComError::FromCall(result);
    view_.RepaintIfUpdating(engine_);
    if (SUCCEEDED(result)) return result;
    if (!failure.ErrorInfo()) throw ComError(result, refusal);
    failure.Restore();
    return platform::PassFailure(result);
}

HRESULT LineMembers::DrawBetweenCellSites(long row1, long row2, long width, long type, const VARIANT& colour) {
    COM_TRY {
        return Run([&] {
            CZmaVadAZLinesToPointsLayer* lines = GetCellSiteLinesLayer(layers_.Require());
            return lines ? lines->AddLineBetweenCellsites(row1, row2, width, type, colour) : E_FAIL;
        }, kNoCellSites);
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::ClearBetweenCellSites() {
    COM_TRY {
        return Run([&] {
            return ClearEvery(GetAllCellSiteLinesLayers(layers_.Require()));
        }, kNoCellSiteLines);
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::DrawBetweenPoints(const VARIANT& startLon, const VARIANT& startLat, const VARIANT& endLon,
                                       const VARIANT& endLat, long width, long type, const VARIANT& colour) {
    COM_TRY {
        layers_.Require();
        const double x1 = RequireCoordinate(
            startLon, 180, L"The start longitude must be a double between -180 and 180, both excluded");
        const double x2 =
            RequireCoordinate(endLon, 180, L"The end longitude must be a double between -180 and 180, both excluded");
        const double y1 =
            RequireCoordinate(startLat, 90, L"The start latitude must be a double between -90 and 90, both excluded");
        const double y2 =
            RequireCoordinate(endLat, 90, L"The end latitude must be a double between -90 and 90, both excluded");
        return Run([&] {
            CZmaVadAZLinesToPointsLayer* lines = GetPointLinesLayer(layers_.Require());
            return lines ? lines->AddLineBetweenPoints(x1, y1, x2, y2, width, type, colour) : E_FAIL;
        }, kNoPointLines);
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::ClearBetweenPoints() {
    COM_TRY {
        return Run([&] {
            return ClearEvery(GetAllPointLinesLayers(layers_.Require()));
        }, kNoPointLines);
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::DrawBetweenSectors(BSTR series1, long row1, BSTR series2, long row2, long width, long type,
                                        const VARIANT& colour, BSTR toolTip, bool arrow, double proportion,
                                        LONG* index) {
    COM_TRY {
        if (layers_.Collection() && !index) throw ComError(E_POINTER, L"No place was given for the line's index");
        return Run([&] {
            CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(layers_.Require());
            return lines ? lines->AddLine(series1, row1, series2, row2, width, type, colour, toolTip, arrow, proportion,
                                          index)
                         : E_FAIL;
        }, kNoSectorLines);
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::ClearBetweenSectors() {
    COM_TRY {
        return Run([&] {
            CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(layers_.Require());
            return lines ? lines->ClearLines() : E_FAIL;
        }, kNoSectorLines);
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::Toggle(bool visible, long option) {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        HRESULT result = S_OK;
        if (option == kSectorLinesOption)
            THROW_IF_FAILED(SectorLines(layers).SetVisible(visible));
        else
            result = layers_.Datasets()->ToggleLines(visible, option);
        view_.RepaintIfUpdating(engine_);
        return result;
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::ToggleOne(long index, bool visible, long option) {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        const bool known = option != kSectorLinesOption || SectorLines(layers).SetLineVisible(index, visible);
        view_.RepaintIfUpdating(engine_);
        if (!known) throw ComError(E_FAIL, L"There is no line between cell sectors with that index");
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::SetField(BSTR series, BSTR field, bool neighbours, bool label) {
    OperationScope operation(operations_);
    COM_TRY {
        HRESULT result = layers_.RequireDatasets().SetLinesToCellsField(Text(series), Text(field), neighbours, label);
        view_.RepaintIfUpdating(engine_);
        return result;
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::GetField(BSTR series, BSTR* field, bool neighbours, bool label) {
    if (!field) return E_POINTER;
    *field = nullptr;
    OperationScope operation(operations_);
    COM_TRY {
        HRESULT result = layers_.RequireDatasets().GetLinesToCellsField(Text(series), field, neighbours, label);
        view_.RepaintIfUpdating(engine_);
        return result;
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::GetFlags(LONG* flags, bool target) {
    if (!flags) return E_INVALIDARG;
    COM_TRY {
        CZmaVadAZDatasetDisplay& datasets = layers_.RequireDatasets();
        *flags = target ? datasets.GetLinesTargetFlags() : datasets.GetLinesVisibilityFlags();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT LineMembers::SetFlags(long flags, bool target) {
    COM_TRY {
        CZmaVadAZDatasetDisplay& datasets = layers_.RequireDatasets();
        if (target)
            datasets.SetLinesTargetFlags(flags);
        else
            datasets.SetLinesVisibilityFlags(flags);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
