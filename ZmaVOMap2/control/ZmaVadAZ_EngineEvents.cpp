// The control's handlers of the engine's events: mouse, keys, tools, view changes and drawing.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "ZmaVOMap2/shapes/ZmaVadAZRegionLayer.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <memory>
#include <cstdio>
#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace {

// Lends the drawing target the engine window's DC while the target has none (a screen frame),
// and takes it back at scope end however the scope is left.
class TargetDCLoan {
public:
    TargetDCLoan(CZmaVadAZ::DrawingTarget& target, HWND window) : target_(target) {
        if (target_.dc) return;
        dc_ = std::make_unique<platform::WindowDC>(window);
        target_.dc = dc_->Get();
    }
    ~TargetDCLoan() {
        if (dc_) target_.dc = nullptr;
    }
    TargetDCLoan(const TargetDCLoan&) = delete;
    TargetDCLoan& operator=(const TargetDCLoan&) = delete;

private:
    CZmaVadAZ::DrawingTarget& target_;
    std::unique_ptr<platform::WindowDC> dc_;
};

constexpr long kToolOffset = VO_MAP_TOOL_OFFSET;
constexpr long kToolDistance = VO_MAP_TOOL_DISTANCE;
constexpr long kToolPolyFilter = VO_MAP_TOOL_POLYFILTER_ADD_POLYGON;
constexpr long kToolPan = VO_MAP_TOOL_PAN;
constexpr long kToolSelect = VO_MAP_TOOL_SELECT;
constexpr long kToolPolygonSelect = VO_MAP_TOOL_POLYGON_SELECT;
constexpr long kToolAddPolyline = VO_MAP_TOOL_ADDPOLYLINE;
constexpr long kToolAddRegion = VO_MAP_TOOL_ADDREGION;

// Tools whose mouse dispatches run with the collection's refresh switched off.
bool IsPolyTool(long tool) {
    return tool == kToolPolygonSelect || tool == kToolAddPolyline || tool == kToolAddRegion || tool == kToolPolyFilter;
}

// Turns the collection's refresh off for the poly tools and back on at scope end, whatever happens.
class RefreshSuspension {
public:
    RefreshSuspension(CZmaVadAZLayerCollection* layers, bool suspend) : layers_(suspend ? layers : nullptr) {
        if (layers_) layers_->SetRefreshEnabled(false);
    }
    ~RefreshSuspension() {
        if (layers_) layers_->SetRefreshEnabled(true);
    }

private:
    CZmaVadAZLayerCollection* layers_;
};

class WaitCursor {
public:
    WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(previous_); }

private:
    HCURSOR previous_;
};

// Reads the n points of an engine points collection into a closed ring (the first point again at the end).
std::vector<ZmaPointD> ClosedRing(IDispatch* points) {
    EngineDispatch collection(platform::ThrowIfNull(points, E_POINTER));
    const long count = collection.Get(EnginePoints::kCount).ToLong();
    std::vector<ZmaPointD> ring;
    for (long i = 1; i <= count; ++i) {
        Variant point = collection.Call(EnginePoints::kItem, {Variant(i)});
        if (point.vt != VT_DISPATCH || !point.pdispVal) platform::ThrowHr(E_POINTER);
        EngineDispatch p(point.pdispVal);
        ring.push_back({p.Get(EnginePoint::kX).ToDouble(), p.Get(EnginePoint::kY).ToDouble()});
    }
    if (!ring.empty()) ring.push_back(ring.front());
    return ring;
}

}  // namespace

long CZmaVadAZ::EngineCurrentTool() { return EngineDispatch(EngineMapOrThrow()).Get(EngineMap::kCurrentTool).ToLong(); }

IDispatch* CZmaVadAZ::EngineMapOrThrow() { return platform::ThrowIfNull(engineDispatch_.Get(), E_POINTER); }

ZmaPointD CZmaVadAZ::ScreenToMap(float x, float y) {
    ZmaPointD p;
    EngineScreenToMap(EngineDispatch(EngineMapOrThrow()), x, y, p.x, p.y);
    return p;
}

void CZmaVadAZ::InvalidateEngineWindow() {
    HWND window = reinterpret_cast<HWND>(
        static_cast<intptr_t>(EngineDispatch(EngineMapOrThrow()).Get(EngineMap::kWindowHandle).ToLong()));
    if (window) ::InvalidateRect(window, nullptr, TRUE);
}

