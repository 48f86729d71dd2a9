// Clipping pixel segments to the view and the direction of a screen line.
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesLayer.h"

#include <gtest/gtest.h>

namespace {

const RECT kView = {10, 10, 110, 60};

struct Clip {
    bool visible;
    POINT a, b;
};

Clip Clipped(POINT a, POINT b) {
    Clip c = {false, {-1, -1}, {-1, -1}};
    c.visible = ClipSegmentToRect(kView, a, b, c.a, c.b);
    return c;
}

bool Same(POINT p, long x, long y) { return p.x == x && p.y == y; }

TEST(ClipSegmentToRect, KeepsInsideEndsAndFindsEdgeCrossingsInTheSegmentsDirection) {
    Clip inside = Clipped({20, 20}, {90, 50});
    ASSERT_TRUE(inside.visible);
    EXPECT_TRUE(Same(inside.a, 20, 20) && Same(inside.b, 90, 50));
    Clip backwards = Clipped({90, 50}, {20, 20});
    EXPECT_TRUE(Same(backwards.a, 90, 50) && Same(backwards.b, 20, 20));

    // From outside the left edge to a point inside: a's end lies on the left edge.
    Clip fromLeft = Clipped({0, 30}, {50, 30});
    ASSERT_TRUE(fromLeft.visible);
    EXPECT_TRUE(Same(fromLeft.a, 10, 30) && Same(fromLeft.b, 50, 30));
    // From inside to beyond the right edge.
    Clip toRight = Clipped({50, 30}, {150, 30});
    EXPECT_TRUE(Same(toRight.a, 50, 30) && Same(toRight.b, 110, 30));

    // Both ends outside: the crossings come back ordered from a's side to b's side, either way.
    Clip across = Clipped({0, 20}, {200, 20});
    EXPECT_TRUE(Same(across.a, 10, 20) && Same(across.b, 110, 20));
    Clip acrossBack = Clipped({200, 20}, {0, 20});
    EXPECT_TRUE(Same(acrossBack.a, 110, 20) && Same(acrossBack.b, 10, 20));
    Clip downwards = Clipped({60, 0}, {60, 100});
    EXPECT_TRUE(Same(downwards.a, 60, 10) && Same(downwards.b, 60, 60));
}

TEST(ClipSegmentToRect, ACornerCountsOnceAndTouchingOrMissingIsNoSegment) {
    // Through the top-left corner (found on the left and top edges) and out at the bottom.
    Clip corner = Clipped({0, 0}, {80, 80});
    ASSERT_TRUE(corner.visible);
    EXPECT_TRUE(Same(corner.a, 10, 10));
    EXPECT_TRUE(Same(corner.b, 60, 60));

    Clip untouched = Clipped({0, 0}, {5, 100});
    EXPECT_FALSE(untouched.visible);
    EXPECT_TRUE(Same(untouched.a, -1, -1)) << "out points stay untouched";
    // Only touching the view at one point.
    EXPECT_FALSE(Clipped({0, 20}, {10, 20}).visible);
    // An end on the right or bottom edge is outside; a crossing at t = 0 or 1 is not taken.
    EXPECT_FALSE(Clipped({110, 20}, {200, 20}).visible);
    EXPECT_FALSE(Clipped({50, 60}, {50, 90}).visible);
}

TEST(SegmentBoxIntersectsRect, FlatSegmentsAreWidenedByOnePixel) {
    EXPECT_TRUE(SegmentBoxIntersectsRect(kView, {20, 30}, {80, 30}));
    EXPECT_TRUE(SegmentBoxIntersectsRect(kView, {40, 0}, {40, 100}));
    EXPECT_FALSE(SegmentBoxIntersectsRect(kView, {0, 0}, {5, 5}));
}

TEST(GetLineDirection, ClockwiseFromUpWithDiagonalsTruncated) {
    const struct {
        POINT to;
        int degrees;
    } cases[] = {{{0, -10}, 0},  {{10, 0}, 90},    {{0, 10}, 180},   {{-10, 0}, 270},
                 {{10, -10}, 45}, {{10, 10}, 134}, {{-10, 10}, 225}, {{-10, -10}, 314}};
    for (const auto& c : cases)
        EXPECT_EQ(CZmaVadAZLinesLayer::GetLineDirection({0, 0}, c.to), c.degrees) << c.to.x << "," << c.to.y;
    EXPECT_EQ(CZmaVadAZLinesLayer::GetLineDirection({5, 5}, {5, 5}), 0);
}

}  // namespace
