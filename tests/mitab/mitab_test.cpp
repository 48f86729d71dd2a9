// Our MITAB library through its C interface: tables written here read back through our own
// reader (and, in gdal_check.py, through GDAL), tables that GDAL wrote read here, and the failures
// a caller has to see.
#include "ZmaVOMap2/mitab/mitab.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Tables for the GDAL checks go to the build tree; the GDAL-made input comes from there too.
std::string OutFolder() {
    std::wstring w = testsupport::WinePath(MITAB_TEST_OUT_UNIX);
    return std::string(w.begin(), w.end());
}
std::string OutPath(const char* name) { return OutFolder() + "\\" + name; }

struct Table {
    mitab_handle handle;
    explicit Table(mitab_handle h) : handle(h) {}
    ~Table() {
        if (handle) mitab_c_close(handle);
    }
};
struct Feature {
    mitab_feature handle;
    explicit Feature(mitab_feature h) : handle(h) {}
    ~Feature() { mitab_c_destroy_feature(handle); }
};

void SetPoints(mitab_feature f, int part, std::vector<double> x, std::vector<double> y) {
    mitab_c_set_points(f, part, static_cast<int>(x.size()), x.data(), y.data());
}

mitab_handle CreateLonLat(const std::string& path) {
    return mitab_c_create(path.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0.0, 0.0, 0.0, 0.0);
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The table gdal_check.py compares with what GDAL reads: every feature and field kind.
void WriteKindsTable(const std::string& path) {
    mitab_handle table = CreateLonLat(path);
    ASSERT_NE(table, nullptr) << mitab_c_getlasterrormsg();
    ASSERT_EQ(mitab_c_add_field(table, "Name", TABFT_Char, 20, 0), 0);
    ASSERT_EQ(mitab_c_add_field(table, "Count", TABFT_Integer, 0, 0), 1);
    ASSERT_EQ(mitab_c_add_field(table, "Value", TABFT_Decimal, 8, 2), 2);
    ASSERT_EQ(mitab_c_add_field(table, "Ratio", TABFT_Float, 0, 0), 3);
    ASSERT_EQ(mitab_c_add_field(table, "Day", TABFT_Date, 0, 0), 4);
    ASSERT_EQ(mitab_c_add_field(table, "Signal Level (dBm)", TABFT_Char, 10, 0), 5);

    mitab_feature font = mitab_c_create_feature(table, TABFC_FontPoint);
    SetPoints(font, 0, {-0.5}, {51.25});
    mitab_c_set_font(font, "Wingdings");
    mitab_c_set_symbol(font, 65, 14, 0x00336699);
    mitab_zemro_extension_set_rotation(font, 30.0);
    mitab_zemro_extension_set_style(font, 545);
    mitab_c_set_field(font, 0, "alpha");
    mitab_c_set_field(font, 1, "42");
    mitab_c_set_field(font, 2, "-12.5");
    mitab_c_set_field(font, 3, "0.125");
    mitab_c_set_field(font, 4, "20240305");
    mitab_c_set_field(font, 5, "-71");
    EXPECT_EQ(mitab_c_write_feature(table, font), 1);
    // The same feature object again: only the name is set, the rest must not repeat row 1.
    SetPoints(font, 0, {-0.25}, {51.5});
    mitab_c_set_field(font, 0, "alpha two");
    EXPECT_EQ(mitab_c_write_feature(table, font), 1);

    mitab_feature symbol = mitab_c_create_feature(table, TABFC_Point);
    SetPoints(symbol, 0, {2.25}, {-3.5});
    mitab_c_set_symbol(symbol, 34, 9, 0x000000FF);
    mitab_c_set_field(symbol, 0, "beta");
    EXPECT_EQ(mitab_c_write_feature(table, symbol), 1);

    mitab_feature line = mitab_c_create_feature(table, TABFC_Polyline);
    SetPoints(line, 0, {0, 1, 2}, {0, 1, 0.5});
    mitab_c_set_pen(line, 3, 2, 0x00FF0000);
    mitab_c_set_field(line, 0, "gamma");
    mitab_c_set_field(line, 1, "7");
    mitab_c_set_field(line, 2, "3.14159");
    mitab_c_set_field(line, 3, "-2.5e3");
    mitab_c_set_field(line, 4, "2023-12-31");
    EXPECT_EQ(mitab_c_write_feature(table, line), 1);
    SetPoints(line, 0, {5, 6}, {5, 6});
    SetPoints(line, 1, {7, 8, 9}, {7, 8, 7});
    mitab_c_set_pen(line, 2, 9, 0x0000FF00);
    mitab_c_set_field(line, 0, "d\xE9lta");  // Windows Latin 1 text
    mitab_c_set_field(line, 2, "123456.789");  // too wide for (8,2): fewer decimals
    EXPECT_EQ(mitab_c_write_feature(table, line), 1);

    mitab_feature region = mitab_c_create_feature(table, TABFC_Region);
    SetPoints(region, 0, {10, 20, 20, 10}, {10, 10, 20, 20});  // open ring: closed by the library
    SetPoints(region, 1, {12, 14, 14, 12, 12}, {12, 12, 14, 14, 12});
    mitab_c_set_pen(region, 1, 2, 0x00000080);
    mitab_c_set_brush(region, 0x00FFFF00, 0x00FFFFFF, 2, 0);
    mitab_c_set_field(region, 0, "epsilon");
    EXPECT_EQ(mitab_c_write_feature(table, region), 1);
    SetPoints(region, 0, {30, 31, 31, 30}, {30, 30, 31, 31});
    SetPoints(region, 1, {40, 41, 41, 40}, {40, 40, 41, 41});
    mitab_c_set_field(region, 0, "zeta");
    EXPECT_EQ(mitab_c_write_feature(table, region), 1);
    // A row without geometry keeps its attributes.
    mitab_c_set_field(region, 0, "eta");
    EXPECT_EQ(mitab_c_write_feature(table, region), 1);

    for (mitab_feature f : {font, symbol, line, region}) mitab_c_destroy_feature(f);
    mitab_c_close(table);
    EXPECT_EQ(mitab_c_getlasterrorno(), 0) << mitab_c_getlasterrormsg();
}

TEST(MitabWrite, EveryFeatureAndFieldKindReadsBackThroughOurReader) {
    const std::string path = OutPath("kinds.TAB");
    WriteKindsTable(path);
    Table table(mitab_c_open(path.c_str()));
    ASSERT_NE(table.handle, nullptr);
    ASSERT_EQ(mitab_c_get_field_count(table.handle), 6);
    EXPECT_STREQ(mitab_c_get_field_name(table.handle, 5), "Signal_Level__dBm_");
    EXPECT_EQ(mitab_c_get_field_type(table.handle, 2), TABFT_Decimal);
    EXPECT_EQ(mitab_c_get_feature_count(table.handle), 8);

    std::vector<int> ids;
    for (int id = mitab_c_next_feature_id(table.handle, -1); id != -1; id = mitab_c_next_feature_id(table.handle, id))
        ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));  // row 8 has no object

    Feature font(mitab_c_read_feature(table.handle, 1));
    ASSERT_NE(font.handle, nullptr);
    EXPECT_EQ(mitab_c_get_type(font.handle), TABFC_FontPoint);
    EXPECT_NEAR(mitab_c_get_vertex_x(font.handle, 0, 0), -0.5, 1e-6);
    EXPECT_NEAR(mitab_c_get_vertex_y(font.handle, 0, 0), 51.25, 1e-6);
    EXPECT_EQ(mitab_c_get_symbol_color(font.handle), 0x00336699);
    EXPECT_EQ(mitab_c_get_symbol_no(font.handle), 65);
    EXPECT_EQ(mitab_c_get_symbol_size(font.handle), 14);
    const char* expected1[] = {"alpha", "42", "-12.50", "0.125", "20240305", "-71"};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(mitab_c_get_field_as_string(font.handle, i), expected1[i]) << i;

    Feature second(mitab_c_read_feature(table.handle, 2));
    const char* expected2[] = {"alpha two", "0", "", "0", "", ""};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(mitab_c_get_field_as_string(second.handle, i), expected2[i]) << i;

    Feature symbol(mitab_c_read_feature(table.handle, 3));
    EXPECT_EQ(mitab_c_get_type(symbol.handle), TABFC_Point);
    EXPECT_EQ(mitab_c_get_symbol_color(symbol.handle), 0x000000FF);
    EXPECT_EQ(mitab_c_get_symbol_no(symbol.handle), 34);

    Feature multi(mitab_c_read_feature(table.handle, 5));
    EXPECT_EQ(mitab_c_get_type(multi.handle), TABFC_Polyline);
    ASSERT_EQ(mitab_c_get_parts(multi.handle), 2);
    EXPECT_EQ(mitab_c_get_vertex_count(multi.handle, 1), 3);
    EXPECT_NEAR(mitab_c_get_vertex_x(multi.handle, 1, 2), 9.0, 1e-6);
    EXPECT_EQ(mitab_c_get_pen_color(multi.handle), 0x0000FF00);

    Feature region(mitab_c_read_feature(table.handle, 6));
    EXPECT_EQ(mitab_c_get_type(region.handle), TABFC_Region);
    ASSERT_EQ(mitab_c_get_parts(region.handle), 2);
    EXPECT_EQ(mitab_c_get_vertex_count(region.handle, 0), 5);  // closed
    EXPECT_EQ(mitab_c_get_brush_fgcolor(region.handle), 0x00FFFF00);

    Feature bare(mitab_c_read_feature(table.handle, 8));
    ASSERT_NE(bare.handle, nullptr);
    EXPECT_EQ(mitab_c_get_type(bare.handle), TABFC_NoGeom);
    EXPECT_STREQ(mitab_c_get_field_as_string(bare.handle, 0), "eta");
}

