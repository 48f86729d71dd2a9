// The arithmetic of web map tiles: square tiles of 256 pixels in the spherical Mercator scheme,
// 2^z tiles across the world at level z, each named by a quadkey of z base-4 digits. Pure
// functions, no engine and no window.
#pragma once

#include <string>

namespace imagery {

constexpr int kTileSize = 256;
constexpr int kMinZoomLevel = 1;
constexpr int kMaxZoomLevel = 23;
// The tiling ends here: beyond it the Mercator world has no tiles.
constexpr double kMaxLatitude = 85.05112878;

// Fills the table of ground resolutions; runs once when the library loads.
void InitGroundResolutionTable();
// Metres per pixel along the equator at `level` (1 to 23).
double GroundResolution(int level);

// The tile level whose scale fits a view `pixels` wide that shows `metres` along the equator:
// the most detailed level whose pixels cover at least 0.99 of that width (the coarsest level
// when none does: the first whose world is at least as wide as the window, so that no view
// shows more than the world), and the factor by which the view must grow so that its scale
// becomes the level's.
// False, with `level` and `growth` untouched, for a view without width in pixels or metres.
struct ZoomChoice {
    int level = kMinZoomLevel;
    double growth = 0.0;  // the view's spans grow by 1 + growth
};
bool ChooseZoomLevel(long pixels, double metres, ZoomChoice& choice);

// The quadkey of tile (x, y) at `level`: one digit per level, most significant first. The digits
// come from the low bits of x and y; level 0 or less gives the empty key.
struct QuadKey {
    int level = 0;
    std::wstring key;
};
QuadKey TileXYToQuadKey(int level, int x, int y);

// Where the tiles of `level` lie under a view whose north-west corner is (west, north) in
// degrees: the tile at that corner and how far its top-left corner lies left of and above the
// view (0 to -255 pixels). The north edge is clamped to the tiling's latitudes first.
struct TileGrid {
    int level = kMinZoomLevel;
    long firstX = 0, firstY = 0;    // tile numbers, which may lie outside the world
    long offsetX = 0, offsetY = 0;  // the first tile's top-left corner relative to the view
};
double ClampLatitude(double latitude);
TileGrid MakeTileGrid(double west, double north, int level);

// A tile number of the grid as the world has it: x wraps around the date line; false for a row
// north or south of the world, which has no tile.
bool WorldTile(int level, long x, long y, int& worldX, int& worldY);

}  // namespace imagery
