// Writes a .MAP file in one pass. Objects fill 512-byte object blocks in row order; the vertices
// of lines and regions go to a chain of coordinate blocks. Block offsets are handed out as blocks
// are started, so both kinds interleave. At the end come the spatial index over the object
// blocks, the tool blocks and the header (the first two blocks).
#include "ZmaVOMap2/mitab/MapFile.h"

#include <algorithm>
#include <cmath>

namespace mitab {
namespace {

constexpr int kObjectSpace = kBlockSize - kObjectBlockHeader;
constexpr int kCoordSpace = kBlockSize - kCoordBlockHeader;
constexpr int kToolSpace = kBlockSize - kToolBlockHeader;
constexpr int kMaxSectionVertices = 32767;

bool RingContains(const Part& ring, double x, double y) {
    bool inside = false;
    const size_t n = ring.x.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        if ((ring.y[i] > y) != (ring.y[j] > y) &&
            x < (ring.x[j] - ring.x[i]) * (y - ring.y[i]) / (ring.y[j] - ring.y[i]) + ring.x[i])
            inside = !inside;
    }
    return inside;
}

// Holes per ring: a ring inside the latest outer ring is one of its holes.
std::vector<int> HoleCounts(const std::vector<Part>& rings) {
    std::vector<int> holes(rings.size(), 0);
    size_t outer = 0;
    for (size_t i = 1; i < rings.size(); ++i) {
        if (!rings[i].x.empty() && RingContains(rings[outer], rings[i].x[0], rings[i].y[0]))
            ++holes[outer];
        else
            outer = i;
    }
    return holes;
}

}  // namespace

MapWriter::~MapWriter() {
    if (file_) std::fclose(file_);
}

bool MapWriter::Open(const std::wstring& path) {
    file_ = _wfopen(path.c_str(), L"wb");
    if (!file_) return Fail("cannot create the .MAP file");
    static std::uint8_t zero[kHeaderSize] = {};
    WriteBlock(0, zero, sizeof zero);  // the header is written again at the end
    return error_.empty();
}

bool MapWriter::Fail(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
}

void MapWriter::WriteBlock(std::uint32_t offset, const std::uint8_t* bytes, size_t size) {
    if (!file_ || !error_.empty()) return;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 || std::fwrite(bytes, 1, size, file_) != size)
        Fail("cannot write the .MAP file");
}

std::uint32_t MapWriter::AllocateBlock() {
    std::uint32_t offset = nextBlock_;
    nextBlock_ += kBlockSize;
    return offset;
}

std::uint8_t* MapWriter::BeginObject(int size, const IntBox& box, std::uint32_t& offset) {
    if (objectOffset_ == 0 || objectUsed_ + size > kObjectSpace) {
        FinishObjectBlock();
        objectOffset_ = AllocateBlock();
        objectUsed_ = 0;
        objectBox_ = IntBox();
        firstCoord_ = lastCoord_ = 0;
        std::memset(object_, 0, sizeof object_);
    }
    offset = objectOffset_ + kObjectBlockHeader + objectUsed_;
    std::uint8_t* at = object_ + kObjectBlockHeader + objectUsed_;
    objectUsed_ += size;
    objectBox_.Add(box);
    bounds_.Add(box);
    return at;
}

void MapWriter::FinishObjectBlock() {
    if (objectOffset_ == 0) return;
    PutI16(object_, kBlockObject);
    PutI16(object_ + 2, objectUsed_);
    PutI32(object_ + 4, static_cast<std::int32_t>((std::int64_t(objectBox_.xmin) + objectBox_.xmax) / 2));
    PutI32(object_ + 8, static_cast<std::int32_t>((std::int64_t(objectBox_.ymin) + objectBox_.ymax) / 2));
    PutI32(object_ + 12, static_cast<std::int32_t>(firstCoord_));
    PutI32(object_ + 16, static_cast<std::int32_t>(lastCoord_));
    WriteBlock(objectOffset_, object_, kBlockSize);
    objectBlocks_.push_back({objectBox_, objectOffset_});
    objectOffset_ = 0;
}

