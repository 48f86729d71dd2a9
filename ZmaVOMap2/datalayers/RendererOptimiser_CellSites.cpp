// The cell sites' optimiser: the rows of one "LayerType" of a cell-site dataset, found by element
// handle, by pixel and by row.
#include "ZmaVOMap2/datalayers/RendererOptimiser.h"

#include "platform/Result.h"

#include <algorithm>
#include <cwchar>

using platform::ComPtr;
using platform::Variant;

RendererOptimiserCellSites::RendererOptimiserCellSites(const std::wstring& siteFilter) : siteFilter_(platform::ToLower(siteFilter)) {
    SetMonitoredClassName("RendererOptimiserCellSites");
    Register();
}

RendererOptimiserCellSites::~RendererOptimiserCellSites() = default;

void RendererOptimiserCellSites::InvalidateRows() {
    ++rowsVersion_;
    positions_.Clear();
    // The index points at rows: changed rows need it anew.
    elementIndex_.Clear();
    dataExtent_ = extent::Empty();
    selectedItems_.clear();
    stale_ = true;
}

size_t RendererOptimiserCellSites::RowCacheBytes() const {
    return positions_.Bytes() + sites_.capacity() * sizeof(Site) + topOfPixel_.Bytes() +
           elementIndex_.Bytes();
}

void RendererOptimiserCellSites::Update(const RECT& view, const ZmaExtent& viewExtent, double offsetX,
                                        double offsetY, bool selectedMode) {
    selectedMode_ = selectedMode;
    std::exception_ptr failure;
    KeepFirstFailure(failure, [&] {
        FollowRowCount();
        bool changed = StoreView(view, viewExtent) || stale_;
        // Moved sites need their new pixels, or lines drawn to them would miss them.
        if (StoreOffsets(offsetX, offsetY)) changed = true;
        if (!changed) return;
        stale_ = false;
        selectedItems_.clear();
        Rebuild(extent::IsEmpty(dataExtent_));
    });
    if (failure) {
        stale_ = true;  // the next frame reads again
        std::rethrow_exception(failure);
    }
}

bool IsSiteKeyOfRow(const wchar_t* text, size_t length, const std::wstring& siteKey) {
    // Character by character, without making a copy of the row's text.
    if (length != siteKey.size()) return false;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = platform::ToLower(text[i]);
        if (std::wcschr(L"\\/*:?\"<>", c) && c != L'\0') c = L'_';
        if (c != platform::ToLower(siteKey[i])) return false;
    }
    return true;
}

bool RendererOptimiserCellSites::Shown(const VARIANT& value) const {
    if (value.vt == VT_NULL) return siteFilter_.empty();
    if (value.vt != VT_BSTR) return true;
    return IsSiteKeyOfRow(value.bstrVal ? value.bstrVal : L"", value.bstrVal ? ::SysStringLen(value.bstrVal) : 0,
                          siteFilter_);
}

void RendererOptimiserCellSites::ReadRows() {
    ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
    ComPtr<IHostField> handleField = hostdata::FieldByName(fields.Get(), L"ElementHandle");
    ComPtr<IHostField> typeField = hostdata::FieldByName(fields.Get(), L"LayerType");
    // The element index is built once, on the first walk, and kept.
    const bool buildIndex = elementIndex_.empty() && handleField;
    struct IndexFinisher {
        ElementIndex& index;
        bool building;
        ~IndexFinisher() {
            if (building) index.Finish();
        }
    } finishIndex{elementIndex_, buildIndex};

    IHostRows& rows = Rows();
    const long count = hostdata::RowCount(&rows);
    positions_.Begin(count, true);
    Variant value;
    positions_.ReadAll(count, [&](long i, double& lon, double& lat, bool& counts, bool&) {
        if (i > 0)
            hostdata::MoveNext(&rows);
        else
            hostdata::MoveFirst(&rows);
        bool shown = true;
        if (typeField) {
            hostdata::ReadValue(typeField.Get(), value);
            shown = Shown(value);
        }
        if (buildIndex && shown) {
            hostdata::ReadValue(handleField.Get(), value);
            if (value.vt == VT_I4 || (value.vt != VT_EMPTY && value.vt != VT_NULL &&
                                      SUCCEEDED(::VariantChangeType(&value, &value, 0, VT_I4)))) {
                if (value.lVal != 0) elementIndex_.Add(value.lVal, static_cast<int>(i));
            }
        }
        const bool has = ReadRaw(lon, lat);
        counts = has && shown;
        return has;
    });
}

void RendererOptimiserCellSites::Rebuild(bool computeExtent) {
    // The sites are placed anew from nothing, also when only the data extent was asked for.
    sites_.clear();
    topOfPixel_.Clear();
    current_ = INT_MAX;  // no iteration until Reset
    if (computeExtent) dataExtent_ = extent::Empty();
    if (!dataset_) return;
    const bool read = !positions_.Known();
    if (!computeExtent && !read && !extent::IsEmpty(dataExtent_) && !extent::Overlap(viewExtent_, dataExtent_))
        return;
    projection_.Prepare(viewExtent_);
    if (read) ReadRows();

    const double ox = offsetX_, oy = offsetY_;
    const long count = positions_.Count();
    // The extent covers every site with a position, shown or not.
    if (computeExtent)
        for (long i = 0; i < count; ++i)
            if (positions_.HasPosition(i)) extent::Extend(dataExtent_, {positions_.X(i) + ox, positions_.Y(i) + oy});
    for (size_t b = 0; b < positions_.BlockCount(); ++b) {
        if (!RowPositions::BlockMayShow(positions_.Block(b), viewExtent_, ox, oy)) continue;
        const long end = std::min(count, static_cast<long>(b + 1) * RowPositions::kBlockRows);
        for (long i = static_cast<long>(b) * RowPositions::kBlockRows; i < end; ++i) {
            if (!positions_.Counts(i)) continue;
            const ZmaPointD p = {positions_.X(i) + ox, positions_.Y(i) + oy};
            if (!extent::Contains(viewExtent_, p)) continue;
            const POINT pixel = ToPixel(p);
            const int entry = static_cast<int>(sites_.size());
            const int below = topOfPixel_.Find(pixel.x, pixel.y);
            sites_.push_back({static_cast<int>(i), pixel, below});
            topOfPixel_.Set(pixel.x, pixel.y, entry);
        }
    }
}

