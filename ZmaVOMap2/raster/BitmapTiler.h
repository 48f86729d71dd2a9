// Cuts rectangles out of a source image and saves each as a bitmap file. The source is a bitmap
// file or any picture the OLE picture loader reads (JPEG included), read whole or not at all.
#pragma once

#include "ZmaVOMap2/raster/PictureFile.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

class CBitmapTiler {
public:
    CBitmapTiler() = default;
    CBitmapTiler(const CBitmapTiler&) = delete;
    CBitmapTiler& operator=(const CBitmapTiler&) = delete;
    virtual ~CBitmapTiler();

    // Loads the source; the caller tells the user what failed.
    raster::PictureFault LoadBitmap(const std::wstring& imagePath);

    enum class CopyResult { kCopied, kFailed, kOutOfMemory };
    // Copies `rect` of the source (right and bottom exclusive) into a bitmap file.
    CopyResult CopyTile(const std::wstring& bitmapPath, const RECT& rect);
    // Writes `bitmap` as a bitmap file through an OLE picture saved into a memory stream.
    static bool SaveBitmapFile(const std::wstring& bitmapPath, HBITMAP bitmap);

    long Width() const noexcept { return width_; }
    long Height() const noexcept { return height_; }

private:
    void Release() noexcept;

    platform::UniqueHBitmap bitmap_;
    platform::UniqueCreatedDC dc_;
    HGDIOBJ previous_ = nullptr;
    long width_ = 0, height_ = 0;
};
