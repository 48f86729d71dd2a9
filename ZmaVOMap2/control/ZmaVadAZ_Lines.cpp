// The line members: lines between cell sites, positions and cell sectors, the line toggles and
// options, the colour-by and label-by fields of the serving and neighbour lines, and the profile
// calls through the host service.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

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

STDMETHODIMP CZmaVadAZ::get_LinesVisibilityFlags(LONG* pVal) { return lines_.GetFlags(pVal, false); }
STDMETHODIMP CZmaVadAZ::put_LinesVisibilityFlags(LONG newVal) { return lines_.SetFlags(newVal, false); }
STDMETHODIMP CZmaVadAZ::get_LinesTargetFlags(LONG* pVal) { return lines_.GetFlags(pVal, true); }
STDMETHODIMP CZmaVadAZ::put_LinesTargetFlags(LONG newVal) { return lines_.SetFlags(newVal, true); }

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

STDMETHODIMP CZmaVadAZ::get_ProfileName(BSTR* pVal) { return profileWork_.GetName(pVal); }
STDMETHODIMP CZmaVadAZ::put_ProfileName(BSTR newVal) { return profileWork_.SetName(newVal); }
STDMETHODIMP CZmaVadAZ::ApplyCurrentProfile() { return profileWork_.ApplyCurrent(); }
STDMETHODIMP CZmaVadAZ::UpdateLinesToCellsData() { return profileWork_.UpdateLinesToCells(); }
STDMETHODIMP CZmaVadAZ::UpdateCellRefData() { return profileWork_.UpdateCellReferences(); }
