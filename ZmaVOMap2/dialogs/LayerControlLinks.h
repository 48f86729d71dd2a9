// What the Layer Control dialog opens that lives outside the layer dialogs: the TAB and KML export
// dialogs, the raster tiler and the help file. The control provides it; a missing link leaves its
// button without effect.
#pragma once

#include <windows.h>
#include <unknwn.h>

class CZmaVadAZLayerCollection;

class LayerControlLinks {
public:
    virtual void ShowTabExport(HWND parent, CZmaVadAZLayerCollection& layers) = 0;
    // Errors of the KML export are the link's to swallow.
    virtual void ShowKmlExport(HWND parent, CZmaVadAZLayerCollection& layers) = 0;
    // The raster tiler with 200 x 200 pixel tiles.
    virtual void ShowRasterTiler(HWND parent) = 0;
    // The module's help file with command 0 and `data`.
    virtual void ShowHelp(HWND parent, DWORD_PTR data) = 0;

protected:
    ~LayerControlLinks() = default;
};
