// Anti-aliased lines through GDI+ for one pass of a line renderer: the graphics object and the
// pen are made once for the pass (again only when the colour, width or dashes change), since a
// pass draws thousands of lines.
#pragma once

#include <windows.h>

#include <memory>

namespace Gdiplus {
class Graphics;
class Pen;
}  // namespace Gdiplus

class SmoothLinePainter {
public:
    explicit SmoothLinePainter(HDC dc);
    ~SmoothLinePainter();
    SmoothLinePainter(const SmoothLinePainter&) = delete;
    SmoothLinePainter& operator=(const SmoothLinePainter&) = delete;

    // An opaque line of `colour` and `width` device pixels, dashed or solid.
    void Draw(POINT from, POINT to, COLORREF colour, int width, bool dashed);

private:
    HDC dc_;
    std::unique_ptr<Gdiplus::Graphics> graphics_;
    std::unique_ptr<Gdiplus::Pen> pen_;
    COLORREF colour_ = 0;
    int width_ = -1;
    bool dashed_ = false;
};
