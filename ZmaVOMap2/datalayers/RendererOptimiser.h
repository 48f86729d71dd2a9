// Renderer optimisers: the per-layer cache between a host dataset and the screen.
//
// For every frame an optimiser turns the dataset's rows into screen pixels, keeps only what can
// be seen, and answers its data layer which rows to draw and in which order, which row lies at or
// near a pixel, and which extents the data and its selection cover. A redraw then costs one
// symbol per occupied pixel instead of one per row, and the pixels are worked out again only
// when the view, its extent or the layer's offsets change.
//
//  - RendererOptimiserDataset (measurement points): at most one row per pixel; the first row
//    (lowest row number) that falls on a pixel wins it.
//  - RendererOptimiserCellSites (cell sites): every shown row keeps its pixel; where rows share a
//    pixel the highest row number is on top. Rows are also indexed by "ElementHandle".
//
// Both read every row of the host once and keep its position (RowPositions) until the host
// reports a change of the rows (InvalidateRows); a new view then costs no reading of the host.
// The point optimiser asks its row filter of a row only when the row would take a pixel (or when
// the data extent needs every verdict), and keeps the verdict as long as the position.
// The point optimiser also keeps, for a few recent zoom levels, the pixel of the first row of
// every occupied pixel of the whole data: a view that is one of them moved by whole pixels (a
// pan east or west) takes its pixels from there instead of from every row.
//
// Map points are x = longitude, y = latitude in degrees, with the layer's offsets added. A row
// whose latitude and longitude are both exactly 0, or either is empty or null, has no position.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/services/LifetimeDetector.h"
#include "ZmaVOMap2/datalayers/ElementIndex.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/PixelTable.h"
#include "ZmaVOMap2/datalayers/RowPositions.h"
#include "ZmaVOMap2/engine/ScreenProjection.h"
#include "platform/Com.h"

#include <exception>
#include <string>
#include <vector>

// Runs `work` and keeps a failure it raises in `first` (unless one is kept already) instead of
// letting it go on: for a frame that draws what was read before a failed read, then raises it.
template <class Work>
void KeepFirstFailure(std::exception_ptr& first, Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        if (!first) first = std::current_exception();
    }
}

// Judges the dataset's current row: whether it counts at all (drawn, hit, selected, exported).
class RendererRowValidatorInterface {
public:
    virtual bool ValidateRow() = 0;

protected:
    ~RendererRowValidatorInterface() = default;
};

// Extents are {left, top, right, bottom} in degrees, top the larger latitude. The empty extent is
// the sentinel {+DBL_MAX, -DBL_MAX, -DBL_MAX, +DBL_MAX}, which grows into the first point added.
namespace extent {
const ZmaExtent& Empty() noexcept;
bool IsEmpty(const ZmaExtent& e) noexcept;
// left < x < right and bottom < y < top.
bool Contains(const ZmaExtent& e, const ZmaPointD& p) noexcept;
void Extend(ZmaExtent& e, const ZmaPointD& p) noexcept;
// Whether two extents overlap, edges excluded.
bool Overlap(const ZmaExtent& view, const ZmaExtent& data) noexcept;
bool Equal(const ZmaExtent& a, const ZmaExtent& b) noexcept;
}  // namespace extent

// The interface of both optimisers, with the state and the operations they share.
class RendererOptimiserInterface {
public:
    virtual ~RendererOptimiserInterface() = default;

