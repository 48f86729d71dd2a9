#include "ZmaVOMap2/raster/PictureFile.h"

#include "platform/Com.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

using platform::ComPtr;

namespace raster {

namespace {

constexpr DWORD kFileHeaderSize = 14;      // "BM", file size, reserved, pixel offset
constexpr DWORD kCoreHeaderSize = 12;      // the oldest header: 16-bit sizes, three-byte colours
constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kLargestHeaderSize = 124;  // the fifth version
// A 24-bit copy larger than this cannot be held by a 32-bit process.
constexpr uint64_t kLargestCopy = 0x7FFFFFFF;

// Where a bitmap file keeps its pixels, as its header says.
struct BitmapLayout {
    long width = 0, height = 0;  // height < 0: stored top down
    uint64_t bitsOffset = 0, bitsSize = 0;
};

uint32_t Read32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool IsBitCount(unsigned bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// Checks the header read from the start of a bitmap file (`read` bytes of it) against the
// file's size: every byte the header promises, colour table and pixels, must be in the file.
PictureFault ReadLayout(const unsigned char* bytes, DWORD read, uint64_t fileSize, BitmapLayout& layout) {
    if (read < kFileHeaderSize + 4) return PictureFault::kDamaged;
    const DWORD headerSize = Read32(bytes + kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > kLargestHeaderSize))
        return PictureFault::kDamaged;
    if (read < kFileHeaderSize + headerSize) return PictureFault::kDamaged;
    const unsigned char* info = bytes + kFileHeaderSize;
    const bool core = headerSize == kCoreHeaderSize;
    const int64_t width = core ? Read16(info + 4) : static_cast<int32_t>(Read32(info + 4));
    const int64_t height = core ? Read16(info + 6) : static_cast<int32_t>(Read32(info + 8));
    const unsigned planes = Read16(info + (core ? 8 : 12)), bits = Read16(info + (core ? 10 : 14));
    const DWORD compression = core ? BI_RGB : Read32(info + 16);
    const uint64_t colours = core ? 0 : Read32(info + 32);
    if (width < 1 || height == 0 || planes != 1 || !IsBitCount(bits) || (core && (bits == 16 || bits == 32)))
        return PictureFault::kDamaged;
    if (bits <= 8 && colours > (1u << bits)) return PictureFault::kDamaged;

    // Compressed rows are as long as their codes: the header gives the size of all of them.
    uint64_t bitsSize = 0;
    uint64_t masks = 0;
    switch (compression) {
    case BI_RGB: bitsSize = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4 * std::llabs(height); break;
    case BI_RLE8:
    case BI_RLE4:
        if (bits != (compression == BI_RLE8 ? 8u : 4u) || height < 0) return PictureFault::kDamaged;
        bitsSize = Read32(info + 20);
        if (bitsSize == 0) return PictureFault::kDamaged;
        break;
    case BI_BITFIELDS:
        if (bits != 16 && bits != 32) return PictureFault::kDamaged;
        bitsSize = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4 * std::llabs(height);
        if (headerSize == kInfoHeaderSize) masks = 12;
        break;
    default: return PictureFault::kUnreadable;  // a JPEG or PNG inside a bitmap file, or worse
    }
    const uint64_t tableEntries = colours ? colours : bits <= 8 ? (1u << bits) : 0;
    const uint64_t tableEnd = kFileHeaderSize + headerSize + masks + tableEntries * (core ? 3 : 4);
    const uint64_t bitsOffset = Read32(bytes + 10);
    if (tableEnd > fileSize || bitsOffset < kFileHeaderSize + headerSize || bitsOffset + bitsSize > fileSize)
        return PictureFault::kDamaged;
    layout.width = static_cast<long>(width);
    layout.height = static_cast<long>(height);
    layout.bitsOffset = bitsOffset;
    layout.bitsSize = bitsSize;
    return PictureFault::kNone;
}

// An open picture file: whether it is a bitmap file and, when it is, its checked layout.
struct OpenedPicture {
    platform::UniqueFile file;
    bool isBitmapFile = false;
    PictureFault fault = PictureFault::kUnreadable;
    BitmapLayout layout;
};

OpenedPicture Open(const std::wstring& path) {
    OpenedPicture opened;
    opened.file.Reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!opened.file || !::GetFileSizeEx(opened.file.Get(), &size)) return opened;
    unsigned char header[kFileHeaderSize + kLargestHeaderSize] = {};
    DWORD read = 0;
    if (!::ReadFile(opened.file.Get(), header, sizeof header, &read, nullptr)) return opened;
    opened.isBitmapFile = read >= 2 && header[0] == 'B' && header[1] == 'M';
    opened.fault = opened.isBitmapFile ? ReadLayout(header, read, static_cast<uint64_t>(size.QuadPart), opened.layout)
                                       : PictureFault::kNone;
    return opened;
}

PictureFault Failed(HRESULT hr) { return hr == E_OUTOFMEMORY ? PictureFault::kOutOfMemory : PictureFault::kUnreadable; }

// Any other picture through the OLE picture loader; only pictures it answers as bitmaps can be cut.
PictureFault LoadOlePicture(const std::wstring& path, ComPtr<IPicture>& picture, HBITMAP& bitmap) {
    const HRESULT hr = ::OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, 0, IID_IPicture,
                                            picture.PutVoid());
    if (FAILED(hr) || !picture) return Failed(hr);
    short type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)) || !handle)
        return PictureFault::kUnreadable;
    bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    return PictureFault::kNone;
}

