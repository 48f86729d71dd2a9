// Keeps labels of one label pass from covering each other: a byte grid over the view, one byte
// per square cell of about one point, set where a label has been drawn. A label whose box touches
// a taken cell is left out, so the earlier row keeps its label.
#pragma once

#include <windows.h>

#include <vector>

class OverlappingLabelPreventor {
public:
    // `dpi` is LOGPIXELSY of the device context: one cell per 1/96 inch, at least one pixel.
    OverlappingLabelPreventor(const RECT& view, int dpi);

    // The label anchored at (x, y) with the size (cx, cy). The renderer draws it with the text
    // aligned TA_CENTER | TA_BOTTOM, so its box is centred on x and ends at y. Answers true and
    // takes the cells when none of them is taken; false (nothing taken) otherwise. Parts of the
    // box outside the view take no cells.
    bool Reserve(int x, int y, int cx, int cy);

    int CellSize() const noexcept { return cellSize_; }
    int Columns() const noexcept { return columns_; }
    int Rows() const noexcept { return rows_; }

private:
    RECT view_;
    int cellSize_;
    int columns_;
    int rows_;
    std::vector<unsigned char> cells_;
};
