// The export members and what the map's commands ask of the control.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/commands/ImageExport.h"
#include "ZmaVOMap2/raster/RasterRegistrationDlg.h"
#include "platform/Result.h"

HWND CZmaVadAZ::FindEngineWindow() {
    if (engineWindow_) return engineWindow_;
    platform::ComPtr<IOleClientSite> site;
    if (!engineOleObject_ || FAILED(engineOleObject_->GetClientSite(site.Put())) || !site) return nullptr;
    platform::ComPtr<IOleWindow> window;
    if (FAILED(site.As(window)) || !window) return nullptr;
    HWND siteWindow = nullptr;
    if (FAILED(window->GetWindow(&siteWindow)) || !siteWindow) return nullptr;
    siteWindow_ = siteWindow;
    engineWindow_ = ::GetWindow(siteWindow, GW_CHILD);
    return engineWindow_;
}

// Downloaded imagery arrives with the imagery layer; until then no tile is ever waiting.
bool CZmaVadAZ::PopDownloadedTile(POINT&) { return false; }

void CZmaVadAZ::NewRaster() { RunNewRaster(LayerCollection(), ::GetActiveWindow()); }

STDMETHODIMP CZmaVadAZ::ExportToFile(BSTR filePath, BSTR fileFormat) {
    COM_TRY { return ::ExportToFile(*this, filePath, fileFormat); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ExportAsPictureAtScale(BSTR strGUID, double dScale) {
    COM_TRY { return ::ExportAsPictureAtScale(*this, strGUID, dScale); }
    COM_CATCH_RETURN();
}
