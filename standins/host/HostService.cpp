// The host service and the settings-profile / lines-to-cells component behind its methods 11 to
// 15. The service creates the component named by the ProgID of each call and hands the call on;
// the component remembers the profile and lets a test play its part (calling back into the
// control, or failing).
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"

namespace hoststandin {

using platform::Bstr;
using platform::ComPtr;

namespace {

struct ProfileState {
    std::mutex mutex;
    std::wstring currentProfile;
    ProcessRef<IUnknown> handler;
};

ProfileState& Profiles() {
    static ProfileState state;
    return state;
}

class HostService : public platform::ComObject<HostService, IHostService, ISupportErrorInfo, CallLogDual> {
public:
    HostService() : faults_(L"hostservice") { BindLog(ClassLog(L"hostservice")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, IID_IHostService) ? S_OK : S_FALSE;
    }

    STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }

    STDMETHODIMP OpenProfile(BSTR progId, BSTR profile, IUnknown* control, IUnknown** component) override {
        Log().Add(CallLine(L"OpenProfile", progId, profile, control));
        if (!component) return E_POINTER;
        *component = nullptr;
        return Forward(L"OpenProfile", progId, [&](IHostProfileComponent* c) {
            return c->OpenProfile(profile, control, component);
        });
    }

    STDMETHODIMP LoadProfile(BSTR progId, BSTR profile, IUnknown* control) override {
        Log().Add(CallLine(L"LoadProfile", progId, profile, control));
        return Forward(L"LoadProfile", progId, [&](IHostProfileComponent* c) { return c->LoadProfile(profile, control); });
    }

    STDMETHODIMP ApplyProfile(BSTR progId, BSTR profile, IUnknown* control) override {
        Log().Add(CallLine(L"ApplyProfile", progId, profile, control));
        return Forward(L"ApplyProfile", progId, [&](IHostProfileComponent* c) { return c->ApplyProfile(profile, control); });
    }

    STDMETHODIMP ApplyBatchProfile(BSTR progId, BSTR profile, BSTR batchJobId, IUnknown* control) override {
        Log().Add(CallLine(L"ApplyBatchProfile", progId, profile, batchJobId, control));
        return Forward(L"ApplyBatchProfile", progId, [&](IHostProfileComponent* c) {
            return c->ApplyBatchProfile(profile, batchJobId, control);
        });
    }

    STDMETHODIMP UpdateLinesToCells(BSTR progId, BSTR profile, IUnknown* control, long flag) override {
        Log().Add(CallLine(L"UpdateLinesToCells", progId, profile, control, flag));
        return Forward(L"UpdateLinesToCells", progId, [&](IHostProfileComponent* c) {
            return c->UpdateLinesToCells(profile, control, flag);
        });
    }

private:
    template <class Call>
    HRESULT Forward(const wchar_t* method, BSTR progId, Call call) {
        COM_TRY {
            RETURN_IF_FAILED(faults_.Check(method));
            if (!progId || !*progId) return Fail(E_INVALIDARG, L"No component named", L"HostService");
            CLSID clsid;
            HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
            if (FAILED(hr)) return Fail(hr, std::wstring(L"Unknown component ") + progId, L"HostService");
            ComPtr<IHostProfileComponent> component;
            hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IHostProfileComponent, component.PutVoid());
            if (FAILED(hr)) return Fail(hr, std::wstring(L"Cannot create component ") + progId, L"HostService");
            // The component's own error information travels back unchanged.
            return platform::PassFailure(call(component.Get()));
        }
        COM_CATCH_RETURN();
    }

    Faults faults_;
};

class HostProfileComponent
    : public platform::ComObject<HostProfileComponent, IHostProfileComponent, ISupportErrorInfo,
                                 platform::DualImpl<IHostProfileTest>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostProfileTest>>> {
public:
    HostProfileComponent() : faults_(L"profile") { BindLog(ClassLog(L"profile")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, IID_IHostProfileComponent) ? S_OK : S_FALSE;
    }

    STDMETHODIMP OpenProfile(BSTR profile, IUnknown* control, IUnknown** component) override {
        Log().Add(CallLine(L"OpenProfile", profile, control));
        if (!component) return E_POINTER;
        *component = nullptr;
        HRESULT hr = Handle(L"OpenProfile", profile, control);
        if (SUCCEEDED(hr)) {
            *component = static_cast<IHostProfileComponent*>(this);
            AddRef();
        }
        return hr;
    }

    STDMETHODIMP LoadProfile(BSTR profile, IUnknown* control) override {
        Log().Add(CallLine(L"LoadProfile", profile, control));
        return Handle(L"LoadProfile", profile, control);
    }

    STDMETHODIMP ApplyProfile(BSTR profile, IUnknown* control) override {
        Log().Add(CallLine(L"ApplyProfile", profile, control));
        return Handle(L"ApplyProfile", profile, control);
    }

    STDMETHODIMP ApplyBatchProfile(BSTR profile, BSTR batchJobId, IUnknown* control) override {
        Log().Add(CallLine(L"ApplyBatchProfile", profile, batchJobId, control));
        return Handle(L"ApplyBatchProfile", profile, control);
    }

    STDMETHODIMP UpdateLinesToCells(BSTR profile, IUnknown* control, long flag) override {
        Log().Add(CallLine(L"UpdateLinesToCells", profile, control, flag));
        return Handle(L"UpdateLinesToCells", profile, control);
    }

    // IHostProfileTest
    STDMETHODIMP SetHandler(IUnknown* handler) override {
        std::lock_guard<std::mutex> guard(Profiles().mutex);
        Profiles().handler.Get() = handler;
        return S_OK;
    }

    STDMETHODIMP get_CurrentProfile(BSTR* profile) override {
        COM_TRY {
            std::lock_guard<std::mutex> guard(Profiles().mutex);
            return CopyOut(Profiles().currentProfile, profile);
        }
        COM_CATCH_RETURN();
    }

private:
    HRESULT Handle(const wchar_t* method, BSTR profile, IUnknown* control) {
        COM_TRY {
            RETURN_IF_FAILED(faults_.Check(method));
            ComPtr<IUnknown> handler;
            {
                std::lock_guard<std::mutex> guard(Profiles().mutex);
                Profiles().currentProfile = profile ? profile : L"";
                handler = Profiles().handler.Get();
            }
            if (!handler) return S_OK;
            // The handler may call the control, which may call us again: no lock is held here.
            Bstr name(method);
            ComPtr<IHostCallHandler> typed;
            // The handler's failure, with its error information, is the component's.
            if (SUCCEEDED(handler.As(typed))) return platform::PassFailure(typed->OnCall(name.Get(), profile, control));
            ComPtr<IDispatch> script;
            if (FAILED(handler.As(script))) return E_NOINTERFACE;
            platform::Variant args[3];
            args[2] = platform::Variant(method);
            args[1] = platform::Variant(profile ? static_cast<const wchar_t*>(profile) : L"");
            args[0] = platform::Variant(control);
            platform::Variant result;
            return platform::PassFailure(
                platform::InvokeByDispid(script.Get(), DISPID_VALUE, DISPATCH_METHOD, args, 3, &result));
        }
        COM_CATCH_RETURN();
    }

    Faults faults_;
};

}  // namespace

HRESULT CreateHostServiceClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostService>(iid, out);
}

HRESULT CreateProfileComponentClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostProfileComponent>(iid, out);
}

}  // namespace hoststandin
