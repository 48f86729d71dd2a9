#include "standins/mapengine/EngineDispatch.h"

#include "standins/mapengine/CallLog.h"
#include "standins/mapengine/EngineObject.h"
#include "platform/Module.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <cstdio>
#include <cwctype>
#include <mutex>
#include <tuple>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace mapengine {

// {B3A58689-659E-470F-A608-F17B9ACE9657}
const IID IID_IEngineSelf = {0xB3A58689, 0x659E, 0x470F, {0xA6, 0x08, 0xF1, 0x7B, 0x9A, 0xCE, 0x96, 0x57}};

namespace {

const wchar_t kSource[] = L"MapEngine";

Kind KindOf(INVOKEKIND k) {
    switch (k) {
    case INVOKE_PROPERTYGET: return Kind::Get;
    case INVOKE_PROPERTYPUT:
    case INVOKE_PROPERTYPUTREF: return Kind::Put;
    default: return Kind::Method;
    }
}

ParamType ParamFrom(const ELEMDESC& e) {
    ParamType p;
    const TYPEDESC* t = &e.tdesc;
    if (t->vt == VT_PTR && t->lptdesc) {
        p.byRef = true;
        t = t->lptdesc;
    }
    p.vt = t->vt;
    p.optional = (e.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
    return p;
}

}  // namespace

InterfaceTypes::InterfaceTypes(REFIID iid) {
    info_ = ComPtr<ITypeInfo>::Attach(platform::Module::TypeInfo(iid));
    BSTR name = nullptr;
    if (SUCCEEDED(info_->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) {
        name_ = Bstr::Attach(name).Wide();
    }
    TYPEATTR* attr = nullptr;
    THROW_IF_FAILED(info_->GetTypeAttr(&attr));
    WORD funcs = attr->cFuncs;
    info_->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < funcs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info_->GetFuncDesc(i, &f))) continue;
        MemberType m;
        for (SHORT p = 0; p < f->cParams; ++p) m.params.push_back(ParamFrom(f->lprgelemdescParam[p]));
        BSTR names[32] = {};
        UINT got = 0;
        info_->GetNames(f->memid, names, 32, &got);
        for (UINT n = 0; n < got; ++n) {
            std::wstring text = names[n] ? names[n] : L"";
            ::SysFreeString(names[n]);
            if (n == 0) m.name = text;
            else if (n - 1 < m.params.size()) m.params[n - 1].name = text;
        }
        for (size_t p = 0; p < m.params.size(); ++p) {
            if (m.params[p].name.empty()) m.params[p].name = L"argument " + std::to_wstring(p + 1);
        }
        // A property put's value has no name of its own.
        if (f->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF) && !m.params.empty()) {
            m.params.back().name = L"value";
        }
        VARTYPE r = f->elemdescFunc.tdesc.vt;
        if (r == VT_PTR && f->elemdescFunc.tdesc.lptdesc) r = f->elemdescFunc.tdesc.lptdesc->vt;
        m.result = (r == VT_VOID || r == VT_HRESULT) ? static_cast<VARTYPE>(VT_EMPTY) : r;
        ids_.emplace(m.name, f->memid);
        Kind kind = KindOf(f->invkind);
        // A property put and a putref of the same member share one handler.
        members_.emplace(std::make_pair(f->memid, kind), std::move(m));
        info_->ReleaseFuncDesc(f);
    }
}

const InterfaceTypes& InterfaceTypes::Of(REFIID iid) {
    static std::mutex lock;
    static std::map<std::wstring, InterfaceTypes> cache;  // kept until the process ends
    std::lock_guard<std::mutex> guard(lock);
    std::wstring key = platform::GuidToString(iid);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(std::piecewise_construct, std::forward_as_tuple(key), std::forward_as_tuple(iid)).first;
    return it->second;
}

const MemberType* InterfaceTypes::Find(DISPID id, Kind kind) const {
    auto it = members_.find(std::make_pair(id, kind));
    return it == members_.end() ? nullptr : &it->second;
}

DISPID InterfaceTypes::IdOf(const std::wstring& name) const {
    auto it = ids_.find(name);
    if (it == ids_.end()) Fail(E_INVALIDARG, name_ + L" has no member " + name);
    return it->second;
}

