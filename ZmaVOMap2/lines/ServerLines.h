// The actions of the serving lines: the pixel cache, the renderer and the rollover hit tester.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/lines/CellLines.h"
#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/lines/LinePicture.h"
#include "ZmaVOMap2/lines/LineTable.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "platform/Com.h"

#include <map>
#include <string>
#include <vector>

class CZmaVadAZLinesToServersLayer;
class CZmaVadAZDataLayer;

// The field that colours a dataset's serving lines in one pass (null: they keep the line
// colour), with its value table.
struct ServingColourSource {
    platform::ComPtr<IHostField> field;
    platform::ComPtr<IHostFieldStyle> table;
};

struct ServerLineRecord {
    POINT cellEnd;
    POINT pointEnd;
    long row;
    void HandTo(LinesToServersActionInterface& action, const GeoPoint& none, IHostDataset*& dataset) const {
        action(cellEnd, pointEnd, none, none, dataset);
    }
};

// The serving lines of each dataset in pixel space.
using ServerLineCache = CellLineCache<ServerLineRecord, LinesToServersActionInterface>;

// Serving lines (solid, mode 0) or their labels (any other mode). Labels are drawn as they come;
// lines are collected with their colours and drawn by Finish, in the same order, through the
// layer's picture of its last pass.
class LineRenderer : public LinesToServersActionInterface {
public:
    enum : unsigned char { kLines = 0, kLabels = 1 };
    LineRenderer(CZmaVadAZLinesToServersLayer& owner, unsigned char mode, HDC dc, const RECT& view,
                 const ZmaExtent& extent, bool useGdiPlus);
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                    IHostDataset*& dataset) override;
    // Draws the collected lines; without a picture they are drawn and nothing is kept.
    void Finish(LinePicture* picture, bool keep);

private:
    HDC dc_;
    CZmaVadAZLinesToServersLayer& owner_;
    unsigned char mode_;
    RECT view_;
    ZmaExtent extent_;
    LineStyle style_;
    std::vector<PictureLine> lines_;
    // The colour field of each dataset met in this pass.
    std::map<IHostDataset*, ServingColourSource> colours_;
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
// label field's text in "Label", and counts the rows left out for their position. A line the
// table refuses is raised, which ends the walk with the failure.
class LinesTabExporter : public LinesToServersActionInterface {
public:
    LinesTabExporter(LineTable& table, CZmaVadAZLinesToServersLayer& owner) : owner_(owner), table_(table) {}
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint& cellGeo, const GeoPoint& pointGeo,
                    IHostDataset*& dataset) override;
    void RowWithoutPosition() override { ++rowsWithoutPosition_; }
    long RowsWithoutPosition() const noexcept { return rowsWithoutPosition_; }

private:
    CZmaVadAZLinesToServersLayer& owner_;
    LineTable& table_;
    long rowsWithoutPosition_ = 0;
};

// The text of a serving line's label field: the field's value table's text of the value when it
// has one, else the value as text. False when nothing is to be shown.
bool ServingLabelText(IHostField* field, std::wstring& text);
