// A map control embedded the way a host embeds it, with the map in metres over a known view, and
// images of the view to sample shapes from.
#pragma once

#include "tests/control/ControlFixture.h"
#include "tests/support/TestSite.h"

#include <vector>

namespace shapestest {

constexpr int kWidth = 640, kHeight = 480;
// The view: 10 km across in metres, centred on (10 E, 50 N), so 1500 m are 96 pixels.
constexpr double kCentreLon = 10.0, kCentreLat = 50.0, kZoomMetres = 10000.0;
constexpr POINT kCentre = {kWidth / 2, kHeight / 2};

class Image {
public:
    COLORREF At(long x, long y) const { return pixels_[static_cast<size_t>(y) * kWidth + x] & 0xFFFFFF; }
    COLORREF At(POINT p) const { return At(p.x, p.y); }
    bool operator==(const Image& o) const { return pixels_ == o.pixels_; }
    std::vector<COLORREF> pixels_;
};

// The text of the error information the last call left.
std::wstring CallerErrorText();

class ShapesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The view drawn by the control, as a host draws it into its own device context.
    Image Render();
    void SetEnhanced(bool on);
    // Engine map members by number, as any automation client reaches them.
    void PutMapProperty(DISPID id, const VARIANT& value);
    platform::Variant GetMapProperty(DISPID id);

    platform::ComPtr<IUnknown> unknown_;
    platform::ComPtr<IZmaVadAZ2> control_;
    platform::ComPtr<IDispatch> map_;
    platform::ComPtr<testsupport::TestSite> site_;
    platform::ComPtr<IOleObject> ole_;
};

}  // namespace shapestest
