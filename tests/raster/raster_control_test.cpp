// The raster tools through a control active in a test site, from the control's own module: "New
// Raster" registers an image and the engine shows it at its place; the Layer Control's raster
// tiler cuts it into 200 x 200 pixel tiles whose index the control opens as one layer. Damaged,
// thin and huge pictures, names of any characters and separators, tilings refused, failing or
// stopped: what the user is told and what is left in every folder.
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/raster/RasterTable.h"
#include "platform/Com.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <fstream>

using namespace dialogtest;
using namespace rastertest;
using platform::Variant;

namespace {

// The registration dialog's source and edges.
constexpr int kSource = 234, kLeft = 236, kTop = 240, kRight = 175, kBottom = 177;
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

// Bitmap files that cannot be read whole, from a good one of 450 x 300 pixels: a header claiming
// 40000 x 40000 pixels in 62 bytes, two thirds of the rows missing, the pixels past the end.
std::string DamagedBitmap(std::string good, int kind) {
    if (kind == 0) return BitmapFile(40000, 40000, 1, BI_RGB, 2, "");
    if (kind == 1) return good.substr(0, 54 + (good.size() - 54) / 3);
    const DWORD past = static_cast<DWORD>(good.size() + 100);
    return good.replace(10, 4, reinterpret_cast<const char*>(&past), 4);
}

void WriteTable(const std::wstring& table, const std::string& fileLine, int width = 450, int height = 300) {
    const raster::ControlPoints corners = raster::CornerPoints(10, 0.0145, 10.0449, -0.0154, width, height);
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
    // New Raster: the source and the edges typed, OK, and Cancel when the dialog stays open.
    void Register(const std::wstring& source) {
        DialogScript script;
        script.Then([&](HWND d) {
            ::SetDlgItemTextW(d, kSource, source.c_str());
            for (int edge : {kLeft, kTop, kRight, kBottom})
                ::SetDlgItemTextW(d, edge, edge == kLeft || edge == kTop ? L"1" : L"0");
            Click(d, IDOK);
            if (::IsWindowVisible(d)) Click(d, IDCANCEL);
        });
        Command(32820);
    }
    // The Layer Control's raster tiler: the destination typed, the table chosen with Browse (or
    // typed), then `work`, Start and Close.
    void Tile(const std::wstring& table, const std::wstring& destination, std::function<void(HWND)> work = nullptr,
              bool browse = true) {
        DialogScript script;
        script.Then([](HWND d) {
                  ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(kRasterTiler, 0), 0);
                  Click(d, IDOK);
              })
            .Then([&](HWND d) {
                ::SetDlgItemTextW(d, kTilerFolder, destination.c_str());
                browse ? Click(d, kTilerBrowse) : (void)::SetDlgItemTextW(d, kTilerTable, table.c_str());
                if (work) work(d);
                Click(d, IDOK);
                Click(d, IDCANCEL);
            });
        if (browse) script.Then([&](HWND d) { ChooseFile(d, table); });
        EXPECT_EQ(automation_->LayersDlg(), S_OK);
    }
    static void Count(HWND d, const wchar_t* across, const wchar_t* down) {
        ClickBox(d, kTilerByCount);
        ::SetDlgItemTextW(d, kTilerAcross, across);
        ::SetDlgItemTextW(d, kTilerDown, down);
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

// Refused without a table written: one pixel across or down puts two control points in one place;
// a name the table's character set cannot spell would name another image, or none. An image in a
// folder of any name gets its table beside it, not beside the one the ANSI code page names.
TEST_F(RasterCommands, NewRasterRefusesAnImageItsTableCannotHoldAndWritesBesideExactlyTheImageChosen) {
    WriteBitmap(wide_ + L"\\Omega.bmp", 40, 30);
    const std::wstring thin = L"Raster Registration Tool: The image is ",
                       needs = L" pixels: a raster table needs an image at least 2 pixels wide and 2 pixels high.",
                       name = L"Raster Registration Tool: A raster table cannot name the image \"",
                       charset = L"\": its character set (WindowsLatin1) lacks some of the name's characters.";
    const struct {
        std::wstring image;
        int width, height;
        std::wstring told;
    } cases[] = {
        {L"line.bmp", 1, 300, thin + L"1 x 300" + needs},
        {L"dot.bmp", 1, 1, thin + L"1 x 1" + needs},
        {L"row.bmp", 300, 1, thin + L"300 x 1" + needs},
        {L"\u03A9mega.bmp", 40, 30, name + L"\u03A9mega.bmp" + charset},
        {L"\u5730\u56FE.bmp", 40, 30, name + L"\u5730\u56FE.bmp" + charset},
    };
    const long layers = EngineLayerCount();
    for (const auto& c : cases) {
        WriteBitmap(wide_ + L"\\" + c.image, c.width, c.height);
        Register(wide_ + L"\\" + c.image);
        EXPECT_EQ(Told(), Texts{c.told}) << platform::ToAnsi(c.image);
        for (const std::wstring& written : NamesIn(wide_)) EXPECT_EQ(written.find(L".TAB"), written.npos);
    }
    EXPECT_EQ(EngineLayerCount(), layers);

    for (const wchar_t* folder : {L"\\\u03A9", L"\\O"}) {
        ::CreateDirectoryW((wide_ + folder).c_str(), nullptr);
        WriteBitmap(wide_ + folder + L"\\site.bmp", 40, 30);
    }
    Register(wide_ + L"\\\u03A9\\site.bmp");
    EXPECT_EQ(NamesIn(wide_ + L"\\\u03A9"), (Texts{L"site.TAB", L"site.bmp"}));
    EXPECT_EQ(NamesIn(wide_ + L"\\O"), Texts{L"site.bmp"});
}

// A picture that cannot be read whole is refused when its table is chosen and when Start reads
// it again, before anything is written; Start without a usable table asks for one (a table
// that is no raster says so instead).
TEST_F(RasterCommands, TheTilerRefusesAPictureItCannotReadWholeOrNoTableBeforeWritingAnything) {
    WriteBitmap(wide_ + L"\\good.bmp", 450, 300);
    const std::string good = ReadAll(folder_ + "\\good.bmp");
    WriteTable(wide_ + L"\\good.TAB", "good.bmp");
    ::CreateDirectoryW(out_.c_str(), nullptr);
    const std::wstring damaged = L"Map Raster Tiler: Failed to load the registered image " + wide_ +
                                 L"\\good.bmp: the file does not hold what its header describes.";
    for (int kind = 0; kind < 3; ++kind) {
        WriteBytes(wide_ + L"\\good.bmp", DamagedBitmap(good, kind));
        std::string shown;
        Tile(wide_ + L"\\good.TAB", out_, [&](HWND d) {
            shown = TextOf(d, kTilerTable);
            ::SetDlgItemTextW(d, kTilerTable, (wide_ + L"\\good.TAB").c_str());
        });
        EXPECT_EQ(shown, "") << kind;
        EXPECT_EQ(Told(), (Texts{damaged, damaged})) << kind;
    }
    std::ofstream(folder_ + "\\empty.tab") << "!table\n\nDefinition Table\n";
    std::ofstream(folder_ + "\\roads.tab") << "!table\n\nDefinition Table\n  Type NATIVE Charset \"WindowsLatin1\"\n";
    Tile(wide_ + L"\\roads.tab", out_, [&](HWND d) {
        for (const std::wstring& typed : {std::wstring(), wide_ + L"\\missing.tab", wide_ + L"\\empty.tab"}) {
            ::SetDlgItemTextW(d, kTilerTable, typed.c_str());
            Click(d, IDOK);
        }
        ::SetDlgItemTextW(d, kTilerTable, (wide_ + L"\\roads.tab").c_str());
    }, false);
    const std::wstring choose =
        L"Raster Tiling Tool: A raster table must be chosen: choose the registered raster to cut into tiles.";
    EXPECT_EQ(Told(), (Texts{choose, choose, choose, L"Map Raster Tiler: The specified layer is not a raster."}));
    EXPECT_EQ(NamesIn(out_), Texts{});
}

// The tiles go into the folder chosen and nowhere else, whatever separates the folders of the
// image's path on the table's "File" line (a drive-relative path is read against the current
// folder) and whatever characters name the folders.
TEST_F(RasterCommands, TheTilerWritesIntoExactlyTheFolderChosen) {
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring pictures = wide_ + L"\\pic";
    ::CreateDirectoryW(pictures.c_str(), nullptr);
    WriteBitmap(pictures + L"\\good.bmp", 450, 300);
    const struct {
        std::wstring tables, destination;  // "Out" is what the ANSI code page makes of "\u03A9ut"
        std::string fileLine;
        bool browse;  // else typed: the file chooser makes the table's folder the current one
    } cases[] = {
        {L"tables", L"tiles", "../pic/good.bmp", true},
        {L"tables", L"tiles", platform::ToAnsi(pictures) + "/good.bmp", true},
        {L"tables", L"tiles", folder_.substr(0, 2) + "good.bmp", false},
        {L"tables", L"\u03A9ut", "..\\pic\\good.bmp", true},
        {L"\u5730\u56FE", L"tiles", "..\\pic\\good.bmp", true},
    };
    for (const auto& c : cases) {
        const std::wstring tables = wide_ + L"\\" + c.tables, out = wide_ + L"\\" + c.destination;
        for (const std::wstring& folder : {tables, out, wide_ + L"\\Out"}) {
            ::CreateDirectoryW(folder.c_str(), nullptr);
            for (const std::wstring& name : NamesIn(folder)) ::DeleteFileW((folder + L"\\" + name).c_str());
        }
        WriteTable(tables + L"\\good.TAB", c.fileLine);
        ::SetCurrentDirectoryW(pictures.c_str());
        Tile(tables + L"\\good.TAB", out, nullptr, c.browse);
        EXPECT_EQ(Told(), Texts{}) << c.fileLine;
        // The index, and six tiles with their tables.
        EXPECT_TRUE(NamesIn(out).size() == 13u && NamesIn(out)[0] == L"good.atr") << c.fileLine;
        EXPECT_EQ(NamesIn(wide_ + L"\\Out"), Texts{}) << c.fileLine;
        EXPECT_EQ(NamesIn(tables), Texts{L"good.TAB"}) << c.fileLine;
        EXPECT_EQ(NamesIn(pictures), Texts{L"good.bmp"}) << c.fileLine;
    }
    ::SetCurrentDirectoryW(current);
}

// Refused before its first tile (more tiles than a tiling makes), or failing on the way (a folder
// named like a tile): the user is told once, and no index is left, not even an earlier one whose
// tiles are being overwritten; the tiles written before a failure stay.
TEST_F(RasterCommands, ARefusedOrFailedTilingSaysSoOnceAndLeavesNoIndex) {
    WriteBitmap(wide_ + L"\\good.bmp", 450, 300);
    WriteTable(wide_ + L"\\good.TAB", "good.bmp");
    // Valid and small: 40000 x 40000 pixels of run-length codes that end at once.
    WriteBytes(wide_ + L"\\huge.bmp", BitmapFile(40000, 40000, 8, BI_RLE8, 1, std::string("\0\1", 2)));
    WriteTable(wide_ + L"\\huge.TAB", "huge.bmp", 40000, 40000);
    const std::wstring many = L"Raster Tiling Tool: The tiling would make ",
                       most = L" tiles; a tiling makes at most 10000. Choose fewer tiles.",
                       failed = L"Raster Tiling Tool: Tiling failed: " + out_,
                       noIndex = L" cannot be written; no index was written.";
    const struct {
        const wchar_t *table, *across, *down, *blocked;
        std::wstring told;
        Texts left;
    } cases[] = {
        {L"good", L"450", L"300", nullptr, many + L"135000" + most, {}},
        {L"huge", nullptr, nullptr, nullptr, many + L"40000" + most, {}},
        {L"huge", L"40000", L"40000", nullptr, many + L"1600000000" + most, {}},
        {L"good", nullptr, nullptr, L"goodtl1.bmp", failed + L"\\goodtl1.bmp" + noIndex, {L"goodtl1.bmp"}},
        {L"good", nullptr, nullptr, L"goodtl3.bmp", failed + L"\\goodtl3.bmp" + noIndex,
         {L"goodtl1.bmp", L"goodtl1.tab", L"goodtl2.bmp", L"goodtl2.tab", L"goodtl3.bmp"}},
    };
    for (const auto& c : cases) {
        Folder("out", folder_);
        if (c.blocked) {
            ::CreateDirectoryW((out_ + L"\\" + c.blocked).c_str(), nullptr);
            WriteBytes(out_ + L"\\good.atr", "goodtl1.tab\r\n");
        }
        Tile(wide_ + L"\\" + c.table + L".TAB", out_, [&](HWND d) {
            if (c.across) Count(d, c.across, c.down);
        });
        EXPECT_EQ(Told(), Texts{c.told}) << platform::ToAnsi(c.told);
        EXPECT_EQ(NamesIn(out_), c.left) << platform::ToAnsi(c.told);
    }
}

// Presses the tiler's Close once its progress bar shows a tile written, and notes how many.
HWND g_tiler = nullptr;
UINT_PTR g_closing = 0;
long g_progressAtClose = -1;
void CALLBACK CloseOnceCutting(HWND, UINT, UINT_PTR timer, DWORD) {
    const long position = static_cast<long>(::SendDlgItemMessageW(g_tiler, kTilerProgress, PBM_GETPOS, 0, 0));
    if (position < 1) return;
    ::KillTimer(nullptr, timer);
    g_progressAtClose = position;
    Click(g_tiler, IDCANCEL);
}

// 10 000 tiles, as many as a tiling makes: the dialog handles its messages while it cuts, and
// Close ends the tiling before the next tile, with every tile shown whole and no index.
TEST_F(RasterCommands, CloseStopsALongTilingBetweenTwoTilesAndLeavesNoIndex) {
    WriteBitmap(wide_ + L"\\good.bmp", 1000, 1000);
    WriteTable(wide_ + L"\\good.TAB", "good.bmp", 1000, 1000);
    ::CreateDirectoryW(out_.c_str(), nullptr);
    testsupport::Watchdog watchdog;
    watchdog.Guard("a tiling of 10 000 tiles stopped with Close", [&] {
        Tile(wide_ + L"\\good.TAB", out_, [&](HWND d) {
            Count(d, L"100", L"100");
            g_tiler = d;
            g_closing = ::SetTimer(nullptr, 0, 20, &CloseOnceCutting);
        });
    }, 300000);
    ::KillTimer(nullptr, g_closing);
    ASSERT_GE(g_progressAtClose, 1);
    EXPECT_LT(g_progressAtClose, 10000);
    EXPECT_EQ(Told(), Texts{L"Raster Tiling Tool: Tiling stopped after " + std::to_wstring(g_progressAtClose) +
                            L" of 10000 tiles; no index was written."});
    const Texts left = NamesIn(out_);
    EXPECT_EQ(left.size(), 2u * g_progressAtClose);
    EXPECT_EQ(std::count(left.begin(), left.end(), L"goodtl" + std::to_wstring(g_progressAtClose) + L".tab"), 1);
    EXPECT_EQ(std::count(left.begin(), left.end(), L"good.atr"), 0);
}

}  // namespace
