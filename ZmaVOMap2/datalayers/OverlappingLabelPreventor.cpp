#include "ZmaVOMap2/datalayers/OverlappingLabelPreventor.h"

#include <algorithm>

OverlappingLabelPreventor::OverlappingLabelPreventor(const RECT& view, int dpi)
    : view_(view), cellSize_(std::max(1, dpi / 96)) {
    columns_ = std::max(0L, (view.right - view.left) / cellSize_);
    rows_ = std::max(0L, (view.bottom - view.top) / cellSize_);
    cells_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), 0);
}

bool OverlappingLabelPreventor::Reserve(int x, int y, int cx, int cy) {
    if (cx <= 0 || cy <= 0) return true;
    // Pixel box of the label, relative to the view's corner.
    const int left = x - cx / 2 - view_.left;
    const int top = y - cy - view_.top;
    const int right = left + cx - 1;
    const int bottom = top + cy - 1;
    auto cell = [this](int pixel) { return pixel >= 0 ? pixel / cellSize_ : -1 - (-1 - pixel) / cellSize_; };
    const int c0 = std::max(0, cell(left)), c1 = std::min(columns_ - 1, cell(right));
    const int r0 = std::max(0, cell(top)), r1 = std::min(rows_ - 1, cell(bottom));
    if (c0 > c1 || r0 > r1) return true;

    for (int r = r0; r <= r1; ++r) {
        const unsigned char* row = &cells_[static_cast<size_t>(r) * columns_];
        for (int c = c0; c <= c1; ++c)
            if (row[c]) return false;
    }
    for (int r = r0; r <= r1; ++r) std::fill_n(&cells_[static_cast<size_t>(r) * columns_ + c0], c1 - c0 + 1, 1);
    return true;
}
