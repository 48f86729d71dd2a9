// The geoset reader. A geoset is a text file of settings, one per line:
//   "\TABLE\2\LABEL\FONT\SIZE" = "9"
// a key (names joined by backslashes, in quotes), then = and the value in quotes. Every table
// numbered under \TABLE\ with a \FILE key becomes one "Layer" element, with the settings the
// geoset gives for that table number. Keys are compared without case; values keep theirs. A line
// that does not begin with its key, an indented one, sets nothing and names no table.
#pragma once

#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspace.h"

#include <vector>

class CZmaVOMapXWorkspaceGST : public CZmaVOMapXWorkspace {
public:
    // One setting of a table: its key after the table number ("LABEL\FONT\SIZE", upper case).
    struct TableKey {
        std::string key;
        std::string value;
    };

    // Elements are appended from the geoset's last table to its first, so that the first table
    // ends on top of the map.
    bool Load(const std::string& folder, const std::string& path, IXMLDOMElement* workspace) override;

    // Writes one table's settings into its element (the zoom values are miles).
    static void ReadTableKeys(const std::vector<TableKey>& keys, IXMLDOMElement* layer);
    // Splits a geoset line into key and value; false for a line that is no setting.
    static bool SplitKeyValue(const std::string& line, std::string& key, std::string& value);
};
