// Moves the selected data layers by a distance in the map's unit, or hands them to the map's
// offset tool for moving with the mouse.
#pragma once

#include "platform/Com.h"
#include "platform/Window.h"

#include <vector>

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;

class CZmaVOMapXLayerOffsetDlg : public platform::Dialog {
public:
    // `list` is the Layer Control's list, whose selected rows name the layers.
    CZmaVOMapXLayerOffsetDlg(HWND list, CZmaVadAZLayerCollection& layers, IDispatch* engineMap);

    // Sets the layer's offset to (dx, dy) in map units, measured from the layer's own position;
    // raises E_POINTER for a layer without an extent.
    static void SetLayerOffset(CZmaVadAZLayer& layer, IDispatch* engineMap, double dx, double dy);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void OnOK();
    void Reset();
    void StartOffsetTool();

    HWND list_;
    CZmaVadAZLayerCollection& layers_;
    platform::ComPtr<IDispatch> map_;
    // The selected layers that can take an offset, in the order of their rows.
    std::vector<CZmaVadAZLayer*> selected_;
};