int RendererOptimiserCellSites::EntryOf(int row) const {
    auto it = std::lower_bound(sites_.begin(), sites_.end(), row, [](const Site& s, int r) { return s.row < r; });
    return it != sites_.end() && it->row == row ? static_cast<int>(it - sites_.begin()) : -1;
}

int RendererOptimiserCellSites::ItemAtPixel(const POINT& pixel) {
    // The highest row on the pixel is the one on top.
    const int entry = topOfPixel_.Find(pixel.x, pixel.y);
    return entry == -1 ? -1 : sites_[static_cast<size_t>(entry)].row;
}

int RendererOptimiserCellSites::HitTest(const POINT& point, IHostRenderer* renderer) {
    if (!::PtInRect(&viewRect_, point)) return -1;
    if (!renderer) platform::ThrowHr(E_POINTER);
    int radius = 0;
    THROW_IF_FAILED(renderer->GetHitRadius(&radius));
    const long r = radius;
    const RECT box = {point.x - r, point.y - r, point.x + r, point.y + r};

    // The first candidate, from the highest row down, whose symbol the renderer says covers the
    // cursor. Most candidates are not hit, so they are asked one at a time in that order.
    auto hit = [&](int e) {
        const Site& site = sites_[static_cast<size_t>(e)];
        hostdata::MoveTo(&Rows(), site.row);
        VARIANT_BOOL covered = VARIANT_FALSE;
        THROW_IF_FAILED(renderer->HitTest(point.x - site.pixel.x, point.y - site.pixel.y, &covered));
        return covered == VARIANT_TRUE;
    };
    const long long area = r > 0 ? 4LL * r * r : 0;
    if (area > static_cast<long long>(sites_.size())) {
        // A box larger than the sites: walk them all from the top.
        for (int e = static_cast<int>(sites_.size()) - 1; e >= 0; --e)
            if (::PtInRect(&box, sites_[static_cast<size_t>(e)].pixel) && hit(e)) return sites_[static_cast<size_t>(e)].row;
        return -1;
    }
    // Each pixel chains its rows from the highest down, and entries are in row order: merging the
    // chains of the box's pixels through a heap of their heads yields the candidates in order
    // without collecting and sorting all of them first.
    std::vector<int> heads;
    for (long y = box.top; y < box.bottom; ++y)
        for (long x = box.left; x < box.right; ++x) {
            const int e = topOfPixel_.Find(x, y);
            if (e != -1) heads.push_back(e);
        }
    std::make_heap(heads.begin(), heads.end());
    while (!heads.empty()) {
        std::pop_heap(heads.begin(), heads.end());
        const int e = heads.back();
        heads.pop_back();
        if (hit(e)) return sites_[static_cast<size_t>(e)].row;
        const int below = sites_[static_cast<size_t>(e)].below;
        if (below != -1) {
            heads.push_back(below);
            std::push_heap(heads.begin(), heads.end());
        }
    }
    return -1;
}

int RendererOptimiserCellSites::Reset() {
    currentRow_ = -1;
    if (selectedMode_) {
        if (!dataset_) return -1;
        ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
        selectionCount_ = static_cast<int>(hostdata::SelectionCount(selection.Get()));
        selectionIndex_ = -1;
        return MoveNext();
    }
    current_ = -1;
    return MoveNext();
}

int RendererOptimiserCellSites::MoveNext() {
    if (selectedMode_) {
        if (!dataset_) return -1;
        ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
        while (++selectionIndex_ < selectionCount_) {
            const int row = static_cast<int>(hostdata::SelectionItem(selection.Get(), selectionIndex_));
            if (EntryOf(row) != -1) {
                hostdata::MoveTo(&Rows(), row);
                currentRow_ = row;
                return row;
            }
        }
        currentRow_ = -1;
        return -1;
    }
    if (current_ >= static_cast<int>(sites_.size())) return -1;
    if (++current_ >= static_cast<int>(sites_.size())) return -1;
    const int row = sites_[static_cast<size_t>(current_)].row;
    hostdata::MoveTo(&Rows(), row);
    return row;
}

bool RendererOptimiserCellSites::GetDrawPosition(POINT& pixel) {
    const int entry = selectedMode_ ? (currentRow_ == -1 ? -1 : EntryOf(currentRow_)) : current_;
    if (entry >= 0 && entry < static_cast<int>(sites_.size())) {
        pixel = sites_[static_cast<size_t>(entry)].pixel;
        return true;
    }
    return GetScreenPosition(pixel);
}

bool RendererOptimiserCellSites::GetDataExtent(ZmaExtent& out) {
    if (extent::IsEmpty(dataExtent_)) Rebuild(true);
    out = dataExtent_;
    return !extent::IsEmpty(dataExtent_);
}

bool RendererOptimiserCellSites::MoveToElement(int handle) {
    if (handle == 0) return false;
    const int row = elementIndex_.Find(handle);
    if (row == -1) return false;
    hostdata::MoveTo(&Rows(), row);
    return true;
}
