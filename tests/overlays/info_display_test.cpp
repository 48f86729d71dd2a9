// The info display's boxes: where they are drawn, on which targets, and how the coordinates
// text follows the cursor.
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "tests/overlays/InfoTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr double kZoom = 10.0;
constexpr long kUnit = DistanceUnits::kKilometer;

// The boxes are a few hundred pixels wide at most and sit in the bottom-left corner.
const RECT kAll = {0, 0, kWidth, kHeight};
const RECT kBottomLeft = {0, kHeight / 2, kWidth / 2, kHeight};

int InkOutsideBottomLeft(const MemoryCanvas& canvas) { return canvas.InkIn(kAll) - canvas.InkIn(kBottomLeft); }

class TestWindow {
public:
    TestWindow() {
        window_ = ::CreateWindowExW(0, L"STATIC", L"info", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, kWidth, kHeight,
                                    nullptr, nullptr, nullptr, nullptr);
    }
    ~TestWindow() { ::DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_;
};

}  // namespace

TEST(InfoDisplayDrawing, ImagesGetTheScaleBarAtTheBottomLeft) {
    CZmaVadAZInfoDisplay display;
    MemoryCanvas exported(kWidth, kHeight);
    display.Draw(exported.dc(), kWidth, kHeight, 0, 0, kZoom, kUnit, true);
    EXPECT_GT(exported.InkIn(kBottomLeft), 50);
    EXPECT_EQ(InkOutsideBottomLeft(exported), 0);
    EXPECT_NE(display.ScaleBarLength(), -1);

    // A memory target that is not an export sizes its font from the device's extent.
    MemoryCanvas memory(kWidth, kHeight);
    display.Draw(memory.dc(), kWidth, kHeight, 0, 0, kZoom, kUnit);
    EXPECT_GT(memory.InkIn(kBottomLeft), 50);
    EXPECT_EQ(InkOutsideBottomLeft(memory), 0);
}

TEST(InfoDisplayDrawing, ImagesNeverGetTheCoordinatesBox) {
    CZmaVadAZInfoDisplay scaleOnly;
    MemoryCanvas without(kWidth, kHeight);
    scaleOnly.Draw(without.dc(), kWidth, kHeight, 0, 0, kZoom, kUnit, true);

    CZmaVadAZInfoDisplay display;
    display.SetMode(true, nullptr, kWidth, kHeight, 0, 0);
    MemoryCanvas with(kWidth, kHeight);
    display.Draw(with.dc(), kWidth, kHeight, 0, 0, kZoom, kUnit, true);
    EXPECT_EQ(with.InkIn(kAll), without.InkIn(kAll));

    // Without the scale bar an image gets nothing at all, nor does a cursor move.
    display.Invalidate(false, nullptr, kWidth, kHeight, 0, 0);
    MemoryCanvas none(kWidth, kHeight);
    display.Draw(none.dc(), kWidth, kHeight, 0, 0, kZoom, kUnit, true);
    display.UpdateCoordinates(3.0, 4.0, none.dc(), kWidth, kHeight, 0, 0, kZoom, kUnit);
    EXPECT_EQ(none.InkIn(kAll), 0);
}

TEST(InfoDisplayDrawing, TheScreenShowsCoordinatesUnderTheScaleBar) {
    TestWindow window;
    const long w = kWidth / 2, h = kHeight / 2;
    CZmaVadAZInfoDisplay display;
    const RECT area = display.GetBoxRect(w, h, 0, 0);
    const RECT topThird = {area.left, area.top, area.right, area.top + (area.bottom - area.top) / 3};
    auto drawOnScreen = [&](MemoryCanvas& copy) {
        HDC screen = ::GetDC(window.Get());
        ASSERT_EQ(::GetObjectType(screen), static_cast<DWORD>(OBJ_DC));
        RECT client = {0, 0, w, h};
        ::FillRect(screen, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        display.Draw(screen, w, h, 0, 0, kZoom, kUnit);
        ::BitBlt(copy.dc(), 0, 0, w, h, screen, 0, 0, SRCCOPY);
        ::ReleaseDC(window.Get(), screen);
    };
    MemoryCanvas scaleOnly(w, h);
    drawOnScreen(scaleOnly);
    display.SetMode(true, nullptr, w, h, 0, 0);
    MemoryCanvas both(w, h);
    drawOnScreen(both);

    // The scale bar alone sits at the bottom of the area that switching the boxes invalidates;
    // the coordinates box takes its place there and pushes it up.
    EXPECT_GT(scaleOnly.InkIn(area), 50);
    EXPECT_EQ(scaleOnly.InkIn({0, 0, w, h}), scaleOnly.InkIn(area));
    EXPECT_EQ(scaleOnly.InkIn(topThird), 0);
    EXPECT_GT(both.InkIn(area), scaleOnly.InkIn(area));
    EXPECT_GT(both.InkIn(topThird), 50);
}

TEST(InfoDisplayDrawing, SwitchingInvalidatesTheBoxArea) {
    TestWindow window;
    CZmaVadAZInfoDisplay display;
    ::ValidateRect(window.Get(), nullptr);
    display.Invalidate(true, window.Get(), kWidth / 2, kHeight / 2, 0, 0);
    RECT update = {};
    ASSERT_TRUE(::GetUpdateRect(window.Get(), &update, FALSE));
    const RECT box = display.GetBoxRect(kWidth / 2, kHeight / 2, 0, 0);
    EXPECT_TRUE(::EqualRect(&update, &box));
}

TEST(InfoDisplayCoordinates, FollowTheCursorOnlyWhileShownInTheCurrentFormat) {
    CZmaVadAZInfoDisplay display;
    display.UpdateCoordinates(1.5, 2.25, nullptr, kWidth, kHeight, 0, 0, kZoom, kUnit);
    EXPECT_EQ(display.CoordinatesText(), L"");

    display.SetMode(true, nullptr, kWidth, kHeight, 0, 0);
    EXPECT_EQ(display.CoordinatesText(), L"  0.000000 Lon, 0.000000 Lat  ");
    display.UpdateCoordinates(1.5, 2.25, nullptr, kWidth, kHeight, 0, 0, kZoom, kUnit);
    EXPECT_EQ(display.CoordinatesText(), L"  1.500000 Lon, 2.250000 Lat  ");

    // A new format shows with the next move.
    display.SetCoordinateFormat(2);
    EXPECT_EQ(display.CoordinatesText(), L"  1.500000 Lon, 2.250000 Lat  ");
    display.UpdateCoordinates(1000.0, -20.0, nullptr, kWidth, kHeight, 0, 0, kZoom, kUnit);
    EXPECT_EQ(display.CoordinatesText(), L"  1,000 Meters, -20 Meters");
}
