// Workspaces and geosets opened through the import framework: the layers, their order and their
// settings read back from the engine stand-in, settings the engine refuses, and hostile files.
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/workspaces/ImportReports.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceGST.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceWOR.h"
#include "tests/workspaces/WorkspaceFixture.h"

#include <olectl.h>

#include <functional>

using namespace workspacetest;
using platform::ComPtr;
using Names = std::vector<std::string>;
namespace L = Engine::Labels;
namespace S = Engine::Style;
namespace Layer = Engine::Layer;

namespace {

class Import : public WorkspaceTest {
protected:
    struct Font {
        std::wstring name;
        bool bold = false, italic = false;
        long long size = 0;
    };
    ComPtr<IDispatch> Labels(const char* layer) { return Object(EngineLayer(layer).Get(), Layer::kLabelProperties); }
    ComPtr<IDispatch> TextStyle(const char* layer) { return Object(Labels(layer).Get(), L::kStyle); }
    Font LabelFont(const char* layer) {
        ComPtr<IFont> font;
        Object(TextStyle(layer).Get(), S::kTextFont)->QueryInterface(IID_IFont, font.PutVoid());
        Font f;
        BSTR name = nullptr;
        BOOL bold = FALSE, italic = FALSE;
        CY size = {};
        font->get_Name(&name);
        font->get_Bold(&bold);
        font->get_Italic(&italic);
        font->get_Size(&size);
        f.name = platform::Bstr::Attach(name).Wide();
        f.bold = bold != FALSE;
        f.italic = italic != FALSE;
        f.size = size.int64 / 10000;
        return f;
    }
    // The layer's zoom range, or its label zoom range, read in `unit`.
    std::pair<double, double> Zoom(const char* layer, long unit, bool labels = false) {
        const long saved = MapUnit();
        SetMapUnit(unit);
        ComPtr<IDispatch> object = labels ? Labels(layer) : EngineLayer(layer);
        std::pair<double, double> range{Get(object.Get(), labels ? L::kLabelZoomMin : Layer::kZoomMin).ToDouble(),
                                        Get(object.Get(), labels ? L::kLabelZoomMax : Layer::kZoomMax).ToDouble()};
        SetMapUnit(saved);
        return range;
    }
    bool Flag(const char* layer, DISPID id) { return Get(EngineLayer(layer).Get(), id).ToBool(); }
};

TEST_F(Import, AWorkspacesTablesComeInItsOrderWithTheirSettings) {
    SetMapUnit(7);
    CZmaVOMapXWorkspaceWOR reader;
    ASSERT_TRUE(Open(reader, WriteTownWorkspace()));
    EXPECT_EQ(LayerNames(), (Names{"roads", "parks", "sites", "rivers"}));
    EXPECT_EQ(added_, (Names{"rivers", "sites", "parks", "roads"}));
    EXPECT_EQ(MapUnit(), 7);
    EXPECT_TRUE(prompts_.boxes.empty());

    EXPECT_EQ(Zoom("roads", 1), std::make_pair(0.0, 50.0));
    EXPECT_EQ(Zoom("parks", 1), std::make_pair(0.5, 2.5));  // "KM", and with no blank before "("
    EXPECT_TRUE(Flag("roads", Layer::kZoomLayering) && Flag("parks", Layer::kZoomLayering));
    // An unknown unit ("m") leaves the zoom as it was, and says so in the log.
    EXPECT_FALSE(Flag("sites", Layer::kZoomLayering));
    bool logged = false;
    for (const std::wstring& line : LogMessages()) logged |= line.find(L"\"m\" is unknown") != std::wstring::npos;
    EXPECT_TRUE(logged);
    EXPECT_TRUE(Flag("roads", Layer::kVisible) && Flag("parks", Layer::kVisible) && Flag("rivers", Layer::kVisible));
    EXPECT_FALSE(Flag("sites", Layer::kVisible));
    EXPECT_FALSE(Flag("parks", Layer::kSelectable));
    EXPECT_FALSE(Flag("roads", Layer::kAutoLabel));

    // Override style: the file's colours in the engine's byte order.
    EXPECT_TRUE(Flag("roads", Layer::kOverrideStyle));
    ComPtr<IDispatch> style = Object(EngineLayer("roads").Get(), Layer::kStyle);
    const std::pair<DISPID, long> styleValues[] = {{S::kRegionBorderColor, 0xFF0000}, {S::kRegionColor, 0x0000FF},
                                                   {S::kRegionBackColor, 0x00FF00},   {S::kRegionPattern, 2},
                                                   {S::kRegionBorderStyle, 2},        {S::kRegionBorderWidth, 1}};
    for (const auto& [id, value] : styleValues) EXPECT_EQ(Get(style.Get(), id).ToLong(), value) << "style " << id;

    ComPtr<IDispatch> labels = Labels("roads");
    const std::pair<DISPID, long> labelValues[] = {{L::kLineType, 2}, {L::kPosition, 3}, {L::kParallel, -1},
                                                   {L::kOverlap, -1}, {L::kDuplicate, 0}, {L::kOffset, 4},
                                                   {L::kLabelMax, 50}, {L::kPartialSegments, -1},
                                                   {L::kLabelZoom, -1}, {L::kVisible, -1}};  // within its range
    for (const auto& [id, value] : labelValues) EXPECT_EQ(Get(labels.Get(), id).ToLong(), value) << "labels " << id;
    EXPECT_EQ(Zoom("roads", 1, true), std::make_pair(1.0, 20.0));
    EXPECT_EQ(Get(Object(labels.Get(), L::kDataField).Get(), Engine::Field::kName).ToWide(), L"lanes");
    ComPtr<IDispatch> text = TextStyle("roads");
    EXPECT_EQ(Get(text.Get(), S::kTextFontColor).ToLong(), 0xFF0000);
    EXPECT_EQ(Get(text.Get(), S::kTextFontBackColor).ToLong(), 0xFFFFFF);
    EXPECT_TRUE(Get(text.Get(), S::kTextFontHalo).ToBool());
    EXPECT_FALSE(Get(text.Get(), S::kTextFontOpaque).ToBool());
    const Font mono = LabelFont("roads"), serif = LabelFont("rivers");
    EXPECT_EQ(mono.name, L"DejaVu Sans Mono");
    EXPECT_TRUE(mono.bold && !mono.italic);
    EXPECT_EQ(mono.size, 9);
    EXPECT_EQ(serif.name, L"DejaVu Serif");
    EXPECT_TRUE(serif.bold && serif.italic);
    EXPECT_EQ(serif.size, 12);
    EXPECT_EQ(Get(Labels("rivers").Get(), L::kPosition).ToLong(), 7);
}

TEST_F(Import, AGeosetsTablesComeFirstOnTopWithZoomsInMiles) {
    CZmaVOMapXWorkspaceGST reader;
    ASSERT_TRUE(Open(reader, WriteTownGeoset()));
    EXPECT_EQ(LayerNames(), (Names{"Main \"A\" Roads", "parks", "sites"}));
    EXPECT_EQ(Zoom("Main \"A\" Roads", 0), std::make_pair(0.0, 12.5));
    EXPECT_EQ(Zoom("Main \"A\" Roads", 0, true), std::make_pair(1.0, 3.0));
    ComPtr<IDispatch> labels = Labels("Main \"A\" Roads");
    EXPECT_TRUE(Get(labels.Get(), L::kLabelZoom).ToBool() && Get(labels.Get(), L::kVisible).ToBool());
    EXPECT_TRUE(Flag("Main \"A\" Roads", Layer::kOverrideStyle));
    EXPECT_FALSE(Flag("parks", Layer::kVisible));
    EXPECT_FALSE(Flag("sites", Layer::kSelectable));
}

TEST_F(Import, AZoomTheEngineRefusesIsSkippedAndTheMapKeepsItsUnit) {
    SetMapUnit(7);
    ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", L"fail-zoom");
    CZmaVOMapXWorkspaceWOR reader;
    const bool opened = Open(reader, WriteTownWorkspace());
    ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", nullptr);
    EXPECT_TRUE(opened);
    EXPECT_EQ(MapUnit(), 7);
    EXPECT_EQ(LayerNames().size(), 4u);
    // The settings after the refused ones still count.
    EXPECT_TRUE(Flag("roads", Layer::kOverrideStyle));
    EXPECT_EQ(LabelFont("roads").size, 9);
}

// A file that is no workspace or geoset, or one made to hurt, opens the one good table it names,
// tells of the tables it cannot open (ten boxes at most, and one for the rest) and ends.
TEST_F(Import, HostileFilesOpenWhatCanBeOpenedAndReportTheRest) {
    const std::string roads = Tables() + "maps\\roads.tab";
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.push_back(static_cast<char>(seed >> 16));
    }
    noise += "(\"\\TABLE\\1\\FILE\" = ((Layer 1\n  Zoom (\n";
    const std::string longLine(100000, 'x');
    Names manyFiles, manyOpens, manyNames{"Map From R,"};
    for (int i = 0; i < 10000; ++i) {
        manyFiles.push_back("\"\\TABLE\\" + std::to_string(i + 2) + "\\FILE\" = \"nofolder\\t" + std::to_string(i) + ".tab\"");
        manyOpens.push_back("Open Table \"nofolder\\t" + std::to_string(i) + "\" As T" + std::to_string(i));
        if (i % 100 == 0) manyNames.push_back("  ");
        manyNames.back() += "T" + std::to_string(i) + ",";
    }
    auto join = [](Names a, const Names& b) { a.insert(a.end(), b.begin(), b.end()); return a; };
    const std::string gstRoads = "\"\\TABLE\\1\\FILE\" = \"" + roads + "\"";
    const Names worRoads{"Open Table \"" + roads + "\" As R Interactive", "Map From R"};
    const std::wstring maps = platform::ToWide(Tables()) + L"maps\\";
    WriteFile("maps\\nested.TAB", {"Open Table \"gone\" Interactive"});
    struct Case {
        const char* name;
        Names lines;
        size_t boxes;
        std::wstring firstBox;  // its text, where the case is about it
    } cases[] = {
        {"noise.gst", {noise, gstRoads, noise}, 0},
        {"noise.wor", join({noise}, join(worRoads, {noise})), 0},
        {"long.gst", {"\"\\TABLE\\2\\FILE\" = \"" + longLine + "\"", longLine, gstRoads}, 1},
        {"long.wor", join({"Open Table \"" + longLine + "\" As L", "Map From " + longLine}, worRoads), 0},
        {"many.gst", join({gstRoads}, manyFiles), 11},
        {"many.wor", join(join({"Open Table \"" + roads + "\" As R"}, manyOpens), manyNames), 11},
        // A file of statements (its extension read as ".TAB") that is not there.
        {"statements.wor", join({"Open Table \"" + Tables() + "maps\\absent.wor\""}, worRoads), 1,
         L"The file of statements " + maps + L"absent.TAB, which " + maps + L"statements.wor opens, cannot be read."},
        {"nested.wor", join({"Open Table \"nested\""}, worRoads), 1,
         L"The file of statements " + maps + L"gone.TAB, which " + maps + L"nested.TAB opens, cannot be read."},
        {"unbalanced.wor", join(worRoads, {"  Layer 1", "    Zoom (0, 50 Units \"km\"", "    Global Pen (1,2,3 Brush (2,3",
                                           "    Font (\"Arial\",1,9", "    Visibility Zoom (1,", "    Display ((("}), 0},
    };
    for (const Case& c : cases) {
        // Each file into an empty map: a second "roads" on one map is "roads (2)".
        for (CZmaVadAZLayer* layer : layers_->Layers()) layers_->RemoveLayer(layer, false, false);
        added_.clear();
        prompts_.boxes.clear();
        const std::string path = WriteFile(std::string("maps\\") + c.name, c.lines);
        std::unique_ptr<CZmaVOMapXWorkspace> reader;
        if (path.back() == 'r')
            reader = std::make_unique<CZmaVOMapXWorkspaceWOR>();
        else
            reader = std::make_unique<CZmaVOMapXWorkspaceGST>();
        EXPECT_TRUE(Open(*reader, path)) << c.name;
        EXPECT_EQ(added_, (Names{"roads"})) << c.name;
        EXPECT_EQ(prompts_.boxes.size(), c.boxes) << c.name;
        if (!c.firstBox.empty() && !prompts_.boxes.empty()) {
            EXPECT_EQ(prompts_.boxes[0].text, c.firstBox) << c.name;
        }
        EXPECT_FALSE(Flag("roads", Layer::kZoomLayering)) << c.name;
        if (c.boxes == 11 && !prompts_.boxes.empty()) {
            EXPECT_EQ(prompts_.boxes.back().text.find(L"9990 further messages about "), 0u) << c.name;
        }
    }
    // A workspace or geoset that cannot be read at all is told too.
    for (const char* name : {"absent.wor", "absent.gst"}) {
        prompts_.boxes.clear();
        const std::string path = Tables() + "maps\\" + name;
        CZmaVOMapXWorkspaceWOR wor;
        CZmaVOMapXWorkspaceGST gst;
        Open(path.back() == 'r' ? static_cast<CZmaVOMapXWorkspace&>(wor) : gst, path);
        ASSERT_EQ(prompts_.boxes.size(), 1u) << name;
        EXPECT_EQ(prompts_.boxes[0].text, L"The file " + platform::ToWide(path) + L" cannot be read.");
    }
}

}  // namespace
