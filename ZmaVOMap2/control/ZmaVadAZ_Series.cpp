// The control's per-series members: the series settings node the host keeps, the legends'
// check boxes, the cell colour field, and the data layer's tooltip and label expressions.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::SetSeriesSettings(BSTR bstrSeriesID, IDispatch* ppNode) {
    return series_.SetSettings(bstrSeriesID, ppNode, true);
}
STDMETHODIMP CZmaVadAZ::SetIndividualSeriesSettings(BSTR bstrSeriesID, IDispatch* ppNode) {
    return series_.SetSettings(bstrSeriesID, ppNode, false);
}
STDMETHODIMP CZmaVadAZ::GetSeriesSettings(BSTR bstrSeriesID, IDispatch** ppNode) {
    return series_.GetSettings(bstrSeriesID, ppNode);
}
STDMETHODIMP CZmaVadAZ::UpdateLegendCheckBoxes() { return series_.UpdateLegendCheckBoxes(); }
STDMETHODIMP CZmaVadAZ::put_CellColourField(BSTR SeriesID, BSTR fieldName) {
    return series_.SetCellColourField(SeriesID, fieldName);
}
STDMETHODIMP CZmaVadAZ::SetTooltipExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) {
    return series_.SetTooltipExpression(bstrSeriesID, expression);
}
STDMETHODIMP CZmaVadAZ::SetLabelExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) {
    return series_.SetLabelExpression(bstrSeriesID, expression);
}
STDMETHODIMP CZmaVadAZ::SetLabelVisibleForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL bVisible) {
    return series_.SetLabelsVisible(bstrSeriesID, bVisible);
}
