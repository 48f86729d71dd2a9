// Class objects of the host stand-ins, for the object map.
#pragma once

#include <windows.h>

namespace hoststandin {

HRESULT CreateHostServiceClass(REFIID iid, void** out);
HRESULT CreateProfileComponentClass(REFIID iid, void** out);
HRESULT CreateUnitConverterClass(REFIID iid, void** out);
HRESULT CreateStreamTextClass(REFIID iid, void** out);
HRESULT CreateLoggingManagerClass(REFIID iid, void** out);
HRESULT CreateLoggingCompanionClass(REFIID iid, void** out);
HRESULT CreatePackageManagerClass(REFIID iid, void** out);
HRESULT CreatePrintSettingsClass(REFIID iid, void** out);
HRESULT CreateLegendClass(REFIID iid, void** out);
HRESULT CreatePrintLegendClass(REFIID iid, void** out);
HRESULT CreateLabelStyleClass(REFIID iid, void** out);
HRESULT CreateStringListClass(REFIID iid, void** out);
HRESULT CreateRegionSetClass(REFIID iid, void** out);
HRESULT CreateAttributesClass(REFIID iid, void** out);
HRESULT CreateAttributePickerClass(REFIID iid, void** out);
HRESULT CreateDatasetClass(REFIID iid, void** out);
HRESULT CreateSampleDatasetClass(REFIID iid, void** out);
HRESULT CreateFieldStyleClass(REFIID iid, void** out);
HRESULT CreateFieldConfigurationClass(REFIID iid, void** out);
HRESULT CreatePointRendererClass(REFIID iid, void** out);
HRESULT CreateEnhancedRendererClass(REFIID iid, void** out);
HRESULT CreateCellSiteRendererClass(REFIID iid, void** out);
HRESULT CreateFieldRendererClass(REFIID iid, void** out);

// Empties the host's log and every class's call log.
void ClearLogs();

}  // namespace hoststandin
