// The engine's enumerations that the control reads or passes, each as the engine numbers it. The
// member numbers are EngineMembers.h's.
#pragma once

namespace Engine {

// A feature's type, and a layer's predominant feature type.
namespace FeatureType {
constexpr long kRegion = 0;
constexpr long kLine = 1;
constexpr long kSymbol = 2;
constexpr long kMixed = 3;
constexpr long kUnknown = 4;
constexpr long kText = 5;
constexpr long kNull = 6;
}  // namespace FeatureType

namespace LayerType {
constexpr long kNormal = 0;
constexpr long kRaster = 2;
constexpr long kUserDraw = 6;
}  // namespace LayerType

namespace AnnotationType {
constexpr long kText = 6;
}  // namespace AnnotationType

// The source kind of a dataset, for the map's datasets' add method.
namespace DatasetType {
constexpr short kLayer = 6;
}  // namespace DatasetType

// A circle's radius measured on the screen or on the ground.
namespace CircleType {
constexpr short kMap = 1;
}  // namespace CircleType

// The engine's own tools.
namespace Tool {
constexpr long kArrow = 1000;
constexpr long kPan = 1001;
constexpr long kCenter = 1002;
constexpr long kZoomIn = 1003;
constexpr long kZoomOut = 1004;
constexpr long kSymbol = 1005;
constexpr long kText = 1006;
constexpr long kSelect = 1007;
constexpr long kRadiusSelect = 1008;
constexpr long kRectSelect = 1009;
constexpr long kPolygonSelect = 1010;
constexpr long kLabel = 1011;
constexpr long kAddLine = 1012;
constexpr long kAddPolyline = 1013;
constexpr long kAddRegion = 1014;
constexpr long kAddPoint = 1015;
}  // namespace Tool

// The custom tool kinds.
namespace ToolType {
constexpr short kPoint = 0;
constexpr short kLine = 1;
constexpr short kCircle = 2;
constexpr short kMarquee = 3;
constexpr short kPoly = 4;
constexpr short kPolygon = 5;
}  // namespace ToolType

namespace Cursor {
constexpr short kCross = 2;
}  // namespace Cursor

// The state an add-feature tool reports.
namespace ToolFlag {
constexpr long kBegin = 0;
constexpr long kEnd = 1;
constexpr long kEndEscaped = 2;
constexpr long kInProgress = 3;
constexpr long kCompleted = 4;
}  // namespace ToolFlag

// The state of a line drawn with a poly tool: its first point, each later point, its end.
namespace PolyToolFlag {
constexpr long kBegin = 0;
constexpr long kEnd = 1;
constexpr long kEndEscaped = 2;
constexpr long kInProgress = 3;
}  // namespace PolyToolFlag

// The stages of a frame the engine reports while it draws.
namespace MapDraw {
constexpr short kBegin = 1;
constexpr short kEnd = 2;
}  // namespace MapDraw

// The direction of a coordinate conversion.
namespace Conversion {
constexpr short kMapToScreen = 0;
constexpr short kScreenToMap = 1;
}  // namespace Conversion

}  // namespace Engine
