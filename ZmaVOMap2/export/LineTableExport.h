// The hook through which a cell-site layer's TAB export reaches the line layers tied to it: a
// line layer that can write its lines as a table implements it.
#pragma once

#include "ZmaVOMap2/export/TabTable.h"

#include <windows.h>

#include <memory>
#include <string>

class LineTableExport {
public:
    // A line table written and still open: the cell-site export closes it with its own table
    // (CloseTogether), so that a failure of any of them leaves the folder as it was.
    struct WrittenTable {
        std::unique_ptr<tabexport::TabTable> table;  // null: the layer writes no table
        long lines = 0;
        long rowsWithoutPosition = 0;  // measurement rows walked that the map does not draw
    };

    // Writes the layer's lines as a table into `folder`, named after the cell-site layer
    // `dataLayerName`, and hands it over open. A failure is raised with its reason (the table
    // written so far is deleted).
    virtual WrittenTable WriteTable(const std::wstring& folder, const std::string& dataLayerName) = 0;

protected:
    ~LineTableExport() = default;
};
