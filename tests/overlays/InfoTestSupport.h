// Drawing helpers of the info tests: a white memory bitmap to draw on, and counting what was drawn.
#pragma once

#include <windows.h>

class MemoryCanvas {
public:
    MemoryCanvas(int width, int height);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    HDC dc() const noexcept { return dc_; }
    // Pixels inside `area` that are not white.
    int InkIn(const RECT& area) const;
    // Pixels inside `area` whose red part is much stronger than their green and blue parts.
    int ReddishIn(const RECT& area) const;

private:
    template <class Test>
    int Count(const RECT& area, Test test) const;

    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};
