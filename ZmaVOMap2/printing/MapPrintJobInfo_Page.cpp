// One printed page: the part of the virtual sheet its page rectangle covers, with the title, the
// map as the engine prints it (with the scale block), the legend as the host's legend draws it,
// and thin frames; every part is cut at the printable area. The engine's view, size and units
// are changed only for the page and always put back.
#include "ZmaVOMap2/printing/MapPrintJobInfo.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/printing/PrintDrawing.h"
#include "ZmaVOMap2/printing/PrintableMap.h"
#include "platform/Result.h"

#include <cstdlib>

using platform::Variant;

namespace {

// The engine's view, pixel size and units as the page found them.
class EngineState {
public:
    EngineState(const EngineDispatch& engine, IPrintableMap& control) : engine_(engine), control_(control) {
        zoom_ = engine.Get(Engine::Map::kZoom).ToDouble();
        centerX_ = engine.Get(Engine::Map::kCenterX).ToDouble();
        centerY_ = engine.Get(Engine::Map::kCenterY).ToDouble();
        paperUnit_ = engine.Get(Engine::Map::kPaperUnit);
        distanceUnit_ = engine.Get(Engine::Map::kDistanceUnit);
        pixels_.cx = static_cast<long>(engine.Get(Engine::Map::kScreenWidth).ToDouble());
        pixels_.cy = static_cast<long>(engine.Get(Engine::Map::kScreenHeight).ToDouble());
        window_ = reinterpret_cast<HWND>(static_cast<LONG_PTR>(engine.Get(Engine::Map::kWindowHandle).ToLong()));
    }
    // After a failure on the way, whatever the page has not put back yet.
    ~EngineState() {
        try {
            if (!unitsRestored_) RestoreUnits();
            if (!viewRestored_) RestoreView();
        }
        COM_CATCH_LOG();
    }
    EngineState(const EngineState&) = delete;
    EngineState& operator=(const EngineState&) = delete;

    void RestoreUnits() {
        unitsRestored_ = true;
        engine_.Put(Engine::Map::kDistanceUnit, distanceUnit_);
        engine_.Put(Engine::Map::kPaperUnit, paperUnit_);
    }
    // The size first: the view is then set for the window it is shown in, whatever the engine
    // does to a view when its window changes size.
    void RestoreView() {
        viewRestored_ = true;
        control_.ResetViewChangeStage();
        // A map without height or width cannot be given that size again; it keeps the frame's.
        if (pixels_.cx > 0 && pixels_.cy > 0)
            engine_.Call(Engine::Map::kSetSize, {Variant(pixels_.cx), Variant(pixels_.cy)});
        engine_.Call(Engine::Map::kZoomTo, {Variant(zoom_), Variant(centerX_), Variant(centerY_)});
        control_.ResetViewChangeStage();
    }

    SIZE Pixels() const noexcept { return pixels_; }
    HWND Window() const noexcept { return window_; }

private:
    const EngineDispatch& engine_;
    IPrintableMap& control_;
    double zoom_ = 0, centerX_ = 0, centerY_ = 0;
    Variant paperUnit_, distanceUnit_;
    SIZE pixels_ = {};
    HWND window_ = nullptr;
    bool unitsRestored_ = false;
    bool viewRestored_ = false;
};

// Holds the control's view for the page: the views the page sets are the print's own, never
// snapped to the imagery's tile levels, and the one it puts back is the user's as it was.
class ViewHold {
public:
    explicit ViewHold(IPrintableMap& control) : control_(control) { control_.HoldView(TRUE); }
    ~ViewHold() { control_.HoldView(FALSE); }
    ViewHold(const ViewHold&) = delete;
    ViewHold& operator=(const ViewHold&) = delete;

private:
    IPrintableMap& control_;
};

// Tells the control where the map lies on the page while the engine prints it; once the page is
// done, however it ends, the control's layers are no longer drawn on paper from there.
class MapOnPage {
public:
    MapOnPage(IPrintableMap& control, long x, long y) : control_(control) { control_.SetDisplayOrigin(x, y); }
    ~MapOnPage() { control_.SetDisplayOrigin(0, 0); }
    MapOnPage(const MapOnPage&) = delete;
    MapOnPage& operator=(const MapOnPage&) = delete;

private:
    IPrintableMap& control_;
};

// A length in 0.01 mm as pixels of the engine window's screen.
SIZE FramePixels(HWND window, long width, long height) {
    platform::WindowDC dc(window);
    POINT extent = {width, height};
    if (dc) {
        MapModeScope mode(dc.Get(), MM_HIMETRIC);
        ::LPtoDP(dc.Get(), &extent, 1);
    }
    return {std::labs(extent.x), std::labs(extent.y)};
}

// Fits the engine's pixel size into the frame's keeping its shape; the zoom that shows the same
// ground across the fitted width, or the zoom unchanged when the shape is the frame's height.
double CenteredZoom(double zoom, SIZE engine, SIZE frame) {
    if (engine.cx <= 0 || engine.cy <= 0 || frame.cx <= 0 || frame.cy <= 0) return zoom;
    SIZE fitted;
    if (static_cast<double>(frame.cx) / frame.cy > static_cast<double>(engine.cx) / engine.cy) {
        fitted = {::MulDiv(engine.cx, frame.cy, engine.cy), frame.cy};
    } else {
        fitted = {frame.cx, ::MulDiv(engine.cy, frame.cx, engine.cx)};
    }
    if (fitted.cy != frame.cy || fitted.cx <= 0) return zoom;
    return frame.cx * zoom / fitted.cx;
}

}  // namespace