    // Stores the dataset and its two position fields, and forgets the view, the offsets and the
    // data extent.
    virtual void SetSources(IHostDataset* dataset, IHostField* latitude, IHostField* longitude);
    // Brings the cache up to date for one frame: `view` is the drawing rectangle in device
    // pixels, `viewExtent` the map extent it shows. `selectedMode` makes the next iteration walk
    // the selected rows instead of the drawn ones.
    virtual void Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX, double offsetY,
                        bool selectedMode) = 0;
    // The row cached at exactly that pixel, or -1.
    virtual int ItemAtPixel(const POINT& pixel) = 0;
    // The row under the cursor, or -1; the renderer's symbol decides the hit.
    virtual int HitTest(const POINT& pixel, IHostRenderer* renderer) = 0;
    // An iteration over the rows to draw: each answered row is made the dataset's current row.
    // -1 for nothing (more).
    virtual int Reset() = 0;
    virtual int MoveNext() = 0;
    // The pixel of the current row (drawing rectangle's corner added); false without a position.
    virtual bool GetScreenPosition(POINT& pixel);
    // The map point of the current row, offsets added, when the map can draw the row
    // (GetDrawablePosition); false for any other row.
    virtual bool GetMapPosition(ZmaPointD& point);
    // The current row's position as the host holds it, without offsets, when the map can draw
    // the row (the rule of every frame: two numbers, not both 0, finite and on the world); false
    // for any other row. Whatever must hold the rows the map draws, and no other, asks this.
    bool GetDrawablePosition(double& longitude, double& latitude) {
        return DrawablePosition(latitudeField_.Get(), longitudeField_.Get(), latitude_, longitude_, longitude, latitude);
    }
    // The same rule over the current row of two position fields of the caller's, read through two
    // values of the caller's: for a walk over the rows of a dataset that no optimiser reads.
    static bool DrawablePosition(IHostField* latitudeField, IHostField* longitudeField, VARIANT& latitudeValue,
                                 VARIANT& longitudeValue, double& longitude, double& latitude) {
        return ReadRaw(latitudeField, longitudeField, latitudeValue, longitudeValue, longitude, latitude) &&
               RowPositions::OnTheMap(longitude, latitude);
    }
    // A value as a double, as the rule reads a position: false for an empty or null value or one
    // that is no number.
    static bool ToDouble(VARIANT& value, double& out);
    virtual const ZmaExtent& GetViewExtent() const { return viewExtent_; }
    virtual const RECT& GetViewRect() const { return viewRect_; }
    // The extent of all usable rows, computed when not yet known; false when there is none.
    virtual bool GetDataExtent(ZmaExtent& out);
    // The extent of the dataset's selected rows; answers whether all of them lie well inside the
    // view (more than 5% of the view's smaller side from its edges). True for no selection.
    virtual bool GetSelectionExtent(ZmaExtent& out);
    // The rows that own the pixels of the selected rows, once per pixel, in pixel order.
    virtual const std::vector<int>& GetSelectedItems();
    // The selection changed: the next request rebuilds the list.
    virtual void ClearSelectedItems() { selectedItems_.clear(); }
    virtual void SetRowFilter(RendererRowValidatorInterface* filter) = 0;
    // The rows of the dataset changed (values, count, or what the row filter judges): the next
    // update reads them again.
    virtual void InvalidateRows() = 0;
    // The pixel of the row that Reset or MoveNext answered last, as the iteration placed it.
    virtual bool GetDrawPosition(POINT& pixel) { return GetScreenPosition(pixel); }
    // Memory kept for the rows, in bytes (the per-row caches, not the view's pixel table).
    virtual size_t RowCacheBytes() const { return positions_.Bytes(); }

    // Whether every row of the dataset is kept (a frame has read them and nothing changed since).
    bool RowsKept() const noexcept { return positions_.Known(); }
    long KeptRowCount() const noexcept { return positions_.Count(); }
    // The kept position of a row that may count (it has one and the row filter has not rejected
    // it), offsets added; false for any other row. Area selections walk these instead of asking
    // the host for every row, then ask RowCounts of the rows in their area.
    bool KeptRowPosition(long row, ZmaPointD& point) const {
        if (row < 0 || row >= positions_.Count() || !positions_.Counts(row)) return false;
        point.x = positions_.X(row) + offsetX_;
        point.y = positions_.Y(row) + offsetY_;
        return true;
    }
    // Counts the reports of changed rows (InvalidateRows): what was worked out from the rows is
    // stale once it differs.
    long RowsVersion() const noexcept { return rowsVersion_; }
    // The kept rows (positions as the host holds them, no offsets added; NaN for a row without a
    // position); null while they are not all kept.
    const RowPositions* KeptRows() const noexcept { return positions_.Known() ? &positions_ : nullptr; }
    // Whether a kept row counts: it has a position and the row filter accepts it. The filter is
    // asked once per row, when first needed (the row is made current for it), and its verdict
    // kept until the rows change.
    bool RowCounts(long row) {
        if (!positions_.Counts(row)) return false;
        return positions_.Judged(row) || JudgeRow(row);
    }

    // The engine map whose ConvertPosition places the rows.
    void SetMap(IDispatch* map) { projection_.SetMap(map); }
    IDispatch* GetMap() const noexcept { return projection_.Map(); }
    IHostDataset* GetDataset() const noexcept { return dataset_.Get(); }