TEST(MitabWrite, ManyPointsAndLongLinesSpanBlocksAndTheIndex) {
    // 20000 points fill several hundred object blocks: the index gets more than one level.
    mitab_handle table = CreateLonLat(OutPath("many.TAB"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(mitab_c_add_field(table, "Row", TABFT_Integer, 0, 0), 0);
    mitab_feature point = mitab_c_create_feature(table, TABFC_Point);
    for (int i = 0; i < 20000; ++i) {
        SetPoints(point, 0, {-10.0 + (i % 200) * 0.1}, {40.0 + (i / 200) * 0.1});
        mitab_c_set_symbol(point, 35, 8, (i % 7) * 0x00202020);
        mitab_c_set_field(point, 0, std::to_string(i + 1).c_str());
        ASSERT_EQ(mitab_c_write_feature(table, point), 1);
    }
    mitab_c_destroy_feature(point);
    mitab_c_close(table);
    ASSERT_EQ(mitab_c_getlasterrorno(), 0);

    // A line of 3000 vertices runs through many coordinate blocks.
    table = CreateLonLat(OutPath("long.TAB"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(mitab_c_add_field(table, "Name", TABFT_Char, 10, 0), 0);
    mitab_feature line = mitab_c_create_feature(table, TABFC_Polyline);
    std::vector<double> x, y;
    for (int i = 0; i < 3000; ++i) x.push_back(i * 0.01), y.push_back(std::sin(i * 0.01));
    for (int copy = 0; copy < 3; ++copy) {
        mitab_c_set_points(line, 0, 3000, x.data(), y.data());
        ASSERT_EQ(mitab_c_write_feature(table, line), 1);
    }
    mitab_c_destroy_feature(line);
    mitab_c_close(table);
    ASSERT_EQ(mitab_c_getlasterrorno(), 0);

    Table readBack(mitab_c_open(OutPath("long.TAB").c_str()));
    Feature third(mitab_c_read_feature(readBack.handle, 3));
    ASSERT_EQ(mitab_c_get_vertex_count(third.handle, 0), 3000);
    EXPECT_NEAR(mitab_c_get_vertex_y(third.handle, 0, 2999), std::sin(29.99), 1e-6);
}

TEST(MitabWrite, EdgeTablesStayReadable) {
    // No rows at all.
    mitab_handle table = CreateLonLat(OutPath("empty.TAB"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(mitab_c_add_field(table, "Name", TABFT_Char, 10, 0), 0);
    mitab_c_close(table);
    EXPECT_EQ(mitab_c_getlasterrorno(), 0);

    // More styles than the file's one-byte tool index can name, and a font point without a font.
    table = CreateLonLat(OutPath("styles.TAB"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(mitab_c_add_field(table, "Row", TABFT_Integer, 0, 0), 0);
    mitab_feature point = mitab_c_create_feature(table, TABFC_Point);
    for (int i = 0; i < 300; ++i) {
        SetPoints(point, 0, {i * 0.01}, {0.0});
        mitab_c_set_symbol(point, 35, 10, i * 3);  // 300 different colours
        ASSERT_EQ(mitab_c_write_feature(table, point), 1);
    }
    mitab_c_destroy_feature(point);
    mitab_feature font = mitab_c_create_feature(table, TABFC_FontPoint);
    SetPoints(font, 0, {5.0}, {5.0});
    mitab_c_set_font(font, nullptr);
    mitab_c_set_symbol(font, 40, 12, 0x00112233);
    mitab_zemro_extension_set_rotation(font, -90.0);
    ASSERT_EQ(mitab_c_write_feature(table, font), 1);
    mitab_c_destroy_feature(font);
    mitab_c_close(table);
    ASSERT_EQ(mitab_c_getlasterrorno(), 0);

    Table readBack(mitab_c_open(OutPath("styles.TAB").c_str()));
    Feature early(mitab_c_read_feature(readBack.handle, 200));
    EXPECT_EQ(mitab_c_get_symbol_color(early.handle), 199 * 3);
    Feature late(mitab_c_read_feature(readBack.handle, 300));
    const int kept = mitab_c_get_symbol_color(late.handle);  // one of the 255 colours defined first
    EXPECT_TRUE(kept % 3 == 0 && kept / 3 < 255) << kept;
    Feature glyph(mitab_c_read_feature(readBack.handle, 301));
    EXPECT_EQ(mitab_c_get_type(glyph.handle), TABFC_FontPoint);
    EXPECT_EQ(mitab_c_get_symbol_color(glyph.handle), 0x00112233);
}

TEST(MitabWrite, FailuresAreReportedAndLeaveNothingBehind) {
    const std::string missing = OutFolder() + "\\no such folder\\t.TAB";
    EXPECT_EQ(CreateLonLat(missing), nullptr);
    EXPECT_NE(mitab_c_getlasterrorno(), 0);
    EXPECT_EQ(mitab_c_create(OutPath("mif.TAB").c_str(), "mif", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0), nullptr);
    EXPECT_FALSE(FileExists(OutPath("mif.TAB")));
    EXPECT_FALSE(FileExists(OutPath("mif.DAT")));

    Table table(CreateLonLat(OutPath("refused.TAB")));
    ASSERT_NE(table.handle, nullptr);
    EXPECT_EQ(mitab_c_add_field(table.handle, "A", TABFT_Char, 0, 0), -1);        // no width
    EXPECT_EQ(mitab_c_add_field(table.handle, "D", TABFT_Decimal, 5, 5), -1);     // precision fills the width
    ASSERT_EQ(mitab_c_add_field(table.handle, "A", TABFT_Char, 5, 0), 0);
    EXPECT_EQ(mitab_c_add_field(table.handle, "a", TABFT_Integer, 0, 0), -1);     // the name is taken
    EXPECT_EQ(mitab_c_add_field(table.handle, "Wide", TABFT_Decimal, 49, 3), 1);  // kept at 20 places
    Feature region(mitab_c_create_feature(table.handle, TABFC_Region));
    SetPoints(region.handle, 0, {0, 1}, {0, 1});
    EXPECT_EQ(mitab_c_write_feature(table.handle, region.handle), 0);
    SetPoints(region.handle, 0, {0, 1, 1}, {0, 0, 1});
    EXPECT_EQ(mitab_c_write_feature(table.handle, region.handle), 1);  // a refused row does not spoil the table
    EXPECT_EQ(mitab_c_add_field(table.handle, "Late", TABFT_Char, 5, 0), -1);
    EXPECT_EQ(mitab_c_create_feature(table.handle, 4), nullptr);  // texts are not written
}

// The tables gdal_make.py had GDAL write: points, lines, regions and attributes.
TEST(MitabRead, TablesWrittenByGdalOpenAndCount) {
    const std::string path = OutPath("from_gdal\\mixed.tab");
    ASSERT_TRUE(FileExists(path)) << "gdal_check.py make must run first";
    Table table(mitab_c_open(path.c_str()));
    ASSERT_NE(table.handle, nullptr);
    int count = 0;
    for (int id = mitab_c_next_feature_id(table.handle, -1); id != -1; id = mitab_c_next_feature_id(table.handle, id))
        ++count;
    EXPECT_EQ(count, 5);
    ASSERT_EQ(mitab_c_get_field_count(table.handle), 3);
    EXPECT_STREQ(mitab_c_get_field_name(table.handle, 0), "name");

    struct Expected {
        int type, parts;
        double x, y;
        const char* name;
    } expected[] = {{TABFC_Point, 1, -0.5, 51.25, "cell"},
                    {TABFC_Point, 1, 1.125, 52.0, "site"},
                    {TABFC_Polyline, 1, 0.0, 50.0, "road"},
                    {TABFC_Polyline, 2, 2.0, 50.0, "rail"},
                    {TABFC_Region, 2, 3.0, 50.0, "park"}};
    for (int id = 1; id <= 5; ++id) {
        Feature f(mitab_c_read_feature(table.handle, id));
        ASSERT_NE(f.handle, nullptr) << id;
        const Expected& e = expected[id - 1];
        EXPECT_EQ(mitab_c_get_type(f.handle), e.type) << id;
        EXPECT_EQ(mitab_c_get_parts(f.handle), e.parts) << id;
        EXPECT_NEAR(mitab_c_get_vertex_x(f.handle, 0, 0), e.x, 1e-6) << id;
        EXPECT_NEAR(mitab_c_get_vertex_y(f.handle, 0, 0), e.y, 1e-6) << id;
        EXPECT_STREQ(mitab_c_get_field_as_string(f.handle, 0), e.name) << id;
    }
    Feature first(mitab_c_read_feature(table.handle, 1));
    EXPECT_STREQ(mitab_c_get_field_as_string(first.handle, 1), "17");
}

TEST(MitabRead, CompressedObjectsOfGdalTablesReadAtTheirPlaces) {
    Table table(mitab_c_open(OutPath("from_gdal\\dense.tab").c_str()));
    ASSERT_NE(table.handle, nullptr);
    EXPECT_EQ(mitab_c_get_feature_count(table.handle), 103);
    Feature point(mitab_c_read_feature(table.handle, 51));
    EXPECT_NEAR(mitab_c_get_vertex_x(point.handle, 0, 0), 0.05, 1e-6);
    EXPECT_NEAR(mitab_c_get_vertex_y(point.handle, 0, 0), 51.025, 1e-6);
    Feature line(mitab_c_read_feature(table.handle, 101));
    ASSERT_EQ(mitab_c_get_vertex_count(line.handle, 0), 3);
    EXPECT_NEAR(mitab_c_get_vertex_x(line.handle, 0, 2), 0.003, 1e-6);
    EXPECT_NEAR(mitab_c_get_vertex_y(line.handle, 0, 2), 51.001, 1e-6);
    Feature parts(mitab_c_read_feature(table.handle, 102));
    ASSERT_EQ(mitab_c_get_parts(parts.handle), 2);
    EXPECT_NEAR(mitab_c_get_vertex_x(parts.handle, 1, 0), 0.004, 1e-6);
    EXPECT_NEAR(mitab_c_get_vertex_y(parts.handle, 1, 1), 51.003, 1e-6);
    Feature region(mitab_c_read_feature(table.handle, 103));
    EXPECT_EQ(mitab_c_get_type(region.handle), TABFC_Region);
    ASSERT_EQ(mitab_c_get_vertex_count(region.handle, 0), 4);
    EXPECT_NEAR(mitab_c_get_vertex_x(region.handle, 0, 1), 0.01, 1e-6);
    EXPECT_NEAR(mitab_c_get_vertex_y(region.handle, 0, 2), 51.01, 1e-6);
}

}  // namespace