RECT MapPrintJobInfo::PagePlacement::Device(const RECT& part) const {
    RECT r = part;
    ::OffsetRect(&r, shift.x, shift.y);
    return r;
}

bool MapPrintJobInfo::PrintPage(UINT page, HDC dc) {
    if (!layout_.mapView || !layout_.settings || !IsValidPage(page)) return false;
    const int screenDpi = ScreenPixelsPerInchY();
    MapModeScope mode(dc, MM_HIMETRIC);
    TitleFontScope font(dc, layout_.settings.Get(), screenDpi);
    const PageSettings settings = PageSettings::Read(layout_.settings.Get());

    PagePlacement at;
    at.sign = ::GetMapMode(dc) == MM_TEXT ? 1 : -1;
    at.page = Signed(layout_.PageRect(static_cast<long>(page), settings), at.sign);
    at.origin = Signed(layout_.PageRect(0, settings), at.sign);
    ::OffsetRect(&at.origin, -layout_.physicalOffsetX, -at.sign * layout_.physicalOffsetY);
    at.shift = {at.origin.left - at.page.left, at.origin.top - at.page.top};

    DrawTitle(dc, settings, font.Font(), at);
    DrawMap(dc, settings, at);
    DrawLegend(dc, settings, at);
    return true;
}

void MapPrintJobInfo::DrawTitle(HDC dc, const PageSettings& settings, HFONT font, const PagePlacement& at) {
    if (!settings.printTitle || !Intersect(layout_.titleRect, at.page)) return;
    const RECT device = at.Device(layout_.titleRect);
    platform::SelectObjectRestorer useFont(dc, font);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    // One line, centred in the title's height: the line's rectangle is placed here, since not
    // every DrawText centres vertically in a mapping mode whose y grows upwards.
    RECT text = device;
    text.left += metrics.tmAveCharWidth;
    text.right -= metrics.tmAveCharWidth;
    const int down = at.sign;  // the direction of the page's "down" in the DC's y
    const long middle = (device.top + device.bottom) / 2;
    text.top = middle - down * (metrics.tmHeight / 2);
    text.bottom = text.top + down * metrics.tmHeight;

    UINT format = DT_SINGLELINE | DT_END_ELLIPSIS;
    Variant alignment;
    THROW_IF_FAILED(layout_.settings->get_TitleAlignment(alignment.Put()));
    if (alignment.vt == VT_BSTR && alignment.bstrVal) {
        const std::wstring value = alignment.bstrVal;
        if (value == L"right") format |= DT_RIGHT;
        if (value == L"center") format |= DT_CENTER;
    }
    OLE_COLOR color = 0;
    THROW_IF_FAILED(layout_.settings->get_TitleFontColor(&color));
    COLORREF textColor = RGB(0, 0, 0);
    ::OleTranslateColor(color, nullptr, &textColor);
    {
        RectangleClip clip(dc, at.origin);
        const COLORREF oldColor = ::SetTextColor(dc, textColor);
        std::wstring title = layout_.title;
        ::DrawTextExW(dc, &title[0], static_cast<int>(title.size()), &text, format, nullptr);
        ::SetTextColor(dc, oldColor);
    }
    if (settings.titleBorder) DrawClippedFrame(dc, device, at.origin);
}

void MapPrintJobInfo::DrawMap(HDC dc, const PageSettings& settings, const PagePlacement& at) {
    if (!Intersect(layout_.mapRect, at.page)) return;
    const RECT device = at.Device(layout_.mapRect);
    {
        RectangleClip clip(dc, at.origin);
        // Without the control or its engine map the frame stands empty.
        platform::ComPtr<IPrintableMap> control;
        platform::ComPtr<IDispatch> mapX, engine;
        if (SUCCEEDED(layout_.mapView->QueryInterface(__uuidof(IPrintableMap), control.PutVoid())) && control &&
            SUCCEEDED(control->get_MapX(mapX.Put())) && mapX &&
            SUCCEEDED(mapX->QueryInterface(ExternalIds::kEngineMapInterface, engine.PutVoid())) && engine) {
            PrintEngineMap(dc, settings, *control.Get(), engine.Get(), device, at.sign);
        }
    }
    if (settings.mapBorder) DrawClippedFrame(dc, device, at.origin);
}

