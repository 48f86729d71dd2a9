// What every piece of shape code works out from an item: the window pixel of a map position, a
// radius as a map distance and as pixels, the colour, and the angles of a sector.
//
// Radii are distances on the ground: a number is taken in the map's distance unit; a text is a
// number followed by a unit ("1.5 km", "1500m", "2 miles"), or a bare number in the map's unit.
// Texts are converted with the host's unit converter.
#pragma once

#include "ZmaVOMap2/shapes/ShapeGeometry.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

// The window pixel of a map position, truncated toward zero. No map: E_UNEXPECTED.
POINT MapToScreenPoint(IDispatch* map, double latitude, double longitude);
// The same in double precision, for positions too far out for 32 bits.
PixelPoint MapToScreenPixel(IDispatch* map, double latitude, double longitude);
// A map distance as whole pixels at the current view, in double precision: infinite for a
// distance the view cannot hold, never a NaN; 0 and below are only truncated.
double DistanceInPixels(IDispatch* map, double distance);
// DistanceInPixels held within 2^28 either way.
long DistanceToPixels(IDispatch* map, double distance);
// The radius in the map's distance unit. Raises the problem of a text that is not a length in a
// unit the converter knows (see CheckRadius); 0 when the converter is missing for a text that
// needs it, or for a negative text.
double ConvertToUserUnits(IDispatch* map, const VARIANT& length);
long RadiusToPixels(IDispatch* map, const VARIANT& radius);
// A shape's centre and radius on the screen.
PixelCircle ScreenCircle(IDispatch* map, double latitude, double longitude, const VARIANT& radius);

// A radius text read into its number and engine unit code. `unit` is -1 for a bare number (the
// map's own unit).
struct RadiusText {
    double value = 0;
    long unit = -1;
};
// Raises E_INVALIDARG with a description for a text without a number or with a unit the converter
// cannot convert. The unit is the whole word (or words) after the number.
RadiusText ParseRadiusText(const std::string& text);
// Refuses (E_INVALIDARG with a description) a radius that could never be drawn: a text as
// ParseRadiusText does, a value that is no number, and a number that is not finite.
void CheckRadius(const VARIANT& radius);

// The colour of a shape by the host colour rule (layers/HostColour.h); no colour is black.
struct ShapeRgb {
    BYTE red = 0, green = 0, blue = 0;
};
ShapeRgb ShapeColour(const VARIANT& colour);
inline COLORREF ToColorRef(const ShapeRgb& c) { return RGB(c.red, c.green, c.blue); }
// The fill alpha of an opacity from 0 to 1.
BYTE OpacityAlpha(double opacity);

// Shape angles are degrees from north, clockwise. The sweep from start to end; equal angles make
// a full turn.
double DonutSweepAngle(double start, double end);
// GDI+ counts from the positive x axis: north is 270 there.
inline double GdiplusStartAngle(double start) { return start + 270.0; }
// The point at `angle` on the circle of `radius` around `centre`, for GDI's Pie.
POINT RadialPoint(POINT centre, long radius, double angle);
