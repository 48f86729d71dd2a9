// Tiling generated images through the tiler's dialog: the tile bitmaps (judged against their
// regions of the source by ImageMagick afterwards, judge_tiles.sh), the tile tables'
// georeference (judged by GDAL too, judge_tile_places.py), the index, and the index opened as one
// layer over the engine stand-in.
#include "ZmaVOMap2/atr/ATRLayer.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/raster/RasterTable.h"
#include "ZmaVOMap2/raster/RasterTileDlg.h"
#include "platform/Com.h"
#include "tests/layers/LayerFixture.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>

#include <cmath>
#include <fstream>

using namespace dialogtest;
using namespace rastertest;
using platform::Variant;

namespace {

// The source's registration: 1e-4 degrees a pixel each way, close to the equator, where the
// engine stand-in's degrees are square on the screen.
constexpr double kLeft = 10.0, kTop = 0.035, kPixel = 1e-4;

// Where the judge finds the tiles: "raster_tiles\<name>" beside this program, emptied first.
std::string JudgedFolder(const char* name) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string parent = testsupport::RunFolder((std::string(path).substr(0, std::string(path).rfind('\\')) + "\\raster_tiles").c_str());
    ::CreateDirectoryA(parent.c_str(), nullptr);
    const std::string folder = Folder(name, parent);
    ::CreateDirectoryA((folder + "\\tiles").c_str(), nullptr);
    return folder;
}

struct Tile {
    long x, y, w, h;
};

// Where a source image lies: the map position of pixel position (0, 0) and the map step of one
// column and of one row.
struct Placement {
    double x, y, columnX, columnY, rowX, rowY;
    raster::ControlPoint At(long column, long row) const {
        return {x + column * columnX + row * rowX, y + column * columnY + row * rowY, column, row};
    }
};
constexpr Placement kEquator = {kLeft, kTop, kPixel, 0, 0, -kPixel};

// The 200 x 200 pixel tiles of an image, column by column.
std::vector<Tile> TilesOf200(long width, long height) {
    std::vector<Tile> tiles;
    for (long x = 0; x < width; x += 200)
        for (long y = 0; y < height; y += 200) tiles.push_back({x, y, std::min(200L, width - x), std::min(200L, height - y)});
    return tiles;
}

struct GeoBox {
    double xmin, ymin, xmax, ymax;
};

class Tiling : public layertest::LayerTest {
protected:
    // Registers `image` (1000 x 700) and tiles it into "<folder>\tiles"; `counts` (across, down)
    // asks for a number of tiles, else 200 x 200 pixel tiles.
    void TileImage(const std::string& folder, const std::string& image, const char* across = nullptr,
                   const char* down = nullptr) {
        source_ = WriteRegisteredTable(folder, image, kLeft, kTop, kLeft + 999 * kPixel, kTop - 699 * kPixel, 1000, 700);
        TileSource(folder, across, down);
    }

    // Tiles the table `source_` into "<folder>\tiles".
    void TileSource(const std::string& folder, const char* across = nullptr, const char* down = nullptr) {
        Prompts prompts;
        prompts.chosen = std::wstring(source_.begin(), source_.end());
        DialogScript script;
        script.Then([&](HWND d) {
            Click(d, IDC_TILE_BROWSE_TABLE);
            Type(d, IDC_TILE_FOLDER, (folder + "\\tiles").c_str());
            if (across) {
                ClickBox(d, IDC_TILE_BY_COUNT);
                Type(d, IDC_TILE_ACROSS, across);
                Type(d, IDC_TILE_DOWN, down);
            }
            Click(d, IDOK);
            HWND progress = ::GetDlgItem(d, IDC_TILE_PROGRESS);
            progressRange_ = static_cast<long>(::SendMessageW(progress, PBM_GETRANGE, FALSE, 0));
            progressAfter_ = static_cast<long>(::SendMessageW(progress, PBM_GETPOS, 0, 0));
            Click(d, IDCANCEL);
        });
        CRasterTileDlg dialog(200, 200);
        dialog.DoModal(nullptr);
        EXPECT_TRUE(prompts.boxes.empty());
    }

