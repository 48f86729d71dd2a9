// The map control: contains the map engine, hands the host the engine's window, embedding and
// view interfaces as its own, and adds its automation interfaces, events, persistence and drawing.
// The class is a facade: its members check their arguments and hand the work to the components
// it owns, each of which holds references to the parts it needs.
#pragma once

#include "ZmaVOMap2/commands/MapCommands.h"
#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/ControlEvents.h"
#include "ZmaVOMap2/control/ControlPrinting.h"
#include "ZmaVOMap2/control/ControlTargets.h"
#include "ZmaVOMap2/control/DatasetMembers.h"
#include "ZmaVOMap2/control/EngineEventRouter.h"
#include "ZmaVOMap2/control/EngineWindow.h"
#include "ZmaVOMap2/control/HostObjects.h"
#include "ZmaVOMap2/control/HostProfile.h"
#include "ZmaVOMap2/control/LayerMembers.h"
#include "ZmaVOMap2/control/LineMembers.h"
#include "ZmaVOMap2/control/MapDrawing.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/MapSetup.h"
#include "ZmaVOMap2/control/MarkerMembers.h"
#include "ZmaVOMap2/control/ShapeMembers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ProfileMembers.h"
#include "ZmaVOMap2/control/SeriesSettings.h"
#include "ZmaVOMap2/control/ToolSelection.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "ZmaVOMap2/printing/PrintableMap.h"
#include "ZmaVOMap2/services/LifetimeDetector.h"
#include "platform/ComObject.h"
#include "platform/ConnectionPoint.h"
#include "platform/Forwarding.h"

#include "HostInterfaces.h"
#include "VadAZ.h"

