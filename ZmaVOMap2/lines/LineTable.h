// The TAB export of the lines to cells: one table of two-point polylines from the cell to the
// point, in longitude and latitude, with one "Label" field. It is a TabTable: handed over open
// (Release) for the export to close with its other tables, or deleted when it goes unclosed.
#pragma once

#include "ZmaVOMap2/export/TabTable.h"
#include "ZmaVOMap2/lines/LineActions.h"

#include <windows.h>

#include <memory>
#include <string>

class LineTable {
public:
    // Makes the table, its field and the feature every line reuses; raises a ComError that says
    // why when they cannot be made.
    explicit LineTable(const std::wstring& file);

    // Writes one line with the pen's pattern and colour (width 3); raises when the table refuses
    // it. A line whose ends are not finite is left out (the table would keep a clamped or
    // arbitrary line). The label takes the table's character set, with "?" for a character it
    // has no form for.
    void Write(const std::wstring& label, const GeoPoint& cell, const GeoPoint& point, int pattern, COLORREF colour);
    long Lines() const noexcept { return lines_; }
    // The table, written and still open.
    std::unique_ptr<tabexport::TabTable> Release() noexcept { return std::move(table_); }

private:
    std::unique_ptr<tabexport::TabTable> table_;
    long lines_ = 0;
};
