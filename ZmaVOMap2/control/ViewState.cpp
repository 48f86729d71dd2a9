#include "ZmaVOMap2/control/ViewState.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"

#include <algorithm>

using platform::Variant;

POINT ViewState::ZoomViewOffset() const noexcept {
    if (!zoomSet_ || IsPrintingPage()) return {0, 0};
    return {std::max(target_.left, 0L), std::max(target_.top, 0L)};
}

void ViewState::Remember(double zoom, double centerX, double centerY) noexcept {
    rememberedZoom_ = zoom;
    rememberedX_ = centerX;
    rememberedY_ = centerY;
}

void ViewState::ShowRemembered(IDispatch* map) noexcept {
    if (!map || rememberedZoom_ <= 0.0) return;
    try {
        EngineDispatch(map).Call(Engine::Map::kZoomTo,
                                 {Variant(rememberedZoom_), Variant(rememberedX_), Variant(rememberedY_)});
    }
    COM_CATCH_LOG();
}

void ViewState::RepaintIfUpdating(const ControlEngine& engine) const {
    if (screenUpdating_) engine.Repaint();
}
