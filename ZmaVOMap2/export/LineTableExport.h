// The hook through which a cell-site layer's TAB export reaches the line layers tied to it: a
// line layer that can write its lines as a table implements it.
#pragma once

#include <windows.h>

#include <string>

class LineTableExport {
public:
    // Writes the layer's lines as a table into `folder`, named after the cell-site layer
    // `dataLayerName`; S_OK or the failure, with its reason.
    virtual HRESULT ExportToTab(const std::wstring& folder, const std::string& dataLayerName) = 0;

protected:
    ~LineTableExport() = default;
};
