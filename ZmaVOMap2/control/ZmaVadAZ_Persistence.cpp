// Persistence of the control (IPersistStreamInit, IPersistPropertyBag2) and the settings
// document members.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "platform/Result.h"

using platform::ComPtr;

STDMETHODIMP CZmaVadAZ::GetClassID(CLSID* clsid) {
    if (!clsid) return E_INVALIDARG;
    *clsid = CLSID_VadAZ2;
    return S_OK;
}

// The control always reports itself changed, so that hosts always save it.
STDMETHODIMP CZmaVadAZ::IsDirty() { return S_OK; }

STDMETHODIMP CZmaVadAZ::GetSizeMax(ULARGE_INTEGER* size) { return size ? E_NOTIMPL : E_POINTER; }

STDMETHODIMP CZmaVadAZ::InitNew() {
    OperationScope operation(operations_);
    COM_TRY { return setup_.InitNew([this] { router_.Connect(); }); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Load(IStream* stream) {
    OperationScope operation(operations_);
    COM_TRY { return setup_.Load(stream, [this] { router_.Connect(); }); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Save(IStream* stream, BOOL) {
    COM_TRY { return setup_.Save(stream); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Load(IPropertyBag2* bag, IErrorLog* errorLog) {
    COM_TRY {
        ComPtr<IStream> stream;
        RETURN_IF_FAILED(MapSetup::StreamFromBag(bag, errorLog, stream));
        return platform::PassFailure(Load(stream.Get()));
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Save(IPropertyBag2*, BOOL, BOOL) { return E_NOTIMPL; }

STDMETHODIMP CZmaVadAZ::SaveToXML(IDispatch* node) {
    COM_TRY {
        if (!node) throw platform::ComError(E_POINTER, L"No XML node was given for the map settings.", L"VadAZ");
        return platform::PassFailure(setup_.SaveToXml(node));
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::LoadFromXML(IDispatch* node) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!node) throw platform::ComError(E_POINTER, L"No XML node was given for the map settings.", L"VadAZ");
        return platform::PassFailure(setup_.LoadFromXml(node));
    }
    COM_CATCH_RETURN();
}
