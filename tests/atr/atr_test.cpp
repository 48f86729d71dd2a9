// Tables of a list file shown as one block layer: opening, moving, showing, saving and loading.
#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/atr/ATRLayer.h"
#include "platform/Xml.h"
#include "tests/support/RecordingLog.h"

#include <fstream>

using platform::Bstr;
using platform::ComPtr;

namespace layertest {
namespace {

using Names = std::vector<std::string>;

class ListLayer : public LayerTest {
protected:
    // Writes "<folder>\<name>.atr" with one line per entry.
    std::string WriteList(const std::string& name, const std::vector<std::string>& lines) {
        const std::string path = FolderA() + "\\" + name + ".atr";
        std::ofstream file(path);
        for (const std::string& line : lines) file << line << "\n";
        return path;
    }
    CATRLayer* Open(const std::string& path) {
        try {
            return dynamic_cast<CATRLayer*>(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, path.c_str()));
        } catch (const platform::ComError& e) {
            ADD_FAILURE() << std::hex << e.Error() << " " << platform::ToAnsi(e.Description());
            return nullptr;
        }
    }
};

TEST_F(ListLayer, TheListedTablesFormOneBlockWithTheLastOnTop) {
    OpenTable("base");
    WriteTable("tile_a", 1);
    WriteTable("tile_b", 2);
    WriteTable("tile_c", 1);
    // The working folder is elsewhere: names are found beside the list file.
    const std::string list = WriteList("tiles", {"tile_a.tab", "tile_b.tab", "tile_c.tab"});
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ::SetCurrentDirectoryA("C:\\");
    CATRLayer* layer = Open(list);
    ::SetCurrentDirectoryA(previous);
    ASSERT_NE(layer, nullptr);

    EXPECT_EQ(layer->GetType(), CZmaVadAZLayer::kTypeAtrList);
    EXPECT_EQ(layer->GetName(), "tiles");
    EXPECT_EQ(layer->GetEngineLayerCount(), 3);
    EXPECT_EQ(EngineLayerNames(), (Names{"tile_c", "tile_b", "tile_a", "base"}));
    EXPECT_EQ(layer->FirstPosition(), 1);
    EXPECT_EQ(layer->LastPosition(), 3);
    std::vector<std::string> sources;
    layer->GetSourceFiles(sources);
    EXPECT_EQ(sources, (Names{"tile_a.tab", "tile_b.tab", "tile_c.tab"}));

    layer->SetVisible(false);
    EXPECT_FALSE(layer->IsVisible());
    layer->SetZoomMax(12.5);
    EXPECT_DOUBLE_EQ(layer->GetZoomMax(), 12.5);

    // Told that a layer went above it, the block only counts; moved itself, it moves as a whole.
    EXPECT_EQ(layer->MoveUp(false, 2), 3);
    EXPECT_EQ(layer->FirstPosition(), 3);
    EXPECT_EQ(EngineLayerNames(), (Names{"tile_c", "tile_b", "tile_a", "base"}));
    EXPECT_EQ(layer->MoveDown(false, 2), 3);
    EXPECT_EQ(layer->MoveUp(true, 1), 3);
    EXPECT_EQ(EngineLayerNames(), (Names{"base", "tile_c", "tile_b", "tile_a"}));

    // The block leaves the map whole.
    layers_->RemoveLayer(layer, false, false);
    EXPECT_EQ(EngineLayerNames(), (Names{"base"}));
}

TEST_F(ListLayer, AListThatCannotBeOpenedWholeAddsNothing) {
    WriteTable("tile_a", 1);
    {
        testsupport::RecordingLog log;
        EXPECT_EQ(Open(FolderA() + "\\missing.atr"), nullptr);
        EXPECT_EQ(log.lines, std::vector<std::string>{"Error: the layer file \"" + FolderA() +
                                                      "\\missing.atr\" is left out: the list file cannot be read"});
    }
    // A table the engine cannot open takes the ones before it out again. A long line is one name.
    const std::string list = WriteList("broken", {"tile_a.tab", std::string(300, 'x') + ".tab"});
    EXPECT_EQ(Open(list), nullptr);
    EXPECT_TRUE(EngineLayerNames().empty());
    EXPECT_EQ(layers_->GetCount(), 0);
}

TEST_F(ListLayer, OnlyTheListsTableEntriesOpenAndAListOfNoneAddsNothing) {
    WriteTable("tile_a", 1);
    // Lines of a file that is no list: each would name a table to open, or to make.
    CATRLayer* layer = Open(WriteList("mixed", {"[section]", "key=value", "tile_a.tab", "notes.txt", "CON", "tile_a.tab:s"}));
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetEngineLayerCount(), 1);
    EXPECT_EQ(Open(WriteList("none", {"key=value", "readme.txt"})), nullptr);
    EXPECT_EQ(Open(WriteList("empty", {})), nullptr);
    EXPECT_EQ(Open("NUL.atr"), nullptr);
    EXPECT_EQ(layers_->GetCount(), 1);
}

TEST_F(ListLayer, AMapWithAListLayerSavesAndLoadsIt) {
    WriteTable("tile_a", 1);
    WriteTable("tile_b", 1);
    CATRLayer* layer = Open(WriteList("tiles", {"tile_a.tab", "tile_b.tab"}));
    ASSERT_NE(layer, nullptr);
    layer->SetVisible(false);
    OpenTable("roads");

    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> settings = platform::CreateChildElement(document.Get(), L"mapsettings");
    ASSERT_EQ(layers_->SaveLayers(settings.Get()), S_OK);
    ComPtr<IXMLDOMNode> saved;
    settings->selectSingleNode(Bstr(L"layers/Layer[@layertype='8']").Get(), saved.Put());
    ASSERT_TRUE(saved);

    datasets_.reset();
    layers_.reset();
    map_ = CreateEngineMap();
    host_.map = map_.Get();
    layers_ = std::make_unique<CZmaVadAZLayerCollection>(host_.folder, host_, map_.Get());
    ASSERT_EQ(layers_->LoadLayers(settings.Get()), S_OK);
    // A map saved without imagery gets it at the bottom.
    EXPECT_EQ(LayerNames(), (Names{"roads", "tiles", "Background map1"}));
    EXPECT_EQ(EngineLayerNames(), (Names{"roads", "tile_b", "tile_a", "Background map1"}));
    CZmaVadAZLayer* loaded = layers_->FindLayerByName(L"tiles");
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(loaded->IsVisible());
}

}  // namespace
}  // namespace layertest
