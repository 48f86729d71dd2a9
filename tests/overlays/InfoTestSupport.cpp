#include "tests/overlays/InfoTestSupport.h"

#include <algorithm>

template <class Test>
int MemoryCanvas::Count(const RECT& area, Test test) const {
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<long>(Height(), area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<long>(Width(), area.right); ++x)
            if (test(Pixel(x, y))) ++count;
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
