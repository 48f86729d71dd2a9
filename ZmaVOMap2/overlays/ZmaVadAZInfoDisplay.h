// The info display: two small boxes in the bottom-left corner of the map, the cursor's
// coordinates (screen only) and a scale bar with a rounded length and its unit (screen, printouts
// and exported images). Drawn with plain GDI so that printers and metafiles get the same output.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

class CZmaVadAZInfoDisplay {
public:
    // Coordinate formats.
    enum : int { kDecimalDegrees = 0, kDegreesMinutesSeconds = 1 };  // any other value: metres

    // Measures the box sizes with the 8-point screen font on the display.
    CZmaVadAZInfoDisplay();
    virtual ~CZmaVadAZInfoDisplay() = default;
    CZmaVadAZInfoDisplay(const CZmaVadAZInfoDisplay&) = delete;
    CZmaVadAZInfoDisplay& operator=(const CZmaVadAZInfoDisplay&) = delete;

    // Called on mouse moves with the map point under the cursor. While coordinates are shown, a
    // changed text redraws the coordinates box alone into `dc`.
    void UpdateCoordinates(double mapX, double mapY, HDC dc, long width, long height, long left, long top, double zoom,
                           long distanceUnit);
    // Draws the boxes into a drawing target (width, height, left, top of the target). `zoom` is the
    // width of the view in `distanceUnit`. Only a screen device context that is not being exported
    // gets the coordinates box.
    void Draw(HDC dc, long width, long height, long left, long top, double zoom, long distanceUnit,
              bool exporting = false);
    void RecalculateAndInvalidate(HWND window, long width, long height, long left, long top);
    // Shows or hides the coordinates; the text restarts at position (0, 0).
    void SetMode(bool showCoordinates, HWND window, long width, long height, long left, long top);
    // Shows or hides the scale bar.
    void Invalidate(bool showScaleBar, HWND window, long width, long height, long left, long top);
    // Takes effect with the next mouse move or SetMode.
    void SetCoordinateFormat(int format) noexcept { coordinateFormat_ = format; }
    // The area both boxes can cover inside the drawing target.
    RECT GetBoxRect(long width, long height, long left, long top) const;

    bool ShowsScaleOrCoordinates() const noexcept { return showScaleBar_ || showCoordinates_; }
    bool ShowsScaleBar() const noexcept { return showScaleBar_; }
    bool ShowsCoordinates() const noexcept { return showCoordinates_; }
    // 0 decimal degrees, 1 degrees-minutes-seconds, any other value metres.
    int CoordinateFormat() const noexcept { return coordinateFormat_; }

    double LastMapX() const noexcept { return mapX_; }
    double LastMapY() const noexcept { return mapY_; }
    const std::wstring& CoordinatesText() const noexcept { return coordinatesText_; }

    // The scale bar after the last FormatScaleBar: its length in pixels (-1 for no bar) and label.
    long ScaleBarLength() const noexcept { return scaleBarLength_; }
    const char* ScaleBarLabel() const noexcept { return scaleBarLabel_; }

    static std::wstring FormatCoordinates(double x, double y, int format);
    static std::wstring FormatAngle(double value, bool decimal);
    // The number with the user's digit grouping, no decimals.
    static std::wstring FormatNumber(int value);
    // Chooses a round length close to the target bar length (which ScaleBarLength holds before the
    // call) in the largest unit of the unit's group that fits, and sets the bar length and label.
    void FormatScaleBar(long width, double zoom, long units);
    // For callers that only need the figures: the target bar length in pixels before formatting.
    void SetScaleBarTarget(long pixels) noexcept { scaleBarLength_ = pixels; }

private:
    double mapX_ = 0;
    double mapY_ = 0;
    std::wstring coordinatesText_;
    platform::UniqueHFont screenFont_;
    TEXTMETRICW screenMetrics_ = {};
    long boxWidth_ = 0;     // W0
    long boxHeight_ = 0;    // H1
    long secondWidth_ = 0;  // W2
    long lowerHeight_ = 0;  // H3
    long coordinateBarTarget_ = 0;
    long scaleBarLength_ = -1;
    char scaleBarLabel_[40] = {};
    SIZE scaleBarLabelSize_ = {};
    bool showScaleBar_ = true;
    bool showCoordinates_ = false;
    bool coordinatesOnly_ = false;
    int coordinateFormat_ = kDecimalDegrees;
};
