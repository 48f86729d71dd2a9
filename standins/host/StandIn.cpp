#include "standins/host/StandIn.h"

#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <cwchar>
#include <cwctype>
#include <map>

namespace hoststandin {

void CallLog::Add(std::wstring line) {
    // Benchmarks run millions of calls: with VADAZ_STANDIN_QUIET set no log grows.
    static const bool quiet = ::GetEnvironmentVariableW(L"VADAZ_STANDIN_QUIET", nullptr, 0) > 0;
    if (quiet) return;
    std::lock_guard<std::mutex> guard(mutex_);
    lines_.push_back(std::move(line));
}

std::vector<std::wstring> CallLog::Lines() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return lines_;
}

void CallLog::Clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    lines_.clear();
}

namespace {

struct ClassLogs {
    std::map<std::wstring, CallLog> logs;
    std::mutex mutex;
};

ClassLogs& AllClassLogs() {
    static ClassLogs all;
    return all;
}

}  // namespace

CallLog& ClassLog(const wchar_t* standIn) {
    ClassLogs& all = AllClassLogs();
    std::lock_guard<std::mutex> guard(all.mutex);
    return all.logs[standIn];
}

void ClearClassLogs() {
    ClassLogs& all = AllClassLogs();
    std::lock_guard<std::mutex> guard(all.mutex);
    for (auto& log : all.logs) log.second.Clear();
}

STDMETHODIMP CallLogDual::get_CallCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!log_) return E_UNEXPECTED;
    *count = static_cast<long>(log_->Lines().size());
    return S_OK;
}

STDMETHODIMP CallLogDual::CallAt(long index, BSTR* line) {
    if (!line) return E_POINTER;
    *line = nullptr;
    if (!log_) return E_UNEXPECTED;
    COM_TRY {
        std::vector<std::wstring> lines = log_->Lines();
        if (index < 0 || static_cast<size_t>(index) >= lines.size()) return E_INVALIDARG;
        return CopyOut(lines[index], line);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CallLogDual::get_CallText(BSTR* lines) {
    if (!lines) return E_POINTER;
    *lines = nullptr;
    if (!log_) return E_UNEXPECTED;
    COM_TRY {
        std::wstring text;
        for (const std::wstring& l : log_->Lines()) {
            text += l;
            text += L'\n';
        }
        return CopyOut(text, lines);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CallLogDual::ClearCalls() {
    if (!log_) return E_UNEXPECTED;
    log_->Clear();
    return S_OK;
}

namespace {

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t\r\n");
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

Faults::Faults(const wchar_t* standIn) : standIn_(standIn) {
    wchar_t buf[4096];
    DWORD n = ::GetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", buf, sizeof buf / sizeof buf[0]);
    if (n == 0 || n >= sizeof buf / sizeof buf[0]) return;
    std::wstring all(buf, n);
    std::wstring prefix = Lower(standIn_) + L".";
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t end = all.find_first_of(L",; ", pos);
        if (end == std::wstring::npos) end = all.size();
        std::wstring entry = Trim(all.substr(pos, end - pos));
        pos = end + 1;
        if (entry.empty()) continue;
        HRESULT hr = E_FAIL;
        size_t eq = entry.find(L'=');
        if (eq != std::wstring::npos) {
            hr = static_cast<HRESULT>(std::wcstoul(entry.c_str() + eq + 1, nullptr, 0));
            entry.resize(eq);
        }
        if (Lower(entry).compare(0, prefix.size(), prefix) != 0) continue;
        entries_.emplace_back(Lower(entry.substr(prefix.size())), hr);
    }
}

HRESULT Faults::Check(const wchar_t* what) const {
    // Asked on every call, also on hot paths (row walks): nothing to look up without faults.
    if (entries_.empty()) return S_OK;
    std::wstring key = Lower(what);
    for (const auto& e : entries_) {
        if (e.first == key) return Fail(e.second, L"Fault switched on: " + standIn_ + L"." + what, standIn_.c_str());
    }
    return S_OK;
}

HRESULT Fail(HRESULT hr, const std::wstring& description, const wchar_t* source) {
    platform::ComError(hr, description, source ? source : L"").Restore();
    return hr;
}

std::wstring ArgText(const wchar_t* s) { return s ? std::wstring(s) : std::wstring(L"<null>"); }
std::wstring ArgText(long v) { return std::to_wstring(v); }
std::wstring ArgText(int v) { return std::to_wstring(v); }
std::wstring ArgText(short v) { return std::to_wstring(v); }
std::wstring ArgText(unsigned long v) { return std::to_wstring(v); }

std::wstring ArgText(double v) { return platform::ToWide(platform::FormatGeneral(v, 17)); }

std::wstring ArgText(IUnknown* p) { return p ? L"<object>" : L"<null>"; }

std::wstring ArgText(const VARIANT& v) {
    switch (v.vt) {
    case VT_EMPTY:
        return L"<empty>";
    case VT_NULL:
        return L"<null>";
    case VT_ERROR:
        return v.scode == DISP_E_PARAMNOTFOUND ? L"<missing>" : L"<error " + std::to_wstring(v.scode) + L">";
    case VT_BSTR:
        return ArgText(static_cast<const wchar_t*>(v.bstrVal));
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return ArgText(v.punkVal);
    case VT_R4:
        return ArgText(static_cast<double>(v.fltVal));
    case VT_R8:
        return ArgText(v.dblVal);
    default: {
        VARIANT copy;
        ::VariantInit(&copy);
        std::wstring text = L"<vt " + std::to_wstring(v.vt) + L">";
        if (SUCCEEDED(::VariantChangeTypeEx(&copy, const_cast<VARIANT*>(&v), MAKELCID(0x409, SORT_DEFAULT), 0, VT_BSTR)))
            text = ArgText(static_cast<const wchar_t*>(copy.bstrVal));
        ::VariantClear(&copy);
        return text;
    }
    }
}

std::wstring ArgText(const GUID& g) { return platform::GuidToString(g); }

HRESULT CopyOut(const std::wstring& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace hoststandin
