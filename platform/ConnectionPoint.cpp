#include "platform/ConnectionPoint.h"

#include "platform/Result.h"

namespace platform {

namespace {

// A snapshot enumerator over copies of the items, holding the owner alive.
template <class Enum, class Item, const IID* EnumIid>
class SnapshotEnumerator : public ComObject<SnapshotEnumerator<Enum, Item, EnumIid>, Enum> {
public:
    SnapshotEnumerator(IUnknown* owner, std::vector<Item> items, size_t pos = 0)
        : owner_(owner), items_(std::move(items)), pos_(pos) {
        for (Item& item : items_) AddRefItem(item);
    }
    ~SnapshotEnumerator() override {
        for (Item& item : items_) ReleaseItem(item);
    }

    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, *EnumIid)) {
            *out = static_cast<Enum*>(this);
            this->AddRef();
            return S_OK;
        }
        return this->InternalQueryInterface(iid, out);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < items_.size()) {
            out[n] = items_[pos_++];
            AddRefItem(out[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        size_t left = items_.size() - pos_;
        if (count > left) { pos_ = items_.size(); return S_FALSE; }
        pos_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override { pos_ = 0; return S_OK; }
    STDMETHODIMP Clone(Enum** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        COM_TRY {
            auto copy = MakeObject<SnapshotEnumerator>(owner_.Get(), items_, pos_);
            *out = copy.Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

private:
    static void AddRefItem(IConnectionPoint* p) { if (p) p->AddRef(); }
    static void ReleaseItem(IConnectionPoint* p) { if (p) p->Release(); }
    static void AddRefItem(CONNECTDATA& d) { if (d.pUnk) d.pUnk->AddRef(); }
    static void ReleaseItem(CONNECTDATA& d) { if (d.pUnk) d.pUnk->Release(); }

    ComPtr<IUnknown> owner_;
    std::vector<Item> items_;
    size_t pos_;
};

using ConnectionsEnumerator = SnapshotEnumerator<IEnumConnections, CONNECTDATA, &IID_IEnumConnections>;
using PointsEnumerator = SnapshotEnumerator<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints>;

}  // namespace

ConnectionPoint::~ConnectionPoint() {
    for (IUnknown*& p : slots_) {
        if (p) p->Release();
        p = nullptr;
    }
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IUnknown* typed = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&typed))) || !typed) return CONNECT_E_CANNOTCONNECT;
    COM_TRY {
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (!slots_[i]) {
                slots_[i] = typed;
                *cookie = static_cast<DWORD>(i + 1);
                return S_OK;
            }
        }
        slots_.push_back(typed);
        *cookie = static_cast<DWORD>(slots_.size());
        return S_OK;
    }
    catch (...) {
        typed->Release();
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie == 0 || cookie > slots_.size() || !slots_[cookie - 1]) return CONNECT_E_NOCONNECTION;
    IUnknown* p = slots_[cookie - 1];
    slots_[cookie - 1] = nullptr;
    p->Release();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    COM_TRY {
        std::vector<CONNECTDATA> items;
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i]) items.push_back(CONNECTDATA{slots_[i], static_cast<DWORD>(i + 1)});
        *out = MakeObject<ConnectionsEnumerator>(owner_, std::move(items)).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
    std::vector<ComPtr<IUnknown>> sinks;
    for (IUnknown* p : slots_)
        if (p) sinks.emplace_back(p);
    return sinks;
}

void ConnectionPoint::FireDispatch(DISPID id, VARIANT* argsReversed, UINT count) const {
    // A handler may release the owner, and with it this point: the owner stays until the walk
    // is done.
    ComPtr<IUnknown> keepOwner(owner_);
    // Index walk over the live list: a sink advised during delivery is not called this time, and
    // one unadvised during delivery is skipped.
    for (size_t i = 0; i < slots_.size(); ++i) {
        ComPtr<IUnknown> sink(slots_[i]);
        if (!sink) continue;
        DISPPARAMS params = {argsReversed, nullptr, count, 0};
        static_cast<IDispatch*>(static_cast<IUnknown*>(sink.Get()))
            ->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
}

HRESULT CreateConnectionPointEnumerator(IUnknown* owner, ConnectionPoint* const* points, size_t count,
                                        IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    COM_TRY {
        std::vector<IConnectionPoint*> items(points, points + count);
        *out = MakeObject<PointsEnumerator>(owner, std::move(items)).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

}  // namespace platform
