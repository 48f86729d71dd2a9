#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"

#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

// The widest coordinates text the screen box must hold.
constexpr wchar_t kScreenSample[] = L"  -9,999,999,999 Meters, -9,999,999,999 Meters   ";
// The widest degrees text, for boxes on printers and images.
constexpr wchar_t kPrintSample[] = L"  -179 59'59.99\" Lon, -179 59'59.99\" Lat  ";

// Scale units: two groups (imperial, metric), each from its largest unit down. `factor` is how
// many of this unit make one of the row above; -1 marks the top of a group.
struct ScaleUnit {
    long code;
    const char* plural;
    const char* singular;
    long factor;
};
constexpr int kUnitsPerGroup = 4;
constexpr ScaleUnit kScaleUnits[2][kUnitsPerGroup] = {
    {{0, "Miles", "Mile", -1}, {4, "Yards", "Yard", 1760}, {3, "Feet", "Foot", 3}, {2, "Inches", "Inch", 12}},
    {{1, "Km", "Km", -1}, {7, "m", "m", 1000}, {6, "cm", "cm", 100}, {5, "mm", "mm", 10}},
};

// Ties go to the even neighbour, so that a bar of 2.5 units reads 2, not 3.
long RoundEven(double v) { return std::lrint(v); }

int FontHeightForPoints(HDC dc, int points) { return -::MulDiv(points, ::GetDeviceCaps(dc, LOGPIXELSY), 72); }

HFONT MakeArial(int height) {
    LOGFONTW face = {};
    face.lfHeight = height;
    face.lfWeight = FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(face.lfFaceName, L"Arial");
    return ::CreateFontIndirectW(&face);
}

SIZE TextSize(HDC dc, const wchar_t* text, size_t length) {
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text, static_cast<int>(length), &size);
    return size;
}

// The degree sign does not exist in the ANSI code pages of these languages.
bool UsesDegreeSign() {
    switch (PRIMARYLANGID(::GetSystemDefaultLangID())) {
    case LANG_ARABIC: case LANG_CHINESE: case LANG_JAPANESE: case LANG_KOREAN: return false;
    default: return true;
    }
}

// The text of a locale setting; `fallback` when the locale has none.
std::string LocaleText(LCTYPE type, const char* fallback) {
    char buf[16] = {};
    return ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf) > 0 ? std::string(buf) : std::string(fallback);
}

}  // namespace

CZmaVadAZInfoDisplay::CZmaVadAZInfoDisplay() {
    platform::UniqueCreatedDC display(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!display) return;
    screenFont_.Reset(MakeArial(FontHeightForPoints(display.Get(), 8)));
    platform::SelectObjectRestorer select(display.Get(), screenFont_.Get());
    ::GetTextMetricsW(display.Get(), &screenMetrics_);
    const SIZE sample = TextSize(display.Get(), kScreenSample, wcslen(kScreenSample));
    boxWidth_ = sample.cx;
    secondWidth_ = boxWidth_;
    lowerHeight_ = (screenMetrics_.tmHeight * 3) / 4 + sample.cy;
    boxHeight_ = screenMetrics_.tmHeight / 4 + lowerHeight_;
}

void CZmaVadAZInfoDisplay::UpdateCoordinates(double mapX, double mapY, HDC dc, long width, long height, long left,
                                             long top, double zoom, long distanceUnit) {
    if (!showCoordinates_) return;
    mapX_ = mapX;
    mapY_ = mapY;
    std::wstring text = FormatCoordinates(mapX, mapY, coordinateFormat_);
    if (text == coordinatesText_) return;
    coordinatesText_ = std::move(text);
    coordinatesOnly_ = true;
    platform::ScopeExit reset([this] { coordinatesOnly_ = false; });
    Draw(dc, width, height, left, top, zoom, distanceUnit, false);
}

void CZmaVadAZInfoDisplay::SetMode(bool showCoordinates, HWND window, long width, long height, long left, long top) {
    showCoordinates_ = showCoordinates;
    coordinatesOnly_ = false;
    coordinatesText_ = FormatCoordinates(0.0, 0.0, coordinateFormat_);
    RecalculateAndInvalidate(window, width, height, left, top);
}

void CZmaVadAZInfoDisplay::Invalidate(bool showScaleBar, HWND window, long width, long height, long left, long top) {
    showScaleBar_ = showScaleBar;
    coordinatesOnly_ = false;
    RecalculateAndInvalidate(window, width, height, left, top);
}

void CZmaVadAZInfoDisplay::RecalculateAndInvalidate(HWND window, long width, long height, long left, long top) {
    if (!window) return;
    const RECT box = GetBoxRect(width, height, left, top);
    ::InvalidateRect(window, &box, TRUE);
}

RECT CZmaVadAZInfoDisplay::GetBoxRect(long /*width*/, long height, long left, long top) const {
    RECT box;
    box.left = left + screenMetrics_.tmAveCharWidth;
    box.bottom = top + height - screenMetrics_.tmHeight / 2;
    box.top = box.bottom - screenMetrics_.tmHeight / 2 - lowerHeight_ - std::max(boxHeight_, lowerHeight_);
    box.right = box.left + std::max(secondWidth_, boxWidth_);
    return box;
}

