// Fires the map's events to its sinks with the parameter types the type library declares for
// them, the by-reference ones by reference.
#pragma once

#include "platform/Com.h"
#include "platform/ConnectionPoint.h"

#include <vector>

namespace mapengine {

class MapEvents {
public:
    explicit MapEvents(platform::ConnectionPoint& point) noexcept : point_(point) {}

    // `args` in declaration order; by-reference parameters get the sinks' final values back.
    // An event the library does not declare, or arguments that do not fit it, raise a failure.
    void Fire(DISPID id, std::vector<platform::Variant>& args);
    void Fire(DISPID id) {
        std::vector<platform::Variant> none;
        Fire(id, none);
    }

    // The events of the map, by DISPID.
    static constexpr DISPID kDblClick = -601;
    static constexpr DISPID kKeyDown = -602;
    static constexpr DISPID kKeyPress = -603;
    static constexpr DISPID kKeyUp = -604;
    static constexpr DISPID kMouseDown = -605;
    static constexpr DISPID kMouseMove = -606;
    static constexpr DISPID kMouseUp = -607;
    static constexpr DISPID kMapResized = 1;
    static constexpr DISPID kToolUsed = 3;
    static constexpr DISPID kMapViewChanged = 6;
    static constexpr DISPID kAnnotationAdded = 8;
    static constexpr DISPID kDrawUserLayer = 10;
    static constexpr DISPID kPolyToolUsed = 11;
    static constexpr DISPID kSelectionChanged = 13;
    static constexpr DISPID kDrawingStage = 15;
    static constexpr DISPID kAddFeatureToolUsed = 16;

private:
    platform::ConnectionPoint& point_;
};

}  // namespace mapengine
