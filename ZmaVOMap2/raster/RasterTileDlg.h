// The raster tiling tool: cuts the image of a registered raster table into a grid of tile
// bitmaps, writes a raster table for each tile (its control points taken from the source table's
// own mapping of pixels to the map) and an ".atr" index listing the tile tables, which the map
// opens as one layer.
#pragma once

#include "ZmaVOMap2/raster/PixelMapping.h"
#include "platform/Window.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

class CRasterTileDlg : public platform::Dialog {
public:
    // The tile size used unless the user asks for a number of tiles.
    CRasterTileDlg(long tileWidth, long tileHeight);
    ~CRasterTileDlg() override;

    // Reads the source table at the table path; true when it names an image that loads, says it
    // is a raster and places the image through its control points, with the image's path, size,
    // pixel mapping and coordinate-system text taken in.
    bool ReadRasterTable();
    // Writes the table of a tile at `rect` of the source image (right and bottom exclusive).
    bool WriteTileTable(const std::string& tablePath, const std::string& bitmapName, const RECT& rect);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void OnEditUpdate(int id);
    void BrowseForTable();
    void BrowseForFolder();
    void ToggleTileCounts();
    void ShowHelp();
    void TileRaster();
    // The tile counts typed or preset, when they cut the image into tiles at least one pixel
    // wide and high; says why not otherwise.
    bool CheckTileCounts();

    std::optional<raster::PixelMapping> pixelMapping_;
    HWND progress_ = nullptr;
    std::string tablePath_;
    std::string outputFolder_;
    std::string imagePath_;
    std::string coordSysText_;
    long imageWidth_ = 0, imageHeight_ = 0;
    long tilesAcross_ = 0, tilesDown_ = 0;
    long tileWidth_, tileHeight_;
};

// Readies a progress bar for `count` steps of one, from 0 (the whole count, beyond 16 bits).
void StartProgress(HWND bar, size_t count);

// The Layer Control's raster tiler: the dialog with 200 x 200 pixel tiles under `owner`.
void RunRasterTiler(HWND owner);