void MapWriter::FlushCoordBlock(std::uint32_t next) {
    PutI16(coord_, kBlockCoord);
    PutI16(coord_ + 2, coordUsed_);
    PutI32(coord_ + 4, static_cast<std::int32_t>(next));
    WriteBlock(coordOffset_, coord_, kBlockSize);
}

// Appends an object's coordinate data to the chain; answers the address of its first byte.
std::uint32_t MapWriter::WriteCoordData(const std::vector<std::uint8_t>& data) {
    auto startBlock = [this] {
        coordOffset_ = AllocateBlock();
        coordUsed_ = 0;
        std::memset(coord_, 0, sizeof coord_);
    };
    if (coordOffset_ == 0) startBlock();
    if (coordUsed_ == kCoordSpace) {
        std::uint32_t next = nextBlock_;
        FlushCoordBlock(next);
        startBlock();
    }
    const std::uint32_t address = coordOffset_ + kCoordBlockHeader + coordUsed_;
    if (firstCoord_ == 0) firstCoord_ = coordOffset_;
    size_t done = 0;
    while (done < data.size()) {
        if (coordUsed_ == kCoordSpace) {
            FlushCoordBlock(nextBlock_);
            startBlock();
        }
        size_t chunk = std::min(data.size() - done, size_t(kCoordSpace - coordUsed_));
        std::memcpy(coord_ + kCoordBlockHeader + coordUsed_, data.data() + done, chunk);
        coordUsed_ += static_cast<int>(chunk);
        done += chunk;
    }
    lastCoord_ = coordOffset_;
    maxCoordData_ = std::max<std::int32_t>(maxCoordData_, static_cast<std::int32_t>(data.size()));
    return address;
}

std::uint32_t MapWriter::WriteSymbolPoint(std::int32_t row, double x, double y, const SymbolDef& symbol) {
    const std::int32_t ix = grid_.ToIntX(x), iy = grid_.ToIntY(y);
    IntBox box;
    box.Add(ix, iy);
    std::uint32_t offset = 0;
    std::uint8_t* p = BeginObject(kSizeSymbol, box, offset);
    p[0] = kObjSymbol;
    PutI32(p + 1, row);
    PutI32(p + 5, ix);
    PutI32(p + 9, iy);
    p[13] = static_cast<std::uint8_t>(tools_.AddSymbol(symbol));
    ++points_;
    return error_.empty() ? offset : 0;
}

std::uint32_t MapWriter::WriteFontPoint(std::int32_t row, double x, double y, const FontPointStyle& style) {
    const std::int32_t ix = grid_.ToIntX(x), iy = grid_.ToIntY(y);
    IntBox box;
    box.Add(ix, iy);
    std::uint32_t offset = 0;
    std::uint8_t* p = BeginObject(kSizeFontSymbol, box, offset);
    double angle = std::fmod(style.angle, 360.0);
    if (angle < 0) angle += 360.0;
    int tenths = static_cast<int>(std::lround(angle * 10.0)) % 3600;
    p[0] = kObjFontSymbol;
    PutI32(p + 1, row);
    p[5] = static_cast<std::uint8_t>(style.number);
    p[6] = static_cast<std::uint8_t>(std::clamp(style.size, 1, 255));
    PutI16(p + 7, style.style);
    p[9] = static_cast<std::uint8_t>(style.rgb >> 16);
    p[10] = static_cast<std::uint8_t>(style.rgb >> 8);
    p[11] = static_cast<std::uint8_t>(style.rgb);
    p[12] = p[13] = p[14] = 0;  // second colour: unused
    PutI16(p + 15, tenths);
    PutI32(p + 17, ix);
    PutI32(p + 21, iy);
    p[25] = static_cast<std::uint8_t>(tools_.AddFont(style.font));
    ++points_;
    return error_.empty() ? offset : 0;
}

