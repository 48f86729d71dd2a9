// The engine's member numbers (DISPIDs), one namespace per engine object, and the only place
// that spells them. The class and interface ids of the engine's objects are EngineIds.h's.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "ZmaVOMap2/engine/EngineConstants.h"

namespace Engine {

// The map object.
namespace Map {
constexpr DISPID kAnnotations = 3;
constexpr DISPID kLayers = 5;
constexpr DISPID kAutoRedraw = 6;
constexpr DISPID kZoom = 7;
constexpr DISPID kCenterX = 8;
constexpr DISPID kCenterY = 9;
constexpr DISPID kPaperHeight = 12;
constexpr DISPID kPaperWidth = 13;
constexpr DISPID kPaperUnit = 15;
constexpr DISPID kDefaultStyle = 17;
constexpr DISPID kCurrentTool = 20;
constexpr DISPID kDatasets = 22;
constexpr DISPID kDistanceUnit = 25;
constexpr DISPID kRotation = 26;
constexpr DISPID kAreaUnit = 28;
constexpr DISPID kBounds = 29;
constexpr DISPID kDisplayCoordSys = 30;
constexpr DISPID kNumericCoordSys = 31;
constexpr DISPID kExportSelection = 32;
constexpr DISPID kSelectionStyle = 33;
constexpr DISPID kConvertCoord = 34;
constexpr DISPID kZoomTo = 35;
constexpr DISPID kCreateCustomTool = 36;
constexpr DISPID kDistance = 37;
constexpr DISPID kPrintMap = 38;  // hdc, x, y, width, height in 0.01 mm
constexpr DISPID kExportMap = 39;
constexpr DISPID kSetSize = 42;  // width, height in pixels
constexpr DISPID kFeatureFactory = 49;
constexpr DISPID kScreenWidth = 53;
constexpr DISPID kScreenHeight = 54;
constexpr DISPID kRedrawInterval = 55;
constexpr DISPID kSearchPath = 56;
constexpr DISPID kInfotipSupport = 63;
constexpr DISPID kRefresh = -550;
constexpr DISPID kWindowHandle = -515;  // DISPID_HWND
}  // namespace Map

// The map's layer list; positions run from 1 at the top.
namespace Layers {
constexpr DISPID kCount = 1;
constexpr DISPID kClearSelection = 2;
constexpr DISPID kMove = 3;  // from, to (16-bit positions)
constexpr DISPID kAdd = 4;
constexpr DISPID kAddUserDrawLayer = 8;  // name, position (16-bit)
constexpr DISPID kItem = 6;
constexpr DISPID kRemove = 7;
constexpr DISPID kCreateLayer = 10;
constexpr DISPID kRemoveAll = 14;
constexpr DISPID kInsertionLayer = 15;
}  // namespace Layers

// A layer of the map.
namespace Layer {
constexpr DISPID kName = 1;
constexpr DISPID kVisible = 2;
constexpr DISPID kSelectable = 3;
constexpr DISPID kFileSpec = 4;
constexpr DISPID kLabelProperties = 5;
constexpr DISPID kAutoLabel = 6;
constexpr DISPID kZoomLayering = 7;
constexpr DISPID kOverrideStyle = 8;
constexpr DISPID kStyle = 9;
constexpr DISPID kZoomMin = 10;
constexpr DISPID kZoomMax = 11;
constexpr DISPID kSelection = 12;
constexpr DISPID kPredominantFeatureType = 13;
constexpr DISPID kFind = 14;
constexpr DISPID kType = 15;
constexpr DISPID kAddFeature = 21;
constexpr DISPID kDeleteFeature = 22;
constexpr DISPID kInvalidate = 23;
constexpr DISPID kAllFeatures = 26;  // a property
constexpr DISPID kBounds = 32;
constexpr DISPID kDrawLabelsAfter = 37;
constexpr DISPID kBeginAccess = 41;
constexpr DISPID kEndAccess = 42;
constexpr DISPID kEditable = 46;
constexpr DISPID kFeatureByKey = 47;
}  // namespace Layer

// A layer's label properties (its property 5).
namespace Labels {
constexpr DISPID kStyle = 1;
constexpr DISPID kVisible = 2;
constexpr DISPID kLabelZoom = 3;
constexpr DISPID kLabelZoomMin = 4;
constexpr DISPID kLabelZoomMax = 5;
constexpr DISPID kLineType = 6;
constexpr DISPID kOffset = 7;
constexpr DISPID kParallel = 8;
constexpr DISPID kDataset = 9;
constexpr DISPID kDuplicate = 10;
constexpr DISPID kOverlap = 11;
constexpr DISPID kLabelMax = 12;
constexpr DISPID kDataField = 13;
constexpr DISPID kPosition = 14;
constexpr DISPID kPartialSegments = 15;
}  // namespace Labels

// The engine's collections: features, a feature's parts and points, fields, datasets.
namespace Collection {
constexpr DISPID kCount = 1;
constexpr DISPID kFeatureItem = 2;
constexpr DISPID kItem = 2;
constexpr DISPID kFieldItem = 3;
constexpr DISPID kDatasetAdd = 2;
constexpr DISPID kDatasetFields = 3;
constexpr DISPID kSearch = 9;
}  // namespace Collection

// A layer's selection: a features collection whose count and item stand at numbers of their own.
namespace Selection {
constexpr DISPID kItem = 0;  // a property: the item at a 1-based position
constexpr DISPID kCount = 65537;
}  // namespace Selection

// An engine dataset (over a layer: the one a table's labels are drawn from).
namespace Dataset {
constexpr DISPID kLayer = 7;
}  // namespace Dataset

namespace Field {
constexpr DISPID kName = 2;
}  // namespace Field

namespace Rectangle {
constexpr DISPID kXMin = 1;
constexpr DISPID kYMin = 2;
constexpr DISPID kXMax = 3;
constexpr DISPID kYMax = 4;
constexpr DISPID kSet = 7;
constexpr DISPID kMove = 8;
}  // namespace Rectangle

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
// The map's selection style reads its member 10 as its fill pattern.
constexpr DISPID kSelectionPattern = 10;
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
// The style dialogs; each answers VARIANT_TRUE when the user chose OK.
constexpr DISPID kPickRegion = 25;
constexpr DISPID kPickLine = 26;
constexpr DISPID kPickText = 27;
constexpr DISPID kPickSymbol = 28;
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

namespace Feature {
constexpr DISPID kType = 2;
constexpr DISPID kCenterX = 4;
constexpr DISPID kCenterY = 5;
constexpr DISPID kStyle = 6;
constexpr DISPID kBounds = 7;
constexpr DISPID kCaption = 8;
constexpr DISPID kParts = 9;
constexpr DISPID kPoint = 12;
constexpr DISPID kKeyValue = 17;
constexpr DISPID kUpdate = 18;
constexpr DISPID kKey = 23;
}  // namespace Feature

// The map's feature factory.
namespace FeatureFactory {
constexpr DISPID kCreateSymbol = 5;  // point, style
constexpr DISPID kCreateText = 8;    // point, text, position, style
constexpr DISPID kCreateCircularRegion = 11;
}  // namespace FeatureFactory

namespace Point {
constexpr DISPID kX = 1;
constexpr DISPID kY = 2;
constexpr DISPID kSet = 3;
}  // namespace Point

namespace Points {
constexpr DISPID kCount = 1;
constexpr DISPID kItem = 2;
}  // namespace Points

namespace CoordSys {
constexpr DISPID kType = 1;
constexpr DISPID kDatum = 2;
// The system's unit code: 7 for a system in metres.
constexpr DISPID kUnits = 3;
constexpr DISPID kBounds = 4;
// Origin longitude (5) to range (13), in the order of the set method's arguments.
constexpr DISPID kFirstParameter = 5;
constexpr DISPID kSet = 15;
constexpr DISPID kPickCoordSys = 16;
constexpr DISPID kClone = 17;
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

// The map's text annotations (its property 3), their items and the items' text graphics.
namespace Annotations {
constexpr DISPID kMapAnnotations = 3;
constexpr DISPID kCount = 2;
constexpr DISPID kItem = 4;
constexpr DISPID kAddText = 6;
constexpr DISPID kRemoveAll = 7;
}  // namespace Annotations

namespace Annotation {
constexpr DISPID kType = 1;
constexpr DISPID kGraphic = 2;
}  // namespace Annotation

namespace TextGraphic {
constexpr DISPID kCaption = 1;
constexpr DISPID kX = 2;
constexpr DISPID kY = 3;
constexpr DISPID kStyle = 5;
}  // namespace TextGraphic

}  // namespace Engine
