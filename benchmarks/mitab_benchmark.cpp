// Writing point tables through our MITAB library, the way the data layer exports its rows: one
// font point per row with symbol, rotation, style word and three attributes. Prints the minimum
// and median time of repeated runs for 100k and 1M rows, rows per second, and the writer's
// memory: the most the process commits while a table is written and closed, above what it held
// when the writing began (PeakMemory.h), lowest and highest of the runs. The writer streams rows
// to the files; what grows with them is the spatial index of the .MAP file, 20 bytes per block of
// 18 points, held until the table is closed. So the figures are 0.04 to 0.14 MB at 100k rows (the
// first run grows the heap, later runs find room there) and 1.1 MB at 1M. Not a test: run it by
// hand (wine mitab_benchmark.exe [runs]).
#include "benchmarks/BenchmarkClock.h"
#include "benchmarks/PeakMemory.h"
#include "ZmaVOMap2/mitab/mitab.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Writes `rows` points; answers the seconds taken, or a negative number on failure.
double WriteTable(const std::string& path, long rows) {
    const double start = Now();
    mitab_handle table = mitab_c_create(path.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
    if (!table) return -1;
    mitab_c_add_field(table, "Signal_Level__dBm_", TABFT_Decimal, 7, 2);
    mitab_c_add_field(table, "Cell", TABFT_Char, 49, 0);
    mitab_c_add_field(table, "Time", TABFT_Char, 20, 0);
    mitab_feature point = mitab_c_create_feature(table, TABFC_FontPoint);
    char level[32], cell[32];
    bool ok = true;
    for (long i = 0; i < rows && ok; ++i) {
        double x = -0.5 + (i % 1000) * 1e-4, y = 51.25 + (i / 1000) * 1e-5;
        mitab_c_set_points(point, 0, 1, &x, &y);
        mitab_c_set_font(point, "Map Symbols");
        mitab_c_set_symbol(point, 33 + static_cast<int>(i % 5), 10, static_cast<int>((i % 8) * 0x00102030));
        mitab_zemro_extension_set_rotation(point, static_cast<double>(i % 360));
        mitab_zemro_extension_set_style(point, 0);
        std::snprintf(level, sizeof level, "%.2f", -40.0 - (i % 800) / 10.0);
        std::snprintf(cell, sizeof cell, "cell %ld", i % 300);
        mitab_c_set_field(point, 0, level);
        mitab_c_set_field(point, 1, cell);
        mitab_c_set_field(point, 2, "2026-12-07 08:30:00");
        ok = mitab_c_write_feature(table, point) == 1;
    }
    mitab_c_destroy_feature(point);
    mitab_c_close(table);
    ok = ok && mitab_c_getlasterrorno() == 0;
    return ok ? Now() - start : -1;
}

void RemoveTable(const std::string& base) {
    for (const char* ext : {".TAB", ".DAT", ".MAP", ".ID"}) ::DeleteFileA((base + ext).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "mitab_benchmark";
    PeakMemory memory;
    for (long rows : {100000L, 1000000L}) {
        std::vector<double> times, peaks;
        for (int run = 0; run < runs; ++run) {
            double seconds = -1;
            peaks.push_back(memory.Above([&] { seconds = WriteTable(base + ".TAB", rows); }));
            if (seconds < 0) {
                std::printf("failed: %s\n", mitab_c_getlasterrormsg());
                RemoveTable(base);
                return 1;
            }
            times.push_back(seconds);
        }
        std::sort(times.begin(), times.end());
        std::sort(peaks.begin(), peaks.end());
        const double median = times[times.size() / 2];
        std::printf("%8ld rows: min %.3f s, median %.3f s, %.0f rows/s (median) | writer's memory above the start "
                    "of writing %.2f to %.2f MB\n",
                    rows, times.front(), median, rows / median, peaks.front(), peaks.back());
    }
    RemoveTable(base);
    return 0;
}