// Writes section headers and vertices of several parts; answers the data's address.
std::uint32_t MapWriter::WriteSections(const std::vector<Part>& parts, const std::vector<int>& holes, IntBox& box,
                                       std::int32_t& dataSize) {
    const size_t headers = parts.size() * kSectionHeaderSize;
    size_t vertices = 0;
    for (const Part& part : parts) vertices += part.x.size();
    std::vector<std::uint8_t> data(headers + vertices * 8);
    size_t vertexAt = headers;
    for (size_t i = 0; i < parts.size(); ++i) {
        IntBox section;
        std::uint8_t* h = &data[i * kSectionHeaderSize];
        PutI16(h, static_cast<int>(parts[i].x.size()));
        PutI16(h + 2, holes[i]);
        PutI32(h + 20, static_cast<std::int32_t>(vertexAt));
        for (size_t v = 0; v < parts[i].x.size(); ++v, vertexAt += 8) {
            const std::int32_t ix = grid_.ToIntX(parts[i].x[v]), iy = grid_.ToIntY(parts[i].y[v]);
            PutI32(&data[vertexAt], ix);
            PutI32(&data[vertexAt + 4], iy);
            section.Add(ix, iy);
        }
        PutI32(h + 4, section.xmin);
        PutI32(h + 8, section.ymin);
        PutI32(h + 12, section.xmax);
        PutI32(h + 16, section.ymax);
        box.Add(section);
    }
    dataSize = static_cast<std::int32_t>(data.size());
    return WriteCoordData(data);
}

std::uint32_t MapWriter::WritePolyline(std::int32_t row, const std::vector<Part>& parts, const PenDef& pen) {
    for (const Part& part : parts)
        if (part.x.size() < 2 || (parts.size() > 1 && part.x.size() > size_t(kMaxSectionVertices)))
            return Fail("a polyline part needs 2 to 32767 vertices"), 0;
    const bool multi = parts.size() > 1;
    const int size = multi ? kSizeMultiPline : kSizePline;
    // The object goes into its block first, so that the block records the coordinate blocks it uses.
    std::uint32_t offset = 0;
    IntBox box;
    for (const Part& part : parts)
        for (size_t v = 0; v < part.x.size(); ++v) box.Add(grid_.ToIntX(part.x[v]), grid_.ToIntY(part.y[v]));
    std::uint8_t* p = BeginObject(size, box, offset);
    std::uint32_t address;
    std::int32_t dataSize;
    if (multi) {
        IntBox unused;
        address = WriteSections(parts, std::vector<int>(parts.size(), 0), unused, dataSize);
    } else {
        std::vector<std::uint8_t> data(parts[0].x.size() * 8);
        for (size_t v = 0; v < parts[0].x.size(); ++v) {
            PutI32(&data[v * 8], grid_.ToIntX(parts[0].x[v]));
            PutI32(&data[v * 8 + 4], grid_.ToIntY(parts[0].y[v]));
        }
        dataSize = static_cast<std::int32_t>(data.size());
        address = WriteCoordData(data);
    }
    // The label point: the middle vertex of the first part, which lies on the line.
    const Part& first = parts[0];
    const size_t mid = first.x.size() / 2;
    int at = 1;
    p[0] = static_cast<std::uint8_t>(multi ? kObjMultiPline : kObjPline);
    PutI32(p + at, row), at += 4;
    PutI32(p + at, static_cast<std::int32_t>(address)), at += 4;
    PutI32(p + at, dataSize), at += 4;
    if (multi) PutI16(p + at, static_cast<int>(parts.size())), at += 2;
    PutI32(p + at, grid_.ToIntX(first.x[mid])), at += 4;
    PutI32(p + at, grid_.ToIntY(first.y[mid])), at += 4;
    PutI32(p + at, box.xmin), PutI32(p + at + 4, box.ymin), PutI32(p + at + 8, box.xmax), PutI32(p + at + 12, box.ymax);
    at += 16;
    p[at] = static_cast<std::uint8_t>(tools_.AddPen(pen));
    ++lines_;
    return error_.empty() ? offset : 0;
}

