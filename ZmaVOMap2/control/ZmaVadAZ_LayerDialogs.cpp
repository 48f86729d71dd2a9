// The Layer Control dialog for hosts and for the context menu's "Map Layers".
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/dialogs/LayerControlLinks.h"
#include "ZmaVOMap2/export/ExportLayersDlg.h"
#include "ZmaVOMap2/services/HelpPath.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "ZmaVOMap2/raster/RasterTileDlg.h"
#include "platform/Result.h"

namespace {

// What the Layer Control opens from other folders: the export dialogs, the raster tiler and the
// help file.
class ControlLayerLinks final : public LayerControlLinks {
public:
    void ShowTabExport(HWND owner, CZmaVadAZLayerCollection& layers) override {
        CExportTABDlg(&layers, HelpFilePath()).DoModal(owner);
    }
    void ShowKmlExport(HWND owner, CZmaVadAZLayerCollection& layers) override {
        CExportKMLDlg(&layers, HelpFilePath()).DoModal(owner);
    }
    void ShowRasterTiler(HWND owner) override { RunRasterTiler(owner); }
    void ShowHelp(HWND owner, DWORD_PTR data) override { CallHtmlHelp(owner, HelpFilePath(), 0, data); }
};

}  // namespace

STDMETHODIMP CZmaVadAZ::LayersDlg() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection* layers = layers_.Collection();
        // A map that was never initialised has no layers to show.
        if (!layers || !engine_.Map()) return S_OK;
        ControlLayerLinks links;
        CMapSeriesDlg dialog(engine_.Map(), *layers, host_.Attributes().Get(), &links);
        dialog.DoModal(::GetActiveWindow());
        return S_OK;
    }
    COM_CATCH_RETURN();
}
