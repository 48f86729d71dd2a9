#include "standins/mapengine/MapExport.h"

#include "standins/mapengine/EngineDispatch.h"
#include "platform/UniqueHandle.h"

#include <gdiplus.h>

#include <cwchar>
#include <memory>
#include <vector>

namespace mapengine {

namespace {

class GdiPlusSession {
public:
    GdiPlusSession() {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) Fail(E_FAIL, L"GDI+ is not available");
    }
    ~GdiPlusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

const wchar_t* MimeType(short format) {
    switch (format) {
    case kBmp: return L"image/bmp";
    case kGif: return L"image/gif";
    case kJpeg: return L"image/jpeg";
    case kTiff: return L"image/tiff";
    case kPng: return L"image/png";
    default: return nullptr;
    }
}

CLSID EncoderFor(const wchar_t* mime) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (size == 0 || Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) Fail(E_FAIL, L"No image encoders");
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, mime) == 0) return codecs[i].Clsid;
    }
    Fail(E_FAIL, std::wstring(L"No encoder for ") + mime);
}

// A 24-bit DIB section with the map drawn into it.
platform::UniqueHBitmap RenderBitmap(int width, int height, const RenderInto& render) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    platform::UniqueHBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    platform::UniqueCreatedDC dc(::CreateCompatibleDC(nullptr));
    if (!bitmap || !dc) Fail(E_OUTOFMEMORY, L"Cannot make a bitmap for the export");
    {
        platform::SelectObjectRestorer select(dc.Get(), bitmap.Get());
        render(dc.Get(), RECT{0, 0, width, height});
    }
    return bitmap;
}

void SaveThroughGdiPlus(const std::wstring& path, short format, int width, int height, const RenderInto& render) {
    platform::UniqueHBitmap bitmap = RenderBitmap(width, height, render);
    GdiPlusSession session;
    CLSID encoder = EncoderFor(MimeType(format));
    std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromHBITMAP(bitmap.Get(), nullptr));
    if (!image || image->GetLastStatus() != Gdiplus::Ok) Fail(E_FAIL, L"Cannot encode the map picture");
    Gdiplus::Status status;
    if (format == kGif) {
        // The GIF encoder only writes a readable file from an indexed bitmap.
        std::unique_ptr<Gdiplus::Bitmap> indexed(image->Clone(0, 0, width, height, PixelFormat8bppIndexed));
        if (!indexed) Fail(E_FAIL, L"Cannot reduce the picture to 256 colours");
        status = indexed->Save(path.c_str(), &encoder, nullptr);
    } else {
        status = image->Save(path.c_str(), &encoder, nullptr);
    }
    if (status != Gdiplus::Ok) Fail(E_FAIL, L"Cannot write " + path);
}

platform::UniqueHEnhMetaFile RenderMetafile(int width, int height, const RenderInto& render) {
    platform::UniqueCreatedDC screen(::CreateCompatibleDC(nullptr));
    // The frame in 0.01 mm for the screen's resolution.
    int dpiX = ::GetDeviceCaps(screen.Get(), LOGPIXELSX), dpiY = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    RECT frame = {0, 0, MulDiv(width, 2540, dpiX), MulDiv(height, 2540, dpiY)};
    HDC dc = ::CreateEnhMetaFileW(screen.Get(), nullptr, &frame, L"Map\0\0");
    if (!dc) Fail(E_FAIL, L"Cannot make a metafile");
    render(dc, RECT{0, 0, width, height});
    platform::UniqueHEnhMetaFile emf(::CloseEnhMetaFile(dc));
    if (!emf) Fail(E_FAIL, L"Cannot make a metafile");
    return emf;
}

#pragma pack(push, 2)
struct PlaceableHeader {
    DWORD key;
    WORD handle;
    SHORT left, top, right, bottom;
    WORD inch;
    DWORD reserved;
    WORD checksum;
};
#pragma pack(pop)

