// Pens, brushes, symbols and fonts of a .MAP file. Objects refer to them by a one-byte index, so a
// table holds at most 255 of each; further styles take the closest colour already defined.
#include "ZmaVOMap2/mitab/TabFormat.h"

#include <cstdlib>

namespace mitab {
namespace {

constexpr int kMaxTools = 255;
constexpr int kToolPen = 1, kToolBrush = 2, kToolFont = 3, kToolSymbol = 4;
constexpr int kFontNameBytes = 32;

int ColorDistance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) d += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
    return d;
}

template <class Entries, class Def, class Same, class Distance>
int AddTool(Entries& entries, const Def& def, Same same, Distance distance) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].def == def) {
            ++entries[i].uses;
            return int(i) + 1;
        }
    if (entries.size() < size_t(kMaxTools)) {
        entries.push_back({def, 1});
        return int(entries.size());
    }
    // Full: the nearest definition of the same shape, else the nearest at all.
    int best = 0, bestScore = 0x7FFFFFFF;
    for (size_t i = 0; i < entries.size(); ++i) {
        int score = distance(entries[i].def, def) + (same(entries[i].def, def) ? 0 : 0x1000000);
        if (score < bestScore) bestScore = score, best = int(i);
    }
    ++entries[best].uses;
    return best + 1;
}

void PutRgb(std::uint8_t* p, std::uint32_t rgb) {
    p[0] = static_cast<std::uint8_t>(rgb >> 16);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb);
}
std::uint32_t GetRgb(const std::uint8_t* p) { return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]; }

}  // namespace

int ToolTable::AddPen(const PenDef& pen) {
    if (pen.pattern < 1) return 0;  // pattern 0 is "no pen"
    return AddTool(
        pens_, pen, [](const PenDef& a, const PenDef& b) { return a.width == b.width && a.pattern == b.pattern; },
        [](const PenDef& a, const PenDef& b) { return ColorDistance(a.rgb, b.rgb); });
}

int ToolTable::AddBrush(const BrushDef& brush) {
    if (brush.pattern < 1) return 0;
    return AddTool(
        brushes_, brush, [](const BrushDef& a, const BrushDef& b) { return a.pattern == b.pattern; },
        [](const BrushDef& a, const BrushDef& b) { return ColorDistance(a.fg, b.fg) + ColorDistance(a.bg, b.bg); });
}

int ToolTable::AddSymbol(const SymbolDef& symbol) {
    return AddTool(
        symbols_, symbol,
        [](const SymbolDef& a, const SymbolDef& b) { return a.number == b.number && a.size == b.size; },
        [](const SymbolDef& a, const SymbolDef& b) { return ColorDistance(a.rgb, b.rgb); });
}

int ToolTable::AddFont(const std::string& name) {
    if (name.empty()) return 0;
    std::string kept = name.substr(0, kFontNameBytes - 1);
    return AddTool(
        fonts_, kept, [](const std::string&, const std::string&) { return true; },
        [](const std::string& a, const std::string& b) { return a == b ? 0 : 1; });
}

std::vector<std::vector<std::uint8_t>> ToolTable::Serialise() const {
    std::vector<std::vector<std::uint8_t>> defs;
    for (const auto& e : pens_) {
        std::vector<std::uint8_t> d(11);
        d[0] = kToolPen;
        PutI32(&d[1], e.uses);
        d[5] = static_cast<std::uint8_t>(e.def.width < 1 ? 1 : e.def.width > 7 ? 7 : e.def.width);
        d[6] = static_cast<std::uint8_t>(e.def.pattern);
        d[7] = 0;  // width in points: not used, widths are in pixels
        PutRgb(&d[8], e.def.rgb);
        defs.push_back(std::move(d));
    }
    for (const auto& e : brushes_) {
        std::vector<std::uint8_t> d(13);
        d[0] = kToolBrush;
        PutI32(&d[1], e.uses);
        d[5] = static_cast<std::uint8_t>(e.def.pattern);
        d[6] = static_cast<std::uint8_t>(e.def.transparent ? 1 : 0);
        PutRgb(&d[7], e.def.fg);
        PutRgb(&d[10], e.def.bg);
        defs.push_back(std::move(d));
    }
    for (const auto& e : fonts_) {
        std::vector<std::uint8_t> d(5 + kFontNameBytes, 0);
        d[0] = kToolFont;
        PutI32(&d[1], e.uses);
        std::memcpy(&d[5], e.def.data(), e.def.size());
        defs.push_back(std::move(d));
    }
    for (const auto& e : symbols_) {
        std::vector<std::uint8_t> d(13);
        d[0] = kToolSymbol;
        PutI32(&d[1], e.uses);
        PutI16(&d[5], e.def.number);
        PutI16(&d[7], e.def.size);
        d[9] = 0;
        PutRgb(&d[10], e.def.rgb);
        defs.push_back(std::move(d));
    }
    return defs;
}

int ToolTable::ParseOne(const std::uint8_t* p, int left) {
    switch (p[0]) {
        case kToolPen:
            if (left < 11) return 0;
            pens_.push_back({PenDef{p[5] > 7 ? 1 : p[5], p[6], GetRgb(p + 8)}, GetI32(p + 1)});
            return 11;
        case kToolBrush:
            if (left < 13) return 0;
            brushes_.push_back({BrushDef{p[5], p[6], GetRgb(p + 7), GetRgb(p + 10)}, GetI32(p + 1)});
            return 13;
        case kToolFont: {
            if (left < 5 + kFontNameBytes) return 0;
            char name[kFontNameBytes + 1] = {};
            std::memcpy(name, p + 5, kFontNameBytes);
            fonts_.push_back({std::string(name), GetI32(p + 1)});
            return 5 + kFontNameBytes;
        }
        case kToolSymbol:
            if (left < 13) return 0;
            symbols_.push_back({SymbolDef{GetI16(p + 5), GetI16(p + 7), GetRgb(p + 10)}, GetI32(p + 1)});
            return 13;
        default:
            return 0;
    }
}

}  // namespace mitab
