// The line members: lines between cell sites, positions and cell sectors, the line toggles and
// options, the colour-by and label-by fields of the serving and neighbour lines, and the profile
// calls through the host service.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;

namespace {
std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }
}  // namespace

// --- Lines between cell sites, positions and cell sectors ------------------------------------------

STDMETHODIMP CZmaVadAZ::DrawLineBetweenCellsites(LONG nRowId1, LONG nRowId2, LONG nLineWidth, LONG nLineType,
                                                 VARIANT vtLineColor) {
    return lines_.DrawBetweenCellSites(nRowId1, nRowId2, nLineWidth, nLineType, vtLineColor);
}
STDMETHODIMP CZmaVadAZ::ClearLinesBetweenCellsites() { return lines_.ClearBetweenCellSites(); }

STDMETHODIMP CZmaVadAZ::DrawLineBetweenPoints(VARIANT vtStartLon, VARIANT vtStartLat, VARIANT vtEndLon,
                                              VARIANT vtEndLat, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor) {
    return lines_.DrawBetweenPoints(vtStartLon, vtStartLat, vtEndLon, vtEndLat, nLineWidth, nLineType, vtLineColor);
}
STDMETHODIMP CZmaVadAZ::ClearLinesBetweenPoints() { return lines_.ClearBetweenPoints(); }

STDMETHODIMP CZmaVadAZ::DrawLineBetweenCellSectors(BSTR bstrGUID1, LONG nRowId1, BSTR bstrGUID2, LONG nRowId2,
                                                   LONG nLineWidth, LONG nLineType, VARIANT vtLineColor, BSTR toolTip,
                                                   VARIANT_BOOL drawArrow, double proportion, LONG* index) {
    return lines_.DrawBetweenSectors(bstrGUID1, nRowId1, bstrGUID2, nRowId2, nLineWidth, nLineType, vtLineColor, toolTip,
                                     drawArrow != 0, proportion, index);
}
STDMETHODIMP CZmaVadAZ::ClearLinesBetweenCellSectors() { return lines_.ClearBetweenSectors(); }

// --- Line toggles and options ----------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::ToggleLines(VARIANT_BOOL varVisible, LONG lLinesOption) {
    return lines_.Toggle(varVisible != 0, lLinesOption);
}
STDMETHODIMP CZmaVadAZ::ToggleLine(LONG index, VARIANT_BOOL varVisible, LONG lLinesOption) {
    return lines_.ToggleOne(index, varVisible != 0, lLinesOption);
}

STDMETHODIMP CZmaVadAZ::get_LinesVisibilityFlags(LONG* pVal) {
    if (!pVal) return E_INVALIDARG;
    COM_TRY {
        *pVal = layers_.RequireDatasets().GetLinesVisibilityFlags();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_LinesVisibilityFlags(LONG newVal) {
    COM_TRY {
        layers_.RequireDatasets().SetLinesVisibilityFlags(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_LinesTargetFlags(LONG* pVal) {
    if (!pVal) return E_INVALIDARG;
    COM_TRY {
        *pVal = layers_.RequireDatasets().GetLinesTargetFlags();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_LinesTargetFlags(LONG newVal) {
    COM_TRY {
        layers_.RequireDatasets().SetLinesTargetFlags(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- Colour-by and label-by fields -----------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::SetNeighborLinesToCellsColorByField(BSTR bstrSeriesID, BSTR field) {
    return lines_.SetField(bstrSeriesID, field, true, false);
}
STDMETHODIMP CZmaVadAZ::GetNeighborLinesToCellsColorByField(BSTR bstrSeriesID, BSTR* field) {
    return lines_.GetField(bstrSeriesID, field, true, false);
}
STDMETHODIMP CZmaVadAZ::SetNeighborLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR field) {
    return lines_.SetField(bstrSeriesID, field, true, true);
}
STDMETHODIMP CZmaVadAZ::GetNeighborLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR* field) {
    return lines_.GetField(bstrSeriesID, field, true, true);
}
STDMETHODIMP CZmaVadAZ::SetServerLinesToCellsColorByField(BSTR bstrSeriesID, BSTR field) {
    return lines_.SetField(bstrSeriesID, field, false, false);
}
STDMETHODIMP CZmaVadAZ::GetServerLinesToCellsColorByField(BSTR bstrSeriesID, BSTR* field) {
    return lines_.GetField(bstrSeriesID, field, false, false);
}
STDMETHODIMP CZmaVadAZ::SetServerLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR field) {
    return lines_.SetField(bstrSeriesID, field, false, true);
}
STDMETHODIMP CZmaVadAZ::GetServerLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR* field) {
    return lines_.GetField(bstrSeriesID, field, false, true);
}

// --- Profile component -----------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::get_ProfileName(BSTR* pVal) {
    COM_TRY {
        if (!pVal) platform::ThrowHr(E_INVALIDARG);
        *pVal = profile_.name.empty() ? nullptr : Bstr(profile_.name).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_ProfileName(BSTR newVal) {
    profile_.name = Text(newVal);
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::ApplyCurrentProfile() {
    if (!profile_.HasService()) return S_OK;
    // The host's component drives the control through its members meanwhile.
    OperationScope operation(operations_);
    COM_TRY { return profile_.ApplyCurrent(); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateLinesToCellsData() {
    OperationScope operation(operations_);
    COM_TRY {
        layers_.Require();
        return profile_.UpdateLinesToCells(1);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateCellRefData() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        layers.UpdateCellRefData();
        THROW_IF_FAILED(layers.RemoveLayersOfType(CZmaVadAZLayer::kTypeCellSites));
        THROW_IF_FAILED(layers.RemoveLayersOfType(CZmaVadAZLayer::kTypeCellReferences));
        // The component rebuilds the layers through the dataset methods; they take their former
        // label settings from the collection's cache, which is emptied afterwards.
        HRESULT result = profile_.LoadVersioned();
        layers.ClearCellRefData();
        return result;
    }
    COM_CATCH_RETURN();
}
