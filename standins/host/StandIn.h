// What every host stand-in shares: call logs that tests read, fault switches read from the
// environment, and the text form of call arguments.
//
// Fault switches: VADAZ_HOST_FAULTS holds entries "<stand-in>.<what>[=<hresult>]" separated by
// commas, semicolons or blanks, for example "unitconverter.create,hostservice.ApplyProfile=0x80070005".
// <what> is "create" (the class refuses to create an object) or a method name. The variable is
// read whenever an object is created, so a test switches a fault on, creates, and switches it off.
// Without "=<hresult>" the failure is E_FAIL. A failing call sets error information naming the
// fault.
#pragma once

#include "platform/ComObject.h"
#include "platform/Dispatch.h"

#include "HostInterfaces.h"

#include <mutex>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace hoststandin {

// Lines of calls, in the order they came.
class CallLog {
public:
    void Add(std::wstring line);
    std::vector<std::wstring> Lines() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;
};

// The process-wide log of one service class (named as in the fault switches).
CallLog& ClassLog(const wchar_t* standIn);
// Empties every class's log.
void ClearClassLogs();

// IHostCallLog over one log; a base of every stand-in.
class CallLogDual : public platform::DualImpl<IHostCallLog> {
public:
    // The derived object binds its log in its constructor (the base list of the COM object base
    // leaves no room for constructor arguments).
    void BindLog(CallLog& log) noexcept { log_ = &log; }

    STDMETHODIMP get_CallCount(long* count) override;
    STDMETHODIMP CallAt(long index, BSTR* line) override;
    STDMETHODIMP get_CallText(BSTR* lines) override;
    STDMETHODIMP ClearCalls() override;

protected:
    CallLog& Log() noexcept { return *log_; }

private:
    CallLog* log_ = nullptr;
};

class Faults {
public:
    explicit Faults(const wchar_t* standIn);
    // S_OK, or the switched-on failure for `what` with error information set.
    HRESULT Check(const wchar_t* what) const;

private:
    std::wstring standIn_;
    std::vector<std::pair<std::wstring, HRESULT>> entries_;
};

// Sets error information (description and source) and answers hr.
HRESULT Fail(HRESULT hr, const std::wstring& description, const wchar_t* source);

// Text of call arguments.
std::wstring ArgText(const wchar_t* s);
std::wstring ArgText(long v);
std::wstring ArgText(int v);
std::wstring ArgText(short v);
std::wstring ArgText(unsigned long v);
std::wstring ArgText(double v);
std::wstring ArgText(IUnknown* p);
std::wstring ArgText(const VARIANT& v);
std::wstring ArgText(const GUID& g);
inline std::wstring ArgText(const std::wstring& s) { return s; }
inline std::wstring ArgText(HDC dc) { return dc ? L"<hdc>" : L"<null>"; }
template <class I, class = std::enable_if_t<std::is_base_of_v<IUnknown, I>>>
std::wstring ArgText(I* p) { return ArgText(static_cast<IUnknown*>(p)); }

template <class... A>
std::wstring CallLine(const wchar_t* method, const A&... args) {
    std::wstring line = method;
    line += L'(';
    bool first = true;
    ((line += (first ? L"" : L", "), line += ArgText(args), first = false), ...);
    line += L')';
    return line;
}

// Out-argument helpers.
HRESULT CopyOut(const std::wstring& s, BSTR* out);

// A reference kept for the whole process in a function-local static. At process end the module
// that made the object may already be gone, so the reference is dropped without a Release.
template <class T>
class ProcessRef {
public:
    ~ProcessRef() { (void)p_.Detach(); }
    platform::ComPtr<T>& Get() noexcept { return p_; }

private:
    platform::ComPtr<T> p_;
};

}  // namespace hoststandin

template <>
struct platform::InterfaceIdOf<hoststandin::CallLogDual> {
    static const IID& Get() { return IID_IHostCallLog; }
};
