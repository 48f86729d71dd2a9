// What the control keeps of its view: where the engine draws (the drawing target), the zoom
// the host gave, the view changes the engine reported, the view loaded settings asked for, and
// the display switches (screen updating, exporting).
#pragma once

#include "ZmaVOMap2/commands/CommandTarget.h"
#include "ZmaVOMap2/control/MapViewport.h"
#include "ZmaVOMap2/control/ViewChangeTracker.h"

#include <windows.h>

// Where the engine draws while Draw hands it a foreign device context; the info display draws
// into the same context. `dc` is null otherwise.
struct DrawingTarget {
    HDC dc = nullptr;
    long width = 0, height = 0, left = 0, top = 0;
};

class ControlEngine;

class ViewState {
public:
    DrawingTarget& Target() noexcept { return target_; }
    const DrawingTarget& Target() const noexcept { return target_; }
    void SetDisplayOrigin(long x, long y) noexcept {
        target_.left = x;
        target_.top = y;
    }
    MapPlacement Placement() const noexcept { return {target_.width, target_.height, target_.left, target_.top}; }
    // What self-drawn layers subtract from screen positions while the host's zoom is set; nothing
    // on a printed page, which is placed by the map's corner on it.
    POINT ZoomViewOffset() const noexcept;

    ZoomRecord& Zoom() noexcept { return zoom_; }
    void SetZoom(const ZoomRecord& zoom) noexcept {
        zoom_ = zoom;
        zoomSet_ = true;
    }
    bool IsZoomSet() const noexcept { return zoomSet_; }

    ViewChangeTracker& Changes() noexcept { return changes_; }
    PreviousView LastView() const noexcept {
        const ViewChangeTracker::View& previous = changes_.Previous();
        return {previous.zoom, previous.centerX, previous.centerY};
    }
    MapViewport Viewport(IDispatch* map, CZmaVadAZLayerCollection* layers) noexcept {
        return MapViewport(map, layers, changes_);
    }

    // The view loaded settings asked for. Remembered until the map is initialised; ShowRemembered
    // moves the map to it (a view the engine refuses is logged and leaves the map where it is).
    void Remember(double zoom, double centerX, double centerY) noexcept;
    void ShowRemembered(IDispatch* map) noexcept;

    bool ScreenUpdating() const noexcept { return screenUpdating_; }
    // After a change to what the map shows: redraw on and the engine window invalidated, only
    // while screen updating is on.
    void RepaintIfUpdating(const ControlEngine& engine) const;
    void SetScreenUpdating(bool on) noexcept { screenUpdating_ = on; }
    // While set, drawn frames are pictures of the map (an export), not the screen.
    bool& Exporting() noexcept { return exporting_; }
    bool IsExporting() const noexcept { return exporting_; }
    // A print job holds the view while it prints a page (holds nest): it sets the engine's view
    // for the page and puts it back, and the display origin is where the map lies on the page, in
    // 0.01 mm from the corner of the printable area.
    void HoldView(bool hold) noexcept {
        if (hold) {
            ++viewHolds_;
        } else if (viewHolds_ > 0) {
            --viewHolds_;
        }
    }
    bool IsPrintingPage() const noexcept { return viewHolds_ > 0; }
    // The views of a print or an export are not the user's: they are neither snapped to the
    // imagery's tile levels nor recorded as the current and previous views.
    bool IsViewHeld() const noexcept { return viewHolds_ > 0 || exporting_; }
    // Set when loaded settings changed the map: the next frame reads the info display anew.
    bool& RefreshInfoDisplay() noexcept { return refreshInfoDisplay_; }

private:
    DrawingTarget target_;
    ZoomRecord zoom_;
    bool zoomSet_ = false;
    ViewChangeTracker changes_;
    double rememberedZoom_ = 0, rememberedX_ = 0, rememberedY_ = 0;
    bool screenUpdating_ = true;
    bool exporting_ = false;
    int viewHolds_ = 0;
    bool refreshInfoDisplay_ = false;
};
