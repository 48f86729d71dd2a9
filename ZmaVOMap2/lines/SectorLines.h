// The lines a host draws between two cell sectors, and the one-operation objects their layer
// hands each visible line to: the renderer (GDI or anti-aliased GDI+, dashes, an open arrowhead),
// the click hit tester and the rollover hit tester.
#pragma once

#include "platform/Com.h"

#include <windows.h>

#include <string>

class CZmaVadAZLayer;

struct SectorLine {
    platform::Bstr guid1;
    long rowId1 = 0;
    platform::Bstr guid2;
    long rowId2 = 0;
    long lineWidth = 0;  // device pixels; 0 is 3/96 inch
    long lineType = 0;   // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, other dash
    platform::Variant lineColor;  // as the colour rule keeps it (layers/HostColour.h); empty draws black
    platform::Bstr toolTip;
    bool drawArrow = false;
    double proportion = 0.0;  // where the arrow's tip lies: 0 first sector, 1 second
    bool visible = true;
};

// A position along a line in floating pixels (the arrow's tip).
struct MarkerPoint {
    float x = 0;
    float y = 0;
};

class LinesToSectorsActionInterface {
public:
    // `start` and `end` are the visible ends (start on the first sector's side); `marker` is the
    // arrow's tip, from the unclipped ends; `index` is the line's place in its layer. True goes on.
    virtual bool operator()(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line,
                            long index) = 0;

protected:
    ~LinesToSectorsActionInterface() = default;
};

double LengthSquared(double x, double y);
// Whether `cursor` lies nearer than 3 pixels to the segment (IsCursorOnLine).
bool SectorLineHit(POINT cursor, POINT start, POINT end);

class SectorLineRenderer : public LinesToSectorsActionInterface {
public:
    SectorLineRenderer(bool antiAlias, HDC dc, const RECT& drawingRect);
    bool operator()(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line,
                    long index) override;
    // The GDI dashes of a line of any type but 0: dashes and gaps of 20/96 inch, the last dash
    // ending at `to`; a line shorter than one dash is not drawn, nor a dash starting outside `clip`.
    static void DrawGdiDashes(HDC dc, const RECT& clip, POINT from, POINT to);

private:
    void DrawGdi(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line);
    void DrawGdiPlus(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line);

    HDC dc_;
    RECT rect_;
    bool antiAlias_;
};

class ClickSectorLinesHitTester : public LinesToSectorsActionInterface {
public:
    explicit ClickSectorLinesHitTester(POINT cursor) : cursor_(cursor) {}
    bool operator()(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line,
                    long index) override;
    bool IsHit() const noexcept { return hit_; }
    // The hit line's index in its layer (the one ToggleLine takes); -1 without a hit.
    long GetHitIndex() const noexcept { return hitIndex_; }

private:
    long hitIndex_ = -1;
    POINT cursor_;
    bool hit_ = false;
};

class RolloverSectorLinesHitTester : public LinesToSectorsActionInterface {
public:
    RolloverSectorLinesHitTester(POINT cursor, CZmaVadAZLayer* layer) : cursor_(cursor), layer_(layer) {}
    bool operator()(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line,
                    long index) override;
    bool IsHit() const noexcept { return hit_; }

private:
    POINT cursor_;
    CZmaVadAZLayer* layer_;
    bool hit_ = false;
};
