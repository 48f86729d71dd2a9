// The arithmetic of drive-direction arrows, apart from datasets and devices: the spacing rule,
// the running distance over restarts of the distance counter, the search for arrow row pairs
// over a route, and the three lines of one arrow on the screen.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <vector>

struct DirectionArrow {
    double x0, y0, x1, y1;  // longitude and latitude of the first point, then of the second
};

struct ArrowRowPair {
    bool done = true;
    long firstRow = 0, secondRow = 0;
    bool operator==(const ArrowRowPair& o) const {
        return done == o.done && firstRow == o.firstRow && secondRow == o.secondRow;
    }
};

// The rows of a route as the arrow search walks them.
class DirectionRowSource {
public:
    virtual void MoveFirst() = 0;
    // False when no row follows.
    virtual bool MoveNext() = 0;
    virtual void MoveTo(long row) = 0;
    virtual long CurrentRow() = 0;
    // Latitude, longitude and distance all present.
    virtual bool IsValid() = 0;
    virtual long Distance() = 0;
    virtual double Time() = 0;
    virtual double Latitude() = 0;
    virtual double Longitude() = 0;

protected:
    ~DirectionRowSource() = default;
};

// The distance along the route across restarts of the counter: a value below the previous one
// continues from where the counter stood.
class RunningDistance {
public:
    long Add(long distance) noexcept {
        if (distance < previous_) offset_ += previous_;
        previous_ = distance;
        return distance + offset_;
    }

private:
    long offset_ = 0, previous_ = 0;
};

// Thrown (as a plain C++ exception) when a route's times run backwards.
struct RouteNotChronological {};

namespace direction {

// 500 below 10000, 1000 below 30000, 2500 below 100000, else 5000.
long DefaultSpacing(long routeLength) noexcept;
// The first "ArrowDistance" entry under "ArrowDistances" whose "MaxDistance" is empty or greater
// than the route length; the default rule when none applies, an entry is malformed, or the
// spacing it gives is not positive.
long SpacingFromConfig(IXMLDOMDocument* config, long routeLength) noexcept;
// Moves on to the next valid row from the current one; false when the rows run out.
bool SkipToValidRow(DirectionRowSource& rows);
long RouteLength(DirectionRowSource& rows);
// The row pairs arrows stand on, one per `spacing` of distance; raises RouteNotChronological.
std::vector<ArrowRowPair> FindArrowRows(DirectionRowSource& rows, long spacing);
std::vector<DirectionArrow> ReadArrows(DirectionRowSource& rows, const std::vector<ArrowRowPair>& pairs);

// The three lines (tail to head, barb to head, head to barb) of an arrow drawn beside the
// screen points s0 -> s1 at `dpi`; false when the two points coincide (no direction).
struct ArrowLines {
    POINT tail, head, barb1, barb2;
    bool operator==(const ArrowLines& o) const {
        auto same = [](const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; };
        return same(tail, o.tail) && same(head, o.head) && same(barb1, o.barb1) && same(barb2, o.barb2);
    }
};
struct ArrowLinesHash {
    size_t operator()(const ArrowLines& l) const noexcept {
        size_t h = 0;
        for (const POINT& p : {l.tail, l.head, l.barb1, l.barb2})
            h = h * 1000003u ^ (static_cast<size_t>(p.x) * 31u + static_cast<size_t>(p.y));
        return h;
    }
};
bool MakeArrowLines(float s0x, float s0y, float s1x, float s1y, int dpi, ArrowLines& lines);

}  // namespace direction
