// Values the engine passes in its events' arguments, as the engine numbers them.
#pragma once

namespace Engine {

// The flags of the poly tool's event: which point of the line the event reports.
namespace PolyTool {
constexpr long kBegin = 0;         // the line's first point
constexpr long kEnd = 1;           // the line ended (double click)
constexpr long kEndEscaped = 2;    // the line given up (Escape)
constexpr long kInProgress = 3;    // each later point
}  // namespace PolyTool

}  // namespace Engine
