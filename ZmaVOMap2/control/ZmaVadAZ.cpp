#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/Logger.h"
#include "platform/Dispatch.h"
#include "platform/Result.h"

using platform::ComPtr;

CZmaVadAZ::CZmaVadAZ() : events_(Identity(), this) {
    operations_.OnIdle([this] { window_.DestroyPending(); });
}

CZmaVadAZ::~CZmaVadAZ() {
    PreDestroy();
    printing_.Release(true);
    // What final release did not get to (it does not run when final construction failed).
    engine_.Reset();
    GlobalLogger().Leave(logThread_);
}

HRESULT CZmaVadAZ::FinalConstruct() {
    GlobalLogger().Join(kControlLogChannel, "");
    // The reference count stands still until the control is made, however that ends.
    constructing_ = true;
    struct Constructed {
        bool& flag;
        ~Constructed() { flag = false; }
    } constructed{constructing_};
    COM_TRY {
        engine_.Create();
        // A control whose unit converter cannot be created is not created.
        const HRESULT result = engine_.CreateUnitConverter();
        put_QuickPrintLayout(QUICK_PRINT_LAYOUT_CUSTOM);
        return result;
    }
    COM_CATCH_RETURN();
}

void CZmaVadAZ::FinalRelease() {
    printing_.Release(true);
    host_.ReleaseLegends();
    constructing_ = true;
    router_.Disconnect();
    engine_.Release();
    view_.Changes().Release();
    constructing_ = false;
}

HRESULT CZmaVadAZ::QueryInterfaceImpl(REFIID iid, void** out) {
    if (!constructing_) {
        if (IsEqualIID(iid, ExternalIds::kPersistPropertyBag)) return E_NOINTERFACE;
        HRESULT hr = InternalQueryInterface(iid, out);
        if (hr != E_NOINTERFACE) return hr;
    }
    // Everything the control does not implement itself is the engine's.
    if (!engine_.Object()) return E_POINTER;
    HRESULT hr = engine_.Object()->QueryInterface(iid, out);
    return SUCCEEDED(hr) ? S_OK : hr;
}

// --- IDispatch -------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetTypeInfoCount(UINT* count) {
    return platform::ForwardTo(engine_.MergedDispatch(), E_POINTER, [&](IDispatch& d) { return d.GetTypeInfoCount(count); });
}

STDMETHODIMP CZmaVadAZ::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    return platform::ForwardTo(engine_.MergedDispatch(), E_POINTER,
                               [&](IDispatch& d) { return d.GetTypeInfo(index, lcid, info); });
}

STDMETHODIMP CZmaVadAZ::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    COM_TRY {
        HRESULT hr = platform::CachedTypeInfo<IZmaVadAZ2>()->GetIDsOfNames(names, count, ids);
        if (SUCCEEDED(hr) || !engine_.MergedDispatch()) return hr;
        return platform::PassFailure(engine_.MergedDispatch()->GetIDsOfNames(iid, names, count, lcid, ids));
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excepInfo, UINT* argErr) {
    COM_TRY {
        HRESULT hr = platform::CachedTypeInfo<IZmaVadAZ2>()->Invoke(static_cast<IZmaVadAZ2*>(this), id, flags, params,
                                                                    result, excepInfo, argErr);
        if (hr != DISP_E_MEMBERNOTFOUND || !engine_.MergedDispatch()) return platform::PassFailure(hr);
        return platform::PassFailure(
            engine_.MergedDispatch()->Invoke(id, iid, lcid, flags, params, result, excepInfo, argErr));
    }
    COM_CATCH_RETURN();
}

// --- IOleObject --------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::Close(DWORD saveOption) {
    router_.Disconnect();
    return ForwardedOleObject::Close(saveOption);
}

STDMETHODIMP CZmaVadAZ::DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                               LPCRECT positionRect) {
    COM_TRY {
        platform::ThrowIfNull(engine_.OleObject())->DoVerb(verb, msg, activeSite, index, parent, positionRect);
        window_.OnVerb(verb, activeSite);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    return ForwardedOleObject::SetExtent(aspect, size);
}

// A host asking without a place for the answer, or before the engine is there, hears S_OK.
STDMETHODIMP CZmaVadAZ::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size || !engine_.OleObject()) return S_OK;
    return ForwardedOleObject::GetExtent(aspect, size);
}

// --- IViewObjectEx -----------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDC,
                             HDC drawDC, LPCRECTL bounds, LPCRECTL metafileBounds,
                             BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contValue) {
    // The engine draws the frame inside this call and fires its draw requests from there; the
    // layers may ask the host for fields meanwhile.
    OperationScope operation(operations_);
    COM_TRY {
        if (!targetDC || !drawDC) platform::ThrowHr(E_INVALIDARG);
        if (!bounds) platform::ThrowHr(E_POINTER);
        return drawing_.Draw(aspect, index, aspectInfo, targetDevice, targetDC, drawDC, *bounds, metafileBounds, cont,
                             contValue);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice,
                                    HDC infoDC, LOGPALETTE** colorSet) {
    IViewObjectEx* view = engine_.View();
    if (!view) return E_NOTIMPL;
    // Without a device to ask about, and when the engine cannot tell, the map has no palette.
    if (!targetDevice && !infoDC) {
        if (colorSet) *colorSet = nullptr;
        return S_FALSE;
    }
    const HRESULT hr = view->GetColorSet(aspect, index, aspectInfo, targetDevice, infoDC, colorSet);
    return FAILED(hr) ? S_FALSE : hr;
}

// --- ISpecifyPropertyPages ---------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_ZmaPPGMapBorder;
    return S_OK;
}

// --- Shutdown ----------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::PreDestroy() {
    // An operation on the stack (PreDestroy called from an event handler) still works on the
    // collection and may be inside the engine's handling of a message: the collection and the
    // engine window go when that operation ends.
    printing_.Release(false);
    host_.ReleaseLegends();
    layers_.Drop(operations_.Busy());
    window_.Destroy(operations_.Busy());
    return S_OK;
}

// --- The engine map for hosts -------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::get_MapX(IDispatch** pVal) {
    COM_TRY {
        if (!pVal) return E_POINTER;
        *pVal = nullptr;
        if (!engine_.Object()) return S_OK;
        HRESULT hr = engine_.Object()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(pVal));
        if (hr == E_NOINTERFACE) return S_OK;
        THROW_IF_FAILED(hr);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
