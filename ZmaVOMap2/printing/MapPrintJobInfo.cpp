// The job as a data holder: its printer, settings and view objects, the page loop's questions
// and the progress it reports.
#include "ZmaVOMap2/printing/MapPrintJobInfo.h"

#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>
#include <climits>

MapPrintJobInfo::MapPrintJobInfo() : infoDisplay_(std::make_unique<CZmaVadAZInfoDisplay>()) {}

MapPrintJobInfo::MapPrintJobInfo(const MapPrintJobInfo& other)
    : layout_(other.layout_),
      printerName_(other.printerName_),
      dirty_(other.dirty_),
      progress_(other.progress_),
      infoDisplay_(std::make_unique<CZmaVadAZInfoDisplay>()) {
    devMode_.CopyFrom(other.devMode_.Get());
    printer_ = OpenPrinterForUse(printerName_, devMode_.Get());
}

MapPrintJobInfo::~MapPrintJobInfo() = default;

void MapPrintJobInfo::BeginPrintJob(HDC) {
    if (progress_) progress_->OnPageCount(GetPageCount());
}

void MapPrintJobInfo::EndPrintJob(HDC, bool) {
    if (progress_) progress_->OnFinished();
}

void MapPrintJobInfo::PrePrintPage(UINT page, HDC dc) {
    savedState_ = dc ? ::SaveDC(dc) : 0;
    layout_.physicalOffsetX = layout_.physicalOffsetY = 0;
    if (devMode_ && dc) {
        const int dpiX = ::GetDeviceCaps(dc, LOGPIXELSX), dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
        if (dpiX >= 1 && dpiY >= 1) {
            layout_.physicalOffsetX = ::GetDeviceCaps(dc, PHYSICALOFFSETX) * 2540 / dpiX;
            layout_.physicalOffsetY = ::GetDeviceCaps(dc, PHYSICALOFFSETY) * 2540 / dpiY;
        }
    }
    if (progress_) progress_->OnPage(page + 1);
}

void MapPrintJobInfo::PostPrintPage(UINT, HDC dc) {
    if (dc && savedState_) ::RestoreDC(dc, savedState_);
    savedState_ = 0;
}

DEVMODEW* MapPrintJobInfo::GetNewDevModeForPage(UINT, UINT) { return nullptr; }

void MapPrintJobInfo::LayOutAgainIfDirty() {
    if (dirty_ && LayoutPage()) dirty_ = false;
}

bool MapPrintJobInfo::IsValidPage(UINT page) {
    LayOutAgainIfDirty();
    return page < GetPageCount();
}

std::unique_ptr<PrintJobInfo> MapPrintJobInfo::Clone() const { return std::make_unique<MapPrintJobInfo>(*this); }

UINT MapPrintJobInfo::GetPageCount() { return static_cast<UINT>(std::min<unsigned long long>(SheetCount(), UINT_MAX)); }

unsigned long long MapPrintJobInfo::SheetCount() {
    LayOutAgainIfDirty();
    layout_.UpdateGrid();
    return layout_.SheetCount();
}

std::wstring MapPrintJobInfo::GetJobName() {
    std::wstring name = platform::LoadStringResource(platform::Module::Instance(), IDS_PRINT_JOB_NAME);
    const size_t at = name.find(L"%s");
    if (at != std::wstring::npos) name.replace(at, 2, layout_.title);
    return name;
}

bool MapPrintJobInfo::SetPrinter(HGLOBAL devMode, HGLOBAL devNames) {
    dirty_ = true;
    devMode_.CopyFromGlobal(devMode);
    printer_.Reset();
    printerName_ = DeviceNameOf(devNames);
    printer_ = OpenPrinterForUse(printerName_, devMode_.Get());
    platform::UniqueCreatedDC dc(CreatePrinterDC(printerName_, devMode_.Get()));
    if (dc) {
        const int dpiX = ::GetDeviceCaps(dc.Get(), LOGPIXELSX), dpiY = ::GetDeviceCaps(dc.Get(), LOGPIXELSY);
        if (dpiX >= 1 && dpiY >= 1) {
            layout_.paperWidth = ::GetDeviceCaps(dc.Get(), PHYSICALWIDTH) * 2540 / dpiX;
            layout_.paperHeight = ::GetDeviceCaps(dc.Get(), PHYSICALHEIGHT) * 2540 / dpiY;
        }
        layout_.paperChanged = true;
    }
    return static_cast<bool>(printer_);
}

bool MapPrintJobInfo::SetPrintSettings(IUnknown* settings) {
    dirty_ = true;
    layout_.settingsChanged = layout_.gridNeeded = true;
    layout_.settings.Reset();
    if (settings) {
        HRESULT hr = settings->QueryInterface(IID_IMapPrintSettings, layout_.settings.PutVoid());
        if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowCall(hr);
    }
    return static_cast<bool>(layout_.settings);
}

void MapPrintJobInfo::SetTitle(const std::wstring& title) {
    dirty_ = true;
    layout_.title = title;
}

void MapPrintJobInfo::SetMapExtent(SIZE extent) {
    dirty_ = true;
    layout_.mapExtentGiven = true;
    layout_.mapExtent = extent;
}

void MapPrintJobInfo::ClearMapExtent() {
    dirty_ = true;
    layout_.mapExtentGiven = false;
}

namespace {

HRESULT QueryView(IUnknown* object, platform::ComPtr<IViewObjectEx>& view) {
    if (!object) return E_POINTER;
    platform::ComPtr<IViewObjectEx> found;
    object->QueryInterface(IID_IViewObjectEx, found.PutVoid());
    if (!found) return E_NOINTERFACE;
    view = found;
    return S_OK;
}

}  // namespace

HRESULT MapPrintJobInfo::SetMapView(IUnknown* view) {
    dirty_ = true;
    return QueryView(view, layout_.mapView);
}

HRESULT MapPrintJobInfo::SetLegendView(IUnknown* view) {
    dirty_ = true;
    return QueryView(view, layout_.legendView);
}
