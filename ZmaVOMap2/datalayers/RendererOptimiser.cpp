#include "ZmaVOMap2/datalayers/RendererOptimiser.h"

#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cwctype>

using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

const ZmaExtent kEmptyExtent = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};

// Above this many pixels the pixel owners are kept in a tree rather than a grid (a printer page
// at full resolution would take tens of megabytes).
constexpr long long kDenseLimit = 4LL * 1024 * 1024;

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

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
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
}

void RendererOptimiserInterface::ForgetRows() {
    viewRect_ = {0, 0, 0, 0};
    viewExtent_ = kEmptyExtent;
    dataExtent_ = kEmptyExtent;
    selectedItems_.clear();
}

bool RendererOptimiserInterface::ReadPosition(ZmaPointD& point) {
    if (!latitudeField_ || !longitudeField_) return false;
    hostdata::ReadValue(latitudeField_.Get(), latitude_);
    hostdata::ReadValue(longitudeField_.Get(), longitude_);
    double lat, lon;
    if (!ToDouble(latitude_, lat) || !ToDouble(longitude_, lon)) return false;
    if (lat == 0.0 && lon == 0.0) return false;
    point.x = lon + offsetX_;
    point.y = lat + offsetY_;
    return true;
}

bool RendererOptimiserInterface::GetMapPosition(ZmaPointD& point) { return ReadPosition(point); }

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
    for (long i = 0; i < count; ++i) {
        hostdata::MoveTo(&rows, hostdata::SelectionItem(selection.Get(), i));
        ZmaPointD p;
        if (!ReadPosition(p)) continue;
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
    // Pixel order: x, then y; a pixel keeps the first row entered for it.
    std::map<std::pair<long, long>, int> owners;
    for (long i = 0; i < count; ++i) {
        hostdata::MoveTo(&rows, hostdata::SelectionItem(selection.Get(), i));
        POINT pixel;
        if (!GetScreenPosition(pixel)) continue;
        const int owner = ItemAtPixel(pixel);
        if (owner != -1) owners.emplace(std::make_pair(pixel.x, pixel.y), owner);
    }
    for (const auto& entry : owners) selectedItems_.push_back(entry.second);
    return selectedItems_;
}

// --- measurement points -----------------------------------------------------------------------

void RendererOptimiserDataset::PixelOwners::Reset(const RECT& view) {
    view_ = view;
    width_ = std::max(0L, view.right - view.left);
    height_ = std::max(0L, view.bottom - view.top);
    dense_ = static_cast<long long>(width_) * height_ <= kDenseLimit;
    tree_.clear();
    count_ = 0;
    if (dense_) {
        const size_t cells = static_cast<size_t>(width_) * static_cast<size_t>(height_);
        grid_.assign(cells, -1);
        taken_.assign((cells + 31) / 32, 0u);
    } else {
        std::vector<int>().swap(grid_);
        std::vector<unsigned>().swap(taken_);
    }
}

int RendererOptimiserDataset::PixelOwners::Find(long x, long y) const {
    if (count_ == 0) return -1;
    if (dense_) {
        const long cx = x - view_.left, cy = y - view_.top;
        if (cx < 0 || cy < 0 || cx >= width_ || cy >= height_) return -1;
        return grid_[static_cast<size_t>(cy) * width_ + cx];
    }
    auto it = tree_.find({x, y});
    return it == tree_.end() ? -1 : it->second;
}

bool RendererOptimiserDataset::PixelOwners::Claim(long x, long y, int row) {
    if (dense_) {
        const long cx = x - view_.left, cy = y - view_.top;
        if (cx < 0 || cy < 0 || cx >= width_ || cy >= height_) return false;
        int& slot = grid_[static_cast<size_t>(cy) * width_ + cx];
        if (slot != -1) return false;
        slot = row;
        const size_t i = static_cast<size_t>(cy) * width_ + static_cast<size_t>(cx);
        taken_[i >> 5] |= 1u << (i & 31);
    } else if (!tree_.emplace(std::make_pair(x, y), row).second) {
        return false;
    }
    ++count_;
    return true;
}

RendererOptimiserDataset::RendererOptimiserDataset() {
    SetMonitoredClassName("RendererOptimiserDataset");
    Register();
}

RendererOptimiserDataset::~RendererOptimiserDataset() = default;

bool RendererOptimiserDataset::NoPositionMessageShown() noexcept { return g_noPositionShown; }
void RendererOptimiserDataset::ResetNoPositionMessage() noexcept { g_noPositionShown = false; }

void RendererOptimiserDataset::SetSources(IHostDataset* dataset, IHostField* latitude, IHostField* longitude) {
    RendererOptimiserInterface::SetSources(dataset, latitude, longitude);
    pixels_.Reset({0, 0, 0, 0});
    drawList_.clear();
}

void RendererOptimiserDataset::ForgetRows() {
    RendererOptimiserInterface::ForgetRows();
    pixels_.Reset({0, 0, 0, 0});
    drawList_.clear();
}