    // Each tile table ties its corners to where its pixels lie in the source, names its bitmap
    // and ends with the source's coordinate system; the index lists the tables in order. The
    // judge gets the list "<tile> <source> <x> <y> <w> <h> <fuzz %>".
    void CheckTiles(const std::string& folder, const std::string& base, const std::string& image,
                    const std::vector<Tile>& tiles, int fuzz, const Placement& source = kEquator) {
        const std::string sourceText = ReadAll(source_);
        std::ofstream judged(folder + "\\expected.txt", std::ios::binary);
        std::string index;
        for (size_t n = 1; n <= tiles.size(); ++n) {
            const Tile& t = tiles[n - 1];
            const std::string name = base + "tl" + std::to_string(n);
            judged << "tiles/" << name << ".bmp " << image << " " << t.x << " " << t.y << " " << t.w << " " << t.h << " "
                   << fuzz << "\n";
            index += name + ".tab\r\n";
            const std::string text = ReadAll(folder + "\\tiles\\" + name + ".tab");
            EXPECT_NE(text.find("\r\nFile \"" + name + ".bmp\"\r\nType \"RASTER\"\r\n"), std::string::npos) << name;
            EXPECT_EQ(text.substr(text.find("CoordSys")), sourceText.substr(sourceText.find("CoordSys"))) << name;
            const std::vector<Tie> ties = ControlPoints(text);
            ASSERT_EQ(ties.size(), 4u) << name;
            for (const Tie& tie : ties) {
                const raster::ControlPoint expected = source.At(t.x + tie.column, t.y + tie.row);
                EXPECT_NEAR(tie.x, expected.x, 1e-9) << name << " " << tie.column << "," << tie.row;
                EXPECT_NEAR(tie.y, expected.y, 1e-9) << name << " " << tie.column << "," << tie.row;
            }
            EXPECT_EQ(ties[3].column - ties[0].column, t.w) << name;
            EXPECT_EQ(ties[3].row - ties[0].row, t.h) << name;
        }
        EXPECT_EQ(ReadAll(folder + "\\tiles\\" + base + ".atr"), index);
        EXPECT_EQ(progressRange_, static_cast<long>(tiles.size()));
        EXPECT_EQ(progressAfter_, 0);
    }

    GeoBox EngineBounds(IDispatch* layer) {
        EngineDispatch bounds(EngineDispatch(layer).Get(Engine::Layer::kBounds).pdispVal);
        return {bounds.Get(Engine::Rectangle::kXMin).ToDouble(), bounds.Get(Engine::Rectangle::kYMin).ToDouble(),
                bounds.Get(Engine::Rectangle::kXMax).ToDouble(), bounds.Get(Engine::Rectangle::kYMax).ToDouble()};
    }

    std::string source_;
    long progressRange_ = -1, progressAfter_ = -1;
};

TEST_F(Tiling, ABitmapIsCutColumnByColumnAndItsIndexOpensAsOneLayerCoveringTheSource) {
    const std::string folder = JudgedFolder("bmp");
    WriteBitmap(folder + "\\site.bmp", 1000, 700);
    TileImage(folder, "site.bmp");

    // 200 x 200 tiles, numbered down each column; the last row is 100 pixels high.
    CheckTiles(folder, "site", "site.bmp", TilesOf200(1000, 700), 0);

    // The index is one layer of twenty tables; their extents tile the source's exactly.
    CZmaVadAZLayer* source = layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeRasterTable, source_.c_str());
    ASSERT_NE(source, nullptr);
    const GeoBox whole = EngineBounds(source->GetMapXLayer().Get());
    EXPECT_NEAR(whole.xmax - whole.xmin, 1000 * kPixel, 1e-9);
    auto* index = dynamic_cast<CATRLayer*>(
        layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, (folder + "\\tiles\\site.atr").c_str()));
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(index->GetEngineLayerCount(), 20);
    EXPECT_EQ(layers_->GetCount(), 2);
    double area = 0;
    EngineDispatch list(EngineDispatch(map_.Get()).Get(Engine::Map::kLayers).pdispVal);
    for (long position = index->FirstPosition(); position <= index->LastPosition(); ++position) {
        const GeoBox b = EngineBounds(list.Call(Engine::Layers::kItem, {Variant(position)}).pdispVal);
        EXPECT_GE(b.xmin, whole.xmin - 1e-9);
        EXPECT_LE(b.xmax, whole.xmax + 1e-9);
        EXPECT_GE(b.ymin, whole.ymin - 1e-9);
        EXPECT_LE(b.ymax, whole.ymax + 1e-9);
        area += (b.xmax - b.xmin) * (b.ymax - b.ymin);
    }
    // Inside the source and adding up to its area: no gaps and no overlaps.
    EXPECT_NEAR(area / ((whole.xmax - whole.xmin) * (whole.ymax - whole.ymin)), 1.0, 1e-9);
}

