// Entry points and object map of the host stand-ins.
#include "standins/host/Classes.h"

#include "platform/Module.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

namespace {

// One registration script covers every class; it runs with the first entry.
const platform::ClassEntry kObjectMap[] = {
    {&CLSID_HostService, &hoststandin::CreateHostServiceClass, 1},
    {&CLSID_HostProfileComponent, &hoststandin::CreateProfileComponentClass, 0},
    {&CLSID_HostUnitConverter, &hoststandin::CreateUnitConverterClass, 0},
    {&CLSID_HostStreamText, &hoststandin::CreateStreamTextClass, 0},
    {&CLSID_HostLoggingManager, &hoststandin::CreateLoggingManagerClass, 0},
    {&CLSID_HostLoggingCompanion, &hoststandin::CreateLoggingCompanionClass, 0},
    {&CLSID_HostPackageManager, &hoststandin::CreatePackageManagerClass, 0},
    {&CLSID_MapPrintSettings, &hoststandin::CreatePrintSettingsClass, 0},
    {&CLSID_HostLegend, &hoststandin::CreateLegendClass, 0},
    {&CLSID_HostPrintLegend, &hoststandin::CreatePrintLegendClass, 0},
    {&CLSID_HostLabelStyle, &hoststandin::CreateLabelStyleClass, 0},
    {&CLSID_HostStringList, &hoststandin::CreateStringListClass, 0},
    {&CLSID_HostRegionSet, &hoststandin::CreateRegionSetClass, 0},
    {&CLSID_HostAttributes, &hoststandin::CreateAttributesClass, 0},
    {&CLSID_AttributePicker, &hoststandin::CreateAttributePickerClass, 0},
    {&CLSID_HostDataset, &hoststandin::CreateDatasetClass, 0},
    {&CLSID_SampleDataset, &hoststandin::CreateSampleDatasetClass, 0},
    {&CLSID_HostFieldStyle, &hoststandin::CreateFieldStyleClass, 0},
    {&CLSID_HostFieldConfiguration, &hoststandin::CreateFieldConfigurationClass, 0},
    {&CLSID_HostPointRenderer, &hoststandin::CreatePointRendererClass, 0},
    {&CLSID_HostEnhancedRenderer, &hoststandin::CreateEnhancedRendererClass, 0},
    {&CLSID_HostCellSiteRenderer, &hoststandin::CreateCellSiteRendererClass, 0},
    {&CLSID_HostFieldRenderer, &hoststandin::CreateFieldRendererClass, 0},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return platform::Module::HandleDllMain(instance, reason, reserved, kObjectMap,
                                           sizeof kObjectMap / sizeof kObjectMap[0], &LIBID_HostInterfaces);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return platform::Module::GetClassObject(clsid, iid, out);
}

// The library stays loaded once loaded, so the logs that grow with every call would outlive the
// host's free of it: they go when nothing of the library is left, as they went with its unload.
STDAPI DllCanUnloadNow() {
    const HRESULT unused = platform::Module::CanUnloadNow();
    if (unused == S_OK) hoststandin::ClearLogs();
    return unused;
}

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
