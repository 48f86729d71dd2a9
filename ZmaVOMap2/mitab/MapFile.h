// The .MAP object file: writing objects as rows come (object blocks, coordinate blocks), and at the
// end the spatial index, the tool blocks and the header; reading the object of one row.
#pragma once

#include "ZmaVOMap2/mitab/TabFormat.h"

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace mitab {

struct Part {
    std::vector<double> x, y;
};

struct FontPointStyle {
    int number = 36, size = 12, style = 0;
    std::uint32_t rgb = 0;
    double angle = 0;  // degrees counter-clockwise
    std::string font;
};

// The coordinate system the header records: longitude/latitude on a datum.
struct EarthSystem {
    int datum = 104, ellipsoid = 28;
};

class MapWriter {
public:
    MapWriter(const CoordGrid& grid, const EarthSystem& system) : grid_(grid), system_(system) {}
    ~MapWriter();
    MapWriter(const MapWriter&) = delete;
    MapWriter& operator=(const MapWriter&) = delete;

    bool Open(const std::wstring& path);
    // Each answers the object's offset in the file (for the .ID file), 0 on failure.
    std::uint32_t WriteSymbolPoint(std::int32_t row, double x, double y, const SymbolDef& symbol);
    std::uint32_t WriteFontPoint(std::int32_t row, double x, double y, const FontPointStyle& style);
    std::uint32_t WritePolyline(std::int32_t row, const std::vector<Part>& parts, const PenDef& pen);
    std::uint32_t WriteRegion(std::int32_t row, const std::vector<Part>& rings, const PenDef& pen, const BrushDef& brush);
    // Writes the index, the tools and the header, and closes the file.
    bool Close();
    const std::string& Error() const { return error_; }

private:
    struct IndexEntry {
        IntBox box;
        std::uint32_t block;
    };
    std::uint32_t AllocateBlock();
    std::uint8_t* BeginObject(int size, const IntBox& box, std::uint32_t& offset);
    void FinishObjectBlock();
    std::uint32_t WriteCoordData(const std::vector<std::uint8_t>& data);
    void FlushCoordBlock(std::uint32_t next);
    void WriteBlock(std::uint32_t offset, const std::uint8_t* bytes, size_t size);
    std::uint32_t WriteSections(const std::vector<Part>& parts, const std::vector<int>& holes, IntBox& box,
                                std::int32_t& dataSize);
    std::uint32_t WriteIndex(int& depth);
    std::uint32_t WriteTools(int& blocks);
    void WriteHeader(std::uint32_t index, int depth, std::uint32_t tools, int toolBlocks);
    bool Fail(const char* what);

    CoordGrid grid_;
    EarthSystem system_;
    std::FILE* file_ = nullptr;
    std::string error_;
    std::uint32_t nextBlock_ = kHeaderSize;

    std::uint8_t object_[kBlockSize] = {};
    std::uint32_t objectOffset_ = 0;
    int objectUsed_ = 0;
    IntBox objectBox_;
    std::uint32_t firstCoord_ = 0, lastCoord_ = 0;

    std::uint8_t coord_[kBlockSize] = {};
    std::uint32_t coordOffset_ = 0;
    int coordUsed_ = 0;

    // One entry per object block (20 bytes per 18 font points), for the spatial index that Close
    // writes: the only thing a table being written holds that grows with its rows. A deque grows
    // without copying what it holds, so it never needs room for the entries twice.
    std::deque<IndexEntry> objectBlocks_;
    ToolTable tools_;
    IntBox bounds_;
    std::int32_t points_ = 0, lines_ = 0, regions_ = 0, maxCoordData_ = 0;
};

// One row's object as read back.
struct MapObject {
    int kind = 0;  // TABFC_ value
    std::vector<Part> parts;
    SymbolDef symbol;
    PenDef pen;
    BrushDef brush;
    FontPointStyle font;
};

class MapReader {
public:
    bool Open(const std::string& path);
    // Reads the object at `offset` that must belong to row `row`.
    bool Read(std::uint32_t offset, std::int32_t row, MapObject& object) const;

private:
    void ToDegrees(std::int32_t ix, std::int32_t iy, double& x, double& y) const;
    bool Has(size_t at, size_t size) const { return Within(at, size, bytes_.size()); }
    bool ReadCoords(std::uint32_t address, bool compressed, std::int32_t orgX, std::int32_t orgY, int sections,
                    int version, std::int32_t dataSize, std::vector<Part>& parts) const;

    std::vector<std::uint8_t> bytes_;
    CoordGrid grid_;
    int quadrant_ = 1;
    ToolTable tools_;
};

}  // namespace mitab
