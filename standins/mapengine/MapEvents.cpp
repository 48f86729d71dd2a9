#include "standins/mapengine/MapEvents.h"

#include "standins/mapengine/EngineDispatch.h"

#include "MapEngine.h"

using platform::Variant;

namespace mapengine {

namespace {

// A by-reference VARIANT that points at the value held in `storage`.
VARIANT ReferenceTo(Variant& storage) {
    VARIANT ref;
    ::VariantInit(&ref);
    ref.vt = static_cast<VARTYPE>(storage.vt | VT_BYREF);
    switch (storage.vt) {
    case VT_I2: ref.piVal = &storage.iVal; break;
    case VT_I4: ref.plVal = &storage.lVal; break;
    case VT_R4: ref.pfltVal = &storage.fltVal; break;
    case VT_R8: ref.pdblVal = &storage.dblVal; break;
    case VT_BOOL: ref.pboolVal = &storage.boolVal; break;
    case VT_BSTR: ref.pbstrVal = &storage.bstrVal; break;
    case VT_DISPATCH: ref.ppdispVal = &storage.pdispVal; break;
    default:
        ref.vt = VT_BYREF | VT_VARIANT;
        ref.pvarVal = &storage;
        break;
    }
    return ref;
}

}  // namespace

void MapEvents::Fire(const wchar_t* name, std::vector<Variant>& args) {
    Fire(InterfaceTypes::Of(DIID_DMapEvents).IdOf(name), args);
}

void MapEvents::Fire(DISPID id, std::vector<Variant>& args) {
    const MemberType* event = InterfaceTypes::Of(DIID_DMapEvents).Find(id, Kind::Method);
    if (!event) Fail(E_INVALIDARG, L"The map has no event " + std::to_wstring(id));
    if (args.size() != event->params.size()) Fail(DISP_E_BADPARAMCOUNT, L"Wrong number of event arguments");

    std::vector<Variant> values(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        if (FAILED(CoerceValue(args[i], event->params[i].vt, values[i]))) {
            Fail(DISP_E_TYPEMISMATCH, event->params[i].name + L" of the event has the wrong type");
        }
    }
    // Invoke takes the arguments last first.
    std::vector<VARIANT> wire(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        VARIANT& slot = wire[values.size() - 1 - i];
        if (event->params[i].byRef) {
            slot = ReferenceTo(values[i]);
        } else {
            slot = values[i];  // borrowed: `values` keeps ownership
        }
    }
    point_.FireDispatch(id, wire.empty() ? nullptr : wire.data(), static_cast<UINT>(wire.size()));
    for (size_t i = 0; i < args.size(); ++i) {
        if (event->params[i].byRef) args[i] = values[i];
    }
}

}  // namespace mapengine
