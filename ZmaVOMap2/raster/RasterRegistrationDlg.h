// The raster registration tool: the user names an image (a bitmap or a JPEG picture) and the map
// coordinates of its four edges, optionally a coordinate system and units, and OK writes a raster
// table beside the image that the map can open as a layer.
#pragma once

#include "platform/Window.h"

#include <string>

class CZmaVadAZLayerCollection;

class CRasterRegistrationDlg : public platform::Dialog {
public:
    CRasterRegistrationDlg();

    // The table written by OK.
    const std::wstring& TablePath() const noexcept { return tablePath_; }

    // The projection list file of the map engine: "<CommonDLLDir>\Mapinfow.prj"; empty when the
    // engine's folder is not registered.
    static std::wstring ProjectionListPath();

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void Browse();
    void PickProjection();
    void PickUnits();
    void ShowHelp();
    // OK: checks the source and the edges, writes the table and ends the dialog; stays open
    // with the focus on what is wrong otherwise.
    void WriteRasterTable();
    // The image's size in screen pixels; false when it cannot be loaded as a picture.
    bool MeasureImage(const std::wstring& path, long& width, long& height) const;
    // Says `message` (when there is one) and puts the focus on the source (-1) or an edge (0 to 3).
    void Refuse(int edge, const std::wstring& message);

    HWND source_ = nullptr;
    HWND edges_[4] = {};  // left, top, right, bottom
    std::wstring tablePath_;
    std::string units_ = "degree";
    std::string clause_ = "1, 104";
    bool nonEarth_ = false;
    bool degreeChosen_ = false;
};

// The "New Raster" command: the registration tool under `owner` and, after OK, the written table
// as a raster layer on top of the map. Raises E_UNEXPECTED without layers and E_FAIL when the
// table cannot be opened (the map opens tables by ANSI paths: a table whose path has no exact
// ANSI form cannot be opened either).
void RunNewRaster(CZmaVadAZLayerCollection* layers, HWND owner);
