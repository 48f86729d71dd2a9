// The export members and what the map's commands ask of the control.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/commands/ImageExport.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
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

bool CZmaVadAZ::PopDownloadedTile(POINT& tile) {
    imagery::TileDownloadResult result;
    if (!PopDownloadResult(result)) return false;
    tile = {result.x, result.y};
    return true;
}

void CZmaVadAZ::NewRaster() { RunNewRaster(LayerCollection(), ::GetActiveWindow()); }

STDMETHODIMP CZmaVadAZ::ExportToFile(BSTR filePath, BSTR fileFormat) {
    OperationScope operation(*this);
    COM_TRY { return ::ExportToFile(*this, filePath, fileFormat); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ExportAsPictureAtScale(BSTR strGUID, double dScale) {
    OperationScope operation(*this);
    COM_TRY { return ::ExportAsPictureAtScale(*this, strGUID, dScale); }
    COM_CATCH_RETURN();
}
