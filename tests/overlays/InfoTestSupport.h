// Drawing helpers of the info tests: a white memory bitmap to draw on, and counting what was drawn.
#pragma once

#include "tests/support/DibCanvas.h"

#include <windows.h>

class MemoryCanvas : public testsupport::DibCanvas {
public:
    using DibCanvas::DibCanvas;

    HDC dc() const noexcept { return Dc(); }
    // Pixels inside `area` that are not white.
    int InkIn(const RECT& area) const;
    // Pixels inside `area` whose red part is much stronger than their green and blue parts.
    int ReddishIn(const RECT& area) const;

private:
    template <class Test>
    int Count(const RECT& area, Test test) const;
};
