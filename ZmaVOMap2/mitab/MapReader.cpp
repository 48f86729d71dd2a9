// Reads the object of one row from a .MAP file held in memory: the header's grid and tools, then
// the object record at the offset the .ID file gives, and its vertices from the coordinate blocks.
// Both the plain and the compressed forms (16-bit offsets from a centre) are read.
#include "ZmaVOMap2/mitab/MapFile.h"
#include "ZmaVOMap2/mitab/mitab.h"

namespace mitab {
namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    std::uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

bool IsCompressed(int code) {
    switch (code) {
        case kObjSymbolC: case kObjLineC: case kObjPlineC: case kObjRegionC: case kObjMultiPlineC:
        case kObjFontSymbolC: case kObjCustomSymbolC: case kObjRegion450C: case kObjMultiPline450C:
            return true;
        default:
            return false;
    }
}

// Walks the byte stream of a chain of coordinate blocks. Only the used bytes of blocks that lie
// wholly in the file are read: a chain that leads elsewhere ends the stream as failed.
class CoordStream {
public:
    CoordStream(const std::vector<std::uint8_t>& bytes, std::uint32_t address) : bytes_(bytes), at_(address) {
        Enter(address - address % kBlockSize);
    }
    bool Ok() const { return ok_; }
    int Byte() {
        if (!ok_) return 0;
        if (at_ >= end_) {
            const std::uint32_t next = static_cast<std::uint32_t>(GetI32(&bytes_[block_ + 4]));
            if (next == 0 || !Enter(next)) return ok_ = false, 0;
            at_ = size_t(next) + kCoordBlockHeader;
            if (at_ >= end_) return ok_ = false, 0;  // a block that uses none of its bytes
        }
        return bytes_[at_++];
    }
    int I16() {
        int lo = Byte(), hi = Byte();
        return static_cast<std::int16_t>(lo | hi << 8);
    }
    std::int32_t I32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return static_cast<std::int32_t>(v);
    }

private:
    bool Enter(std::uint32_t block) {
        if (!Within(block, kBlockSize, bytes_.size()) || GetI16(&bytes_[block]) != kBlockCoord) return ok_ = false;
        // The used length is the block's to hold: more would read the next block, or past the file.
        const int used = GetI16(&bytes_[block + 2]);
        if (used < 0 || used > kBlockSize - kCoordBlockHeader) return ok_ = false;
        block_ = block;
        end_ = size_t(block) + kCoordBlockHeader + size_t(used);
        return true;
    }
    const std::vector<std::uint8_t>& bytes_;
    size_t at_, block_ = 0, end_ = 0;
    bool ok_ = true;
};

}  // namespace

bool MapReader::Open(const std::string& path) {
    if (!ReadFile(path, bytes_) || bytes_.size() < kBlockSize) return false;
    const std::uint8_t* h = bytes_.data();
    if (GetI32(h + 0x100) != kHeaderMagic) return false;
    const int version = GetI16(h + 0x104);
    quadrant_ = h[0x161];
    if (version <= 100) {
        double scale = 1;
        for (int i = 0; i < h[0x160]; ++i) scale *= 10;
        grid_.xscale = grid_.yscale = scale;
        grid_.xdispl = grid_.ydispl = 0;
    } else {
        grid_.xscale = GetF64(h + 0x170);
        grid_.yscale = GetF64(h + 0x178);
        grid_.xdispl = GetF64(h + 0x180);
        grid_.ydispl = GetF64(h + 0x188);
    }
    if (grid_.xscale == 0 || grid_.yscale == 0) return false;
    // The tools: a chain of tool blocks.
    std::uint32_t block = static_cast<std::uint32_t>(GetI32(h + 0x138));
    for (int guard = 0; block != 0 && guard < 1000; ++guard) {
        if (!Has(block, kBlockSize) || GetI16(&bytes_[block]) != kBlockTool) break;
        const int used = GetI16(&bytes_[block + 2]);
        if (used < 0 || used > kBlockSize - kToolBlockHeader) return false;  // past its block
        int at = 0;
        while (at < used) {
            int size = tools_.ParseOne(&bytes_[block + kToolBlockHeader + at], used - at);
            if (size == 0) break;
            at += size;
        }
        block = static_cast<std::uint32_t>(GetI32(&bytes_[block + 4]));
    }
    return true;
}