void CZmaVadAZ::OnMapMouseDown(short button, short shift, float x, float y) {
    if (!engineDispatch_) return;
    try {
        EngineDispatch map(engineDispatch_.Get());
        const long tool = EngineCurrentTool();
        if (tool == kToolDistance) measure_.Begin(x, y, ScreenToMap(x, y));
        if (tool == kToolPan) {
            panning_ = true;
            viewChanges_.SetStage(1);
        }
        if ((tool == kToolSelect || IsPolyTool(tool)) && button == 1) {
            ZmaPointD mapPos = ScreenToMap(x, y);
            infoDisplay_->UpdateCoordinates(mapPos.x, mapPos.y, drawingTarget_.dc, drawingTarget_.width,
                                            drawingTarget_.height, drawingTarget_.left, drawingTarget_.top,
                                            map.Get(EngineMap::kZoom).ToDouble(),
                                            map.Get(EngineMap::kDistanceUnit).ToLong());
            const POINT point = {static_cast<LONG>(x), static_cast<LONG>(y)};
            const bool overviewTookIt = overview_ && overview_->HitTest(engineDispatch_.Get(), point);
            if (!overviewTookIt && layers_) {
                RefreshSuspension suspend(layers_.get(), IsPolyTool(tool));
                layers_->DispatchMouseDown(point, mapPos, shift == 2);
            }
        }
        if (infoDisplay_->ShowsScaleOrCoordinates() && !IsPolyTool(tool)) InvalidateEngineWindow();
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapMouseUp(short button, short, float x, float y) {
    try {
        if (button == 2) {
            POINT cursor = {};
            ::GetCursorPos(&cursor);
            ShowContextMenu(cursor);
            panning_ = false;
            return;
        }
        const long tool = EngineCurrentTool();
        ZmaPointD mapPos = ScreenToMap(x, y);
        const POINT point = {static_cast<LONG>(x), static_cast<LONG>(y)};
        if (layers_) {
            RefreshSuspension suspend(layers_.get(), IsPolyTool(tool));
            layers_->DispatchMouseUp(point, mapPos);
        }
        panning_ = false;
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapMouseMove(short, short, float x, float y) {
    if (!engineDispatch_) return;
    // The layers' rollover pumps messages and fires events: the host may let go of the control
    // meanwhile, so the control holds itself until the move is handled.
    platform::ComPtr<IUnknown> hold(Identity());
    try {
        EngineDispatch map(engineDispatch_.Get());
        ZmaPointD mapPos;
        if (infoDisplay_->CoordinateFormat() == 2) {
            // Metres are read in the display coordinate system, then the numeric one comes back.
            Variant numeric = map.Get(EngineMap::kNumericCoordSys);
            if (numeric.vt != VT_DISPATCH || !numeric.pdispVal) platform::ThrowHr(E_POINTER);
            Variant kept = EngineDispatch(numeric.pdispVal).Call(EngineCoordSys::kClone);
            Variant display = map.Get(EngineMap::kDisplayCoordSys);
            if (display.vt != VT_DISPATCH || !display.pdispVal) platform::ThrowHr(E_POINTER);
            map.Put(EngineMap::kNumericCoordSys, EngineDispatch(display.pdispVal).Call(EngineCoordSys::kClone));
            try {
                mapPos = ScreenToMap(x, y);
            } catch (...) {
                map.Put(EngineMap::kNumericCoordSys, kept);
                throw;
            }
            map.Put(EngineMap::kNumericCoordSys, kept);
        } else {
            mapPos = ScreenToMap(x, y);
        }

        if (!panning_) {
            TargetDCLoan loan(drawingTarget_, engineWindow_);
            infoDisplay_->UpdateCoordinates(mapPos.x, mapPos.y, drawingTarget_.dc, drawingTarget_.width,
                                            drawingTarget_.height, drawingTarget_.left, drawingTarget_.top,
                                            map.Get(EngineMap::kZoom).ToDouble(),
                                            map.Get(EngineMap::kDistanceUnit).ToLong());
        }

        const long tool = EngineCurrentTool();
        if (tool == kToolSelect) {
            if (layers_) layers_->DispatchMouseMove({static_cast<LONG>(x), static_cast<LONG>(y)}, mapPos);
        } else {
            HideRolloverTipForAnyOwner();
            if (tool == kToolDistance && measure_.IsActive()) {
                measure_.Track(x, y);
                InvalidateEngineWindow();
            }
        }
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapDblClick() {
    try {
        if (layers_) layers_->DispatchDoubleClick();
    } catch (...) {
        // Dropped without a log line, as double clicks carry nothing to report.
    }
}

void CZmaVadAZ::OnMapKeyDown(short keyCode, short shift) {
    try {
        if (layers_) layers_->DispatchKeyDown(keyCode, shift);
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapToolUsed(short tool, double x1, double y1, double x2, double y2) {
    try {
        switch (tool) {
        case kToolOffset: {
            WaitCursor wait;
            if (layers_) layers_->ApplyPendingLayerOffsets(x1, y1);
            break;
        }
        case kToolDistance:
            measure_.End();
            InvalidateEngineWindow();
            break;
        case VO_MAP_TOOL_ZOOMIN:
        case VO_MAP_TOOL_ZOOMOUT:
            viewChanges_.SetStage(2);
            break;
        case VO_MAP_TOOL_RADIUS_SELECT:
            if (layers_) layers_->SelectByRadius({x1, y1}, x2 - x1, false);
            break;
        case VO_MAP_TOOL_RECTANGLE_SELECT:
            if (layers_)
                layers_->SelectByRectangle({std::min(x1, x2), std::max(y1, y2), std::max(x1, x2), std::min(y1, y2)});
            break;
        default:
            break;
        }
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapPolyToolUsed(short tool, long flags, IDispatch* points) {
    try {
        if (tool == kToolOffset) {
            std::vector<ZmaPointD> ring = ClosedRing(points);
            // Two points make the drag: the ring holds them and the closing copy.
            if (ring.size() == 3) {
                WaitCursor wait;
                if (layers_) layers_->ApplyPendingLayerOffsets(ring[1].x - ring[0].x, ring[1].y - ring[0].y);
            }
            EngineDispatch(EngineMapOrThrow()).Put(EngineMap::kCurrentTool, Variant(currentTool_));
        } else if (tool == kToolPolygonSelect && flags == 1) {
            std::vector<ZmaPointD> ring = ClosedRing(points);
            if (layers_) layers_->SelectByPolygon(ring);
        } else if (tool == kToolPolyFilter && flags == 1) {
            std::vector<ZmaPointD> ring = ClosedRing(points);
            if (layers_) regions::AddPolygon(*layers_, ring);
        }
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapViewChanged() {
    try {
        EngineDispatch map(EngineMapOrThrow());
        viewChanges_.OnViewChanged(map, mapInitialised_, IsBackgroundMapVisible(layers_.get()),
                                   [this](IDispatch* view, const RECT& pixels) { SnapZoomToBackgroundMap(view, pixels); });
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapDrawUserLayer(IDispatch* layer, HDC outputDC, HDC, IDispatch* fullRect, IDispatch*) {
    // The line layers fire GetField while they draw; the host's handler may let go of the control.
    platform::ComPtr<IUnknown> hold(Identity());
    try {
        EngineDispatch full(platform::ThrowIfNull(fullRect, E_POINTER));
        RECT pixels = {static_cast<LONG>(full.Get(EngineRectangle::kXMin).ToDouble()),
                       static_cast<LONG>(full.Get(EngineRectangle::kYMin).ToDouble()),
                       static_cast<LONG>(full.Get(EngineRectangle::kXMax).ToDouble()),
                       static_cast<LONG>(full.Get(EngineRectangle::kYMax).ToDouble())};
        const bool printing =
            ::GetDeviceCaps(outputDC, TECHNOLOGY) != DT_RASDISPLAY || ::GetObjectType(outputDC) == OBJ_ENHMETADC;
        if (printing) {
            pixels.right += drawingTarget_.left;
            pixels.bottom += drawingTarget_.top;
        }
        const ZmaPointD corners[] = {ScreenToMap(static_cast<float>(pixels.left), static_cast<float>(pixels.top)),
                                     ScreenToMap(static_cast<float>(pixels.right), static_cast<float>(pixels.top)),
                                     ScreenToMap(static_cast<float>(pixels.left), static_cast<float>(pixels.bottom)),
                                     ScreenToMap(static_cast<float>(pixels.right), static_cast<float>(pixels.bottom))};
        ZmaExtent extent = {corners[0].x, corners[0].y, corners[0].x, corners[0].y};
        for (const ZmaPointD& c : corners) {
            extent.left = std::min(extent.left, c.x);
            extent.right = std::max(extent.right, c.x);
            extent.top = std::max(extent.top, c.y);
            extent.bottom = std::min(extent.bottom, c.y);
        }
        if (zoomSet_) {
            pixels.left -= std::max(drawingTarget_.left, 0L);
            pixels.top -= std::max(drawingTarget_.top, 0L);
        }

        POINT oldOrigin = {};
        ::SetViewportOrgEx(outputDC, 0, 0, &oldOrigin);
        try {
            bool drewFrame = layers_ && layers_->OnDrawUserLayer(outputDC, layer, pixels, extent, printing);
            if (drewFrame && !printing && !exporting_ && overview_)
                overview_->Draw(outputDC, engineDispatch_.Get(), drawingTarget_.left, drawingTarget_.top);
        } catch (...) {
            ::SetViewportOrgEx(outputDC, oldOrigin.x, oldOrigin.y, nullptr);
            throw;
        }
        ::SetViewportOrgEx(outputDC, oldOrigin.x, oldOrigin.y, nullptr);
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapDrawStage(short stage) {
    if (stage != 2) return;
    try {
        EngineDispatch map(EngineMapOrThrow());
        if (EngineCurrentTool() == kToolDistance && measure_.IsActive())
            measure_.DrawOverlay(map, engineWindow_, ScreenToMap(measure_.LastX(), measure_.LastY()));

        if (!drawingTarget_.dc) {
            // The screen frame: the whole engine window from its origin.
            drawingTarget_ = {nullptr, static_cast<long>(map.Get(EngineMap::kScreenWidth).ToDouble()),
                              static_cast<long>(map.Get(EngineMap::kScreenHeight).ToDouble()), 0, 0};
        }
        TargetDCLoan loan(drawingTarget_, engineWindow_);
        if (!panning_ && infoDisplay_)
            infoDisplay_->Draw(drawingTarget_.dc, drawingTarget_.width, drawingTarget_.height, drawingTarget_.left,
                               drawingTarget_.top, map.Get(EngineMap::kZoom).ToDouble(),
                               map.Get(EngineMap::kDistanceUnit).ToLong());
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapRecalcInfoDisplay() {
    try {
        if (infoDisplay_ && infoDisplay_->ShowsScaleOrCoordinates())
            infoDisplay_->RecalculateAndInvalidate(engineWindow_, drawingTarget_.width, drawingTarget_.height,
                                                   drawingTarget_.left, drawingTarget_.top);
    }
    COM_CATCH_LOG();
}

void CZmaVadAZ::OnMapFeatureToolStatus(long status) {
    try {
        if (status != 1) return;
        // The engine's own tool: the annotation tools are the engine's, with the same numbers.
        switch (EngineCurrentTool()) {
        case VO_MAP_TOOL_SYMBOL: case VO_MAP_TOOL_TEXT: case VO_MAP_TOOL_ADDLINE: case VO_MAP_TOOL_ADDPOLYLINE:
        case VO_MAP_TOOL_ADDREGION: case VO_MAP_TOOL_ADDPOINT:
            break;
        default:
            return;
        }
        EngineDispatch map(EngineMapOrThrow());
        Variant engineLayers = map.Get(EngineMap::kLayers);
        Variant annotationLayer;
        if (engineLayers.vt == VT_DISPATCH && engineLayers.pdispVal)
            annotationLayer = EngineDispatch(engineLayers.pdispVal).Get(LayerEngine::Layers::kInsertionLayer);
        if (annotationLayer.vt == VT_DISPATCH && annotationLayer.pdispVal) {
            const Variant missing = Variant::Missing();
            EngineDispatch(annotationLayer.pdispVal).Call(LayerEngine::Layer::kInvalidate, {missing});
        } else {
            map.Call(EngineMap::kRefresh);
        }
    }
    COM_CATCH_LOG();
}
