#include "ZmaVOMap2/imagery/TilePicture.h"

#include "platform/Com.h"

#include <objbase.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <vector>

namespace imagery {

namespace {

unsigned BigEndian(const std::string& bytes, size_t at, size_t count) {
    unsigned value = 0;
    for (size_t i = 0; i < count; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The size a PNG or JPEG picture declares before its pixels; false for other formats or a header
// cut short, whose size the decoder tells.
bool DeclaredSize(const std::string& bytes, unsigned& width, unsigned& height) {
    if (bytes.size() >= 24 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) == 0 && bytes.compare(12, 4, "IHDR") == 0) {
        width = BigEndian(bytes, 16, 4);
        height = BigEndian(bytes, 20, 4);
        return true;
    }
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xD8)
        return false;
    // JPEG segments up to the frame header, which holds the size.
    for (size_t at = 2; at + 4 <= bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF) return false;
        const unsigned marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > bytes.size()) return false;
            height = BigEndian(bytes, at + 5, 2);
            width = BigEndian(bytes, at + 7, 2);
            return true;
        }
        at += 2 + BigEndian(bytes, at + 2, 2);
    }
    return false;
}

bool WithinBounds(unsigned width, unsigned height) {
    return width > 0 && height > 0 && width <= kMaxTilePixels && height <= kMaxTilePixels;
}

}  // namespace

bool IsDrawableTile(const std::string& bytes) {
    unsigned width = 0, height = 0;
    if (DeclaredSize(bytes, width, height) && !WithinBounds(width, height)) return false;
    platform::ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.PutVoid())))
        return false;
    platform::ComPtr<IStream> stream = platform::ComPtr<IStream>::Attach(
        ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    platform::ComPtr<IWICBitmapDecoder> decoder;
    platform::ComPtr<IWICBitmapFrameDecode> frame;
    platform::ComPtr<IWICFormatConverter> converter;
    UINT frameWidth = 0, frameHeight = 0;
    if (!stream ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put())) ||
        FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(frame->GetSize(&frameWidth, &frameHeight)) ||
        !WithinBounds(frameWidth, frameHeight) || FAILED(factory->CreateFormatConverter(converter.Put())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return false;
    // Every pixel: a picture cut off on the way fails here, not when it is drawn.
    const UINT stride = frameWidth * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * frameHeight);
    return SUCCEEDED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()));
}

}  // namespace imagery
