// The positions of a dataset's rows, read from the host once and kept until the rows change.
//
// Reading two values of every row through the host's interfaces costs more than everything else
// in a frame of a large dataset, so the optimisers read each row once (per dataset, and again
// only when the host reports a change) and keep, as compact arrays: the row's longitude and
// latitude as read (offsets are added when a frame uses them, so moving a layer reads nothing),
// whether the row counts, and the extent of every block of rows, so that a view showing a small
// part of the data skips the blocks it cannot see.
//
// A position that no map holds (not finite, or beyond -180..180 of longitude or -90..90 of
// latitude) is kept as none: a host's stray value never reaches a frame, a hit test or an extent,
// so a single bad row cannot stretch the view past the world. Such a row still tells that the
// dataset has positions.
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
        double* MutableData() noexcept { return data_.get(); }

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

    // A reading of `rowCount` rows: Begin, each row in order through a Writer, then Finish with
    // the number of rows written. A reading that ends early (the host failed) keeps the rows
    // written so far for this frame but is not Known. With `judged`, the rows need no verdict:
    // a row's `counts` is final.
    void Begin(long rowCount, bool judged);
    void Finish(long rowsSet, bool complete);

    // Reads the rows after Begin, from the first on, and finishes: `row(i, longitude, latitude,
    // counts, judged)` reads row i and answers whether it has a position, setting `counts`
    // (whether it may count) and `judged` (whether the filter's verdict was asked: `counts` is
    // then final). A failure raised by `row` keeps the rows before it, not Known. The row's word
    // of bits and its block's extent are kept at hand until the reading moves past them: a
    // million rows would otherwise update the same word and extent in memory a million times,
    // each update waiting for the one before.
    template <class Row>
    void ReadAll(long count, Row row) {
        double* xs = x_.MutableData();
        double* ys = y_.MutableData();
        std::uint32_t countsWord = 0, judgedWord = 0;
        double left = DBL_MAX, right = -DBL_MAX, bottom = DBL_MAX, top = -DBL_MAX;
        bool any = false;
        long i = 0;
        auto flush = [&](long last, bool word, bool block) {
            if (word) {
                counts_[static_cast<size_t>(last) >> 5] |= countsWord;
                judged_[static_cast<size_t>(last) >> 5] |= judgedWord;
                countsWord = judgedWord = 0;
            }
            if (block) {
                blocks_[static_cast<size_t>(last) / kBlockRows] = {left, top, right, bottom};
                left = DBL_MAX, right = -DBL_MAX, bottom = DBL_MAX, top = -DBL_MAX;
            }
        };
        auto flushPartial = [&] {
            anyPosition_ = anyPosition_ || any;
            if (i > 0) flush(i - 1, ((i - 1) & 31) != 31, (i - 1) % kBlockRows != kBlockRows - 1);
        };
        try {
            for (; i < count; ++i) {
                double lon = 0, lat = 0;
                bool counts = false, judged = false;
                const size_t at = static_cast<size_t>(i);
                const bool read = row(i, lon, lat, counts, judged);
                any = any || read;
                if (read && OnTheMap(lon, lat)) {
                    xs[at] = lon;
                    ys[at] = lat;
                    const std::uint32_t bit = 1u << (at & 31);
                    countsWord |= counts ? bit : 0u;
                    judgedWord |= judged ? bit : 0u;
                    left = lon < left ? lon : left;
                    right = lon > right ? lon : right;
                    bottom = lat < bottom ? lat : bottom;
                    top = lat > top ? lat : top;
                } else {
                    xs[at] = ys[at] = std::numeric_limits<double>::quiet_NaN();
                }
                const bool wordEnds = (at & 31) == 31, blockEnds = at % kBlockRows == kBlockRows - 1;
                if (wordEnds || blockEnds) flush(i, wordEnds, blockEnds);
            }
        } catch (...) {
            flushPartial();
            Finish(i, false);
            throw;
        }
        flushPartial();
        Finish(i, true);
    }
    // Whether a position read from the host is one the map can show: finite and inside the world.
    static bool OnTheMap(double longitude, double latitude) noexcept {
        return longitude >= -180.0 && longitude <= 180.0 && latitude >= -90.0 && latitude <= 90.0;
    }
    // The rows read (all of them once Known).
    long Count() const noexcept { return static_cast<long>(x_.size()); }
    // Whether some row read had a position, on the map or not.
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
