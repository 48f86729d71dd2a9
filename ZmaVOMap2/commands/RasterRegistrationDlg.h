// The raster registration dialog of the "New Raster" command, in its least form: it names the
// raster table that the map should open.
#pragma once

#include "platform/Window.h"

#include <string>

class CRasterRegistrationDlg : public platform::Dialog {
public:
    CRasterRegistrationDlg();

    // The raster table's path, set by OK.
    const std::wstring& TablePath() const noexcept { return tablePath_; }

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    std::wstring tablePath_;
};
