// Connection points: IConnectionPoint with a dynamic sink list (a removed sink leaves an empty
// slot that the next Advise reuses), its enumerators, and IConnectionPointContainer.
#pragma once

#include "platform/ComObject.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

namespace platform {

// Embedded in its owner; its reference count is the owner's.
class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID iid) noexcept
        : owner_(owner), container_(container), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    const IID& Iid() const noexcept { return iid_; }
    // The connected sinks in slot order, each with a reference, so that a handler may unadvise
    // (or release the owner) while an event is being delivered.
    std::vector<ComPtr<IUnknown>> Sinks() const;
    size_t SlotCount() const noexcept { return slots_.size(); }

    // Calls Invoke(id, DISPATCH_METHOD) on every sink in slot order; `argsReversed` holds the
    // arguments last first, as Invoke expects. Sink failures are ignored.
    void FireDispatch(DISPID id, VARIANT* argsReversed, UINT count) const;

private:
    IUnknown* owner_;
    IConnectionPointContainer* container_;
    IID iid_;
    std::vector<IUnknown*> slots_;  // the sink at slot i has cookie i + 1
};

// IConnectionPointContainer over an owner's points; list it as an entry of ComObject. Derived
// provides
//   ConnectionPoint* const* ConnectionPointArray(size_t& count);
template <class Derived>
class ConnectionPointContainerImpl : public IConnectionPointContainer {
public:
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        size_t count = 0;
        ConnectionPoint* const* points = static_cast<Derived*>(this)->ConnectionPointArray(count);
        for (size_t i = 0; i < count; ++i) {
            if (IsEqualIID(points[i]->Iid(), iid)) {
                *out = points[i];
                (*out)->AddRef();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }
};

template <class Derived>
struct InterfaceIdOf<ConnectionPointContainerImpl<Derived>> {
    static const IID& Get() { return IID_IConnectionPointContainer; }
};

HRESULT CreateConnectionPointEnumerator(IUnknown* owner, ConnectionPoint* const* points, size_t count,
                                        IEnumConnectionPoints** out);

template <class Derived>
STDMETHODIMP ConnectionPointContainerImpl<Derived>::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    size_t count = 0;
    ConnectionPoint* const* points = static_cast<Derived*>(this)->ConnectionPointArray(count);
    return CreateConnectionPointEnumerator(static_cast<Derived*>(this)->Identity(), points, count, out);
}

}  // namespace platform
