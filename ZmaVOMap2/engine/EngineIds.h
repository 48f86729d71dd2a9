// Class and interface identifiers of the outside objects the control creates or listens to, and
// the engine members the control calls by DISPID (those the layers use too are LayerEngine's).
#pragma once

#include "ZmaVOMap2/engine/EngineMembers.h"

#include <windows.h>

namespace ExternalIds {

// The map engine.
inline constexpr CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
inline constexpr IID kEngineEvents = {0x9D6ED198, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
// The engine's point object, made by class for positions handed to the engine.
inline constexpr CLSID kEnginePoint = {0x968303A6, 0x8F18, 0x11D0, {0x87, 0x96, 0x00, 0xAA, 0x00, 0xB7, 0xEF, 0x73}};
// The engine map's own interface, which a printed page asks the map object for.
inline constexpr IID kEngineMapInterface = {0x9D6ED197, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
inline constexpr GUID kEngineTypeLibrary = {0x9D6ED199, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};

// Refused by the control, so that hosts initialise it through IPersistStreamInit.
inline constexpr IID kPersistPropertyBag = {0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

}  // namespace ExternalIds

// Members of the engine's map object (those the layers use too are LayerEngine::Map's).
namespace EngineMap {
using namespace LayerEngine::Map;
constexpr DISPID kAnnotations = 3;
constexpr DISPID kExportMap = 39;
constexpr DISPID kAutoRedraw = 6;
constexpr DISPID kPaperHeight = 12;
constexpr DISPID kPaperWidth = 13;
constexpr DISPID kPaperUnit = 15;
constexpr DISPID kCenterX = 8;
constexpr DISPID kCenterY = 9;
constexpr DISPID kCurrentTool = 20;
constexpr DISPID kBounds = 29;
constexpr DISPID kDisplayCoordSys = 30;
constexpr DISPID kNumericCoordSys = 31;
constexpr DISPID kSelectionStyle = 33;
constexpr DISPID kConvertCoord = 34;
constexpr DISPID kZoomTo = 35;
constexpr DISPID kCreateCustomTool = 36;
constexpr DISPID kDistance = 37;
constexpr DISPID kPrintMap = 38;  // hdc, x, y, width, height in 0.01 mm
constexpr DISPID kSetSize = 42;   // width, height in pixels
constexpr DISPID kScreenWidth = 53;
constexpr DISPID kScreenHeight = 54;
constexpr DISPID kRedrawInterval = 55;
constexpr DISPID kSearchPath = 56;
constexpr DISPID kInfotipSupport = 63;
constexpr DISPID kWindowHandle = -515;  // DISPID_HWND
constexpr DISPID kFeatureFactory = 49;
}  // namespace EngineMap

namespace EngineLayers {
constexpr DISPID kClearSelection = 2;
constexpr DISPID kRemoveAll = 14;
}  // namespace EngineLayers

// The engine map's feature factory.
namespace EngineFeatureFactory {
constexpr DISPID kCreateText = 8;  // point, text, position, style
constexpr DISPID kCreateCircularRegion = 11;
constexpr short kCircleInMapUnits = 1;
}  // namespace EngineFeatureFactory

namespace EngineRectangle {
using namespace LayerEngine::Rectangle;
constexpr DISPID kMove = 8;
}  // namespace EngineRectangle

namespace EngineFeature {
constexpr DISPID kType = 1;
constexpr DISPID kStyle = 2;
constexpr DISPID kCaption = 3;
constexpr DISPID kBounds = 7;
constexpr DISPID kCenterX = 4;
constexpr DISPID kCenterY = 5;
constexpr DISPID kPoint = 6;
constexpr DISPID kKeyValue = 17;
constexpr DISPID kUpdate = 18;
// Feature types.
constexpr long kSymbol = 0;
constexpr long kLine = 1;
constexpr long kRegion = 2;
constexpr long kText = 5;
}  // namespace EngineFeature

// The map's text annotations, their items and the items' text graphics.
namespace EngineAnnotations {
constexpr DISPID kMapAnnotations = 3;  // the map's property that holds them
constexpr DISPID kCount = 2;
constexpr DISPID kItem = 4;
constexpr DISPID kAddText = 6;
constexpr DISPID kRemoveAll = 7;
}  // namespace EngineAnnotations

namespace EngineAnnotation {
constexpr DISPID kType = 1;
constexpr DISPID kGraphic = 2;
constexpr long kTextType = 6;
}  // namespace EngineAnnotation

namespace EngineTextGraphic {
constexpr DISPID kX = 1;
constexpr DISPID kY = 2;
constexpr DISPID kCaption = 3;
constexpr DISPID kStyle = 4;
}  // namespace EngineTextGraphic

namespace EnginePoint {
constexpr DISPID kX = 1;
constexpr DISPID kY = 2;
constexpr DISPID kSet = 3;
}  // namespace EnginePoint

namespace EnginePoints {
constexpr DISPID kCount = 1;
constexpr DISPID kItem = 2;
}  // namespace EnginePoints

namespace EngineCoordSys {
// The system's unit code: 7 for a system in metres.
constexpr DISPID kUnits = 3;
constexpr DISPID kPickCoordSys = 16;
constexpr DISPID kClone = 17;
}  // namespace EngineCoordSys

namespace EngineStyle {
constexpr DISPID kSelectionPattern = 10;
// The style dialogs; each answers VARIANT_TRUE when the user chose OK.
constexpr DISPID kPickSymbol = 25;
constexpr DISPID kPickLine = 26;
constexpr DISPID kPickRegion = 27;
constexpr DISPID kPickText = 28;
}  // namespace EngineStyle