TEST_F(Tiling, AJpegIsCutIntoTheNumberOfTilesAsked) {
    const std::string folder = JudgedFolder("jpg");
    WriteJpeg(folder + "\\photo.jpg", 1000, 700);
    TileImage(folder, "photo.jpg", "3", "2");

    // 333 x 350 tiles; the last pixel column lies in none.
    std::vector<Tile> tiles;
    for (long i = 0; i < 3; ++i)
        for (long j = 0; j < 2; ++j) tiles.push_back({i * 333, j * 350, 333, 350});
    CheckTiles(folder, "photo", "photo.jpg", tiles, 2);
}

// Sources registered the way users register them (four edges, square pixels or not, far from the
// equator), one whose control points turn and skew it and one stored top down, each cut into
// 200 x 200 tiles; GDAL then reads every tile's table against the source's and draws the tiles
// and the source onto one grid for ImageMagick to compare.
TEST_F(Tiling, EachTileLiesWhereItsPixelsLieInTheSourceWhateverTheirShapeAndTurn) {
    const struct {
        const char* name;
        long width, height;
        Placement at;
        bool topDown = false;  // the bitmap's rows stored from the top
    } cases[] = {
        {"square", 450, 300, {10, 50.03, 1e-4, 0, 0, -1e-4}},
        // A 640 x 480 picture between 10 and 11 east, 49 and 50 north.
        {"edges", 640, 480, {10, 50, 1.0 / 639, 0, 0, -1.0 / 479}},
        {"narrow", 450, 300, {10, 50.06, 1e-4, 0, 0, -2e-4}},
        {"turned", 450, 300, {10, 50.03, 0.866e-4, 0.5e-4, 0.9e-4, -1.3e-4}},
        {"upright", 450, 300, {10, 50.03, 1e-4, 0, 0, -1e-4}, true},
    };
    for (const auto& c : cases) {
        const std::string folder = JudgedFolder(c.name), image = std::string(c.name) + ".bmp";
        WriteBitmap(platform::ToWide(folder + "\\" + image), c.width, c.height, c.topDown);
        // Control points at the corner pixels, as the registration tool places them.
        source_ = folder + "\\" + c.name + ".TAB";
        const long w = c.width - 1, h = c.height - 1;
        const raster::ControlPoints corners = {c.at.At(0, 0), c.at.At(0, h), c.at.At(w, 0), c.at.At(w, h)};
        raster::WriteTextFile(source_, raster::FormatRasterTable(image, corners, raster::CoordSysLines("1, 104", false, "degree")));
        TileSource(folder);
        CheckTiles(folder, c.name, image, TilesOf200(c.width, c.height), 0, c.at);
        std::ofstream(folder + "\\placed.txt", std::ios::binary) << image << " " << c.name << ".TAB\n";
    }
}

TEST(TilingProgress, CountsEveryTileBeyondSixteenBits) {
    HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(bar);
    StartProgress(bar, 70000);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 70000);
    ::SendMessageW(bar, PBM_STEPIT, 0, 0);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 1);
    ::DestroyWindow(bar);
}

}  // namespace
