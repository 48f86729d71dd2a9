// The rectangle packer: its answers, and where it puts entries by column, by row and to the right.
#include "ZmaVOMap2/printing/RectanglePacker.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Entry {
    RECT rect;
    unsigned flags;
};

struct PackCase {
    const char* name;
    RECT container;
    std::vector<Entry> entries;
    int result;
    std::vector<RECT> placed;  // checked when not empty
};

constexpr unsigned kColumn = RectanglePacker::kColumn, kRow = RectanglePacker::kRow,
                   kRight = RectanglePacker::kRightAligned;

const PackCase kCases[] = {
    {"nothing at all", {0, 0, 0, 0}, {}, RectanglePacker::kNothing, {}},
    {"empty container", {5, 5, 5, 50}, {{{0, 0, 10, 10}, kColumn}}, RectanglePacker::kEmptyContainer, {}},
    {"no entries", {0, 0, 100, 100}, {}, RectanglePacker::kNoEntries, {}},
    {"more area than the container", {0, 0, 100, 100}, {{{0, 0, 100, 60}, kColumn}, {{0, 0, 100, 50}, kColumn}},
     RectanglePacker::kDoesNotFit, {}},
    // A title row on top, then a map and a legend beside it, in a container away from the origin.
    {"title, map, legend", {1000, 2000, 1100, 2080},
     {{{0, 0, 100, 20}, kRow}, {{0, 0, 60, 60}, kColumn}, {{0, 0, 40, 60}, kColumn}}, RectanglePacker::kPacked,
     {{1000, 2000, 1100, 2020}, {1000, 2020, 1060, 2080}, {1060, 2020, 1100, 2080}}},
    // By column the first free point is below, by row it is to the right.
    {"column goes below", {0, 0, 100, 100}, {{{0, 0, 50, 50}, kColumn}, {{0, 0, 50, 50}, kColumn}},
     RectanglePacker::kPacked, {{0, 0, 50, 50}, {0, 50, 50, 100}}},
    {"row goes right", {0, 0, 100, 100}, {{{0, 0, 50, 50}, kColumn}, {{0, 0, 50, 50}, kRow}},
     RectanglePacker::kPacked, {{0, 0, 50, 50}, {50, 0, 100, 50}}},
    {"right aligned", {0, 0, 100, 100}, {{{0, 0, 30, 40}, kColumn | kRight}}, RectanglePacker::kPacked,
     {{70, 0, 100, 40}}},
    // Room enough by area, but no free corner where the second entry lies inside: not placed,
    // and it waits outside the container.
    {"no place inside", {0, 0, 100, 100}, {{{0, 0, 60, 100}, kColumn}, {{0, 0, 50, 50}, kColumn}},
     RectanglePacker::kDoesNotFit, {{0, 0, 60, 100}, {-50, -50, 0, 0}}},
};

TEST(RectanglePacker, AnswersAndPlacesAsItsCasesSay) {
    for (const PackCase& c : kCases) {
        SCOPED_TRACE(c.name);
        RectanglePacker packer(c.container);
        for (const Entry& e : c.entries) ASSERT_TRUE(packer.Add(e.rect, e.flags));
        EXPECT_EQ(packer.Pack(), c.result);
        for (size_t i = 0; i < c.placed.size(); ++i) {
            const RECT& got = packer.Entry(i);
            EXPECT_TRUE(::EqualRect(&got, &c.placed[i]))
                << "entry " << i << " at " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
        }
    }
}

TEST(RectanglePacker, RefusesEmptyEntriesAndRowsWithTheReservedFlag) {
    RectanglePacker packer({0, 0, 100, 100});
    EXPECT_FALSE(packer.Add({10, 10, 10, 40}, kColumn));
    EXPECT_FALSE(packer.Add({0, 0, 20, 20}, kRow | RectanglePacker::kReserved));
    EXPECT_TRUE(packer.Add({20, 30, 0, 0}, kColumn));  // normalised
    EXPECT_EQ(packer.Count(), 1u);
    EXPECT_EQ(packer.Pack(), RectanglePacker::kPacked);
    EXPECT_EQ(packer.Entry(0).right, 20);
}

}  // namespace
