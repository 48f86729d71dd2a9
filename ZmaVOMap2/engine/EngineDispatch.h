// Typed calls into the engine's automation objects by DISPID. A failed call is raised as a
// ComError that carries the engine's code and description.
#pragma once

#include "platform/Com.h"

#include <initializer_list>

class EngineDispatch {
public:
    explicit EngineDispatch(IDispatch* object) : object_(object) {}

    platform::Variant Get(DISPID id, std::initializer_list<platform::Variant> args = {}) const;
    void Put(DISPID id, const VARIANT& value) const;
    platform::Variant Call(DISPID id, std::initializer_list<platform::Variant> args = {}) const;
    // A call whose failure is an answer (a layer asked for by a name none bears): the engine's
    // code, nothing raised.
    HRESULT TryCall(DISPID id, std::initializer_list<platform::Variant> args, platform::Variant& result) const;
    // A property or method looked up by its name (for objects whose members are known only by
    // name, like the features collections of selections).
    platform::Variant GetByName(const wchar_t* name, std::initializer_list<platform::Variant> args = {}) const;
    // For arguments passed by reference (out values); `args` in declaration order.
    platform::Variant CallWith(DISPID id, VARIANT* args, UINT count) const;

    IDispatch* Get() const noexcept { return object_.Get(); }

private:
    platform::Variant Invoke(DISPID id, WORD flags, VARIANT* argsReversed, UINT count, bool put) const;

    platform::ComPtr<IDispatch> object_;
};

// Puts an engine property back at scope end: the value it had when the restorer was made, or the
// one given. Restore puts it back at once and raises a failure; a failure at scope end, where
// another failure may be in flight, is logged.
class EnginePropertyRestorer {
public:
    EnginePropertyRestorer(const EngineDispatch& object, DISPID id);
    EnginePropertyRestorer(const EngineDispatch& object, DISPID id, const VARIANT& value);
    ~EnginePropertyRestorer();
    EnginePropertyRestorer(const EnginePropertyRestorer&) = delete;
    EnginePropertyRestorer& operator=(const EnginePropertyRestorer&) = delete;

    void Restore();

private:
    EngineDispatch object_;
    DISPID id_;
    platform::Variant saved_;
    bool restored_ = false;
};

// The engine map's coordinate conversion (its method 34): screen pixels to map coordinates and
// back. Failures are raised like every engine call.
struct EngineScreenPoint {
    float x = 0, y = 0;
};
void EngineScreenToMap(const EngineDispatch& map, float x, float y, double& mapX, double& mapY);
EngineScreenPoint EngineMapToScreen(const EngineDispatch& map, double x, double y);
