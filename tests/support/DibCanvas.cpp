#include "tests/support/DibCanvas.h"

#include <ole2.h>
#include <oleidl.h>
#include <ocidl.h>

namespace testsupport {

DibCanvas::DibCanvas(int width, int height, bool white) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const unsigned*>(bits);
    old_ = ::SelectObject(dc_, bitmap_);
    if (white) {
        RECT all = Rect();
        ::FillRect(dc_, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
}

DibCanvas::~DibCanvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

COLORREF DibCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    ::GdiFlush();
    const unsigned v = bits_[y * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

HRESULT DibCanvas::DrawView(IUnknown* control) {
    IViewObjectEx* view = nullptr;
    HRESULT hr = control ? control->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&view)) : E_POINTER;
    if (FAILED(hr)) return hr;
    RECTL bounds = {0, 0, width_, height_};
    hr = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc_, dc_, &bounds, nullptr, nullptr, 0);
    view->Release();
    ::GdiFlush();
    return hr;
}

}  // namespace testsupport
