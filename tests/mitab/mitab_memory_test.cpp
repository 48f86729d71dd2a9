// What a table being written keeps in memory, counted exactly: this program replaces operator new
// and delete, so every byte the library takes from the C++ heap is seen, with no sampling and no
// noise from the rest of the process.
#include "ZmaVOMap2/mitab/mitab.h"
#include "platform/Com.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

// Bytes handed out and not yet given back, and the most of them since the last reset.
size_t g_live = 0, g_peak = 0;
constexpr size_t kHeader = 16;  // keeps malloc's alignment for what follows

}  // namespace

void* operator new(size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
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

}  // namespace
