// The raster tools through a control active in a test site, from the control's own module: "New
// Raster" registers an image and the engine shows it at its place; the Layer Control's raster
// tiler cuts it into 200 x 200 pixel tiles whose index the control opens as one layer.
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/DibCanvas.h"

#include <cmath>

using namespace dialogtest;
using namespace rastertest;
using platform::Variant;

namespace {

// The registration dialog's source and edges.
constexpr int kSource = 234, kLeft = 236, kTop = 240, kRight = 175, kBottom = 177;
// The tiler's table, folder and Start; the Layer Control's tiler command.
constexpr int kTilerBrowse = 230, kTilerFolder = 251, kRasterTiler = 249;

class RasterCommands : public commandtest::SitedMap {
protected:
    long EngineLayerCount() {
        EngineDispatch layers(EngineGet(Engine::Map::kLayers).pdispVal);
        return layers.Get(Engine::Layers::kCount).ToLong();
    }
    const std::string folder_ = Folder("control");
};

TEST_F(RasterCommands, NewRasterShowsTheImageWithItsCornersAtTheControlPoints) {
    // 40 x 30 pixels of a thousandth of a degree, on the equator.
    const std::string image = folder_ + "\\plan.bmp";
    WriteBitmap(image, 40, 30);
    const double left = 10, top = 0.0145, right = 10.039, bottom = -0.0145;
    WorkDialogs([&](HWND d) {
        ::SetDlgItemTextA(d, kSource, image.c_str());
        for (const auto& edge : {std::make_pair(kLeft, "10"), std::make_pair(kTop, "0.0145"),
                                 std::make_pair(kRight, "10.039"), std::make_pair(kBottom, "-0.0145")})
            ::SetDlgItemTextA(d, edge.first, edge.second);
        ::PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    const long before = EngineLayerCount();
    EXPECT_EQ(Command(32820), 0);
    EXPECT_EQ(EngineLayerCount(), before + 1);
    EXPECT_TRUE(Exists(folder_ + "\\plan.TAB"));

    // A tenth of a degree across the 400 pixels: four screen pixels an image pixel.
    EnginePut(25, Variant(1L));  // kilometres
    const double kilometresPerDegree = 3.14159265358979323846 * 6371.0 / 180.0;
    EngineDispatch(map_.Get()).Call(35, {Variant(0.1 * kilometresPerDegree), Variant(10.02), Variant(0.0)});
    testsupport::DibCanvas canvas(400, 300);
    ASSERT_EQ(canvas.DrawView(control_.Get()), S_OK);
    const struct {
        double x, y;
        int column, row;
    } corners[] = {{left, top, 0, 0}, {left, bottom, 0, 29}, {right, top, 39, 0}, {right, bottom, 39, 29}};
    for (const auto& c : corners) {
        const EngineScreenPoint at = EngineMapToScreen(EngineDispatch(map_.Get()), c.x, c.y);
        // Inside the image pixel that starts at the control point.
        EXPECT_EQ(canvas.Pixel(static_cast<int>(std::lround(at.x)) + 1, static_cast<int>(std::lround(at.y)) + 1),
                  PatternColour(c.column, c.row))
            << c.column << "," << c.row;
    }
}

TEST_F(RasterCommands, TheLayerControlTilesARasterWhoseIndexOpensAsOneLayer) {
    WriteBitmap(folder_ + "\\site.bmp", 450, 300);
    const std::string table = WriteRegisteredTable(folder_, "site.bmp", 10, 0.0145, 10.0449, -0.0154, 450, 300);
    const std::string tiles = folder_ + "\\tiles";
    ::CreateDirectoryA(tiles.c_str(), nullptr);
    DialogScript script;
    script
        .Then([&](HWND d) {
            ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(kRasterTiler, 0), 0);
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            Type(d, kTilerFolder, tiles.c_str());
            Click(d, kTilerBrowse);
            Click(d, IDOK);
            Click(d, IDCANCEL);
        })
        .Then([&](HWND d) { ChooseFile(d, std::wstring(table.begin(), table.end())); });
    EXPECT_EQ(automation_->LayersDlg(), S_OK);
    ASSERT_GE(script.Captions().size(), 2u);
    EXPECT_EQ(script.Captions()[1], L"Map raster tiler");

    // 450 x 300 pixels in tiles of 200 x 200: three columns of two.
    EXPECT_EQ(ReadAll(tiles + "\\site.atr"),
              "sitetl1.tab\r\nsitetl2.tab\r\nsitetl3.tab\r\nsitetl4.tab\r\nsitetl5.tab\r\nsitetl6.tab\r\n");
    const long before = EngineLayerCount();
    EXPECT_EQ(automation_->AddTemporaryTabLayer(platform::Bstr(std::wstring(tiles.begin(), tiles.end()) + L"\\site.atr").Get()),
              S_OK);
    EXPECT_EQ(EngineLayerCount(), before + 6);
}

}  // namespace
