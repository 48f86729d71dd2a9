// Drawing helpers of the print job: a mapping mode for a scope, the title font scaled to a
// device context, the clip of a page's printable area and the frames around printed parts.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <windows.h>
#include <olectl.h>

// Logical units per inch of the DC's mapping mode along one axis (device pixels in MM_TEXT, 72 for
// the modes with no fixed unit).
long UnitsPerInch(HDC dc, int axisCaps = LOGPIXELSY);
int ScreenPixelsPerInchY();

// Sets a mapping mode and puts the previous one back at scope end.
class MapModeScope {
public:
    MapModeScope(HDC dc, int mode) noexcept : dc_(dc), old_(::SetMapMode(dc, mode)) {}
    ~MapModeScope() { if (old_) ::SetMapMode(dc_, old_); }
    MapModeScope(const MapModeScope&) = delete;
    MapModeScope& operator=(const MapModeScope&) = delete;

private:
    HDC dc_;
    int old_;
};

// The settings' title font, sized for the DC's logical units for the scope: its point size is
// multiplied by the DC's units per inch over the screen's pixels per inch, and the exact size it
// had is put back at scope end. A failure to read or change the size is raised.
class TitleFontScope {
public:
    TitleFontScope(HDC dc, IMapPrintSettings* settings, int screenPixelsPerInch);
    ~TitleFontScope();
    TitleFontScope(const TitleFontScope&) = delete;
    TitleFontScope& operator=(const TitleFontScope&) = delete;

    // Owned by the font object; valid for the scope.
    HFONT Font() const noexcept { return font_; }

private:
    platform::ComPtr<IFont> object_;
    CY original_ = {};
    bool resized_ = false;
    HFONT font_ = nullptr;
};

// Clips drawing to a rectangle (intersected with the clip in force) until the scope ends, when
// the DC has no clip again.
class RectangleClip {
public:
    RectangleClip(HDC dc, const RECT& clip) noexcept;
    ~RectangleClip() { ::SelectClipRgn(dc_, nullptr); }
    RectangleClip(const RectangleClip&) = delete;
    RectangleClip& operator=(const RectangleClip&) = delete;

private:
    HDC dc_;
};

RECT Normalised(const RECT& r);
bool Intersect(const RECT& a, const RECT& b);
// Top and bottom multiplied by `sign`.
RECT Signed(const RECT& r, int sign);

// A thin black frame around `r`, drawn only where its edges lie within `clip`, each edge cut to it.
void DrawClippedFrame(HDC dc, const RECT& r, const RECT& clip);
