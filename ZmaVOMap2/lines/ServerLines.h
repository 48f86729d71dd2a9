// The actions of the serving lines: the pixel cache, the renderer and the rollover hit tester.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/lines/LinePen.h"
#include "ZmaVOMap2/lines/LineTable.h"
#include "ZmaVOMap2/lines/SmoothLinePainter.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "platform/Com.h"

#include <string>

class CZmaVadAZLinesToServersLayer;
class CZmaVadAZDataLayer;

struct ServerLineRecord {
    POINT cellEnd;
    POINT pointEnd;
    long row;
};


// The serving lines of each dataset in pixel space.
class ServerLineCache : public LinesToServersActionInterface {
public:
    explicit ServerLineCache(CZmaVadAZLinesToServersLayer& owner) : owner_(owner) {}

    bool Validate(IHostDataset* dataset, CZmaVadAZDataLayer& dataLayer, const RECT& view, const ZmaExtent& extent);
    void Replay(IHostDataset* dataset, LinesToServersActionInterface& action);
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                    IHostDataset*& dataset) override;

private:
    CZmaVadAZLinesToServersLayer& owner_;
    DatasetLineCache<ServerLineRecord> lines_;
};

// Draws serving lines (solid, mode 0) or their labels (any other mode).
class LineRenderer : public LinesToServersActionInterface {
public:
    enum : unsigned char { kLines = 0, kLabels = 1 };
    LineRenderer(CZmaVadAZLinesToServersLayer& owner, unsigned char mode, HDC dc, const RECT& view,
                 const ZmaExtent& extent, bool useGdiPlus)
        : dc_(dc), owner_(owner), mode_(mode), view_(view), extent_(extent), gdiPlus_(useGdiPlus),
          dpi_(::GetDeviceCaps(dc, LOGPIXELSY)), smooth_(dc) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                    IHostDataset*& dataset) override;

private:
    HDC dc_;
    CZmaVadAZLinesToServersLayer& owner_;
    unsigned char mode_;
    RECT view_;
    ZmaExtent extent_;
    bool gdiPlus_;
    int dpi_;  // pen widths and dashes are in 1/96 inch
    LinePen pen_;
    SmoothLinePainter smooth_;
};

class RolloverServerLinesHitTester : public LinesToServersActionInterface {
public:
    RolloverServerLinesHitTester(POINT cursor, CZmaVadAZLinesToServersLayer& owner) : cursor_(cursor), owner_(owner) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                    IHostDataset*& dataset) override;
    bool IsHit() const noexcept { return hit_; }

private:
    POINT cursor_;
    CZmaVadAZLinesToServersLayer& owner_;
    bool hit_ = false;
};

// Writes each serving line as a two-point polyline from the cell to the point, solid, with the
// label field's text in "Label".
// A line the table refuses stops the walk (the table's Failed() says so).
class LinesTabExporter : public LinesToServersActionInterface {
public:
    LinesTabExporter(LineTable& table, CZmaVadAZLinesToServersLayer& owner) : owner_(owner), table_(table) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                    IHostDataset*& dataset) override;

private:
    CZmaVadAZLinesToServersLayer& owner_;
    LineTable& table_;
};

// The text of a serving line's label field: the field's value table's text of the value when it
// has one, else the value as text. False when nothing is to be shown.
bool ServingLabelText(IHostField* field, std::wstring& text);