std::uint32_t MapWriter::WriteRegion(std::int32_t row, const std::vector<Part>& rings, const PenDef& pen,
                                     const BrushDef& brush) {
    std::vector<Part> closed = rings;
    for (Part& ring : closed) {
        if (ring.x.size() < 3) return Fail("a region ring needs at least 3 vertices"), 0;
        if (ring.x.front() != ring.x.back() || ring.y.front() != ring.y.back()) {
            ring.x.push_back(ring.x.front());
            ring.y.push_back(ring.y.front());
        }
        if (ring.x.size() > size_t(kMaxSectionVertices)) return Fail("a region ring holds at most 32767 vertices"), 0;
    }
    IntBox box;
    for (const Part& ring : closed)
        for (size_t v = 0; v < ring.x.size(); ++v) box.Add(grid_.ToIntX(ring.x[v]), grid_.ToIntY(ring.y[v]));
    std::uint32_t offset = 0;
    std::uint8_t* p = BeginObject(kSizeRegion, box, offset);
    std::int32_t dataSize;
    IntBox unused;
    const std::uint32_t address = WriteSections(closed, HoleCounts(closed), unused, dataSize);
    p[0] = kObjRegion;
    PutI32(p + 1, row);
    PutI32(p + 5, static_cast<std::int32_t>(address));
    PutI32(p + 9, dataSize);
    PutI16(p + 13, static_cast<int>(closed.size()));
    PutI32(p + 15, static_cast<std::int32_t>((std::int64_t(box.xmin) + box.xmax) / 2));
    PutI32(p + 19, static_cast<std::int32_t>((std::int64_t(box.ymin) + box.ymax) / 2));
    PutI32(p + 23, box.xmin), PutI32(p + 27, box.ymin), PutI32(p + 31, box.xmax), PutI32(p + 35, box.ymax);
    p[39] = static_cast<std::uint8_t>(tools_.AddPen(pen));
    p[40] = static_cast<std::uint8_t>(tools_.AddBrush(brush));
    ++regions_;
    return error_.empty() ? offset : 0;
}

// An R-tree over the object blocks, built bottom-up in write order, 25 entries per index block.
std::uint32_t MapWriter::WriteIndex(int& depth) {
    depth = 0;
    if (objectBlocks_.empty()) return 0;
    // Writes the index blocks over one level's entries and answers their own entries.
    auto writeLevel = [this](const auto& level) {
        std::vector<IndexEntry> parents;
        for (size_t start = 0; start < level.size(); start += kIndexEntriesPerBlock) {
            const size_t count = std::min(level.size() - start, size_t(kIndexEntriesPerBlock));
            std::uint8_t block[kBlockSize] = {};
            PutI16(block, kBlockIndex);
            PutI16(block + 2, static_cast<int>(count));
            IndexEntry parent{IntBox(), AllocateBlock()};
            for (size_t i = 0; i < count; ++i) {
                const IndexEntry& e = level[start + i];
                std::uint8_t* p = block + kIndexBlockHeader + i * kIndexEntrySize;
                PutI32(p, e.box.xmin), PutI32(p + 4, e.box.ymin), PutI32(p + 8, e.box.xmax), PutI32(p + 12, e.box.ymax);
                PutI32(p + 16, static_cast<std::int32_t>(e.block));
                parent.box.Add(e.box);
            }
            WriteBlock(parent.block, block, kBlockSize);
            parents.push_back(parent);
        }
        return parents;
    };
    // The leaves are read where they were collected, and let go of once written.
    std::vector<IndexEntry> level = writeLevel(objectBlocks_);
    std::deque<IndexEntry>().swap(objectBlocks_);
    depth = 1;
    while (level.size() > 1) {
        level = writeLevel(level);
        ++depth;
    }
    ++depth;  // the object blocks are the tree's last level
    return level[0].block;
}