void RendererOptimiserDataset::Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX, double offsetY,
                                      bool selectedMode) {
    selectedMode_ = selectedMode;
    bool changed = pixels_.Empty();
    if (StoreView(view, viewExtent)) changed = true;
    viewWidth_ = viewRect_.right - viewRect_.left;
    viewHeight_ = viewRect_.bottom - viewRect_.top;
    if (StoreOffsets(offsetX, offsetY)) changed = true;
    if (!changed) return;
    pixels_.Reset(viewRect_);
    drawList_.clear();
    // The representatives of the selection belong to the old pixels.
    selectedItems_.clear();
    Rebuild(extent::IsEmpty(dataExtent_));
}

void RendererOptimiserDataset::Rebuild(bool computeExtent) {
    if (computeExtent) dataExtent_ = kEmptyExtent;
    // A view that misses the known data shows nothing: no row needs reading.
    if (!extent::IsEmpty(dataExtent_) && !extent::Overlap(viewExtent_, dataExtent_)) return;

    bool walked = false, anyPosition = false;
    try {
        if (!dataset_) return;
        projection_.Prepare(viewExtent_);
        IHostRows& rows = Rows();
        const long count = hostdata::RowCount(&rows);
        if (count > 0) hostdata::MoveFirst(&rows);
        for (long i = 0; i < count; ++i) {
            walked = true;
            ZmaPointD p;
            if (ReadPosition(p)) {
                anyPosition = true;
                const bool inView = extent::Contains(viewExtent_, p);
                POINT pixel = {0, 0};
                bool free = false;
                if (inView) {
                    pixel = ToPixel(p);
                    free = IsFree(pixel);
                }
                // The filter only matters for a row that could take a pixel or grow the extent.
                if ((free || computeExtent) && (!rowFilter_ || rowFilter_->ValidateRow())) {
                    if (computeExtent) extent::Extend(dataExtent_, p);
                    if (free && pixels_.Claim(pixel.x, pixel.y, static_cast<int>(i))) drawList_.push_back(static_cast<int>(i));
                }
            }
            if (i + 1 < count) hostdata::MoveNext(&rows);
        }
    } catch (...) {
        // What was entered so far stays: a partial frame is better than none.
    }

    // Only a walk that read rows can tell that none of them has a position.
    if (walked && !anyPosition && !g_noPositionShown) {
        g_noPositionShown = true;
        platform::Prompts().MessageBox(::GetActiveWindow(),
                                       L"Unable to plot data on map without latitude and longitude information.",
                                       L"Map Module", MB_OK);
    }
}

int RendererOptimiserDataset::ItemAtPixel(const POINT& pixel) { return pixels_.Find(pixel.x, pixel.y); }

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
            const int row = pixels_.Find(x, y);
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

bool RendererOptimiserDataset::GetDataExtent(ZmaExtent& out) {
    bool used = !extent::IsEmpty(dataExtent_);
    if (!used && dataset_) {
        IHostRows& rows = Rows();
        const long count = hostdata::RowCount(&rows);
        if (count > 0) hostdata::MoveFirst(&rows);
        for (long i = 0; i < count; ++i) {
            ZmaPointD p;
            if (ReadPosition(p) && (!rowFilter_ || rowFilter_->ValidateRow())) {
                extent::Extend(dataExtent_, p);
                used = true;
            }
            if (i + 1 < count) hostdata::MoveNext(&rows);
        }
    }
    out = dataExtent_;
    return used;
}

// --- cell sites -------------------------------------------------------------------------------

RendererOptimiserCellSites::RendererOptimiserCellSites(const std::wstring& siteFilter)
    : siteFilter_(Lower(siteFilter)), iterator_(rowPixels_.end()) {
    SetMonitoredClassName("RendererOptimiserCellSites");
    Register();
}

RendererOptimiserCellSites::~RendererOptimiserCellSites() = default;

void RendererOptimiserCellSites::ForgetRows() {
    RendererOptimiserInterface::ForgetRows();
    rowPixels_.clear();
    iterator_ = rowPixels_.end();
    elementIndex_.clear();
}

void RendererOptimiserCellSites::Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX,
                                        double offsetY, bool selectedMode) {
    bool changed = StoreView(view, viewExtent);
    // Moved sites need their new pixels, or lines drawn to them would miss them.
    if (StoreOffsets(offsetX, offsetY)) changed = true;
    selectedMode_ = selectedMode;
    if (!changed) return;
    rowPixels_.clear();
    iterator_ = rowPixels_.end();
    selectedItems_.clear();
    Rebuild(extent::IsEmpty(dataExtent_));
}

