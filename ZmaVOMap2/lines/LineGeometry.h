// Line geometry: geographic positions of measurement points and cells turned into pixel segments
// that lie inside the view, for every line layer.
//
// A LineGeometry serves one walk over one dataset: it binds the walked dataset, the data layer
// that shows it (for its offsets), the cell-site layer (positions of cells, offsets of their drawn
// symbols), the engine map (the coordinate conversion), the view rectangle and the draw offset.
// A measurement row or a cell has a position here exactly when its data layer draws it: the data
// layer's rule (RendererOptimiserInterface::GetDrawablePosition) decides, so a row off the world,
// at (0, 0) or whose position is no number gets no line, and the rows after it get theirs.
#pragma once

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/engine/ScreenProjection.h"
#include "platform/Com.h"

#include "HostInterfaces.h"

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

class CZmaVadAZDataLayer;
class RendererOptimiserCellSites;

// Geographic pair: x = longitude, y = latitude.
struct GeoPoint {
    double lon = 0.0;
    double lat = 0.0;
};

// Whether the bounding box of the segment (widened by one pixel where it is flat) meets `rect`.
bool SegmentBoxIntersectsRect(const RECT& rect, POINT p1, POINT p2);
// Whether the cursor lies on the line from `a` to `b`: nearer to it than `tolerance` pixels and
// inside the box of its ends widened by the tolerance, so that horizontal and vertical lines are
// hit too. A line of no length is never hit.
bool IsCursorOnLine(POINT cursor, POINT a, POINT b, int tolerance);
// Clips the pixel segment a-b to `rect` (PtInRect rules: right and bottom edges outside). outA is
// the visible end on a's side, outB on b's side. False, with the outs untouched, when fewer than
// two points of the segment lie in the rectangle.
bool ClipSegmentToRect(const RECT& rect, POINT a, POINT b, POINT& outA, POINT& outB);
// The rows of a dataset as the ends of lines that name their rows: a row is an end exactly when
// the map draws it, by the data layers' rule (RendererOptimiserInterface::DrawablePosition), and
// when the dataset has it. A row off the world, at (0, 0) or whose position is no number is no end.
class DrawnRows {
public:
    // Raises E_POINTER for a null dataset.
    explicit DrawnRows(IHostDataset* dataset);
    // Without "Longitude" and "Latitude" fields the map draws no row of the dataset.
    bool HasPositionFields() const noexcept { return longitude_ && latitude_; }
    // Moves the dataset to the row and takes its position when the map draws the row.
    bool Position(long row, double& longitude, double& latitude);
    // Why the map does not draw the row, in words that follow "...is not drawn on the map: ".
    std::wstring WhyNotDrawn(long row);

private:
    bool HasRow(long row) const { return row >= 0 && row < hostdata::RowCount(rows_.Get()); }

    platform::ComPtr<IHostRows> rows_;
    platform::ComPtr<IHostField> longitude_, latitude_;
    platform::Variant longitudeValue_, latitudeValue_;
};

// The last row of a walk, for a walk into a cache that keeps each pair of ends once: a row on the
// pixel of the row before it, naming the same cells, gives the very lines that row gave, so its
// lines need not be made again.
class RepeatedRow {
public:
    // Whether this row repeats the one before; remembers it for the next.
    // `valid[i]` false: handle i names no cell (its value is then not looked at).
    bool Repeats(POINT pixel, const long* handles, const char* valid, size_t count) {
        bool same = known_ && pixel.x == pixel_.x && pixel.y == pixel_.y && count == handles_.size();
        for (size_t i = 0; same && i < count; ++i)
            same = (valid[i] != 0) == (valid_[i] != 0) && (!valid[i] || handles[i] == handles_[i]);
        if (same) return true;
        known_ = true;
        pixel_ = pixel;
        handles_.assign(handles, handles + count);
        valid_.assign(valid, valid + count);
        return false;
    }

private:
    bool known_ = false;
    POINT pixel_ = {0, 0};
    std::vector<long> handles_;
    std::vector<char> valid_;
};

class LineGeometry {
public:
    // Raises E_POINTER when the dataset lacks its position fields or the cell-site layer has no
    // optimiser; the renderer of the cell-site layer is needed only where a symbol offset is.
    LineGeometry(IHostDataset* dataset, CZmaVadAZDataLayer* dataLayer, CZmaVadAZDataLayer* cellSiteLayer,
                 const RECT& viewRect, const ZmaExtent& viewExtent, IDispatch* map, POINT drawOffset);
    LineGeometry(const LineGeometry&) = delete;
    LineGeometry& operator=(const LineGeometry&) = delete;

