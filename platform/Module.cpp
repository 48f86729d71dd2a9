#include "platform/Module.h"

#include "platform/Com.h"
#include "platform/Registrar.h"
#include "platform/Result.h"

#include <vector>

namespace platform {

namespace {

struct ModuleState {
    HINSTANCE instance = nullptr;
    const ClassEntry* entries = nullptr;
    size_t count = 0;
    const GUID* libid = nullptr;
    std::vector<IUnknown*> classObjects;  // cached, parallel to entries
    ITypeLib* typeLib = nullptr;
    bool typeLibTried = false;
    CRITICAL_SECTION lock;
    ModuleState() { ::InitializeCriticalSection(&lock); }
};

ModuleState& State() {
    static ModuleState state;
    return state;
}

LONG g_lockCount = 0;

// The binary that holds this code: the DLL when linked into one, else the EXE.
HINSTANCE ThisModule() {
    HMODULE m = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &m);
    return m;
}

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& cs) : cs_(cs) { ::EnterCriticalSection(&cs_); }
    ~CriticalSectionLock() { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION& cs_;
};

// The C++ runtime linked into each of our binaries takes what it needs as threads use it (a TLS
// slot, locks and their semaphores, a record of each thread, the memory kept for exceptions) and
// has no way to give it back: a library freed would leave all of it behind at each load. So a
// library stays loaded once it has loaded, and loading it again, as COM does after a host frees
// the unused libraries, costs nothing.
void StayLoaded(HINSTANCE instance) noexcept {
    HMODULE pinned = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(instance), &pinned);
}

}  // namespace

void Module::Initialize(HINSTANCE instance, const ClassEntry* entries, size_t count, const GUID* libid) {
    ModuleState& s = State();
    s.instance = instance;
    s.entries = entries;
    s.count = count;
    s.libid = libid;
    s.classObjects.assign(count, nullptr);
}

void Module::Terminate() noexcept {
    ModuleState& s = State();
    for (IUnknown*& p : s.classObjects) {
        if (p) p->Release();
        p = nullptr;
    }
    if (s.typeLib) s.typeLib->Release();
    s.typeLib = nullptr;
}

BOOL Module::HandleDllMain(HINSTANCE instance, DWORD reason, LPVOID, const ClassEntry* entries,
                           size_t count, const GUID* libid, void (*onAttach)()) noexcept {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        try {
            Initialize(instance, entries, count, libid);
            ::DisableThreadLibraryCalls(instance);
            if (onAttach) onAttach();
        } catch (...) {
            return FALSE;
        }
        StayLoaded(instance);
        return TRUE;
    case DLL_PROCESS_DETACH:
        Terminate();
        return TRUE;
    default:
        return TRUE;
    }
}

HINSTANCE Module::Instance() noexcept {
    ModuleState& s = State();
    if (!s.instance) s.instance = ThisModule();
    return s.instance;
}

std::wstring Module::Path() {
    wchar_t buf[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameW(Instance(), buf, MAX_PATH);
    return std::wstring(buf, n);
}

std::wstring Module::Folder() {
    std::wstring p = Path();
    size_t slash = p.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

LONG Module::Lock() noexcept { return ::InterlockedIncrement(&g_lockCount); }
LONG Module::Unlock() noexcept { return ::InterlockedDecrement(&g_lockCount); }
LONG Module::LockCount() noexcept { return g_lockCount; }

HRESULT Module::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ModuleState& s = State();
    for (size_t i = 0; i < s.count; ++i) {
        if (!IsEqualCLSID(clsid, *s.entries[i].clsid)) continue;
        CriticalSectionLock guard(s.lock);
        if (!s.classObjects[i]) {
            IUnknown* obj = nullptr;
            HRESULT hr = s.entries[i].createClassObject(IID_IUnknown, reinterpret_cast<void**>(&obj));
            if (FAILED(hr)) return hr;
            s.classObjects[i] = obj;
        }
        return s.classObjects[i]->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Module::CanUnloadNow() noexcept { return g_lockCount == 0 ? S_OK : S_FALSE; }

namespace {

HRESULT RunScripts(bool registering) {
    ModuleState& s = State();
    RegistrarReplacements replacements{{L"MODULE", Module::Path()}};
    HRESULT result = S_OK;
    for (size_t i = 0; i < s.count; ++i) {
        if (!s.entries[i].registryResource) continue;
        std::wstring script;
        HRESULT hr = LoadRegistrationScript(Module::Instance(), s.entries[i].registryResource, script);
        if (SUCCEEDED(hr)) hr = RunRegistrationScript(script, registering, replacements);
        if (FAILED(hr)) {
            if (registering) return hr;
            if (SUCCEEDED(result)) result = hr;  // unregistration goes on with the rest
        }
    }
    return result;
}

}  // namespace

HRESULT Module::RegisterServer(bool withTypeLibrary) {
    HRESULT hr = RunScripts(true);
    if (FAILED(hr) || !withTypeLibrary) return hr;
    ITypeLib* tlb = TypeLibrary();
    if (!tlb) return TYPE_E_CANTLOADLIBRARY;
    std::wstring path = Path();
    std::wstring helpDir = Folder();
    return ::RegisterTypeLib(tlb, const_cast<LPOLESTR>(path.c_str()), const_cast<LPOLESTR>(helpDir.c_str()));
}

HRESULT Module::UnregisterServer(bool withTypeLibrary) {
    HRESULT hr = RunScripts(false);
    if (!withTypeLibrary) return hr;
    ITypeLib* tlb = TypeLibrary();
    if (!tlb) return FAILED(hr) ? hr : TYPE_E_CANTLOADLIBRARY;
    TLIBATTR* attr = nullptr;
    HRESULT tlbHr = tlb->GetLibAttr(&attr);
    if (SUCCEEDED(tlbHr)) {
        // A library that is not registered is not a failure of unregistration (Wine answers
        // E_INVALIDARG for it), so only registered versions are removed.
        wchar_t key[80];
        wsprintfW(key, L"TypeLib\\%s\\%x.%x", GuidToString(attr->guid).c_str(), attr->wMajorVerNum,
                  attr->wMinorVerNum);
        HKEY probe = nullptr;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
            ::RegCloseKey(probe);
            tlbHr = ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        }
        tlb->ReleaseTLibAttr(attr);
    }
    return FAILED(hr) ? hr : tlbHr;
}

ITypeLib* Module::TypeLibrary() {
    ModuleState& s = State();
    CriticalSectionLock guard(s.lock);
    if (!s.typeLibTried) {
        s.typeLibTried = true;
        std::wstring path = Path();
        if (FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &s.typeLib))) s.typeLib = nullptr;
    }
    return s.typeLib;
}

ITypeInfo* Module::TypeInfo(REFGUID guid) {
    ITypeLib* tlb = TypeLibrary();
    if (!tlb) ThrowHr(TYPE_E_CANTLOADLIBRARY);
    ITypeInfo* info = nullptr;
    THROW_IF_FAILED(tlb->GetTypeInfoOfGuid(guid, &info));
    return info;
}

}  // namespace platform
