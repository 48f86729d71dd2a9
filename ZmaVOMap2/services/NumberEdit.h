// An edit box that takes only a signed decimal number as the user types: digits, backspace, one
// leading minus sign and one decimal point. Pasted text is not filtered.
#pragma once

#include "platform/Window.h"

#include <string>

class CNumberEdit : public platform::SubclassedWindow {
public:
    // SetValue shows `decimals` digits after the point, as a number the dialog wrote
    // (WriteDialogNumber).
    explicit CNumberEdit(int decimals) : decimals_(decimals) {}

    double GetValue() const;
    void SetValue(double value);
    // Shows `shown` the same way as a stand-in for a value the dialog cannot give (WriteEditStandIn).
    void SetStandIn(double shown);

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool Accepts(wchar_t character) const;

    int decimals_;
};
