// The raster tools through a control active in a test site, from the control's own module: "New
// Raster" registers an image and the engine shows it at its place; the Layer Control's raster
// tiler cuts it into 200 x 200 pixel tiles whose index the control opens as one layer.
// Unusual pictures, names and counts: what the user is told and what is left in each folder.
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/raster/RasterTable.h"
#include "platform/Com.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <cmath>
#include <fstream>

using namespace dialogtest;
using namespace rastertest;
using platform::Variant;

namespace {

// The registration dialog's source, edges and Projection; the coordinate-system picker's categories.
constexpr int kSource = 234, kLeft = 236, kTop = 240, kRight = 175, kBottom = 177, kProjection = 238, kCategories = 244;
// The tiler's table, folder and Start; the Layer Control's tiler command.
constexpr int kTilerBrowse = 230, kTilerFolder = 251, kRasterTiler = 249;
// Its table, check box for a number of tiles, the numbers across and down, and progress bar.
constexpr int kTilerTable = 247, kTilerByCount = 252, kTilerAcross = 248, kTilerDown = 250, kTilerProgress = 255;

using Texts = std::vector<std::wstring>;

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

// A bitmap file of `colours` colour table entries and `pixels`.
std::string BitmapFile(LONG width, LONG height, WORD bits, DWORD compression, DWORD colours,
                       const std::string& pixels) {
    BITMAPINFOHEADER info = {sizeof info, width, height, 1, bits, compression, static_cast<DWORD>(pixels.size()),
                             0, 0, colours, 0};
    BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, static_cast<DWORD>(sizeof file + sizeof info + colours * 4)};
    return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
           std::string(reinterpret_cast<const char*>(&info), sizeof info) + std::string(colours * 4, '\x7F') + pixels;
}

void WriteTable(const std::wstring& table, const std::string& fileLine) {
    const raster::ControlPoints corners = raster::CornerPoints(10, 0.0145, 10.0449, -0.0154, 450, 300);
    WriteBytes(table, raster::FormatRasterTable(fileLine, corners, raster::CoordSysLines("1, 104", false, "degree")));
}

class RasterCommands : public commandtest::SitedMap {
protected:
    long EngineLayerCount() {
        EngineDispatch layers(EngineGet(Engine::Map::kLayers).pdispVal);
        return layers.Get(Engine::Layers::kCount).ToLong();
    }
    // What the raster tools told the user since the last call, as "<caption>: <text>".
    Texts Told() {
        Texts told;
        for (const auto& d : Dialogs().Dialogs())
            for (const wchar_t* tool :
                 {L"Raster Registration Tool", L"Map Raster Tiler", L"Raster Tiling Tool", L"Map Tiling Tool"})
                if (d.caption == tool) told.push_back(d.caption + L": " + d.text);
        Dialogs().Clear();
        return told;
    }
    // The Layer Control's raster tiler: the destination typed, the table chosen with Browse (or
    // typed), the number of tiles across and down when given, then `work`, Start and Close.
    void Tile(const std::wstring& table, const std::wstring& destination, bool browse = true,
              const wchar_t* across = nullptr, const wchar_t* down = nullptr, std::function<void(HWND)> work = {}) {
        DialogScript script;
        script.Then([](HWND d) {
                  ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(kRasterTiler, 0), 0);
                  Click(d, IDOK);
              })
            .Then([&](HWND d) {
                ::SetDlgItemTextW(d, kTilerFolder, destination.c_str());
                browse ? Click(d, kTilerBrowse) : (void)::SetDlgItemTextW(d, kTilerTable, table.c_str());
                if (across) {
                    ClickBox(d, kTilerByCount);
                    ::SetDlgItemTextW(d, kTilerAcross, across);
                    ::SetDlgItemTextW(d, kTilerDown, down);
                }
                if (work) work(d);
                Click(d, IDOK);
                Click(d, IDCANCEL);
            });
        if (browse) script.Then([&](HWND d) { ChooseFile(d, table); });
        EXPECT_EQ(automation_->LayersDlg(), S_OK);
    }

    const std::string folder_ = Folder("control");
    const std::wstring wide_ = platform::ToWide(folder_), out_ = wide_ + L"\\out";
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