void MapPrintJobInfo::PrintEngineMap(HDC dc, const PageSettings& settings, IPrintableMap& control, IDispatch* engineMap,
                                     const RECT& device, int sign) {
    const EngineDispatch engine(engineMap);
    const ViewHold hold(control);  // ends after the state is put back, however the page ends
    EngineState state(engine, control);
    const long width = device.right - device.left, height = std::labs(device.bottom - device.top);
    const SIZE frame = FramePixels(state.Window(), width, height);

    // The control draws its own layers relative to the map's corner on the page.
    const long unitsPerInch = UnitsPerInch(dc);
    const MapOnPage placed(control, ::MulDiv(device.left, unitsPerInch, 2540),
                           ::MulDiv(sign * device.top, unitsPerInch, 2540));

    // A map of the page's size, centred, or of a custom scale gets the zoom that fills its frame,
    // set once the engine has the frame's size so that the zoom printed is the one computed.
    const bool zoomed = settings.mapSize == kMapSizeCustom ||
                        (settings.mapSize == kMapSizePage && settings.contentCentered == VARIANT_TRUE);
    double printZoom = 0;
    if (zoomed) {
        const bool inches = UsesUsMeasure();
        const long unit = inches ? DistanceUnits::kInch : DistanceUnits::kCentimeter;
        engine.Put(Engine::Map::kPaperUnit, Variant(unit));
        engine.Put(Engine::Map::kDistanceUnit, Variant(unit));
        const double paperWidth = width * (inches ? 0.0003937007874015748 : 0.001);
        if (settings.mapSize == kMapSizePage) {
            printZoom = CenteredZoom(engine.Get(Engine::Map::kZoom).ToDouble(), state.Pixels(), frame);
        } else {
            printZoom = settings.scaleDenominator * paperWidth;
        }
    }
    if (settings.mapSize != kMapSizeWindow && frame.cx > 0 && frame.cy > 0)
        engine.Call(Engine::Map::kSetSize, {Variant(frame.cx), Variant(frame.cy)});
    if (zoomed) engine.Put(Engine::Map::kZoom, Variant(printZoom));
    // The paper units were only the zoom's: the map prints in the user's units, in which its own
    // layers measure their radii and zoom ranges.
    state.RestoreUnits();
    control.ResetViewChangeStage();
    const long hdc = static_cast<long>(reinterpret_cast<LONG_PTR>(dc));
    engine.Call(Engine::Map::kPrintMap,
                {Variant(hdc), Variant(device.left), Variant(sign * device.top), Variant(width), Variant(height)});
    const long unit = engine.Get(Engine::Map::kDistanceUnit).ToLong();
    const double zoom = engine.Get(Engine::Map::kZoom).ToDouble();

    VARIANT_BOOL scaleVisible = VARIANT_FALSE;
    if (infoDisplay_ && SUCCEEDED(control.get_ScaleVisible(&scaleVisible)) && scaleVisible == VARIANT_TRUE) {
        POINT corners[2] = {{device.left, device.top}, {device.right, device.bottom}};
        ::LPtoDP(dc, corners, 2);
        infoDisplay_->Draw(dc, std::labs(corners[1].x - corners[0].x), std::labs(corners[1].y - corners[0].y),
                           corners[0].x, corners[0].y, zoom, unit, false);
    }
    state.RestoreView();
}

void MapPrintJobInfo::DrawLegend(HDC dc, const PageSettings& settings, const PagePlacement& at) {
    if (!settings.printLegend || !layout_.legendView || !Intersect(layout_.legendRect, at.page)) return;
    platform::ComPtr<IHostPrintLegend> legend;
    if (FAILED(layout_.legendView->QueryInterface(IID_IHostPrintLegend, legend.PutVoid())) || !legend) return;
    const RECT device = at.Device(layout_.legendRect);
    {
        RectangleClip clip(dc, at.origin);
        long width = device.right - device.left, height = device.bottom - device.top;
        const long angle = settings.legendPosition;
        if (settings.fixedLegendSize && layout_.fixedLegendExtent > 0) {
            long widthFixed = 0, heightFixed = 0;
            int arrangement = 0;
            if (IsSideAngle(angle) || IsCornerAngle(angle)) {
                width = layout_.fixedLegendExtent;
                widthFixed = -1;
                arrangement = 1;
            }
            if (IsAboveOrBelow(angle) || IsCornerAngle(angle)) {
                height = at.sign * layout_.fixedLegendExtent;
                heightFixed = -1;
                arrangement = 2;
            }
            THROW_IF_FAILED(legend->DrawFixed(dc, device.left, device.top, width, height, widthFixed, heightFixed,
                                              arrangement));
        } else {
            THROW_IF_FAILED(legend->Draw(dc, device.left, device.top, width, height));
        }
    }
    DrawClippedFrame(dc, device, at.origin);
}