void SaveWmf(const std::wstring& path, int width, int height, const RenderInto& render) {
    platform::UniqueHEnhMetaFile emf = RenderMetafile(width, height, render);
    platform::UniqueCreatedDC screen(::CreateCompatibleDC(nullptr));
    UINT size = ::GetWinMetaFileBits(emf.Get(), 0, nullptr, MM_ANISOTROPIC, screen.Get());
    std::vector<BYTE> bits(size);
    if (size == 0 || ::GetWinMetaFileBits(emf.Get(), size, bits.data(), MM_ANISOTROPIC, screen.Get()) != size) {
        Fail(E_FAIL, L"Cannot convert the metafile");
    }
    // The placeable header tells readers the picture's size (96 units per inch, pixels).
    PlaceableHeader h = {0x9AC6CDD7, 0, 0, 0, static_cast<SHORT>(width), static_cast<SHORT>(height), 96, 0, 0};
    const WORD* words = reinterpret_cast<const WORD*>(&h);
    for (size_t i = 0; i < 10; ++i) h.checksum ^= words[i];
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) Fail(E_FAIL, L"Cannot write " + path);
    bool ok = std::fwrite(&h, sizeof h, 1, file) == 1 && std::fwrite(bits.data(), 1, bits.size(), file) == bits.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) Fail(E_FAIL, L"Cannot write " + path);
}

void PutBigEndian(std::vector<BYTE>& out, unsigned long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<BYTE>((value >> (8 * i)) & 0xFF));
}

// A flat, uncompressed RGB Photoshop document: header, three empty sections, then the red, green
// and blue planes one after the other, each row by row from the top.
void SavePsd(const std::wstring& path, int width, int height, const RenderInto& render) {
    platform::UniqueHBitmap bitmap = RenderBitmap(width, height, render);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    platform::UniqueCreatedDC dc(::CreateCompatibleDC(nullptr));
    if (::GetDIBits(dc.Get(), bitmap.Get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height)
        Fail(E_FAIL, L"Cannot read the map picture");
    std::vector<BYTE> out;
    out.insert(out.end(), {'8', 'B', 'P', 'S'});
    PutBigEndian(out, 1, 2);  // version
    PutBigEndian(out, 0, 6);  // reserved
    PutBigEndian(out, 3, 2);  // channels
    PutBigEndian(out, static_cast<unsigned long>(height), 4);
    PutBigEndian(out, static_cast<unsigned long>(width), 4);
    PutBigEndian(out, 8, 2);  // bits per channel
    PutBigEndian(out, 3, 2);  // RGB
    PutBigEndian(out, 0, 4);  // colour mode data
    PutBigEndian(out, 0, 4);  // image resources
    PutBigEndian(out, 0, 4);  // layers and masks
    PutBigEndian(out, 0, 2);  // raw image data
    for (int channel : {2, 1, 0}) {  // the DIB holds blue, green, red
        for (size_t i = 0; i < pixels.size(); i += 4) out.push_back(pixels[i + channel]);
    }
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) Fail(E_FAIL, L"Cannot write " + path);
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) Fail(E_FAIL, L"Cannot write " + path);
}

class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) {
        if (!::OpenClipboard(owner)) Fail(HRESULT_FROM_WIN32(::GetLastError()), L"The clipboard is busy");
        ::EmptyClipboard();
    }
    ~ClipboardSession() { ::CloseClipboard(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
};

void CopyToClipboard(short format, int width, int height, HWND owner, const RenderInto& render) {
    if (format == kWmf) {
        platform::UniqueHEnhMetaFile emf = RenderMetafile(width, height, render);
        ClipboardSession clipboard(owner);
        if (!::SetClipboardData(CF_ENHMETAFILE, emf.Get())) Fail(E_FAIL, L"Cannot put the map on the clipboard");
        emf.Release();  // the clipboard owns it now
        return;
    }
    platform::UniqueHBitmap bitmap = RenderBitmap(width, height, render);
    ClipboardSession clipboard(owner);
    if (!::SetClipboardData(CF_BITMAP, bitmap.Get())) Fail(E_FAIL, L"Cannot put the map on the clipboard");
    bitmap.Release();
}

}  // namespace

void ExportMapImage(const std::wstring& destination, short format, int width, int height, HWND owner,
                    const RenderInto& render) {
    if (format < kWmf || format > kPsd) Fail(E_INVALIDARG, L"Unknown export format " + std::to_wstring(format));
    if (destination.empty()) Fail(E_INVALIDARG, L"No destination for the export");
    if (width < 1 || height < 1 || width > 10000 || height > 10000) Fail(E_INVALIDARG, L"The picture size is out of range");
    if (_wcsicmp(destination.c_str(), L"CLIPBOARD") == 0) {
        CopyToClipboard(format, width, height, owner, render);
    } else if (format == kWmf) {
        SaveWmf(destination, width, height, render);
    } else if (format == kPsd) {
        SavePsd(destination, width, height, render);
    } else {
        SaveThroughGdiPlus(destination, format, width, height, render);
    }
}

}  // namespace mapengine