// Projection offers the categories of the engine's list where the engine's set-up named its
// folder (here the engine stand-in's registration, in the registry view of the control's bitness).
TEST_F(RasterCommands, NewRastersProjectionOffersTheListOfTheEngineAsItsSetUpRegisteredIt) {
    Texts categories;
    DialogScript script;
    script
        .Then([](HWND d) {
            Click(d, kProjection);
            Click(d, IDCANCEL);
        })
        .Then([&categories](HWND d) {
            const LRESULT count = ::SendDlgItemMessageW(d, kCategories, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                wchar_t name[128] = {};
                ::SendDlgItemMessageW(d, kCategories, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
                categories.push_back(name);
            }
            Click(d, IDCANCEL);
        });
    Command(32820);
    EXPECT_EQ(script.Captions(), (Texts{L"Raster Image Registration", L"Select a coordinate system"}));
    EXPECT_EQ(categories, (Texts{L"Longitude / Latitude", L"Universal Transverse Mercator (WGS 84)", L"Non Earth"}));
    EXPECT_EQ(Told(), Texts{});
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

// One pixel across or down puts two control points in one place, and a name the table's
// character set cannot spell would name another image: refused, and no table written. An image
// in a folder of any name gets its table beside it, not beside the one the ANSI code page names.
TEST_F(RasterCommands, NewRasterRefusesAnImageItsTableCannotHoldAndWritesBesideExactlyTheImageChosen) {
    for (const wchar_t* folder : {L"\\\u03A9", L"\\O"}) ::CreateDirectoryW((wide_ + folder).c_str(), nullptr);
    for (const wchar_t* ansiName : {L"\\Omega.bmp", L"\\O\\site.bmp"}) WriteBitmap(wide_ + ansiName, 40, 30);
    const std::wstring thin = L"Raster Registration Tool: The image is ",
                       needs = L" pixels: a raster table needs an image at least 2 pixels wide and 2 pixels high.";
    const struct {
        std::wstring image;
        int width, height;
        Texts told;
    } cases[] = {
        {L"line.bmp", 1, 300, {thin + L"1 x 300" + needs}},
        {L"row.bmp", 300, 1, {thin + L"300 x 1" + needs}},
        {L"\u03A9mega.bmp", 40, 30,
         {L"Raster Registration Tool: A raster table cannot name the image \"\u03A9mega.bmp\": its character set "
          L"(WindowsLatin1) lacks some of the name's characters."}},
        {L"\u03A9\\site.bmp", 40, 30, {}},
    };
    for (const auto& c : cases) {
        WriteBitmap(wide_ + L"\\" + c.image, c.width, c.height);
        // New Raster: the image and its edges typed, OK, and Cancel when the dialog stays open.
        DialogScript script;
        script.Then([&](HWND d) {
            ::SetDlgItemTextW(d, kSource, (wide_ + L"\\" + c.image).c_str());
            for (int edge : {kLeft, kTop, kRight, kBottom})
                ::SetDlgItemTextW(d, edge, edge == kLeft || edge == kTop ? L"1" : L"0");
            Click(d, IDOK);
            if (::IsWindowVisible(d)) Click(d, IDCANCEL);
        });
        Command(32820);
        EXPECT_EQ(Told(), c.told) << platform::ToAnsi(c.image);
        for (const std::wstring& written : NamesIn(wide_)) EXPECT_EQ(written.find(L".TAB"), written.npos);
    }
    EXPECT_EQ(NamesIn(wide_ + L"\\\u03A9"), (Texts{L"site.TAB", L"site.bmp"}));
}

// The tiles go into the folder chosen and nowhere else, whatever separates the folders on the
// table's "File" line and whatever characters name the folders: a table in a folder named in
// Chinese naming "../pic/good.bmp", tiled into "\u03A9ut" beside "Out" (what the ANSI code page
// makes of it), and a typed table naming a drive-relative path, read against the current folder.
TEST_F(RasterCommands, TheTilerWritesIntoExactlyTheFolderChosen) {
    const std::wstring pictures = wide_ + L"\\pic", tables = wide_ + L"\\\u5730\u56FE";
    for (const std::wstring& folder : {pictures, tables, wide_ + L"\\Out", wide_ + L"\\\u03A9ut", wide_ + L"\\drive"})
        ::CreateDirectoryW(folder.c_str(), nullptr);
    WriteBitmap(pictures + L"\\good.bmp", 450, 300);
    WriteTable(tables + L"\\good.TAB", "../pic/good.bmp");
    WriteTable(tables + L"\\drive.TAB", folder_.substr(0, 2) + "good.bmp");
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    ::SetCurrentDirectoryW(pictures.c_str());
    Tile(tables + L"\\drive.TAB", wide_ + L"\\drive", false);  // typed: the file chooser changes the current folder
    Tile(tables + L"\\good.TAB", wide_ + L"\\\u03A9ut");
    ::SetCurrentDirectoryW(current);
    EXPECT_EQ(Told(), Texts{});
    for (const wchar_t* out : {L"\\drive", L"\\\u03A9ut"})  // the index, and six tiles with their tables
        EXPECT_EQ(NamesIn(wide_ + out).size(), 13u) << platform::ToAnsi(out);
    EXPECT_EQ(NamesIn(pictures), Texts{L"good.bmp"});
    EXPECT_EQ(NamesIn(wide_ + L"\\Out"), Texts{});
}

// Presses the tiler's Close once its progress bar shows a tile written, and notes how many.
long g_progressAtClose = -1;
void CALLBACK CloseOnceCutting(HWND tiler, UINT, UINT_PTR timer, DWORD) {
    g_progressAtClose = static_cast<long>(::SendDlgItemMessageW(tiler, kTilerProgress, PBM_GETPOS, 0, 0));
    if (g_progressAtClose < 1) return;
    ::KillTimer(tiler, timer);
    Click(tiler, IDCANCEL);
}

// Pictures that cannot be read whole, more tiles than a tiling makes, a folder named like a
// tile: the user is told why when the table is chosen (then Start asks for one) and when Start is
// pressed, and no index is left, not even an earlier one whose tiles are being overwritten; only
// the tiles written before a failure stay. A tiling of 10 000 tiles, as many as a tiling makes,
// keeps its dialog answering, and Close stops it between two tiles.
TEST_F(RasterCommands, TheTilerSaysWhyATilingIsRefusedFailedOrStoppedAndLeavesNoIndex) {
    WriteBitmap(wide_ + L"\\good.bmp", 450, 300);
    const std::string good = ReadAll(folder_ + "\\good.bmp");
    const std::pair<const char*, std::string> pictures[] = {
        {"good", good},
        {"short", BitmapFile(40000, 40000, 1, BI_RGB, 2, "")},  // 40000 x 40000 pixels in 62 bytes
        {"past", std::string(good).replace(10, 4, "\xFF\xFF\xFF\x7F")},  // its pixels' offset past the end
        // Valid and small: 40000 x 40000 pixels of run-length codes that end at once.
        {"huge", BitmapFile(40000, 40000, 8, BI_RLE8, 1, std::string("\0\1", 2))}};
    for (const auto& [name, bytes] : pictures) {
        WriteBytes(wide_ + L"\\" + platform::ToWide(name) + L".bmp", bytes);
        WriteTable(wide_ + L"\\" + platform::ToWide(name) + L".TAB", std::string(name) + ".bmp");
    }
    const std::wstring unreadable = L"Map Raster Tiler: Failed to load the registered image " + wide_ + L"\\",
                       header = L".bmp: the file does not hold what its header describes.",
                       choose = L"Raster Tiling Tool: A raster table must be chosen: choose the registered raster "
                                L"to cut into tiles.",
                       many = L"Raster Tiling Tool: The tiling would make ",
                       most = L" tiles; a tiling makes at most 10000. Choose fewer tiles.";
    const struct {
        const wchar_t* table;  // chosen with Browse unless typed
        Texts told, left;
        bool typed = false;
        const wchar_t *across = nullptr, *down = nullptr, *blocked = nullptr;
    } cases[] = {
        {L"short.TAB", {unreadable + L"short" + header, choose}, {}},
        {L"past.TAB", {unreadable + L"past" + header}, {}, true},
        {L"huge.TAB", {many + L"40000" + most}, {}},
        {L"huge.TAB", {many + L"1600000000" + most}, {}, false, L"40000", L"40000"},
        {L"good.TAB",
         {L"Raster Tiling Tool: Tiling failed: " + out_ + L"\\goodtl2.bmp cannot be written; no index was written."},
         {L"goodtl1.bmp", L"goodtl1.tab", L"goodtl2.bmp"}, false, nullptr, nullptr, L"goodtl2.bmp"},
    };
    for (const auto& c : cases) {
        Folder("out", folder_);
        if (c.blocked) {  // a folder named like a tile, beside an earlier index
            ::CreateDirectoryW((out_ + L"\\" + c.blocked).c_str(), nullptr);
            WriteBytes(out_ + L"\\good.atr", "goodtl1.tab\r\n");
        }
        Tile(wide_ + L"\\" + c.table, out_, !c.typed, c.across, c.down);
        EXPECT_EQ(Told(), c.told) << platform::ToAnsi(c.table);
        EXPECT_EQ(NamesIn(out_), c.left) << platform::ToAnsi(c.table);
    }

    Folder("out", folder_);
    testsupport::Watchdog(300000).Guard("a tiling of 10 000 tiles stopped with Close", [&] {
        Tile(wide_ + L"\\good.TAB", out_, true, L"100", L"100", [](HWND d) { ::SetTimer(d, 1, 20, CloseOnceCutting); });
    });
    EXPECT_EQ(Told(), Texts{L"Raster Tiling Tool: Tiling stopped after " + std::to_wstring(g_progressAtClose) +
                            L" of 10000 tiles; no index was written."});
    // Each tile with its table, and nothing else.
    EXPECT_EQ(NamesIn(out_).size(), 2u * g_progressAtClose);
    EXPECT_TRUE(Exists(folder_ + "\\out\\goodtl" + std::to_string(g_progressAtClose) + ".tab"));
}

}  // namespace
