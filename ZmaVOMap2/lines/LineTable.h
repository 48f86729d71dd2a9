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
    // Makes the table, its field and the feature every line reuses; raises a ComError that says
    // why when they cannot be made.
    explicit LineTable(const std::wstring& file);
    ~LineTable();
    LineTable(const LineTable&) = delete;
    LineTable& operator=(const LineTable&) = delete;

    // Writes one line with the pen's pattern and colour (width 3); false when the table refused
    // it, which ThrowIfFailed then raises. A line whose ends are not finite is left out (the table
    // would keep a clamped or arbitrary line). The label takes the table's character set, with
    // "?" for a character it has no form for.
    bool Write(const std::wstring& label, const GeoPoint& cell, const GeoPoint& point, int pattern, COLORREF colour);
    void ThrowIfFailed() const;

private:
    std::wstring file_;
    mitab_handle table_ = nullptr;
    mitab_feature feature_ = nullptr;
    bool failed_ = false;
};