protected:
    RendererOptimiserInterface();

    // Reads the dataset's row count for the frame. A host may remove or add rows without telling
    // the map: rows kept for another count are read again, so that no row at or past the count
    // is ever asked for.
    void FollowRowCount();

    // Reads the current row's position into `point` (offsets added).
    bool ReadPosition(ZmaPointD& point);
    // The same without the offsets, as the host holds it.
    bool ReadRaw(double& longitude, double& latitude) { return ReadRaw(latitude_, longitude_, longitude, latitude); }
    // The same through two values of the caller's (a reading of every row keeps them at hand).
    bool ReadRaw(VARIANT& latitudeValue, VARIANT& longitudeValue, double& longitude, double& latitude) {
        return ReadRaw(latitudeField_.Get(), longitudeField_.Get(), latitudeValue, longitudeValue, longitude, latitude);
    }
    static bool ReadRaw(IHostField* latitudeField, IHostField* longitudeField, VARIANT& latitudeValue,
                        VARIANT& longitudeValue, double& longitude, double& latitude) {
        if (!latitudeField || !longitudeField) return false;
        hostdata::ReadValue(latitudeField, latitudeValue);
        hostdata::ReadValue(longitudeField, longitudeValue);
        double lat, lon;
        if (latitudeValue.vt == VT_R8 && longitudeValue.vt == VT_R8) {
            lat = latitudeValue.dblVal;
            lon = longitudeValue.dblVal;
        } else if (!ToDouble(latitudeValue, lat) || !ToDouble(longitudeValue, lon)) {
            return false;
        }
        if (lat == 0.0 && lon == 0.0) return false;
        longitude = lon;
        latitude = lat;
        return true;
    }
    // Asks the row filter's verdict of a kept row that may count (making it the host's current
    // row) and records it. Without a filter every such row counts.
    virtual bool JudgeRow(long row);
    // Where the rows with a position lie, offsets added: the data extent when it is known, else
    // the extent of every kept position (the rows the filter rejects included). Empty before the
    // rows are read.
    ZmaExtent RowsReach() const;
    POINT ToPixel(const ZmaPointD& point) const { return projection_.ToPixel(point.x, point.y, viewRect_.left, viewRect_.top); }
    IHostRows& Rows();
    // Stores the view; answers whether rectangle or extent differ from the stored ones.
    bool StoreView(const RECT& view, const ZmaExtent& viewExtent);
    // Stores the offsets; answers whether they changed, shifting a known data extent with them.
    bool StoreOffsets(double offsetX, double offsetY);
    // The kept position of a row, offsets added; false when it has none.
    bool KeptPosition(long row, ZmaPointD& point) const {
        if (row < 0 || row >= positions_.Count() || !positions_.HasPosition(row)) return false;
        point.x = positions_.X(row) + offsetX_;
        point.y = positions_.Y(row) + offsetY_;
        return true;
    }

    platform::ComPtr<IHostDataset> dataset_;
    platform::ComPtr<IHostRows> rows_;
    platform::ComPtr<IHostField> longitudeField_;
    platform::ComPtr<IHostField> latitudeField_;
    RECT viewRect_ = {0, 0, 0, 0};
    ZmaExtent viewExtent_;
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
    ZmaExtent dataExtent_;
    std::vector<int> selectedItems_;
    ScreenProjection projection_;
    platform::Variant latitude_, longitude_;  // reused by every read
    RowPositions positions_;
    long rowsVersion_ = 0;
};

class RendererOptimiserDataset : public RendererOptimiserInterface, public ZmoLifetimeMonitoring::CLifetimeDetector {
public:
    RendererOptimiserDataset();
    ~RendererOptimiserDataset() override;

    void SetSources(IHostDataset* dataset, IHostField* latitude, IHostField* longitude) override;
    void Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX, double offsetY,
                bool selectedMode) override;
    int ItemAtPixel(const POINT& pixel) override;
    int HitTest(const POINT& pixel, IHostRenderer* renderer) override;
    int Reset() override;
    int MoveNext() override;
    bool GetDataExtent(ZmaExtent& out) override;
    void SetRowFilter(RendererRowValidatorInterface* filter) override { rowFilter_ = filter; }

    // The rows that own a pixel, in row order.
    const std::vector<int>& DrawList() const noexcept { return drawList_; }

    // Whether the message about a dataset without coordinates was shown in this process.
    static bool NoPositionMessageShown() noexcept;
    static void ResetNoPositionMessage() noexcept;

    void InvalidateRows() override;
    bool GetDrawPosition(POINT& pixel) override;
    size_t RowCacheBytes() const override;
    // The pixels of the view: occupied ones and the table of their owners, in bytes.
    size_t ViewBytes() const noexcept { return owners_.Bytes() + taken_.capacity() * sizeof(unsigned) + drawPixels_.capacity() * sizeof(POINT); }
    // Frames drawn from a zoom level's kept pixels (whole-pixel pans) since the optimiser was made.
    long ShiftedFrames() const noexcept { return shiftedFrames_; }

