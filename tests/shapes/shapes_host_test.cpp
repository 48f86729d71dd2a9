// The sample host calls each of the eight shape members by name through the control's IDispatch
// and writes the map as an image: every shape shows where it belongs, as the view's projection
// puts it (read from an engine map of the same size made here).
#include "tests/sample/HostRun.h"

#include "platform/Com.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using platform::ComPtr;
using sampletest::DecodedImage;
using sampletest::RunHost;

namespace {

constexpr UINT32 kBlue = 0x0000FF;

// The sample host's view: a new map of its window's size, centred on (0, 0), in miles.
POINT PixelOf(double latitude, double longitude) {
    static ComPtr<IDispatch> map = [] {
        CLSID clsid = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
        ComPtr<IDispatch> created;
        EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, created.PutVoid()), S_OK);
        return created;
    }();
    float x = 0, y = 0;
    double mapX = longitude, mapY = latitude;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF; args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF; args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF; args[2].pdblVal = &mapX;
    args[1].vt = VT_R8 | VT_BYREF; args[1].pdblVal = &mapY;
    args[0].vt = VT_I2; args[0].iVal = 0;
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {static_cast<LONG>(x), static_cast<LONG>(y)};
}

DecodedImage Draw(const wchar_t* name, const std::wstring& calls) {
    const std::wstring file = sampletest::ScratchFile(name);
    sampletest::HostRun run = RunHost(calls + L" --image \"" + file + L"\" --exit");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    DecodedImage image = sampletest::DecodeImage(file);
    EXPECT_TRUE(image.decoded);
    return image;
}

bool IsBlend(UINT32 seen, UINT32 under, UINT32 over, int alpha) {
    for (int shift : {0, 8, 16}) {
        const int u = (under >> shift) & 0xFF, o = (over >> shift) & 0xFF, s = (seen >> shift) & 0xFF;
        if (std::abs(s - (u + (o - u) * alpha / 255.0)) > 3.0) return false;
    }
    return true;
}

bool ColourNear(const DecodedImage& image, POINT p, UINT32 colour) {
    for (long y = p.y - 1; y <= p.y + 1; ++y)
        for (long x = p.x - 1; x <= p.x + 1; ++x)
            if (image.At(x, y) == colour) return true;
    return false;
}

POINT Offset(POINT p, long dx, long dy) { return {p.x + dx, p.y + dy}; }

TEST(ShapesThroughTheSampleHost, EachMemberDrawsItsShapeIntoTheMapImage) {
    // Radii of 400 km are 31.8 pixels in the host's view.
    const DecodedImage plain = Draw(L"plain.png", L"");
    const DecodedImage shapes = Draw(
        L"shapes.png",
        L"--call DrawCircle=12,-27,\"400 km\",0,0,255,\"a\" --call DrawFilledCircle=12,-9,\"400 km\",255,0.5,\"b\" "
        L"--call DrawPie=12,9,\"400 km\",0,90,0,0,255,\"c\" --call DrawFilledPie=12,27,\"400 km\",0,90,255,0.5,\"d\" "
        L"--call DrawDonutSegment=-12,-27,\"200 km\",\"400 km\",0,90,0,0,255,\"e\" "
        L"--call DrawFilledDonutSegment=-12,-9,\"200 km\",\"400 km\",0,90,255,0.5,\"f\"");
    ASSERT_TRUE(plain.decoded && shapes.decoded);

    EXPECT_TRUE(ColourNear(shapes, Offset(PixelOf(12, -27), 0, -31), kBlue));
    const POINT filled = PixelOf(12, -9);
    EXPECT_TRUE(IsBlend(shapes.At(filled.x, filled.y), plain.At(filled.x, filled.y), kBlue, 127));
    EXPECT_TRUE(ColourNear(shapes, Offset(PixelOf(12, 9), 0, -16), kBlue));
    const POINT pie = PixelOf(12, 27);
    EXPECT_TRUE(IsBlend(shapes.At(pie.x + 11, pie.y - 11), plain.At(pie.x + 11, pie.y - 11), kBlue, 127));
    EXPECT_EQ(shapes.At(pie.x - 11, pie.y + 11), plain.At(pie.x - 11, pie.y + 11));
    EXPECT_TRUE(ColourNear(shapes, Offset(PixelOf(-12, -27), 22, -22), kBlue));
    const POINT donut = PixelOf(-12, -9);
    EXPECT_TRUE(IsBlend(shapes.At(donut.x + 17, donut.y - 17), plain.At(donut.x + 17, donut.y - 17), kBlue, 127));
    EXPECT_EQ(shapes.At(donut.x + 5, donut.y - 5), plain.At(donut.x + 5, donut.y - 5));

    // Spotlights tint everything but themselves, so each has a map of its own.
    const DecodedImage circle = Draw(L"spotcircle.png", L"--call DrawSpotlightCircle=-12,9,\"400 km\",255,0.5,\"g\"");
    const POINT spot = PixelOf(-12, 9);
    EXPECT_EQ(circle.At(spot.x, spot.y), plain.At(spot.x, spot.y));
    EXPECT_TRUE(IsBlend(circle.At(spot.x + 60, spot.y), plain.At(spot.x + 60, spot.y), kBlue, 127));
    const DecodedImage pieSpot =
        Draw(L"spotpie.png", L"--call DrawSpotlightPie=-12,27,\"400 km\",0,90,255,0.5,\"h\"");
    const POINT lit = PixelOf(-12, 27);
    EXPECT_EQ(pieSpot.At(lit.x + 11, lit.y - 11), plain.At(lit.x + 11, lit.y - 11));
    EXPECT_TRUE(IsBlend(pieSpot.At(lit.x - 11, lit.y + 11), plain.At(lit.x - 11, lit.y + 11), kBlue, 127));
}

}  // namespace
