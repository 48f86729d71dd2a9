#include "ZmaVOMap2/datalayers/RendererOptimiser.h"

#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cwchar>
#include <exception>
#include <map>

#include <emmintrin.h>

using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

const ZmaExtent kEmptyExtent = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};

// Up to this many pixels the view keeps a bit per pixel for the rebuild's question "is this pixel
// taken?" (a printer page at full resolution goes without, asking the owners' table instead).
constexpr long long kBitsLimit = 16LL * 1024 * 1024;
// A zoom level's pixels are worked out over a grid of bits covering the data: not for more pixels
// than this (deep zooms walk the rows in view instead).
constexpr long long kZoomGridLimit = 64LL * 1024 * 1024;
// Zoom levels kept, and the pixels they may hold together per row of the dataset (a third: 4 bytes
// per row, next to the 16 of the positions).
constexpr size_t kZoomLevels = 4;
constexpr size_t kZoomEntriesPerRowDivisor = 3;
// How far, in pixels, a view may differ from a kept zoom level moved by whole pixels anywhere over
// the data and still count as that move: the probed transformation itself is only known to a
// few ten-thousandths of a pixel.
constexpr double kWholePixelTolerance = 1e-3;

// Shown at most once per process, however many layers lack coordinates.
bool g_noPositionShown = false;

bool ToDouble(VARIANT& v, double& out) {
    if (v.vt == VT_R8) {
        out = v.dblVal;
        return true;
    }
    if (v.vt == VT_EMPTY || v.vt == VT_NULL) return false;
    if (FAILED(::VariantChangeType(&v, &v, 0, VT_R8))) return false;
    out = v.dblVal;
    return true;
}

// Whether the 32 cells of a word (x and y, 16-byte aligned) are all the first one.
bool WordOnOneCell(const int* xs, const int* ys) {
    const __m128i x = _mm_set1_epi32(xs[0]), y = _mm_set1_epi32(ys[0]);
    __m128i same = _mm_set1_epi32(-1);
    for (int k = 0; k < 32; k += 4) {
        same = _mm_and_si128(same, _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(xs + k)), x));
        same = _mm_and_si128(same, _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(ys + k)), y));
    }
    return _mm_movemask_epi8(same) == 0xFFFF;
}

}  // namespace

// --- extents ----------------------------------------------------------------------------------