    // A geographic segment as a visible pixel segment. Note the order of the outs: outEnd2 lies on
    // the side of (x2, y2), outEnd1 on the side of (x1, y1). The draw offset is not applied.
    bool ProjectAndClipSegment(double x1, double y1, double x2, double y2, POINT& outEnd2, POINT& outEnd1);
    bool ClipSegmentToView(POINT p1, POINT p2, POINT& outNearP1, POINT& outNearP2) const;
    // The pixel of the symbol of one row of the dataset (its symbol offset added); false for a row
    // the map does not draw or the dataset does not have (DrawnRows).
    bool ProjectRowPosition(long row, POINT& outPoint);
    // The line from the dataset's current row to the cell whose element handle stands in the
    // named field: the cell end at the cell's symbol, both ends clipped to the view and moved by
    // the draw offset, and both geographic positions (without offsets or clipping). A walk calls
    // BeginRow whenever it moves to another row: a row's position is read once for all its
    // lines, and each cell's once per walk. A walk that knows the row's number passes it: the
    // position is then taken from what the data layer kept of the same reading when it can.
    void BeginRow(long row = -1) noexcept {
        pointKnown_ = false;
        row_ = row;
    }
    bool ProjectAndClipToCell(const std::wstring& handleFieldName, POINT& outCellEnd, POINT& outPointEnd,
                              GeoPoint& outCellGeo, GeoPoint& outPointGeo);
    // The same with the handle field found once for the walk (HandleField).
    bool ProjectAndClipToCell(IHostField* handleField, POINT& outCellEnd, POINT& outPointEnd, GeoPoint& outCellGeo,
                              GeoPoint& outPointGeo);
    // Those steps one by one, for a walk that looks at a row's handles before its lines: the
    // current row's pixel (false when the map does not draw the row), a handle field's value
    // (false for a null, a value that is no integer, or 0), and the line to the cell of a handle.
    bool RowPoint(POINT& pixel) {
        if (!pointKnown_) {
            pointFound_ = ProjectPoint();
            pointKnown_ = true;
        }
        pixel = point_;
        return pointFound_;
    }
    // Inline, as the host's own read: a walk reads the handles of every row.
    bool ReadHandle(IHostField* handleField, long& handle) {
        hostdata::ReadValue(handleField, handle_);
        if (handle_.vt != VT_I4 && FAILED(::VariantChangeType(&handle_, &handle_, 0, VT_I4))) return false;
        handle = handle_.lVal;
        return handle != 0;
    }
    bool ProjectAndClipToCell(long handle, POINT& outCellEnd, POINT& outPointEnd, GeoPoint& outCellGeo,
                              GeoPoint& outPointGeo);
    // The dataset's field of that name; a failed look-up is raised.
    IHostField* HandleField(const std::wstring& name);

private:
    POINT SymbolOffset();
    // The current row's point: its pixel with the data layer's offsets, and its position.
    bool ProjectPoint();

    struct Cell {
        bool found = false;
        POINT site = {0, 0};    // the site's pixel
        POINT symbol = {0, 0};  // where the line ends: the site moved by the symbol offset
        GeoPoint geo;
    };
    const Cell& CellOf(long handle);
    // Makes the cell-site row of the handle current. Before the cell-site layer's first frame its
    // optimiser holds no index yet; an export then finds the cells itself, by the same rule.
    bool MoveToCell(long handle);

    platform::ComPtr<IHostDataset> dataset_;
    CZmaVadAZDataLayer* dataLayer_;
    RECT viewRect_;
    ZmaExtent viewExtent_;
    POINT drawOffset_;
    ScreenProjection projection_;
    RendererOptimiserCellSites* cellSites_;
    platform::ComPtr<IHostRenderer> cellRenderer_;
    platform::ComPtr<IHostFields> fields_;
    platform::ComPtr<IHostField> latitude_, longitude_;
    platform::Variant latitudeValue_, longitudeValue_, handle_;
    // The handle fields met so far, by name: a walk reads the same few on every row.
    std::map<std::wstring, platform::ComPtr<IHostField>> handleFields_;
    std::unordered_map<long, Cell> cells_;
    bool ownIndexBuilt_ = false;
    std::map<long, long> ownIndex_;
    // The current row's position when its data layer draws it: what the data layer kept of the
    // same reading when it keeps every row (asked anew for every row: a host's handler may have
    // the data layer read its rows again meanwhile), else read from the host by the same rule.
    bool DrawablePosition(double& longitude, double& latitude);
    long row_ = -1;
    bool pointKnown_ = false;
    bool pointFound_ = false;
    POINT point_ = {0, 0};
    GeoPoint pointGeo_;
};
