// The library's entry point, exports and object map.
#include "ZmaVOMap2/HelpPath.h"
#include "ZmaVOMap2/ZmaPPGMapBorder.h"
#include "ZmaVOMap2/ZmaVadAZFactory.h"
#include "ZmaVOMap2/control/Logger.h"
#include "ZmaVOMap2/resource.h"
#include "platform/ClassFactory.h"
#include "platform/Module.h"

#include "VadAZ.h"

namespace {

const platform::ClassEntry kObjectMap[] = {
    {&CLSID_VadAZ2, &platform::CreateClassObject<CZmaVadAZFactory>, IDR_ZMAVADAZ},
    {&CLSID_ZmaPPGMapBorder, &platform::CreateDefaultClassObject<CZmaPPGMapBorder>, IDR_ZMAPPGMAPBORDER},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        try {
            platform::Module::Initialize(instance, kObjectMap, sizeof kObjectMap / sizeof kObjectMap[0], &LIBID_VadAZ);
            ::DisableThreadLibraryCalls(instance);
            InstallGlobalErrorLog();
            SetHelpFilePath(ComputeHelpPath(platform::Module::Path(), HKEY_CURRENT_USER));
        } catch (...) {
            return FALSE;
        }
        return TRUE;
    case DLL_PROCESS_DETACH:
        platform::Module::Terminate();
        return TRUE;
    default:
        return TRUE;
    }
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return platform::Module::GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return platform::Module::CanUnloadNow(); }

STDAPI DllRegisterServer() {
    COM_TRY {
        return platform::Module::RegisterServer(true);
    }
    COM_CATCH_RETURN();
}

STDAPI DllUnregisterServer() {
    COM_TRY {
        return platform::Module::UnregisterServer(true);
    }
    COM_CATCH_RETURN();
}
