// The width of the pen of a line or an outline that a host draws through the control. A host
// gives widths in device pixels, 0 for the layer's own default; any 32-bit value may arrive from a
// script. GDI and GDI+ take far too long over pens of millions of pixels (and fail in ways that
// lose the process over negative ones with dashes), so every layer that draws a host's width
// keeps it in one sane range.
#pragma once

namespace penwidth {

// The widest pen drawn, in device pixels.
constexpr int kWidest = 256;

// `given` when it is not 0, else `defaultWidth`; kept within 1 .. kWidest either way.
constexpr int DevicePixels(long given, int defaultWidth) {
    const long width = given != 0 ? given : defaultWidth;
    return width < 1 ? 1 : width > kWidest ? kWidest : static_cast<int>(width);
}

}  // namespace penwidth