namespace extent {

const ZmaExtent& Empty() noexcept { return kEmptyExtent; }

bool IsEmpty(const ZmaExtent& e) noexcept { return Equal(e, kEmptyExtent); }

bool Contains(const ZmaExtent& e, const ZmaPointD& p) noexcept {
    return e.left < p.x && p.x < e.right && e.bottom < p.y && p.y < e.top;
}

void Extend(ZmaExtent& e, const ZmaPointD& p) noexcept {
    if (p.x < e.left) e.left = p.x;
    if (p.x > e.right) e.right = p.x;
    if (p.y < e.bottom) e.bottom = p.y;
    if (p.y > e.top) e.top = p.y;
}

bool Overlap(const ZmaExtent& view, const ZmaExtent& data) noexcept {
    return view.left < data.right && view.bottom < data.top && data.left < view.right && data.bottom < view.top;
}

bool Equal(const ZmaExtent& a, const ZmaExtent& b) noexcept {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace extent

// --- shared state -----------------------------------------------------------------------------

RendererOptimiserInterface::RendererOptimiserInterface() : viewExtent_(kEmptyExtent), dataExtent_(kEmptyExtent) {}

IHostRows& RendererOptimiserInterface::Rows() {
    if (!rows_) {
        if (!dataset_) platform::ThrowHr(E_POINTER);
        rows_ = hostdata::Rows(dataset_.Get());
    }
    return *rows_.Get();
}

void RendererOptimiserInterface::SetSources(IHostDataset* dataset, IHostField* latitude, IHostField* longitude) {
    dataset_ = dataset;
    rows_ = nullptr;
    latitudeField_ = latitude;
    longitudeField_ = longitude;
    viewRect_ = {0, 0, 0, 0};
    viewExtent_ = kEmptyExtent;
    dataExtent_ = kEmptyExtent;
    offsetX_ = offsetY_ = 0.0;
    selectedItems_.clear();
    positions_.Clear();
}

bool RendererOptimiserInterface::ToDouble(VARIANT& value, double& out) { return ::ToDouble(value, out); }

void RendererOptimiserInterface::FollowRowCount() {
    if (!dataset_) return;
    const long count = hostdata::RowCount(&Rows());
    if (positions_.Known() && count != positions_.Count()) InvalidateRows();
}

bool RendererOptimiserInterface::ReadPosition(ZmaPointD& point) {
    double lon, lat;
    if (!ReadRaw(lon, lat)) return false;
    point.x = lon + offsetX_;
    point.y = lat + offsetY_;
    return true;
}

bool RendererOptimiserInterface::GetMapPosition(ZmaPointD& point) {
    double lon, lat;
    if (!GetDrawablePosition(lon, lat)) return false;
    point.x = lon + offsetX_;
    point.y = lat + offsetY_;
    return true;
}

bool RendererOptimiserInterface::GetScreenPosition(POINT& pixel) {
    ZmaPointD point;
    if (!ReadPosition(point)) return false;
    pixel = ToPixel(point);
    return true;
}

bool RendererOptimiserInterface::StoreView(const RECT& view, const ZmaExtent& viewExtent) {
    bool changed = false;
    if (!::EqualRect(&viewRect_, &view)) {
        viewRect_ = view;
        changed = true;
    }
    if (!extent::Equal(viewExtent_, viewExtent)) {
        viewExtent_ = viewExtent;
        changed = true;
    }
    return changed;
}

bool RendererOptimiserInterface::StoreOffsets(double offsetX, double offsetY) {
    if (offsetX == offsetX_ && offsetY == offsetY_) return false;
    if (!extent::IsEmpty(dataExtent_)) {
        // Moving a layer moves its data: no need to read the rows again for the extent.
        const double dx = offsetX - offsetX_, dy = offsetY - offsetY_;
        dataExtent_.left += dx;
        dataExtent_.right += dx;
        dataExtent_.top += dy;
        dataExtent_.bottom += dy;
    }
    offsetX_ = offsetX;
    offsetY_ = offsetY;
    return true;
}

bool RendererOptimiserInterface::JudgeRow(long row) {
    positions_.Judge(row, true);
    return true;
}

ZmaExtent RendererOptimiserInterface::RowsReach() const {
    if (!extent::IsEmpty(dataExtent_)) return dataExtent_;
    const ZmaExtent& kept = positions_.Extent();
    if (extent::IsEmpty(kept)) return kEmptyExtent;
    return {kept.left + offsetX_, kept.top + offsetY_, kept.right + offsetX_, kept.bottom + offsetY_};
}

bool RendererOptimiserInterface::GetDataExtent(ZmaExtent& out) {
    out = dataExtent_;
    return !extent::IsEmpty(dataExtent_);
}

bool RendererOptimiserInterface::GetSelectionExtent(ZmaExtent& out) {
    const double d = 0.05 * std::min(viewExtent_.right - viewExtent_.left, viewExtent_.top - viewExtent_.bottom);
    const ZmaExtent inner = {viewExtent_.left + d, viewExtent_.top - d, viewExtent_.right - d, viewExtent_.bottom + d};
    out = kEmptyExtent;
    bool inside = true;
    if (!dataset_) platform::ThrowHr(E_POINTER);
    ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
    const long count = hostdata::SelectionCount(selection.Get());
    IHostRows& rows = Rows();
    const long rowCount = hostdata::RowCount(&rows);
    for (long i = 0; i < count; ++i) {
        // A selection the host kept past its rows names no row.
        const long row = hostdata::SelectionItem(selection.Get(), i);
        if (row < 0 || row >= rowCount) continue;
        hostdata::MoveTo(&rows, row);
        // A selected row that no map can show would take the view with it past the world.
        double lon, lat;
        if (!ReadRaw(lon, lat) || !RowPositions::OnTheMap(lon, lat)) continue;
        const ZmaPointD p = {lon + offsetX_, lat + offsetY_};
        extent::Extend(out, p);
        if (!extent::Contains(inner, p)) inside = false;
    }
    return inside;
}

const std::vector<int>& RendererOptimiserInterface::GetSelectedItems() {
    if (!selectedItems_.empty()) return selectedItems_;
    if (!dataset_) platform::ThrowHr(E_POINTER);
    ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
    const long count = hostdata::SelectionCount(selection.Get());
    IHostRows& rows = Rows();
    const long rowCount = hostdata::RowCount(&rows);
    // Pixel order: x, then y; a pixel keeps the first row entered for it.
    std::map<std::pair<long, long>, int> owners;
    for (long i = 0; i < count; ++i) {
        const long row = hostdata::SelectionItem(selection.Get(), i);
        if (row < 0 || row >= rowCount) continue;
        hostdata::MoveTo(&rows, row);
        POINT pixel;
        if (!GetScreenPosition(pixel)) continue;
        const int owner = ItemAtPixel(pixel);
        if (owner != -1) owners.emplace(std::make_pair(pixel.x, pixel.y), owner);
    }
    for (const auto& entry : owners) selectedItems_.push_back(entry.second);
    return selectedItems_;
}

// --- measurement points -----------------------------------------------------------------------

RendererOptimiserDataset::RendererOptimiserDataset() {
    SetMonitoredClassName("RendererOptimiserDataset");
    Register();
}

RendererOptimiserDataset::~RendererOptimiserDataset() = default;

bool RendererOptimiserDataset::NoPositionMessageShown() noexcept { return g_noPositionShown; }
void RendererOptimiserDataset::ResetNoPositionMessage() noexcept { g_noPositionShown = false; }

void RendererOptimiserDataset::SetSources(IHostDataset* dataset, IHostField* latitude, IHostField* longitude) {
    RendererOptimiserInterface::SetSources(dataset, latitude, longitude);
    ClearView();
    zooms_.clear();
    stale_ = true;
}

void RendererOptimiserDataset::InvalidateRows() {
    ++rowsVersion_;
    positions_.Clear();
    zooms_.clear();
    // The extent and the view's pixels belong to the old rows.
    dataExtent_ = kEmptyExtent;
    selectedItems_.clear();
    stale_ = true;
}

size_t RendererOptimiserDataset::RowCacheBytes() const {
    size_t bytes = positions_.Bytes();
    for (const ZoomPixels& zoom : zooms_) bytes += zoom.entries.capacity() * sizeof(ZoomPixels::Entry);
    return bytes;
}

void RendererOptimiserDataset::ClearView() {
    owners_.Clear();
    drawList_.clear();
    drawPixels_.clear();
    const long long pixels = static_cast<long long>(std::max(0L, viewWidth_)) * std::max(0L, viewHeight_);
    if (pixels > 0 && pixels <= kBitsLimit)
        taken_.assign(static_cast<size_t>((pixels + 31) / 32), 0u);
    else
        std::vector<unsigned>().swap(taken_);
}

void RendererOptimiserDataset::Accept(long x, long y, int row) {
    if (!owners_.Claim(x, y, row)) return;
    if (!taken_.empty()) {
        const size_t i = static_cast<size_t>(y - viewRect_.top) * static_cast<size_t>(viewWidth_) +
                         static_cast<size_t>(x - viewRect_.left);
        taken_[i >> 5] |= 1u << (i & 31);
    }
    drawList_.push_back(row);
    drawPixels_.push_back({x, y});
}

void RendererOptimiserDataset::Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX, double offsetY,
                                      bool selectedMode) {
    selectedMode_ = selectedMode;
    std::exception_ptr uncounted;
    KeepFirstFailure(uncounted, [this] { FollowRowCount(); });
    if (uncounted) {
        // Without the count no row can be asked for: nothing of the last view is drawn.
        ClearView();
        stale_ = true;
        std::rethrow_exception(uncounted);
    }
    bool changed = owners_.Size() == 0 || stale_;
    if (StoreView(view, viewExtent)) changed = true;
    viewWidth_ = viewRect_.right - viewRect_.left;
    viewHeight_ = viewRect_.bottom - viewRect_.top;
    if (StoreOffsets(offsetX, offsetY)) changed = true;
    if (!changed) return;
    stale_ = false;
    ClearView();
    // The representatives of the selection belong to the old pixels.
    selectedItems_.clear();
    Rebuild();
}

bool RendererOptimiserDataset::JudgeRow(long row) {
    if (!rowFilter_) return RendererOptimiserInterface::JudgeRow(row);
    hostdata::MoveTo(&Rows(), row);
    const bool counts = rowFilter_->ValidateRow();
    positions_.Judge(row, counts);
    return counts;
}

void RendererOptimiserDataset::ReadRows(bool judge) {
    IHostRows& rows = Rows();
    const long count = hostdata::RowCount(&rows);
    positions_.Begin(count, rowFilter_ == nullptr);
    judge = judge && rowFilter_;
    Variant latitude, longitude;
    positions_.ReadAll(count, [&](long i, double& lon, double& lat, bool& counts, bool& judged) {
        if (i > 0)
            hostdata::MoveNext(&rows);
        else
            hostdata::MoveFirst(&rows);
        // Raw positions: the offsets are added when a frame uses them.
        const bool has = ReadRaw(latitude, longitude, lon, lat);
        // The row is current: a verdict wanted for every row costs no move here.
        judged = has && judge;
        counts = has && (!judged || rowFilter_->ValidateRow());
        return has;
    });
}

void RendererOptimiserDataset::Rebuild() {
    // A view that misses the known data shows nothing: no row needs reading. The data extent
    // itself is worked out only when asked for (it needs every row's verdict).
    const ZmaExtent reach = RowsReach();
    if (!extent::IsEmpty(reach) && !extent::Overlap(viewExtent_, reach)) return;

    // What was read before a failed read still draws: a partial frame is better than none. The
    // failure is raised once the pixels of those rows are made, and the next frame reads again.
    if (!dataset_) return;
    std::exception_ptr failure;
    KeepFirstFailure(failure, [this] {
        projection_.Prepare(viewExtent_);
        if (!positions_.Known()) ReadRows(false);
    });
    // The first frame too takes its pixels from a zoom level: the pans that follow move it.
    KeepFirstFailure(failure, [this] {
        if (!RebuildFromZoom()) {
            ClearView();
            RebuildFromRows();
        }
    });

    // Only a walk that read rows can tell that none of them has a position.
    if (!failure && positions_.Count() > 0 && !positions_.AnyPosition() && !g_noPositionShown) {
        g_noPositionShown = true;
        platform::Prompts().MessageBox(::GetActiveWindow(),
                                       L"Unable to plot data on map without latitude and longitude information.",
                                       L"Map Module", MB_OK);
    }
    if (failure) {
        stale_ = true;
        std::rethrow_exception(failure);
    }
}

void RendererOptimiserDataset::RebuildFromRows() {
    const double ox = offsetX_, oy = offsetY_;
    const long count = positions_.Count();
    for (size_t b = 0; b < positions_.BlockCount(); ++b) {
        if (!RowPositions::BlockMayShow(positions_.Block(b), viewExtent_, ox, oy)) continue;
        const long end = std::min(count, static_cast<long>(b + 1) * RowPositions::kBlockRows);
        for (long i = static_cast<long>(b) * RowPositions::kBlockRows; i < end; ++i) {
            if (!positions_.Counts(i)) continue;
            const ZmaPointD p = {positions_.X(i) + ox, positions_.Y(i) + oy};
            if (!extent::Contains(viewExtent_, p)) continue;
            const POINT pixel = ToPixel(p);
            if (IsFree(pixel) && RowCounts(i)) Accept(pixel.x, pixel.y, static_cast<int>(i));
        }
    }
}

bool RendererOptimiserDataset::WholePixelMove(const ScreenProjection::Affine& base, const ScreenProjection::Affine& now,
                                              long& dx, long& dy) const {
    const ZmaExtent reach = RowsReach();
    if (extent::IsEmpty(reach)) return false;
    const double xs[] = {reach.left, reach.right}, ys[] = {reach.bottom, reach.top};
    bool first = true;
    for (double x : xs) {
        for (double y : ys) {
            const double mx = (now.ax + now.bx * x + now.cx * y) - (base.ax + base.bx * x + base.cx * y);
            const double my = (now.ay + now.by * x + now.cy * y) - (base.ay + base.by * x + base.cy * y);
            if (!std::isfinite(mx) || !std::isfinite(my) || std::fabs(mx) > 1e8 || std::fabs(my) > 1e8) return false;
            if (first) {
                dx = std::lround(mx);
                dy = std::lround(my);
                first = false;
            }
            if (std::fabs(mx - dx) > kWholePixelTolerance || std::fabs(my - dy) > kWholePixelTolerance) return false;
        }
    }
    return true;
}

bool RendererOptimiserDataset::BuildZoom(ZoomPixels& zoom) {
    const ZmaExtent reach = RowsReach();
    if (extent::IsEmpty(reach)) return true;
    // The grid covers the data's pixels under the zoom's transformation, with a margin for the
    // rounding of single-precision screen positions.
    float x0, y0, x1, y1;
    zoom.base.Apply(reach.left, reach.bottom, x0, y0);
    zoom.base.Apply(reach.right, reach.top, x1, y1);
    if (!ScreenProjection::InRange(x0) || !ScreenProjection::InRange(y0) || !ScreenProjection::InRange(x1) ||
        !ScreenProjection::InRange(y1))
        return false;
    if (zoom.base.cx != 0 || zoom.base.by != 0) return false;  // a rotated view: walk the rows
    const long left = static_cast<long>(std::floor(std::min(x0, x1))) - 2;
    const long top = static_cast<long>(std::floor(std::min(y0, y1))) - 2;
    const long width = static_cast<long>(std::floor(std::max(x0, x1))) + 3 - left;
    const long height = static_cast<long>(std::floor(std::max(y0, y1))) + 3 - top;
    if (static_cast<long long>(width) * height > kZoomGridLimit) return false;

    std::vector<unsigned> taken(static_cast<size_t>((static_cast<long long>(width) * height + 31) / 32), 0u);
    // The screen position as ToPixel computes it (the view is not rotated: x alone gives sx),
    // then its cell of the grid: the grid's corner is a whole number, so subtracting it is exact
    // and truncating the difference, never negative in the grid, is the floor.
    const double ax = zoom.base.ax, bx = zoom.base.bx, ay = zoom.base.ay, cy = zoom.base.cy;
    const double ox = offsetX_, oy = offsetY_;
    const double gridLeft = static_cast<double>(left), gridTop = static_cast<double>(top);
    const double gridWidth = static_cast<double>(width), gridHeight = static_cast<double>(height);
    const double* xs = positions_.XData();
    const double* ys = positions_.YData();
    const std::uint32_t* words = positions_.CountWords();
    unsigned* grid = taken.data();
    const long count = positions_.Count();
    // A row's cell of the grid: the first row of a cell that counts takes it (rows that may count
    // are judged only when they would take a cell). Rows of a drive test come in runs on one
    // cell: a row on the cell the row before found taken needs no look at the grid.
    long lastX = -1, lastY = -1;
    auto claim = [&](long i, long cx, long cyCell) {
        if (cx == lastX && cyCell == lastY) return;
        const size_t bit = static_cast<size_t>(cyCell) * static_cast<size_t>(width) + static_cast<size_t>(cx);
        unsigned& word = grid[bit >> 5];
        const unsigned mask = 1u << (bit & 31);
        if (!(word & mask) && RowCounts(i)) {
            word |= mask;
            zoom.entries.push_back({static_cast<int>(i), cx + left, cyCell + top});
        }
        const bool taken = (word & mask) != 0;
        lastX = taken ? cx : -1;
        lastY = taken ? cyCell : -1;
    };
    // The cell of a position as ToPixel places it; false outside the grid.
    auto cellOf = [&](double x, double y, long& cx, long& cyCell) {
        const float sx = static_cast<float>(ax + bx * (x + ox));
        const float sy = static_cast<float>(ay + cy * (y + oy));
        const double fx = static_cast<double>(sx) - gridLeft, fy = static_cast<double>(sy) - gridTop;
        if (!(fx >= 0 && fy >= 0 && fx < gridWidth && fy < gridHeight)) return false;
        cx = static_cast<long>(fx);
        cyCell = static_cast<long>(fy);
        return true;
    };
    // The cells of the 32 rows of a word of a block inside the grid, two rows at a time, lane by
    // lane the same operations as `cellOf` (so the same cells).
    const __m128d vax = _mm_set1_pd(ax), vbx = _mm_set1_pd(bx), vay = _mm_set1_pd(ay), vcy = _mm_set1_pd(cy);
    const __m128d vox = _mm_set1_pd(ox), voy = _mm_set1_pd(oy);
    const __m128d vLeft = _mm_set1_pd(gridLeft), vTop = _mm_set1_pd(gridTop);
    alignas(16) int cellX[32], cellY[32];
    auto cellsOfWord = [&](long first) {
        for (long k = 0; k < 32; k += 2) {
            const long i = first + k;
            const __m128d sx = _mm_cvtps_pd(_mm_cvtpd_ps(_mm_add_pd(vax, _mm_mul_pd(vbx, _mm_add_pd(_mm_loadu_pd(xs + i), vox)))));
            const __m128d sy = _mm_cvtps_pd(_mm_cvtpd_ps(_mm_add_pd(vay, _mm_mul_pd(vcy, _mm_add_pd(_mm_loadu_pd(ys + i), voy)))));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(cellX + k), _mm_cvttpd_epi32(_mm_sub_pd(sx, vLeft)));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(cellY + k), _mm_cvttpd_epi32(_mm_sub_pd(sy, vTop)));
        }
    };
    // The rows of a word that all fall on one cell: once the cell is taken, no later row can take it.
    auto oneCell = [&](long first, std::uint32_t wordBits, long cx, long cyCell) {
        for (long k = 0; wordBits && !(lastX == cx && lastY == cyCell); ++k, wordBits >>= 1)
            if (wordBits & 1u) claim(first + k, cx, cyCell);
    };
    static_assert(RowPositions::kBlockRows % 32 == 0, "a block is whole words");
    const long wordsPerBlock = RowPositions::kBlockRows / 32;
    for (size_t b = 0; b < positions_.BlockCount(); ++b) {
        const long firstWord = static_cast<long>(b) * wordsPerBlock;
        const long endWord = std::min(firstWord + wordsPerBlock, (count + 31) / 32);
        // Every step of the transformation keeps the order of values, so the cells of a block's
        // rows lie between the cells of its extent's corners: when both fall in the grid, every
        // row does; when both fall in one cell, only the first row that counts can take it.
        const ZmaExtent& block = positions_.Block(b);
        long x0Cell = 0, y0Cell = 0, x1Cell = 0, y1Cell = 0;
        if (extent::IsEmpty(block)) continue;  // no row of the block has a position
        const bool inside = cellOf(block.left, block.bottom, x0Cell, y0Cell) && cellOf(block.right, block.top, x1Cell, y1Cell);
        for (long w = firstWord; w < endWord; ++w) {
            std::uint32_t wordBits = words[w];
            const long first = w * 32;
            if (inside && x0Cell == x1Cell && y0Cell == y1Cell) {
                oneCell(first, wordBits, x0Cell, y0Cell);
                continue;
            }
            if (inside && wordBits == 0xFFFFFFFFu && first + 32 <= count) {
                cellsOfWord(first);
                if (WordOnOneCell(cellX, cellY)) {
                    oneCell(first, wordBits, cellX[0], cellY[0]);
                    continue;
                }
                for (long k = 0; k < 32; ++k) claim(first + k, cellX[k], cellY[k]);
                continue;
            }
            for (long k = 0; wordBits; ++k, wordBits >>= 1) {
                if (!(wordBits & 1u)) continue;
                long cx = 0, cyCell = 0;
                if (!cellOf(xs[first + k], ys[first + k], cx, cyCell)) return false;
                claim(first + k, cx, cyCell);
            }
        }
    }
    return true;
}

