// The map's commands: the message map of the engine window (the context menu's choices, the
// commands hosts send, the imagery download notice), the context menu itself and the handlers.
#pragma once

#include "ZmaVOMap2/commands/CommandTarget.h"

#include <windows.h>

class EngineDispatch;

class MapCommands {
public:
    // WM_APP+100: a downloaded imagery tile is waiting in the result queue.
    static constexpr UINT kTileDownloaded = WM_APP + 100;

    explicit MapCommands(CommandTarget& target) noexcept : target_(target) {}
    MapCommands(const MapCommands&) = delete;
    MapCommands& operator=(const MapCommands&) = delete;

    // The message map of the engine window. True when the message was handled, with `result`
    // set; everything else goes on to the engine's own procedure. Never throws.
    bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

    // Builds the context menu for the map's state and shows it at a screen position; the choice
    // comes back as WM_COMMAND to the engine window. Never throws.
    void ShowContextMenu(float x, float y) noexcept;

    // The annotation tools (1006, 1012 to 1015): the host hears of the change, then the engine
    // switches. Nothing happens without an annotations layer.
    void SelectAnnotationTool(long tool);

    // After a change of the map unit: the scale bar is redrawn when it is shown.
    void InvalidateMap();

private:
    // Runs a command handler; false for identifiers that are not commands of the map.
    bool RunCommand(UINT id);
    void SelectTool(long tool);
    void SelectDistanceTool();
    void ClearSelection();
    void GoToPreviousView();
    void ViewEntireMap();
    void ZoomToSelection();
    void PickProjection();
    void GoToLayer(int position);
    void TakeDownloadedTile();
    void SetDistanceUnit(long unit);
    void CopyToClipboard();
    void ToggleScaleBar();
    void ChooseCoordinateFormat(int format);
    void ToggleEnhancedDrawing();
    void ToggleOverview();
    void ShowLayerControl();
    void ShowZoomToScaleDialog();
    void ExportMapAsImage(UINT id);

    IDispatch* MapOrThrow(HRESULT missing);
    void PrepareContextMenu(HMENU context, HMENU zoom, HMENU goToLayer, HMENU distance);

    CommandTarget& target_;
};