// The origin quadrant turns the axes: in quadrants 2 and 3 x grows west, in 3 and 4 y grows south
// (quadrant 0 of old files is quadrant 3).
void MapReader::ToDegrees(std::int32_t ix, std::int32_t iy, double& x, double& y) const {
    x = (quadrant_ == 2 || quadrant_ == 3 || quadrant_ == 0) ? -(ix + grid_.xdispl) / grid_.xscale : grid_.ToX(ix);
    y = (quadrant_ == 3 || quadrant_ == 4 || quadrant_ == 0) ? -(iy + grid_.ydispl) / grid_.yscale : grid_.ToY(iy);
}

bool MapReader::ReadCoords(std::uint32_t address, bool compressed, std::int32_t orgX, std::int32_t orgY,
                           int sections, int version, std::int32_t dataSize, std::vector<Part>& parts) const {
    // No size or count read from the object may claim more bytes than the file holds before
    // anything is sized from it. The whole file, not what follows `address`: a chain of
    // coordinate blocks may go on in a block before the first, where an edited table reused one.
    if (!Has(address, 1) || size_t(dataSize) > bytes_.size()) return false;
    const size_t fileBytes = bytes_.size();
    CoordStream in(bytes_, address);
    auto vertex = [&](double& x, double& y) {
        std::int32_t ix, iy;
        if (compressed) {
            ix = orgX + in.I16();
            iy = orgY + in.I16();
        } else {
            ix = in.I32();
            iy = in.I32();
        }
        ToDegrees(ix, iy, x, y);
    };
    const int vertexSize = compressed ? 4 : 8;
    if (sections == 0) {  // a single polyline: only vertices
        const int count = dataSize / vertexSize;
        parts.resize(1);
        parts[0].x.resize(count);
        parts[0].y.resize(count);
        for (int v = 0; v < count; ++v) vertex(parts[0].x[v], parts[0].y[v]);
        return in.Ok();
    }
    // Section headers, then the vertices of all sections together.
    const size_t sectionHeader = (version >= 450 ? 4 : 2) + 2 + 4 * (compressed ? 2 : 4) + 4;
    if (sections < 0 || size_t(sections) > fileBytes / sectionHeader) return false;
    size_t room = (fileBytes - size_t(sections) * sectionHeader) / vertexSize;  // vertices the file can hold
    std::vector<int> counts(sections);
    for (int s = 0; s < sections; ++s) {
        counts[s] = version >= 450 ? in.I32() : in.I16();
        in.I16();  // holes
        for (int i = 0; i < 4; ++i) {  // bounds
            if (compressed)
                in.I16();
            else
                in.I32();
        }
        in.I32();  // data offset: the vertices follow the headers in order
        if (counts[s] < 0 || counts[s] > dataSize || size_t(counts[s]) > room) return false;
        room -= size_t(counts[s]);
    }
    parts.resize(sections);
    for (int s = 0; s < sections; ++s) {
        parts[s].x.resize(counts[s]);
        parts[s].y.resize(counts[s]);
        for (int v = 0; v < counts[s]; ++v) vertex(parts[s].x[v], parts[s].y[v]);
    }
    return in.Ok();
}

