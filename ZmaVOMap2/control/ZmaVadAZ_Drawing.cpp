// The info display in exported map images.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "platform/Result.h"

using platform::Variant;

namespace {

// Holds a flag set for the lifetime of a scope, whatever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) noexcept : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

void CZmaVadAZ::DrawInfoDisplay(HDC dc) {
    // On the screen the info display is drawn by the control's own drawing stage, not here.
    if (!exporting_ || !infoDisplay_) return;
    EngineDispatch map(EngineMapOrThrow());
    drawingTarget_.dc = dc;
    drawingTarget_.width = static_cast<long>(map.Get(EngineMap::kScreenWidth).ToDouble());
    drawingTarget_.height = static_cast<long>(map.Get(EngineMap::kScreenHeight).ToDouble());
    drawingTarget_.left = 0;
    drawingTarget_.top = 0;
    try {
        infoDisplay_->Draw(dc, drawingTarget_.width, drawingTarget_.height, 0, 0, map.Get(EngineMap::kZoom).ToDouble(),
                           map.Get(EngineMap::kDistanceUnit).ToLong(), true);
    } catch (...) {
        drawingTarget_.dc = nullptr;
        throw;
    }
    drawingTarget_.dc = nullptr;
}

HRESULT CZmaVadAZ::ExportMapImage(IDispatch* engineMap, BSTR path, short format) {
    FlagScope exporting(exporting_);
    if (!path || !*path) return E_INVALIDARG;
    try {
        EngineDispatch(platform::ThrowIfNull(engineMap, E_POINTER))
            .Call(EngineMap::kExportMap, {Variant(static_cast<const wchar_t*>(path)), Variant(format)});
        return S_OK;
    } catch (const platform::ComError& e) {
        // The engine's own text stays with the caller, who may show it.
        e.Restore();
        return e.Error();
    } CATCH_RETURN_QUIET()
}