void CZmaVadAZInfoDisplay::Draw(HDC dc, long width, long height, long left, long top, double zoom, long distanceUnit,
                                bool exporting) {
    if (!dc || (!showScaleBar_ && !showCoordinates_)) return;
    const bool screen =
        ::GetObjectType(dc) == OBJ_DC && ::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY && !exporting;
    if (!screen && !showScaleBar_) return;

    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    const COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));

    // On printers and images the font follows the device's resolution, so the boxes keep their
    // size on paper.
    platform::UniqueHFont printFont;
    int oldMapMode = 0;
    HGDIOBJ oldFont = nullptr;
    TEXTMETRICW metrics = screenMetrics_;
    long boxWidth = boxWidth_;
    long boxHeight = boxHeight_;
    if (!screen) {
        ::SetViewportOrgEx(dc, 0, 0, nullptr);
        int fontHeight = FontHeightForPoints(dc, 8);
        if (::GetObjectType(dc) == OBJ_MEMDC && !exporting) {
            SIZE extent = {};
            ::GetViewportExtEx(dc, &extent);
            const long s = extent.cx < extent.cy ? extent.cx * 5 / 19 : extent.cx / 6;
            fontHeight = boxWidth_ ? -static_cast<int>((boxHeight_ * s) / (2 * boxWidth_)) : 0;
        }
        printFont.Reset(MakeArial(fontHeight));
        oldMapMode = ::SetMapMode(dc, MM_TEXT);
        oldFont = ::SelectObject(dc, printFont.Get());
        ::GetTextMetricsW(dc, &metrics);
        const SIZE sample = TextSize(dc, kPrintSample, wcslen(kPrintSample));
        boxWidth = sample.cx;
        boxHeight = metrics.tmHeight + sample.cy;
    } else if (screenFont_) {
        oldFont = ::SelectObject(dc, screenFont_.Get());
    }

    const UINT oldAlign = ::SetTextAlign(dc, TA_TOP | TA_LEFT);
    long y = top + height - metrics.tmHeight / 2;
    const long boxLeft = left + metrics.tmAveCharWidth;
    const long target = boxWidth * 8 / 10;

    if (screen && showCoordinates_) {
        coordinateBarTarget_ = width && zoom != 0.0 ? RoundEven(target * zoom / width * width / zoom) : 0;
        ::Rectangle(dc, boxLeft, y - boxHeight, boxLeft + boxWidth, y);
        const SIZE text = TextSize(dc, coordinatesText_.c_str(), coordinatesText_.size());
        ::TextOutW(dc, boxLeft + (boxWidth - text.cx) / 2, y - boxHeight + (boxHeight - text.cy) / 2,
                   coordinatesText_.c_str(), static_cast<int>(coordinatesText_.size()));
        y = y - boxHeight - metrics.tmHeight / 2;
    }

    if (showScaleBar_ && !coordinatesOnly_) {
        scaleBarLength_ = target;
        FormatScaleBar(width, zoom, distanceUnit);
        const int labelLength = static_cast<int>(strlen(scaleBarLabel_));
        ::GetTextExtentPoint32A(dc, scaleBarLabel_, labelLength, &scaleBarLabelSize_);
        ::Rectangle(dc, boxLeft, y - boxHeight, boxLeft + boxWidth, y);
        const long q = metrics.tmHeight / 4;
        ::TextOutA(dc, boxLeft + (boxWidth - scaleBarLabelSize_.cx) / 2, y - boxHeight + q, scaleBarLabel_,
                   labelLength);
        if (scaleBarLength_ != -1) {
            const long lineY = y - boxHeight + q + scaleBarLabelSize_.cy + metrics.tmHeight / 8;
            const long x1 = boxLeft + (boxWidth - scaleBarLength_) / 2;
            const long x2 = x1 + scaleBarLength_;
            ::MoveToEx(dc, x1, lineY, nullptr);
            ::LineTo(dc, x2, lineY);
            ::MoveToEx(dc, x1, lineY - q, nullptr);
            ::LineTo(dc, x1, lineY + q);
            ::MoveToEx(dc, x2, lineY - q, nullptr);
            ::LineTo(dc, x2, lineY + q);
        }
    }

    ::SetTextAlign(dc, oldAlign);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    if (oldFont) ::SelectObject(dc, oldFont);
    if (!screen) ::SetMapMode(dc, oldMapMode);
}

std::wstring CZmaVadAZInfoDisplay::FormatCoordinates(double x, double y, int format) {
    std::wstring text = L"  ";
    if (format == kDecimalDegrees || format == kDegreesMinutesSeconds) {
        const bool decimal = format == kDecimalDegrees;
        text += FormatAngle(x, decimal) + L" Lon, " + FormatAngle(y, decimal) + L" Lat  ";
    } else {
        text += FormatNumber(static_cast<int>(RoundEven(x))) + L" Meters, " +
                FormatNumber(static_cast<int>(RoundEven(y))) + L" Meters";
    }
    return text;
}