struct ViewCloser {
    void operator()(const void* view) const noexcept { ::UnmapViewOfFile(view); }
};

// Draws every pixel of a checked bitmap file into a 24-bit bitmap of the same size: the system
// reads each kind of bitmap file (colour tables, compressed rows, bottom up or top down).
PictureFault LoadBitmapFile(OpenedPicture& opened, platform::UniqueHBitmap& bitmap) {
    const long width = opened.layout.width, height = std::labs(opened.layout.height);
    if (((static_cast<uint64_t>(width) * 3 + 3) / 4) * 4 * height > kLargestCopy) return PictureFault::kOutOfMemory;
    platform::UniqueHandleKernel mapping(
        ::CreateFileMappingW(opened.file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return PictureFault::kOutOfMemory;
    std::unique_ptr<const void, ViewCloser> view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return PictureFault::kOutOfMemory;
    const auto* file = static_cast<const unsigned char*>(view.get());

    BITMAPINFO copyInfo = {};
    copyInfo.bmiHeader = {sizeof copyInfo.bmiHeader, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* copyBits = nullptr;
    platform::UniqueHBitmap copy(::CreateDIBSection(nullptr, &copyInfo, DIB_RGB_COLORS, &copyBits, nullptr, 0));
    if (!copy) return PictureFault::kOutOfMemory;
    platform::UniqueCreatedDC dc(::CreateCompatibleDC(nullptr));
    if (!dc) return PictureFault::kOutOfMemory;
    int lines = 0;
    {
        platform::SelectObjectRestorer select(dc.Get(), copy.Get());
        lines = ::StretchDIBits(dc.Get(), 0, 0, width, height, 0, 0, width, height, file + opened.layout.bitsOffset,
                                reinterpret_cast<const BITMAPINFO*>(file + kFileHeaderSize), DIB_RGB_COLORS, SRCCOPY);
    }
    if (lines <= 0) return PictureFault::kDamaged;
    bitmap = std::move(copy);
    return PictureFault::kNone;
}

}  // namespace

PictureFault CheckBitmapFile(const std::wstring& path) { return Open(path).fault; }

PictureFault MeasurePicture(const std::wstring& path, long& width, long& height) {
    OpenedPicture opened = Open(path);
    if (opened.fault != PictureFault::kNone) return opened.fault;
    if (opened.isBitmapFile) {
        width = opened.layout.width;
        height = std::labs(opened.layout.height);
        return PictureFault::kNone;
    }
    opened.file.Reset();
    ComPtr<IPicture> picture;
    HBITMAP handle = nullptr;
    const PictureFault fault = LoadOlePicture(path, picture, handle);
    if (fault != PictureFault::kNone) return fault;
    BITMAP info = {};
    if (!::GetObjectW(handle, sizeof info, &info)) return PictureFault::kUnreadable;
    width = info.bmWidth;
    height = info.bmHeight;
    return PictureFault::kNone;
}

PictureFault LoadPicture(const std::wstring& path, platform::UniqueHBitmap& bitmap) {
    OpenedPicture opened = Open(path);
    if (opened.fault != PictureFault::kNone) return opened.fault;
    if (opened.isBitmapFile) return LoadBitmapFile(opened, bitmap);
    opened.file.Reset();
    ComPtr<IPicture> picture;
    HBITMAP handle = nullptr;
    const PictureFault fault = LoadOlePicture(path, picture, handle);
    if (fault != PictureFault::kNone) return fault;
    // The picture owns its bitmap: keep a copy of our own.
    bitmap.Reset(static_cast<HBITMAP>(::CopyImage(handle, IMAGE_BITMAP, 0, 0, 0)));
    return bitmap ? PictureFault::kNone : PictureFault::kOutOfMemory;
}

}  // namespace raster
