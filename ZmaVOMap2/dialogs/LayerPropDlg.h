// The display properties of one layer: the engine layer's style override and style, and the
// layer's zoom layering with its range.
#pragma once

#include "platform/Com.h"
#include "platform/Window.h"

#include <string>

class CZmaVadAZLayer;

class CLayerPropDlg : public platform::Dialog {
public:
    CLayerPropDlg(CZmaVadAZLayer& layer, IDispatch* engineMap);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void PickLayerStyle();
    void OnOK();

    CZmaVadAZLayer& layer_;
    platform::ComPtr<IDispatch> map_;
    std::string unitCaption_;
    // The widest view in the map's unit: no zoom range reaches beyond it.
    double widestZoom_ = 0;
};
