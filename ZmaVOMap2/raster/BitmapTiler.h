// Cuts rectangles out of a source image and saves each as a bitmap file. The source is a bitmap
// file or any picture the OLE picture loader reads (JPEG included).
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

class CBitmapTiler {
public:
    CBitmapTiler() = default;
    CBitmapTiler(const CBitmapTiler&) = delete;
    CBitmapTiler& operator=(const CBitmapTiler&) = delete;
    virtual ~CBitmapTiler();

    // Loads the source; says why it cannot ("Map Tiling Tool") and answers false otherwise.
    bool LoadBitmap(const std::string& imagePath);
    // Copies `rect` of the source (right and bottom exclusive) into a bitmap file.
    bool CopyTile(const std::string& bitmapPath, const RECT& rect);
    // Writes `bitmap` as a bitmap file through an OLE picture saved into a memory stream.
    static bool SaveBitmapFile(const std::string& bitmapPath, HBITMAP bitmap);

    // The image as a bitmap: a bitmap file as it is, any other picture through the OLE picture
    // loader. Null when neither reads it; the last error is then the bitmap loader's.
    static HBITMAP LoadImageFile(const std::string& imagePath);

    long Width() const noexcept { return width_; }
    long Height() const noexcept { return height_; }

private:
    void Release() noexcept;

    platform::UniqueHBitmap bitmap_;
    platform::UniqueCreatedDC dc_;
    HGDIOBJ previous_ = nullptr;
    long width_ = 0, height_ = 0;
};
