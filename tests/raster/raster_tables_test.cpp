// Raster tables as text: what the tools write, the edge values and clauses they accept, the tile
// grid and what they read back of a source table.
#include "ZmaVOMap2/raster/RasterTable.h"
#include "tests/raster/RasterFixture.h"

#include <gtest/gtest.h>

namespace {

const char kHeader[] = "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n";

TEST(RasterTable, RegisteredImagesAreWrittenLineByLine) {
    struct Case {
        double left, top, right, bottom;
        long width, height;
        const char* clause;
        bool nonEarth;
        const char* units;
        const char* expected;  // after the header and the "File" and "Type" lines
    };
    const Case cases[] = {
        {10, 50, 11, 49, 640, 480, "1, 104", false, "degree",
         "(10, 50) (0, 0) Label \"Pt1\",\n(10, 49) (0, 479) Label \"Pt2\",\n(11, 50) (639, 0) Label \"Pt3\",\n"
         "(11, 49) (639, 479) Label \"Pt4\"\nCoordSys Earth Projection 1, 104\nUnits \"degree\""},
        {0, 300, 400, 0, 401, 301, "0", true, "m",
         "(0, 300) (0, 0) Label \"Pt1\",\n(0, 0) (0, 300) Label \"Pt2\",\n(400, 300) (400, 0) Label \"Pt3\",\n"
         "(400, 0) (400, 300) Label \"Pt4\"\nCoordSys NonEarth\nUnits \"m\""},
        // Projected coordinates keep their metres (six significant digits would round them to 10 m).
        {512345.67, 5432109.5, 512845.25, 5431709.75, 100, 80, "8, 104, 7, 9, 0, 0.9996, 500000, 0", false, "m",
         "(512345.67, 5432109.5) (0, 0) Label \"Pt1\",\n(512345.67, 5431709.75) (0, 79) Label \"Pt2\",\n"
         "(512845.25, 5432109.5) (99, 0) Label \"Pt3\",\n(512845.25, 5431709.75) (99, 79) Label \"Pt4\"\n"
         "CoordSys Earth Projection 8, 104, 7, 9, 0, 0.9996, 500000, 0\nUnits \"m\""},
    };
    for (const Case& c : cases) {
        const std::string text = raster::FormatRasterTable(
            "site.bmp", raster::CornerPoints(c.left, c.top, c.right, c.bottom, c.width, c.height),
            raster::CoordSysLines(c.clause, c.nonEarth, c.units));
        EXPECT_EQ(text, std::string(kHeader) + "File \"site.bmp\"\nType \"RASTER\"\n" + c.expected) << c.clause;
    }
}

TEST(RasterTable, EdgeValuesMustBeWholeFiniteDecimalNumbers) {
    const struct {
        const char* text;
        bool accepted;
        double value;
    } cases[] = {{"10", true, 10},       {" -12.5 ", true, -12.5}, {"1e3", true, 1000},  {"+.5", true, 0.5},
                 {"12.5x", false, 0},    {"", false, 0},           {"   ", false, 0},    {"1e999", false, 0},
                 {"-1e999", false, 0},   {"inf", false, 0},        {"nan", false, 0},    {"0x10", false, 0},
                 {"1,5", false, 0},      {"1 2", false, 0}};
    for (const auto& c : cases) {
        double value = -7;
        EXPECT_EQ(raster::ParseEdgeValue(c.text, value), c.accepted) << "'" << c.text << "'";
        EXPECT_DOUBLE_EQ(value, c.accepted ? c.value : -7) << c.text;
    }
}

TEST(RasterTable, AClauseNamesItsUnit) {
    const struct {
        const char* clause;
        bool nonEarth;
        const char* units;
    } cases[] = {
        {"1, 104", false, "degree"},  // longitude / latitude has no unit field
        {"8, 104, 7, 9, 0, 0.9996, 500000, 0", false, "m"},
        {"8, 104, 3, 9, 0, 0.9996, 500000, 0", false, "ft"},
        {"8, 104, 8, 9", false, "survey ft"},
        {"8, 104", false, "mi"},
        {"3, 62, 12, -96", false, "degree"},  // an unknown code
        {"0", true, "m"},
        {"0, 1", true, "km"},
        {"", true, "m"},
        {"x, 2", true, "in"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(raster::IsNonEarthClause(c.clause), c.nonEarth) << c.clause;
        EXPECT_STREQ(raster::UnitAbbreviation(raster::UnitCodeOfClause(c.clause)), c.units) << c.clause;
    }
}

std::vector<std::vector<long>> Rects(const std::vector<raster::TileRect>& tiles) {
    std::vector<std::vector<long>> rects;
    for (const raster::TileRect& t : tiles) rects.push_back({t.left, t.top, t.right, t.bottom, t.column});
    return rects;
}

TEST(RasterTable, TilesGoColumnByColumnFromTheTopDown) {
    EXPECT_EQ(Rects(raster::TilesOfSize(450, 300, 200, 200)),
              (std::vector<std::vector<long>>{{0, 0, 200, 200, 0},
                                              {0, 200, 200, 300, 0},
                                              {200, 0, 400, 200, 1},
                                              {200, 200, 400, 300, 1},
                                              {400, 0, 450, 200, 2},
                                              {400, 200, 450, 300, 2}}));
    // By count: equal tiles, the pixels left over by the division in none.
    const std::vector<raster::TileRect> counted = raster::TilesByCount(450, 300, 4, 3);
    ASSERT_EQ(counted.size(), 12u);
    EXPECT_EQ(Rects({counted[1]}), (std::vector<std::vector<long>>{{0, 100, 112, 200, 0}}));
    EXPECT_EQ(Rects({counted.back()}), (std::vector<std::vector<long>>{{336, 200, 448, 300, 3}}));
    // Counts that leave no pixel to a tile give no grid.
    for (const auto& counts : {std::make_pair(0L, 3L), std::make_pair(4L, -1L), std::make_pair(451L, 1L)})
        EXPECT_TRUE(raster::TilesByCount(450, 300, counts.first, counts.second).empty());
}

TEST(RasterTable, ASourceTableGivesItsImageBesideItAndItsCoordinateSystemAsWritten) {
    const std::string folder = rastertest::Folder("source");
    const std::string coordSys = "CoordSys Earth Projection 1, 104\n  Bounds (-180, -90) (180, 90)\nUnits \"degree\"";
    const struct {
        const char* fileLine;
        const char* type;
        std::string image;
        bool raster;
    } cases[] = {
        {"File \"my site plan.bmp\"", "RASTER", folder + "\\my site plan.bmp", true},
        {"File \"C:\\plans\\site.jpg\"", "RASTER", "C:\\plans\\site.jpg", true},
        {"  File site.bmp", "NATIVE", folder + "\\site.bmp", false},
    };
    for (const auto& c : cases) {
        const std::string path = folder + "\\source.tab";
        raster::WriteTextFile(path, std::string(kHeader) + c.fileLine + "\nType \"" + c.type + "\"\n(1, 2) (0, 0) Label \"Pt1\"\n" +
                                        coordSys);
        FILE* file = std::fopen(path.c_str(), "r");
        ASSERT_TRUE(file);
        const raster::SourceTable table = raster::ReadSourceTable(file, folder + "\\");
        std::fclose(file);
        EXPECT_TRUE(table.hasFile && table.hasType);
        EXPECT_EQ(table.imagePath, c.image);
        EXPECT_EQ(table.isRaster, c.raster);
        EXPECT_EQ(table.coordSysText, coordSys);
    }
}

}  // namespace
