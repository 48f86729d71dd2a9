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

    // The event called `name` in the type library, which numbers it. `args` in declaration order;
    // by-reference parameters get the sinks' final values back. An event the library does not
    // declare, or arguments that do not fit it, raise a failure.
    void Fire(const wchar_t* name, std::vector<platform::Variant>& args);
    void Fire(const wchar_t* name) {
        std::vector<platform::Variant> none;
        Fire(name, none);
    }
    // The same by number, for the test hooks that fire any event.
    void Fire(DISPID id, std::vector<platform::Variant>& args);

private:
    platform::ConnectionPoint& point_;
};

}  // namespace mapengine
