#include "ZmaVOMap2/engine/MapXEventListener.h"

#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"

#include <ocidl.h>

using platform::ComPtr;
using platform::Variant;

namespace {

// The engine's events the control handles.
namespace EngineEvent {
constexpr DISPID kDblClick = -601;
constexpr DISPID kKeyDown = -602;
constexpr DISPID kKeyPress = -603;
constexpr DISPID kKeyUp = -604;
constexpr DISPID kMouseDown = -605;
constexpr DISPID kMouseMove = -606;
constexpr DISPID kMouseUp = -607;
constexpr DISPID kError = -608;
// The engine's selection change; the control recalculates its info display on it.
constexpr DISPID kSelectionChanged = 1;
constexpr DISPID kToolUsed = 3;
constexpr DISPID kViewChanged = 6;
constexpr DISPID kAnnotationChanged = 8;  // accepted, nothing to do
constexpr DISPID kDrawUserLayer = 10;
constexpr DISPID kPolyToolUsed = 11;
constexpr DISPID kMapInitialized = 13;  // accepted, nothing to do
constexpr DISPID kDrawingStage = 15;
constexpr DISPID kFeatureToolStatus = 16;
}  // namespace EngineEvent

bool IsHandled(DISPID id) {
    switch (id) {
    case EngineEvent::kDblClick: case EngineEvent::kKeyDown: case EngineEvent::kKeyPress: case EngineEvent::kKeyUp:
    case EngineEvent::kMouseDown: case EngineEvent::kMouseMove: case EngineEvent::kMouseUp: case EngineEvent::kError:
    case EngineEvent::kSelectionChanged: case EngineEvent::kToolUsed: case EngineEvent::kViewChanged:
    case EngineEvent::kAnnotationChanged: case EngineEvent::kDrawUserLayer: case EngineEvent::kPolyToolUsed:
    case EngineEvent::kMapInitialized: case EngineEvent::kDrawingStage: case EngineEvent::kFeatureToolStatus:
        return true;
    default:
        return false;
    }
}

// The variant type a parameter is passed as: a pointer parameter is a by-reference variant.
VARTYPE ParameterType(const TYPEDESC& t) {
    if (t.vt == VT_PTR && t.lptdesc) return static_cast<VARTYPE>(t.lptdesc->vt | VT_BYREF);
    if (t.vt == VT_USERDEFINED) return VT_I4;
    return t.vt;
}

}  // namespace

void CMapXEventListener::Advise(IUnknown* engine) {
    if (connected_) return;
    try {
        platform::ThrowIfNull(engine);
        ComPtr<IConnectionPointContainer> container;
        THROW_IF_FAILED(engine->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
        ComPtr<IConnectionPoint> point;
        THROW_IF_FAILED(container->FindConnectionPoint(ExternalIds::kEngineEvents, point.Put()));
        DWORD cookie = 0;
        THROW_IF_FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie));
        cookie_ = cookie;
        connected_ = true;
    }
    // The sink stays unconnected: the map works, without the control's handling of its events.
    COM_CATCH_LOG();
}

void CMapXEventListener::Unadvise(IUnknown* engine) {
    if (!connected_) return;
    try {
        platform::ThrowIfNull(engine);
        ComPtr<IConnectionPointContainer> container;
        THROW_IF_FAILED(engine->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
        ComPtr<IConnectionPoint> point;
        THROW_IF_FAILED(container->FindConnectionPoint(ExternalIds::kEngineEvents, point.Put()));
        DWORD cookie = cookie_;
        cookie_ = kNotConnected;
        THROW_IF_FAILED(point->Unadvise(cookie));
        connected_ = false;
    }
    // A failed disconnection leaves the sink counted as connected.
    COM_CATCH_LOG();
}

STDMETHODIMP CMapXEventListener::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, ExternalIds::kEngineEvents)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

// The sink lives as long as its control and holds no reference to it: a counted reference from
// the engine's connection point would keep a control that its host released alive for good.
// The control disconnects the sink before it lets the engine go.
STDMETHODIMP_(ULONG) CMapXEventListener::AddRef() { return 1; }
STDMETHODIMP_(ULONG) CMapXEventListener::Release() { return 1; }

STDMETHODIMP CMapXEventListener::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
STDMETHODIMP CMapXEventListener::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP CMapXEventListener::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

