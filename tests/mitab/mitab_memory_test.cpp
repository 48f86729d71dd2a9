// What the library takes from the heap, counted exactly: this program replaces operator new and
// delete, so every byte the library takes from the C++ heap is seen, with no sampling and no noise
// from the rest of the process. A table being written keeps its spatial index and nothing more; a
// table spoilt where fuzzed tables go wrong (addresses, sizes or counts leading outside the file)
// is refused, never read outside its bytes, and the heap is held to what no table here needs
// meanwhile, so that a count taken on trust shows as a failure, not as gigabytes taken.
#include "ZmaVOMap2/mitab/mitab.h"
#include "ZmaVOMap2/mitab/TabFormat.h"
#include "platform/Com.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

// Bytes handed out and not yet given back, the most of them since the last reset, and the most
// that may be handed out.
size_t g_live = 0, g_peak = 0, g_limit = std::numeric_limits<size_t>::max();
constexpr size_t kHeader = 16;  // keeps malloc's alignment for what follows

}  // namespace

void* operator new(size_t size) {
    auto* block = size <= g_limit - g_live ? static_cast<unsigned char*>(std::malloc(size + kHeader)) : nullptr;
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = size;
    g_live += size;
    if (g_live > g_peak) g_peak = g_live;
    return block + kHeader;
}

