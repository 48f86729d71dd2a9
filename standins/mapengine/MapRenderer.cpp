#include "standins/mapengine/MapRenderer.h"

#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cmath>
#include <vector>

using platform::ComPtr;
using platform::SelectObjectRestorer;

namespace mapengine {

namespace {

const COLORREF kBackground = RGB(234, 242, 250);
const COLORREF kGraticule = RGB(180, 196, 214);
const COLORREF kSelection = RGB(0, 160, 255);
const COLORREF kPrintFrame = RGB(0, 96, 0);

// Restores the DC's state (mapping, origins, clip, objects) at scope end.
class SavedDC {
public:
    explicit SavedDC(HDC dc) noexcept : dc_(dc), id_(::SaveDC(dc)) {}
    ~SavedDC() { if (id_) ::RestoreDC(dc_, id_); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

POINT ToPixel(const ViewModel& view, double x, double y) {
    double sx, sy;
    view.MapToScreen(x, y, sx, sy);
    // Far-away points are clamped so that GDI's 32-bit coordinates never overflow.
    sx = std::max(-1.0e6, std::min(1.0e6, sx));
    sy = std::max(-1.0e6, std::min(1.0e6, sy));
    return {static_cast<LONG>(std::lround(sx)), static_cast<LONG>(std::lround(sy))};
}

// A graticule step in degrees that gives a few lines across the view.
double GraticuleStep(double spanDegrees) {
    static const double steps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30};
    for (double s : steps) {
        if (spanDegrees / s <= 12) return s;
    }
    return 45;
}

void DrawBackground(HDC dc, const ViewModel& view) {
    RECT all = {0, 0, view.Width(), view.Height()};
    platform::UniqueHBrush fill(::CreateSolidBrush(kBackground));
    ::FillRect(dc, &all, fill.Get());

    GeoRect b = view.Bounds();
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, 1, kGraticule));
    SelectObjectRestorer usePen(dc, pen.Get());
    // Lines only where the world is, and a bounded number of them: with a view of 1e308 degrees
    // adding a step would change nothing, and a loop over it would never end.
    const double xmin = std::max(b.xmin, -180.0), xmax = std::min(b.xmax, 180.0);
    const double ymin = std::max(b.ymin, -90.0), ymax = std::min(b.ymax, 90.0);
    if (!(xmin <= xmax) || !(ymin <= ymax)) return;
    const double step = GraticuleStepOf(view);
    constexpr int kMaxLines = 200;
    const double firstX = std::ceil(xmin / step) * step, firstY = std::ceil(ymin / step) * step;
    for (int i = 0; i < kMaxLines && firstX + i * step <= xmax; ++i) {
        POINT p = ToPixel(view, firstX + i * step, 0);
        ::MoveToEx(dc, p.x, 0, nullptr);
        ::LineTo(dc, p.x, view.Height());
    }
    for (int i = 0; i < kMaxLines && firstY + i * step <= ymax; ++i) {
        POINT p = ToPixel(view, 0, firstY + i * step);
        ::MoveToEx(dc, 0, p.y, nullptr);
        ::LineTo(dc, view.Width(), p.y);
    }
}

std::vector<POINT> ToPixels(const ViewModel& view, const XYList& points) {
    std::vector<POINT> out;
    out.reserve(points.size());
    for (const XY& p : points) out.push_back(ToPixel(view, p.x, p.y));
    return out;
}

void DrawText(HDC dc, Style& style, POINT at, const std::wstring& text) {
    if (text.empty()) return;
    platform::UniqueHFont font(style.CreateTextFont());
    SelectObjectRestorer useFont(dc, font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, style.TextColor());
    ::TextOutW(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
}

void DrawFeature(HDC dc, const ViewModel& view, Feature& feature, Style& style, bool selected) {
    const FeatureRecord& r = feature.Record();
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, std::max(1, style.LineWidth()) + (selected ? 2 : 0),
                                         selected ? kSelection : style.LineColor()));
    SelectObjectRestorer usePen(dc, pen.Get());
    switch (r.type) {
    case kSymbol: {
        POINT p = ToPixel(view, r.point.x, r.point.y);
        platform::UniqueHBrush brush(::CreateSolidBrush(selected ? kSelection : style.SymbolColor()));
        RECT box = {p.x - 3, p.y - 3, p.x + 4, p.y + 4};
        ::FillRect(dc, &box, brush.Get());
        break;
    }
    case kText: DrawText(dc, style, ToPixel(view, r.point.x, r.point.y), r.caption); break;
    case kLine:
        for (const XYList& part : r.parts) {
            std::vector<POINT> pts = ToPixels(view, part);
            if (pts.size() >= 2) ::Polyline(dc, pts.data(), static_cast<int>(pts.size()));
        }
        break;
    case kRegion: {
        platform::UniqueHBrush brush(::CreateSolidBrush(style.RegionColor()));
        SelectObjectRestorer useBrush(dc, style.RegionTransparent() ? ::GetStockObject(NULL_BRUSH) : brush.Get());
        for (const XYList& part : r.parts) {
            std::vector<POINT> pts = ToPixels(view, part);
            if (pts.size() >= 3) ::Polygon(dc, pts.data(), static_cast<int>(pts.size()));
        }
        break;
    }
    default: break;
    }
}

// The boxes of the labels drawn so far in a frame, of every layer.
using LabelBoxes = std::vector<RECT>;

