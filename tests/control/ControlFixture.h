// Creating the map control the way a host does, with the stand-ins' fault switches.
#pragma once

#include "platform/Com.h"
#include "tests/support/TestSite.h"

#include "HostInterfaces.h"
#include "MapEngine.h"
#include "VadAZ.h"

#include <gtest/gtest.h>

#include <string>

namespace controltest {

// Fault switches of the stand-ins, read when they are created.
inline void SetEngineFaults(const wchar_t* faults) { ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", faults); }
inline void SetHostFaults(const wchar_t* faults) { ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", faults); }

inline HRESULT CreateControl(platform::ComPtr<IUnknown>& control) {
    return ::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid());
}

template <class I>
platform::ComPtr<I> As(IUnknown* object) {
    platform::ComPtr<I> out;
    if (object) object->QueryInterface(__uuidof(I), out.PutVoid());
    return out;
}

// The engine's own test hooks, reached through the control (which hands out the engine's
// interfaces for everything it does not implement itself).
inline platform::ComPtr<IEngineTestHooks> EngineHooks(IUnknown* control) { return As<IEngineTestHooks>(control); }

inline std::wstring LastEngineCall(IEngineTestHooks* hooks) {
    LONG count = 0;
    hooks->CallCount(&count);
    if (count == 0) return L"";
    BSTR text = nullptr;
    hooks->CallText(count - 1, &text);
    return platform::Bstr::Attach(text).Wide();
}

inline bool EngineLogContains(IEngineTestHooks* hooks, const std::wstring& part) {
    LONG count = 0;
    hooks->CallCount(&count);
    for (LONG i = 0; i < count; ++i) {
        BSTR text = nullptr;
        hooks->CallText(i, &text);
        if (platform::Bstr::Attach(text).Wide().find(part) != std::wstring::npos) return true;
    }
    return false;
}

}  // namespace controltest
