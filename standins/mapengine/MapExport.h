// Writes a picture of the map: BMP, JPEG, PNG, GIF and TIFF through GDI+ encoders, WMF through a
// metafile DC, PSD by hand, or a bitmap (or metafile) on the clipboard.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace mapengine {

enum ExportFormat : short { kWmf = 0, kBmp = 1, kGif = 2, kJpeg = 3, kTiff = 4, kPng = 5, kPsd = 6 };

// Draws the map into `dc` at `rect` (device pixels, origin 0,0).
using RenderInto = std::function<void(HDC dc, const RECT& rect)>;

// `destination` is a file path or "CLIPBOARD" (then `owner` becomes the clipboard's owner).
// Raises an engine failure for unknown formats (E_INVALIDARG) and write errors.
void ExportMapImage(const std::wstring& destination, short format, int width, int height, HWND owner,
                    const RenderInto& render);

}  // namespace mapengine
