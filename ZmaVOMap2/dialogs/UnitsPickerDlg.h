// The small dialog in which the user picks a length unit (and, unless it is hidden, degrees).
#pragma once

#include "platform/Window.h"

#include <string>

class CUnitsPickerDlg : public platform::Dialog {
public:
    CUnitsPickerDlg();

    // Set before the dialog runs.
    long unitCode = 0;
    long initialSelection = -1;
    bool degreeHidden = false;
    // The chosen unit's abbreviation ("m", "ft", "degree", ...), set by OK.
    std::string result;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
};
