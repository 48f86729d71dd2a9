// The dispatch helper shared by every engine object: members are found by DISPID in a table of
// handlers, arguments are checked and coerced to the types the type library declares, by-reference
// arguments are written back, failures become EXCEPINFO, and every call is logged.
#pragma once

#include "platform/Com.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mapengine {

// How a member is reached: property get, property put (putref included), or method call.
enum class Kind { Get, Put, Method };

// One parameter as the type library declares it.
struct ParamType {
    VARTYPE vt = VT_VARIANT;  // the value's type (for a pointer parameter, the pointee's)
    bool byRef = false;
    bool optional = false;
    std::wstring name;
};

// One member of a dispinterface (a DISPID with one invoke kind).
struct MemberType {
    std::wstring name;
    std::vector<ParamType> params;
    VARTYPE result = VT_EMPTY;  // VT_EMPTY: returns nothing
};

// The members of one dispinterface, read once from the module's type library.
class InterfaceTypes {
public:
    static const InterfaceTypes& Of(REFIID iid);  // throws ComError when the library lacks it
    explicit InterfaceTypes(REFIID iid);           // use Of: it reads each interface once

    const MemberType* Find(DISPID id, Kind kind) const;
    // The DISPID of the member called `name` (exact spelling); E_INVALIDARG naming it when the
    // interface has no such member.
    DISPID IdOf(const std::wstring& name) const;
    ITypeInfo* Info() const noexcept { return info_.Get(); }
    const std::wstring& Name() const noexcept { return name_; }

private:

    platform::ComPtr<ITypeInfo> info_;
    std::wstring name_;
    std::map<std::pair<DISPID, Kind>, MemberType> members_;
    std::map<std::wstring, DISPID> ids_;
};

// The arguments of one call, already coerced to their declared types, and its result.
class Call {
public:
    Call(const MemberType& type, std::vector<platform::Variant> args, std::vector<VARIANT*> outs)
        : type_(type), args_(std::move(args)), outs_(std::move(outs)) {}

    size_t Count() const noexcept { return args_.size(); }
    // False for an omitted optional argument.
    bool Has(size_t i) const;
    const VARIANT& Arg(size_t i) const;

    double Double(size_t i) const;
    float Float(size_t i) const;
    long Long(size_t i) const;
    short Short(size_t i) const;
    bool Bool(size_t i) const;
    std::wstring String(size_t i) const;
    // The object of an IDispatch or IUnknown argument; null for Nothing, empty or null.
    platform::ComPtr<IDispatch> Dispatch(size_t i) const;
    // Our own engine object of class T, or E_INVALIDARG naming the parameter.
    template <class T>
    platform::ComPtr<T> Object(size_t i) const;
    template <class T>
    platform::ComPtr<T> ObjectOrNull(size_t i) const;

    // Writes an out-value into a by-reference argument (ignored when it was passed by value).
    void SetOut(size_t i, const VARIANT& value);

    // The result; coerced to the declared result type when the call ends.
    void Return(platform::Variant value) { result_ = std::move(value); }
    void Return(double v) { result_ = platform::Variant(v); }
    void Return(float v) { result_ = platform::Variant(v); }
    void Return(long v) { result_ = platform::Variant(v); }
    void Return(int v) { result_ = platform::Variant(static_cast<long>(v)); }
    void Return(short v) { result_ = platform::Variant(v); }
    void Return(bool v) { result_ = platform::Variant(v); }
    void Return(const std::wstring& v) { result_ = platform::Variant(v); }
    void Return(IDispatch* v) { result_ = platform::Variant(v); }
    template <class T>
    void Return(const platform::ComPtr<T>& v) { result_ = platform::Variant(static_cast<IDispatch*>(v.Get())); }
    platform::Variant& Result() noexcept { return result_; }

    const std::wstring& ParamName(size_t i) const;

private:
    const MemberType& type_;
    std::vector<platform::Variant> args_;
    std::vector<VARIANT*> outs_;
    platform::Variant result_;
};

// Raises a failure of an engine call with a description (becomes EXCEPINFO).
[[noreturn]] void Fail(HRESULT hr, const std::wstring& description);

// The index of a 1-based position in a collection of `count` items, or DISP_E_BADINDEX
// ("No <what> at position <n>").
size_t IndexOfPosition(long position, size_t count, const wchar_t* what);

// Whether two names are the same without regard to case. A map of thousands of layers is asked
// for each new layer's name: the library's comparison takes the locale on every call, this one
// looks at a character's case only where the two differ.
bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) noexcept;

// The index of the item that argument `arg` names: a text is looked up by name without case
// (`nameOf(item)`), anything else is a 1-based position. DISP_E_BADINDEX when nothing matches.
template <class List, class NameOf>
size_t IndexByNameOrPosition(const Call& c, size_t arg, const List& items, NameOf nameOf, const wchar_t* what) {
    if (c.Arg(arg).vt == VT_BSTR) {
        std::wstring name = c.String(arg);
        for (size_t i = 0; i < items.size(); ++i) {
            if (SameNameIgnoringCase(nameOf(items[i]), name)) return i;
        }
        Fail(DISP_E_BADINDEX, std::wstring(L"No ") + what + L" named " + name);
    }
    return IndexOfPosition(c.Long(arg), items.size(), what);
}

// Finds the engine object behind an IDispatch of ours; null for foreign objects.
class EngineObjectBase;
EngineObjectBase* EngineObjectOf(IUnknown* unknown);

// The handler side of a call: given the member and the coerced call, runs it; false when the
// object has no handler for it.
class CallTarget {
public:
    virtual bool Dispatch(DISPID id, Kind kind, Call& call) = 0;

protected:
    ~CallTarget() = default;
};

// IDispatch::Invoke on `target` over the members of `types`. `objectName` goes into the log.
HRESULT InvokeMember(const InterfaceTypes& types, const wchar_t* objectName, CallTarget& target, DISPID id,
                     WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

// Coerces `value` to `vt` as a call argument would be (DISP_E_TYPEMISMATCH when it cannot be).
HRESULT CoerceValue(const VARIANT& value, VARTYPE vt, platform::Variant& out);

// A readable form of one value for the call log ("I4:5", "BSTR:\"x\"", "missing", ...).
std::wstring DescribeValue(const VARIANT& value);

}  // namespace mapengine
