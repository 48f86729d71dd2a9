#include "ZmaVOMap2/services/PackageManager.h"

#include "platform/Result.h"

#include <urlmon.h>

using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kPackageManagerName[] = L"Terravex://ZmoPackageManager";

HRESULT LookUp(ComPtr<IUnknown>& object) {
    ComPtr<IMoniker> moniker;
    HRESULT hr = ::CreateURLMonikerEx(nullptr, kPackageManagerName, moniker.Put(), URL_MK_UNIFORM);
    if (FAILED(hr)) return hr;
    ComPtr<IRunningObjectTable> table;
    hr = ::GetRunningObjectTable(0, table.Put());
    if (FAILED(hr)) return hr;
    return table->GetObject(moniker.Get(), object.Put());
}

HRESULT StartPackageManager() {
    ComPtr<IHostPackageManager> starter;
    HRESULT hr = ::CoCreateInstance(CLSID_HostPackageManager, nullptr, CLSCTX_ALL, IID_IHostPackageManager,
                                    starter.PutVoid());
    if (FAILED(hr)) return hr;
    return starter->Start();
}

}  // namespace

HRESULT IsPackageManagerRunning(bool& running, bool start) {
    ComPtr<IUnknown> object;
    HRESULT hr = LookUp(object);
    running = SUCCEEDED(hr) && object;
    if (running || !start) return running ? S_OK : (hr == MK_E_UNAVAILABLE ? S_OK : hr);
    bool again = false;
    hr = IsPackageManagerRunning(again, false);
    if (FAILED(hr)) return hr;
    if (again) return S_FALSE;
    return StartPackageManager();
}

HRESULT FindPackageManager(ComPtr<IHostPackageManager>& manager) {
    manager.Reset();
    ComPtr<IUnknown> object;
    if (SUCCEEDED(LookUp(object)) && object) return object->QueryInterface(IID_IHostPackageManager, manager.PutVoid());
    bool running = false;
    IsPackageManagerRunning(running, false);
    if (!running) {
        HRESULT hr = StartPackageManager();
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = LookUp(object);
    if (FAILED(hr) || !object) return FAILED(hr) ? hr : E_FAIL;
    return object->QueryInterface(IID_IHostPackageManager, manager.PutVoid());
}

std::wstring ResolvePackagePath(const std::wstring& address, long flags) {
    try {
        ComPtr<IHostPackageManager> manager;
        if (FAILED(FindPackageManager(manager)) || !manager) return std::wstring();
        BSTR path = nullptr;
        if (FAILED(manager->ResolvePath(Bstr(address).Get(), flags, &path)) || !path) return std::wstring();
        return Bstr::Attach(path).Wide();
    }
    CATCH_SWALLOW("an address the package manager cannot resolve has no path");
    return std::wstring();
}