void operator delete(void* p) noexcept {
    if (!p) return;
    unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
    g_live -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

constexpr long kPointsPerObjectBlock = 18;  // 26-byte font points in the 492 bytes of a block

struct Written {
    size_t peak = 0;  // above what was live before the table was created
    size_t kept = 0;  // still live once it was closed
};

// Writes `rows` font points with the attributes of an exported data layer, and closes the table.
Written WriteFontPoints(const std::string& path, long rows) {
    const size_t before = g_live;
    g_peak = g_live;
    mitab_handle table = mitab_c_create(path.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
    EXPECT_NE(table, nullptr);
    if (!table) return {};
    mitab_c_add_field(table, "Signal_Level__dBm_", TABFT_Decimal, 7, 2);
    mitab_c_add_field(table, "Cell", TABFT_Char, 49, 0);
    mitab_feature point = mitab_c_create_feature(table, TABFC_FontPoint);
    for (long i = 0; i < rows; ++i) {
        double x = -0.5 + (i % 1000) * 1e-4, y = 51.25 + (i / 1000) * 1e-5;
        mitab_c_set_points(point, 0, 1, &x, &y);
        mitab_c_set_font(point, "Map Symbols");
        mitab_c_set_symbol(point, 33 + static_cast<int>(i % 5), 10, static_cast<int>((i % 8) * 0x00102030));
        mitab_c_set_field(point, 0, "-71.50");
        mitab_c_set_field(point, 1, "cell 12");
        if (mitab_c_write_feature(table, point) != 1) break;
    }
    mitab_c_destroy_feature(point);
    mitab_c_close(table);
    EXPECT_EQ(mitab_c_getlasterrorno(), 0) << mitab_c_getlasterrormsg();
    return {g_peak - before, g_live - before};
}

TEST(MitabMemory, AWrittenTableHoldsOneIndexEntryPerObjectBlockAndNothingOnceClosed) {
    const std::string folder = platform::ToAnsi(testsupport::WinePath(testsupport::RunFolder(MITAB_MEMORY_OUT_UNIX).c_str()));
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const long small = 30000, large = 300000;
    WriteFontPoints(folder + "\\small.TAB", 1);  // what the library takes once, on first use
    const Written a = WriteFontPoints(folder + "\\small.TAB", small);
    const Written b = WriteFontPoints(folder + "\\large.TAB", large);
    EXPECT_EQ(a.kept, 0u);
    EXPECT_EQ(b.kept, 0u);
    // The spatial index's entry of a block is 20 bytes; the deque's nodes and the index's upper
    // levels add less than 4. A table that copied its entries, or kept rows, takes twice that.
    const double blocks = double(large - small) / kPointsPerObjectBlock;
    EXPECT_LE(double(b.peak) - double(a.peak), 24.0 * blocks)
        << "30 000 rows: " << a.peak << " bytes at the peak, 300 000 rows: " << b.peak;
    for (const char* name : {"small", "large"})
        for (const char* extension : {".TAB", ".DAT", ".MAP", ".ID"})
            ::DeleteFileA((folder + "\\" + name + extension).c_str());
}

using mitab::GetI16;
using mitab::GetI32;
using Bytes = std::vector<std::uint8_t>;

// Where the fields are: in the .MAP header, in an object, in a coordinate block's header; and the
// size of a section header of a line of several parts as the library writes it.
constexpr size_t kHeaderBlockSize = 0x106, kObjectAddress = 5, kObjectDataSize = 9, kObjectSections = 13;
constexpr size_t kCoordUsed = 2, kCoordNext = 4, kCoordHeader = 8, kSectionHeader = 24;
constexpr int kParts = 256;  // of the line of row 2, two vertices each
constexpr int kErrorFile = 2;  // what the library answers for a file it cannot read
constexpr size_t kReadingLimit = size_t(16) << 20;  // what reading one feature may take

Bytes Load(const std::string& path) {
    Bytes bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
    }
    return bytes;
}

void Save(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A .MAP file, and the places its header, its objects (found through the .ID file) and its
// chains of coordinate blocks lead to.
struct MapFile {
    Bytes bytes, ids;
    size_t Object(int row) const { return static_cast<std::uint32_t>(GetI32(&ids[4 * (row - 1)])); }
    size_t BlockOf(size_t at) const { return at - at % GetI16(&bytes[kHeaderBlockSize]); }
    // The file offset of byte `k` of the coordinate data of row `row`.
    size_t CoordByte(int row, size_t k) const {
        size_t at = static_cast<std::uint32_t>(GetI32(&bytes[Object(row) + kObjectAddress])), block = BlockOf(at);
        for (;;) {
            const size_t end = block + kCoordHeader + GetI16(&bytes[block + kCoordUsed]);
            if (at + k < end) return at + k;
            k -= end - at;
            block = static_cast<std::uint32_t>(GetI32(&bytes[block + kCoordNext]));
            at = block + kCoordHeader;
        }
    }
    void Put16(size_t at, int v) { mitab::PutI16(&bytes[at], v); }
    void Put32(size_t at, std::int32_t v) { mitab::PutI32(&bytes[at], v); }
};

// Row 1: a line of 100 vertices, over two coordinate blocks; row 2: a line of many short parts.
void WriteTable(const std::string& path) {
    mitab_handle table = mitab_c_create(path.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
    ASSERT_NE(table, nullptr) << mitab_c_getlasterrormsg();
    mitab_feature line = mitab_c_create_feature(table, TABFC_Polyline);
    std::vector<double> x, y;
    for (int i = 0; i < 100; ++i) x.push_back(i * 0.01), y.push_back(i % 2);
    mitab_c_set_points(line, 0, 100, x.data(), y.data());
    EXPECT_EQ(mitab_c_write_feature(table, line), 1);
    for (int part = 0; part < kParts; ++part) mitab_c_set_points(line, part, 2, x.data() + part % 50, y.data());
    EXPECT_EQ(mitab_c_write_feature(table, line), 1);
    mitab_c_destroy_feature(line);
    mitab_c_close(table);
    ASSERT_EQ(mitab_c_getlasterrorno(), 0) << mitab_c_getlasterrormsg();
}

TEST(MitabMalformed, AnObjectLeadingOutsideTheFileIsRefused) {
    const std::string folder = platform::ToAnsi(testsupport::WinePath(testsupport::RunFolder(MITAB_MEMORY_OUT_UNIX).c_str()));
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string sound = folder + "\\sound", spoilt = folder + "\\spoilt";
    WriteTable(sound + ".TAB");
    {
        mitab_handle table = mitab_c_open((sound + ".TAB").c_str());
        mitab_feature first = mitab_c_read_feature(table, 1), second = mitab_c_read_feature(table, 2);
        EXPECT_EQ(mitab_c_get_vertex_count(first, 0), 100);
        EXPECT_EQ(mitab_c_get_parts(second), kParts);
        mitab_c_destroy_feature(first);
        mitab_c_destroy_feature(second);
        mitab_c_close(table);
    }
    const struct {
        const char* what;
        int row;
        std::function<void(MapFile&)> spoil;
    } cases[] = {
        {"the next coordinate block lies near 2^32", 1,
         [](MapFile& m) { m.Put32(m.BlockOf(m.CoordByte(1, 0)) + kCoordNext, static_cast<std::int32_t>(0xFFFFFF00)); }},
        {"a coordinate block uses a byte past its end", 1,
         [](MapFile& m) {
             const size_t block = m.BlockOf(m.CoordByte(1, 0));
             m.Put16(block + kCoordUsed, GetI16(&m.bytes[kHeaderBlockSize]) - int(kCoordHeader) + 1);
         }},
        {"the data size runs past the file", 1, [](MapFile& m) { m.Put32(m.Object(1) + kObjectDataSize, 0x7FFFFFFF); }},
        {"the data size is negative", 1, [](MapFile& m) { m.Put32(m.Object(1) + kObjectDataSize, -8); }},
        {"the sections' vertex counts run past the file", 2,
         [](MapFile& m) {
             // Each as many as the data size allows, so that only the file can hold them back.
             const int dataSize = GetI32(&m.bytes[m.Object(2) + kObjectDataSize]);
             for (size_t s = 0; s < kParts; ++s) {
                 m.bytes[m.CoordByte(2, s * kSectionHeader)] = std::uint8_t(dataSize);
                 m.bytes[m.CoordByte(2, s * kSectionHeader + 1)] = std::uint8_t(dataSize >> 8);
             }
         }},
        {"the number of sections is negative", 2, [](MapFile& m) { m.Put16(m.Object(2) + kObjectSections, -1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MapFile map{Load(sound + ".MAP"), Load(sound + ".ID")};
        c.spoil(map);
        Save(spoilt + ".MAP", map.bytes);
        for (const char* extension : {".TAB", ".DAT", ".ID"})
            ASSERT_TRUE(::CopyFileA((sound + extension).c_str(), (spoilt + extension).c_str(), FALSE));
        mitab_handle table = mitab_c_open((spoilt + ".TAB").c_str());
        ASSERT_NE(table, nullptr);
        g_limit = g_live + kReadingLimit;
        mitab_feature feature = mitab_c_read_feature(table, c.row);
        g_limit = std::numeric_limits<size_t>::max();
        EXPECT_EQ(feature, nullptr);
        EXPECT_EQ(mitab_c_getlasterrorno(), kErrorFile);
        EXPECT_STREQ(mitab_c_getlasterrormsg(), "cannot read the object of the feature");
        mitab_c_destroy_feature(feature);
        mitab_c_close(table);
    }
}

}  // namespace
