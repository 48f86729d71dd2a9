// The base of every engine object: IDispatch over the object's dispinterface (through the
// dispatch helper), a private interface that finds the C++ object behind an IDispatch the engine
// gets back from a caller, and a table that binds DISPIDs to handlers.
//
//   class Point : public EngineComObject<Point> {
//   public:
//       static constexpr const wchar_t* kName = L"Point";
//       static const IID& DispInterfaceId() { return DIID_DPoint; }
//       static const MemberTable<Point>& Members();
//   };
#pragma once

#include "standins/mapengine/EngineDispatch.h"
#include "platform/ComObject.h"

#include <functional>
#include <string>
#include <vector>

namespace mapengine {

class EngineObjectBase {
public:
    virtual ~EngineObjectBase() = default;
};

// Private: answers the C++ object behind one of our IDispatch pointers.
class IEngineSelf : public IUnknown {
public:
    virtual EngineObjectBase* STDMETHODCALLTYPE Self() = 0;
};
extern const IID IID_IEngineSelf;

// Reads and writes plain values of a property through a call.
inline void ReadArg(const Call& c, size_t i, double& v) { v = c.Double(i); }
inline void ReadArg(const Call& c, size_t i, long& v) { v = c.Long(i); }
inline void ReadArg(const Call& c, size_t i, short& v) { v = c.Short(i); }
inline void ReadArg(const Call& c, size_t i, bool& v) { v = c.Bool(i); }
inline void ReadArg(const Call& c, size_t i, std::wstring& v) { v = c.String(i); }

// Binds the members of T's dispinterface to handlers by the members' names: the type library is
// the one place that numbers them, and a name it lacks fails the table at once.
template <class T>
class MemberTable {
public:
    using Handler = std::function<void(T&, Call&)>;

    MemberTable& Get(const wchar_t* name, void (T::*fn)(Call&)) { return Add(name, Kind::Get, fn); }
    MemberTable& Put(const wchar_t* name, void (T::*fn)(Call&)) { return Add(name, Kind::Put, fn); }
    MemberTable& Method(const wchar_t* name, void (T::*fn)(Call&)) { return Add(name, Kind::Method, fn); }

    // A plain stored value (a field of T or of a base of T): get answers it, put stores it and
    // then runs `changed` (if any).
    template <class V, class C>
    MemberTable& Property(const wchar_t* name, V C::*field, void (T::*changed)() = nullptr) {
        ReadOnly(name, field);
        entries_.push_back({IdOf(name), Kind::Put, [field, changed](T& self, Call& c) {
                                ReadArg(c, 0, static_cast<C&>(self).*field);
                                if (changed) (self.*changed)();
                            }});
        return *this;
    }
    template <class V, class C>
    MemberTable& ReadOnly(const wchar_t* name, V C::*field) {
        entries_.push_back(
            {IdOf(name), Kind::Get, [field](T& self, Call& c) { c.Return(static_cast<C&>(self).*field); }});
        return *this;
    }

    bool Run(T& self, DISPID id, Kind kind, Call& call) const {
        for (const Entry& e : entries_) {
            if (e.id == id && e.kind == kind) {
                e.fn(self, call);
                return true;
            }
        }
        return false;
    }

private:
    struct Entry {
        DISPID id;
        Kind kind;
        Handler fn;
    };
    static DISPID IdOf(const wchar_t* name) { return InterfaceTypes::Of(T::DispInterfaceId()).IdOf(name); }
    MemberTable& Add(const wchar_t* name, Kind kind, void (T::*fn)(Call&)) {
        entries_.push_back({IdOf(name), kind, [fn](T& self, Call& c) { (self.*fn)(c); }});
        return *this;
    }
    std::vector<Entry> entries_;
};

template <class Derived>
class DispatchPart : public IDispatch {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        COM_TRY {
            *info = Types().Info();
            (*info)->AddRef();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        COM_TRY {
            return Types().Info()->GetIDsOfNames(names, count, ids);
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override {
        COM_TRY {
            // A handler may fire events whose sinks release their last reference to us.
            platform::ComPtr<IDispatch> keepAlive(this);
            return InvokeMember(Types(), Derived::kName, *static_cast<Derived*>(this), id, flags, params, result,
                                excepInfo, argErr);
        }
        COM_CATCH_RETURN();
    }

private:
    static const InterfaceTypes& Types() { return InterfaceTypes::Of(Derived::DispInterfaceId()); }
};

template <class Derived>
class SelfPart : public IEngineSelf {
public:
    EngineObjectBase* STDMETHODCALLTYPE Self() override { return static_cast<Derived*>(this); }
};

}  // namespace mapengine

namespace platform {
template <class D>
struct InterfaceIdOf<mapengine::DispatchPart<D>> {
    static const IID& Get() { return IID_IDispatch; }
};
template <class D>
struct InterfaceIdOf<mapengine::SelfPart<D>> {
    static const IID& Get() { return mapengine::IID_IEngineSelf; }
};
}  // namespace platform

namespace mapengine {

template <class Derived, class... More>
class EngineComObject : public platform::ComObject<Derived, DispatchPart<Derived>, SelfPart<Derived>, More...>,
                        public EngineObjectBase,
                        public CallTarget {
public:
    // The dispinterface's own id answers the IDispatch.
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, Derived::DispInterfaceId())) {
            *out = AsDispatch();
            AsDispatch()->AddRef();
            return S_OK;
        }
        return this->InternalQueryInterface(iid, out);
    }

    bool Dispatch(DISPID id, Kind kind, Call& call) override {
        return Derived::Members().Run(static_cast<Derived&>(*this), id, kind, call);
    }

    IDispatch* AsDispatch() noexcept { return static_cast<DispatchPart<Derived>*>(static_cast<Derived*>(this)); }
};

template <class T>
platform::ComPtr<T> Call::ObjectOrNull(size_t i) const {
    platform::ComPtr<IDispatch> d = Dispatch(i);
    if (!d) return nullptr;
    T* object = dynamic_cast<T*>(EngineObjectOf(d.Get()));
    if (!object) Fail(E_INVALIDARG, ParamName(i) + L" is not an engine object of the expected kind");
    return platform::ComPtr<T>(object);
}

template <class T>
platform::ComPtr<T> Call::Object(size_t i) const {
    platform::ComPtr<T> object = ObjectOrNull<T>(i);
    if (!object) Fail(E_INVALIDARG, ParamName(i) + L" is missing");
    return object;
}

// Our own engine object of class T behind an interface pointer, or null.
template <class T>
platform::ComPtr<T> EngineObjectAs(IUnknown* unknown) {
    return platform::ComPtr<T>(dynamic_cast<T*>(EngineObjectOf(unknown)));
}

}  // namespace mapengine
