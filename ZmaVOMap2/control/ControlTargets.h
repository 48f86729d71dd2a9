// The control's parts as the layer collection and the map's commands see them: each interface
// answered from the components that hold what it asks for.
#pragma once

#include "ZmaVOMap2/commands/CommandTarget.h"
#include "ZmaVOMap2/layers/LayerHost.h"

class CZmaVadAZInfoDisplay;
class CZmaVadAZOverviewRegion;
class ControlEngine;
class ControlEvents;
class EngineEventRouter;
class EngineWindow;
class HostObjects;
class HostProfile;
class MapDrawing;
class MapLayers;
class MapSetup;
class ToolSelection;
class ViewState;

// Every part the two interfaces reach.
struct ControlParts {
    IZmaVadAZ2* automation;
    ControlEngine& engine;
    ControlEvents& events;
    ViewState& view;
    MapLayers& layers;
    CZmaVadAZInfoDisplay& infoDisplay;
    CZmaVadAZOverviewRegion& overview;
    EngineWindow& window;
    EngineEventRouter& router;
    ToolSelection& tools;
    MapSetup& setup;
    MapDrawing& drawing;
    HostObjects& host;
    HostProfile& profile;
};

class ControlLayerHost final : public CZmaVadAZLayerHost {
public:
    explicit ControlLayerHost(const ControlParts& parts) noexcept : p_(parts) {}

    IDispatch* EngineMap() override;
    HWND EngineWindow() override;
    std::wstring TemporaryFolder() override;
    bool IsScreenUpdating() override;
    bool IsExporting() const override;
    IUnknown* LegendObject() override;
    IUnknown* PrintLegendObject() override;
    void FireSeriesRemoved(BSTR seriesId) override;
    void FireLayerVisibilityChanged() override;
    void FireSelectionChanged(BSTR seriesId) override;
    bool IsZoomSet() override;
    void SuspendEngineEvents() override;
    void ResumeEngineEvents() override;
    void FireGetField(BSTR fieldName, BSTR seriesGuid) override;
    void DrawInfoDisplay(HDC dc) override;
    bool ReadCurrentTool(long& tool) override;
    POINT ZoomViewOffset() override;
    void FireMarkerChanged() override;
    void FireFeatureSelected(BSTR layer, long index) override;

private:
    ControlParts p_;
};

class ControlCommandTarget final : public CommandTarget {
public:
    explicit ControlCommandTarget(const ControlParts& parts) noexcept : p_(parts) {}

    IDispatch* EngineMap() override;
    HWND FindEngineWindow() override;
    CZmaVadAZLayerCollection* LayerCollection() const noexcept override;
    CZmaVadAZInfoDisplay* InfoDisplay() const noexcept override;
    CZmaVadAZOverviewRegion* OverviewRegion() const noexcept override;
    bool IsScreenUpdating() override;
    bool InAnnotationMode() const noexcept override;
    IZmaVadAZ2* Automation() override;
    MapPlacement Placement() const noexcept override;
    PreviousView LastView() const noexcept override;
    ZoomRecord& Zoom() noexcept override;
    void SetViewChangeStage(long stage) noexcept override;
    platform::ComPtr<IDispatch> LayerBounds(CZmaVadAZLayer* layer, double padding) override;
    HRESULT ExportMapImage(IDispatch* engineMap, BSTR path, short format) override;
    void SetExporting(bool exporting) noexcept override;
    bool PopDownloadedTile(POINT& tile) override;
    void NewRaster() override;
    void FireCurrentToolChanged(long tool) override;
    void FireSyncZoom(long streamHandle) override;
    void FireUnitsChanged(BSTR units) override;
    void FireEnhancedDrawingModeChanged(VARIANT_BOOL enhanced) override;

private:
    ControlParts p_;
};
