// The control's view as an image file: IViewObject::Draw into a 32-bit bitmap, encoded by GDI+.
#pragma once

#include <oleidl.h>

#include <string>

namespace samplehost {

struct ImageSummary {
    SIZE size;
    size_t colours;  // distinct pixel colours; 1 means the control drew nothing but a flat fill
};

// Draws the content aspect at `size` pixels over a white background and writes it as PNG or BMP,
// chosen by the extension of `path`. Throws platform::ComError on failure.
ImageSummary WriteViewImage(IViewObject* view, SIZE size, const std::wstring& path);

}  // namespace samplehost
