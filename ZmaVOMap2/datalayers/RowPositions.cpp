#include "ZmaVOMap2/datalayers/RowPositions.h"

#include <cfloat>

namespace {
const ZmaExtent kNoBlock = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};
}

void RowPositions::Clear() {
    // The memory stays for the next reading, which usually has as many rows: fresh pages cost
    // more to touch than the reading itself.
    x_.Shrink(0);
    y_.Shrink(0);
    counts_.clear();
    judged_.clear();
    blocks_.clear();
    extent_ = kNoBlock;
    known_ = false;
    anyPosition_ = false;
}

void RowPositions::Release() {
    Clear();
    x_.Release();
    y_.Release();
    std::vector<std::uint32_t>().swap(counts_);
    std::vector<std::uint32_t>().swap(judged_);
    std::vector<ZmaExtent>().swap(blocks_);
}

void RowPositions::Begin(long rowCount, bool judged) {
    Clear();
    const size_t n = rowCount > 0 ? static_cast<size_t>(rowCount) : 0;
    // A much smaller dataset does not keep the memory of a large one.
    if (x_.capacity() > 2 * n + 4096) Release();
    x_.Resize(n);
    y_.Resize(n);
    counts_.assign((n + 31) / 32, 0u);
    judged_.assign((n + 31) / 32, judged ? ~0u : 0u);
    blocks_.assign((n + kBlockRows - 1) / kBlockRows, kNoBlock);
}

void RowPositions::Finish(long rowsSet, bool complete) {
    const size_t n = rowsSet > 0 ? static_cast<size_t>(rowsSet) : 0;
    if (n < x_.size()) {
        x_.Shrink(n);
        y_.Shrink(n);
        counts_.resize((n + 31) / 32);
        judged_.resize((n + 31) / 32);
        if (n % 32) counts_.back() &= (1u << (n % 32)) - 1;
        blocks_.resize((n + kBlockRows - 1) / kBlockRows);
    }
    extent_ = kNoBlock;
    for (const ZmaExtent& b : blocks_) {
        if (b.left > b.right) continue;  // no row of the block has a position
        extent_.left = b.left < extent_.left ? b.left : extent_.left;
        extent_.right = b.right > extent_.right ? b.right : extent_.right;
        extent_.bottom = b.bottom < extent_.bottom ? b.bottom : extent_.bottom;
        extent_.top = b.top > extent_.top ? b.top : extent_.top;
    }
    known_ = complete;
}

size_t RowPositions::Bytes() const noexcept {
    return x_.capacity() * sizeof(double) + y_.capacity() * sizeof(double) +
           (counts_.capacity() + judged_.capacity()) * sizeof(std::uint32_t) + blocks_.capacity() * sizeof(ZmaExtent);
}