bool RendererOptimiserDataset::RebuildFromZoom() {
    if (!projection_.IsAffine() || !positions_.Known()) return false;
    const ScreenProjection::Affine now = projection_.Coefficients();
    long dx = 0, dy = 0;
    auto zoom = std::find_if(zooms_.begin(), zooms_.end(), [&](const ZoomPixels& z) {
        return z.offsetX == offsetX_ && z.offsetY == offsetY_ && WholePixelMove(z.base, now, dx, dy);
    });
    if (zoom != zooms_.end()) {
        // The kept level moved by whole pixels: its transformation, moved, places this view.
        ScreenProjection::Affine moved = zoom->base;
        moved.ax += dx;
        moved.ay += dy;
        projection_.Adopt(moved);
        std::rotate(zoom, zoom + 1, zooms_.end());
        ++shiftedFrames_;
    } else {
        ZoomPixels fresh;
        fresh.base = now;
        fresh.offsetX = offsetX_;
        fresh.offsetY = offsetY_;
        if (!BuildZoom(fresh)) return false;
        if (zooms_.size() >= kZoomLevels) zooms_.erase(zooms_.begin());
        zooms_.push_back(std::move(fresh));
        dx = dy = 0;
    }

    // The view's pixels are the level's pixels that fall in the drawing rectangle, in row order.
    const ZoomPixels& level = zooms_.back();
    const long moveX = dx + viewRect_.left, moveY = dy + viewRect_.top;
    for (const ZoomPixels::Entry& e : level.entries) {
        const long x = e.x + moveX, y = e.y + moveY;
        if (x < viewRect_.left || x >= viewRect_.right || y < viewRect_.top || y >= viewRect_.bottom) continue;
        // A pixel's first row lies outside the view's extent only at its very edge; there the
        // pixel may belong to a later row: walk the rows instead.
        ZmaPointD p;
        if (!KeptPosition(e.row, p) || !extent::Contains(viewExtent_, p)) {
            projection_.Prepare(viewExtent_);
            return false;
        }
        Accept(x, y, e.row);
    }
    // A level holding a pixel for many of the rows costs more memory than it saves time.
    const size_t limit = static_cast<size_t>(positions_.Count()) / kZoomEntriesPerRowDivisor;
    size_t total = 0;
    for (const ZoomPixels& z : zooms_) total += z.entries.size();
    while (total > limit && !zooms_.empty()) {
        total -= zooms_.front().entries.size();
        zooms_.erase(zooms_.begin());
    }
    return true;
}

