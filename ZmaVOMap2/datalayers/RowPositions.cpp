#include "ZmaVOMap2/datalayers/RowPositions.h"

#include <cfloat>
#include <limits>

namespace {
const ZmaExtent kNoBlock = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};
}

void RowPositions::Clear() {
    // The memory stays for the next reading, which usually has as many rows: fresh pages cost
    // more to touch than the reading itself.
    x_.clear();
    y_.clear();
    counts_.clear();
    blocks_.clear();
    known_ = false;
    anyPosition_ = false;
}

void RowPositions::Release() {
    Clear();
    std::vector<double>().swap(x_);
    std::vector<double>().swap(y_);
    std::vector<std::uint32_t>().swap(counts_);
    std::vector<ZmaExtent>().swap(blocks_);
}

void RowPositions::Begin(long rowCount) {
    Clear();
    // A much smaller dataset does not keep the memory of a large one.
    if (rowCount >= 0 && x_.capacity() > 2 * static_cast<size_t>(rowCount) + 4096) Release();
    const size_t n = rowCount > 0 ? static_cast<size_t>(rowCount) : 0;
    x_.reserve(n);
    y_.reserve(n);
    counts_.reserve((n + 31) / 32);
    blocks_.reserve((n + kBlockRows - 1) / kBlockRows);
}

void RowPositions::Add(bool hasPosition, double longitude, double latitude, bool counts) {
    const size_t i = x_.size();
    if (i % kBlockRows == 0) blocks_.push_back(kNoBlock);
    if (i % 32 == 0) counts_.push_back(0u);
    if (!hasPosition) {
        x_.push_back(std::numeric_limits<double>::quiet_NaN());
        y_.push_back(std::numeric_limits<double>::quiet_NaN());
        return;
    }
    anyPosition_ = true;
    x_.push_back(longitude);
    y_.push_back(latitude);
    if (counts) counts_.back() |= 1u << (i & 31);
    ZmaExtent& block = blocks_.back();
    if (longitude < block.left) block.left = longitude;
    if (longitude > block.right) block.right = longitude;
    if (latitude < block.bottom) block.bottom = latitude;
    if (latitude > block.top) block.top = latitude;
}

void RowPositions::Finish(bool complete) { known_ = complete; }

size_t RowPositions::Bytes() const noexcept {
    return x_.capacity() * sizeof(double) + y_.capacity() * sizeof(double) +
           counts_.capacity() * sizeof(std::uint32_t) + blocks_.capacity() * sizeof(ZmaExtent);
}
