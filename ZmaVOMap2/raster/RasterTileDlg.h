// The raster tiling tool: cuts the image of a registered raster table into a grid of tile
// bitmaps, writes a raster table for each tile (its control points taken from the source table's
// own mapping of pixels to the map) and, once every tile is written, an ".atr" index listing the
// tile tables, which the map opens as one layer. The dialog keeps handling messages while it
// cuts, and Close stops the cutting between two tiles.
#pragma once

#include "ZmaVOMap2/raster/PixelMapping.h"
#include "ZmaVOMap2/raster/RasterTable.h"
#include "platform/Window.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CBitmapTiler;

class CRasterTileDlg : public platform::Dialog {
public:
    // The most tiles one tiling makes: each tile is a layer of the index's map layer.
    static constexpr long long kMaxTiles = 10000;

    // The tile size used unless the user asks for a number of tiles.
    CRasterTileDlg(long tileWidth, long tileHeight);
    ~CRasterTileDlg() override;

    // Writes the table of a tile at `rect` of the source image (right and bottom exclusive).
    bool WriteTileTable(const std::wstring& tablePath, const std::string& bitmapName, const RECT& rect);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    enum class TableRead {
        kRead,      // the table names an image that loads, says it is a raster and places the image
        kRefused,   // the user was told why not
        kUnusable,  // no table, or no "File" and "Type" lines in it: nothing was told
    };
    // Reads the source table at the table path and, when it can be tiled, takes in the image's
    // path, size, pixel mapping and coordinate-system text.
    TableRead ReadRasterTable();

    enum class Outcome { kComplete, kFailed, kOutOfMemory, kStopped };

    void OnEditUpdate(int id);
    void BrowseForTable();
    void BrowseForFolder();
    void ToggleTileCounts();
    void ShowHelp();
    void TileRaster();
    // The tile counts typed or preset, when they cut the image into tiles at least one pixel
    // wide and high; says why not otherwise.
    bool CheckTileCounts();
    // Cuts the tiles in order and collects the index's lines; `failedPath` names the file that
    // could not be written.
    Outcome CutTiles(CBitmapTiler& tiler, const std::vector<raster::TileRect>& tiles, const std::wstring& base,
                     const std::string& baseText, std::string& index, size_t& written, std::wstring& failedPath);
    // Lets the dialog (and the windows around it) handle what came in since the last tile; false
    // once the tiling is to stop.
    bool KeepResponsive();

    std::optional<raster::PixelMapping> pixelMapping_;
    HWND progress_ = nullptr;
    std::wstring tablePath_;
    std::wstring outputFolder_;
    std::wstring imagePath_;
    std::string coordSysText_;
    long imageWidth_ = 0, imageHeight_ = 0;
    long tilesAcross_ = 0, tilesDown_ = 0;
    long tileWidth_, tileHeight_;
    bool tiling_ = false;
    bool stopAsked_ = false;
};

// Readies a progress bar for `count` steps of one, from 0 (the whole count, beyond 16 bits).
void StartProgress(HWND bar, size_t count);

// The Layer Control's raster tiler: the dialog with 200 x 200 pixel tiles under `owner`.
void RunRasterTiler(HWND owner);
