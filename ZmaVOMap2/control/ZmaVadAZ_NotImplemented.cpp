// Automation members whose work is not built yet: each answers E_NOTIMPL.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::get_IsBatchPrinting(VARIANT_BOOL * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_IsBatchPrinting(VARIANT_BOOL /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_BatchJobID(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::put_BatchJobID(BSTR /*newVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::get_Title(BSTR * /*pVal*/) { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::Print() { return E_NOTIMPL; }
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
