#include "platform/Result.h"

#include "platform/Com.h"

#include <cstdio>
#include <new>

namespace platform {

namespace {
ErrorLog* g_errorLog = nullptr;
// Whether the barrier reported a failure inside the innermost entry point of this thread.
thread_local bool t_failureReported = false;
}

EntryErrorScope::EntryErrorScope() noexcept : outerReported_(t_failureReported) {
    t_failureReported = false;
    ::SetErrorInfo(0, nullptr);
}

EntryErrorScope::~EntryErrorScope() {
    if (!t_failureReported) ::SetErrorInfo(0, nullptr);
    t_failureReported = outerReported_;
}

ComError::ComError(HRESULT hr) noexcept : hr_(hr) {}

ComError ComError::FromCall(HRESULT hr) noexcept {
    ComError e(hr);
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) == S_OK) e.info_ = info;
    return e;
}

ComError::ComError(HRESULT hr, const std::wstring& description, const std::wstring& source) : hr_(hr) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(::CreateErrorInfo(&create))) {
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        if (!source.empty()) create->SetSource(const_cast<LPOLESTR>(source.c_str()));
        create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info_));
        create->Release();
    }
}

ComError::ComError(const ComError& o) noexcept : hr_(o.hr_), info_(o.info_) {
    if (info_) info_->AddRef();
}

ComError& ComError::operator=(const ComError& o) noexcept {
    if (this != &o) {
        if (o.info_) o.info_->AddRef();
        if (info_) info_->Release();
        hr_ = o.hr_;
        info_ = o.info_;
    }
    return *this;
}

ComError::~ComError() {
    if (info_) info_->Release();
}

std::wstring ComError::Description() const {
    if (!info_) return std::wstring();
    BSTR d = nullptr;
    if (FAILED(info_->GetDescription(&d))) return std::wstring();
    return Bstr::Attach(d).Wide();
}

void ComError::Restore() const noexcept {
    ::SetErrorInfo(0, info_);
    t_failureReported = true;
}

void ThrowHr(HRESULT hr) { throw ComError(hr); }
void ThrowCall(HRESULT hr) { throw ComError::FromCall(hr); }

void SetErrorLog(ErrorLog* log) noexcept { g_errorLog = log; }
ErrorLog* GetErrorLog() noexcept { return g_errorLog; }

std::string FormatComErrorLine(const ComError& e) {
    char code[16];
    std::snprintf(code, sizeof code, "%lx", static_cast<unsigned long>(e.Error()));
    std::string line = "Error: 0x";
    line += code;
    if (e.ErrorInfo()) {
        BSTR d = nullptr;
        if (SUCCEEDED(e.ErrorInfo()->GetDescription(&d)) && d) {
            line += ToAnsi(d);
            ::SysFreeString(d);
            return line;
        }
        ::SysFreeString(d);
    }
    line += "<null>";
    return line;
}

namespace {
void WriteLine(ErrorLog* log, const char* file, int line, const std::string& text) noexcept {
    try {
        if (log && log->IsEnabledFor(kLogLevelError)) log->Write(kLogLevelError, file, line, text);
    } catch (...) {
        // A logger that fails must not turn one failure into a crash.
    }
}
}  // namespace

HRESULT HandleCaughtException(const char* file, int line) noexcept {
    ErrorLog* log = g_errorLog;
    try {
        throw;
    } catch (const ComError& e) {
        std::string text;
        try { text = FormatComErrorLine(e); } catch (...) {}
        WriteLine(log, file, line, text);
        e.Restore();
        return e.Error();
    } catch (const std::bad_alloc&) {
        // An allocation failure is a failure of its own kind, not an unknown one.
        WriteLine(log, file, line, "Error: 0x8007000e<null>");
        ::SetErrorInfo(0, nullptr);
        return E_OUTOFMEMORY;
    } catch (...) {
        // Error information set before the throw (a failed range check sets its text) stays for
        // the caller; the logger, itself a COM object, must not take it away.
        IErrorInfo* info = nullptr;
        if (::GetErrorInfo(0, &info) != S_OK) info = nullptr;
        WriteLine(log, file, line, "Unknown exception");
        ::SetErrorInfo(0, info);
        if (info) info->Release();
        t_failureReported = true;
        return E_FAIL;
    }
}

HRESULT PassFailure(HRESULT hr) noexcept {
    if (FAILED(hr)) t_failureReported = true;
    return hr;
}

void LogAsUnknown(const char* file, int line) noexcept {
    WriteLine(g_errorLog, file, line, "Unknown exception");
    ::SetErrorInfo(0, nullptr);
}

HRESULT LogCaughtException(const char* file, int line) noexcept {
    const bool reported = t_failureReported;
    HRESULT hr = HandleCaughtException(file, line);
    t_failureReported = reported;
    ::SetErrorInfo(0, nullptr);
    return hr;
}

HRESULT CaughtRefusal() noexcept {
    try {
        throw;
    } catch (const ComError& e) {
        e.Restore();
        return e.Error();
    } catch (...) {
        return CaughtResult();
    }
}

HRESULT CaughtResult() noexcept {
    try {
        throw;
    } catch (const ComError& e) {
        return e.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace platform
