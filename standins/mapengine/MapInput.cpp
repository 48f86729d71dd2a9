// The map window's input: mouse and key events for the container, and the map tools. Every tool
// first tells the container (ToolUsed / PolyToolUsed); the engine's own action follows only when
// the container leaves EnableDefault true.
#include "standins/mapengine/Map.h"

#include "standins/mapengine/Units.h"

#include <cmath>

using platform::ComPtr;
using platform::Variant;

namespace mapengine {

namespace {

enum Tool : long {
    kArrow = 1000, kPan = 1001, kCenter = 1002, kZoomIn = 1003, kZoomOut = 1004, kAddSymbol = 1005, kTextTool = 1006,
    kSelect = 1007, kRadiusSelect = 1008, kRectSelect = 1009, kPolygonSelect = 1010, kLabel = 1011,
    kAddLine = 1012, kAddPolyline = 1013, kAddRegion = 1014, kAddPoint = 1015
};

enum CustomType : short { kPointTool = 0, kLineTool = 1, kCircleTool = 2, kRectTool = 3, kPolylineTool = 4, kPolygonTool = 5 };

// The poly tool event's flags: the first point, the line ended or given up, each later point.
enum PolyFlag : long { kPolyBegin = 0, kPolyEnd = 1, kPolyEndEscaped = 2, kPolyInProgress = 3 };

constexpr int kClickSlop = 3;     // pixels a press may move and still be a click
constexpr int kHitDistance = 5;   // pixels around a click that select a feature

Variant Bool(bool b) { return Variant(b); }

}  // namespace

bool Map::IsKnownTool(long tool) const {
    return (tool >= kArrow && tool <= kAddPoint) || customTools_.count(tool) != 0;
}

Map::Gesture Map::GestureOf(long tool) const {
    auto custom = customTools_.find(tool);
    if (custom != customTools_.end()) {
        switch (custom->second) {
        case kPointTool: return Gesture::Click;
        case kPolylineTool:
        case kPolygonTool: return Gesture::Poly;
        default: return Gesture::Drag;
        }
    }
    switch (tool) {
    case kArrow: return Gesture::None;
    case kPan:
    case kZoomIn:
    case kRadiusSelect:
    case kRectSelect:
    case kAddLine: return Gesture::Drag;
    case kPolygonSelect:
    case kAddPolyline:
    case kAddRegion: return Gesture::Poly;
    default: return Gesture::Click;
    }
}

// --- Window messages -------------------------------------------------------------------------

void Map::OnPaint(HDC dc, const RECT& client) {
    if (rendering_) return;
    RenderInto(dc, client);
}

void Map::OnSize(int width, int height) {
    if (width <= 0 || height <= 0) return;  // minimised or hidden: the view keeps its size
    if (width == view_.Width() && height == view_.Height()) return;
    view_.SetSize(width, height);
    extent_ = {MulDiv(width, 2540, 96), MulDiv(height, 2540, 96)};
    ViewChanged();
}

void Map::OnMouseDown(short button, short shift, int x, int y) {
    std::vector<Variant> args{Variant(button), Variant(shift), Variant(float(x)), Variant(float(y))};
    events_.Fire(L"MouseDown", args);
    if (button != 1) return;
    if (window_.Handle()) ::SetCapture(window_.Handle());
    switch (GestureOf(currentTool_)) {
    case Gesture::Drag:
    case Gesture::Click:
        dragging_ = true;
        dragStart_ = {x, y};
        break;
    case Gesture::Poly: {
        polygon_.push_back({x, y});
        ComPtr<Points> points = Points::Make(PolygonInDegrees());
        const long flags = polygon_.size() == 1 ? kPolyBegin : kPolyInProgress;
        std::vector<Variant> poly{Variant(short(currentTool_)), Variant(flags), Variant(points->AsDispatch()),
                                  Bool(shift & 1), Bool(shift & 2), Bool(true)};
        events_.Fire(L"PolyToolUsed", poly);
        break;
    }
    case Gesture::None: break;
    }
}

void Map::OnMouseUp(short button, short shift, int x, int y) {
    if (button == 1 && ::GetCapture() == window_.Handle()) ::ReleaseCapture();
    std::vector<Variant> args{Variant(button), Variant(shift), Variant(float(x)), Variant(float(y))};
    events_.Fire(L"MouseUp", args);
    if (button != 1 || !dragging_) return;
    dragging_ = false;
    POINT end = {x, y};
    bool moved = std::abs(end.x - dragStart_.x) > kClickSlop || std::abs(end.y - dragStart_.y) > kClickSlop;
    if (GestureOf(currentTool_) == Gesture::Drag && moved) {
        FinishDrag(currentTool_, dragStart_, end, shift);
    } else {
        FinishClick(currentTool_, end, shift);
    }
}

void Map::OnMouseMove(short button, short shift, int x, int y) {
    std::vector<Variant> args{Variant(button), Variant(shift), Variant(float(x)), Variant(float(y))};
    events_.Fire(L"MouseMove", args);
}

void Map::OnDoubleClick(short shift, int, int) {
    events_.Fire(L"DblClick");
    if (GestureOf(currentTool_) == Gesture::Poly && !polygon_.empty()) FinishPolygon(kPolyEnd, shift);
}

void Map::OnKeyDown(short key, short shift) {
    std::vector<Variant> args{Variant(key), Variant(shift)};
    events_.Fire(L"KeyDown", args);
    // A sink may swallow the key by setting it to 0.
    if (args[0].ToLong() == VK_ESCAPE && !polygon_.empty()) FinishPolygon(kPolyEndEscaped, shift);
}

void Map::OnKeyUp(short key, short shift) {
    std::vector<Variant> args{Variant(key), Variant(shift)};
    events_.Fire(L"KeyUp", args);
}

void Map::OnChar(short character) {
    std::vector<Variant> args{Variant(character)};
    events_.Fire(L"KeyPress", args);
}

// --- Tools -----------------------------------------------------------------------------------

XYList Map::PolygonInDegrees() const {
    XYList out;
    for (POINT p : polygon_) {
        XY xy;
        view_.ScreenToMap(p.x, p.y, xy.x, xy.y);
        out.push_back(xy);
    }
    return out;
}

// True when the engine should go on with its own action.
bool Map::FireToolUsed(long tool, POINT from, POINT to, short shift) {
    double x1, y1, x2, y2;
    view_.ScreenToMap(from.x, from.y, x1, y1);
    view_.ScreenToMap(to.x, to.y, x2, y2);
    std::vector<Variant> args{Variant(short(tool)), Variant(x1), Variant(y1), Variant(x2), Variant(y2),
                              Variant(view_.Distance(x1, y1, x2, y2)), Bool(shift & 1), Bool(shift & 2), Bool(true)};
    events_.Fire(L"ToolUsed", args);
    return args[8].ToBool();
}

void Map::FinishClick(long tool, POINT at, short shift) {
    if (tool == kArrow || GestureOf(tool) == Gesture::Poly) return;
    if (!FireToolUsed(tool, at, at, shift)) return;
    double x, y;
    view_.ScreenToMap(at.x, at.y, x, y);
    switch (tool) {
    case kCenter:
        view_.SetCenter(x, y);
        ViewChanged();
        break;
    case kZoomIn:
    case kZoomOut: {
        ViewModel next = view_;
        next.SetCenter(x, y);
        next.SetZoom(tool == kZoomIn ? view_.Zoom() / 2 : view_.Zoom() * 2);
        view_ = next;
        ViewChanged();
        break;
    }
    case kSelect: {
        double radius = kHitDistance * view_.ZoomMetres() / view_.Width() / (kPi * kEarthRadiusMetres / 180.0);
        SelectWhere([x, y, radius](const GeoRect& b) {
            return x >= b.xmin - radius && x <= b.xmax + radius && y >= b.ymin - radius && y <= b.ymax + radius;
        }, (shift & 1) != 0);
        break;
    }
    case kAddSymbol:
    case kAddPoint: {
        FeatureRecord r;
        r.type = kSymbol;
        r.point = {x, y};
        AddFeatureByTool(tool, r, shift);
        break;
    }
    case kTextTool: annotations_->AddText(L"Text", x, y, 0); break;
    default: break;
    }
}

void Map::FinishDrag(long tool, POINT from, POINT to, short shift) {
    if (!FireToolUsed(tool, from, to, shift)) return;
    double x1, y1, x2, y2;
    view_.ScreenToMap(from.x, from.y, x1, y1);
    view_.ScreenToMap(to.x, to.y, x2, y2);
    switch (tool) {
    case kPan:
        view_.SetCenter(view_.CenterX() - (x2 - x1), view_.CenterY() - (y2 - y1));
        ViewChanged();
        break;
    case kZoomIn:
        view_.SetBounds({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
        ViewChanged();
        break;
    case kRectSelect:
        SelectWhere([=](const GeoRect& b) {
            return b.xmin >= std::min(x1, x2) && b.xmax <= std::max(x1, x2) && b.ymin >= std::min(y1, y2) &&
                   b.ymax <= std::max(y1, y2);
        }, (shift & 1) != 0);
        break;
    case kRadiusSelect: {
        double radius = view_.Distance(x1, y1, x2, y2);
        const ViewModel& v = view_;
        SelectWhere([&v, x1, y1, radius](const GeoRect& b) {
            return v.Distance(x1, y1, (b.xmin + b.xmax) / 2, (b.ymin + b.ymax) / 2) <= radius;
        }, (shift & 1) != 0);
        break;
    }
    case kAddLine: {
        FeatureRecord r;
        r.type = kLine;
        r.parts.push_back({{x1, y1}, {x2, y2}});
        AddFeatureByTool(tool, r, shift);
        break;
    }
    default: break;
    }
}

void Map::FinishPolygon(long flags, short shift) {
    const long tool = currentTool_;
    XYList points = PolygonInDegrees();
    polygon_.clear();
    ComPtr<Points> collection = Points::Make(points);
    std::vector<Variant> args{Variant(short(tool)), Variant(flags), Variant(collection->AsDispatch()), Bool(shift & 1),
                              Bool(shift & 2), Bool(true)};
    events_.Fire(L"PolyToolUsed", args);
    if (flags != kPolyEnd || !args[5].ToBool()) return;
    if (tool == kPolygonSelect && points.size() >= 3) {
        GeoRect box{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (const XY& p : points) {
            box = {std::min(box.xmin, p.x), std::min(box.ymin, p.y), std::max(box.xmax, p.x), std::max(box.ymax, p.y)};
        }
        // Features whose centre lies in the polygon's box: enough for a stand-in.
        SelectWhere([box](const GeoRect& b) {
            double cx = (b.xmin + b.xmax) / 2, cy = (b.ymin + b.ymax) / 2;
            return cx >= box.xmin && cx <= box.xmax && cy >= box.ymin && cy <= box.ymax;
        }, (shift & 1) != 0);
    } else if ((tool == kAddPolyline && points.size() >= 2) || (tool == kAddRegion && points.size() >= 3)) {
        FeatureRecord r;
        r.type = tool == kAddPolyline ? kLine : kRegion;
        r.parts.push_back(points);
        AddFeatureByTool(tool, r, shift);
    }
}

void Map::SelectWhere(const std::function<bool(const GeoRect&)>& inside, bool add) {
    for (const ComPtr<Layer>& layer : layers_->List()) {
        if (!layer->Selectable() || !layer->Visible() || layer->Type() != kNormalLayer) continue;
        FeatureList chosen = add ? layer->Selection().List() : FeatureList();
        for (const ComPtr<Feature>& f : layer->FeatureObjects()) {
            if (inside(f->Bounds()) && !layer->Selection().Contains(f.Get())) chosen.push_back(f);
        }
        if (chosen != layer->Selection().List()) layer->Selection().Replace(chosen);
    }
}

void Map::AddFeatureByTool(long tool, FeatureRecord record, short shift) {
    Layer* layer = layers_->InsertionLayer();
    if (!layer) return;  // nothing is added without an insertion layer
    ComPtr<Feature> prototype = Feature::Make(record, defaultStyle_->Clone());
    ComPtr<Feature> added = layer->AddFeatureCopy(*prototype);
    std::vector<Variant> args{Variant(short(tool)), Variant(1L), Variant(added->AsDispatch()), Bool(shift & 1),
                              Bool(shift & 2), Bool(true)};
    events_.Fire(L"AddFeatureToolUsed", args);
}

}  // namespace mapengine
