// The error vocabulary: ComError, the result macros, and the exception barrier that every COM,
// window and thread edge ends with.
//
// Inside the system a failure travels as a ComError exception that carries an HRESULT and, where
// one was set, the error information of the call that failed. At the edge the barrier logs it
// ("Error: 0x" + HRESULT in lower-case hex + description, or "<null>") at level 40000, puts the
// error information back for the caller, and returns the HRESULT. Anything else is logged as
// "Unknown exception" and answered with E_FAIL.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <exception>
#include <string>

namespace platform {

constexpr int kLogLevelInfo = 20000;
constexpr int kLogLevelWarning = 30000;
constexpr int kLogLevelError = 40000;

class ComError {
public:
    explicit ComError(HRESULT hr) noexcept;
    // Takes the thread's current error information, if any (as a failed COM call leaves it).
    static ComError FromCall(HRESULT hr) noexcept;
    // An error with a fixed description, set as error information with the given source.
    ComError(HRESULT hr, const std::wstring& description, const std::wstring& source = L"");
    ComError(const ComError& o) noexcept;
    ComError& operator=(const ComError& o) noexcept;
    ~ComError();

    HRESULT Error() const noexcept { return hr_; }
    IErrorInfo* ErrorInfo() const noexcept { return info_; }
    // The description of the error information, empty when there is none.
    std::wstring Description() const;
    // Makes this error the thread's error information again (before returning to a caller).
    void Restore() const noexcept;

private:
    HRESULT hr_;
    IErrorInfo* info_ = nullptr;
};

[[noreturn]] void ThrowHr(HRESULT hr);
[[noreturn]] void ThrowCall(HRESULT hr);  // keeps the callee's error information

inline void ThrowIfFailed(HRESULT hr) { if (FAILED(hr)) ThrowCall(hr); }
template <class T>
inline T* ThrowIfNull(T* p, HRESULT hr = E_POINTER) { if (!p) ThrowHr(hr); return p; }

// The logger behind the barrier. The system's logger plugs in here; until it does, the barrier
// writes nothing.
class ErrorLog {
public:
    virtual bool IsEnabledFor(int level) = 0;
    virtual void Write(int level, const char* file, int line, const std::string& text) = 0;

protected:
    ~ErrorLog() = default;
};
void SetErrorLog(ErrorLog* log) noexcept;
ErrorLog* GetErrorLog() noexcept;

// The text the barrier logs for a COM error: "Error: 0x80004005Description" or "...<null>".
std::string FormatComErrorLine(const ComError& e);

// Call inside `catch (...)`: classifies the exception in flight, logs it, and returns its HRESULT.
HRESULT HandleCaughtException(const char* file, int line) noexcept;

// Call inside `catch (...)` where every failure is reported alike: logs "Unknown exception",
// whatever was raised, and leaves no error information behind.
void LogAsUnknown(const char* file, int line) noexcept;

// Call inside `catch (...)` where the failure is swallowed: logs it like the barrier and answers
// its HRESULT, but leaves no error information behind, since the caller is not told of it.
HRESULT LogCaughtException(const char* file, int line) noexcept;

// The error information an entry point leaves its caller. It clears what earlier calls left on
// the thread when the entry point starts, and when it ends clears what inner calls left behind,
// unless the entry point's barrier reported a failure of its own meanwhile: a caller that asks
// GetErrorInfo after a failure reads about that failure, or nothing.
class EntryErrorScope {
public:
    EntryErrorScope() noexcept;
    ~EntryErrorScope();
    EntryErrorScope(const EntryErrorScope&) = delete;
    EntryErrorScope& operator=(const EntryErrorScope&) = delete;

private:
    bool outerReported_;
};

// An entry point that answers a callee's failure as its own (a forwarder): the callee's error
// information stays for the caller. Answers `hr`.
HRESULT PassFailure(HRESULT hr) noexcept;

// Call inside `catch (...)`: like CaughtResult, but a COM error's own error information becomes
// the thread's again, so that the caller that reports the failure reports its description.
HRESULT CaughtRefusal() noexcept;

// What CATCH_SWALLOW does with the failure it swallows: nothing but forget its error information,
// so that it cannot pass for a later failure's. The reason is for the reader.
inline void Swallowed(const char* /*why*/) noexcept { ::SetErrorInfo(0, nullptr); }

// Call inside `catch (...)`: hands the failure in flight to `report` (the COM error, or null for
// anything else), which tells it in words of its own, then forgets its error information as a
// swallow does. Nothing `report` raises goes further.
template <class Report>
void ReportCaught(Report&& report) noexcept {
    try {
        throw;
    } catch (const ComError& e) {
        try { report(&e); } catch (...) {}
    } catch (...) {
        try { report(static_cast<const ComError*>(nullptr)); } catch (...) {}
    }
    ::SetErrorInfo(0, nullptr);
}

// Call inside `catch (...)`: the HRESULT of the exception in flight, with nothing logged and the
// error information left as it is: a COM error's own code, E_OUTOFMEMORY for an allocation
// failure, E_FAIL for anything else. For inner operations whose caller decides what to report.
HRESULT CaughtResult() noexcept;

// Runs an inner operation that answers an HRESULT: a failure raised inside is its answer, with
// nothing logged (CATCH_RETURN_QUIET in the form of a call).
template <class Operation>
HRESULT ResultOf(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return CaughtResult();
    }
}

}  // namespace platform

// The barrier of an entry point:  COM_TRY { ...body...; return S_OK; } COM_CATCH_RETURN();
// Used as a statement: it opens the entry point's error-information scope.
#define PLATFORM_CONCAT_(a, b) a##b
#define PLATFORM_CONCAT(a, b) PLATFORM_CONCAT_(a, b)
#define COM_TRY ::platform::EntryErrorScope PLATFORM_CONCAT(entryErrorScope_, __LINE__); try
#define COM_CATCH_RETURN() \
    catch (...) { return ::platform::HandleCaughtException(__FILE__, __LINE__); }

// For callbacks that return something other than an HRESULT: logs and swallows.
#define COM_CATCH_LOG() \
    catch (...) { ::platform::LogCaughtException(__FILE__, __LINE__); }

// For callbacks that report every failure alike, as "Unknown exception".
#define CATCH_LOG_UNKNOWN() \
    catch (...) { ::platform::LogAsUnknown(__FILE__, __LINE__); }

// For inner operations that answer an HRESULT and leave the reporting to their caller.
#define CATCH_RETURN_QUIET() \
    catch (...) { return ::platform::CaughtResult(); }

// For inner operations whose caller passes their failure on: its description stays with it.
#define CATCH_RETURN_KEEP_INFO() \
    catch (...) { return ::platform::CaughtRefusal(); }

// A deliberate swallow: the failure changes nothing that anyone could act on, and says why:
//   try { ... } CATCH_SWALLOW("a tooltip that cannot be shown is no failure of the move");
#define CATCH_SWALLOW(why) \
    catch (...) { ::platform::Swallowed(why); }

// A failure told in the caller's own words and swallowed; `report` takes the COM error (or null):
//   try { ... } CATCH_REPORT([&](const platform::ComError* e) { Log(kError, "..."); });
#define CATCH_REPORT(report) \
    catch (...) { ::platform::ReportCaught(report); }

#define RETURN_IF_FAILED(expr) \
    do { HRESULT hr__ = (expr); if (FAILED(hr__)) return hr__; } while (0)
#define THROW_IF_FAILED(expr) ::platform::ThrowIfFailed(expr)