int RendererOptimiserDataset::ItemAtPixel(const POINT& pixel) { return owners_.Find(pixel.x, pixel.y); }

int RendererOptimiserDataset::HitTest(const POINT& point, IHostRenderer* renderer) {
    if (!::PtInRect(&viewRect_, point)) return -1;
    if (!renderer) platform::ThrowHr(E_POINTER);
    int radius = 0;
    THROW_IF_FAILED(renderer->GetHitRadius(&radius));
    const long r = std::max(0, radius);

    // The scan is bounded by the drawing rectangle, whose pixels start at its corner.
    const long x0 = std::max(point.x - r, viewRect_.left), x1 = std::min(point.x + r, viewRect_.left + viewWidth_);
    const long y0 = std::max(point.y - r, viewRect_.top), y1 = std::min(point.y + r, viewRect_.top + viewHeight_);
    int best = -1;
    long bestDistance = LONG_MAX;
    POINT bestPixel = {0, 0};
    for (long y = y0; y <= y1; ++y) {
        for (long x = x0; x <= x1; ++x) {
            const int row = owners_.Find(x, y);
            if (row == -1) continue;
            const long dx = point.x - x, dy = point.y - y;
            const long distance = dx * dx + dy * dy;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = row;
                bestPixel = {x, y};
            }
        }
    }
    if (best == -1) return -1;
    IHostRows& rows = Rows();
    if (best >= hostdata::RowCount(&rows)) return -1;
    hostdata::MoveTo(&rows, best);
    VARIANT_BOOL hit = VARIANT_FALSE;
    THROW_IF_FAILED(renderer->HitTest(point.x - bestPixel.x, point.y - bestPixel.y, &hit));
    return hit == VARIANT_TRUE ? best : -1;
}

