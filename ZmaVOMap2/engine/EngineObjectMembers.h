// Members of the engine's coordinate system, datum, rectangle and style objects, by DISPID, and
// the class ids of the datum and rectangle objects the settings create.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "ZmaVOMap2/engine/EngineMembers.h"

namespace EngineObjects {

inline constexpr CLSID kDatumClass = {0x9D6ED185, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
inline constexpr CLSID kRectangleClass = {0x4C952040, 0x3331, 0x11D0, {0x87, 0x96, 0x00, 0xAA, 0x00, 0xB7, 0xEF, 0x73}};

namespace CoordSys {
constexpr DISPID kType = 1;
constexpr DISPID kDatum = 2;
constexpr DISPID kUnits = 3;
constexpr DISPID kBounds = 4;
// Origin longitude (5) to range (13), in the order of the set method's arguments.
constexpr DISPID kFirstParameter = 5;
constexpr DISPID kSet = 15;
}  // namespace CoordSys

namespace Datum {
constexpr DISPID kEllipsoid = 1;
constexpr DISPID kShiftX = 2;
constexpr DISPID kShiftY = 3;
constexpr DISPID kShiftZ = 4;
constexpr DISPID kRotateX = 5;
constexpr DISPID kRotateY = 6;
constexpr DISPID kRotateZ = 7;
constexpr DISPID kScaleAdjust = 8;
constexpr DISPID kPrimeMeridian = 9;
constexpr DISPID kMajorAxis = 10;
constexpr DISPID kMinorAxis = 11;
constexpr DISPID kSet = 14;
}  // namespace Datum

namespace Rectangle = LayerEngine::Rectangle;

namespace Style {
constexpr DISPID kSymbolCharacter = 1;
constexpr DISPID kLineColor = 2;
constexpr DISPID kLineStyle = 3;
constexpr DISPID kLineWidth = 4;
constexpr DISPID kRegionColor = 5;
constexpr DISPID kRegionPattern = 6;
constexpr DISPID kRegionBackColor = 7;
constexpr DISPID kRegionBorderStyle = 8;
constexpr DISPID kRegionBorderColor = 9;
constexpr DISPID kRegionBorderWidth = 10;
constexpr DISPID kTextFont = 11;
constexpr DISPID kSymbolFont = 12;
constexpr DISPID kTextFontColor = 13;
constexpr DISPID kTextFontBackColor = 14;
constexpr DISPID kSymbolFontColor = 15;
constexpr DISPID kSymbolFontBackColor = 16;
constexpr DISPID kSymbolFontOpaque = 17;
constexpr DISPID kTextFontOpaque = 18;
constexpr DISPID kSymbolFontHalo = 19;
constexpr DISPID kSymbolFontShadow = 20;
constexpr DISPID kTextFontHalo = 21;
constexpr DISPID kTextFontShadow = 22;
constexpr DISPID kTextFontAllCaps = 23;
constexpr DISPID kTextFontDblSpace = 24;
constexpr DISPID kBitmapTransparent = 33;
constexpr DISPID kBitmapOverrideColor = 34;
constexpr DISPID kBitmapColor = 35;
constexpr DISPID kBitmapName = 36;
constexpr DISPID kBitmapSize = 38;
constexpr DISPID kSymbolFontRotation = 40;
constexpr DISPID kRegionTransparent = 43;
constexpr DISPID kLineInterleaved = 44;
constexpr DISPID kLineWidthUnit = 45;
constexpr DISPID kRegionWidthUnit = 46;
constexpr DISPID kLineSupportsInterleave = 47;
constexpr DISPID kTextFontRotation = 48;
}  // namespace Style

namespace Field {
constexpr DISPID kName = 2;
}  // namespace Field

}  // namespace EngineObjects

namespace EngineObjects {
namespace Feature {
constexpr DISPID kKey = 23;
}  // namespace Feature
}  // namespace EngineObjects

namespace EngineObjects {
// The map's own settings the settings document keeps.
namespace MapSettings {
constexpr DISPID kDefaultStyle = 17;
constexpr DISPID kRotation = 26;
constexpr DISPID kAreaUnit = 28;
constexpr DISPID kExportSelection = 32;
}  // namespace MapSettings
}  // namespace EngineObjects
