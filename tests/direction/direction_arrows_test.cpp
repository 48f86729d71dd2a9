#include "ZmaVOMap2/direction/DirectionArrows.h"
#include "platform/Xml.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Row {
    bool valid;
    long distance;
    double time;
};

class VectorRows : public DirectionRowSource {
public:
    explicit VectorRows(std::vector<Row> rows) : rows_(std::move(rows)) {}
    void MoveFirst() override { at_ = 0; }
    bool MoveNext() override { return ++at_ < static_cast<long>(rows_.size()); }
    void MoveTo(long row) override { at_ = row; }
    long CurrentRow() override { return at_; }
    bool IsValid() override { return rows_[at_].valid; }
    long Distance() override { return rows_[at_].distance; }
    double Time() override { return rows_[at_].time; }
    double Latitude() override { return 50.0 + at_; }
    double Longitude() override { return 8.0 + at_; }

private:
    std::vector<Row> rows_;
    long at_ = 0;
};

std::vector<ArrowRowPair> Pairs(std::initializer_list<std::pair<long, long>> rows) {
    std::vector<ArrowRowPair> out;
    for (auto& r : rows) out.push_back({false, r.first, r.second});
    return out;
}

}  // namespace

TEST(DirectionArrows, ACounterRestartContinuesFromWhereTheCounterStood) {
    RunningDistance running;
    EXPECT_EQ(0, running.Add(0));
    EXPECT_EQ(1000, running.Add(1000));
    EXPECT_EQ(2000, running.Add(2000));
    EXPECT_EQ(2100, running.Add(100));
    EXPECT_EQ(2600, running.Add(600));
}

TEST(DirectionArrows, RouteLengthSkipsRowsWithoutPositionOrDistance) {
    VectorRows rows({{true, 0, 0}, {false, 900000, 1}, {true, 1000, 2}, {true, 2000, 3}, {true, 100, 4}});
    EXPECT_EQ(2100, direction::RouteLength(rows));
}

TEST(DirectionArrows, TheDefaultSpacingFollowsTheRouteLength) {
    EXPECT_EQ(500, direction::DefaultSpacing(9999));
    EXPECT_EQ(1000, direction::DefaultSpacing(10000));
    EXPECT_EQ(1000, direction::DefaultSpacing(29999));
    EXPECT_EQ(2500, direction::DefaultSpacing(30000));
    EXPECT_EQ(2500, direction::DefaultSpacing(99999));
    EXPECT_EQ(5000, direction::DefaultSpacing(100000));
}

TEST(DirectionArrows, TheConfigurationsFirstApplyingEntryWinsAndBadOnesFallBackToTheDefault) {
    auto spacing = [](const wchar_t* xml, long length) {
        auto doc = platform::CreateXmlDocument();
        VARIANT_BOOL ok = VARIANT_FALSE;
        platform::Bstr text(xml);
        EXPECT_EQ(S_OK, doc->loadXML(text.Get(), &ok));
        return direction::SpacingFromConfig(doc.Get(), length);
    };
    const wchar_t* rules =
        L"<c><ArrowDistances><ArrowDistance MaxDistance='10000' ArrowDistance='111'/>"
        L"<ArrowDistance MaxDistance='' ArrowDistance='333'/><ArrowDistance MaxDistance='50000' ArrowDistance='7'/>"
        L"</ArrowDistances></c>";
    EXPECT_EQ(111, spacing(rules, 9999));
    EXPECT_EQ(333, spacing(rules, 10000));  // not strictly greater: the next entry applies
    EXPECT_EQ(500, spacing(L"<c><ArrowDistances><ArrowDistance ArrowDistance='9'/></ArrowDistances></c>", 10));
    // A spacing that never moves the search on is refused.
    EXPECT_EQ(1000, spacing(L"<c><ArrowDistances><ArrowDistance MaxDistance='' ArrowDistance='0'/></ArrowDistances></c>", 20000));
    EXPECT_EQ(2500, spacing(L"<c><ArrowDistances><ArrowDistance MaxDistance='' ArrowDistance='-5'/></ArrowDistances></c>", 30000));
    EXPECT_EQ(5000, direction::SpacingFromConfig(nullptr, 100000));
}

TEST(DirectionArrows, ArrowsStandOnConsecutiveRowsAcrossEachSpacing) {
    VectorRows rows({{true, 0, 0}, {true, 300, 1}, {true, 700, 2}, {true, 1200, 3}});
    EXPECT_EQ(Pairs({{0, 1}, {1, 2}, {2, 3}}), direction::FindArrowRows(rows, 500).pairs);
    auto arrows = direction::ReadArrows(rows, direction::FindArrowRows(rows, 500).pairs);
    ASSERT_EQ(3u, arrows.size());
    EXPECT_DOUBLE_EQ(9.0, arrows[1].x0);
    EXPECT_DOUBLE_EQ(52.0, arrows[1].y1);
}

TEST(DirectionArrows, ANonPositiveSpacingFindsNothingInsteadOfLoopingForever) {
    VectorRows rows({{true, 0, 0}, {true, 300, 1}});
    EXPECT_TRUE(direction::FindArrowRows(rows, 0).pairs.empty());
    EXPECT_TRUE(direction::FindArrowRows(rows, -10).pairs.empty());
}

TEST(DirectionArrows, TimeRunningBackwardsEndsTheSearchButEqualTimesPass) {
    VectorRows backwards({{true, 0, 5}, {true, 300, 4}, {true, 700, 6}});
    EXPECT_FALSE(direction::FindArrowRows(backwards, 500).chronological);
    VectorRows equal({{true, 0, 5}, {true, 300, 5}, {true, 700, 5}});
    EXPECT_EQ(Pairs({{0, 1}, {1, 2}}), direction::FindArrowRows(equal, 500).pairs);
}

TEST(DirectionArrows, AnEastwardArrowAt96DpiLiesBesideItsFirstPoint) {
    direction::ArrowLines lines;
    ASSERT_TRUE(direction::MakeArrowLines(100, 100, 200, 100, 96, lines));
    EXPECT_EQ(89, lines.tail.x);
    EXPECT_EQ(109, lines.tail.y);
    EXPECT_EQ(109, lines.head.x);
    EXPECT_EQ(109, lines.head.y);
    EXPECT_EQ(99, lines.barb1.x);
    EXPECT_EQ(102, lines.barb1.y);
    EXPECT_EQ(99, lines.barb2.x);
    EXPECT_EQ(116, lines.barb2.y);
    EXPECT_FALSE(direction::MakeArrowLines(100, 100, 100, 100, 96, lines));
}