bool MapReader::Read(std::uint32_t offset, std::int32_t row, MapObject& object) const {
    object = MapObject();
    // An object follows its block's header, which holds the centre of compressed coordinates.
    if (offset < kBlockSize || offset % kBlockSize < kObjectBlockHeader || !Has(offset, 5)) return false;
    const std::uint8_t* p = &bytes_[offset];
    const std::uint8_t* block = &bytes_[offset - offset % kBlockSize];
    const int code = p[0];
    if ((GetI32(p + 1) & 0x3FFFFFFF) != row) return false;
    const bool compressed = IsCompressed(code);
    const std::int32_t centerX = GetI32(block + 4), centerY = GetI32(block + 8);
    size_t at = 5;
    auto need = [&](size_t size) { return Has(offset + at, size); };
    auto intCoord = [&](std::int32_t& x, std::int32_t& y) {
        if (compressed) {
            x = centerX + GetI16(p + at), y = centerY + GetI16(p + at + 2), at += 4;
        } else {
            x = GetI32(p + at), y = GetI32(p + at + 4), at += 8;
        }
    };
    auto onePoint = [&](std::int32_t ix, std::int32_t iy) {
        Part part;
        part.x.resize(1);
        part.y.resize(1);
        ToDegrees(ix, iy, part.x[0], part.y[0]);
        object.parts.push_back(part);
    };
    std::int32_t x, y;
    switch (code) {
        case kObjSymbol: case kObjSymbolC:
            if (!need(10)) return false;
            intCoord(x, y);
            onePoint(x, y);
            if (const SymbolDef* s = tools_.Symbol(p[at])) object.symbol = *s;
            object.kind = TABFC_Point;
            return true;
        case kObjCustomSymbol: case kObjCustomSymbolC:
            if (!need(12)) return false;
            at += 2;
            intCoord(x, y);
            onePoint(x, y);
            if (const SymbolDef* s = tools_.Symbol(p[at])) object.symbol = *s;
            object.kind = TABFC_Point;
            return true;
        case kObjFontSymbol: case kObjFontSymbolC: {
            if (!need(21)) return false;
            object.font.number = p[5];
            object.font.size = p[6];
            object.font.style = GetI16(p + 7);
            object.font.rgb = std::uint32_t(p[9]) << 16 | std::uint32_t(p[10]) << 8 | p[11];
            object.font.angle = GetI16(p + 15) / 10.0;
            at = 17;
            intCoord(x, y);
            onePoint(x, y);
            object.font.font = tools_.Font(p[at]);
            object.symbol = SymbolDef{object.font.number, object.font.size, object.font.rgb};
            object.kind = TABFC_FontPoint;
            return true;
        }
        case kObjLine: case kObjLineC: {
            if (!need(17)) return false;
            std::int32_t x2, y2;
            intCoord(x, y);
            intCoord(x2, y2);
            onePoint(x, y);
            Part& part = object.parts[0];
            part.x.resize(2);
            part.y.resize(2);
            ToDegrees(x2, y2, part.x[1], part.y[1]);
            if (const PenDef* pen = tools_.Pen(p[at])) object.pen = *pen;
            object.kind = TABFC_Polyline;
            return true;
        }
        case kObjPline: case kObjPlineC: case kObjMultiPline: case kObjMultiPlineC: case kObjMultiPline450:
        case kObjMultiPline450C: case kObjRegion: case kObjRegionC: case kObjRegion450: case kObjRegion450C: {
            if (!need(40)) return false;
            const bool single = code == kObjPline || code == kObjPlineC;
            const bool region = code == kObjRegion || code == kObjRegionC || code == kObjRegion450 || code == kObjRegion450C;
            const int version = (code >= kObjRegion450C) ? 450 : 300;
            const std::uint32_t address = static_cast<std::uint32_t>(GetI32(p + 5));
            const std::int32_t dataSize = GetI32(p + 9) & 0x7FFFFFFF;  // the top bit marks a smoothed line
            at = 13;
            int sections = 0;
            if (!single) sections = GetI16(p + at), at += 2;
            std::int32_t orgX = 0, orgY = 0;
            if (compressed) {
                at += 4;  // label point
                orgX = GetI32(p + at), orgY = GetI32(p + at + 4), at += 8;
                at += 8;  // bounds
            } else {
                at += 8 + 16;  // label point, bounds
            }
            if (const PenDef* pen = tools_.Pen(p[at])) object.pen = *pen;
            if (region)
                if (const BrushDef* brush = tools_.Brush(p[at + 1])) object.brush = *brush;
            if (!ReadCoords(address, compressed, orgX, orgY, single ? 0 : sections, version, dataSize, object.parts))
                return false;
            object.kind = region ? TABFC_Region : TABFC_Polyline;
            return true;
        }
        default:
            object.kind = TABFC_NoGeom;  // texts, arcs, rectangles and the like: not drawn here
            return true;
    }
}

}  // namespace mitab
