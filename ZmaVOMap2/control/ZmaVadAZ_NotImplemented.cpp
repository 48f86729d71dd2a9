// Automation members whose work is not built yet: each answers E_NOTIMPL.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::get_CurrentTool(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_CurrentTool(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_PaperUnits(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_PaperUnits(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_DistanceUnit(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_DistanceUnit(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_ProfileName(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_ProfileName(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ApplyCurrentProfile() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::UpdateCellRefData() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_IsBatchPrinting(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_IsBatchPrinting(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_BatchJobID(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_BatchJobID(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_Title(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_LinesVisibilityFlags(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_LinesVisibilityFlags(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_LinesTargetFlags(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_LinesTargetFlags(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::UpdateLinesToCellsData() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetZoom(double /*dZoom*/, LONG /*iNewWidth*/, LONG /*iNewHeight*/, LONG /*iRealWidth*/, LONG /*iRealHeight*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetSeriesSettings(BSTR /*bstrSeriesID*/, IDispatch * /*ppNode*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetSeriesSettings(BSTR /*bstrSeriesID*/, IDispatch ** /*ppNode*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::UpdateLegendCheckBoxes() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ZoomToLayer(BSTR /*bstrSeriesID*/, double /*padding*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetIndividualSeriesSettings(BSTR /*bstrSeriesID*/, IDispatch * /*ppNode*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetVisible(VARIANT_BOOL /*vbVisible*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::Print() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::putref_Attributes(IDispatch * /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ClearAnnotations() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ShowDirection(VARIANT_BOOL /*Show*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::IsDirectionShown(VARIANT_BOOL * /*pbShow*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetLockMapView(VARIANT_BOOL /*bLockMapView*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::AddTemporaryTabLayer(BSTR /*bstrTabPath*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::RemoveTemporaryTabLayer() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::HandleDragDrop(IUnknown * /*pDataObject*/, LONG /*lScreenX*/, LONG /*lScreenY*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SelectByRadius(VARIANT /*varLat*/, VARIANT /*varLong*/, VARIANT /*varRad*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ToggleLines(VARIANT_BOOL /*varVisible*/, LONG /*lLinesOption*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::QuickPrint(BSTR /*bstrTitle*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_PrintTitle(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_PrintTitle(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_PrintTitleBorder(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_PrintTitleBorder(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleAlignment(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleAlignment(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_PositionTitleAboveMap(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_PositionTitleAboveMap(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_LeftMargin(double * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_LeftMargin(double /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TopMargin(double * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TopMargin(double /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_RightMargin(double * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_RightMargin(double /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_BottomMargin(double * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_BottomMargin(double /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_PrintLegend(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_PrintLegend(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_AllowLegendOverlap(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_AllowLegendOverlap(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_LegendPosition(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_LegendPosition(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_MapSize(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_MapSize(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_ContentCentered(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_ContentCentered(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_PrintMapBorder(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_PrintMapBorder(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_Width(VARIANT * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_Width(VARIANT /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_Height(VARIANT * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_Height(VARIANT /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_Scale(double * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_Scale(double /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontHeight(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontHeight(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontWeight(LONG * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontWeight(LONG /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontItalic(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontItalic(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontStruckout(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontStruckout(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontUnderlined(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontUnderlined(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontCharSet(unsigned char * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontCharSet(unsigned char /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontColor(VARIANT * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontColor(VARIANT /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_TitleFontFaceName(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_TitleFontFaceName(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawLineBetweenCellsites(LONG /*nRowId1*/, LONG /*nRowId2*/, LONG /*nLineWidth*/, LONG /*nLineType*/, VARIANT /*vtLineColor*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawLineBetweenPoints(VARIANT /*vtStartLon*/, VARIANT /*vtStartLat*/, VARIANT /*vtEndLon*/, VARIANT /*vtEndLat*/, LONG /*nLineWidth*/, LONG /*nLineType*/, VARIANT /*vtLineColor*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetTooltipExpressionForDataLayer(BSTR /*bstrSeriesID*/, BSTR /*expression*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetLabelExpressionForDataLayer(BSTR /*bstrSeriesID*/, BSTR /*expression*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetLabelVisibleForDataLayer(BSTR /*bstrSeriesID*/, VARIANT_BOOL /*bVisible*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_CellColourField(BSTR /*SeriesID*/, BSTR /*fieldName*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ClearLinesBetweenCellsites() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ClearLinesBetweenPoints() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ConfigurePrinting() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::PrintPreview() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_QuickPrintLayoutAsText(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_QuickPrintLayoutAsText(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::QuickBatchPrint() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::BatchPrint() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_BatchPrintLayout(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_BatchPrintLayout(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetDefaultBatchPrintFlagsForDataLayer(BSTR /*bstrSeriesID*/, VARIANT_BOOL /*batchPrint*/, VARIANT_BOOL /*printOnAllPages*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_FixedLegendSize(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_FixedLegendSize(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_OrientationLandscape(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_OrientationLandscape(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetDisplayOrigin(LONG /*x*/, LONG /*y*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawLineBetweenCellSectors(BSTR /*bstrGUID1*/, LONG /*nRowId1*/, BSTR /*bstrGUID2*/, LONG /*nRowId2*/, LONG /*nLineWidth*/, LONG /*nLineType*/, VARIANT /*vtLineColor*/, BSTR /*toolTip*/, VARIANT_BOOL /*drawArrow*/, double /*proportion*/, LONG * /*index*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ClearLinesBetweenCellSectors() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawCircle(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, LONG /*lineWidth*/, LONG /*lineType*/, VARIANT /*lineColor*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawFilledCircle(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, VARIANT /*fillColor*/, double /*opacity*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawSpotlightCircle(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, VARIANT /*fillColor*/, double /*opacity*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawPie(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, double /*startAngle*/, double /*endAngle*/, LONG /*lineWidth*/, LONG /*lineType*/, VARIANT /*lineColor*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawFilledPie(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, double /*startAngle*/, double /*endAngle*/, VARIANT /*fillColor*/, double /*opacity*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawSpotlightPie(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, double /*startAngle*/, double /*endAngle*/, VARIANT /*fillColor*/, double /*opacity*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ClearShapes() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ToggleShapes(VARIANT_BOOL /*Visible*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ZoomToBoundingBox(double /*startLat*/, double /*startLong*/, double /*endLat*/, double /*endLong*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ZoomToLayers(IDispatch * /*ids*/, double /*padding*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ToggleLine(LONG /*index*/, VARIANT_BOOL /*varVisible*/, LONG /*lLinesOption*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::MoveLayerToTop(BSTR /*SeriesID*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::UpdateDataset(BSTR /*SeriesID*/, IDispatch * /*dataset*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetLayerBounds(BSTR /*SeriesID*/, IDispatch ** /*rectangle*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawFilledDonutSegment(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, VARIANT /*endRadius*/, double /*startAngle*/, double /*endAngle*/, VARIANT /*fillColor*/, double /*opacity*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DrawDonutSegment(double /*latitude*/, double /*longitude*/, VARIANT /*radius*/, VARIANT /*endRadius*/, double /*startAngle*/, double /*endAngle*/, LONG /*lineWidth*/, LONG /*lineType*/, VARIANT /*lineColor*/, BSTR /*toolTip*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetNeighborLinesToCellsColorByField(BSTR /*bstrSeriesID*/, BSTR /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetNeighborLinesToCellsColorByField(BSTR /*bstrSeriesID*/, BSTR * /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetNeighborLinesToCellsLabelByField(BSTR /*bstrSeriesID*/, BSTR /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetNeighborLinesToCellsLabelByField(BSTR /*bstrSeriesID*/, BSTR * /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetServerLinesToCellsColorByField(BSTR /*bstrSeriesID*/, BSTR /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetServerLinesToCellsColorByField(BSTR /*bstrSeriesID*/, BSTR * /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetServerLinesToCellsLabelByField(BSTR /*bstrSeriesID*/, BSTR /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetServerLinesToCellsLabelByField(BSTR /*bstrSeriesID*/, BSTR * /*field*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::DisplayBackgroundMapLayerProperties() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SyncZoomAll(double /*dCentreX*/, double /*dCentreY*/, double /*dZoom*/, LONG /*lPixel*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::OpenMarkerLayer(VARIANT_BOOL /*bSnapToTrack*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::GetNextMarkerChange(LONG * /*plMsgNum*/, double * /*pdLong*/, double * /*pdLat*/, VARIANT_BOOL * /*pbGpsSet*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::SetMarkerStationary(LONG /*lMsgNum*/, VARIANT_BOOL /*bStationary*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ResetMarkerLayer() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::BringMarkerLayerToTop() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::RemoveMarkerLayer() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::EditRegionSet(IUnknown * /*pRegionSet*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::TurnOffRegionEditing() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::ClearAllRegions() { return E_NOTIMPL; }
