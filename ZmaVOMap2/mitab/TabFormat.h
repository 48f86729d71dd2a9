// Shared pieces of the native table format: little-endian fields, object codes, block layout,
// the integer coordinate grid and the drawing tools (pens, brushes, symbols, fonts).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mitab {

// --- Little-endian fields ---------------------------------------------------------------------

inline void PutU8(std::uint8_t* p, unsigned v) { p[0] = static_cast<std::uint8_t>(v); }
inline void PutI16(std::uint8_t* p, int v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutI32(std::uint8_t* p, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}
inline void PutF64(std::uint8_t* p, double v) { std::memcpy(p, &v, 8); }  // i686 is little-endian
inline int GetI16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | p[1] << 8); }
inline std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}
inline double GetF64(const std::uint8_t* p) {
    double v;
    std::memcpy(&v, p, 8);
    return v;
}

// Whether `length` bytes from `offset` lie within `size` bytes. Offsets and lengths come from
// files and may be anything up to 2^32: `offset + length` would wrap round to a small number in a
// 32-bit sum, so the length is compared with what is left after the offset.
inline bool Within(size_t offset, size_t length, size_t size) { return offset <= size && length <= size - offset; }

// --- The .MAP file ------------------------------------------------------------------------------

constexpr int kBlockSize = 512;
constexpr int kHeaderSize = 1024;  // the header takes two blocks from version 500 on
constexpr int kObjectBlockHeader = 20, kCoordBlockHeader = 8, kToolBlockHeader = 8, kIndexBlockHeader = 4;
constexpr int kIndexEntrySize = 20, kIndexEntriesPerBlock = 25;
constexpr int kBlockIndex = 1, kBlockObject = 2, kBlockCoord = 3, kBlockTool = 5;
constexpr std::int32_t kHeaderMagic = 42424242;
constexpr std::int32_t kMaxIntCoord = 1000000000;

// Object codes; the compressed form (16-bit offsets from a centre) is the code before each.
enum ObjectCode : int {
    kObjSymbolC = 0x01, kObjSymbol = 0x02,
    kObjLineC = 0x04, kObjLine = 0x05,
    kObjPlineC = 0x07, kObjPline = 0x08,
    kObjRegionC = 0x0d, kObjRegion = 0x0e,
    kObjMultiPlineC = 0x25, kObjMultiPline = 0x26,
    kObjFontSymbolC = 0x28, kObjFontSymbol = 0x29,
    kObjCustomSymbolC = 0x2b, kObjCustomSymbol = 0x2c,
    kObjRegion450C = 0x2e, kObjRegion450 = 0x2f,
    kObjMultiPline450C = 0x31, kObjMultiPline450 = 0x32,
};

// Sizes in the object block of the objects we write (type byte and row id included).
constexpr int kSizeSymbol = 1 + 4 + 8 + 1;
constexpr int kSizeFontSymbol = 1 + 4 + 1 + 1 + 2 + 3 + 3 + 2 + 8 + 1;
constexpr int kSizePline = 1 + 4 + 4 + 4 + 8 + 16 + 1;
constexpr int kSizeMultiPline = kSizePline + 2;
constexpr int kSizeRegion = kSizePline + 2 + 1;
constexpr int kSectionHeaderSize = 2 + 2 + 16 + 4;  // vertices, holes, bounds, data offset

struct IntBox {
    std::int32_t xmin = kMaxIntCoord, ymin = kMaxIntCoord, xmax = -kMaxIntCoord, ymax = -kMaxIntCoord;
    void Add(std::int32_t x, std::int32_t y) {
        if (x < xmin) xmin = x;
        if (x > xmax) xmax = x;
        if (y < ymin) ymin = y;
        if (y > ymax) ymax = y;
    }
    void Add(const IntBox& b) {
        Add(b.xmin, b.ymin);
        Add(b.xmax, b.ymax);
    }
    bool Empty() const { return xmin > xmax; }
};

