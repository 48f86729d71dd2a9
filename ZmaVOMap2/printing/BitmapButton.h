// A push button that shows a picture from an image list (image 0 normal, image 1 pressed) and,
// in radio mode, behaves like a radio button: it keeps a check state, a click or the space key
// checks it, and checking it unchecks the other radio buttons of its group. The button is
// owner-drawn: its dialog hands WM_DRAWITEM to Draw.
#pragma once

#include "platform/Window.h"

#include <commctrl.h>

class ZmoBitmapButton : public platform::SubclassedWindow {
public:
    // `images` is borrowed (shared between buttons) and must outlive the button.
    void Attach(HWND button, HIMAGELIST images, bool radio);
    void Draw(const DRAWITEMSTRUCT& item) const;

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void SetCheck(int state);
    void UncheckGroup();

    HIMAGELIST images_ = nullptr;
    bool radio_ = false;
    int check_ = BST_UNCHECKED;
};
