// The actions of the neighbour lines: the pixel cache, the renderer and the rollover hit tester.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/lines/LinePen.h"
#include "ZmaVOMap2/lines/LineTable.h"
#include "ZmaVOMap2/lines/SmoothLinePainter.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "platform/Com.h"

class CZmaVadAZLinesToNborsLayer;
class CZmaVadAZDataLayer;

struct NeighbourLineRecord {
    POINT cellEnd;
    POINT pointEnd;
    long row;
    long neighbour;
};


// The lines of each dataset in pixel space, so that the label pass and every mouse move replay
// them without reading the cell sites again. Each dataset keeps the view it was built for: an
// entry is rebuilt when its own view, its data layer's offsets or the draw option changed.
class NeighbourLineCache : public LinesToNeighboursActionInterface {
public:
    explicit NeighbourLineCache(CZmaVadAZLinesToNborsLayer& owner) : owner_(owner) {}

    // Whether the dataset's lines must be built again for this view; forgets them when so.
    bool Validate(IHostDataset* dataset, CZmaVadAZDataLayer& dataLayer, const RECT& view, const ZmaExtent& extent);
    // Hands every cached line of the dataset to the action, on its row; the neighbour index is
    // shifted by one for WCDMA.
    void Replay(IHostDataset* dataset, LinesToNeighboursActionInterface& action);
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                    IHostDataset*& dataset) override;

private:
    CZmaVadAZLinesToNborsLayer& owner_;
    DatasetLineCache<NeighbourLineRecord> lines_;
};

// Draws neighbour lines (mode 0, dashed) or their labels (mode 1).
class NeighbourLineRenderer : public LinesToNeighboursActionInterface {
public:
    enum : unsigned char { kLines = 0, kLabels = 1 };
    NeighbourLineRenderer(CZmaVadAZLinesToNborsLayer& owner, unsigned char mode, HDC dc, const RECT& view,
                          const ZmaExtent& extent, bool useGdiPlus)
        : dc_(dc), owner_(owner), mode_(mode), view_(view), extent_(extent), gdiPlus_(useGdiPlus),
          dpi_(::GetDeviceCaps(dc, LOGPIXELSY)), smooth_(dc) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                    IHostDataset*& dataset) override;

private:
    void DrawDashedGdi(POINT from, POINT to, COLORREF colour, int width);

    HDC dc_;
    CZmaVadAZLinesToNborsLayer& owner_;
    unsigned char mode_;
    RECT view_;
    ZmaExtent extent_;
    bool gdiPlus_;
    int dpi_;  // pen widths and dashes are in 1/96 inch
    LinePen pen_;
    SmoothLinePainter smooth_;
};

class RolloverHitTester : public LinesToNeighboursActionInterface {
public:
    RolloverHitTester(POINT cursor, CZmaVadAZLinesToNborsLayer& owner) : cursor_(cursor), owner_(owner) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                    IHostDataset*& dataset) override;
    bool IsHit() const noexcept { return hit_; }

private:
    POINT cursor_;
    CZmaVadAZLinesToNborsLayer& owner_;
    bool hit_ = false;
};

// Writes each neighbour line as a two-point polyline from the cell to the point, dashed, with the
// label field's text in "Label".
// A line the table refuses stops the walk (the table's Failed() says so).
class NborTabExporter : public LinesToNeighboursActionInterface {
public:
    NborTabExporter(LineTable& table, CZmaVadAZLinesToNborsLayer& owner) : owner_(owner), table_(table) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                    IHostDataset*& dataset) override;

private:
    CZmaVadAZLinesToNborsLayer& owner_;
    LineTable& table_;
};
