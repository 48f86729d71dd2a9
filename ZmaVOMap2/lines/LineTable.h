// The TAB export of the lines to cells: one table of two-point polylines from the cell to the
// point, in longitude and latitude, with one "Label" field. The table is closed when the object
// goes, however the export ended.
#pragma once

#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/mitab/mitab.h"

#include <windows.h>

#include <string>

class LineTable {
public:
    // Makes the table, its field and the feature every line reuses.
    explicit LineTable(const std::string& file);
    ~LineTable();
    LineTable(const LineTable&) = delete;
    LineTable& operator=(const LineTable&) = delete;

    // Whether the table, its field and its feature could all be made.
    bool Made() const noexcept { return feature_ != nullptr; }
    // Writes one line with the pen's pattern and colour (width 3); false when the table refused
    // it, which Failed() then keeps.
    bool Write(const std::string& label, const GeoPoint& cell, const GeoPoint& point, int pattern, COLORREF colour);
    bool Failed() const noexcept { return failed_; }

private:
    mitab_handle table_ = nullptr;
    mitab_feature feature_ = nullptr;
    bool failed_ = false;
};
