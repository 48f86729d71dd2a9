// Smart pointers and value holders for COM: ComPtr, Bstr, Variant, and text conversions.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace platform {

// Owns one reference to a COM interface.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& o) noexcept { ComPtr(o).Swap(*this); return *this; }
    ComPtr& operator=(ComPtr&& o) noexcept { ComPtr(std::move(o)).Swap(*this); return *this; }
    ComPtr& operator=(T* p) noexcept { ComPtr(p).Swap(*this); return *this; }
    ComPtr& operator=(std::nullptr_t) noexcept { Reset(); return *this; }

    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept { ComPtr r; r.p_ = p; return r; }
    T* Detach() noexcept { T* p = p_; p_ = nullptr; return p; }

    void Reset() noexcept { if (p_) { T* p = p_; p_ = nullptr; p->Release(); } }
    void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For out-arguments: releases what is held and hands out the slot.
    T** Put() noexcept { Reset(); return &p_; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    // Hands a reference to a caller's out-argument.
    HRESULT CopyTo(T** out) const noexcept {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }

    template <class U>
    HRESULT As(ComPtr<U>& out) const noexcept {
        if (!p_) { out.Reset(); return E_POINTER; }
        return p_->QueryInterface(__uuidof(U), out.PutVoid());
    }
    HRESULT As(REFIID iid, void** out) const noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        return p_ ? p_->QueryInterface(iid, out) : E_POINTER;
    }

private:
    T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) noexcept { return a.Get() == b.Get(); }

// Owns one BSTR.
class Bstr {
public:
    Bstr() noexcept = default;
    Bstr(const wchar_t* s);
    Bstr(const std::wstring& s);
    Bstr(const Bstr& o);
    Bstr(Bstr&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
    ~Bstr() { ::SysFreeString(s_); }

    Bstr& operator=(const Bstr& o) { Bstr(o).Swap(*this); return *this; }
    Bstr& operator=(Bstr&& o) noexcept { Bstr(std::move(o)).Swap(*this); return *this; }

    static Bstr Attach(BSTR s) noexcept { Bstr b; b.s_ = s; return b; }
    static Bstr FromAnsi(const std::string& s);
    BSTR Detach() noexcept { BSTR s = s_; s_ = nullptr; return s; }
    BSTR Copy() const;  // a new BSTR for an out-argument; throws on allocation failure
    void Swap(Bstr& o) noexcept { std::swap(s_, o.s_); }

    BSTR Get() const noexcept { return s_; }
    BSTR* Put() noexcept { ::SysFreeString(s_); s_ = nullptr; return &s_; }
    UINT Length() const noexcept { return ::SysStringLen(s_); }
    bool Empty() const noexcept { return Length() == 0; }
    std::wstring Wide() const { return s_ ? std::wstring(s_, Length()) : std::wstring(); }
    std::string Ansi() const;

private:
    BSTR s_ = nullptr;
};

// Owns one VARIANT.
// Empties a VARIANT in place. Plain numbers own nothing and are emptied without the system's
// clearing (a frame reads two values of every row).
inline void ClearVariant(VARIANT& value) noexcept {
    if (value.vt == VT_R8 || value.vt == VT_I4 || value.vt == VT_EMPTY || value.vt == VT_NULL)
        value.vt = VT_EMPTY;
    else
        ::VariantClear(&value);
}

// Text lower-cased as the system lower-cases it (the ANSI code page for narrow text).
std::string ToLower(std::string text);
std::wstring ToLower(std::wstring text);
wchar_t ToLower(wchar_t c) noexcept;

// The object a variant holds (by dispatch or unknown interface), asked for its dispatch
// interface; null when it holds none. RequireDispatch raises E_POINTER instead.
ComPtr<IDispatch> DispatchOf(const VARIANT& value);
ComPtr<IDispatch> RequireDispatch(const VARIANT& value);
// The object's identity (its IUnknown), by which two references are the same object; null for null.
ComPtr<IUnknown> IdentityOf(IUnknown* object);

class Variant : public VARIANT {
public:
    Variant() noexcept { ::VariantInit(this); }
    Variant(const VARIANT& v);
    Variant(const Variant& v) : Variant(static_cast<const VARIANT&>(v)) {}
    Variant(Variant&& v) noexcept { *static_cast<VARIANT*>(this) = v; v.vt = VT_EMPTY; }
    explicit Variant(long v) noexcept { ::VariantInit(this); vt = VT_I4; lVal = v; }
    explicit Variant(int v) noexcept : Variant(static_cast<long>(v)) {}
    explicit Variant(short v) noexcept { ::VariantInit(this); vt = VT_I2; iVal = v; }
    explicit Variant(double v) noexcept { ::VariantInit(this); vt = VT_R8; dblVal = v; }
    explicit Variant(float v) noexcept { ::VariantInit(this); vt = VT_R4; fltVal = v; }
    explicit Variant(bool v) noexcept { ::VariantInit(this); vt = VT_BOOL; boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; }
    explicit Variant(const wchar_t* s);
    explicit Variant(const std::wstring& s) : Variant(s.c_str()) {}
    explicit Variant(IDispatch* d) noexcept;
    explicit Variant(IUnknown* u) noexcept;
    ~Variant() { ::VariantClear(this); }

    Variant& operator=(const Variant& v);
    Variant& operator=(Variant&& v) noexcept;

    void Clear() noexcept { ::VariantClear(this); }
    VARIANT* Put() noexcept { ::VariantClear(this); return this; }
    VARIANT Detach() noexcept { VARIANT v = *this; vt = VT_EMPTY; return v; }

    // Conversions that throw ComError when the value cannot be changed to the type.
    long ToLong() const;
    double ToDouble() const;
    bool ToBool() const;
    std::wstring ToWide() const;

    // The marker of an argument left out (VT_ERROR, DISP_E_PARAMNOTFOUND), and the test for it.
    static Variant Missing() noexcept {
        Variant v;
        v.vt = VT_ERROR;
        v.scode = DISP_E_PARAMNOTFOUND;
        return v;
    }
    static bool IsMissing(const VARIANT& v) noexcept { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }
};

// VariantCopyInd for a caller's argument: a reference that points at nothing is refused with
// E_INVALIDARG instead of being read through.
HRESULT CopyIndirect(VARIANT* to, const VARIANT& from) noexcept;

// Arrays of Variant are handed to APIs that take VARIANT arrays.
static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must add no data to VARIANT");

// ANSI code page (CP_ACP) and UTF-16 conversions.
std::wstring ToWide(const std::string& s, UINT codePage = CP_ACP);
std::wstring ToWide(const char* s, UINT codePage = CP_ACP);
std::string ToAnsi(const std::wstring& s, UINT codePage = CP_ACP);
std::string ToAnsi(const wchar_t* s, UINT codePage = CP_ACP);
std::string ToAnsi(BSTR s, UINT codePage = CP_ACP);
// The text in the ANSI code page only when every character has a form there (no "?" stand-ins);
// false otherwise.
bool ToAnsiExact(const std::wstring& s, std::string& out);
// The text in `codePage` without best-fit stand-ins (no "S" for "Σ", no "µ" for "μ"): a character
// the code page has no form for becomes "?". `replaced`, when given, tells whether any did.
std::string ToAnsiStrict(const std::wstring& s, UINT codePage = CP_ACP, bool* replaced = nullptr);

// "{XXXXXXXX-...}" of a GUID.
std::wstring GuidToString(REFGUID g);

}  // namespace platform
