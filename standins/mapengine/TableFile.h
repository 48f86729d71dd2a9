// The table files behind table layers. Tables the stand-in makes keep a small table definition
// with the features following one per line in the stand-in's own form, so that a layer's file set
// can be copied, embedded and opened again with its features. Native MapInfo tables (made by any
// GIS, with .DAT, .MAP and .ID files) are read through the MITAB library.
#pragma once

#include "standins/mapengine/Points.h"

#include <string>
#include <vector>

namespace mapengine {

struct FeatureRecord {
    short type = 0;  // the engine's feature types: 0 region, 1 line, 2 symbol, 5 text
    std::wstring key;
    std::wstring keyValue;  // the value of the table's first field, its key field
    std::vector<std::wstring> moreValues;  // the values of the fields after the first, in order
    std::wstring caption;
    XY point;
    std::vector<XYList> parts;
    std::wstring style;  // Style::Serialise

    // The value of the table's field at `index` (0 is the key field); empty where none was given.
    std::wstring FieldValue(size_t index) const;
};

struct TableData {
    std::vector<std::wstring> fields{L"Name"};
    std::vector<FeatureRecord> features;
    bool raster = false;  // a raster table: its definition says Type "RASTER"
    std::string rasterText;  // a raster table's whole text (its image and control points)
    bool native = false;  // a native MapInfo table read through the MITAB library
};

// False when the file does not exist or cannot be read.
bool ReadTableFile(const std::wstring& path, TableData& table);
// Raises a failure of the engine call when the file cannot be written.
void WriteTableFile(const std::wstring& path, const TableData& table);

}  // namespace mapengine
