// The Layer Control dialog for hosts and for the context menu's "Map Layers".
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/dialogs/LayerControlLinks.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "platform/Result.h"

namespace {

// What the Layer Control opens from other folders. The export dialogs and the help file come with
// their own parts; until they are joined here their buttons do nothing.
class ControlLayerLinks final : public LayerControlLinks {
public:
    void ShowTabExport(HWND, CZmaVadAZLayerCollection&) override {}
    void ShowKmlExport(HWND, CZmaVadAZLayerCollection&) override {}
    void ShowHelp(HWND, DWORD_PTR) override {}
};

}  // namespace

STDMETHODIMP CZmaVadAZ::LayersDlg() {
    COM_TRY {
        CZmaVadAZLayerCollection* layers = LayerCollection();
        // A map that was never initialised has no layers to show.
        if (!layers || !EngineMap()) return S_OK;
        ControlLayerLinks links;
        CMapSeriesDlg dialog(EngineMap(), *layers, nullptr, &links);
        dialog.DoModal(::GetActiveWindow());
        return S_OK;
    }
    COM_CATCH_RETURN();
}
