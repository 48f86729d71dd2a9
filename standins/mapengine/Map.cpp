#include "standins/mapengine/Map.h"

#include "standins/mapengine/CallLog.h"
#include "standins/mapengine/MapExport.h"
#include "standins/mapengine/Rectangle.h"
#include "standins/mapengine/Units.h"

#include "platform/Number.h"

#include <cmath>

using platform::ComPtr;
using platform::Variant;

namespace mapengine {

const MemberTable<Map>& Map::Members() {
    static const MemberTable<Map> table = MemberTable<Map>()
        .Get(L"Annotations", &Map::GetAnnotations)
        .Get(L"Layers", &Map::GetLayers)
        .ReadOnly(L"AutoRedraw", &Map::autoRedraw_)
        .Put(L"AutoRedraw", &Map::PutAutoRedraw)
        .Get(L"Zoom", &Map::GetZoom)
        .Put(L"Zoom", &Map::PutZoom)
        .Get(L"CenterX", &Map::GetCenterX)
        .Put(L"CenterX", &Map::PutCenterX)
        .Get(L"CenterY", &Map::GetCenterY)
        .Put(L"CenterY", &Map::PutCenterY)
        .Get(L"MapPaperHeight", &Map::GetPaperHeight)
        .Get(L"MapPaperWidth", &Map::GetPaperWidth)
        .Get(L"PaperUnit", &Map::GetPaperUnit)
        .Put(L"PaperUnit", &Map::PutPaperUnit)
        .Get(L"DefaultStyle", &Map::GetDefaultStyle)
        .Put(L"DefaultStyle", &Map::PutDefaultStyle)
        .Get(L"CurrentTool", &Map::GetCurrentTool)
        .Put(L"CurrentTool", &Map::PutCurrentTool)
        .Get(L"DataSets", &Map::GetDatasets)
        .Get(L"MapUnit", &Map::GetMapUnit)
        .Put(L"MapUnit", &Map::PutMapUnit)
        .Property(L"Rotation", &Map::rotation_)
        .Property(L"AreaUnit", &Map::areaUnit_)
        .Get(L"Bounds", &Map::GetBounds)
        .Put(L"Bounds", &Map::PutBounds)
        .Get(L"DisplayCoordSys", &Map::GetDisplayCoordSys)
        .Put(L"DisplayCoordSys", &Map::PutDisplayCoordSys)
        .Get(L"NumericCoordSys", &Map::GetNumericCoordSys)
        .Put(L"NumericCoordSys", &Map::PutNumericCoordSys)
        .Property(L"ExportSelection", &Map::exportSelection_)
        .Get(L"SelectionStyle", &Map::GetSelectionStyle)
        .Put(L"SelectionStyle", &Map::PutSelectionStyle)
        .Method(L"ConvertCoord", &Map::ConvertCoord)
        .Method(L"ZoomTo", &Map::ZoomTo)
        .Method(L"CreateCustomTool", &Map::CreateCustomTool)
        .Method(L"Distance", &Map::Distance)
        .Method(L"PrintMap", &Map::PrintMap)
        .Method(L"ExportMap", &Map::ExportMap)
        .Method(L"SetSize", &Map::SetSize)
        .Get(L"FeatureFactory", &Map::GetFeatureFactory)
        .Get(L"MapScreenWidth", &Map::GetScreenWidth)
        .Get(L"MapScreenHeight", &Map::GetScreenHeight)
        .Property(L"RedrawInterval", &Map::redrawInterval_)
        .Property(L"SearchPath", &Map::searchPath_)
        .Property(L"InfotipSupport", &Map::infotipSupport_)
        .Get(L"hWnd", &Map::GetWindowHandle)
        .Method(L"Refresh", &Map::Refresh);
    return table;
}

Map::Map()
    : window_(*this), eventsPoint_(Identity(), this, DIID_DMapEvents), points_{&eventsPoint_}, events_(eventsPoint_) {}

// --- MapServices and drawing ----------------------------------------------------------------

void Map::Repaint() {
    if (autoRedraw_) window_.Invalidate();
}

void Map::PutAutoRedraw(Call& c) {
    // Switched on, the map catches up with what it left undrawn; on already, nothing was left.
    const bool wasOn = autoRedraw_;
    autoRedraw_ = c.Bool(0);
    if (!wasOn) Repaint();
}

void Map::ContentChanged() { Repaint(); }

void Map::SelectionChanged() {
    events_.Fire(L"SelectionChanged");
    Repaint();
}

void Map::AnnotationAdded(IDispatch* annotation) {
    std::vector<Variant> args{Variant(annotation)};
    events_.Fire(L"AnnotationAdded", args);
}

void Map::ShowRaster(const RasterImage& image) {
    const XY topLeft = image.PixelToMap(0, 0);
    view_.ShowFromTopLeft(topLeft.x, topLeft.y, 1.0 / image.PixelHeight());
    ViewChanged();
}

void Map::ViewChanged() {
    events_.Fire(L"MapViewChanged");
    Repaint();
}

void Map::DrawUserLayer(Layer& layer, HDC dc, const RECT& full, const RECT& invalid) {
    ComPtr<Rectangle> fullRect = Rectangle::Make({double(full.left), double(full.top), double(full.right), double(full.bottom)});
    ComPtr<Rectangle> invalidRect =
        Rectangle::Make({double(invalid.left), double(invalid.top), double(invalid.right), double(invalid.bottom)});
    const long hdc = static_cast<long>(reinterpret_cast<LONG_PTR>(dc));
    std::vector<Variant> args{Variant(layer.AsDispatch()), Variant(hdc), Variant(hdc), Variant(fullRect->AsDispatch()),
                              Variant(invalidRect->AsDispatch())};
    events_.Fire(L"DrawUserLayer", args);
}

void Map::DrawingStage(short stage) {
    std::vector<Variant> args{Variant(stage)};
    events_.Fire(L"MapDraw", args);
}

void Map::RenderInto(HDC dc, const RECT& device) {
    // Conversions made by the sinks while the map draws refer to the drawing, so the view takes
    // its size for the duration (and only its size: a sink may still change the view).
    const int width = view_.Width(), height = view_.Height();
    view_.SetSize(device.right - device.left, device.bottom - device.top);
    rendering_ = true;
    try {
        RenderMap(dc, device, view_, layers_->List(), annotations_.Get(), *this);
    } catch (...) {
        rendering_ = false;
        view_.SetSize(width, height);
        throw;
    }
    rendering_ = false;
    view_.SetSize(width, height);
}

void Map::LogGraticule(const wchar_t* member, int width, int height) const {
    // Tests measure a printed or exported map's scale by its graticule.
    ViewModel drawn = view_;
    drawn.SetSize(width, height);
    CallLog::Append(std::wstring(member) + L" graticule " + platform::ToWide(platform::FormatFixed(GraticuleStepOf(drawn), 6)));
}

// --- Automation members ------------------------------------------------------------------------

void Map::GetAnnotations(Call& c) { c.Return(annotations_); }
void Map::GetLayers(Call& c) { c.Return(layers_); }
void Map::GetZoom(Call& c) { c.Return(view_.Zoom()); }

void Map::PutZoom(Call& c) {
    view_.SetZoom(c.Double(0));
    ViewChanged();
}

void Map::GetCenterX(Call& c) { c.Return(view_.CenterX()); }

void Map::PutCenterX(Call& c) {
    view_.SetCenter(c.Double(0), view_.CenterY());
    ViewChanged();
}

void Map::GetCenterY(Call& c) { c.Return(view_.CenterY()); }

void Map::PutCenterY(Call& c) {
    view_.SetCenter(view_.CenterX(), c.Double(0));
    ViewChanged();
}

void Map::GetPaperHeight(Call& c) { c.Return(view_.PaperHeight()); }
void Map::GetPaperWidth(Call& c) { c.Return(view_.PaperWidth()); }
void Map::GetPaperUnit(Call& c) { c.Return(view_.PaperUnit()); }
void Map::PutPaperUnit(Call& c) { view_.SetPaperUnit(c.Long(0)); }
void Map::GetDefaultStyle(Call& c) { c.Return(defaultStyle_); }
void Map::PutDefaultStyle(Call& c) { defaultStyle_ = Style::CopyOf(c.Object<Style>(0).Get()); }
void Map::GetCurrentTool(Call& c) { c.Return(currentTool_); }

void Map::PutCurrentTool(Call& c) {
    long tool = c.Long(0);
    if (!IsKnownTool(tool)) Fail(E_INVALIDARG, L"Unknown tool " + std::to_wstring(tool));
    currentTool_ = tool;
    dragging_ = false;
    polygon_.clear();
}

void Map::GetDatasets(Call& c) { c.Return(datasets_); }
void Map::GetMapUnit(Call& c) { c.Return(view_.DistanceUnit()); }
void Map::PutMapUnit(Call& c) { view_.SetDistanceUnit(c.Long(0)); }

void Map::GetBounds(Call& c) { c.Return(Rectangle::Make(view_.Bounds())); }

void Map::PutBounds(Call& c) {
    if (FaultSwitches::FromEnvironment().failBounds) Fail(E_FAIL, L"The bounds are refused");
    view_.SetBounds(c.Object<Rectangle>(0)->Rect());
    ViewChanged();
}

void Map::GetDisplayCoordSys(Call& c) { c.Return(displayCoordSys_); }
void Map::PutDisplayCoordSys(Call& c) { displayCoordSys_ = c.Object<CoordSys>(0)->Clone(); }
void Map::GetNumericCoordSys(Call& c) { c.Return(numericCoordSys_); }
void Map::PutNumericCoordSys(Call& c) { numericCoordSys_ = c.Object<CoordSys>(0)->Clone(); }
void Map::GetSelectionStyle(Call& c) { c.Return(selectionStyle_); }
void Map::PutSelectionStyle(Call& c) { selectionStyle_ = Style::CopyOf(c.Object<Style>(0).Get()); }

void Map::ConvertCoord(Call& c) {
    constexpr short kMapToScreen = 0, kScreenToMap = 1;
    short direction = c.Short(4);
    if (direction == kScreenToMap) {
        double x, y;
        view_.ScreenToMap(c.Float(0), c.Float(1), x, y);
        c.SetOut(2, Variant(x));
        c.SetOut(3, Variant(y));
    } else if (direction == kMapToScreen) {
        double sx, sy;
        view_.MapToScreen(c.Double(2), c.Double(3), sx, sy);
        c.SetOut(0, Variant(static_cast<float>(sx)));
        c.SetOut(1, Variant(static_cast<float>(sy)));
    } else {
        Fail(E_INVALIDARG, L"The direction must be 0 (map to screen) or 1 (screen to map)");
    }
}

void Map::ZoomTo(Call& c) {
    ViewModel next = view_;
    next.SetZoom(c.Double(0));
    next.SetCenter(c.Double(1), c.Double(2));
    view_ = next;
    ViewChanged();
}

void Map::CreateCustomTool(Call& c) {
    short number = c.Short(0);
    short type = c.Short(1);
    if (type < 0 || type > 5) Fail(E_INVALIDARG, L"Unknown tool type " + std::to_wstring(type));
    if (number >= 1000 && number <= 1015) Fail(E_INVALIDARG, L"Tool numbers 1000 to 1015 are the engine's own");
    customTools_[number] = type;
}

void Map::Distance(Call& c) { c.Return(view_.Distance(c.Double(0), c.Double(1), c.Double(2), c.Double(3))); }

void Map::PrintMap(Call& c) {
    if (FaultSwitches::FromEnvironment().failPrintMap) Fail(E_FAIL, L"The map cannot be printed");
    HDC dc = reinterpret_cast<HDC>(static_cast<LONG_PTR>(c.Long(0)));
    if (!dc || ::GetObjectType(dc) == 0) Fail(E_INVALIDARG, L"hDC is not a device context");
    const long x = c.Long(1), y = c.Long(2), w = c.Long(3), h = c.Long(4);
    if (w <= 0 || h <= 0) Fail(E_INVALIDARG, L"The print rectangle is empty");
    // The rectangle is in 0.01 mm, y downwards: on a DC in MM_HIMETRIC (y upwards) it lies at
    // (x, -y) in logical units; on any other DC it is measured from the device origin at the
    // device's resolution.
    RECT device;
    if (::GetMapMode(dc) == MM_HIMETRIC) {
        POINT corners[2] = {{x, -y}, {x + w, -(y + h)}};
        ::LPtoDP(dc, corners, 2);
        device = {std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                  std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
    } else {
        const int dpiX = ::GetDeviceCaps(dc, LOGPIXELSX), dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
        device = {MulDiv(x, dpiX, 2540), MulDiv(y, dpiY, 2540), MulDiv(x + w, dpiX, 2540), MulDiv(y + h, dpiY, 2540)};
    }
    if (device.right <= device.left || device.bottom <= device.top) Fail(E_INVALIDARG, L"The print rectangle is empty");
    // Which layers this print shows, top first, for tests of what each printed page holds.
    std::wstring shown;
    for (const auto& layer : layers_->List())
        if (layer->Visible()) shown += (shown.empty() ? L"" : L"|") + layer->Name();
    CallLog::Append(L"Map.PrintMap shows " + shown);
    LogGraticule(L"Map.PrintMap", device.right - device.left, device.bottom - device.top);
    RenderInto(dc, device);
    DrawPrintFrame(dc, device);
}

void Map::ExportMap(Call& c) {
    if (faults_.failExport) Fail(E_FAIL, L"The map picture cannot be written");
    std::wstring destination = c.String(0);
    short format = c.Short(1);
    // Width and height in the paper unit at 96 pixels per inch; the window's size otherwise.
    auto pixels = [this](double length) {
        return static_cast<int>(std::lround(ConvertLength(length, view_.PaperUnit(), 2) * 96.0));
    };
    int width = c.Has(2) ? pixels(c.Double(2)) : view_.Width();
    int height = c.Has(3) ? pixels(c.Double(3)) : view_.Height();
    LogGraticule(L"Map.ExportMap", width, height);
    ExportMapImage(destination, format, width, height, window_.Handle(),
                   [this](HDC dc, const RECT& rect) { RenderInto(dc, rect); });
}

void Map::SetSize(Call& c) {
    long width = c.Long(0), height = c.Long(1);
    if (width < 1 || height < 1) Fail(E_INVALIDARG, L"The size must be at least one pixel");
    if (window_.Handle()) {
        window_.Resize(width, height);  // WM_SIZE updates the view
    } else {
        OnSize(width, height);
    }
}

void Map::GetFeatureFactory(Call& c) { c.Return(featureFactory_); }
void Map::GetScreenWidth(Call& c) { c.Return(static_cast<float>(view_.Width())); }
void Map::GetScreenHeight(Call& c) { c.Return(static_cast<float>(view_.Height())); }
void Map::GetWindowHandle(Call& c) { c.Return(static_cast<long>(reinterpret_cast<LONG_PTR>(window_.Handle()))); }

void Map::Refresh(Call&) {
    if (window_.Handle()) {
        ::InvalidateRect(window_.Handle(), nullptr, TRUE);
        ::UpdateWindow(window_.Handle());
    }
}

}  // namespace mapengine
