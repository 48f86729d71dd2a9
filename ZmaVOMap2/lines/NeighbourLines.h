// The actions of the neighbour lines: the pixel cache, the renderer and the rollover hit tester.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/lines/CellLines.h"
#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/lines/LinePicture.h"
#include "ZmaVOMap2/lines/LineTable.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "platform/Com.h"

#include <map>
#include <utility>
#include <vector>

class CZmaVadAZLinesToNborsLayer;
class CZmaVadAZDataLayer;

struct NeighbourLineRecord {
    POINT cellEnd;
    POINT pointEnd;
    long row;
    long neighbour;
    void HandTo(LinesToNeighboursActionInterface& action, const GeoPoint& none, IHostDataset*& dataset) const {
        action(cellEnd, pointEnd, none, none, neighbour, dataset);
    }
};

// The neighbour lines of each dataset in pixel space, with the index of each line's field.
using NeighbourLineCache = CellLineCache<NeighbourLineRecord, LinesToNeighboursActionInterface, long>;

// The field that colours a dataset's neighbour lines of one index in one pass (null: they keep
// the line colour), with its style object.
struct NeighbourColourSource {
    platform::ComPtr<IHostField> field;
    platform::ComPtr<IHostFieldStyle> style;
};

// Neighbour lines (mode 0, dashed) or their labels (mode 1). Labels are drawn as they come; lines
// are collected with their colours and drawn by Finish, in the same order, through the layer's
// picture of its last pass.
class NeighbourLineRenderer : public LinesToNeighboursActionInterface {
public:
    enum : unsigned char { kLines = 0, kLabels = 1 };
    NeighbourLineRenderer(CZmaVadAZLinesToNborsLayer& owner, unsigned char mode, HDC dc, const RECT& view,
                          const ZmaExtent& extent, bool useGdiPlus);
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                    IHostDataset*& dataset) override;
    // Draws the collected lines; without a picture they are drawn and nothing is kept.
    void Finish(LinePicture* picture, bool keep);

private:
    HDC dc_;
    CZmaVadAZLinesToNborsLayer& owner_;
    unsigned char mode_;
    RECT view_;
    ZmaExtent extent_;
    LineStyle style_;
    std::vector<PictureLine> lines_;
    // The colour field of each dataset and neighbour index met in this pass.
    std::map<std::pair<IHostDataset*, long>, NeighbourColourSource> colours_;
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
// label field's text in "Label", and counts the rows left out for their position. A line the
// table refuses is raised, which ends the walk with the failure.
class NborTabExporter : public LinesToNeighboursActionInterface {
public:
    NborTabExporter(LineTable& table, CZmaVadAZLinesToNborsLayer& owner) : owner_(owner), table_(table) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo, long neighbour,
                    IHostDataset*& dataset) override;
    void RowWithoutPosition() override { ++rowsWithoutPosition_; }
    long RowsWithoutPosition() const noexcept { return rowsWithoutPosition_; }

private:
    CZmaVadAZLinesToNborsLayer& owner_;
    LineTable& table_;
    long rowsWithoutPosition_ = 0;
};
