// "Background Map Properties": the imagery type (road, aerial, aerial with labels), the proxy
// server of the process, and the switch that disables imagery. OK asks the imagery service for
// the new type's tile addresses at once, and lets a proxy that wants credentials ask the user
// again after a Cancel; the disable switch takes effect when settings are next loaded (it is
// saved as the imagery layer's "visible").
#pragma once

#include "platform/Window.h"

class CZmaVadAZBackgroundMapLayer;

class CBackgroundMapPropertiesDlg : public platform::Dialog {
public:
    explicit CBackgroundMapPropertiesDlg(CZmaVadAZBackgroundMapLayer& layer);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void EnableProxyEdits();
    void OnOK();

    CZmaVadAZBackgroundMapLayer& layer_;
};
