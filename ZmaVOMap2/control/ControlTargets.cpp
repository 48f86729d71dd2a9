#include "ZmaVOMap2/control/ControlTargets.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/ControlEvents.h"
#include "ZmaVOMap2/control/EngineEventRouter.h"
#include "ZmaVOMap2/control/EngineWindow.h"
#include "ZmaVOMap2/control/HostObjects.h"
#include "ZmaVOMap2/control/HostProfile.h"
#include "ZmaVOMap2/control/MapDrawing.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/MapSetup.h"
#include "ZmaVOMap2/control/ToolSelection.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
#include "ZmaVOMap2/raster/RasterRegistrationDlg.h"
#include "platform/Result.h"

// --- What the layers need ------------------------------------------------------------------------

IDispatch* ControlLayerHost::EngineMap() { return p_.engine.Map(); }
HWND ControlLayerHost::EngineWindow() { return p_.window.Get(); }
std::wstring ControlLayerHost::TemporaryFolder() { return p_.setup.TemporaryFolder(); }
bool ControlLayerHost::IsScreenUpdating() { return p_.view.ScreenUpdating(); }
bool ControlLayerHost::IsExporting() const { return p_.view.IsExporting(); }
IUnknown* ControlLayerHost::LegendObject() { return p_.host.Legend(); }
IUnknown* ControlLayerHost::PrintLegendObject() { return p_.host.PrintLegend(); }
void ControlLayerHost::FireSeriesRemoved(BSTR seriesId) { p_.events.Fire_SeriesRemoved(seriesId); }
void ControlLayerHost::FireLayerVisibilityChanged() { p_.events.Fire_LayerVisibilityChanged(); }
void ControlLayerHost::FireSelectionChanged(BSTR seriesId) { p_.events.Fire_SelectionChanged(seriesId); }
bool ControlLayerHost::IsZoomSet() { return p_.view.IsZoomSet(); }
void ControlLayerHost::SuspendEngineEvents() { p_.router.Suspend(); }
void ControlLayerHost::ResumeEngineEvents() { p_.router.Resume(); }
void ControlLayerHost::FireGetField(BSTR fieldName, BSTR seriesGuid) { p_.events.Fire_GetField(fieldName, seriesGuid); }
void ControlLayerHost::DrawInfoDisplay(HDC dc) { p_.drawing.DrawInfoDisplay(dc); }
POINT ControlLayerHost::ZoomViewOffset() { return p_.view.ZoomViewOffset(); }
void ControlLayerHost::FireMarkerChanged() { p_.events.Fire_MarkerChanged(); }
void ControlLayerHost::FireFeatureSelected(BSTR layer, long index) { p_.events.Fire_FeatureSelected(layer, index); }

bool ControlLayerHost::ReadCurrentTool(long& tool) {
    try {
        tool = p_.engine.CurrentTool();
        return true;
    }
    CATCH_SWALLOW("a tool that cannot be read is none");
    return false;
}

// --- What the commands need ----------------------------------------------------------------------

IDispatch* ControlCommandTarget::EngineMap() { return p_.engine.Map(); }
HWND ControlCommandTarget::FindEngineWindow() { return p_.window.Find(p_.engine.OleObject()); }
CZmaVadAZLayerCollection* ControlCommandTarget::LayerCollection() const noexcept { return p_.layers.Collection(); }
CZmaVadAZInfoDisplay* ControlCommandTarget::InfoDisplay() const noexcept { return &p_.infoDisplay; }
CZmaVadAZOverviewRegion* ControlCommandTarget::OverviewRegion() const noexcept { return &p_.overview; }
bool ControlCommandTarget::IsScreenUpdating() { return p_.view.ScreenUpdating(); }
bool ControlCommandTarget::InAnnotationMode() const noexcept { return p_.tools.InAnnotationMode(); }
IZmaVadAZ2* ControlCommandTarget::Automation() { return p_.automation; }
MapPlacement ControlCommandTarget::Placement() const noexcept { return p_.view.Placement(); }
PreviousView ControlCommandTarget::LastView() const noexcept { return p_.view.LastView(); }
ZoomRecord& ControlCommandTarget::Zoom() noexcept { return p_.view.Zoom(); }
void ControlCommandTarget::SetViewChangeStage(long stage) noexcept { p_.view.Changes().SetStage(stage); }
platform::ComPtr<IDispatch> ControlCommandTarget::LayerBounds(CZmaVadAZLayer* layer, double padding) {
    return p_.view.Viewport(p_.engine.MapOrThrow(), p_.layers.Collection()).GetLayersBounds(layer, padding);
}
HRESULT ControlCommandTarget::ExportMapImage(IDispatch* engineMap, BSTR path, short format) {
    return p_.drawing.ExportMapImage(engineMap, path, format);
}
void ControlCommandTarget::SetExporting(bool exporting) noexcept { p_.view.Exporting() = exporting; }
void ControlCommandTarget::NewRaster() { RunNewRaster(p_.layers.Collection(), ::GetActiveWindow()); }
void ControlCommandTarget::FireCurrentToolChanged(long tool) { p_.events.Fire_CurrentToolChanged(tool); }
void ControlCommandTarget::FireSyncZoom(long streamHandle) { p_.events.Fire_SyncZoom(streamHandle); }
void ControlCommandTarget::FireUnitsChanged(BSTR units) { p_.events.Fire_UnitsChanged(units); }
void ControlCommandTarget::FireEnhancedDrawingModeChanged(VARIANT_BOOL enhanced) {
    p_.events.Fire_EnhancedDrawingModeChanged(enhanced);
}

bool ControlCommandTarget::PopDownloadedTile(POINT& tile) {
    imagery::TileDownloadResult result;
    if (!PopDownloadResult(p_.window.Get(), result)) return false;
    tile = {result.x, result.y};
    return true;
}