const std::vector<VARTYPE>& CMapXEventListener::ParameterTypes(DISPID id) {
    auto found = parameterTypes_.find(id);
    if (found != parameterTypes_.end()) return found->second;
    std::vector<VARTYPE> types;
    ComPtr<ITypeLib> library;
    THROW_IF_FAILED(::LoadRegTypeLib(ExternalIds::kEngineTypeLibrary, 4, 0, LOCALE_USER_DEFAULT, library.Put()));
    ComPtr<ITypeInfo> info;
    THROW_IF_FAILED(library->GetTypeInfoOfGuid(ExternalIds::kEngineEvents, info.Put()));
    TYPEATTR* attr = nullptr;
    THROW_IF_FAILED(info->GetTypeAttr(&attr));
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) continue;
        if (f->memid == id)
            for (SHORT p = 0; p < f->cParams; ++p) types.push_back(ParameterType(f->lprgelemdescParam[p].tdesc));
        info->ReleaseFuncDesc(f);
    }
    return parameterTypes_.emplace(id, std::move(types)).first->second;
}

std::vector<Variant> CMapXEventListener::Arguments(DISPID id, const DISPPARAMS& params) {
    const std::vector<VARTYPE>& types = ParameterTypes(id);
    std::vector<Variant> args(params.cArgs);
    for (UINT i = 0; i < params.cArgs; ++i) {
        // rgvarg holds the last argument first.
        const VARIANT& given = params.rgvarg[params.cArgs - 1 - i];
        VARTYPE wanted = VT_EMPTY;
        if (i < types.size()) wanted = static_cast<VARTYPE>(types[i] & ~VT_BYREF);
        THROW_IF_FAILED(::VariantCopyInd(&args[i], const_cast<VARIANT*>(&given)));
        if (wanted != VT_EMPTY && wanted != VT_VARIANT && args[i].vt != wanted)
            THROW_IF_FAILED(::VariantChangeType(&args[i], &args[i], 0, wanted));
    }
    return args;
}

STDMETHODIMP CMapXEventListener::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                        UINT*) {
    // The sink only reads its arguments: by-reference ones (the enable-default flags, the key
    // code) are read as values and never written back.
    if (!IsHandled(id) || !params) return S_OK;
    EngineEventHandler& owner = owner_;
    owner.EnterEngineEvent();
    try {
        std::vector<Variant> args = Arguments(id, *params);
        Dispatch(id, args);
    }
    COM_CATCH_LOG();
    // This sink may be gone after the owner left the event: nothing of it is used from here on.
    owner.LeaveEngineEvent();
    return S_OK;
}

namespace {
short I2(const Variant& v) { return v.vt == VT_I2 ? v.iVal : static_cast<short>(v.ToLong()); }
float R4(const Variant& v) { return v.vt == VT_R4 ? v.fltVal : static_cast<float>(v.ToDouble()); }
double R8(const Variant& v) { return v.ToDouble(); }
IDispatch* Object(const Variant& v) { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }
}  // namespace

void CMapXEventListener::Dispatch(DISPID id, std::vector<Variant>& a) {
    auto need = [&a](size_t n) {
        if (a.size() < n) platform::ThrowHr(DISP_E_BADPARAMCOUNT);
    };
    switch (id) {
    case EngineEvent::kDblClick:
        owner_.OnMapDblClick();
        break;
    case EngineEvent::kMouseDown:
        need(4);
        owner_.OnMapMouseDown(I2(a[0]), I2(a[1]), R4(a[2]), R4(a[3]));
        break;
    case EngineEvent::kMouseUp:
        need(4);
        owner_.OnMapMouseUp(I2(a[0]), I2(a[1]), R4(a[2]), R4(a[3]));
        break;
    case EngineEvent::kMouseMove:
        need(4);
        owner_.OnMapMouseMove(I2(a[0]), I2(a[1]), R4(a[2]), R4(a[3]));
        break;
    case EngineEvent::kKeyDown:
        need(2);
        owner_.OnMapKeyDown(I2(a[0]), I2(a[1]));
        break;
    case EngineEvent::kSelectionChanged:
        owner_.OnMapRecalcInfoDisplay();
        break;
    case EngineEvent::kToolUsed:
        need(6);
        owner_.OnMapToolUsed(I2(a[0]), R8(a[1]), R8(a[2]), R8(a[3]), R8(a[4]));
        break;
    case EngineEvent::kViewChanged:
        owner_.OnMapViewChanged();
        break;
    case EngineEvent::kDrawUserLayer:
        need(5);
        owner_.OnMapDrawUserLayer(Object(a[0]), reinterpret_cast<HDC>(static_cast<intptr_t>(a[1].ToLong())),
                                  reinterpret_cast<HDC>(static_cast<intptr_t>(a[2].ToLong())), Object(a[3]),
                                  Object(a[4]));
        break;
    case EngineEvent::kPolyToolUsed:
        need(3);
        owner_.OnMapPolyToolUsed(I2(a[0]), a[1].ToLong(), Object(a[2]));
        break;
    case EngineEvent::kDrawingStage:
        need(1);
        owner_.OnMapDrawStage(I2(a[0]));
        break;
    case EngineEvent::kFeatureToolStatus:
        need(2);
        owner_.OnMapFeatureToolStatus(a[1].ToLong());
        break;
    default:
        break;  // accepted, nothing to do
    }
}
