// Reading the pictures the raster tools register and cut. A bitmap file is read by this code
// itself: its header must agree with the file's size and pixel offset, so that a damaged or
// short file is refused instead of showing as black pixels, and a bitmap stored top down is read
// the right way up. Any other picture (a JPEG) is left to the OLE picture loader.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace raster {

enum class PictureFault {
    kNone,
    kUnreadable,   // missing, not a picture, or a kind the tools cannot cut
    kDamaged,      // a bitmap file whose header promises pixels the file does not hold
    kOutOfMemory,  // too large to be held in memory whole
};

// Checks a bitmap file ("BM") against its header without reading its pixels; any other file
// passes (its own loader judges it).
PictureFault CheckBitmapFile(const std::wstring& path);

// The picture's size in pixels; a bitmap file is measured from its checked header alone.
PictureFault MeasurePicture(const std::wstring& path, long& width, long& height);

// The whole picture as a bitmap of its own.
PictureFault LoadPicture(const std::wstring& path, platform::UniqueHBitmap& bitmap);

}  // namespace raster
