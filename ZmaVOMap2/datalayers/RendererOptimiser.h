// Renderer optimisers: the per-layer cache between a host dataset and the screen.
//
// For every frame an optimiser turns the dataset's rows into screen pixels, keeps only what can
// be seen, and answers its data layer which rows to draw and in which order, which row lies at or
// near a pixel, and which extents the data and its selection cover. A redraw then costs one
// symbol per occupied pixel instead of one per row, and nothing is re-read until the view, its
// extent or the layer's offsets change.
//
//  - RendererOptimiserDataset (measurement points): at most one row per pixel; the first row
//    (lowest row number) that falls on a pixel wins it.
//  - RendererOptimiserCellSites (cell sites): every shown row keeps its pixel; where rows share a
//    pixel the highest row number is on top. Rows are also indexed by "ElementHandle".
//
// Map points are x = longitude, y = latitude in degrees, with the layer's offsets added. A row
// whose latitude and longitude are both exactly 0, or either is empty or null, has no position.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/services/LifetimeDetector.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/engine/ScreenProjection.h"
#include "platform/Com.h"

#include <map>
#include <string>
#include <vector>

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
    // The dataset's rows changed (added, removed or moved): forgets everything read from them, so
    // the next Update reads them again even when the view stayed.
    virtual void ForgetRows();
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
    // The map point of the current row, offsets added; false without a position.
    virtual bool GetMapPosition(ZmaPointD& point);
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

    // The engine map whose ConvertPosition places the rows.
    void SetMap(IDispatch* map) { projection_.SetMap(map); }
    IDispatch* GetMap() const noexcept { return projection_.Map(); }
    IHostDataset* GetDataset() const noexcept { return dataset_.Get(); }

protected:
    RendererOptimiserInterface();

    // Reads the current row's position into `point` (offsets added).
    bool ReadPosition(ZmaPointD& point);
    POINT ToPixel(const ZmaPointD& point) const { return projection_.ToPixel(point.x, point.y, viewRect_.left, viewRect_.top); }
    IHostRows& Rows();
    // Stores the view; answers whether rectangle or extent differ from the stored ones.
    bool StoreView(const RECT& view, const ZmaExtent& viewExtent);
    // Stores the offsets; answers whether they changed, shifting a known data extent with them.
    bool StoreOffsets(double offsetX, double offsetY);

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
};

class RendererOptimiserDataset : public RendererOptimiserInterface, public ZmoLifetimeMonitoring::CLifetimeDetector {
public:
    RendererOptimiserDataset();
    ~RendererOptimiserDataset() override;

    void SetSources(IHostDataset* dataset, IHostField* latitude, IHostField* longitude) override;
    void ForgetRows() override;
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

private:
    // Which row owns which pixel of the view: a dense grid for screen-sized views, a tree for
    // huge ones (printer pages).
    class PixelOwners {
    public:
        void Reset(const RECT& view);
        int Find(long x, long y) const;
        // Enters the row when the pixel is free; answers whether it did.
        bool Claim(long x, long y, int row);
        bool Empty() const noexcept { return count_ == 0; }
        // Whether a row owns the pixel; for the rebuild, which asks this of every row in view.
        // A bit per pixel keeps the question in the cache, where the grid of rows would not be.
        bool Taken(long x, long y) const {
            if (!dense_) return Find(x, y) != -1;
            const size_t i = static_cast<size_t>(y - view_.top) * width_ + static_cast<size_t>(x - view_.left);
            return (taken_[i >> 5] >> (i & 31)) & 1u;
        }

    private:
        RECT view_ = {0, 0, 0, 0};
        long width_ = 0, height_ = 0;
        bool dense_ = true;
        std::vector<int> grid_;
        std::vector<unsigned> taken_;  // a bit per grid cell
        std::map<std::pair<long, long>, int> tree_;
        size_t count_ = 0;
    };

    void Rebuild(bool computeExtent);
    // Whether the pixel lies in the drawing rectangle and no row owns it yet.
    bool IsFree(const POINT& pixel) const {
        return pixel.x >= viewRect_.left && pixel.x < viewRect_.right && pixel.y >= viewRect_.top &&
               pixel.y < viewRect_.bottom && !pixels_.Taken(pixel.x, pixel.y);
    }

    RendererRowValidatorInterface* rowFilter_ = nullptr;
    long viewWidth_ = 0, viewHeight_ = 0;
    int itemCount_ = 0;
    int currentIndex_ = -1;
    bool selectedMode_ = false;
    PixelOwners pixels_;
    std::vector<int> drawList_;
};

class RendererOptimiserCellSites : public RendererOptimiserInterface, public ZmoLifetimeMonitoring::CLifetimeDetector {
public:
    // `siteFilter`: the "LayerType" value of the rows this layer shows (compared without case).
    explicit RendererOptimiserCellSites(const std::wstring& siteFilter);
    ~RendererOptimiserCellSites() override;

    void Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX, double offsetY,
                bool selectedMode) override;
    int ItemAtPixel(const POINT& pixel) override;
    int HitTest(const POINT& pixel, IHostRenderer* renderer) override;
    int Reset() override;
    int MoveNext() override;
    bool GetDataExtent(ZmaExtent& out) override;
    void ForgetRows() override;
    // Cell sites are filtered by their "LayerType" value only.
    void SetRowFilter(RendererRowValidatorInterface*) override {}

    // For the line layers: the first row of each non-zero element handle.
    const std::map<int, int>& GetElementHandleIndex() const noexcept { return elementIndex_; }
    // Makes the row of the handle current; false for 0 and unknown handles.
    bool MoveToElement(int handle);
    void GetPositionFields(IHostField** latitude, IHostField** longitude);
    const std::wstring& GetSiteFilter() const noexcept { return siteFilter_; }

private:
    void Rebuild(bool computeExtent);

    int selectionCount_ = 0;
    int selectionIndex_ = 0;
    std::wstring siteFilter_;  // lower case
    bool selectedMode_ = false;
    std::map<int, POINT> rowPixels_;
    std::map<int, POINT>::iterator iterator_;
    std::map<int, int> elementIndex_;
};