class CZmaVadAZ
    : public platform::ComObject<CZmaVadAZ, platform::Also<IZmaVadAZ, IZmaVadAZ2>, IZmaVadAZ2,
                                 platform::Also<IDispatch, IZmaVadAZ2>, IZmaVadAZRegionFilter, IZmaVadAZMarkerHandling,
                                 platform::ForwardedOleObject<CZmaVadAZ>, platform::Also<IPersist, IPersistStreamInit>,
                                 IPersistPropertyBag2, IPersistStreamInit, platform::ForwardedViewObject<CZmaVadAZ>,
                                 platform::ConnectionPointContainerImpl<CZmaVadAZ>, ISpecifyPropertyPages,
                                 IPrintableMap> {
public:
    CZmaVadAZ();
    ~CZmaVadAZ() override;

    // Object lifetime.
    HRESULT FinalConstruct();
    void FinalRelease();
    bool IsRefCountFrozen() const noexcept { return constructing_; }
    HRESULT QueryInterfaceImpl(REFIID iid, void** out);
    platform::ConnectionPoint* const* ConnectionPointArray(size_t& count) { return events_.Points(count); }
    // The engine's embedding and view interfaces are the control's: the forwarders reach them here.
    IOleObject* ForwardedOleTarget() noexcept { return engine_.OleObject(); }
    IViewObjectEx* ForwardedViewTarget() noexcept { return engine_.View(); }

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
    STDMETHODIMP get_CurrentTool(LONG *pVal) override; STDMETHODIMP put_CurrentTool(LONG newVal) override;
    STDMETHODIMP SaveToXML(IDispatch *node) override;
    STDMETHODIMP LoadFromXML(IDispatch *node) override;
    STDMETHODIMP DisplayDataset(IDispatch *dataset, VARIANT fields, BSTR seriesGUID) override;
    STDMETHODIMP RemoveDataset(BSTR bstrSeriesID, VARIANT notify) override;
    STDMETHODIMP LayersDlg() override;
    STDMETHODIMP get_PaperUnits(LONG *pVal) override; STDMETHODIMP put_PaperUnits(LONG newVal) override;
    STDMETHODIMP ExportAsPictureAtScale(BSTR strGUID, double dScale) override;
    STDMETHODIMP get_DistanceUnit(LONG *pVal) override; STDMETHODIMP put_DistanceUnit(LONG newVal) override;
    STDMETHODIMP get_ProfileName(BSTR *pVal) override; STDMETHODIMP put_ProfileName(BSTR newVal) override;
    STDMETHODIMP ApplyCurrentProfile() override;
    STDMETHODIMP UpdateCellRefData() override;
    STDMETHODIMP NotifySelectionChange(BSTR bstrSeriesID) override;
    STDMETHODIMP CreateMultiDMapping(IDispatch *dataset, BSTR bstrSeriesID, IDispatch *fieldConfiguration) override;
    STDMETHODIMP GetDisplayedGUIDs(IDispatch *collection) override;
    STDMETHODIMP GetAttributeDescriptionFromGUID(BSTR bstrSeriesID, BSTR *description) override;
    STDMETHODIMP get_LinesVisibilityFlags(LONG *pVal) override; STDMETHODIMP put_LinesVisibilityFlags(LONG newVal) override;
    STDMETHODIMP get_LinesTargetFlags(LONG *pVal) override; STDMETHODIMP put_LinesTargetFlags(LONG newVal) override;
    STDMETHODIMP UpdateLinesToCellsData() override;
    STDMETHODIMP SetZoom(double dZoom, LONG iNewWidth, LONG iNewHeight, LONG iRealWidth, LONG iRealHeight) override;
    STDMETHODIMP SetSeriesSettings(BSTR bstrSeriesID, IDispatch *ppNode) override;
    STDMETHODIMP GetSeriesSettings(BSTR bstrSeriesID, IDispatch **ppNode) override;
    STDMETHODIMP UpdateLegendCheckBoxes() override;
    STDMETHODIMP ZoomToLayer(BSTR bstrSeriesID, double padding) override;
    STDMETHODIMP SetIndividualSeriesSettings(BSTR bstrSeriesID, IDispatch *ppNode) override;
    STDMETHODIMP PreDestroy() override;
    STDMETHODIMP SetVisible(VARIANT_BOOL vbVisible) override;
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
    STDMETHODIMP DrawLineBetweenCellsites(LONG nRowId1, LONG nRowId2, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor) override;
    STDMETHODIMP DrawLineBetweenPoints(VARIANT vtStartLon, VARIANT vtStartLat, VARIANT vtEndLon, VARIANT vtEndLat, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor) override;
    STDMETHODIMP SetTooltipExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) override;
    STDMETHODIMP SetLabelExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) override;
    STDMETHODIMP SetLabelVisibleForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL bVisible) override;
    STDMETHODIMP put_CellColourField(BSTR SeriesID, BSTR fieldName) override;
    STDMETHODIMP ClearLinesBetweenCellsites() override;
    STDMETHODIMP ClearLinesBetweenPoints() override;
    STDMETHODIMP put_VOPrintLegend(IUnknown *newVal) override;
    STDMETHODIMP get_ScaleVisible(VARIANT_BOOL *pVal) override;
    STDMETHODIMP SetDisplayOrigin(LONG x, LONG y) override;
    STDMETHODIMP HoldView(BOOL hold) override;
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
    STDMETHODIMP get_OverviewRegionVisible(VARIANT_BOOL *pVal) override; STDMETHODIMP put_OverviewRegionVisible(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_EnhancedDrawingMode(VARIANT_BOOL *pVal) override; STDMETHODIMP put_EnhancedDrawingMode(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_Units(BSTR *pVal) override; STDMETHODIMP put_Units(BSTR newVal) override;
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
    STDMETHODIMP get_ScreenUpdating(VARIANT_BOOL *pVal) override; STDMETHODIMP put_ScreenUpdating(VARIANT_BOOL newVal) override;
    STDMETHODIMP DisplayBackgroundMapLayerProperties() override;
    STDMETHODIMP ResetViewChangeStage() override;
    STDMETHODIMP SyncZoomAll(double dCentreX, double dCentreY, double dZoom, LONG lPixel) override;
    // IZmaVadAZ and IZmaVadAZ2: the print members, which hand their work to the printing component.
    STDMETHODIMP get_IsBatchPrinting(VARIANT_BOOL *pVal) override; STDMETHODIMP put_IsBatchPrinting(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_BatchJobID(BSTR *pVal) override; STDMETHODIMP put_BatchJobID(BSTR newVal) override;
    STDMETHODIMP get_Title(BSTR *pVal) override;
    STDMETHODIMP Print() override;
    STDMETHODIMP QuickPrint(BSTR bstrTitle) override;
    STDMETHODIMP get_PrintTitle(VARIANT_BOOL *pVal) override; STDMETHODIMP put_PrintTitle(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_PrintTitleBorder(VARIANT_BOOL *pVal) override; STDMETHODIMP put_PrintTitleBorder(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleAlignment(BSTR *pVal) override; STDMETHODIMP put_TitleAlignment(BSTR newVal) override;
    STDMETHODIMP get_PositionTitleAboveMap(VARIANT_BOOL *pVal) override; STDMETHODIMP put_PositionTitleAboveMap(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_LeftMargin(double *pVal) override; STDMETHODIMP put_LeftMargin(double newVal) override;
    STDMETHODIMP get_TopMargin(double *pVal) override; STDMETHODIMP put_TopMargin(double newVal) override;
    STDMETHODIMP get_RightMargin(double *pVal) override; STDMETHODIMP put_RightMargin(double newVal) override;
    STDMETHODIMP get_BottomMargin(double *pVal) override; STDMETHODIMP put_BottomMargin(double newVal) override;
    STDMETHODIMP get_PrintLegend(VARIANT_BOOL *pVal) override; STDMETHODIMP put_PrintLegend(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_AllowLegendOverlap(VARIANT_BOOL *pVal) override; STDMETHODIMP put_AllowLegendOverlap(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_LegendPosition(BSTR *pVal) override; STDMETHODIMP put_LegendPosition(BSTR newVal) override;
    STDMETHODIMP get_MapSize(BSTR *pVal) override; STDMETHODIMP put_MapSize(BSTR newVal) override;
    STDMETHODIMP get_ContentCentered(VARIANT_BOOL *pVal) override; STDMETHODIMP put_ContentCentered(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_PrintMapBorder(VARIANT_BOOL *pVal) override; STDMETHODIMP put_PrintMapBorder(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_Width(VARIANT *pVal) override; STDMETHODIMP put_Width(VARIANT newVal) override;
    STDMETHODIMP get_Height(VARIANT *pVal) override; STDMETHODIMP put_Height(VARIANT newVal) override;
    STDMETHODIMP get_Scale(double *pVal) override; STDMETHODIMP put_Scale(double newVal) override;
    STDMETHODIMP get_TitleFontHeight(LONG *pVal) override; STDMETHODIMP put_TitleFontHeight(LONG newVal) override;
    STDMETHODIMP get_TitleFontWeight(LONG *pVal) override; STDMETHODIMP put_TitleFontWeight(LONG newVal) override;
    STDMETHODIMP get_TitleFontItalic(VARIANT_BOOL *pVal) override; STDMETHODIMP put_TitleFontItalic(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleFontStruckout(VARIANT_BOOL *pVal) override; STDMETHODIMP put_TitleFontStruckout(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleFontUnderlined(VARIANT_BOOL *pVal) override; STDMETHODIMP put_TitleFontUnderlined(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_TitleFontCharSet(unsigned char *pVal) override; STDMETHODIMP put_TitleFontCharSet(unsigned char newVal) override;
    STDMETHODIMP get_TitleFontColor(VARIANT *pVal) override; STDMETHODIMP put_TitleFontColor(VARIANT newVal) override;
    STDMETHODIMP get_TitleFontFaceName(BSTR *pVal) override; STDMETHODIMP put_TitleFontFaceName(BSTR newVal) override;
    STDMETHODIMP ConfigurePrinting() override;
    STDMETHODIMP PrintPreview() override;
    STDMETHODIMP get_QuickPrintLayout(LONG *pVal) override; STDMETHODIMP put_QuickPrintLayout(ENUM_QUICK_PRINT_LAYOUT newVal) override;
    STDMETHODIMP get_QuickPrintLayoutAsText(BSTR *pVal) override; STDMETHODIMP put_QuickPrintLayoutAsText(BSTR newVal) override;
    STDMETHODIMP QuickBatchPrint() override;
    STDMETHODIMP BatchPrint() override;
    STDMETHODIMP get_BatchPrintLayout(BSTR *pVal) override; STDMETHODIMP put_BatchPrintLayout(BSTR newVal) override;
    STDMETHODIMP SetDefaultBatchPrintFlagsForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL batchPrint, VARIANT_BOOL printOnAllPages) override;
    STDMETHODIMP get_FixedLegendSize(VARIANT_BOOL *pVal) override; STDMETHODIMP put_FixedLegendSize(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_OrientationLandscape(VARIANT_BOOL *pVal) override; STDMETHODIMP put_OrientationLandscape(VARIANT_BOOL newVal) override;
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

    // IOleObject: the members with work of their own; the others are the engine's.
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                        LPCRECT positionRect) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;

    // IPersist, IPersistStreamInit and IPersistPropertyBag2 (InitNew and IsDirty serve both)
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag2* bag, IErrorLog* errorLog) override;
    STDMETHODIMP Save(IPropertyBag2* bag, BOOL clearDirty, BOOL saveAll) override;

    // IViewObjectEx: the members with work of their own; the others are the engine's.
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDC,
                      HDC drawDC, LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contValue) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC infoDC,
                             LOGPALETTE** colorSet) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // In-process members for printing and tests.
    IDispatch* EngineMap() const noexcept { return engine_.Map(); }
    CZmaVadAZLayerCollection* LayerCollection() const noexcept { return layers_.Collection(); }
    ControlEvents& Events() noexcept { return events_; }
    MapDrawing& Drawing() noexcept { return drawing_; }
    const ViewState& View() const noexcept { return view_; }
    ControlPrinting& Printing() noexcept { return printing_; }
    // The map's paper size in the unit converter's unit 9; raises E_POINTER without the engine
    // or the unit converter.
    void GetMapDimensions(long& width, long& height);

private:
    MapViewport Viewport();

    // While true (construction and final release) the reference count stands still and the
    // control answers only what the engine answers.
    bool constructing_ = false;
    // The thread whose link to the log the control holds: the one it was made on, whichever
    // thread lets it go.
    const DWORD logThread_ = ::GetCurrentThreadId();
    ZmoLifetimeMonitoring::CLifetimeDetector lifetime_{"CZmaVadAZ"};
    // Outlives the layers, which hide the tooltip as they go: the thread's tooltip window goes
    // with its last map.
    RolloverTipHold rolloverTip_;
    ControlEngine engine_;
    ControlEvents events_;
    ViewState view_;
    MapLayers layers_;
    Operations operations_{Identity(), layers_};
    CZmaVadAZInfoDisplay infoDisplay_;
    CZmaVadAZOverviewRegion overview_;
    HostObjects host_;
    HostProfile profile_{Identity(), engine_};

    // The roles the control plays for the layers and the commands; each reaches the parts below. Declared before them: only references are taken meanwhile.
    ControlParts parts_{this, engine_, events_, view_, layers_, infoDisplay_, overview_, window_, router_, tools_,
                        setup_, drawing_, host_, profile_};
    ControlLayerHost layerHost_{parts_};
    ControlCommandTarget commandTarget_{parts_};
    MapCommands commands_{commandTarget_};
    EngineWindow window_{operations_, commands_};
    EngineEventRouter router_{{Identity(), engine_, view_, layers_, infoDisplay_, overview_, window_, commands_, tools_,
                               setup_, operations_}};
    ToolSelection tools_{operations_, engine_, layers_, router_.Measure(), commands_};
    MapSetup setup_{{Identity(), engine_, layers_, view_, profile_, layerHost_, window_, infoDisplay_, overview_}};
    MapDrawing drawing_{engine_, view_, infoDisplay_};
    ControlPrinting printing_{{this, engine_, view_, layers_, host_, window_, events_, operations_}};
    LineMembers lines_{operations_, layers_, engine_, view_};
    ShapeMembers shapes_{operations_, layers_, engine_, view_};
    LayerMembers layerWork_{operations_, layers_, engine_, view_};
    DatasetMembers datasets_{operations_, layers_, engine_, view_, host_};
    MarkerMembers markers_{operations_, layers_, engine_};
    ProfileMembers profileWork_{operations_, layers_, profile_};
    SeriesMembers series_{operations_, layers_, engine_, view_};
};