void RendererOptimiserCellSites::Rebuild(bool computeExtent) {
    if (computeExtent) dataExtent_ = kEmptyExtent;
    if (!dataset_) return;
    ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
    ComPtr<IHostField> handleField = hostdata::FieldByName(fields.Get(), L"ElementHandle");
    ComPtr<IHostField> typeField = hostdata::FieldByName(fields.Get(), L"LayerType");
    // The element index is built once, on the first walk, and kept.
    const bool buildIndex = elementIndex_.empty() && handleField;
    if (!computeExtent && !buildIndex && !extent::IsEmpty(dataExtent_) && !extent::Overlap(viewExtent_, dataExtent_))
        return;

    projection_.Prepare(viewExtent_);
    IHostRows& rows = Rows();
    const long count = hostdata::RowCount(&rows);
    if (count > 0) hostdata::MoveFirst(&rows);
    Variant value;
    for (long i = 0; i < count; ++i) {
        bool shown = true;
        if (typeField) {
            hostdata::ReadValue(typeField.Get(), value);
            if (value.vt == VT_BSTR) {
                shown = Lower(value.bstrVal ? value.bstrVal : L"") == siteFilter_;
            } else if (value.vt == VT_NULL) {
                shown = siteFilter_.empty();
            }
        }
        if (buildIndex && shown) {
            hostdata::ReadValue(handleField.Get(), value);
            if (value.vt != VT_EMPTY && value.vt != VT_NULL && SUCCEEDED(::VariantChangeType(&value, &value, 0, VT_I4)) &&
                value.lVal != 0)
                elementIndex_.emplace(value.lVal, static_cast<int>(i));
        }
        ZmaPointD p;
        if (ReadPosition(p)) {
            if (computeExtent) extent::Extend(dataExtent_, p);
            if (shown && extent::Contains(viewExtent_, p)) rowPixels_[static_cast<int>(i)] = ToPixel(p);
        }
        if (i + 1 < count) hostdata::MoveNext(&rows);
    }
}

int RendererOptimiserCellSites::ItemAtPixel(const POINT& pixel) {
    // The highest row on the pixel is the one on top.
    for (auto it = rowPixels_.rbegin(); it != rowPixels_.rend(); ++it)
        if (it->second.x == pixel.x && it->second.y == pixel.y) return it->first;
    return -1;
}

int RendererOptimiserCellSites::HitTest(const POINT& point, IHostRenderer* renderer) {
    if (!::PtInRect(&viewRect_, point)) return -1;
    if (!renderer) platform::ThrowHr(E_POINTER);
    int radius = 0;
    THROW_IF_FAILED(renderer->GetHitRadius(&radius));
    const long r = radius;
    const RECT box = {point.x - r, point.y - r, point.x + r, point.y + r};
    IHostRows& rows = Rows();
    for (auto it = rowPixels_.rbegin(); it != rowPixels_.rend(); ++it) {
        if (!::PtInRect(&box, it->second)) continue;
        hostdata::MoveTo(&rows, it->first);
        VARIANT_BOOL hit = VARIANT_FALSE;
        THROW_IF_FAILED(renderer->HitTest(point.x - it->second.x, point.y - it->second.y, &hit));
        if (hit == VARIANT_TRUE) return it->first;
    }
    return -1;
}

int RendererOptimiserCellSites::Reset() {
    if (selectedMode_) {
        if (!dataset_) return -1;
        ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
        selectionCount_ = static_cast<int>(hostdata::SelectionCount(selection.Get()));
        selectionIndex_ = -1;
    } else {
        iterator_ = rowPixels_.begin();
        if (iterator_ == rowPixels_.end()) return -1;
        hostdata::MoveTo(&Rows(), iterator_->first);
        return iterator_->first;
    }
    return MoveNext();
}

int RendererOptimiserCellSites::MoveNext() {
    if (selectedMode_) {
        if (!dataset_) return -1;
        ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
        while (++selectionIndex_ < selectionCount_) {
            const int row = static_cast<int>(hostdata::SelectionItem(selection.Get(), selectionIndex_));
            if (rowPixels_.count(row)) {
                hostdata::MoveTo(&Rows(), row);
                return row;
            }
        }
        return -1;
    }
    if (iterator_ == rowPixels_.end()) return -1;
    if (++iterator_ == rowPixels_.end()) return -1;
    hostdata::MoveTo(&Rows(), iterator_->first);
    return iterator_->first;
}

bool RendererOptimiserCellSites::GetDataExtent(ZmaExtent& out) {
    if (extent::IsEmpty(dataExtent_)) Rebuild(true);
    out = dataExtent_;
    return !extent::IsEmpty(dataExtent_);
}

bool RendererOptimiserCellSites::MoveToElement(int handle) {
    if (handle == 0) return false;
    auto it = elementIndex_.find(handle);
    if (it == elementIndex_.end()) return false;
    hostdata::MoveTo(&Rows(), it->second);
    return true;
}

void RendererOptimiserCellSites::GetPositionFields(IHostField** latitude, IHostField** longitude) {
    if (latitude) latitudeField_.CopyTo(latitude);
    if (longitude) longitudeField_.CopyTo(longitude);
}