// Degrees to the file's integer grid and back (origin quadrant 1: x grows east, y north).
struct CoordGrid {
    double xscale = 1e6, yscale = 1e6, xdispl = 0, ydispl = 0;
    static CoordGrid ForBounds(double xmin, double ymin, double xmax, double ymax) {
        CoordGrid g;
        g.xscale = 2.0 * kMaxIntCoord / (xmax - xmin);
        g.yscale = 2.0 * kMaxIntCoord / (ymax - ymin);
        g.xdispl = -xmin * g.xscale - kMaxIntCoord;
        g.ydispl = -ymin * g.yscale - kMaxIntCoord;
        return g;
    }
    static std::int32_t Clamp(double v) {
        if (v < -kMaxIntCoord) return -kMaxIntCoord;
        if (v > kMaxIntCoord) return kMaxIntCoord;
        return static_cast<std::int32_t>(v < 0 ? v - 0.5 : v + 0.5);
    }
    std::int32_t ToIntX(double x) const { return Clamp(x * xscale + xdispl); }
    std::int32_t ToIntY(double y) const { return Clamp(y * yscale + ydispl); }
    double ToX(std::int32_t x) const { return (x - xdispl) / xscale; }
    double ToY(std::int32_t y) const { return (y - ydispl) / yscale; }
};

// --- Drawing tools --------------------------------------------------------------------------------

// Colours inside the library are 0x00RRGGBB, the order of the file's three colour bytes.
inline std::uint32_t RgbFromColorRef(int colorRef) {
    auto c = static_cast<std::uint32_t>(colorRef);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}
inline int ColorRefFromRgb(std::uint32_t rgb) {
    return static_cast<int>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF));
}

struct PenDef {
    int width = 1, pattern = 2;
    std::uint32_t rgb = 0;
    bool operator==(const PenDef& o) const { return width == o.width && pattern == o.pattern && rgb == o.rgb; }
};
struct BrushDef {
    int pattern = 1, transparent = 0;
    std::uint32_t fg = 0xFFFFFF, bg = 0xFFFFFF;
    bool operator==(const BrushDef& o) const {
        return pattern == o.pattern && transparent == o.transparent && fg == o.fg && bg == o.bg;
    }
};
struct SymbolDef {
    int number = 35, size = 12;
    std::uint32_t rgb = 0;
    bool operator==(const SymbolDef& o) const { return number == o.number && size == o.size && rgb == o.rgb; }
};

// The tool tables of a .MAP file: 1-based indexes, 0 meaning none.
class ToolTable {
public:
    int AddPen(const PenDef& pen);
    int AddBrush(const BrushDef& brush);
    int AddSymbol(const SymbolDef& symbol);
    int AddFont(const std::string& name);  // "" is font 0

    const PenDef* Pen(int index) const { return index > 0 && index <= int(pens_.size()) ? &pens_[index - 1].def : nullptr; }
    const BrushDef* Brush(int index) const {
        return index > 0 && index <= int(brushes_.size()) ? &brushes_[index - 1].def : nullptr;
    }
    const SymbolDef* Symbol(int index) const {
        return index > 0 && index <= int(symbols_.size()) ? &symbols_[index - 1].def : nullptr;
    }
    std::string Font(int index) const { return index > 0 && index <= int(fonts_.size()) ? fonts_[index - 1].def : ""; }

    int PenCount() const { return int(pens_.size()); }
    int BrushCount() const { return int(brushes_.size()); }
    int SymbolCount() const { return int(symbols_.size()); }
    int FontCount() const { return int(fonts_.size()); }

    // The definitions as the tool blocks hold them, one after another.
    std::vector<std::vector<std::uint8_t>> Serialise() const;
    // Reads one definition at `p` (at most `left` bytes); answers its size, 0 at an unknown kind.
    int ParseOne(const std::uint8_t* p, int left);

private:
    template <class Def>
    struct Entry {
        Def def;
        std::int32_t uses;
    };
    std::vector<Entry<PenDef>> pens_;
    std::vector<Entry<BrushDef>> brushes_;
    std::vector<Entry<SymbolDef>> symbols_;
    std::vector<Entry<std::string>> fonts_;
};

}  // namespace mitab
