// The text of raster tables: the small ".TAB" files that tie an image's pixels to map
// coordinates through four control points, as the registration tool writes them for a whole image
// and the tiling tool for each tile, and the rules both tools share (edge values, units of a
// coordinate-system clause, the tile grid, reading a table back).
#pragma once

#include "ZmaVOMap2/raster/PixelMapping.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace raster {

// A control point: map x and y of the pixel at column and row.
struct ControlPoint {
    double x = 0, y = 0;
    long column = 0, row = 0;
};
using ControlPoints = std::array<ControlPoint, 4>;

// The four corners of an image of `width` x `height` pixels whose first pixel lies at
// (left, top) and last at (right, bottom): columns 0 and width - 1, rows 0 and height - 1, in
// the order top left, bottom left, top right, bottom right.
ControlPoints CornerPoints(double left, double top, double right, double bottom, long width, long height);

// The table for `imageName` (written on the "File" line) with its control points, followed by
// `coordSysText` as it is (the "CoordSys" line, the "Units" line and whatever follows them).
std::string FormatRasterTable(const std::string& imageName, const ControlPoints& points,
                              const std::string& coordSysText);

// The coordinate-system and units lines of a registered image: "CoordSys Earth Projection "
// followed by the clause, or "CoordSys NonEarth", then the units in quotes without a line end.
std::string CoordSysLines(const std::string& clause, bool nonEarth, const std::string& units);

// Writes `text` into a new file (replacing one that exists) in text mode; false when the file
// cannot be created or written whole.
bool WriteTextFile(const std::wstring& path, const std::string& text);
bool WriteTextFile(const std::string& path, const std::string& text);

// A name as the tables write it: in their character set, WindowsLatin1 (code page 1252). False
// when a character of the name has no form there, so that the table could not name the file.
constexpr UINT kTableCodePage = 1252;
bool TableText(const std::wstring& name, std::string& text);

// An edge value as typed: a decimal number taking the whole text (blanks around it allowed),
// finite. False for anything else.
bool ParseEdgeValue(const std::string& text, double& value);

// Coordinate-system clauses ("8, 104, 7, 9, 0, 0.9996, 500000, 0"): a clause whose leading
// number is 0 or missing describes a non-earth system.
bool IsNonEarthClause(const std::string& clause);
// The unit code a clause names: its second field for a non-earth clause, its third for an earth
// clause (7 metres, or 0 miles, when it has none); a longitude / latitude system (projection
// 1) is in degrees.
constexpr long kDegreeUnit = 13;
long UnitCodeOfClause(const std::string& clause);
// The unit written in tables for a unit code ("mi", "km", ..., "degree" for unknown codes).
const char* UnitAbbreviation(long code);

// One tile of the grid: its pixel rectangle (right and bottom exclusive) and its column.
struct TileRect {
    long left = 0, top = 0, right = 0, bottom = 0;
    int column = 0;
};
// The tiles of an image, column by column and each column from the top down: tiles of
// `tileWidth` x `tileHeight` pixels, the last column and row narrower where the size is not a
// multiple of them.
std::vector<TileRect> TilesOfSize(long imageWidth, long imageHeight, long tileWidth, long tileHeight);
// The tiles of an image cut into `across` x `down` equal tiles; the pixels left over by the
// integer division lie in no tile. Counts must be between 1 and the image's size.
std::vector<TileRect> TilesByCount(long imageWidth, long imageHeight, long across, long down);
// How many tiles TilesOfSize gives, worked out without laying them out.
long long CountTilesOfSize(long imageWidth, long imageHeight, long tileWidth, long tileHeight);

// What the tiling tool needs of a source table.
struct SourceTable {
    std::wstring imagePath;   // the "File" line's image, resolved against the table's folder
    bool hasFile = false;
    bool hasType = false;
    bool isRaster = false;    // the "Type" line says "RASTER"
    std::vector<TiePoint> controlPoints;  // the "(x, y) (column, row)" lines before "CoordSys"
    std::string coordSysText; // from the "CoordSys" line to the end, as read
};
// Reads a table from an open file in text mode; `tableFolder` (ending in a separator) resolves
// a relative image name. The "File" line is read in the table's character set: WindowsLatin1
// when it says so, else the system's ANSI code page.
SourceTable ReadSourceTable(FILE* file, const std::wstring& tableFolder);

// Path helpers: a file name starts after the last "\", "/" or ":" of a path (the drive of
// "C:site.bmp"). The folder of a path up to and with that separator (empty without one), and a
// file name's base (before the last dot after the folder).
std::wstring FolderOf(const std::wstring& path);
std::wstring BaseNameOf(const std::wstring& path);
std::string BaseNameOf(const std::string& path);

}  // namespace raster
