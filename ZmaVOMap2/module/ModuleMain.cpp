// The library's entry point, exports and object map.
#include "ZmaVOMap2/services/HelpPath.h"
#include "ZmaVOMap2/module/ZmaPPGMapBorder.h"
#include "ZmaVOMap2/control/ZmaVadAZFactory.h"
#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/module/resource.h"
#include "platform/ClassFactory.h"
#include "platform/Module.h"

#include "VadAZ.h"

namespace {

const platform::ClassEntry kObjectMap[] = {
    {&CLSID_VadAZ2, &platform::CreateClassObject<CZmaVadAZFactory>, IDR_ZMAVADAZ},
    {&CLSID_ZmaPPGMapBorder, &platform::CreateDefaultClassObject<CZmaPPGMapBorder>, IDR_ZMAPPGMAPBORDER},
};

// The logger takes the error lines of every entry point, and the help file is found once.
void OnAttach() {
    InstallGlobalErrorLog();
    SetHelpFilePath(ComputeHelpPath(platform::Module::Path(), HKEY_CURRENT_USER));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return platform::Module::HandleDllMain(instance, reason, reserved, kObjectMap,
                                           sizeof kObjectMap / sizeof kObjectMap[0], &LIBID_VadAZ, &OnAttach);
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
