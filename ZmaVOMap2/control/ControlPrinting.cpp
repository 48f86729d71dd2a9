#include "ZmaVOMap2/control/ControlPrinting.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/EngineWindow.h"
#include "ZmaVOMap2/control/HostObjects.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;

void ControlPrinting::PrepareJobOrThrow(MapPrintJobInfo& job) {
    PrintSources sources;
    ComPtr<IMapPrintSettings> settings = Layouts().Settings();
    sources.settings = settings.Get();
    sources.mapView = p_.owner;
    sources.legend = p_.host.PrintLegend();
    sources.engineMap = p_.engine.Map();
    sources.converter = p_.engine.UnitConverter();
    sources.windowOnPaper = [this] {
        long width = 0, height = 0;
        p_.view.Viewport(p_.engine.MapOrThrow(), p_.layers.Collection())
            .GetMapDimensions(p_.engine.UnitConverter(), width, height);
        return SIZE{width, height};
    };
    sources.title = GetQuickPrintTitle();
    PrepareJob(job, sources);
}

bool ControlPrinting::PreparePrintJob(MapPrintJobInfo& job) {
    try {
        PrepareJobOrThrow(job);
        return true;
    }
    COM_CATCH_LOG();
    return false;
}

void ControlPrinting::ExecutePrintJob(std::unique_ptr<MapPrintJobInfo> job) {
    if (CZmaVadAZLayerCollection* layers = p_.layers.Collection()) layers->PrepareForPrinting();
    Support().PrintWithProgress(std::move(job));
}

void ControlPrinting::QuickPrint(const std::wstring& title) {
    ComPtr<IMapPrintSettings> settings = Layouts().Settings();
    if (!settings) throw ComError(E_FAIL, L"The host's print settings are not available", L"VadAZ");
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    PrepareJobOrThrow(*job);
    job->SetPrintSettings(settings.Get());
    job->SetTitle(title);
    ExecutePrintJob(std::move(job));
}

std::wstring ControlPrinting::GetQuickPrintTitle() {
    if (CachedTitle().empty()) LoadQuickPrintTitle();
    return CachedTitle();
}

HRESULT ControlPrinting::LoadQuickPrintTitle() {
    try {
        std::wstring title = ReadStoredTitle();
        if (!title.empty()) {
            SetCachedTitle(title);
            return S_OK;
        }
        // Without a title of the user's the map is named after its top visible measurement layer.
        CZmaVadAZDatasetDisplay* datasets = p_.layers.Datasets();
        if (!datasets) return E_UNEXPECTED;
        Bstr name;
        const HRESULT hr = datasets->GetTopVisibleDataLayerName(name.Put());
        SetCachedTitle(name.Wide());
        return hr;
    }
    CATCH_RETURN_QUIET();
}

void ControlPrinting::SetQuickPrintLayoutObject(IMapPrintSettings* layout) {
    Layouts().SetSettingsObject(ComPtr<IMapPrintSettings>(layout));
}

HWND ControlPrinting::GetMapWindow() {
    if (p_.window.IsSubclassed() && p_.window.Get()) return p_.window.Get();
    if (!p_.engine.Map()) return nullptr;
    try {
        return p_.engine.WindowHandle();
    }
    COM_CATCH_LOG();
    return nullptr;
}
