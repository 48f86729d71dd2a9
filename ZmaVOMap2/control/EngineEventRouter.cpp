#include "ZmaVOMap2/control/EngineEventRouter.h"

#include "ZmaVOMap2/commands/MapCommands.h"
#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/EngineWindow.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/MapSetup.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ToolSelection.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/engine/EngineConstants.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "ZmaVOMap2/markers/ZmaVadAZRegionLayer.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <memory>
#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace {

// Lends the drawing target the engine window's DC while the target has none (a screen frame),
// and takes it back at scope end however the scope is left.
class TargetDCLoan {
public:
    TargetDCLoan(DrawingTarget& target, HWND window) : target_(target) {
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
    DrawingTarget& target_;
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

// A place on the page in 0.01 mm from the DC's origin (y downwards) as the DC's device pixels,
// through the DC's own metric mapping, as the engine places a printed map by it.
POINT PageToDevice(HDC dc, long x, long y) {
    const int saved = ::SaveDC(dc);
    ::SetMapMode(dc, MM_HIMETRIC);
    ::SetWindowOrgEx(dc, 0, 0, nullptr);
    ::SetViewportOrgEx(dc, 0, 0, nullptr);
    POINT at = {x, -y};
    ::LPtoDP(dc, &at, 1);
    if (saved) ::RestoreDC(dc, saved);
    return at;
}

// Reads the n points of an engine points collection.
std::vector<ZmaPointD> LinePoints(IDispatch* points) {
    EngineDispatch collection(platform::ThrowIfNull(points, E_POINTER));
    const long count = collection.Get(Engine::Points::kCount).ToLong();
    std::vector<ZmaPointD> line;
    for (long i = 1; i <= count; ++i) {
        ComPtr<IDispatch> point = platform::RequireDispatch(collection.Call(Engine::Points::kItem, {Variant(i)}));
        EngineDispatch p(point.Get());
        line.push_back({p.Get(Engine::Point::kX).ToDouble(), p.Get(Engine::Point::kY).ToDouble()});
    }
    return line;
}

// The points closed into a ring (the first point again at the end).
std::vector<ZmaPointD> ClosedRing(IDispatch* points) {
    std::vector<ZmaPointD> ring = LinePoints(points);
    if (!ring.empty()) ring.push_back(ring.front());
    return ring;
}

}  // namespace

void EngineEventRouter::Connect() { listener_.Advise(p_.engine.Object()); }
void EngineEventRouter::Disconnect() { listener_.Unadvise(p_.engine.Object()); }

void EngineEventRouter::Suspend() {
    suspended_ = listener_.IsConnected();
    if (suspended_) Disconnect();
}

void EngineEventRouter::Resume() {
    if (!suspended_) return;
    suspended_ = false;
    Connect();
}

void EngineEventRouter::EnterEngineEvent() noexcept { p_.operations.Begin(); }
void EngineEventRouter::LeaveEngineEvent() noexcept { p_.operations.End(); }

void EngineEventRouter::UpdateCoordinates(const ZmaPointD& mapPos) {
    EngineDispatch map(p_.engine.MapOrThrow());
    const DrawingTarget& target = p_.view.Target();
    p_.infoDisplay.UpdateCoordinates(mapPos.x, mapPos.y, target.dc, target.width, target.height, target.left,
                                     target.top, map.Get(Engine::Map::kZoom).ToDouble(),
                                     map.Get(Engine::Map::kDistanceUnit).ToLong());
}

void EngineEventRouter::OnMapMouseDown(short button, short shift, float x, float y) {
    if (!p_.engine.Map()) return;
    try {
        const long tool = p_.engine.CurrentTool();
        if (tool == kToolDistance) measure_.Begin(x, y, p_.engine.ScreenToMap(x, y));
        if (tool == kToolPan) {
            panning_ = true;
            p_.view.Changes().SetStage(1);
        }
        if ((tool == kToolSelect || IsPolyTool(tool)) && button == 1) {
            ZmaPointD mapPos = p_.engine.ScreenToMap(x, y);
            UpdateCoordinates(mapPos);
            const POINT point = {static_cast<LONG>(x), static_cast<LONG>(y)};
            const bool overviewTookIt = p_.overview.HitTest(p_.engine.Map(), point);
            if (CZmaVadAZLayerCollection* layers = p_.layers.Collection(); layers && !overviewTookIt) {
                RefreshSuspension suspend(layers, IsPolyTool(tool));
                layers->DispatchMouseDown(point, mapPos, shift == 2);
            }
        }
        if (p_.infoDisplay.ShowsScaleOrCoordinates() && !IsPolyTool(tool)) p_.engine.InvalidateWindow();
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapMouseUp(short button, short, float x, float y) {
    try {
        if (button == 2) {
            POINT cursor = {};
            ::GetCursorPos(&cursor);
            p_.commands.ShowContextMenu(static_cast<float>(cursor.x), static_cast<float>(cursor.y));
            panning_ = false;
            return;
        }
        const long tool = p_.engine.CurrentTool();
        ZmaPointD mapPos = p_.engine.ScreenToMap(x, y);
        const POINT point = {static_cast<LONG>(x), static_cast<LONG>(y)};
        if (CZmaVadAZLayerCollection* layers = p_.layers.Collection()) {
            RefreshSuspension suspend(layers, IsPolyTool(tool));
            layers->DispatchMouseUp(point, mapPos);
        }
        panning_ = false;
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapMouseMove(short, short, float x, float y) {
    if (!p_.engine.Map()) return;
    // The layers' rollover pumps messages and fires events: the host may let go of the control
    // meanwhile, so the control holds itself until the move is handled.
    ComPtr<IUnknown> hold(p_.owner);
    try {
        EngineDispatch map(p_.engine.Map());
        ZmaPointD mapPos;
        if (p_.infoDisplay.CoordinateFormat() == 2) {
            // Metres are read in the display coordinate system, then the numeric one comes back.
            Variant kept = EngineDispatch(platform::RequireDispatch(map.Get(Engine::Map::kNumericCoordSys)).Get())
                               .Call(Engine::CoordSys::kClone);
            ComPtr<IDispatch> display = platform::RequireDispatch(map.Get(Engine::Map::kDisplayCoordSys));
            map.Put(Engine::Map::kNumericCoordSys, EngineDispatch(display.Get()).Call(Engine::CoordSys::kClone));
            EnginePropertyRestorer restore(map, Engine::Map::kNumericCoordSys, kept);
            mapPos = p_.engine.ScreenToMap(x, y);
            restore.Restore();
        } else {
            mapPos = p_.engine.ScreenToMap(x, y);
        }

        if (!panning_) {
            TargetDCLoan loan(p_.view.Target(), p_.window.Get());
            UpdateCoordinates(mapPos);
        }

        const long tool = p_.engine.CurrentTool();
        if (tool == kToolSelect) {
            if (CZmaVadAZLayerCollection* layers = p_.layers.Collection())
                layers->DispatchMouseMove({static_cast<LONG>(x), static_cast<LONG>(y)}, mapPos);
        } else {
            HideRolloverTip(nullptr);
            if (tool == kToolDistance && measure_.IsActive()) {
                measure_.Track(x, y);
                p_.engine.InvalidateWindow();
            }
        }
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapDblClick() {
    try {
        if (CZmaVadAZLayerCollection* layers = p_.layers.Collection()) layers->DispatchDoubleClick();
    }
    CATCH_SWALLOW("dropped without a log line: double clicks carry nothing to report");
}

void EngineEventRouter::OnMapKeyDown(short keyCode, short shift) {
    try {
        CZmaVadAZLayerCollection* layers = p_.layers.Collection();
        // Escape gives the offset tool up, with or without a point of its line: its layers wait no
        // more and the map gets its tool back (a line begun also ends, escaped, as the engine ends it).
        if (keyCode == VK_ESCAPE && p_.engine.CurrentTool() == kToolOffset) {
            if (layers) layers->DropPendingOffsetLayers();
            EngineDispatch(p_.engine.MapOrThrow()).Put(Engine::Map::kCurrentTool, Variant(p_.tools.HandBackAfterOffset()));
        }
        if (layers) layers->DispatchKeyDown(keyCode, shift);
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapToolUsed(short tool, double x1, double y1, double x2, double y2) {
    try {
        CZmaVadAZLayerCollection* layers = p_.layers.Collection();
        switch (tool) {
        case kToolOffset: {
            WaitCursor wait;
            if (layers) layers->ApplyPendingLayerOffsets(x1, y1);
            break;
        }
        case kToolDistance:
            measure_.End();
            p_.engine.InvalidateWindow();
            break;
        case VO_MAP_TOOL_ZOOMIN:
        case VO_MAP_TOOL_ZOOMOUT:
            p_.view.Changes().SetStage(2);
            break;
        case VO_MAP_TOOL_RADIUS_SELECT:
            if (layers) layers->SelectByRadius({x1, y1}, x2 - x1, false);
            break;
        case VO_MAP_TOOL_RECTANGLE_SELECT:
            if (layers)
                layers->SelectByRectangle({std::min(x1, x2), std::max(y1, y2), std::max(x1, x2), std::min(y1, y2)});
            break;
        default:
            break;
        }
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapPolyToolUsed(short tool, long flags, IDispatch* points) {
    try {
        CZmaVadAZLayerCollection* layers = p_.layers.Collection();
        if (tool == kToolOffset) {
            OnOffsetLine(flags, LinePoints(points));
        } else if (tool == kToolPolygonSelect && flags == Engine::PolyToolFlag::kEnd) {
            std::vector<ZmaPointD> ring = ClosedRing(points);
            if (layers) layers->SelectByPolygon(ring);
        } else if (tool == kToolPolyFilter && flags == Engine::PolyToolFlag::kEnd) {
            std::vector<ZmaPointD> ring = ClosedRing(points);
            if (layers) regions::AddPolygon(*layers, ring);
        }
    }
    COM_CATCH_LOG();
}

// The offset tool's line is a move: its first point is where the layers are taken, its second
// where they are put. The tool stays for the second point; then the waiting layers move by the
// second minus the first and the map gets its own tool back. A line ended or given up before its
// second point moves nothing; either way the layers wait no more.
void EngineEventRouter::OnOffsetLine(long flags, const std::vector<ZmaPointD>& line) {
    const bool escaped = flags == Engine::PolyToolFlag::kEndEscaped;
    const bool ended = escaped || flags == Engine::PolyToolFlag::kEnd;
    if (line.size() < 2 && !ended) return;
    if (CZmaVadAZLayerCollection* layers = p_.layers.Collection()) {
        if (line.size() == 2 && !escaped) {
            WaitCursor wait;
            layers->ApplyPendingLayerOffsets(line[1].x - line[0].x, line[1].y - line[0].y);
        }
        layers->DropPendingOffsetLayers();
    }
    EngineDispatch(p_.engine.MapOrThrow()).Put(Engine::Map::kCurrentTool, Variant(p_.tools.HandBackAfterOffset()));
}

void EngineEventRouter::OnMapViewChanged() {
    // A print or an export sets views of its own and puts the user's back exactly.
    if (p_.view.IsViewHeld()) return;
    try {
        EngineDispatch map(p_.engine.MapOrThrow());
        CZmaVadAZLayerCollection* layers = p_.layers.Collection();
        p_.view.Changes().OnViewChanged(map, p_.setup.IsInitialised(), IsBackgroundMapVisible(layers),
                                        [this, layers](IDispatch* view, const RECT& pixels) {
                                            SnapZoomToBackgroundMap(layers, p_.engine.MapOrThrow(), view, pixels);
                                        });
    }
    COM_CATCH_LOG();
}

ZmaExtent EngineEventRouter::DrawnExtent(const RECT& pixels) {
    const float left = static_cast<float>(pixels.left), top = static_cast<float>(pixels.top);
    const float right = static_cast<float>(pixels.right), bottom = static_cast<float>(pixels.bottom);
    const ZmaPointD corners[] = {p_.engine.ScreenToMap(left, top), p_.engine.ScreenToMap(right, top),
                                 p_.engine.ScreenToMap(left, bottom), p_.engine.ScreenToMap(right, bottom)};
    ZmaExtent extent = {corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const ZmaPointD& c : corners) {
        extent.left = std::min(extent.left, c.x);
        extent.right = std::max(extent.right, c.x);
        extent.top = std::max(extent.top, c.y);
        extent.bottom = std::min(extent.bottom, c.y);
    }
    return extent;
}

void EngineEventRouter::OnMapDrawUserLayer(IDispatch* layer, HDC outputDC, HDC, IDispatch* fullRect, IDispatch*) {
    // The line layers fire GetField while they draw; the host's handler may let go of the control.
    ComPtr<IUnknown> hold(p_.owner);
    try {
        EngineDispatch full(platform::ThrowIfNull(fullRect, E_POINTER));
        RECT pixels = {static_cast<LONG>(full.Get(Engine::Rectangle::kXMin).ToDouble()),
                       static_cast<LONG>(full.Get(Engine::Rectangle::kYMin).ToDouble()),
                       static_cast<LONG>(full.Get(Engine::Rectangle::kXMax).ToDouble()),
                       static_cast<LONG>(full.Get(Engine::Rectangle::kYMax).ToDouble())};
        const bool printing =
            ::GetDeviceCaps(outputDC, TECHNOLOGY) != DT_RASDISPLAY || ::GetObjectType(outputDC) == OBJ_ENHMETADC;
        const DrawingTarget& target = p_.view.Target();
        // The engine's pixels count from the map's corner. On a page that a print job draws, the
        // layers are drawn from where the job placed the map, wherever the engine left the origin;
        // anywhere else from the DC's origin.
        POINT corner = {0, 0};
        const bool onPage = printing && p_.view.IsPrintingPage();
        if (printing && !onPage) {
            pixels.right += target.left;
            pixels.bottom += target.top;
        }
        const ZmaExtent extent = DrawnExtent(pixels);
        if (onPage) {
            corner = PageToDevice(outputDC, target.left, target.top);
        } else if (p_.view.IsZoomSet()) {
            pixels.left -= std::max(target.left, 0L);
            pixels.top -= std::max(target.top, 0L);
        }

        // The host's origin comes back however the layers end.
        class ViewportOrigin {
        public:
            ViewportOrigin(HDC dc, POINT at) : dc_(dc) { ::SetViewportOrgEx(dc_, at.x, at.y, &old_); }
            ~ViewportOrigin() { ::SetViewportOrgEx(dc_, old_.x, old_.y, nullptr); }

        private:
            HDC dc_;
            POINT old_ = {};
        } origin(outputDC, corner);
        CZmaVadAZLayerCollection* layers = p_.layers.Collection();
        const bool drewFrame = layers && layers->OnDrawUserLayer(outputDC, layer, pixels, extent, printing);
        if (drewFrame && !printing && !p_.view.IsExporting())
            p_.overview.Draw(outputDC, p_.engine.Map(), target.left, target.top);
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapDrawStage(short stage) {
    if (stage != Engine::MapDraw::kEnd) return;
    try {
        EngineDispatch map(p_.engine.MapOrThrow());
        if (p_.engine.CurrentTool() == kToolDistance && measure_.IsActive())
            measure_.DrawOverlay(map, p_.window.Get(), p_.engine.ScreenToMap(measure_.LastX(), measure_.LastY()));

        DrawingTarget& target = p_.view.Target();
        if (!target.dc) {
            // The screen frame: the whole engine window from its origin.
            target = {nullptr, static_cast<long>(map.Get(Engine::Map::kScreenWidth).ToDouble()),
                      static_cast<long>(map.Get(Engine::Map::kScreenHeight).ToDouble()), 0, 0};
        }
        TargetDCLoan loan(target, p_.window.Get());
        if (!panning_)
            p_.infoDisplay.Draw(target.dc, target.width, target.height, target.left, target.top,
                                map.Get(Engine::Map::kZoom).ToDouble(), map.Get(Engine::Map::kDistanceUnit).ToLong());
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapRecalcInfoDisplay() {
    try {
        const DrawingTarget& target = p_.view.Target();
        if (p_.infoDisplay.ShowsScaleOrCoordinates())
            p_.infoDisplay.RecalculateAndInvalidate(p_.window.Get(), target.width, target.height, target.left,
                                                    target.top);
    }
    COM_CATCH_LOG();
}

void EngineEventRouter::OnMapFeatureToolStatus(long status) {
    try {
        if (status != Engine::ToolFlag::kEnd) return;
        // The engine's own tool: the annotation tools are the engine's, with the same numbers.
        switch (p_.engine.CurrentTool()) {
        case VO_MAP_TOOL_SYMBOL: case VO_MAP_TOOL_TEXT: case VO_MAP_TOOL_ADDLINE: case VO_MAP_TOOL_ADDPOLYLINE:
        case VO_MAP_TOOL_ADDREGION: case VO_MAP_TOOL_ADDPOINT:
            break;
        default:
            return;
        }
        EngineDispatch map(p_.engine.MapOrThrow());
        Variant engineLayers = map.Get(Engine::Map::kLayers);
        Variant annotationLayer;
        if (engineLayers.vt == VT_DISPATCH && engineLayers.pdispVal)
            annotationLayer = EngineDispatch(engineLayers.pdispVal).Get(Engine::Layers::kInsertionLayer);
        if (annotationLayer.vt == VT_DISPATCH && annotationLayer.pdispVal) {
            const Variant missing = Variant::Missing();
            EngineDispatch(annotationLayer.pdispVal).Call(Engine::Layer::kInvalidate, {missing});
        } else {
            map.Call(Engine::Map::kRefresh);
        }
    }
    COM_CATCH_LOG();
}