bool Call::Has(size_t i) const {
    if (i >= args_.size()) return false;
    const VARIANT& v = args_[i];
    return !(v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

const VARIANT& Call::Arg(size_t i) const {
    if (!Has(i)) Fail(DISP_E_PARAMNOTFOUND, ParamName(i) + L" is missing");
    return args_[i];
}

namespace {
Variant Converted(const VARIANT& v, VARTYPE vt, const std::wstring& name) {
    Variant out;
    if (FAILED(CoerceValue(v, vt, out))) Fail(DISP_E_TYPEMISMATCH, name + L" has the wrong type");
    return out;
}
}  // namespace

double Call::Double(size_t i) const { return Converted(Arg(i), VT_R8, ParamName(i)).dblVal; }
float Call::Float(size_t i) const { return Converted(Arg(i), VT_R4, ParamName(i)).fltVal; }
long Call::Long(size_t i) const { return Converted(Arg(i), VT_I4, ParamName(i)).lVal; }
short Call::Short(size_t i) const { return Converted(Arg(i), VT_I2, ParamName(i)).iVal; }
bool Call::Bool(size_t i) const { return Converted(Arg(i), VT_BOOL, ParamName(i)).boolVal != VARIANT_FALSE; }

std::wstring Call::String(size_t i) const {
    Variant s = Converted(Arg(i), VT_BSTR, ParamName(i));
    return s.bstrVal ? std::wstring(s.bstrVal, ::SysStringLen(s.bstrVal)) : std::wstring();
}

ComPtr<IDispatch> Call::Dispatch(size_t i) const {
    if (!Has(i)) return nullptr;
    Variant d = Converted(args_[i], VT_DISPATCH, ParamName(i));
    return ComPtr<IDispatch>(d.pdispVal);
}

void Call::SetOut(size_t i, const VARIANT& value) {
    if (i >= outs_.size() || !outs_[i]) return;
    VARIANT* target = outs_[i];
    if (target->vt == (VT_BYREF | VT_VARIANT)) {
        THROW_IF_FAILED(::VariantCopy(target->pvarVal, const_cast<VARIANT*>(&value)));
        return;
    }
    VARTYPE vt = static_cast<VARTYPE>(target->vt & ~VT_BYREF);
    Variant v = Converted(value, vt, ParamName(i));
    switch (vt) {
    case VT_I2: *target->piVal = v.iVal; break;
    case VT_I4: *target->plVal = v.lVal; break;
    case VT_R4: *target->pfltVal = v.fltVal; break;
    case VT_R8: *target->pdblVal = v.dblVal; break;
    case VT_BOOL: *target->pboolVal = v.boolVal; break;
    case VT_BSTR:
        ::SysFreeString(*target->pbstrVal);
        *target->pbstrVal = v.bstrVal;
        v.vt = VT_EMPTY;
        break;
    default: Fail(DISP_E_TYPEMISMATCH, ParamName(i) + L" cannot take an out-value");
    }
}

const std::wstring& Call::ParamName(size_t i) const {
    static const std::wstring unknown = L"argument";
    return i < type_.params.size() ? type_.params[i].name : unknown;
}

void Fail(HRESULT hr, const std::wstring& description) { throw platform::ComError(hr, description, kSource); }

size_t IndexOfPosition(long position, size_t count, const wchar_t* what) {
    if (position < 1 || static_cast<size_t>(position) > count) {
        Fail(DISP_E_BADINDEX, std::wstring(L"No ") + what + L" at position " + std::to_wstring(position));
    }
    return static_cast<size_t>(position - 1);
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

EngineObjectBase* EngineObjectOf(IUnknown* unknown) {
    if (!unknown) return nullptr;
    ComPtr<IEngineSelf> self;
    if (FAILED(unknown->QueryInterface(IID_IEngineSelf, self.PutVoid())) || !self) return nullptr;
    return self->Self();
}

HRESULT CoerceValue(const VARIANT& value, VARTYPE vt, Variant& out) {
    const VARIANT* v = &value;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    if (vt == VT_VARIANT) return ::VariantCopyInd(&out, const_cast<VARIANT*>(v));
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        Variant plain;
        RETURN_IF_FAILED(::VariantCopyInd(&plain, const_cast<VARIANT*>(v)));
        IUnknown* unk = nullptr;
        if (plain.vt == VT_DISPATCH) unk = plain.pdispVal;
        else if (plain.vt == VT_UNKNOWN) unk = plain.punkVal;
        else if (plain.vt != VT_EMPTY && plain.vt != VT_NULL) return DISP_E_TYPEMISMATCH;
        out.Clear();
        out.vt = vt;
        out.punkVal = nullptr;
        if (!unk) return S_OK;
        return unk->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, reinterpret_cast<void**>(&out.punkVal)) ==
                       S_OK
                   ? S_OK
                   : DISP_E_TYPEMISMATCH;
    }
    // Objects are never turned into numbers or text through their default member.
    VARTYPE from = static_cast<VARTYPE>(v->vt & ~VT_BYREF);
    if (from == VT_DISPATCH || from == VT_UNKNOWN || (v->vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
    HRESULT hr = ::VariantChangeType(&out, const_cast<VARIANT*>(v), 0, vt);
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

std::wstring DescribeValue(const VARIANT& value) {
    if (value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND) return L"missing";
    const VARIANT* v = &value;
    std::wstring ref;
    if (v->vt & VT_BYREF) {
        ref = L"&";
        if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) {
            return L"VARIANT&:" + DescribeValue(*v->pvarVal);
        }
    }
    VARTYPE vt = static_cast<VARTYPE>(v->vt & ~VT_BYREF);
    const wchar_t* name = L"?";
    switch (vt) {
    case VT_EMPTY: return L"EMPTY" + ref;
    case VT_NULL: return L"NULL" + ref;
    case VT_I2: name = L"I2"; break;
    case VT_I4: name = L"I4"; break;
    case VT_R4: name = L"R4"; break;
    case VT_R8: name = L"R8"; break;
    case VT_BOOL: name = L"BOOL"; break;
    case VT_BSTR: name = L"BSTR"; break;
    case VT_DISPATCH: return L"DISPATCH" + ref + ((v->vt & VT_BYREF ? *v->ppdispVal : v->pdispVal) ? L":object" : L":null");
    case VT_UNKNOWN: return L"UNKNOWN" + ref + ((v->vt & VT_BYREF ? *v->ppunkVal : v->punkVal) ? L":object" : L":null");
    case VT_ERROR: name = L"ERROR"; break;
    case VT_UI1: name = L"UI1"; break;
    case VT_CY: name = L"CY"; break;
    case VT_DATE: name = L"DATE"; break;
    default: {
        wchar_t buf[24];
        std::swprintf(buf, 24, L"VT%u", static_cast<unsigned>(v->vt));
        return buf;
    }
    }
    Variant text;
    std::wstring shown;
    if (vt == VT_R8 || vt == VT_R4) {
        double d = vt == VT_R8 ? (v->vt & VT_BYREF ? *v->pdblVal : v->dblVal) : (v->vt & VT_BYREF ? *v->pfltVal : v->fltVal);
        shown = platform::ToWide(platform::FormatGeneral(d, 17));
    } else if (SUCCEEDED(::VariantChangeType(&text, const_cast<VARIANT*>(v), 0, VT_BSTR)) && text.bstrVal) {
        shown.assign(text.bstrVal, ::SysStringLen(text.bstrVal));
        if (vt == VT_BSTR) shown = L"\"" + shown + L"\"";
    }
    return std::wstring(name) + ref + L":" + shown;
}

namespace {

const wchar_t* FlagText(Kind kind, WORD flags) {
    if (flags & DISPATCH_PROPERTYPUTREF) return L"putref";
    switch (kind) {
    case Kind::Get: return L"get";
    case Kind::Put: return L"put";
    default: return L"call";
    }
}

void LogCall(const wchar_t* objectName, const std::wstring& member, DISPID id, Kind kind, WORD flags,
             const DISPPARAMS& p) {
    std::wstring line = objectName;
    line += L".";
    line += member.empty() ? L"?" : member;
    line += L"(" + std::to_wstring(id) + L") ";
    line += FlagText(kind, flags);
    for (UINT i = p.cArgs; i > 0; --i) line += L" " + DescribeValue(p.rgvarg[i - 1]);
    CallLog::Append(std::move(line));
}

// Chooses the member for the flags: puts by their kind; a combined method-and-get call (as script
// hosts make) prefers the method.
const MemberType* Resolve(const InterfaceTypes& types, DISPID id, WORD flags, Kind& kind) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        kind = Kind::Put;
        return types.Find(id, Kind::Put);
    }
    if (flags & DISPATCH_METHOD) {
        kind = Kind::Method;
        if (const MemberType* m = types.Find(id, Kind::Method)) return m;
    }
    if (flags & DISPATCH_PROPERTYGET) {
        kind = Kind::Get;
        return types.Find(id, Kind::Get);
    }
    return nullptr;
}

HRESULT Report(const platform::ComError& e, EXCEPINFO* excepInfo) {
    e.Restore();
    if (!excepInfo) return e.Error();
    *excepInfo = EXCEPINFO{};
    excepInfo->scode = e.Error();
    excepInfo->bstrSource = ::SysAllocString(kSource);
    std::wstring d = e.Description();
    excepInfo->bstrDescription = ::SysAllocString(d.c_str());
    return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT InvokeMember(const InterfaceTypes& types, const wchar_t* objectName, CallTarget& target, DISPID id,
                     WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    DISPPARAMS& p = params ? *params : none;
    Kind kind = Kind::Method;
    const MemberType* member = Resolve(types, id, flags, kind);
    LogCall(objectName, member ? member->name : std::wstring(), id, kind, flags, p);
    if (!member) return DISP_E_MEMBERNOTFOUND;

    // Only a put's value may be named (DISPID_PROPERTYPUT).
    if (p.cNamedArgs > 0 && !(kind == Kind::Put && p.cNamedArgs == 1 && p.rgdispidNamedArgs &&
                              p.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)) {
        return DISP_E_NONAMEDARGS;
    }
    const size_t declared = member->params.size();
    if (p.cArgs > declared) return DISP_E_BADPARAMCOUNT;

    std::vector<Variant> args(declared);
    std::vector<VARIANT*> outs(declared, nullptr);
    for (size_t i = 0; i < declared; ++i) {
        const ParamType& type = member->params[i];
        bool given = i < p.cArgs;
        VARIANT* arg = given ? &p.rgvarg[p.cArgs - 1 - i] : nullptr;
        if (!given || (arg->vt == VT_ERROR && arg->scode == DISP_E_PARAMNOTFOUND)) {
            if (!type.optional) {
                if (argErr) *argErr = given ? static_cast<UINT>(p.cArgs - 1 - i) : 0;
                return DISP_E_PARAMNOTFOUND;
            }
            args[i].vt = VT_ERROR;
            args[i].scode = DISP_E_PARAMNOTFOUND;
            continue;
        }
        if (type.byRef && (arg->vt & VT_BYREF)) outs[i] = arg;
        if (FAILED(CoerceValue(*arg, type.vt, args[i]))) {
            if (argErr) *argErr = static_cast<UINT>(p.cArgs - 1 - i);
            return DISP_E_TYPEMISMATCH;
        }
    }

    Call call(*member, std::move(args), std::move(outs));
    try {
        if (!target.Dispatch(id, kind, call)) return DISP_E_MEMBERNOTFOUND;
        if (result && kind != Kind::Put && member->result != VT_EMPTY) {
            Variant& r = call.Result();
            Variant typed;
            if (member->result == VT_VARIANT) typed = std::move(r);
            else if (FAILED(CoerceValue(r, member->result, typed)))
                Fail(E_UNEXPECTED, L"The engine could not form the result of " + member->name);
            *result = typed.Detach();
        }
        return S_OK;
    } catch (const platform::ComError& e) {
        return Report(e, excepInfo);
    } catch (const std::bad_alloc&) {
        return Report(platform::ComError(E_OUTOFMEMORY, L"Out of memory", kSource), excepInfo);
    } catch (...) {
        return Report(platform::ComError(E_FAIL, L"Unexpected failure in the engine", kSource), excepInfo);
    }
}

}  // namespace mapengine
