// The engine members the layers and the layer collection call, by DISPID. With EngineIds.h, the
// only place that spells the engine's member numbers.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace LayerEngine {

namespace Map {
constexpr DISPID kLayers = 5;
constexpr DISPID kZoom = 7;
constexpr DISPID kDatasets = 22;
constexpr DISPID kDistanceUnit = 25;
constexpr DISPID kRefresh = -550;
}  // namespace Map

// The map's layer list; positions run from 1 at the top.
namespace Layers {
constexpr DISPID kCount = 1;
constexpr DISPID kMove = 3;
constexpr DISPID kAdd = 4;
constexpr DISPID kAddUserDrawLayer = 5;
constexpr DISPID kItem = 6;
constexpr DISPID kRemove = 7;
constexpr DISPID kCreateLayer = 8;
constexpr DISPID kInsertionLayer = 15;
}  // namespace Layers

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
constexpr DISPID kAllFeatures = 26;
constexpr DISPID kBounds = 32;
constexpr DISPID kDrawLabelsAfter = 37;
constexpr DISPID kBeginAccess = 41;
constexpr DISPID kEndAccess = 42;
constexpr DISPID kEditable = 46;
}  // namespace Layer

namespace Labels {
constexpr DISPID kVisible = 2;
constexpr DISPID kDataset = 9;
constexpr DISPID kDataField = 13;
}  // namespace Labels

namespace Collection {  // features, fields, datasets
constexpr DISPID kCount = 1;
constexpr DISPID kFeatureItem = 2;
constexpr DISPID kFieldItem = 3;
constexpr DISPID kDatasetAdd = 2;
constexpr DISPID kDatasetFields = 3;
constexpr DISPID kSearch = 9;
}  // namespace Collection

// An engine dataset over a layer (the one a table's labels are drawn from).
namespace Dataset {
constexpr DISPID kLayer = 7;
}  // namespace Dataset

namespace Rectangle {
constexpr DISPID kXMin = 1;
constexpr DISPID kYMin = 2;
constexpr DISPID kXMax = 3;
constexpr DISPID kYMax = 4;
constexpr DISPID kSet = 7;
}  // namespace Rectangle

constexpr short kLayerDatasetType = 6;

}  // namespace LayerEngine

// Members of the engine's label-properties object (engine layer property 5).
namespace EngineLabelProperties {
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
}  // namespace EngineLabelProperties

// Members of the engine's features, styles, points and feature factory (beyond the layer members
// above) that the marker layer uses.
namespace EngineFeatures {
constexpr DISPID kMapFeatureFactory = 49;
constexpr long kUnitMetres = 7;
constexpr DISPID kLayerFeatureByKey = 24;
constexpr DISPID kCollectionItem = 2;  // of features, parts and points
constexpr DISPID kFeatureType = 1;
constexpr DISPID kFeatureStyle = 2;
constexpr DISPID kFeaturePoint = 6;
constexpr DISPID kFeatureParts = 8;
constexpr DISPID kFeatureKeyValue = 17;
constexpr DISPID kFeatureUpdate = 18;
constexpr DISPID kFeatureKey = 23;
constexpr DISPID kFactoryCreateSymbol = 1;
constexpr DISPID kStyleSymbolCharacter = 1;
constexpr DISPID kStyleSymbolFont = 12;
constexpr DISPID kStyleSymbolFontColor = 15;
constexpr DISPID kPointX = 1;
constexpr DISPID kPointY = 2;
constexpr DISPID kPointSet = 3;
constexpr short kLineFeature = 1;
// The classes of a free point and a free style.
inline constexpr CLSID kPointClass = {0x968303A6, 0x8F18, 0x11D0, {0x87, 0x96, 0x00, 0xAA, 0x00, 0xB7, 0xEF, 0x73}};
inline constexpr CLSID kStyleClass = {0x9D6ED192, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
}  // namespace EngineFeatures
