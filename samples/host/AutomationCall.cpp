#include "samples/host/AutomationCall.h"

#include "platform/Result.h"

#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>

namespace samplehost {

using platform::Bstr;
using platform::ComError;
using platform::Variant;

namespace {

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
    std::vector<std::wstring> parts(1);
    bool quoted = false;
    for (wchar_t c : text) {
        if (c == L'"') quoted = !quoted;
        if (c == L',' && !quoted) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

bool ParseLong(const std::wstring& s, long& value) {
    if (s.empty()) return false;
    size_t start = (s[0] == L'-' || s[0] == L'+') ? 1 : 0;
    if (start == s.size()) return false;
    for (size_t i = start; i < s.size(); ++i)
        if (!std::iswdigit(s[i])) return false;
    errno = 0;
    long long v = std::wcstoll(s.c_str(), nullptr, 10);
    if (errno == ERANGE || v < LONG_MIN || v > LONG_MAX) return false;
    value = static_cast<long>(v);
    return true;
}

bool ParseDouble(const std::wstring& s, double& value) {
    if (s.empty() || s.find_first_not_of(L"+-0123456789.eE") != std::wstring::npos) return false;
    wchar_t* end = nullptr;
    value = std::wcstod(s.c_str(), &end);  // the "C" locale: a dot is the decimal mark
    return end && *end == 0;
}

// Invoke with the arguments reversed, as DISPPARAMS wants them; EXCEPINFO becomes a ComError.
Variant Invoke(IDispatch* target, DISPID id, WORD flags, const std::vector<Variant>& args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {};
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }
    Variant result;
    EXCEPINFO info = {};
    UINT argErr = 0;
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.Put(), &info, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        Bstr description = Bstr::Attach(info.bstrDescription);
        Bstr source = Bstr::Attach(info.bstrSource);
        ::SysFreeString(info.bstrHelpFile);
        HRESULT code = info.scode ? info.scode : E_FAIL;
        throw ComError(code, description.Wide(), source.Wide());
    }
    THROW_IF_FAILED(hr);
    return result;
}

}  // namespace

Variant ArgumentValue(const std::wstring& text) {
    long l = 0;
    double d = 0;
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') return Variant(text.substr(1, text.size() - 2));
    if (ParseLong(text, l)) return Variant(l);
    if (ParseDouble(text, d)) return Variant(d);
    if (text == L"true") return Variant(true);
    if (text == L"false") return Variant(false);
    return Variant(text);
}

MemberCall ParseMemberCall(const std::wstring& text) {
    MemberCall call;
    size_t eq = text.find(L'=');
    call.name = text.substr(0, eq);
    if (call.name.empty()) throw ComError(E_INVALIDARG, L"a call needs a member name: Name or Name=arg,...");
    if (eq != std::wstring::npos)
        for (const std::wstring& a : SplitArguments(text.substr(eq + 1))) call.args.push_back(ArgumentValue(a));
    return call;
}

Variant CallByName(IDispatch* target, const MemberCall& call) {
    platform::ThrowIfNull(target);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(call.name.c_str());
    HRESULT hr = target->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw ComError(hr, L"no member named " + call.name);
    try {
        return Invoke(target, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, call.args);
    } catch (const ComError& asCall) {
        // "CurrentTool=1003" names a property to set: a get refuses the extra argument (or, having
        // no parameters, takes it as an index into the value it answers).
        const HRESULT refused = asCall.Error();
        if (call.args.empty() ||
            (refused != DISP_E_MEMBERNOTFOUND && refused != DISP_E_BADPARAMCOUNT && refused != DISP_E_NOTACOLLECTION))
            throw;
        try {
            return Invoke(target, id, DISPATCH_PROPERTYPUT, call.args);
        } catch (const ComError& asPut) {
            // Neither a method nor a property to set: the first answer says more.
            if (asPut.Error() == DISP_E_MEMBERNOTFOUND) throw asCall;
            throw;
        }
    }
}

Variant InvokeMethod(IDispatch* target, DISPID id, const std::vector<Variant>& args) {
    platform::ThrowIfNull(target);
    return Invoke(target, id, DISPATCH_METHOD, args);
}

std::wstring DescribeValue(const VARIANT& v) {
    if (v.vt & VT_ARRAY) return L"(array)";
    switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
        return L"(nothing)";
    case VT_NULL:
        return L"null";
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return (v.vt & VT_BYREF ? (v.ppunkVal && *v.ppunkVal) : v.punkVal != nullptr) ? L"(object)" : L"(null object)";
    case VT_ERROR: {
        wchar_t text[32];
        std::swprintf(text, 32, L"(error 0x%08lx)", static_cast<unsigned long>(v.vt & VT_BYREF ? *v.pscode : v.scode));
        return text;
    }
    case VT_BOOL:
        return (v.vt & VT_BYREF ? *v.pboolVal : v.boolVal) ? L"true" : L"false";
    default:
        break;
    }
    Variant text;
    // The invariant locale keeps the decimal mark a dot whatever the user's settings say.
    if (FAILED(::VariantChangeTypeEx(text.Put(), const_cast<VARIANT*>(&v), LOCALE_INVARIANT, VARIANT_ALPHABOOL,
                                     VT_BSTR)))
        return L"(value of type " + std::to_wstring(v.vt) + L")";
    std::wstring s(text.bstrVal, ::SysStringLen(text.bstrVal));
    return (v.vt & ~VT_BYREF) == VT_BSTR ? L"\"" + s + L"\"" : s;
}

}  // namespace samplehost
