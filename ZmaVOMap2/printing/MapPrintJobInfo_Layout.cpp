// The page layout: the title, the legend and the map are measured on the printer (in 0.01 mm),
// packed into the content rectangle that starts at the top-left margin, and the content is cut
// into sheets of the printable area. A layout that does not fit falls back to the legend below
// the map, then also to the map of the window's size; the settings it changes for a fallback are
// put back before it ends.
#include "ZmaVOMap2/printing/MapPrintJobInfo.h"

#include "ZmaVOMap2/printing/PrintDrawing.h"
#include "ZmaVOMap2/printing/RectanglePacker.h"
#include "platform/Result.h"

#include <algorithm>

namespace {

enum LayoutResult : int { kLaidOut = 0, kCornerLegendDoesNotFit = 1, kDoesNotFit = 2 };

constexpr long kLegendBelow = 270;

// Remembers the settings' map size and legend position, and writes back the ones a fallback
// changed. Restore raises a failure; the destructor (on the way out of a failed layout) cannot.
class FallbackRestorer {
public:
    explicit FallbackRestorer(IMapPrintSettings* settings) : settings_(settings) {
        THROW_IF_FAILED(settings_->get_MapSize(&mapSize_));
        THROW_IF_FAILED(settings_->get_LegendPosition(&legendPosition_));
    }
    ~FallbackRestorer() {
        if (!restored_) {
            try {
                Restore();
            }
            COM_CATCH_LOG();
        }
    }
    FallbackRestorer(const FallbackRestorer&) = delete;
    FallbackRestorer& operator=(const FallbackRestorer&) = delete;

    void Restore() {
        restored_ = true;
        long now = 0;
        THROW_IF_FAILED(settings_->get_MapSize(&now));
        if (now != mapSize_) THROW_IF_FAILED(settings_->put_MapSize(mapSize_));
        THROW_IF_FAILED(settings_->get_LegendPosition(&now));
        if (now != legendPosition_) THROW_IF_FAILED(settings_->put_LegendPosition(legendPosition_));
    }

private:
    IMapPrintSettings* settings_;
    long mapSize_ = 0;
    long legendPosition_ = 0;
    bool restored_ = false;
};

// The legend keeps its size in a corner of the map, 1 mm inside it, above the scale block at the
// bottom; it fits when it leaves the map 2 mm of height and 30 mm of width.
bool PlaceCornerLegend(RECT& legend, const RECT& map, long angle) {
    const LONG width = legend.right - legend.left, height = legend.bottom - legend.top;
    legend.left = (angle == 45 || angle == 315) ? map.right - 100 - width : map.left + 100;
    legend.top = (angle == 45 || angle == 135) ? map.top + 100 : map.bottom - 1500 - height;
    legend.right = legend.left + width;
    legend.bottom = legend.top + height;
    return height <= (map.bottom - map.top) - 200 && width <= (map.right - map.left) - 3000;
}

}  // namespace

struct MapPrintJobInfo::PartSizes {
    SIZE title, legend, map;
};

