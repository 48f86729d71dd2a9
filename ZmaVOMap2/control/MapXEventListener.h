// The control's sink for the engine's events. It reads each event's parameter types from the
// engine's registered type library on first use, coerces the arguments to them, and hands them
// to the control's handler in the event's own order.
#pragma once

#include "platform/Com.h"

#include <map>
#include <vector>

class CZmaVadAZ;

class CMapXEventListener : public IDispatch {
public:
    static constexpr DWORD kNotConnected = 0xFEFEFEFE;

    explicit CMapXEventListener(CZmaVadAZ& owner) noexcept : owner_(owner) {}
    CMapXEventListener(const CMapXEventListener&) = delete;
    CMapXEventListener& operator=(const CMapXEventListener&) = delete;

    // Connects to the engine's event point; does nothing when already connected. Failures leave
    // the sink unconnected.
    void Advise(IUnknown* engine);
    // Disconnects; nothing happens when not connected.
    void Unadvise(IUnknown* engine);
    bool IsConnected() const noexcept { return connected_; }

    // Lives inside the control and is not reference counted.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    // Arguments of one event in declaration order, coerced to the declared types; by-reference
    // parameters stay references to the engine's variables.
    std::vector<platform::Variant> Arguments(DISPID id, const DISPPARAMS& params);
    const std::vector<VARTYPE>& ParameterTypes(DISPID id);
    void Dispatch(DISPID id, std::vector<platform::Variant>& args);

    CZmaVadAZ& owner_;
    DWORD cookie_ = kNotConnected;
    bool connected_ = false;
    std::map<DISPID, std::vector<VARTYPE>> parameterTypes_;
};
