#include "ZmaVOMap2/raster/BitmapTiler.h"

#include "platform/Com.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

using platform::ComPtr;

namespace {

// The bytes of a bitmap file for `bitmap`, 24 bits a pixel; empty when the pixels cannot be read.
std::string EncodeBitmapFile(HBITMAP bitmap) {
    BITMAP info = {};
    if (!::GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return std::string();
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = info.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(info.bmWidth) * 3 + 3) / 4) * 4;
    const DWORD size = stride * static_cast<DWORD>(info.bmHeight);
    header.bmiHeader.biSizeImage = size;
    std::vector<char> pixels(size);
    {
        platform::WindowDC screen(nullptr);
        if (::GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header,
                        DIB_RGB_COLORS) != info.bmHeight)
            return std::string();
    }
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header.bmiHeader), sizeof header.bmiHeader);
    bytes.append(pixels.data(), pixels.size());
    return bytes;
}

// What the picture object writes for `bitmap`. Some picture implementations answer success for a
// bitmap they were only lent and write nothing: the caller then encodes the file itself.
std::string PictureBytes(HBITMAP bitmap) {
    PICTDESC description = {};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    ComPtr<IPicture> picture;
    if (FAILED(::OleCreatePictureIndirect(&description, IID_IPicture, FALSE, picture.PutVoid())) || !picture)
        return std::string();
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()))) return std::string();
    LONG size = 0;
    if (FAILED(picture->SaveAsFile(stream.Get(), TRUE, &size)) || size <= 0) return std::string();
    const LARGE_INTEGER start = {};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return std::string();
    std::string bytes(static_cast<size_t>(size), '\0');
    ULONG read = 0;
    if (FAILED(stream->Read(&bytes[0], static_cast<ULONG>(size), &read)) || read != static_cast<ULONG>(size))
        return std::string();
    return bytes;
}

}  // namespace

CBitmapTiler::~CBitmapTiler() { Release(); }

void CBitmapTiler::Release() noexcept {
    if (dc_ && previous_) ::SelectObject(dc_.Get(), previous_);
    previous_ = nullptr;
    dc_.Reset();
    bitmap_.Reset();
    width_ = height_ = 0;
}

raster::PictureFault CBitmapTiler::LoadBitmap(const std::wstring& imagePath) {
    Release();
    const raster::PictureFault fault = raster::LoadPicture(imagePath, bitmap_);
    if (fault != raster::PictureFault::kNone) return fault;
    BITMAP info = {};
    ::GetObjectW(bitmap_.Get(), sizeof info, &info);
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    dc_.Reset(::CreateCompatibleDC(nullptr));
    if (!dc_) {
        Release();
        return raster::PictureFault::kOutOfMemory;
    }
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    return raster::PictureFault::kNone;
}

namespace {

// A step of the tile copy failed: running out of memory is told apart.
CBitmapTiler::CopyResult CopyFailed() {
    return ::GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? CBitmapTiler::CopyResult::kOutOfMemory
                                                       : CBitmapTiler::CopyResult::kFailed;
}

}  // namespace

CBitmapTiler::CopyResult CBitmapTiler::CopyTile(const std::wstring& bitmapPath, const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!dc_ || width <= 0 || height <= 0) return CopyResult::kFailed;
    platform::UniqueCreatedDC tileDC(::CreateCompatibleDC(dc_.Get()));
    if (!tileDC) return CopyFailed();
    platform::UniqueHBitmap tile(::CreateCompatibleBitmap(dc_.Get(), width, height));
    if (!tile) return CopyFailed();
    {
        platform::SelectObjectRestorer select(tileDC.Get(), tile.Get());
        if (!::BitBlt(tileDC.Get(), 0, 0, width, height, dc_.Get(), rect.left, rect.top, SRCCOPY)) return CopyFailed();
    }
    return SaveBitmapFile(bitmapPath, tile.Get()) ? CopyResult::kCopied : CopyFailed();
}

bool CBitmapTiler::SaveBitmapFile(const std::wstring& bitmapPath, HBITMAP bitmap) {
    std::string bytes = PictureBytes(bitmap);
    if (bytes.empty()) bytes = EncodeBitmapFile(bitmap);
    if (bytes.empty()) return false;
    platform::UniqueFile file(::CreateFileW(bitmapPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}