private:
    // The pixels of every counting row at one zoom level: the first row of each pixel, with its
    // pixel under the zoom's transformation (floor of the screen position). A view that is this
    // zoom moved by whole pixels takes its pixels from here instead of from the rows.
    struct ZoomPixels {
        ScreenProjection::Affine base;
        double offsetX = 0, offsetY = 0;
        struct Entry {
            int row;
            long x, y;
        };
        std::vector<Entry> entries;  // in row order
    };

    // Reads every row's position into positions_. The filter is asked later, row by row, as
    // rows would take pixels; or, with `judge`, of every row as it is read.
    void ReadRows(bool judge);
    void Rebuild();
    bool JudgeRow(long row) override;
    // The view's pixels from a zoom level's kept pixels; false when the view cannot use them.
    bool RebuildFromZoom();
    bool BuildZoom(ZoomPixels& zoom);
    // Whether `now` is `base` moved by whole pixels over the data; the move into (dx, dy).
    bool WholePixelMove(const ScreenProjection::Affine& base, const ScreenProjection::Affine& now, long& dx,
                        long& dy) const;
    // Every kept row in view claims its pixel, in row order.
    void RebuildFromRows();
    void ClearView();
    void Accept(long x, long y, int row);
    // Whether the pixel lies in the drawing rectangle and no row owns it yet.
    bool IsFree(const POINT& pixel) const {
        if (pixel.x < viewRect_.left || pixel.x >= viewRect_.right || pixel.y < viewRect_.top ||
            pixel.y >= viewRect_.bottom)
            return false;
        if (taken_.empty()) return owners_.Find(pixel.x, pixel.y) == -1;
        const size_t i = static_cast<size_t>(pixel.y - viewRect_.top) * static_cast<size_t>(viewWidth_) +
                         static_cast<size_t>(pixel.x - viewRect_.left);
        return !((taken_[i >> 5] >> (i & 31)) & 1u);
    }

    RendererRowValidatorInterface* rowFilter_ = nullptr;
    long viewWidth_ = 0, viewHeight_ = 0;
    int itemCount_ = 0;
    int currentIndex_ = -1;
    bool selectedMode_ = false;
    bool stale_ = true;  // the view's pixels must be worked out at the next update
    PixelTable owners_;            // pixel -> row
    std::vector<unsigned> taken_;  // a bit per pixel of the view, for the rebuild's question
    std::vector<int> drawList_;
    std::vector<POINT> drawPixels_;  // the pixel of each drawList_ entry
    std::vector<ZoomPixels> zooms_;  // the most recent last
    long shiftedFrames_ = 0;
};

// Whether a row's "LayerType" text is the site key of a cell-site layer: compared as a dataset's
// layer types are made into keys, without case and with each character a file name cannot hold
// read as '_'.
bool IsSiteKeyOfRow(const wchar_t* text, size_t length, const std::wstring& siteKey);

class RendererOptimiserCellSites : public RendererOptimiserInterface, public ZmoLifetimeMonitoring::CLifetimeDetector {
public:
    // `siteFilter`: the "LayerType" value of the rows this layer shows (IsSiteKeyOfRow).
    explicit RendererOptimiserCellSites(const std::wstring& siteFilter);
    ~RendererOptimiserCellSites() override;

    void Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX, double offsetY,
                bool selectedMode) override;
    int ItemAtPixel(const POINT& pixel) override;
    int HitTest(const POINT& pixel, IHostRenderer* renderer) override;
    int Reset() override;
    int MoveNext() override;
    bool GetDataExtent(ZmaExtent& out) override;
    // Cell sites are filtered by their "LayerType" value only.
    void SetRowFilter(RendererRowValidatorInterface*) override {}
    void InvalidateRows() override;
    bool GetDrawPosition(POINT& pixel) override;
    size_t RowCacheBytes() const override;

    // For the line layers: the first row of each non-zero element handle.
    const ElementIndex& GetElementHandleIndex() const noexcept { return elementIndex_; }
    // Makes the row of the handle current; false for 0 and unknown handles.
    bool MoveToElement(int handle);
    const std::wstring& GetSiteFilter() const noexcept { return siteFilter_; }

private:
    // A shown row in view and its pixel; `below` is the entry of the next lower row on the same
    // pixel (-1 for none), so that a pixel's rows are found from the top down.
    struct Site {
        int row;
        POINT pixel;
        int below;
    };

    // Reads every row of the host: positions, whether the row is shown, the element index.
    void ReadRows();
    void Rebuild(bool computeExtent);
    // The entry of a row in sites_, or -1.
    int EntryOf(int row) const;
    bool Shown(const VARIANT& layerType) const;

    int selectionCount_ = 0;
    int selectionIndex_ = 0;
    std::wstring siteFilter_;  // lower case
    bool selectedMode_ = false;
    bool stale_ = true;
    std::vector<Site> sites_;  // in row order
    PixelTable topOfPixel_;     // pixel -> the entry of its highest row
    int current_ = -1;          // the entry of a normal iteration
    int currentRow_ = -1;       // the row a selected-mode iteration answered last
    ElementIndex elementIndex_;
};