std::uint32_t MapWriter::WriteTools(int& blocks) {
    blocks = 0;
    const auto defs = tools_.Serialise();
    if (defs.empty()) return 0;
    std::uint8_t block[kBlockSize] = {};
    const std::uint32_t first = AllocateBlock();
    std::uint32_t current = first;
    int used = 0;
    auto flush = [&](std::uint32_t next) {
        PutI16(block, kBlockTool);
        PutI16(block + 2, used);
        PutI32(block + 4, static_cast<std::int32_t>(next));
        WriteBlock(current, block, kBlockSize);
        ++blocks;
    };
    for (const auto& def : defs) {
        if (used + int(def.size()) > kToolSpace) {
            const std::uint32_t next = AllocateBlock();
            flush(next);
            current = next;
            used = 0;
            std::memset(block, 0, sizeof block);
        }
        std::memcpy(block + kToolBlockHeader + used, def.data(), def.size());
        used += static_cast<int>(def.size());
    }
    flush(0);
    return first;
}

void MapWriter::WriteHeader(std::uint32_t index, int depth, std::uint32_t tools, int toolBlocks) {
    std::uint8_t h[kHeaderSize] = {};
    // Sizes of the object kinds we write; a reader steps through a block with them. The top bit
    // marks objects whose vertices sit in coordinate blocks.
    h[kObjSymbol] = kSizeSymbol;
    h[kObjFontSymbol] = kSizeFontSymbol;
    h[kObjPline] = 0x80 | kSizePline;
    h[kObjMultiPline] = 0x80 | kSizeMultiPline;
    h[kObjRegion] = 0x80 | kSizeRegion;
    PutI32(h + 0x100, kHeaderMagic);
    PutI16(h + 0x104, 500);
    PutI16(h + 0x106, kBlockSize);
    PutF64(h + 0x108, 1.0);
    IntBox b = bounds_.Empty() ? IntBox{0, 0, 0, 0} : bounds_;
    PutI32(h + 0x110, b.xmin), PutI32(h + 0x114, b.ymin), PutI32(h + 0x118, b.xmax), PutI32(h + 0x11C, b.ymax);
    PutI32(h + 0x130, static_cast<std::int32_t>(index));
    PutI32(h + 0x134, 0);  // no free blocks
    PutI32(h + 0x138, static_cast<std::int32_t>(tools));
    PutI32(h + 0x13C, points_);
    PutI32(h + 0x140, lines_);
    PutI32(h + 0x144, regions_);
    PutI32(h + 0x148, 0);  // texts
    PutI32(h + 0x14C, std::max(maxCoordData_, std::int32_t(kBlockSize)));
    h[0x15E] = 7;  // distance units: metres
    h[0x15F] = static_cast<std::uint8_t>(depth);
    h[0x160] = 3;
    h[0x161] = 1;  // origin quadrant: x east, y north
    h[0x162] = 0;
    h[0x163] = 0x39;  // last object code the size table above covers
    h[0x164] = static_cast<std::uint8_t>(tools_.PenCount());
    h[0x165] = static_cast<std::uint8_t>(tools_.BrushCount());
    h[0x166] = static_cast<std::uint8_t>(tools_.SymbolCount());
    h[0x167] = static_cast<std::uint8_t>(tools_.FontCount());
    PutI16(h + 0x168, toolBlocks);
    PutI16(h + 0x16A, system_.datum);
    h[0x16D] = 1;  // longitude/latitude
    h[0x16E] = static_cast<std::uint8_t>(system_.ellipsoid);
    h[0x16F] = 13;  // degrees
    PutF64(h + 0x170, grid_.xscale);
    PutF64(h + 0x178, grid_.yscale);
    PutF64(h + 0x180, grid_.xdispl);
    PutF64(h + 0x188, grid_.ydispl);
    WriteBlock(0, h, sizeof h);
}

bool MapWriter::Close() {
    if (!file_) return false;
    FinishObjectBlock();
    if (coordOffset_) FlushCoordBlock(0);
    int depth = 0, toolBlocks = 0;
    const std::uint32_t index = WriteIndex(depth);
    const std::uint32_t tools = WriteTools(toolBlocks);
    WriteHeader(index, depth, tools, toolBlocks);
    if (std::fclose(file_) != 0) Fail("cannot write the .MAP file");
    file_ = nullptr;
    return error_.empty();
}

}  // namespace mitab
