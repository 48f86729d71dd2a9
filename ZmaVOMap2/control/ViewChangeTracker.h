// What the engine's view-change events keep: the view before the last change, the stage of a
// view change (pan, zoom, resize) and, while background imagery shows, the view rectangle and
// ground resolution that keep the imagery's zoom level across window resizes.
#pragma once

#include "platform/Com.h"

#include <functional>

class EngineDispatch;

class ViewChangeTracker {
public:
    struct View {
        double zoom = 0, centerX = 0, centerY = 0;
    };
    // Stages: 0 a snapped view to restore, 1 a pan in progress, 2 a fresh view to snap.
    long Stage() const noexcept { return stage_; }
    void SetStage(long stage) noexcept { stage_ = stage; }
    const View& Previous() const noexcept { return previous_; }
    const View& Current() const noexcept { return current_; }

    // Snaps a view rectangle to the imagery's zoom levels for a window of `pixels`.
    using Snap = std::function<void(IDispatch* viewRectangle, const RECT& pixels)>;
    // The engine reported a view change. `initialised`: the map is set up; `imagery`: background
    // imagery shows, so its zoom level is kept.
    void OnViewChanged(EngineDispatch& map, bool initialised, bool imagery, const Snap& snap);
    // Forgets the engine objects it holds (the engine is going away).
    void Release() noexcept { savedView_.Reset(); }

private:
    void KeepImageryZoomLevel(EngineDispatch& map, const Snap& snap);

    View current_, previous_;
    long stage_ = 2;
    platform::ComPtr<IDispatch> savedView_;
    long snapWidth_ = -1;
    double snapWidthRead_ = 0, snapZoom_ = 0;
    long snapUnit_ = 0;
    bool keepingZoomLevel_ = false;
    bool ownChangeSeen_ = false;
};
