// A 32-bit top-down bitmap selected into a memory DC, for the tests and benchmarks that draw and
// then read pixels.
#pragma once

#include <windows.h>

namespace testsupport {

class DibCanvas {
public:
    // White at the start unless `white` is false (then black, as a new bitmap is).
    DibCanvas(int width, int height, bool white = true);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC Dc() const noexcept { return dc_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    RECT Rect() const noexcept { return {0, 0, width_, height_}; }
    // The pixel as a COLORREF, once the drawing so far has reached the bitmap; CLR_INVALID
    // outside the bitmap.
    COLORREF Pixel(int x, int y) const;
    // Draws the control's view over the whole canvas (IViewObjectEx::Draw) and waits for it.
    HRESULT DrawView(IUnknown* control);

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    const unsigned* bits_ = nullptr;
};

}  // namespace testsupport
