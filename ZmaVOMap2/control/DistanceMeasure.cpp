#include "ZmaVOMap2/control/DistanceMeasure.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Number.h"
#include "platform/UniqueHandle.h"

#include <string>

using platform::Variant;

void DistanceMeasure::Begin(float x, float y, const ZmaPointD& mapPos) noexcept {
    startMap_ = mapPos;
    startX_ = x;
    startY_ = y;
    active_ = true;
}

void DistanceMeasure::Track(float x, float y) noexcept {
    lastX_ = x;
    lastY_ = y;
}

void DistanceMeasure::DrawOverlay(EngineDispatch& map, HWND window, const ZmaPointD& lastMap) const {
    const double distance = map.Call(Engine::Map::kDistance, {Variant(startMap_.x), Variant(startMap_.y),
                                                            Variant(lastMap.x), Variant(lastMap.y)})
                                .ToDouble();
    LOGFONTA face = {};
    lstrcpyA(face.lfFaceName, "Terminal");
    platform::UniqueHFont font(::CreateFontIndirectA(&face));
    platform::WindowDC windowDC(window);
    HDC dc = windowDC.Get();
    if (!dc || !font) return;
    {
        platform::SelectObjectRestorer selectFont(dc, font.Get());
        ::SetTextAlign(dc, TA_CENTER);
        const std::string text = platform::FormatGeneral(distance);
        ::TextOutA(dc, static_cast<int>(lastX_), static_cast<int>(lastY_) + 10, text.c_str(), static_cast<int>(text.size()));
    }
    POINT previous = {};
    ::MoveToEx(dc, static_cast<int>(lastX_), static_cast<int>(lastY_), &previous);
    ::LineTo(dc, static_cast<int>(startX_), static_cast<int>(startY_));
    ::MoveToEx(dc, previous.x, previous.y, nullptr);
}
