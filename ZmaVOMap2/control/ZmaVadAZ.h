// The map control: contains the map engine, hands the host the engine's window, embedding and
// view interfaces as its own, and adds its automation interfaces, events, persistence and drawing.
#pragma once

#include "ZmaVOMap2/commands/MapCommands.h"
#include "ZmaVOMap2/control/DistanceMeasure.h"
#include "ZmaVOMap2/control/EventProxies.h"
#include "ZmaVOMap2/control/MapViewport.h"
#include "ZmaVOMap2/control/ViewChangeTracker.h"
#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/services/LifetimeDetector.h"
#include "ZmaVOMap2/engine/MapXEventListener.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/printing/MapPrinting.h"
#include "ZmaVOMap2/printing/PrintableMap.h"
#include "ZmaVOMap2/settings/ZmaVOMapXConfigurationManager.h"
#include "platform/ComObject.h"
#include "platform/ConnectionPoint.h"
#include "platform/Window.h"

#include "HostInterfaces.h"
#include "VadAZ.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CZmaVadAZInfoDisplay;
class EngineDispatch;
class CZmaVadAZOverviewRegion;
class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;
class CZmaVadAZDatasetDisplay;
class CZmaVadAZShapesLayer;


class CZmaVadAZ
    : public platform::ComObject<CZmaVadAZ, platform::Also<IZmaVadAZ, IZmaVadAZ2>, IZmaVadAZ2,
                                 platform::Also<IDispatch, IZmaVadAZ2>, IZmaVadAZRegionFilter, IZmaVadAZMarkerHandling,
                                 IOleObject, platform::Also<IPersist, IPersistStreamInit>, IPersistPropertyBag2,
                                 IPersistStreamInit, IViewObjectEx, platform::ConnectionPointContainerImpl<CZmaVadAZ>,
                                 ISpecifyPropertyPages, IPrintableMap>,
      public platform::SubclassedWindow,
      public CZmaVadAZLayerHost,
      public EngineEventHandler,
      public MapSettingsTarget,
      public CommandTarget,
      public ZmoLifetimeMonitoring::CLifetimeDetector {
public:
    // Where the engine draws while Draw hands it a foreign device context; the info display
    // draws into the same context. `dc` is null otherwise.
    struct DrawingTarget {
        HDC dc = nullptr;
        long width = 0, height = 0, left = 0, top = 0;
    };

    CZmaVadAZ();
    ~CZmaVadAZ() override;

    // Object lifetime.
    HRESULT FinalConstruct();
    void FinalRelease();
    bool IsRefCountFrozen() const noexcept { return constructing_; }
    HRESULT QueryInterfaceImpl(REFIID iid, void** out);
    platform::ConnectionPoint* const* ConnectionPointArray(size_t& count);

    // IDispatch: our own members first, the engine's for everything we do not know.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

    // IZmaVadAZ
    STDMETHODIMP get_MapX(IDispatch **pVal) override;
    STDMETHODIMP put_VOLegend(IUnknown *newVal) override;
    STDMETHODIMP SetDatasetVisible(BSTR bstrSeriesID, LONG lVisible) override;
    STDMETHODIMP NotifyChange(BSTR bstrSeriesID, ENUM_NOTIFY_FLAGS flag, IDispatch *renderer, VARIANT ranges) override;
    STDMETHODIMP get_CurrentTool(LONG *pVal) override;
    STDMETHODIMP put_CurrentTool(LONG newVal) override;
    STDMETHODIMP SaveToXML(IDispatch *node) override;
    STDMETHODIMP LoadFromXML(IDispatch *node) override;
    STDMETHODIMP DisplayDataset(IDispatch *dataset, VARIANT fields, BSTR seriesGUID) override;
    STDMETHODIMP RemoveDataset(BSTR bstrSeriesID, VARIANT notify) override;
    STDMETHODIMP LayersDlg() override;
    STDMETHODIMP get_PaperUnits(LONG *pVal) override;
    STDMETHODIMP put_PaperUnits(LONG newVal) override;
    STDMETHODIMP ExportAsPictureAtScale(BSTR strGUID, double dScale) override;
    STDMETHODIMP get_DistanceUnit(LONG *pVal) override;
    STDMETHODIMP put_DistanceUnit(LONG newVal) override;
    STDMETHODIMP get_ProfileName(BSTR *pVal) override;
    STDMETHODIMP put_ProfileName(BSTR newVal) override;
    STDMETHODIMP ApplyCurrentProfile() override;
    STDMETHODIMP UpdateCellRefData() override;
    STDMETHODIMP NotifySelectionChange(BSTR bstrSeriesID) override;
    STDMETHODIMP CreateMultiDMapping(IDispatch *dataset, BSTR bstrSeriesID, IDispatch *fieldConfiguration) override;
    STDMETHODIMP get_IsBatchPrinting(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_IsBatchPrinting(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_BatchJobID(BSTR *pVal) override;
    STDMETHODIMP put_BatchJobID(BSTR newVal) override;
    STDMETHODIMP GetDisplayedGUIDs(IDispatch *collection) override;
    STDMETHODIMP get_Title(BSTR *pVal) override;
    STDMETHODIMP GetAttributeDescriptionFromGUID(BSTR bstrSeriesID, BSTR *description) override;
    STDMETHODIMP get_LinesVisibilityFlags(LONG *pVal) override;
    STDMETHODIMP put_LinesVisibilityFlags(LONG newVal) override;
    STDMETHODIMP get_LinesTargetFlags(LONG *pVal) override;
    STDMETHODIMP put_LinesTargetFlags(LONG newVal) override;
    STDMETHODIMP UpdateLinesToCellsData() override;
    STDMETHODIMP SetZoom(double dZoom, LONG iNewWidth, LONG iNewHeight, LONG iRealWidth, LONG iRealHeight) override;
    STDMETHODIMP SetSeriesSettings(BSTR bstrSeriesID, IDispatch *ppNode) override;
    STDMETHODIMP GetSeriesSettings(BSTR bstrSeriesID, IDispatch **ppNode) override;
    STDMETHODIMP UpdateLegendCheckBoxes() override;
    STDMETHODIMP ZoomToLayer(BSTR bstrSeriesID, double padding) override;
    STDMETHODIMP SetIndividualSeriesSettings(BSTR bstrSeriesID, IDispatch *ppNode) override;
    STDMETHODIMP PreDestroy() override;
    STDMETHODIMP SetVisible(VARIANT_BOOL vbVisible) override;
    STDMETHODIMP Print() override;
    STDMETHODIMP putref_Attributes(IDispatch *newVal) override;
    STDMETHODIMP ClearAnnotations() override;
    // IZmaVadAZ2
    STDMETHODIMP ShowDirection(VARIANT_BOOL Show) override;
    STDMETHODIMP IsDirectionShown(VARIANT_BOOL *pbShow) override;
    STDMETHODIMP SetLockMapView(VARIANT_BOOL bLockMapView) override;
    STDMETHODIMP AddTemporaryTabLayer(BSTR bstrTabPath) override;
    STDMETHODIMP RemoveTemporaryTabLayer() override;
    STDMETHODIMP HandleDragDrop(IUnknown *pDataObject, LONG lScreenX, LONG lScreenY) override;
    STDMETHODIMP SelectByRadius(VARIANT varLat, VARIANT varLong, VARIANT varRad) override;
    STDMETHODIMP ToggleLines(VARIANT_BOOL varVisible, LONG lLinesOption) override;
    STDMETHODIMP QuickPrint(BSTR bstrTitle) override;
    STDMETHODIMP get_PrintTitle(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_PrintTitle(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_PrintTitleBorder(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_PrintTitleBorder(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleAlignment(BSTR *pVal) override;
    STDMETHODIMP put_TitleAlignment(BSTR newVal) override;
    STDMETHODIMP get_PositionTitleAboveMap(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_PositionTitleAboveMap(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_LeftMargin(double *pVal) override;
    STDMETHODIMP put_LeftMargin(double newVal) override;
    STDMETHODIMP get_TopMargin(double *pVal) override;
    STDMETHODIMP put_TopMargin(double newVal) override;
    STDMETHODIMP get_RightMargin(double *pVal) override;
    STDMETHODIMP put_RightMargin(double newVal) override;
    STDMETHODIMP get_BottomMargin(double *pVal) override;
    STDMETHODIMP put_BottomMargin(double newVal) override;
    STDMETHODIMP get_PrintLegend(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_PrintLegend(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_AllowLegendOverlap(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_AllowLegendOverlap(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_LegendPosition(BSTR *pVal) override;
    STDMETHODIMP put_LegendPosition(BSTR newVal) override;
    STDMETHODIMP get_MapSize(BSTR *pVal) override;
    STDMETHODIMP put_MapSize(BSTR newVal) override;
    STDMETHODIMP get_ContentCentered(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_ContentCentered(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_PrintMapBorder(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_PrintMapBorder(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_Width(VARIANT *pVal) override;
    STDMETHODIMP put_Width(VARIANT newVal) override;
    STDMETHODIMP get_Height(VARIANT *pVal) override;
    STDMETHODIMP put_Height(VARIANT newVal) override;
    STDMETHODIMP get_Scale(double *pVal) override;
    STDMETHODIMP put_Scale(double newVal) override;
    STDMETHODIMP get_TitleFontHeight(LONG *pVal) override;
    STDMETHODIMP put_TitleFontHeight(LONG newVal) override;
    STDMETHODIMP get_TitleFontWeight(LONG *pVal) override;
    STDMETHODIMP put_TitleFontWeight(LONG newVal) override;
    STDMETHODIMP get_TitleFontItalic(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_TitleFontItalic(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleFontStruckout(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_TitleFontStruckout(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleFontUnderlined(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_TitleFontUnderlined(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleFontCharSet(unsigned char *pVal) override;
    STDMETHODIMP put_TitleFontCharSet(unsigned char newVal) override;
    STDMETHODIMP get_TitleFontColor(VARIANT *pVal) override;
    STDMETHODIMP put_TitleFontColor(VARIANT newVal) override;
    STDMETHODIMP get_TitleFontFaceName(BSTR *pVal) override;
    STDMETHODIMP put_TitleFontFaceName(BSTR newVal) override;
    STDMETHODIMP DrawLineBetweenCellsites(LONG nRowId1, LONG nRowId2, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor) override;
    STDMETHODIMP DrawLineBetweenPoints(VARIANT vtStartLon, VARIANT vtStartLat, VARIANT vtEndLon, VARIANT vtEndLat, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor) override;
    STDMETHODIMP SetTooltipExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) override;
    STDMETHODIMP SetLabelExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) override;
    STDMETHODIMP SetLabelVisibleForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL bVisible) override;
    STDMETHODIMP put_CellColourField(BSTR SeriesID, BSTR fieldName) override;
    STDMETHODIMP ClearLinesBetweenCellsites() override;
    STDMETHODIMP ClearLinesBetweenPoints() override;
    STDMETHODIMP ConfigurePrinting() override;
    STDMETHODIMP PrintPreview() override;
    STDMETHODIMP get_QuickPrintLayout(LONG *pVal) override;
    STDMETHODIMP put_QuickPrintLayout(ENUM_QUICK_PRINT_LAYOUT newVal) override;
    STDMETHODIMP get_QuickPrintLayoutAsText(BSTR *pVal) override;
    STDMETHODIMP put_QuickPrintLayoutAsText(BSTR newVal) override;
    STDMETHODIMP QuickBatchPrint() override;
    STDMETHODIMP BatchPrint() override;
    STDMETHODIMP put_VOPrintLegend(IUnknown *newVal) override;
    STDMETHODIMP get_BatchPrintLayout(BSTR *pVal) override;
    STDMETHODIMP put_BatchPrintLayout(BSTR newVal) override;
    STDMETHODIMP SetDefaultBatchPrintFlagsForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL batchPrint, VARIANT_BOOL printOnAllPages) override;
    STDMETHODIMP get_ScaleVisible(VARIANT_BOOL *pVal) override;
    STDMETHODIMP get_FixedLegendSize(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_FixedLegendSize(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_OrientationLandscape(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_OrientationLandscape(VARIANT_BOOL newVal) override;
    STDMETHODIMP SetDisplayOrigin(LONG x, LONG y) override;
    STDMETHODIMP ExportToFile(BSTR filePath, BSTR fileFormat) override;
    STDMETHODIMP DrawLineBetweenCellSectors(BSTR bstrGUID1, LONG nRowId1, BSTR bstrGUID2, LONG nRowId2, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor, BSTR toolTip, VARIANT_BOOL drawArrow, double proportion, LONG *index) override;
    STDMETHODIMP ClearLinesBetweenCellSectors() override;
    STDMETHODIMP DrawCircle(double latitude, double longitude, VARIANT radius, LONG lineWidth, LONG lineType, VARIANT lineColor, BSTR toolTip) override;
    STDMETHODIMP DrawFilledCircle(double latitude, double longitude, VARIANT radius, VARIANT fillColor, double opacity, BSTR toolTip) override;
    STDMETHODIMP DrawSpotlightCircle(double latitude, double longitude, VARIANT radius, VARIANT fillColor, double opacity, BSTR toolTip) override;
    STDMETHODIMP DrawPie(double latitude, double longitude, VARIANT radius, double startAngle, double endAngle, LONG lineWidth, LONG lineType, VARIANT lineColor, BSTR toolTip) override;
    STDMETHODIMP DrawFilledPie(double latitude, double longitude, VARIANT radius, double startAngle, double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) override;
    STDMETHODIMP DrawSpotlightPie(double latitude, double longitude, VARIANT radius, double startAngle, double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) override;
    STDMETHODIMP ClearShapes() override;
    STDMETHODIMP ToggleShapes(VARIANT_BOOL Visible) override;
    STDMETHODIMP ZoomToBoundingBox(double startLat, double startLong, double endLat, double endLong) override;
    STDMETHODIMP ZoomToLayers(IDispatch *ids, double padding) override;
    STDMETHODIMP ToggleLine(LONG index, VARIANT_BOOL varVisible, LONG lLinesOption) override;
    STDMETHODIMP SetCurrentViewAsOverviewRegion() override;
    STDMETHODIMP SetOverviewRegion(double startLat, double startLong, double endLat, double endLong) override;
    STDMETHODIMP get_OverviewRegionVisible(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_OverviewRegionVisible(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_EnhancedDrawingMode(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_EnhancedDrawingMode(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_Units(BSTR *pVal) override;
    STDMETHODIMP put_Units(BSTR newVal) override;
    STDMETHODIMP MoveLayerToTop(BSTR SeriesID) override;
    STDMETHODIMP UpdateDataset(BSTR SeriesID, IDispatch *dataset) override;
    STDMETHODIMP GetLayerBounds(BSTR SeriesID, IDispatch **rectangle) override;
    STDMETHODIMP DrawFilledDonutSegment(double latitude, double longitude, VARIANT radius, VARIANT endRadius, double startAngle, double endAngle, VARIANT fillColor, double opacity, BSTR toolTip) override;
    STDMETHODIMP DrawDonutSegment(double latitude, double longitude, VARIANT radius, VARIANT endRadius, double startAngle, double endAngle, LONG lineWidth, LONG lineType, VARIANT lineColor, BSTR toolTip) override;
    STDMETHODIMP SetNeighborLinesToCellsColorByField(BSTR bstrSeriesID, BSTR field) override;
    STDMETHODIMP GetNeighborLinesToCellsColorByField(BSTR bstrSeriesID, BSTR *field) override;
    STDMETHODIMP SetNeighborLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR field) override;
    STDMETHODIMP GetNeighborLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR *field) override;
    STDMETHODIMP SetServerLinesToCellsColorByField(BSTR bstrSeriesID, BSTR field) override;
    STDMETHODIMP GetServerLinesToCellsColorByField(BSTR bstrSeriesID, BSTR *field) override;
    STDMETHODIMP SetServerLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR field) override;
    STDMETHODIMP GetServerLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR *field) override;
    STDMETHODIMP get_ScreenUpdating(VARIANT_BOOL *pVal) override;
    STDMETHODIMP put_ScreenUpdating(VARIANT_BOOL newVal) override;
    STDMETHODIMP DisplayBackgroundMapLayerProperties() override;
    STDMETHODIMP ResetViewChangeStage() override;
    STDMETHODIMP SyncZoomAll(double dCentreX, double dCentreY, double dZoom, LONG lPixel) override;
    // IZmaVadAZMarkerHandling
    STDMETHODIMP OpenMarkerLayer(VARIANT_BOOL bSnapToTrack) override;
    STDMETHODIMP GetNextMarkerChange(LONG *plMsgNum, double *pdLong, double *pdLat, VARIANT_BOOL *pbGpsSet) override;
    STDMETHODIMP SetMarkerStationary(LONG lMsgNum, VARIANT_BOOL bStationary) override;
    STDMETHODIMP ResetMarkerLayer() override;
    STDMETHODIMP BringMarkerLayerToTop() override;
    STDMETHODIMP RemoveMarkerLayer() override;
    // IZmaVadAZRegionFilter
    STDMETHODIMP EditRegionSet(IUnknown *pRegionSet) override;
    STDMETHODIMP TurnOffRegionEditing() override;
    STDMETHODIMP ClearAllRegions() override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                        LPCRECT positionRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IPersist, IPersistStreamInit and IPersistPropertyBag2 (InitNew and IsDirty serve both)
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag2* bag, IErrorLog* errorLog) override;
    STDMETHODIMP Save(IPropertyBag2* bag, BOOL clearDirty, BOOL saveAll) override;

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDC,
                      HDC drawDC, LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contValue) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC infoDC,
                             LOGPALETTE** colorSet) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* targetDevice, LPSIZEL size) override;
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint, DWORD* hitResult) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint, DWORD* hitResult) override;
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* targetDevice, HDC infoDC,
                                  DVEXTENTINFO* extentInfo, LPSIZEL size) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // Outgoing events. The four shared events reach the second interface's sinks first.
    void Fire_SelectionChanged(BSTR seriesId);
    void Fire_SeriesRemoved(BSTR seriesId);
    void Fire_GetField(BSTR fieldName, BSTR seriesGuid);
    void Fire_CurrentToolChanged(long tool);
    void Fire_LayerVisibilityChanged();
    void Fire_MarkerChanged();
    void Fire_EditAttributes();
    void Fire_EnhancedDrawingModeChanged(VARIANT_BOOL enhanced);
    void Fire_UnitsChanged(BSTR newUnits);
    void Fire_SyncZoom(long streamHandle);
    void Fire_FeatureSelected(BSTR layer, long index);
    CProxy_IZmaVOMapXEvents& Events1() noexcept { return events1_; }
    CProxy_IZmaVOMapXEvents2& Events2() noexcept { return events2_; }

    // Printing (ZmaVadAZ_Printing.cpp). A job is prepared from the control's print settings,
    // legend, map and title (false, logged, when it cannot be); a prepared job is printed with the
    // progress dialog, after the layers were prepared for printing (a failure is raised).
    bool PreparePrintJob(MapPrintJobInfo& job);
    void ExecutePrintJob(std::unique_ptr<MapPrintJobInfo> job);
    // The page set-up (printer, paper, margins, orientation and the quick-print options): S_OK
    // after OK, S_FALSE after Cancel, else the failure, with its error information.
    HRESULT PageSetup(HWND parent);
    // The page set-up, and after its OK the job prepared again: true; false after Cancel or a
    // failure (logged).
    bool PageSetupThenPrepare(MapPrintJobInfo& job, HWND parent);
    // The quick-print title: the stored one, else the top visible measurement layer's name.
    std::wstring GetQuickPrintTitle();
    bool SetQuickPrintTitle(const std::wstring& title);
    HRESULT LoadQuickPrintTitle();
    // Holds `layout` (may be null) as the print-settings object in place of the held one.
    void SetQuickPrintLayoutObject(IMapPrintSettings* layout);
    // Batch printing and the print preview, over the control's layers and print settings.
    class PrintLink;
    PrintLink& PrintingLink();
    // The subclassed engine window when there is one, else the engine's own window.
    HWND GetMapWindow();

    // What the layers need of the control.
    IDispatch* EngineMap() override { return engineDispatch_.Get(); }
    HWND EngineWindow() override { return engineWindow_; }
    std::wstring TemporaryFolder() override { return tempFolder_; }
    bool IsScreenUpdating() override { return screenUpdating_; }
    IUnknown* LegendObject() override { return voLegend_; }
    IUnknown* PrintLegendObject() override { return printLegend_; }
    void FireSeriesRemoved(BSTR seriesId) override { Fire_SeriesRemoved(seriesId); }
    void FireLayerVisibilityChanged() override { Fire_LayerVisibilityChanged(); }
    void FireSelectionChanged(BSTR seriesId) override { Fire_SelectionChanged(seriesId); }
    void FireMarkerChanged() override { Fire_MarkerChanged(); }
    void FireFeatureSelected(BSTR layer, long index) override { Fire_FeatureSelected(layer, index); }
    void FireGetField(BSTR fieldName, BSTR seriesGuid) override { Fire_GetField(fieldName, seriesGuid); }
    bool ReadCurrentTool(long& tool) override;
    POINT ZoomViewOffset() override;
    // The host's attributes object (Attributes) with a reference added; null when none was set.
    platform::ComPtr<IUnknown> GetSharedInterface() const { return attributes_; }
    void ZoomToLayersBounds(CZmaVadAZLayer* layer, double padding) override;

    // The view (ZmaVadAZ_View.cpp): what moves the map, for the automation members and the
    // commands. Raises E_POINTER without the engine.
    MapViewport Viewport();
    // The map's paper size in the unit converter's unit 9; raises E_POINTER without the engine
    // or the unit converter.
    void GetMapDimensions(long& width, long& height);
    bool IsZoomSet() override { return zoomSet_; }
    void SuspendEngineEvents() override;
    void ResumeEngineEvents() override;

    // The print legend the host handed over (a reference added), null when none.
    platform::ComPtr<IHostPrintLegend> GetVOPrintLegend();

    // Exported images (ZmaVadAZ_Drawing.cpp). The engine draws the export through the usual draw
    // requests; while the exporting flag is set, each drawn frame also gets the info display.
    void DrawInfoDisplay(HDC dc) override;
    HRESULT ExportMapImage(IDispatch* engineMap, BSTR path, short format) override;
    bool IsExporting() const noexcept override { return exporting_; }

    CZmaVadAZLayerCollection* LayerCollection() const noexcept override { return layers_.get(); }
    CZmaVadAZDatasetDisplay* DatasetDisplay() const noexcept { return datasets_.get(); }
    CZmaVadAZLayerCollection& EnsureLayerCollection() override;
    CZmaVadAZInfoDisplay* InfoDisplay() const noexcept override { return infoDisplay_.get(); }
    CZmaVadAZOverviewRegion* OverviewRegion() const noexcept override { return overview_.get(); }
    // The view that loaded settings restored; applied once the map is initialised.
    MapIdentity GetIdentity() const override {
        MapIdentity identity;
        identity.batchPrinting = isBatchPrinting_;
        identity.batchJobId = batchJobId_;
        identity.profileName = profileName_;
        identity.temporaryFolder = tempFolder_;
        return identity;
    }
    void SetIdentity(const MapIdentity& identity) override {
        isBatchPrinting_ = identity.batchPrinting;
        batchJobId_ = identity.batchJobId;
        profileName_ = identity.profileName;
    }
    // Remembered until the map is initialised; a map already showing moves to it at once, so that
    // settings loaded into a running map bring their view with them.
    void SetRestoredView(double zoom, double centerX, double centerY) noexcept override;
    const DrawingTarget& CurrentDrawingTarget() const noexcept { return drawingTarget_; }

    // An operation that may fire events runs between these two (OperationScope): the control, its
    // layer collection and the layers it works on stay alive until the operation ends, even when
    // a host handler releases the control, calls PreDestroy or removes a series.
    void BeginOperation() noexcept;
    void EndOperation() noexcept;
    class OperationScope {
    public:
        explicit OperationScope(CZmaVadAZ& control) noexcept : control_(control) { control_.BeginOperation(); }
        ~OperationScope() { control_.EndOperation(); }
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

    private:
        CZmaVadAZ& control_;
    };
    void EnterEngineEvent() noexcept override { BeginOperation(); }
    void LeaveEngineEvent() noexcept override { EndOperation(); }

    // Handlers of the engine's events (called by the engine event sink).
    void OnMapMouseDown(short button, short shift, float x, float y) override;
    void OnMapMouseUp(short button, short shift, float x, float y) override;
    void OnMapMouseMove(short button, short shift, float x, float y) override;
    void OnMapDblClick() override;
    void OnMapKeyDown(short keyCode, short shift) override;
    void OnMapToolUsed(short tool, double x1, double y1, double x2, double y2) override;
    void OnMapPolyToolUsed(short tool, long flags, IDispatch* points) override;
    void OnMapViewChanged() override;
    void OnMapDrawUserLayer(IDispatch* layer, HDC outputDC, HDC attributeDC, IDispatch* fullRect, IDispatch* invalidRect) override;
    void OnMapDrawStage(short stage) override;
    void OnMapRecalcInfoDisplay() override;
    void OnMapFeatureToolStatus(long status) override;

    // What the commands need of the control (ZmaVadAZ_Commands.cpp).
    HWND FindEngineWindow() override;
    bool InAnnotationMode() const noexcept override { return annotationMode_; }
    IZmaVadAZ2* Automation() override { return this; }
    MapPlacement Placement() const noexcept override {
        return {drawingTarget_.width, drawingTarget_.height, drawingTarget_.left, drawingTarget_.top};
    }
    PreviousView LastView() const noexcept override {
        const ViewChangeTracker::View& previous = viewChanges_.Previous();
        return {previous.zoom, previous.centerX, previous.centerY};
    }
    ZoomRecord& Zoom() noexcept override { return zoomRecord_; }
    void SetViewChangeStage(long stage) noexcept override { viewChanges_.SetStage(stage); }
    platform::ComPtr<IDispatch> LayerBounds(CZmaVadAZLayer* layer, double padding) override {
        return Viewport().GetLayersBounds(layer, padding);
    }
    void SetExporting(bool exporting) noexcept override { exporting_ = exporting; }
    bool PopDownloadedTile(POINT& tile) override;
    void NewRaster() override;
    void FireCurrentToolChanged(long tool) override { Fire_CurrentToolChanged(tool); }
    void FireSyncZoom(long streamHandle) override { Fire_SyncZoom(streamHandle); }
    void FireUnitsChanged(BSTR units) override { Fire_UnitsChanged(units); }
    void FireEnhancedDrawingModeChanged(VARIANT_BOOL enhanced) override { Fire_EnhancedDrawingModeChanged(enhanced); }
    // The annotation tools 1006 and 1012 to 1015, as the CurrentTool property selects them.
    void SelectAnnotationTool(long tool) { commands_.SelectAnnotationTool(tool); }

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Every message of the engine window is an operation, the engine's own handling of it
    // included: the engine fires its events from there, and a host handler may release the
    // control. The control then goes only once the engine is done with the message.
    void BeginMessage() noexcept override { BeginOperation(); }
    void EndMessage() noexcept override { EndOperation(); }

private:
    // Creates a host class with any server context, runs it and asks for `iid`.
    template <class I>
    static HRESULT CreateHostObject(REFCLSID clsid, platform::ComPtr<I>& out);
    HRESULT DrawIntoMetafile(HDC drawDC, const RECTL& bounds);
    void DrawBorder(HDC drawDC, const RECTL& bounds);
    void RefreshInfoDisplay(HDC drawDC);
    void ReleaseEngine() noexcept;
    void PrepareJobOrThrow(MapPrintJobInfo& job);
    // Closes the print preview; `detach` when the control goes: print jobs reach it no more.
    void ReleasePrinting(bool detach) noexcept;
    void DestroyEngineWindow() noexcept;
    // The layer collection that the map initialisation makes. Before it, the members that need
    // it fail with `failure` and the one description of a map used too early.
    CZmaVadAZLayerCollection& RequireLayers(HRESULT failure = E_UNEXPECTED) const;

    // Datasets and display state (ZmaVadAZ_Datasets.cpp, ZmaVadAZ_DisplayState.cpp).
    // After a change to what the map shows: redraw on and the engine window invalidated, only
    // while ScreenUpdating is on.
    void RepaintIfUpdating();
    // Runs a shape member's work on the shapes layer (made on first use), then the repaint; E_FAIL
    // when there is no shapes layer, E_UNEXPECTED (raised) without a layer collection.
    HRESULT RunShapeOperation(const std::function<HRESULT(CZmaVadAZShapesLayer&)>& operation);
    // Runs a line operation on the layer collection, then the repaint step; a refusal keeps its
    // text for the caller (a generic one when the layer gave none).
    HRESULT RunLineOperation(const std::function<HRESULT()>& operation, const wchar_t* refusal);
    // The field members of the serving (`neighbours` false) and neighbour lines (ZmaVadAZ_Lines.cpp).
    HRESULT SetLinesToCellsField(BSTR series, BSTR field, bool neighbours, bool label);
    HRESULT GetLinesToCellsField(BSTR series, BSTR* field, bool neighbours, bool label);
    // The channel logger for usage records, created on first use; null when the host has none.
    IHostChannelLogger* GetUsageLogger();

    // Engine helpers.
    IDispatch* EngineMapOrThrow();
    long EngineCurrentTool();
    ZmaPointD ScreenToMap(float x, float y);
    void InvalidateEngineWindow();
    void ShowContextMenu(POINT screen);
    void HideRolloverTipForAnyOwner();
    void SnapZoomToBackgroundMap(IDispatch* viewRectangle, const RECT& pixels);

    // Initialisation (fresh or from saved settings).
    static constexpr HRESULT kCorruptStream = STG_E_DOCFILECORRUPT;
    void ReadSettings(IStream* stream);
    HRESULT InitialiseMap();
    void PrepareTemporaryFolder();
    // The folder "D4Oze2" in the user's temporary folder, made when missing (the temporary folder
    // itself when it cannot be made).
    void MakeTemporaryFolder();
    HRESULT RegisterWithHostService();
    HRESULT CreateCustomTools();

    // The engine.
    platform::ComPtr<IDispatch> engineDispatch_;
    platform::ComPtr<IUnknown> engine_;
    platform::ComPtr<IDispatch> engineMergeDispatch_;
    platform::ComPtr<IOleObject> engineOleObject_;
    platform::ComPtr<IPersistStreamInit> enginePersist_;
    platform::ComPtr<IViewObjectEx> engineView_;

    // Parts of the control.
    std::unique_ptr<CZmaVadAZLayerCollection> layers_;
    // Works on layers_: goes before it.
    std::unique_ptr<CZmaVadAZDatasetDisplay> datasets_;
    std::unique_ptr<CZmaVadAZInfoDisplay> infoDisplay_;
    std::unique_ptr<CZmaVadAZOverviewRegion> overview_;
    // Operations in progress, the collections they hold, and what PreDestroy took away meanwhile.
    int operations_ = 0;
    std::vector<CZmaVadAZLayerCollection*> heldCollections_;
    std::vector<std::unique_ptr<CZmaVadAZLayerCollection>> retiredLayers_;
    std::vector<std::unique_ptr<CZmaVadAZDatasetDisplay>> retiredDatasets_;
    // PreDestroy from inside an operation: the engine window goes when the operation ends, not
    // while the engine may still be handling one of its messages.
    bool destroyWindowPending_ = false;
    CMapXEventListener engineEvents_{*this};
    MapPrinting printing_;
    std::shared_ptr<PrintLink> printLink_;

    // The host's objects.
    platform::ComPtr<IHostUnitConverter> unitConverter_;
    platform::ComPtr<IHostService> hostService_;

    ULONG_PTR gdiplusToken_ = 0;
    std::wstring tempFolder_;
    std::wstring profileName_ = L"%##CurrentSettings##%";
    HWND siteWindow_ = nullptr;
    HWND engineWindow_ = nullptr;
    DrawingTarget drawingTarget_;
    bool verbSeen_ = false;
    bool constructing_ = false;
    bool mapInitialised_ = false;
    bool initialisedFresh_ = false;
    bool loaded_ = false;
    bool loadedOverLayers_ = false;
    bool refreshInfoDisplay_ = false;
    double restoredZoom_ = 0, restoredCenterX_ = 0, restoredCenterY_ = 0;

    // What the engine's events keep: distance measuring, panning and the view changes.
    DistanceMeasure measure_;
    bool panning_ = false;
    ViewChangeTracker viewChanges_;
    // Whether SuspendEngineEvents found the engine events connected.
    bool eventsSuspended_ = false;
    bool exporting_ = false;

    // Owned by later parts of the control; the values a new control starts with.
    std::wstring batchJobId_;
    long currentTool_ = VO_MAP_TOOL_ARROW;
    VARIANT_BOOL isBatchPrinting_ = VARIANT_FALSE;
    bool screenUpdating_ = true;
    // The host's legends, kept without a reference of ours: the host keeps them alive.
    IUnknown* voLegend_ = nullptr;
    IUnknown* printLegend_ = nullptr;
    platform::ComPtr<IHostLoggingManager> usageLogging_;
    platform::ComPtr<IHostChannelLogger> usageChannel_;
    platform::ComPtr<IUnknown> attributes_;

    // The zoom the host gave with SetZoom, and the annotation editing mode of CurrentTool.
    ZoomRecord zoomRecord_;
    bool zoomSet_ = false;
    bool annotationMode_ = false;
    MapCommands commands_{*this};

    CProxy_IZmaVOMapXEvents events1_;
    CProxy_IZmaVOMapXEvents2 events2_;
    platform::ConnectionPoint* points_[2];
};