std::wstring CZmaVadAZInfoDisplay::FormatAngle(double value, bool decimal) {
    if (decimal) return platform::ToWide(platform::FormatFixed(value, 6));
    // Work on the magnitude and put the sign in front: truncating -0.5 to degrees gives 0, which
    // would lose it. Seconds are rounded to what is printed first, so 59.999 carries into the
    // minutes instead of showing as 60.00.
    const double magnitude = std::fabs(value);
    long long degrees = static_cast<long long>(magnitude);
    const double minutesFraction = (magnitude - static_cast<double>(degrees)) * 60.0;
    long minutes = static_cast<long>(minutesFraction);
    long long hundredths = std::llround((minutesFraction - minutes) * 60.0 * 100.0);
    if (hundredths >= 6000) {
        hundredths -= 6000;
        ++minutes;
    }
    if (minutes >= 60) {
        minutes -= 60;
        ++degrees;
    }
    const bool negative = value < 0 && (degrees != 0 || minutes != 0 || hundredths != 0);
    const wchar_t degreeSign = UsesDegreeSign() ? L'\u00B0' : L' ';
    return (negative ? L"-" : L"") + std::to_wstring(degrees) + degreeSign + std::to_wstring(minutes) + L'\'' +
           platform::ToWide(platform::FormatFixed(static_cast<double>(hundredths) / 100.0, 2)) + L'"';
}

std::wstring CZmaVadAZInfoDisplay::FormatNumber(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", value);

    std::string decimalSeparator = LocaleText(LOCALE_SDECIMAL, ".");
    std::string thousandSeparator = LocaleText(LOCALE_STHOUSAND, ",");
    NUMBERFMTA format = {};
    format.NumDigits = 0;
    format.LeadingZero = std::atoi(LocaleText(LOCALE_ILZERO, "1").c_str());
    format.Grouping = std::atoi(LocaleText(LOCALE_SGROUPING, "3").c_str());  // "3;0" gives 3
    format.lpDecimalSep = &decimalSeparator[0];
    format.lpThousandSep = &thousandSeparator[0];
    format.NegativeOrder = std::atoi(LocaleText(LOCALE_INEGNUMBER, "1").c_str());

    char formatted[64] = {};
    if (::GetNumberFormatA(LOCALE_USER_DEFAULT, 0, digits, &format, formatted, sizeof formatted) == 0)
        return platform::ToWide(digits);
    return platform::ToWide(formatted);
}

void CZmaVadAZInfoDisplay::FormatScaleBar(long width, double zoom, long units) {
    int group = -1;
    int row = 0;
    for (int g = 0; g < 2 && group < 0; ++g)
        for (int i = 0; i < kUnitsPerGroup; ++i)
            if (kScaleUnits[g][i].code == units) {
                group = g;
                row = i;
                break;
            }
    if (group < 0) {
        scaleBarLength_ = -1;
        std::snprintf(scaleBarLabel_, sizeof scaleBarLabel_, "%s", "Error - missing scale units");
        return;
    }
    if (width <= 0) {  // no drawing target yet: nothing to measure against
        scaleBarLength_ = -1;
        scaleBarLabel_[0] = '\0';
        return;
    }
    const ScaleUnit* units4 = kScaleUnits[group];

    // v: the distance the target length covers; z: the zoom, both in the current row's unit.
    double v = scaleBarLength_ * zoom / width;
    double z = zoom;
    if (v >= 1.0) {
        while (units4[row].factor != -1 && v >= units4[row].factor) {
            v /= units4[row].factor;
            z /= units4[row].factor;
            --row;
        }
    } else if (row < kUnitsPerGroup - 1) {
        do {
            ++row;
            v *= units4[row].factor;
            z *= units4[row].factor;
        } while (v <= 1.0 && row < kUnitsPerGroup - 1);
    }

    double value;
    if (v >= 1.0) {
        const long step = v > 200 ? 50 : v > 100 ? 10 : v > 10 ? 5 : 1;
        long n = RoundEven(v);
        n -= n % step;
        if (n == 1)
            std::snprintf(scaleBarLabel_, sizeof scaleBarLabel_, "1 %s", units4[row].singular);
        else
            std::snprintf(scaleBarLabel_, sizeof scaleBarLabel_, "%ld %s", n, units4[row].plural);
        value = static_cast<double>(n);
    } else {
        const long k = RoundEven(v * 100.0);
        if (k == 0) {
            scaleBarLength_ = -1;
            std::snprintf(scaleBarLabel_, sizeof scaleBarLabel_, "%s", "Error - scale too small");
            return;
        }
        value = k * 0.01;
        std::snprintf(scaleBarLabel_, sizeof scaleBarLabel_, "%s %s", platform::FormatFixed(value, 2).c_str(),
                      units4[row].singular);
    }
    scaleBarLength_ = RoundEven(value * width / z);
}
