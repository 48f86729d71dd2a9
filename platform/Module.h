// The module of one binary (DLL or EXE): its instance handle, lock count, object map with cached
// class objects, registration and its embedded type library.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

namespace platform {

struct ClassEntry {
    const CLSID* clsid;
    // Creates the class object (a new reference). Called once; the module caches the result.
    HRESULT (*createClassObject)(REFIID iid, void** out);
    // Resource id of the registration script (resource type "REGISTRY"); 0 for none.
    UINT registryResource;
};

class Module {
public:
    // Called from DllMain (or by an EXE at start). `libid` may be null when there is no type library.
    static void Initialize(HINSTANCE instance, const ClassEntry* entries, size_t count, const GUID* libid);
    // Releases the cached class objects (DllMain at process detach).
    static void Terminate() noexcept;
    // What a DLL's DllMain does: initialise at attach (then run `onAttach`, if any) and keep the
    // library loaded from then on, terminate at detach (which comes with the process's end).
    // FALSE when the attach failed.
    static BOOL HandleDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved, const ClassEntry* entries,
                              size_t count, const GUID* libid, void (*onAttach)() = nullptr) noexcept;

    static HINSTANCE Instance() noexcept;
    static std::wstring Path();    // full path of this binary
    static std::wstring Folder();  // with its trailing backslash

    static LONG Lock() noexcept;
    static LONG Unlock() noexcept;
    static LONG LockCount() noexcept;

    static HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
    static HRESULT CanUnloadNow() noexcept;
    // Runs every entry's registration script, then registers the type library (TYPELIB 1).
    static HRESULT RegisterServer(bool withTypeLibrary);
    static HRESULT UnregisterServer(bool withTypeLibrary);

    // The module's own type library (resource TYPELIB 1), loaded once; null when there is none.
    static ITypeLib* TypeLibrary();
    // Type information of one interface of that library; throws ComError on failure.
    static ITypeInfo* TypeInfo(REFGUID guid);
};

}  // namespace platform
