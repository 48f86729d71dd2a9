#include "ZmaVOMap2/raster/BitmapTiler.h"

#include "platform/Com.h"
#include "platform/Window.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

using platform::ComPtr;

namespace {

void Tell(const std::wstring& text, const wchar_t* caption) {
    platform::Prompts().MessageBox(nullptr, text, caption, MB_OK);
}

// A step of the tile copy failed: only running out of memory is worth telling.
bool CopyFailed() {
    if (::GetLastError() == ERROR_NOT_ENOUGH_MEMORY) Tell(L"Out of memory.", L"Bitmap Tiler");
    return false;
}

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

HBITMAP CBitmapTiler::LoadImageFile(const std::string& imagePath) {
    HBITMAP bitmap =
        static_cast<HBITMAP>(::LoadImageA(nullptr, imagePath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (bitmap) return bitmap;
    const DWORD error = ::GetLastError();
    const std::wstring wide = platform::ToWide(imagePath);
    ComPtr<IPicture> picture;
    OLE_HANDLE handle = 0;
    short type = PICTYPE_NONE;
    if (SUCCEEDED(::OleLoadPicturePath(const_cast<LPOLESTR>(wide.c_str()), nullptr, 0, 0, IID_IPicture,
                                       picture.PutVoid())) &&
        picture && SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
        SUCCEEDED(picture->get_Handle(&handle)) && handle) {
        // The picture owns its bitmap: keep a copy of our own.
        bitmap = static_cast<HBITMAP>(::CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)),
                                                  IMAGE_BITMAP, 0, 0, 0));
        if (bitmap) return bitmap;
    }
    ::SetLastError(error);
    return nullptr;
}

bool CBitmapTiler::LoadBitmap(const std::string& imagePath) {
    Release();
    bitmap_.Reset(LoadImageFile(imagePath));
    if (!bitmap_) {
        const std::wstring path = platform::ToWide(imagePath);
        Tell(::GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? L"Failed to load " + path + L": out of memory.\n"
                                                         : L"Failed to load " + path + L"\n",
             L"Map Tiling Tool");
        return false;
    }
    BITMAP info = {};
    ::GetObjectW(bitmap_.Get(), sizeof info, &info);
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    dc_.Reset(::CreateCompatibleDC(nullptr));
    if (!dc_) {
        Release();
        return false;
    }
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    return true;
}

bool CBitmapTiler::CopyTile(const std::string& bitmapPath, const RECT& rect) {
    if (!dc_) return false;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    platform::UniqueCreatedDC tileDC(::CreateCompatibleDC(dc_.Get()));
    if (!tileDC) return CopyFailed();
    platform::UniqueHBitmap tile(::CreateCompatibleBitmap(dc_.Get(), width, height));
    if (!tile) return CopyFailed();
    {
        platform::SelectObjectRestorer select(tileDC.Get(), tile.Get());
        if (!::BitBlt(tileDC.Get(), 0, 0, width, height, dc_.Get(), rect.left, rect.top, SRCCOPY)) return CopyFailed();
    }
    return SaveBitmapFile(bitmapPath, tile.Get()) || CopyFailed();
}

bool CBitmapTiler::SaveBitmapFile(const std::string& bitmapPath, HBITMAP bitmap) {
    std::string bytes = PictureBytes(bitmap);
    if (bytes.empty()) bytes = EncodeBitmapFile(bitmap);
    if (bytes.empty()) return false;
    platform::UniqueFile file(::CreateFileA(bitmapPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}
