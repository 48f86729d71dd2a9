// The table files behind table layers. The header is a small table definition; the features
// follow one per line in the stand-in's own form, so that a layer's file set can be copied,
// embedded and opened again with its features.
#pragma once

#include "standins/mapengine/Points.h"

#include <string>
#include <vector>

namespace mapengine {

struct FeatureRecord {
    short type = 0;  // 0 symbol, 1 line, 2 region, 5 text
    std::wstring key;
    std::wstring keyValue;
    std::wstring caption;
    XY point;
    std::vector<XYList> parts;
    std::wstring style;  // Style::Serialise
};

struct TableData {
    std::vector<std::wstring> fields{L"Name"};
    std::vector<FeatureRecord> features;
    bool raster = false;  // a raster table: its definition says Type "RASTER"
};

// False when the file does not exist or cannot be read.
bool ReadTableFile(const std::wstring& path, TableData& table);
// Raises a failure of the engine call when the file cannot be written.
void WriteTableFile(const std::wstring& path, const TableData& table);

}  // namespace mapengine
