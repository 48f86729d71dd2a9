#include "ZmaVOMap2/control/MapDrawing.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/printing/BorderDeterminator.h"
#include "ZmaVOMap2/printing/PrintDrawing.h"
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

// Gives the drawing target a device context for a scope and takes it back however the scope is left.
class TargetDC {
public:
    TargetDC(DrawingTarget& target, const DrawingTarget& drawing) noexcept : target_(target) { target_ = drawing; }
    ~TargetDC() { target_.dc = nullptr; }
    TargetDC(const TargetDC&) = delete;
    TargetDC& operator=(const TargetDC&) = delete;

private:
    DrawingTarget& target_;
};

void DrawBorder(HDC drawDC, const RECTL& bounds) {
    if (!CBorderDeterminator().GetMapBorder()) return;
    RECT frame = {bounds.left, bounds.top, bounds.right, bounds.bottom};
    ::FrameRect(drawDC, &frame, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

}  // namespace

HRESULT MapDrawing::Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC,
                         HDC drawDC, const RECTL& bounds, LPCRECTL metafileBounds,
                         BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contValue) {
    if (view_.RefreshInfoDisplay()) RefreshInfoDisplay(drawDC);
    HRESULT result = S_OK;
    if (::GetObjectType(drawDC) != OBJ_ENHMETADC) {
        if (IViewObjectEx* view = engine_.View()) {
            TargetDC target(view_.Target(), {drawDC, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                             bounds.left, bounds.top});
            result = view->Draw(aspect, index, aspectInfo, device, targetDC, drawDC, &bounds, metafileBounds, cont,
                                contValue);
        }
    } else {
        result = DrawIntoMetafile(drawDC, bounds);
    }
    DrawBorder(drawDC, bounds);
    return result;
}

void MapDrawing::RefreshInfoDisplay(HDC drawDC) {
    EngineDispatch map(engine_.MapOrThrow());
    const ZmaPointD origin = engine_.ScreenToMap(0.0f, 0.0f);
    long unit = map.Get(Engine::Map::kDistanceUnit).ToLong();
    double zoom = map.Get(Engine::Map::kZoom).ToDouble();
    const DrawingTarget& target = view_.Target();
    infoDisplay_.UpdateCoordinates(origin.x, origin.y, drawDC, target.width, target.height, target.left, target.top,
                                   zoom, unit);
    view_.RefreshInfoDisplay() = false;
}

HRESULT MapDrawing::DrawIntoMetafile(HDC drawDC, const RECTL& bounds) {
    // The engine prints itself into enhanced metafiles: it renders through its print path at the
    // paper size, in hundredths of a millimetre.
    if (!engine_.Map()) platform::ThrowHr(E_FAIL);
    EngineDispatch map(engine_.Map());
    const long left = ::MulDiv(bounds.left, 2540, UnitsPerInch(drawDC, LOGPIXELSX));
    const long top = ::MulDiv(bounds.top, 2540, UnitsPerInch(drawDC, LOGPIXELSY));

    // Whatever fails, the engine keeps the paper unit it had.
    EnginePropertyRestorer paperUnit(map, Engine::Map::kPaperUnit);
    map.Put(Engine::Map::kPaperUnit, Variant(5L));
    const double width = map.Get(Engine::Map::kPaperWidth).ToDouble() * 100.0;
    const double height = map.Get(Engine::Map::kPaperHeight).ToDouble() * 100.0;
    {
        TargetDC target(view_.Target(), {drawDC, bounds.right, bounds.bottom, 0, 0});
        map.Call(Engine::Map::kPrintMap, {Variant(static_cast<long>(reinterpret_cast<intptr_t>(drawDC))), Variant(left),
                                        Variant(top), Variant(static_cast<long>(width)), Variant(static_cast<long>(height))});
    }
    paperUnit.Restore();
    return S_OK;
}

void MapDrawing::DrawInfoDisplay(HDC dc) {
    // On the screen the info display is drawn by the control's own drawing stage, not here.
    if (!view_.IsExporting()) return;
    EngineDispatch map(engine_.MapOrThrow());
    TargetDC target(view_.Target(), {dc, static_cast<long>(map.Get(Engine::Map::kScreenWidth).ToDouble()),
                                     static_cast<long>(map.Get(Engine::Map::kScreenHeight).ToDouble()), 0, 0});
    const DrawingTarget& drawing = view_.Target();
    infoDisplay_.Draw(dc, drawing.width, drawing.height, 0, 0, map.Get(Engine::Map::kZoom).ToDouble(),
                      map.Get(Engine::Map::kDistanceUnit).ToLong(), true);
}

HRESULT MapDrawing::ExportMapImage(IDispatch* engineMap, BSTR path, short format) {
    FlagScope exporting(view_.Exporting());
    if (!path || !*path) return E_INVALIDARG;
    try {
        EngineDispatch(platform::ThrowIfNull(engineMap, E_POINTER))
            .Call(Engine::Map::kExportMap, {Variant(static_cast<const wchar_t*>(path)), Variant(format)});
        return S_OK;
    }
    // The engine's own text stays with the caller, who may show it.
    CATCH_RETURN_KEEP_INFO()
}
