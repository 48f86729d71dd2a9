// ExportMap: files that decode as the formats asked for, the clipboard, and the refused formats.
#include "tests/standins/mapengine/EngineFixture.h"

#include <gdiplus.h>

#include <cstdio>
#include <memory>
#include <string>

namespace enginetest {
namespace {

class MapExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token_); }

    void SetUp() override {
        unknown_ = CreateMap();
        ASSERT_TRUE(unknown_);
        map_ = MapDispatch(unknown_.Get());
        Call(map_.Get(), map::kSetSize, {Variant(160L), Variant(120L)});
    }

    static ULONG_PTR token_;
    ComPtr<IUnknown> unknown_;
    ComPtr<IDispatch> map_;
};
ULONG_PTR MapExport::token_ = 0;

TEST_F(MapExport, WritesFilesThatDecodeAsTheFormatsAskedFor) {
    struct Case {
        short format;
        const wchar_t* suffix;
        GUID raw;
    } cases[] = {
        {1, L".bmp", Gdiplus::ImageFormatBMP}, {2, L".gif", Gdiplus::ImageFormatGIF},
        {3, L".jpg", Gdiplus::ImageFormatJPEG}, {4, L".tif", Gdiplus::ImageFormatTIFF},
        {5, L".png", Gdiplus::ImageFormatPNG},
    };
    for (const Case& c : cases) {
        TempFile file(c.suffix);
        Call(map_.Get(), map::kExportMap, {Variant(file.Path()), Variant(c.format)});
        std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromFile(file.Path().c_str()));
        ASSERT_TRUE(image && image->GetLastStatus() == Gdiplus::Ok) << "format " << c.format;
        GUID raw = {};
        image->GetRawFormat(&raw);
        EXPECT_TRUE(IsEqualGUID(raw, c.raw)) << "format " << c.format;
        EXPECT_EQ(image->GetWidth(), 160u);
        EXPECT_EQ(image->GetHeight(), 120u);
        // The picture is the map: a light background, not black.
        Gdiplus::Color pixel;
        image->GetPixel(2, 2, &pixel);
        EXPECT_GT(pixel.GetR() + pixel.GetG() + pixel.GetB(), 500) << "format " << c.format;
    }
}

TEST_F(MapExport, SizesInThePaperUnitAndAMetafileFormat) {
    Put(map_.Get(), map::kPaperUnit, Variant(2L));  // inch: 96 pixels each
    TempFile png(L".png");
    Call(map_.Get(), map::kExportMap, {Variant(png.Path()), Variant(short{5}), Variant(2.0), Variant(1.0)});
    std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromFile(png.Path().c_str()));
    ASSERT_TRUE(image && image->GetLastStatus() == Gdiplus::Ok);
    EXPECT_EQ(image->GetWidth(), 192u);
    EXPECT_EQ(image->GetHeight(), 96u);

    TempFile wmf(L".wmf");
    Call(map_.Get(), map::kExportMap, {Variant(wmf.Path()), Variant(short{0})});
    FILE* file = _wfopen(wmf.Path().c_str(), L"rb");
    ASSERT_TRUE(file);
    DWORD key = 0;
    ASSERT_EQ(fread(&key, sizeof key, 1, file), 1u);
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fclose(file);
    EXPECT_EQ(key, 0x9AC6CDD7u);  // a placeable metafile
    EXPECT_GT(size, 100);
}

TEST_F(MapExport, WritesAFlatRgbPsdAndRefusesUnknownFormatsAndUnwritablePaths) {
    TempFile file(L".psd");
    HRESULT hr = S_OK;
    Call(map_.Get(), map::kExportMap, {Variant(file.Path()), Variant(short{6})}, &hr);
    EXPECT_EQ(hr, S_OK);
    FILE* psd = _wfopen(file.Path().c_str(), L"rb");
    ASSERT_TRUE(psd);
    unsigned char header[26] = {};
    ASSERT_EQ(fread(header, 1, sizeof header, psd), sizeof header);
    fseek(psd, 0, SEEK_END);
    const long size = ftell(psd);
    fclose(psd);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 4), "8BPS");
    const long channels = header[12] << 8 | header[13];
    const long height = header[14] << 24 | header[15] << 16 | header[16] << 8 | header[17];
    const long width = header[18] << 24 | header[19] << 16 | header[20] << 8 | header[21];
    EXPECT_EQ(channels, 3);
    EXPECT_EQ(width, 160);
    EXPECT_GT(height, 0);
    // Header, three empty sections, the compression word and three raw planes.
    EXPECT_EQ(size, 26 + 12 + 2 + 3 * width * height);

    Call(map_.Get(), map::kExportMap, {Variant(file.Path()), Variant(short{9})}, &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Call(map_.Get(), map::kExportMap, {Variant(L"Q:\\no\\such\\folder\\x.png"), Variant(short{5})}, &hr);
    EXPECT_TRUE(FAILED(hr));
}

TEST_F(MapExport, CopiesABitmapToTheClipboard) {
    Call(map_.Get(), map::kExportMap, {Variant(L"CLIPBOARD"), Variant(short{1})});
    ASSERT_TRUE(::OpenClipboard(nullptr));
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP));
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    EXPECT_TRUE(bitmap && ::GetObjectW(bitmap, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 160);
    ::EmptyClipboard();
    ::CloseClipboard();
}

}  // namespace
}  // namespace enginetest
