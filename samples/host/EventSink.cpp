#include "samples/host/EventSink.h"

#include "samples/host/AutomationCall.h"
#include "samples/host/Console.h"

#include "VadAZ.h"

#include <vector>

namespace samplehost {

using platform::Bstr;
using platform::ComPtr;

EventSink::EventSink(IUnknown* control) : control_(control), events_(DIID__IZmaVOMapXEvents2) {
    FindEventInterface();
}

EventSink::~EventSink() { Disconnect(); }

HRESULT EventSink::QueryInterfaceImpl(REFIID iid, void** out) {
    // The connection point asks for its own interface id; we answer it with IDispatch.
    if (IsEqualIID(iid, events_)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return InternalQueryInterface(iid, out);
}

void EventSink::FindEventInterface() {
    // The map control offers its own events; its class information is its engine's, so ask its
    // connection points first and fall back to the class information for other controls.
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> own;
    if (SUCCEEDED(control_.As(container)) &&
        SUCCEEDED(container->FindConnectionPoint(DIID__IZmaVOMapXEvents2, own.Put()))) {
        events_ = DIID__IZmaVOMapXEvents2;
        ComPtr<ITypeLib> library;
        if (SUCCEEDED(::LoadRegTypeLib(LIBID_VadAZ, 1, 0, LOCALE_NEUTRAL, library.Put())))
            library->GetTypeInfoOfGuid(events_, info_.Put());
        if (info_) return;
    }
    ComPtr<IProvideClassInfo> provider;
    ComPtr<ITypeInfo> classInfo;
    if (SUCCEEDED(control_.As(provider)) && SUCCEEDED(provider->GetClassInfo(classInfo.Put())) && classInfo) {
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(classInfo->GetTypeAttr(&attr))) {
            for (UINT i = 0; i < attr->cImplTypes; ++i) {
                INT flags = 0;
                HREFTYPE ref = 0;
                ComPtr<ITypeInfo> source;
                if (FAILED(classInfo->GetImplTypeFlags(i, &flags)) ||
                    (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
                        (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) ||
                    FAILED(classInfo->GetRefTypeOfImplType(i, &ref)) ||
                    FAILED(classInfo->GetRefTypeInfo(ref, source.Put())))
                    continue;
                TYPEATTR* sourceAttr = nullptr;
                if (SUCCEEDED(source->GetTypeAttr(&sourceAttr))) {
                    events_ = sourceAttr->guid;
                    info_ = source;
                    source->ReleaseTypeAttr(sourceAttr);
                }
                break;
            }
            classInfo->ReleaseTypeAttr(attr);
        }
    }
    if (info_) return;
    // The map control's events, described by its registered type library.
    ComPtr<ITypeLib> library;
    if (SUCCEEDED(::LoadRegTypeLib(LIBID_VadAZ, 1, 0, LOCALE_NEUTRAL, library.Put())))
        library->GetTypeInfoOfGuid(events_, info_.Put());
}

bool EventSink::Connect() {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = control_.As(container);
    if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(events_, point_.Put());
    if (SUCCEEDED(hr)) hr = point_->Advise(static_cast<IDispatch*>(this), &cookie_);
    if (FAILED(hr)) {
        point_.Reset();
        PrintLine(L"events: not connected to " + platform::GuidToString(events_) + L" (" + DescribeResult(hr) + L")");
        return false;
    }
    PrintLine(L"events: connected to " + platform::GuidToString(events_));
    return true;
}

void EventSink::Disconnect() noexcept {
    if (point_ && cookie_) point_->Unadvise(cookie_);
    cookie_ = 0;
    point_.Reset();
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                               UINT*) {
    COM_TRY {
        if (result) ::VariantInit(result);
        ++received_;
        DISPPARAMS none = {};
        PrintLine(L"event: " + DescribeEvent(info_.Get(), id, params ? *params : none));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

std::wstring DescribeEvent(ITypeInfo* info, DISPID id, const DISPPARAMS& params) {
    // names[0] is the member, names[1..] its parameters.
    std::vector<BSTR> names(params.cArgs + 1, nullptr);
    UINT found = 0;
    if (info) info->GetNames(id, names.data(), static_cast<UINT>(names.size()), &found);
    std::vector<Bstr> owned;
    for (UINT i = 0; i < found; ++i) owned.push_back(Bstr::Attach(names[i]));

    std::wstring text = found ? owned[0].Wide() : L"#" + std::to_wstring(id);
    text += L"(";
    for (UINT i = 0; i < params.cArgs; ++i) {
        if (i) text += L", ";
        if (i + 1 < found) text += owned[i + 1].Wide() + L"=";
        text += DescribeValue(params.rgvarg[params.cArgs - 1 - i]);  // arguments arrive last first
    }
    return text + L")";
}

}  // namespace samplehost