bool MapPrintJobInfo::LayoutPage() {
    if (!printer_ || !devMode_) return false;
    platform::UniqueCreatedDC dc(CreatePrinterDC(printerName_, devMode_.Get()));
    if (!dc || !layout_.mapView || !layout_.settings) return false;
    IMapPrintSettings* settings = layout_.settings.Get();
    const int screenDpi = ScreenPixelsPerInchY();
    MapModeScope mode(dc.Get(), MM_HIMETRIC);
    TitleFontScope font(dc.Get(), settings, screenDpi);
    platform::SelectObjectRestorer useFont(dc.Get(), font.Font());
    // Without a legend nothing is measured or placed: the parts keep their earlier rectangles.
    if (!layout_.legendView) return true;

    FallbackRestorer restorer(settings);
    int result = LayoutPass(dc.Get());
    if (result == kCornerLegendDoesNotFit) {
        THROW_IF_FAILED(settings->put_LegendPosition(kLegendBelow));
        result = LayoutPass(dc.Get());
    }
    if (result == kDoesNotFit) {
        THROW_IF_FAILED(settings->put_MapSize(kMapSizeWindow));
        THROW_IF_FAILED(settings->put_LegendPosition(kLegendBelow));
        LayoutPass(dc.Get());
    }

    // In a mapping mode whose y grows upwards the parts lie below the origin.
    if (::GetMapMode(dc.Get()) != MM_TEXT) {
        for (RECT* r : {&layout_.titleRect, &layout_.mapRect, &layout_.legendRect}) *r = Signed(*r, -1);
    }
    // A map narrower than the title above or below a legend is centred under the title.
    long angle = 0;
    THROW_IF_FAILED(settings->get_LegendPosition(&angle));
    RECT& map = layout_.mapRect;
    const RECT& title = layout_.titleRect;
    if (map.right - map.left < title.right - title.left && IsAboveOrBelow(angle))
        ::OffsetRect(&map, ((title.right - map.right) - title.left + map.left) / 2, 0);
    restorer.Restore();
    return true;
}

int MapPrintJobInfo::LayoutPass(HDC dc) {
    PageSettings page = PageSettings::Read(layout_.settings.Get());
    if (layout_.mapExtentGiven) {
        page.width = layout_.mapExtent.cx;
        page.height = layout_.mapExtent.cy;
    }
    layout_.UpdatePrintableArea(page);
    const long angle = page.legendPosition;
    const PartSizes sizes = MeasureParts(dc, page, angle);
    layout_.titleRect = {0, 0, sizes.title.cx, sizes.title.cy};
    layout_.legendRect = {0, 0, sizes.legend.cx, sizes.legend.cy};
    layout_.mapRect = {0, 0, sizes.map.cx, sizes.map.cy};

    const long width = sizes.title.cx;
    const long height = sizes.title.cy + (IsSideAngle(angle) ? std::max(sizes.legend.cy, sizes.map.cy) : sizes.map.cy) +
                        (IsAboveOrBelow(angle) ? sizes.legend.cy : 0);
    layout_.contentRect = Normalised({page.leftMargin, page.topMargin, page.leftMargin + width, page.topMargin + height});

    RectanglePacker packer(layout_.contentRect);
    std::vector<RECT*> packed;
    auto add = [&](RECT& part, unsigned flags) {
        if (packer.Add(part, flags)) packed.push_back(&part);
    };
    if (page.printTitle && page.titleAbove) add(layout_.titleRect, RectanglePacker::kRow);
    if (!page.printLegend || IsCornerAngle(angle)) {
        add(layout_.mapRect, RectanglePacker::kColumn);
    } else if (angle == 90 || angle == 180) {
        add(layout_.legendRect, RectanglePacker::kColumn);
        add(layout_.mapRect, RectanglePacker::kColumn);
    } else if (angle == 0 || angle == 270) {
        add(layout_.mapRect, RectanglePacker::kColumn);
        add(layout_.legendRect, RectanglePacker::kColumn);
    }
    if (page.printTitle && !page.titleAbove) add(layout_.titleRect, RectanglePacker::kColumn);
    const int packResult = packer.Pack();
    for (size_t i = 0; i < packed.size(); ++i) *packed[i] = packer.Entry(i);
    if (packResult != RectanglePacker::kPacked) return kDoesNotFit;

    layout_.gridNeeded = true;
    layout_.UpdateGrid();
    if (page.printLegend && IsCornerAngle(angle))
        return PlaceCornerLegend(layout_.legendRect, layout_.mapRect, angle) ? kLaidOut : kCornerLegendDoesNotFit;
    return kLaidOut;
}

