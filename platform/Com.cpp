#include "platform/Com.h"

#include "platform/Result.h"

#include <vector>

namespace platform {

namespace {
BSTR AllocOrThrow(const wchar_t* s, UINT len) {
    BSTR b = ::SysAllocStringLen(s, len);
    if (!b) ThrowHr(E_OUTOFMEMORY);
    return b;
}
}  // namespace

std::string ToLower(std::string text) {
    if (!text.empty()) ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring ToLower(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

wchar_t ToLower(wchar_t c) noexcept {
    // CharLowerW takes a single character in the low word of its argument and answers it lowered.
    return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
}

ComPtr<IDispatch> DispatchOf(const VARIANT& value) {
    ComPtr<IDispatch> object;
    if ((value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) && value.punkVal)
        value.punkVal->QueryInterface(IID_IDispatch, object.PutVoid());
    return object;
}

ComPtr<IUnknown> IdentityOf(IUnknown* object) {
    ComPtr<IUnknown> identity;
    if (object) object->QueryInterface(IID_IUnknown, identity.PutVoid());
    return identity;
}

ComPtr<IDispatch> RequireDispatch(const VARIANT& value) {
    ComPtr<IDispatch> object = DispatchOf(value);
    if (!object) ThrowHr(E_POINTER);
    return object;
}

Bstr::Bstr(const wchar_t* s) {
    if (s) s_ = AllocOrThrow(s, static_cast<UINT>(wcslen(s)));
}

Bstr::Bstr(const std::wstring& s) : s_(AllocOrThrow(s.data(), static_cast<UINT>(s.size()))) {}

Bstr::Bstr(const Bstr& o) {
    if (o.s_) s_ = AllocOrThrow(o.s_, o.Length());
}

Bstr Bstr::FromAnsi(const std::string& s) { return Bstr(ToWide(s)); }

BSTR Bstr::Copy() const {
    return s_ ? AllocOrThrow(s_, Length()) : nullptr;
}

std::string Bstr::Ansi() const { return ToAnsi(Wide()); }

Variant::Variant(const VARIANT& v) {
    ::VariantInit(this);
    THROW_IF_FAILED(::VariantCopy(this, const_cast<VARIANT*>(&v)));
}

Variant::Variant(const wchar_t* s) {
    ::VariantInit(this);
    vt = VT_BSTR;
    bstrVal = s ? AllocOrThrow(s, static_cast<UINT>(wcslen(s))) : nullptr;
}

Variant::Variant(IDispatch* d) noexcept {
    ::VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = d;
    if (d) d->AddRef();
}

Variant::Variant(IUnknown* u) noexcept {
    ::VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = u;
    if (u) u->AddRef();
}

Variant& Variant::operator=(const Variant& v) {
    if (this != &v) THROW_IF_FAILED(::VariantCopy(this, const_cast<Variant*>(&v)));
    return *this;
}

Variant& Variant::operator=(Variant&& v) noexcept {
    if (this != &v) {
        ::VariantClear(this);
        *static_cast<VARIANT*>(this) = v;
        v.vt = VT_EMPTY;
    }
    return *this;
}

namespace {
const wchar_t kReferenceToNothing[] = L"An argument passed by reference points at nothing";
}  // namespace

HRESULT CopyIndirect(VARIANT* to, const VARIANT& from) noexcept {
    if ((from.vt & VT_BYREF) && !from.byref) {
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(::CreateErrorInfo(&create))) {
            create->SetDescription(const_cast<LPOLESTR>(kReferenceToNothing));
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                ::SetErrorInfo(0, info);
                info->Release();
            }
            create->Release();
        }
        return E_INVALIDARG;
    }
    return ::VariantCopyInd(to, const_cast<VARIANT*>(&from));
}

namespace {
Variant ChangeType(const VARIANT& v, VARTYPE type) {
    Variant out;
    if ((v.vt & VT_BYREF) && !v.byref) throw ComError(E_INVALIDARG, kReferenceToNothing);
    const HRESULT hr = ::VariantChangeType(&out, const_cast<VARIANT*>(&v), 0, type);
    if (FAILED(hr)) throw ComError(hr, L"A value could not be converted to the type needed");
    return out;
}
}  // namespace

long Variant::ToLong() const { return ChangeType(*this, VT_I4).lVal; }
double Variant::ToDouble() const { return ChangeType(*this, VT_R8).dblVal; }
bool Variant::ToBool() const { return ChangeType(*this, VT_BOOL).boolVal != VARIANT_FALSE; }

std::wstring Variant::ToWide() const {
    Variant s = ChangeType(*this, VT_BSTR);
    return s.bstrVal ? std::wstring(s.bstrVal, ::SysStringLen(s.bstrVal)) : std::wstring();
}

std::wstring ToWide(const char* s, UINT codePage) {
    if (!s || !*s) return std::wstring();
    int n = ::MultiByteToWideChar(codePage, 0, s, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, s, -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring ToWide(const std::string& s, UINT codePage) {
    if (s.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

std::string ToAnsi(const wchar_t* s, UINT codePage) {
    return s ? ToAnsi(std::wstring(s), codePage) : std::string();
}

std::string ToAnsi(BSTR s, UINT codePage) {
    return s ? ToAnsi(std::wstring(s, ::SysStringLen(s)), codePage) : std::string();
}

std::string ToAnsi(const std::wstring& s, UINT codePage) {
    if (s.empty()) return std::string();
    int n = ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

bool ToAnsiExact(const std::wstring& s, std::string& out) {
    out.clear();
    if (s.empty()) return true;
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                        nullptr, &lossy);
    if (n <= 0 || lossy) return false;
    out.assign(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, &lossy);
    return !lossy;
}

std::string ToAnsiStrict(const std::wstring& s, UINT codePage, bool* replaced) {
    // UTF-8 holds every character (and takes no default character).
    if ((codePage == CP_ACP ? ::GetACP() : codePage) == CP_UTF8) {
        if (replaced) *replaced = false;
        return ToAnsi(s, CP_UTF8);
    }
    BOOL used = FALSE;
    std::string out;
    if (!s.empty()) {
        const int length = static_cast<int>(s.size());
        const int n = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, s.data(), length, nullptr, 0, "?", &used);
        out.assign(static_cast<size_t>(n > 0 ? n : 0), '\0');
        if (n > 0) ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, s.data(), length, &out[0], n, "?", &used);
    }
    if (replaced) *replaced = used != FALSE;
    return out;
}

std::wstring GuidToString(REFGUID g) {
    wchar_t buf[40] = {};
    ::StringFromGUID2(g, buf, 40);
    return buf;
}

}  // namespace platform
