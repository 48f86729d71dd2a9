#include "tests/overlays/InfoTestSupport.h"

#include <algorithm>

MemoryCanvas::MemoryCanvas(int width, int height) : width_(width), height_(height) {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    old_ = ::SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    ::FillRect(dc_, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

MemoryCanvas::~MemoryCanvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

template <class Test>
int MemoryCanvas::Count(const RECT& area, Test test) const {
    ::GdiFlush();
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<long>(height_, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<long>(width_, area.right); ++x)
            if (test(::GetPixel(dc_, x, y))) ++count;
    return count;
}

int MemoryCanvas::InkIn(const RECT& area) const {
    return Count(area, [](COLORREF c) { return c != RGB(255, 255, 255); });
}

int MemoryCanvas::ReddishIn(const RECT& area) const {
    return Count(area, [](COLORREF c) {
        return GetRValue(c) > GetGValue(c) + 40 && GetRValue(c) > GetBValue(c) + 40;
    });
}
