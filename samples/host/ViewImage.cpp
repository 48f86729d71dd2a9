#include "samples/host/ViewImage.h"

#include "samples/host/Console.h"

#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <gdiplus.h>

#include <algorithm>
#include <cwctype>
#include <unordered_set>
#include <vector>

namespace samplehost {

using platform::ComError;

namespace {

// GDI+ for the lifetime of one encoding.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok)
            throw ComError(E_FAIL, L"GDI+ does not start");
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

std::wstring MimeTypeFor(const std::wstring& path) {
    size_t dot = path.rfind(L'.');
    std::wstring ext = dot == std::wstring::npos ? L"" : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](wchar_t c) { return std::towlower(c); });
    if (ext == L"png") return L"image/png";
    if (ext == L"bmp") return L"image/bmp";
    throw ComError(E_INVALIDARG, L"the image file must end in .png or .bmp: " + path);
}

CLSID EncoderFor(const std::wstring& mimeType) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || !bytes)
        throw ComError(E_FAIL, L"GDI+ lists no image encoders");
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        throw ComError(E_FAIL, L"GDI+ lists no image encoders");
    for (UINT i = 0; i < count; ++i)
        if (mimeType == codecs[i].MimeType) return codecs[i].Clsid;
    throw ComError(E_FAIL, L"GDI+ has no encoder for " + mimeType);
}

}  // namespace

ImageSummary WriteViewImage(IViewObject* view, SIZE size, const std::wstring& path) {
    platform::ThrowIfNull(view);
    if (size.cx <= 0 || size.cy <= 0) throw ComError(E_INVALIDARG, L"the view has no size");
    const std::wstring mimeType = MimeTypeFor(path);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;  // top-down rows, as GDI+ reads them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    platform::UniqueCreatedDC dc(::CreateCompatibleDC(nullptr));
    platform::UniqueHBitmap bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || !bits) throw ComError(E_OUTOFMEMORY, L"cannot make a bitmap for the image");
    {
        platform::SelectObjectRestorer select(dc.Get(), bitmap.Get());
        RECT all = {0, 0, size.cx, size.cy};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        RECTL bounds = {0, 0, size.cx, size.cy};
        // The bitmap's DC is also the target device context: some controls need both.
        CheckCall(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc.Get(), dc.Get(), &bounds, nullptr, nullptr, 0),
                  L"IViewObject::Draw");
        ::GdiFlush();
    }

    ImageSummary summary = {size, 0};
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::unordered_set<DWORD> colours;
    for (LONG i = 0, n = size.cx * size.cy; i < n; ++i) colours.insert(pixels[i] & 0x00FFFFFF);
    summary.colours = colours.size();

    GdiplusSession gdiplus;
    CLSID encoder = EncoderFor(mimeType);
    Gdiplus::Bitmap image(size.cx, size.cy, size.cx * 4, PixelFormat32bppRGB, static_cast<BYTE*>(bits));
    Gdiplus::Status status = image.Save(path.c_str(), &encoder, nullptr);
    if (status != Gdiplus::Ok)
        throw ComError(E_FAIL, L"GDI+ could not write " + path + L" (status " + std::to_wstring(status) + L")");
    return summary;
}

}  // namespace samplehost
