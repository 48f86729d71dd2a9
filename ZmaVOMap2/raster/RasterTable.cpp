#include "ZmaVOMap2/raster/RasterTable.h"

#include "platform/Com.h"
#include "platform/Number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace raster {

namespace {

constexpr int kMaxLine = 400;
constexpr long kLongitudeLatitude = 1;

// Map coordinates keep twelve significant digits: projected coordinates in metres (six or seven
// digits before the point) come back to the millimetre, degrees to better than a millimetre.
std::string FormatPoint(const ControlPoint& p, int number, bool last) {
    char line[160];
    std::snprintf(line, sizeof line, "(%s, %s) (%ld, %ld) Label \"Pt%d\"%s\n", platform::FormatGeneral(p.x, 12).c_str(),
                  platform::FormatGeneral(p.y, 12).c_str(), p.column, p.row, number, last ? "" : ",");
    return line;
}

// The pieces of a line between blanks, commas and the given extra separators.
std::vector<std::string> Split(const std::string& text, const char* separators) {
    std::vector<std::string> pieces;
    size_t start = text.find_first_not_of(separators);
    while (start != std::string::npos) {
        const size_t end = text.find_first_of(separators, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? end : text.find_first_not_of(separators, end);
    }
    return pieces;
}

// A decimal integer at the start of a field ("104" of "104"), as the C runtime reads it.
bool LeadingNumber(const std::string& field, long& value) {
    char* end = nullptr;
    value = std::strtol(field.c_str(), &end, 10);
    return end != field.c_str();
}

bool IsAbsolute(const std::wstring& path) {
    return (path.size() > 1 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

// Where the file name of a path starts: after its last separator, or after the drive.
template <class String>
size_t FileNameStart(const String& path) {
    using Char = typename String::value_type;
    const Char separators[] = {Char('\\'), Char('/'), Char(':'), Char(0)};
    const size_t last = path.find_last_of(separators);
    return last == String::npos ? 0 : last + 1;
}

template <class String>
String BaseName(const String& path) {
    const size_t start = FileNameStart(path);
    const size_t dot = path.find_last_of(typename String::value_type('.'));
    return path.substr(start, dot == String::npos || dot < start ? String::npos : dot - start);
}

// The code page of a table's "!charset" line.
UINT CodePageOfCharset(const std::vector<std::string>& pieces) {
    return pieces.size() > 1 && pieces[1] == "WindowsLatin1" ? kTableCodePage : CP_ACP;
}

// The image named on a "File" line: the text between its quotes, blanks included, or the piece
// after "File" when it has no quotes.
std::string FileLineImage(const std::string& line) {
    const size_t open = line.find('"');
    if (open != std::string::npos) {
        const size_t close = line.find('"', open + 1);
        if (close != std::string::npos) return line.substr(open + 1, close - open - 1);
    }
    const std::vector<std::string> pieces = Split(line, " \t\r\n");
    return pieces.size() > 1 ? pieces[1] : std::string();
}

// Takes `expected` after any blanks at `at`.
bool Take(const char*& at, char expected) {
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
    if (*at != expected) return false;
    ++at;
    return true;
}

bool TakeNumber(const char*& at, double& value) {
    const size_t read = platform::ReadNumber(at, value);
    at += read;
    return read != 0;
}

// A control point line, "(x, y) (column, row) Label ...", blanks anywhere between the numbers;
// false for any other line and for numbers that are not finite.
bool ReadTiePoint(const std::string& line, TiePoint& point) {
    TiePoint p;
    const char* at = line.c_str();
    if (!Take(at, '(') || !TakeNumber(at, p.x) || !Take(at, ',') || !TakeNumber(at, p.y) || !Take(at, ')') ||
        !Take(at, '(') || !TakeNumber(at, p.column) || !Take(at, ',') || !TakeNumber(at, p.row))
        return false;
    for (double v : {p.x, p.y, p.column, p.row})
        if (!std::isfinite(v)) return false;
    point = p;
    return true;
}

}  // namespace

ControlPoints CornerPoints(double left, double top, double right, double bottom, long width, long height) {
    return {ControlPoint{left, top, 0, 0}, ControlPoint{left, bottom, 0, height - 1},
            ControlPoint{right, top, width - 1, 0}, ControlPoint{right, bottom, width - 1, height - 1}};
}

std::string FormatRasterTable(const std::string& imageName, const ControlPoints& points,
                              const std::string& coordSysText) {
    std::string text = "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n";
    text += "File \"" + imageName + "\"\n";
    text += "Type \"RASTER\"\n";
    for (size_t i = 0; i < points.size(); ++i)
        text += FormatPoint(points[i], static_cast<int>(i + 1), i + 1 == points.size());
    return text + coordSysText;
}

std::string CoordSysLines(const std::string& clause, bool nonEarth, const std::string& units) {
    std::string text = nonEarth ? "CoordSys NonEarth\n" : "CoordSys Earth Projection " + clause + "\n";
    return text + "Units \"" + units + "\"";
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    return WriteTextFile(platform::ToWide(path), text);
}

bool WriteTextFile(const std::wstring& path, const std::string& text) {
    FILE* file = ::_wfopen(path.c_str(), L"w");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool TableText(const std::wstring& name, std::string& text) {
    text.clear();
    if (name.empty()) return true;
    const int length = static_cast<int>(name.size());
    BOOL lossy = FALSE;
    const int size = ::WideCharToMultiByte(kTableCodePage, WC_NO_BEST_FIT_CHARS, name.data(), length, nullptr, 0,
                                           nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    text.assign(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(kTableCodePage, WC_NO_BEST_FIT_CHARS, name.data(), length, &text[0], size, nullptr, &lossy);
    return !lossy;
}

bool ParseEdgeValue(const std::string& text, double& value) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = text.find_last_not_of(" \t");
    const std::string number = text.substr(first, last - first + 1);
    // Only decimal notation: no hexadecimal, infinity or NaN spellings.
    if (number.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
    double parsed = 0.0;
    if (platform::ReadNumber(number.c_str(), parsed) != number.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool IsNonEarthClause(const std::string& clause) {
    const std::vector<std::string> fields = Split(clause, " ,\t\r\n");
    long leading = 0;
    return fields.empty() || !LeadingNumber(fields[0], leading) || leading == 0;
}

long UnitCodeOfClause(const std::string& clause) {
    const bool nonEarth = IsNonEarthClause(clause);
    const std::vector<std::string> fields = Split(clause, " ,\t\r\n");
    long projection = 0;
    if (!nonEarth && LeadingNumber(fields[0], projection) && projection == kLongitudeLatitude) return kDegreeUnit;
    const size_t index = nonEarth ? 1 : 2;
    long code = 0;
    if (fields.size() > index && LeadingNumber(fields[index], code)) return code;
    return nonEarth ? 7 : 0;
}

const char* UnitAbbreviation(long code) {
    static const char* const kNames[] = {"mi", "km", "in", "ft", "yd", "mm", "cm", "m", "survey ft"};
    return code >= 0 && code <= 8 ? kNames[code] : "degree";
}

std::vector<TileRect> TilesOfSize(long imageWidth, long imageHeight, long tileWidth, long tileHeight) {
    std::vector<TileRect> tiles;
    if (tileWidth < 1 || tileHeight < 1) return tiles;
    int column = 0;
    for (long x = 0; x < imageWidth; x += tileWidth, ++column)
        for (long y = 0; y < imageHeight; y += tileHeight)
            tiles.push_back({x, y, std::min(x + tileWidth, imageWidth), std::min(y + tileHeight, imageHeight), column});
    return tiles;
}

long long CountTilesOfSize(long imageWidth, long imageHeight, long tileWidth, long tileHeight) {
    if (imageWidth < 1 || imageHeight < 1 || tileWidth < 1 || tileHeight < 1) return 0;
    return ((imageWidth - 1LL) / tileWidth + 1) * ((imageHeight - 1LL) / tileHeight + 1);
}

std::vector<TileRect> TilesByCount(long imageWidth, long imageHeight, long across, long down) {
    std::vector<TileRect> tiles;
    if (across < 1 || down < 1 || across > imageWidth || down > imageHeight) return tiles;
    const long width = imageWidth / across, height = imageHeight / down;
    for (long i = 0; i < across; ++i)
        for (long j = 0; j < down; ++j)
            tiles.push_back({i * width, j * height, i * width + width, j * height + height, static_cast<int>(i)});
    return tiles;
}

SourceTable ReadSourceTable(FILE* file, const std::wstring& tableFolder) {
    SourceTable table;
    bool inCoordSys = false;
    UINT codePage = CP_ACP;
    char buffer[kMaxLine];
    while (std::fgets(buffer, sizeof buffer, file)) {
        const std::string line = buffer;
        const std::vector<std::string> pieces = Split(line, " \t\"\r\n");
        const std::string first = pieces.empty() ? std::string() : pieces[0];
        if (first == "!charset") {
            codePage = CodePageOfCharset(pieces);
        } else if (first == "File") {
            const std::wstring image = platform::ToWide(FileLineImage(line), codePage);
            table.imagePath = image.empty() || IsAbsolute(image) ? image : tableFolder + image;
            table.hasFile = true;
        } else if (first == "Type") {
            table.hasType = true;
            table.isRaster = pieces.size() > 1 && pieces[1] == "RASTER";
        } else if (inCoordSys || first == "CoordSys") {
            inCoordSys = true;
            table.coordSysText += line;
        } else if (TiePoint point; ReadTiePoint(line, point)) {
            table.controlPoints.push_back(point);
        }
    }
    return table;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, FileNameStart(path)); }

std::wstring BaseNameOf(const std::wstring& path) { return BaseName(path); }
std::string BaseNameOf(const std::string& path) { return BaseName(path); }

}  // namespace raster