MapPrintJobInfo::PartSizes MapPrintJobInfo::MeasureParts(HDC dc, const PageSettings& page, long angle) {
    PartSizes s = {};
    if (page.printTitle) {
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc, &metrics);
        SIZE text = {};
        ::GetTextExtentPoint32W(dc, layout_.title.c_str(), static_cast<int>(layout_.title.size()), &text);
        s.title = {text.cx + 2 * metrics.tmAveCharWidth, text.cy + metrics.tmHeight / 2};
    }
    const long printableWidth = layout_.printableWidth, printableHeight = layout_.printableHeight;
    s.legend = MeasureLegend(dc, page, angle, {printableWidth, printableHeight - s.title.cy});

    if (page.mapSize == kMapSizePage) {
        s.title.cx = printableWidth;
        // The map takes the room the title and the legend leave, or the part of it that has the
        // shape of the settings' width and height.
        auto fill = [&](SIZE legend) {
            SIZE room = {printableWidth - (IsSideAngle(angle) ? legend.cx : 0),
                         printableHeight - s.title.cy - (IsAboveOrBelow(angle) ? legend.cy : 0)};
            if (page.contentCentered != VARIANT_FALSE) return room;
            if (page.width <= 0 || page.height <= 0 || room.cx <= 0 || room.cy <= 0) return room;
            if (static_cast<double>(room.cx) / room.cy >= static_cast<double>(page.width) / page.height)
                return SIZE{::MulDiv(page.width, room.cy, page.height), room.cy};
            return SIZE{room.cx, ::MulDiv(page.height, room.cx, page.width)};
        };
        s.map = fill(s.legend);
        const SIZE smallest = GetDefaultSize();
        if (s.map.cx < smallest.cx || s.map.cy < smallest.cy) s.map = fill({0, 0});
    } else {
        s.map = {page.width, page.height};
    }
    if (page.printTitle) s.title.cx = std::max(s.title.cx, s.map.cx);

    if (IsCornerAngle(angle)) {
        platform::ComPtr<IHostPrintLegend> legend;
        if (FAILED(layout_.legendView->QueryInterface(IID_IHostPrintLegend, legend.PutVoid())))
            platform::ThrowHr(E_POINTER);
        THROW_IF_FAILED(legend->SetArrangement(2));
        s.legend = MeasureLegend(dc, page, angle, s.map);
        s.title.cx = s.map.cx;
    } else if (IsSideAngle(angle)) {
        s.legend.cy = std::max(s.map.cy, s.legend.cy);
        s.title.cx = s.legend.cx + s.map.cx;
    } else if (IsAboveOrBelow(angle)) {
        s.legend.cx = std::max({s.legend.cx, s.map.cx, s.title.cx});
        s.title.cx = s.legend.cx;
    }
    return s;
}

SIZE MapPrintJobInfo::MeasureLegend(HDC dc, const PageSettings& page, long angle, SIZE space) {
    platform::ComPtr<IHostPrintLegend> legend;
    if (!layout_.legendView || FAILED(layout_.legendView->QueryInterface(IID_IHostPrintLegend, legend.PutVoid())))
        platform::ThrowHr(E_POINTER);
    SIZE size = {0, 0};
    if (page.printLegend) {
        if (IsSideAngle(angle)) {
            size.cy = space.cy;
            THROW_IF_FAILED(legend->SetArrangement(1));
        } else if (IsCornerAngle(angle) || IsAboveOrBelow(angle)) {
            size.cx = space.cx;
            THROW_IF_FAILED(legend->SetArrangement(2));
        }
    }
    THROW_IF_FAILED(legend->Measure(dc, &size.cx, &size.cy));
    if (layout_.fixedLegendExtent > 0 && page.fixedLegendSize && page.printLegend) {
        if (IsSideAngle(angle) || IsCornerAngle(angle)) {
            size.cx = layout_.fixedLegendExtent;
            THROW_IF_FAILED(legend->SetArrangement(1));
        }
        if (IsAboveOrBelow(angle) || IsCornerAngle(angle)) {
            size.cy = layout_.fixedLegendExtent;
            THROW_IF_FAILED(legend->SetArrangement(2));
        }
    }
    return size;
}
