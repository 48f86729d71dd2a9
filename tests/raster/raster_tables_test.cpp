// Raster tables as text: the edge values and clauses the tools accept, the precision of what
// they write and what they read back of a source table.
#include "ZmaVOMap2/raster/RasterTable.h"
#include "platform/Com.h"
#include "tests/raster/RasterFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(RasterTable, EdgeValuesMustBeWholeFiniteDecimalNumbers) {
    const struct {
        const char* text;
        double value;  // -7: refused
    } cases[] = {{"10", 10},    {" -12.5 ", -12.5}, {"1e3", 1000}, {"+.5", 0.5}, {"12.5x", -7}, {"", -7}, {"   ", -7},
                 {"1e999", -7}, {"-1e999", -7},     {"inf", -7},   {"nan", -7},  {"0x10", -7},  {"1,5", -7}, {"1 2", -7}};
    for (const auto& c : cases) {
        double value = -7;
        EXPECT_EQ(raster::ParseEdgeValue(c.text, value), c.value != -7) << "'" << c.text << "'";
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
}

TEST(RasterTable, AClauseNamesItsUnit) {
    const struct {
        const char* clause;
        bool nonEarth;
        const char* units;
    } cases[] = {
        {"1, 104", false, "degree"},  // longitude / latitude has no unit field
        {"8, 104, 7, 9, 0, 0.9996, 500000, 0", false, "m"}, {"8, 104, 8, 9", false, "survey ft"},
        {"8, 104", false, "mi"},       {"3, 62, 12, -96", false, "degree"},  // an unknown code
        {"0", true, "m"},              {"0, 1", true, "km"}, {"", true, "m"}, {"x, 2", true, "in"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(raster::IsNonEarthClause(c.clause), c.nonEarth) << c.clause;
        EXPECT_STREQ(raster::UnitAbbreviation(raster::UnitCodeOfClause(c.clause)), c.units) << c.clause;
    }
}

TEST(RasterTable, ProjectedCoordinatesKeepTheirMetres) {
    const std::string text = raster::FormatRasterTable(
        "site.bmp", raster::CornerPoints(512345.67, 5432109.5, 512845.25, 5431709.75, 100, 80), "Units \"m\"");
    EXPECT_NE(text.find("\n(512345.67, 5432109.5) (0, 0) Label \"Pt1\",\n(512345.67, 5431709.75) (0, 79) Label \"Pt2\",\n"
                        "(512845.25, 5432109.5) (99, 0) Label \"Pt3\",\n(512845.25, 5431709.75) (99, 79) Label \"Pt4\"\nUnits"),
              std::string::npos)
        << text;
}

TEST(RasterTable, ASourceTableGivesItsImageBesideItAndItsCoordinateSystemAsWritten) {
    const std::string folder = rastertest::Folder("source");
    const std::string coordSys = "CoordSys Earth Projection 1, 104\n  Bounds (-180, -90) (180, 90)\nUnits \"degree\"";
    const struct {
        const char* fileLine;
        const char* type;
        std::string image;
    } cases[] = {{"File \"my site plan.bmp\"", "RASTER", folder + "\\my site plan.bmp"},
                 {"File \"C:\\plans\\site.jpg\"", "RASTER", "C:\\plans\\site.jpg"},
                 {"  File site.bmp", "NATIVE", folder + "\\site.bmp"}};
    for (const auto& c : cases) {
        const std::string path = folder + "\\source.tab";
        raster::WriteTextFile(path, std::string("!table\n\nDefinition Table\n") + c.fileLine + "\nType \"" + c.type +
                                        "\"\n(1, 2) (0, 0) Label \"Pt1\"\n" + coordSys);
        FILE* file = std::fopen(path.c_str(), "r");
        ASSERT_TRUE(file);
        const raster::SourceTable table = raster::ReadSourceTable(file, platform::ToWide(folder + "\\"));
        std::fclose(file);
        EXPECT_TRUE(table.hasFile && table.hasType);
        EXPECT_EQ(table.imagePath, platform::ToWide(c.image));
        EXPECT_EQ(table.isRaster, std::string(c.type) == "RASTER");
        EXPECT_EQ(table.coordSysText, coordSys);
    }
}

// A turned and skewed image: x = 10 + 0.01 column + 0.002 row, y = 50 - 0.001 column - 0.02 row,
// so pixel position (100, 50) lies at (11.1, 48.9) when the points place the image.
TEST(RasterTable, ControlPointsPlaceTheImageWhenThreeOfThemLieOffOneLine) {
    const std::string folder = rastertest::Folder("points");
    const struct {
        const char* points;
        bool placed;
    } cases[] = {
        {"(10, 50) (0, 0) Label \"Pt1\",\n(14.49, 49.551) (449, 0) Label \"Pt2\",\n"
         "(10.598, 44.02) (0, 299) Label \"Pt3\"\n", true},
        {"  (10,50) (0,0) Label \"Pt 1\",\n  ( 14.49 , 49.551 )( 449 , 0 )\n"
         "  (15.088,43.571) (449,299)\n  (10.598,44.02) (0,299)\n", true},
        // What is not a finite control point is no point: two are left.
        {"(10, 50) (0, 0)\n(14.49, 49.551) (449, 0)\n"
         "(nan, 44.02) (0, 299)\n(10.598, 44.02) (0)\nLabel (1, 2) (3, 4)\n", false},
        {"(10, 50) (0, 0)\n(14.49, 49.551) (449, 0)\n(12.245, 49.7755) (224.5, 0)\n", false},  // along the top row
    };
    for (const auto& c : cases) {
        const std::string path = folder + "\\source.tab";
        raster::WriteTextFile(path, std::string("!table\n\nDefinition Table\nFile \"site.bmp\"\nType \"RASTER\"\n") +
                                        c.points + "CoordSys Earth Projection 1, 104\n(1, 1) (5, 5)\nUnits \"degree\"");
        FILE* file = std::fopen(path.c_str(), "r");
        ASSERT_TRUE(file);
        const raster::SourceTable table = raster::ReadSourceTable(file, platform::ToWide(folder + "\\"));
        std::fclose(file);
        const std::optional<raster::PixelMapping> mapping = raster::PixelMapping::Fit(table.controlPoints);
        ASSERT_EQ(mapping.has_value(), c.placed) << c.points;
        if (!mapping) continue;
        double x = 0, y = 0;
        mapping->ToMap(100, 50, x, y);
        EXPECT_NEAR(x, 11.1, 1e-12) << c.points;
        EXPECT_NEAR(y, 48.9, 1e-12) << c.points;
    }
}

}  // namespace
