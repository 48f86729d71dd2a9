#include "ZmaVOMap2/printing/MapPageLayout.h"

#include "platform/Result.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

bool Flag(IMapPrintSettings* s, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(VARIANT_BOOL*)) {
    VARIANT_BOOL value = VARIANT_FALSE;
    THROW_IF_FAILED((s->*get)(&value));
    return value != VARIANT_FALSE;
}

long Number(IMapPrintSettings* s, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(long*)) {
    long value = 0;
    THROW_IF_FAILED((s->*get)(&value));
    return value;
}

// The sheets a length needs, at most LONG_MAX.
long Sheets(double length, long sheet) {
    return static_cast<long>(std::min(std::ceil(length / sheet), static_cast<double>(LONG_MAX)));
}

}  // namespace

PageSettings PageSettings::Read(IMapPrintSettings* s) {
    platform::ThrowIfNull(s);
    PageSettings p;
    p.printTitle = Flag(s, &IMapPrintSettings::get_PrintTitle);
    p.titleBorder = Flag(s, &IMapPrintSettings::get_PrintTitleBorder);
    p.titleAbove = Flag(s, &IMapPrintSettings::get_PositionTitleAboveMap);
    p.printLegend = Flag(s, &IMapPrintSettings::get_PrintLegend);
    p.fixedLegendSize = Flag(s, &IMapPrintSettings::get_FixedLegendSize);
    THROW_IF_FAILED(s->get_ContentCentered(&p.contentCentered));
    p.mapBorder = Flag(s, &IMapPrintSettings::get_PrintMapBorder);
    p.leftMargin = Number(s, &IMapPrintSettings::get_LeftMargin);
    p.topMargin = Number(s, &IMapPrintSettings::get_TopMargin);
    p.rightMargin = Number(s, &IMapPrintSettings::get_RightMargin);
    p.bottomMargin = Number(s, &IMapPrintSettings::get_BottomMargin);
    p.legendPosition = Number(s, &IMapPrintSettings::get_LegendPosition);
    p.mapSize = Number(s, &IMapPrintSettings::get_MapSize);
    p.width = Number(s, &IMapPrintSettings::get_Width);
    p.height = Number(s, &IMapPrintSettings::get_Height);
    p.scaleDenominator = Number(s, &IMapPrintSettings::get_ScaleDenominator);
    return p;
}

bool IsCornerAngle(long d) { return d == 45 || d == 135 || d == 225 || d == 315; }
bool IsSideAngle(long d) { return d == 0 || d == 180; }
bool IsAboveOrBelow(long d) { return d == 90 || d == 270; }

bool UsesUsMeasure() {
    wchar_t measure[4] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure, 4) > 0 && measure[0] == L'1' &&
           measure[1] == 0;
}

SIZE GetDefaultSize() { return UsesUsMeasure() ? SIZE{10160, 7620} : SIZE{10000, 7500}; }

void MapPageLayout::UpdatePrintableArea(const PageSettings& page) {
    const long width = paperWidth - page.leftMargin - page.rightMargin;
    const long height = paperHeight - page.topMargin - page.bottomMargin;
    if (width <= 0 || height <= 0) {
        throw platform::ComError(E_INVALIDARG,
                                 L"The margins leave no printable area on the paper (" + std::to_wstring(paperWidth) +
                                     L" x " + std::to_wstring(paperHeight) + L" hundredths of a millimetre)");
    }
    printableWidth = width;
    printableHeight = height;
}

void MapPageLayout::UpdateGrid() {
    if (!(paperChanged || settingsChanged || gridNeeded) || !settings || paperWidth <= 0 || paperHeight <= 0) return;
    UpdatePrintableArea(PageSettings::Read(settings.Get()));
    const double contentWidth = std::fabs(static_cast<double>(contentRect.right) - contentRect.left);
    const double contentHeight = std::fabs(static_cast<double>(contentRect.bottom) - contentRect.top);
    pagesAcross = Sheets(contentWidth, printableWidth);
    pagesDown = Sheets(contentHeight, printableHeight);
    paperChanged = settingsChanged = gridNeeded = false;
}

RECT MapPageLayout::PageRect(long index, const PageSettings& page) const {
    const long across = pagesAcross > 0 ? pagesAcross : 1;
    const long column = index % across, row = index / across;
    RECT r;
    r.left = column * printableWidth + page.leftMargin;
    r.top = row * printableHeight + page.topMargin;
    r.right = r.left + printableWidth;
    r.bottom = r.top + printableHeight;
    return r;
}
