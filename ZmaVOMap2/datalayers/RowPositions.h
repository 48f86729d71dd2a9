// The positions of a dataset's rows, read from the host once and kept until the rows change.
//
// Reading two values of every row through the host's interfaces costs more than everything else
// in a frame of a large dataset, so the optimisers read each row once (per dataset, and again
// only when the host reports a change) and keep, as compact arrays: the row's longitude and
// latitude as read (offsets are added when a frame uses them, so moving a layer reads nothing),
// whether the row counts, and the extent of every block of rows, so that a view showing a small
// part of the data skips the blocks it cannot see.
//
// Whether a row counts is its position and the row filter's verdict. The filter reads a value of
// the row, and most rows of a large dataset never need it (they share a pixel with an earlier
// row), so a verdict is asked for when first needed and kept: until then a row with a position
// "may count" and is not yet "judged".
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class RowPositions {
    // A column of doubles whose new elements are left unset: a reading writes every row once, so
    // filling them first would only add a pass over many megabytes.
    class Column {
    public:
        void Resize(size_t n) {
            if (n > capacity_) {
                data_.reset(new double[n]);
                capacity_ = n;
            }
            size_ = n;
        }
        void Shrink(size_t n) noexcept { size_ = n < size_ ? n : size_; }
        void Release() noexcept {
            data_.reset();
            size_ = capacity_ = 0;
        }
        size_t size() const noexcept { return size_; }
        size_t capacity() const noexcept { return capacity_; }
        double& operator[](size_t i) noexcept { return data_[i]; }
        double operator[](size_t i) const noexcept { return data_[i]; }
        const double* data() const noexcept { return data_.get(); }

    private:
        std::unique_ptr<double[]> data_;
        size_t size_ = 0, capacity_ = 0;
    };

public:
    // Rows per block of the block extents: consecutive rows of a drive test lie close together.
    static constexpr long kBlockRows = 256;

    // Forgets the rows: the next frame reads them again.
    void Clear();
    // The same, giving the memory back.
    void Release();
    // Whether a complete reading is kept.
    bool Known() const noexcept { return known_; }

    // A reading of `rowCount` rows, one Set per row in row order, then Finish with the number
    // of rows set. A reading that ends early (the host failed) keeps the rows set so far for this
    // frame but is not Known. With `judged`, the rows need no verdict: Set's `counts` is final.
    void Begin(long rowCount, bool judged);
    // `counts`: whether the row may count (a row without a position never does).
    void Set(long row, bool hasPosition, double longitude, double latitude, bool counts) {
        const size_t i = static_cast<size_t>(row);
        if (!hasPosition) {
            x_[i] = y_[i] = std::numeric_limits<double>::quiet_NaN();
            return;
        }
        anyPosition_ = true;
        x_[i] = longitude;
        y_[i] = latitude;
        if (counts) counts_[i >> 5] |= 1u << (i & 31);
        ZmaExtent& block = blocks_[i / kBlockRows];
        block.left = longitude < block.left ? longitude : block.left;
        block.right = longitude > block.right ? longitude : block.right;
        block.bottom = latitude < block.bottom ? latitude : block.bottom;
        block.top = latitude > block.top ? latitude : block.top;
    }
    void Finish(long rowsSet, bool complete);

    // The rows read (all of them once Known).
    long Count() const noexcept { return static_cast<long>(x_.size()); }
    bool AnyPosition() const noexcept { return anyPosition_; }
    bool HasPosition(long row) const { return !std::isnan(x_[static_cast<size_t>(row)]); }
    // Whether the row has a position and the filter has not rejected it: it counts once judged.
    bool Counts(long row) const {
        const size_t i = static_cast<size_t>(row);
        return (counts_[i >> 5] >> (i & 31)) & 1u;
    }
    // Whether the row's verdict is known (rows without a position need none).
    bool Judged(long row) const {
        const size_t i = static_cast<size_t>(row);
        return (judged_[i >> 5] >> (i & 31)) & 1u;
    }
    // Records the filter's verdict of a row with a position.
    void Judge(long row, bool counts) {
        const size_t i = static_cast<size_t>(row);
        const std::uint32_t bit = 1u << (i & 31);
        judged_[i >> 5] |= bit;
        if (!counts) counts_[i >> 5] &= ~bit;
    }
    // The extent of the rows with a position, without offsets; empty (the sentinel) for none.
    const ZmaExtent& Extent() const noexcept { return extent_; }
    // The position as read, without offsets.
    double X(long row) const { return x_[static_cast<size_t>(row)]; }
    double Y(long row) const { return y_[static_cast<size_t>(row)]; }

    // The arrays themselves, for the walks over every row: longitudes, latitudes, and the
    // counting bits, 32 rows to a word (row i is bit i % 32 of word i / 32).
    const double* XData() const noexcept { return x_.data(); }
    const double* YData() const noexcept { return y_.data(); }
    const std::uint32_t* CountWords() const noexcept { return counts_.data(); }

    // Blocks: rows [b * kBlockRows, (b + 1) * kBlockRows). The extent covers the block's rows
    // with a position, without offsets; empty (the sentinel) when none has one.
    size_t BlockCount() const noexcept { return blocks_.size(); }
    const ZmaExtent& Block(size_t b) const { return blocks_[b]; }
    // Whether a block may hold a row strictly inside `view` once the offsets are added. Adding
    // an offset keeps the order of values, so a block whose moved extent misses the view holds
    // no row inside it.
    static bool BlockMayShow(const ZmaExtent& block, const ZmaExtent& view, double offsetX, double offsetY) {
        return block.left + offsetX < view.right && block.right + offsetX > view.left &&
               block.bottom + offsetY < view.top && block.top + offsetY > view.bottom;
    }

    // Memory kept, in bytes.
    size_t Bytes() const noexcept;

private:
    Column x_, y_;                       // NaN: no position
    std::vector<std::uint32_t> counts_;  // a bit per row: may count
    std::vector<std::uint32_t> judged_;  // a bit per row: the verdict is known
    std::vector<ZmaExtent> blocks_;
    ZmaExtent extent_ = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};
    bool known_ = false;
    bool anyPosition_ = false;
};