int RendererOptimiserDataset::Reset() {
    currentIndex_ = -1;
    itemCount_ = static_cast<int>(selectedMode_ ? GetSelectedItems().size() : drawList_.size());
    if (itemCount_ == 0) return -1;
    return MoveNext();
}

int RendererOptimiserDataset::MoveNext() {
    ++currentIndex_;
    if (currentIndex_ >= itemCount_) return -1;
    const std::vector<int>& list = selectedMode_ ? selectedItems_ : drawList_;
    if (currentIndex_ >= static_cast<int>(list.size())) return -1;
    const int row = list[currentIndex_];
    hostdata::MoveTo(&Rows(), row);
    return row;
}

bool RendererOptimiserDataset::GetDrawPosition(POINT& pixel) {
    // The drawn rows carry the pixel they claimed; the selection's representatives are placed
    // from the host as before.
    if (!selectedMode_ && currentIndex_ >= 0 && currentIndex_ < static_cast<int>(drawPixels_.size())) {
        pixel = drawPixels_[static_cast<size_t>(currentIndex_)];
        return true;
    }
    return GetScreenPosition(pixel);
}

bool RendererOptimiserDataset::GetDataExtent(ZmaExtent& out) {
    bool used = !extent::IsEmpty(dataExtent_);
    if (!used && dataset_) {
        // Every row's verdict is needed: asked as the rows are read when they are not kept yet.
        if (!positions_.Known()) ReadRows(true);
        for (long i = 0; i < positions_.Count(); ++i) {
            ZmaPointD p;
            if (RowCounts(i) && KeptPosition(i, p)) {
                extent::Extend(dataExtent_, p);
                used = true;
            }
        }
    }
    out = dataExtent_;
    return used;
}
