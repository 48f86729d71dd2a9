// Receives the control's events through its default outgoing dispinterface and prints each one
// with its name and arguments, read from the type information of that interface.
#pragma once

#include "platform/ComObject.h"

#include <ocidl.h>

namespace samplehost {

// "Name(param=value, ...)" of one event, with names from `info` (may be null: "#id(value, ...)").
std::wstring DescribeEvent(ITypeInfo* info, DISPID id, const DISPPARAMS& params);

class EventSink : public platform::ComObject<EventSink, IDispatch> {
public:
    // The outgoing interface of `control`: its default source from IProvideClassInfo, else the map
    // control's _IZmaVOMapXEvents2 (with names from its registered type library).
    EventSink(IUnknown* control);
    ~EventSink() override;

    HRESULT QueryInterfaceImpl(REFIID iid, void** out);

    // Connects to the control's connection point; false (with a printed reason) when it has none.
    bool Connect();
    void Disconnect() noexcept;
    const IID& EventInterface() const noexcept { return events_; }
    unsigned Received() const noexcept { return received_; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    void FindEventInterface();

    platform::ComPtr<IUnknown> control_;
    IID events_;
    platform::ComPtr<ITypeInfo> info_;
    platform::ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    unsigned received_ = 0;
};

}  // namespace samplehost
