// The stand-in's entry points, exports and object map.
#include "standins/mapengine/CallLog.h"
#include "standins/mapengine/Datum.h"
#include "standins/mapengine/EngineTables.h"
#include "standins/mapengine/Map.h"
#include "standins/mapengine/Point.h"
#include "standins/mapengine/Rectangle.h"
#include "standins/mapengine/Style.h"
#include "standins/mapengine/resource.h"
#include "platform/ClassFactory.h"
#include "platform/Module.h"

#include "MapEngine.h"

namespace {

const platform::ClassEntry kObjectMap[] = {
    {&CLSID_EngineMap, &platform::CreateDefaultClassObject<mapengine::Map>, IDR_ENGINE_MAP},
    {&CLSID_EngineStyle, &platform::CreateDefaultClassObject<mapengine::Style>, IDR_ENGINE_STYLE},
    {&CLSID_EngineDatum, &platform::CreateDefaultClassObject<mapengine::Datum>, IDR_ENGINE_DATUM},
    {&CLSID_EngineRectangle, &platform::CreateDefaultClassObject<mapengine::Rectangle>, IDR_ENGINE_RECTANGLE},
    {&CLSID_EnginePoint, &platform::CreateDefaultClassObject<mapengine::Point>, IDR_ENGINE_POINT},
};

std::wstring ModuleFolderWithoutSlash() {
    std::wstring folder = platform::Module::Folder();
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return platform::Module::HandleDllMain(instance, reason, reserved, kObjectMap,
                                           sizeof kObjectMap / sizeof kObjectMap[0], &LIBID_MapEngine);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return platform::Module::GetClassObject(clsid, iid, out);
}

// The library stays loaded once loaded, so the call log that grows with every call would outlive
// the host's free of it: it goes when nothing of the library is left, as it went with its unload.
STDAPI DllCanUnloadNow() {
    const HRESULT unused = platform::Module::CanUnloadNow();
    if (unused == S_OK) mapengine::CallLog::Clear();
    return unused;
}

STDAPI DllRegisterServer() {
    COM_TRY {
        RETURN_IF_FAILED(platform::Module::RegisterServer(true));
        return mapengine::InstallEngineTables(ModuleFolderWithoutSlash());
    }
    COM_CATCH_RETURN();
}

STDAPI DllUnregisterServer() {
    COM_TRY {
        HRESULT tables = mapengine::RemoveEngineTables();
        HRESULT server = platform::Module::UnregisterServer(true);
        return FAILED(server) ? server : tables;
    }
    COM_CATCH_RETURN();
}
