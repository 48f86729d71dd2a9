#include "ZmaVOMap2/imagery/TileMath.h"

#include <algorithm>
#include <cmath>

namespace imagery {

namespace {

constexpr double kEquatorMetres = 40075016.686;
constexpr double kPi = 3.14159265358979323846;

double g_resolution[kMaxZoomLevel];

// The table is filled when the library loads, before any layer can draw.
const struct TableFiller {
    TableFiller() { InitGroundResolutionTable(); }
} g_tableFiller;

// Division rounding toward minus infinity, so that positions west or north of the world still
// fall into the tile that holds them.
long long FloorDiv(long long value, long long divisor) {
    long long q = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) --q;
    return q;
}

}  // namespace

void InitGroundResolutionTable() {
    for (int z = kMinZoomLevel; z <= kMaxZoomLevel; ++z)
        g_resolution[z - 1] = kEquatorMetres / (static_cast<double>(kTileSize) * std::ldexp(1.0, z));
}

double GroundResolution(int level) {
    return g_resolution[std::clamp(level, kMinZoomLevel, kMaxZoomLevel) - 1];
}

bool ChooseZoomLevel(long pixels, double metres, ZoomChoice& choice) {
    // A view without width (a collapsed rectangle, a minimised window) has no scale to match.
    if (pixels <= 0 || !(metres > 0.0) || !std::isfinite(metres)) return false;
    const double p = static_cast<double>(pixels);
    // The view never shows more than the world: in a window wider than a level's whole world,
    // that level would, so the coarsest level is the first whose world fills the window. A saved
    // map's view then lies within what loading it takes back.
    int coarsest = kMinZoomLevel;
    while (coarsest < kMaxZoomLevel && p > std::ldexp(static_cast<double>(kTileSize), coarsest)) ++coarsest;
    int level = coarsest;
    for (int z = kMaxZoomLevel; z >= coarsest; --z) {
        if (p * GroundResolution(z) >= 0.99 * metres) {
            level = z;
            break;
        }
    }
    choice.level = level;
    choice.growth = (p * GroundResolution(level) / metres - 1.0) * 0.99;
    return true;
}

QuadKey TileXYToQuadKey(int level, int x, int y) {
    QuadKey result;
    result.level = level;
    for (int i = level; i >= 1; --i) {
        const unsigned mask = i <= 32 ? 1u << (i - 1) : 0u;  // 32-bit tile numbers
        wchar_t digit = L'0';
        if (static_cast<unsigned>(x) & mask) digit += 1;
        if (static_cast<unsigned>(y) & mask) digit += 2;
        result.key.push_back(digit);
    }
    return result;
}

double ClampLatitude(double latitude) { return std::clamp(latitude, -kMaxLatitude, kMaxLatitude); }

TileGrid MakeTileGrid(double west, double north, int level) {
    TileGrid grid;
    grid.level = level;
    const double top = ClampLatitude(north);
    const double worldPixels = std::ldexp(static_cast<double>(kTileSize), level);
    const double s = std::sin(top * kPi / 180.0);
    const long long pixelX = static_cast<long long>(std::floor((west + 180.0) / 360.0 * worldPixels));
    // The clamped edge lies inside the world; rounding must not move it a pixel outside.
    const long long pixelY = std::clamp(
        static_cast<long long>(std::floor((0.5 - std::log((1.0 + s) / (1.0 - s)) / (4.0 * kPi)) * worldPixels)), 0LL,
        static_cast<long long>(worldPixels) - 1);
    const long long tileX = FloorDiv(pixelX, kTileSize), tileY = FloorDiv(pixelY, kTileSize);
    grid.firstX = static_cast<long>(tileX);
    grid.firstY = static_cast<long>(tileY);
    grid.offsetX = -static_cast<long>(pixelX - tileX * kTileSize);
    grid.offsetY = -static_cast<long>(pixelY - tileY * kTileSize);
    return grid;
}

bool WorldTile(int level, long x, long y, int& worldX, int& worldY) {
    const long long across = 1LL << std::clamp(level, 0, 30);
    if (y < 0 || y >= across) return false;
    long long wrapped = x % across;
    if (wrapped < 0) wrapped += across;
    worldX = static_cast<int>(wrapped);
    worldY = static_cast<int>(y);
    return true;
}

}  // namespace imagery