bool OverlapsAny(const RECT& box, const LabelBoxes& boxes) {
    RECT common;
    return std::any_of(boxes.begin(), boxes.end(), [&](const RECT& other) { return ::IntersectRect(&common, &box, &other) != 0; });
}

// A table's labels: each feature's label text beside its centre, in the label style's font and
// colour. A label is left out where it would cover one drawn before unless overlapping is
// allowed, where the layer already shows its text unless duplicates are allowed, and once the
// layer shows its maximum number of labels.
void DrawTableLabels(HDC dc, const ViewModel& view, Layer& layer, LabelBoxes& boxes) {
    if (!layer.LabelsShownAt(view.ZoomMetres())) return;
    LabelProperties& labels = layer.Labels();
    Style& style = *labels.TextStyle();
    platform::UniqueHFont font(style.CreateTextFont());
    SelectObjectRestorer useFont(dc, font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, style.TextColor());
    std::vector<std::wstring> shown;
    for (const ComPtr<Feature>& f : layer.FeatureObjects()) {
        if (static_cast<long>(shown.size()) >= labels.LabelMax()) break;
        const std::wstring text = layer.LabelText(*f);
        if (text.empty()) continue;
        if (!labels.Duplicate() && std::find(shown.begin(), shown.end(), text) != shown.end()) continue;
        const GeoRect b = f->Bounds();
        const POINT centre = ToPixel(view, (b.xmin + b.xmax) / 2, (b.ymin + b.ymax) / 2);
        SIZE extent = {};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        const RECT box = {centre.x + 5, centre.y + 5, centre.x + 5 + extent.cx, centre.y + 5 + extent.cy};
        if (!labels.Overlap() && OverlapsAny(box, boxes)) continue;
        ::TextOutW(dc, box.left, box.top, text.c_str(), static_cast<int>(text.size()));
        boxes.push_back(box);
        shown.push_back(text);
    }
}

void DrawTableLayer(HDC dc, const ViewModel& view, Layer& layer, LabelBoxes& labelBoxes) {
    if (const RasterImage* image = layer.Raster()) {
        SavedDC saved(dc);
        image->Draw(dc, view);
        return;
    }
    for (const ComPtr<Feature>& f : layer.FeatureObjects()) {
        Style& style = layer.OverrideStyle() ? *layer.LayerStyle() : *f->StyleObject();
        DrawFeature(dc, view, *f, style, layer.Selection().Contains(f.Get()));
    }
    DrawTableLabels(dc, view, layer, labelBoxes);
}

}  // namespace

double GraticuleStepOf(const ViewModel& view) {
    const GeoRect b = view.Bounds();
    const double width = std::min(b.xmax, 180.0) - std::max(b.xmin, -180.0);
    const double height = std::min(b.ymax, 90.0) - std::max(b.ymin, -90.0);
    return GraticuleStep(std::max(width, height));
}

void DrawPrintFrame(HDC dc, const RECT& device) {
    SavedDC saved(dc);
    ::SetMapMode(dc, MM_TEXT);
    ::SetWindowOrgEx(dc, 0, 0, nullptr);
    ::SetViewportOrgEx(dc, 0, 0, nullptr);
    const int thickness = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSX) / 72);
    platform::UniqueHBrush brush(::CreateSolidBrush(kPrintFrame));
    const RECT edges[] = {{device.left, device.top, device.right, device.top + thickness},
                          {device.left, device.bottom - thickness, device.right, device.bottom},
                          {device.left, device.top, device.left + thickness, device.bottom},
                          {device.right - thickness, device.top, device.right, device.bottom}};
    for (const RECT& edge : edges) ::FillRect(dc, &edge, brush.Get());
}

RECT TargetInDevicePixels(HDC dc, const RECT& target) {
    POINT corners[2] = {{target.left, target.top}, {target.right, target.bottom}};
    ::LPtoDP(dc, corners, 2);
    RECT r = {std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
              std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
    return r;
}

void RenderMap(HDC dc, const RECT& device, const ViewModel& view, const LayerList& layers,
               const Annotations* annotations, RenderCallbacks& callbacks) {
    {
        SavedDC saved(dc);
        // Device pixels with the origin at the target's top-left corner.
        ::SetMapMode(dc, MM_TEXT);
        ::SetWindowOrgEx(dc, 0, 0, nullptr);
        ::SetViewportOrgEx(dc, device.left, device.top, nullptr);
        ::IntersectClipRect(dc, 0, 0, view.Width(), view.Height());

        DrawBackground(dc, view);
        const RECT full = {0, 0, view.Width(), view.Height()};
        LabelBoxes labelBoxes;
        for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
            Layer& layer = **it;
            if (!layer.VisibleAtZoom(view.ZoomMetres())) continue;
            if (layer.Type() == kUserDrawLayer) {
                SavedDC perLayer(dc);
                callbacks.DrawUserLayer(layer, dc, full, full);
            } else {
                DrawTableLayer(dc, view, layer, labelBoxes);
            }
        }
        callbacks.DrawingStage(1);
        if (annotations) {
            for (const ComPtr<Annotation>& a : annotations->List()) {
                TextGraphic& g = a->Graphic();
                DrawText(dc, g.TextStyle(), ToPixel(view, g.X(), g.Y()), g.Caption());
            }
        }
    }
    callbacks.DrawingStage(2);
}

}  // namespace mapengine
