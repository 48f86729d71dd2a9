// Saving the collection's table layers as "Layer" elements and loading them into a new map.
#include "tests/layers/LayerFixture.h"

#include "platform/Xml.h"

#include "MapEngine.h"

#include <fstream>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace layertest {
namespace {

using Names = std::vector<std::string>;

class LayerPersistenceTest : public LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        document_ = platform::CreateXmlDocument();
        root_ = platform::CreateChildElement(document_.Get(), L"dummy");
    }

    std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
        std::wstring value;
        EXPECT_TRUE(platform::GetAttribute(element, name, value)) << platform::ToAnsi(name);
        return value;
    }

    ComPtr<IXMLDOMElement> SavedLayer(long index) {
        ComPtr<IXMLDOMNodeList> nodes;
        EXPECT_EQ(root_->selectNodes(Bstr(L"layers/Layer").Get(), nodes.Put()), S_OK);
        ComPtr<IXMLDOMNode> node;
        nodes->get_item(index, node.Put());
        ComPtr<IXMLDOMElement> element;
        if (node) node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        return element;
    }

    long SavedLayerCount() {
        ComPtr<IXMLDOMNodeList> nodes;
        root_->selectNodes(Bstr(L"layers/Layer").Get(), nodes.Put());
        long count = 0;
        nodes->get_length(&count);
        return count;
    }

    // Replaces the map and the collection with fresh ones, as a control that loads a stream has.
    void StartNewMap() {
        layers_.reset();
        map_ = CreateEngineMap();
        host_.map = map_.Get();
        layers_ = std::make_unique<CZmaVadAZLayerCollection>(host_.folder, host_, map_.Get());
    }

    ComPtr<IXMLDOMDocument2> document_;
    ComPtr<IXMLDOMElement> root_;
};

TEST_F(LayerPersistenceTest, TableLayersAreWrittenWithTheirSettingsAsText) {
    CZmaVadAZLayer* roads = AttachTable("roads");
    ASSERT_NE(roads, nullptr);
    roads->SetVisible(false);
    roads->SetZoomLayering(true);
    roads->SetZoomMin(2.5);
    roads->SetZoomMax(1250);
    roads->SetName("Main roads");
    ASSERT_NE(layers_->AddLayer("points", CZmaVadAZLayer::kTypeDataset, "", L"{P}", "", L"", L""), nullptr);

    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);
    EXPECT_EQ(Attribute(root_.Get(), L"_Version"), L"3");
    ASSERT_EQ(SavedLayerCount(), 1) << "dataset layers are saved with their compositions";

    ComPtr<IXMLDOMElement> saved = SavedLayer(0);
    ASSERT_TRUE(saved);
    EXPECT_EQ(Attribute(saved.Get(), L"layertype"), L"4");
    EXPECT_EQ(platform::ToAnsi(Attribute(saved.Get(), L"layerfilespec")), FolderA() + "\\roads.tab");
    EXPECT_EQ(Attribute(saved.Get(), L"visible"), L"0");
    EXPECT_EQ(Attribute(saved.Get(), L"selectable"), L"-1");
    EXPECT_EQ(Attribute(saved.Get(), L"layerzoomlayering"), L"-1");
    EXPECT_NEAR(platform::ParseDouble(Attribute(saved.Get(), L"layerzoommin")), 2.5, 1e-9);
    EXPECT_NEAR(platform::ParseDouble(Attribute(saved.Get(), L"layerzoommax")), 1250, 1e-9);
    EXPECT_EQ(Attribute(saved.Get(), L"amendedlayername"), L"Main roads");
    for (const wchar_t* name : {L"editable", L"layerautolabel", L"layerdrawlabelsafter", L"layeroverridestyle"})
        Attribute(saved.Get(), name);
}

TEST_F(LayerPersistenceTest, ASavedMapLoadsWithTheSameLayersInTheSameOrder) {
    AttachTable("roads")->SetName("Main roads");
    CZmaVadAZLayer* towns = OpenTable("towns");
    towns->SetVisible(false);
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    ASSERT_EQ(LayerNames(), (Names{"Annotations", "towns", "Main roads"}));
    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);

    StartNewMap();
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    // A map saved without imagery gets it at the bottom.
    EXPECT_EQ(LayerNames(), (Names{"Annotations", "towns", "Main roads", "Background map1"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
    EXPECT_EQ(layers_->GetVersion(), 3);

    CZmaVadAZLayer* loadedTowns = layers_->FindLayerByName(L"towns");
    ASSERT_NE(loadedTowns, nullptr);
    EXPECT_FALSE(loadedTowns->IsVisible());
    EXPECT_EQ(loadedTowns->GetType(), CZmaVadAZLayer::kTypeTable);
    EXPECT_EQ(layers_->FindLayerByName(L"Main roads")->GetAmendedName(), "Main roads");

    CZmaVadAZLayer* annotations = layers_->GetAnnotationsLayer();
    ASSERT_NE(annotations, nullptr);
    EXPECT_EQ(annotations, layers_->GetAt(0));
    EXPECT_TRUE(annotations->IsEditable());
}

// The files of an annotations layer's temporary table: the table, and the empty placeholder the
// system made with its unique name, which keeps the name from being given again while it lives.
std::vector<std::string> TemporaryTableFiles(CZmaVadAZLayer* annotations) {
    std::vector<std::string> files;
    annotations->GetSourceFiles(files);
    if (files.size() != 1) return files;
    return {files[0], files[0].substr(0, files[0].rfind('.')) + ".tmp"};
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST_F(LayerPersistenceTest, AnnotationsTravelInsideTheDocumentAndComeBackAsATableOfTheirOwn) {
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    CZmaVadAZLayer* annotations = layers_->GetAnnotationsLayer();
    const std::vector<std::string> madeFiles = TemporaryTableFiles(annotations);
    ASSERT_EQ(madeFiles.size(), 2u);
    for (const std::string& file : madeFiles) EXPECT_TRUE(Exists(file)) << file;
    constexpr DISPID kFeatureFactory = 49, kCreateText = 8, kPointSet = 3, kAddFeature = 21, kCaption = 8;
    ComPtr<IDispatch> point;
    ASSERT_EQ(::CoCreateInstance(CLSID_EnginePoint, nullptr, CLSCTX_ALL, IID_IDispatch, point.PutVoid()), S_OK);
    EngineDispatch(point.Get()).Call(kPointSet, {Variant(10.0), Variant(50.0)});
    Variant factory = EngineDispatch(map_.Get()).Get(kFeatureFactory);
    Variant text = EngineDispatch(factory.pdispVal).Call(kCreateText, {Variant(point.Get()), Variant(L"Drive test start")});
    EngineDispatch(annotations->GetMapXLayer().Get()).Call(kAddFeature, {text});
    ASSERT_EQ(annotations->GetFeatureCount(), 1);
    // A table named after the annotations' with one more extension is no file of theirs.
    const std::string neighbour = madeFiles[0].substr(0, madeFiles[0].rfind('.')) + ".old.TAB";
    std::ofstream(neighbour) << "!table\n";

    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);
    ::DeleteFileA(neighbour.c_str());
    ComPtr<IXMLDOMNodeList> files;
    root_->selectNodes(Bstr(L"layers/Layer/AnnotationFiles").Get(), files.Put());
    long count = 0;
    files->get_length(&count);
    ASSERT_GT(count, 0);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        files->get_item(i, node.Put());
        ComPtr<IXMLDOMElement> file;
        node->QueryInterface(IID_IXMLDOMElement, file.PutVoid());
        const std::wstring name = Attribute(file.Get(), L"filename");
        EXPECT_EQ(name.find(L'\\'), std::wstring::npos);
        EXPECT_EQ(name.find(L".tmp"), std::wstring::npos);
        EXPECT_EQ(name.find(L".old."), std::wstring::npos);
        EXPECT_FALSE(Attribute(file.Get(), L"binarycontent").empty());
    }

    StartNewMap();
    for (const std::string& file : madeFiles) EXPECT_FALSE(Exists(file)) << file << " outlived its map";
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    CZmaVadAZLayer* restored = layers_->GetAnnotationsLayer();
    ASSERT_NE(restored, nullptr);
    ASSERT_EQ(restored->GetFeatureCount(), 1);
    EXPECT_EQ(EngineDispatch(restored->GetFeature(1).Get()).Get(kCaption).ToWide(), L"Drive test start");
    const std::vector<std::string> restoredFiles = TemporaryTableFiles(restored);
    ASSERT_EQ(restoredFiles.size(), 2u);
    for (const std::string& file : restoredFiles) EXPECT_TRUE(Exists(file)) << file;
    layers_.reset();
    for (const std::string& file : restoredFiles) EXPECT_FALSE(Exists(file)) << file << " outlived its map";
}

TEST_F(LayerPersistenceTest, AnOverrideStyleAndTheEngineLabelsComeBackWithTheTable) {
    CZmaVadAZLayer* towns = OpenTable("towns", 2);
    constexpr DISPID kStyle = 9, kLabelProperties = 5, kLabelsVisible = 2, kLabelMax = 12;
    constexpr DISPID kSymbolFontColor = 15, kRegionColor = 5;
    EngineDispatch engineLayer(towns->GetMapXLayer().Get());
    towns->SetOverrideStyle(true);
    Variant style = engineLayer.Get(kStyle);
    EngineDispatch(style.pdispVal).Put(kSymbolFontColor, Variant(0x0000FFL));
    EngineDispatch(style.pdispVal).Put(kRegionColor, Variant(0x00FF00L));
    engineLayer.Put(kStyle, style);
    Variant labels = engineLayer.Get(kLabelProperties);
    EngineDispatch(labels.pdispVal).Put(kLabelsVisible, Variant(true));
    EngineDispatch(labels.pdispVal).Put(kLabelMax, Variant(short(77)));
    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> saved = SavedLayer(0);
    ComPtr<IXMLDOMNode> labelSettings;
    saved->selectSingleNode(Bstr(L"LabelSettings/Style/text").Get(), labelSettings.Put());
    EXPECT_TRUE(labelSettings);

    StartNewMap();
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    CZmaVadAZLayer* loaded = layers_->FindLayerByName(L"towns");
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->GetOverrideStyle());
    EngineDispatch loadedLayer(loaded->GetMapXLayer().Get());
    Variant loadedStyle = loadedLayer.Get(kStyle);
    // The table holds symbols, so its style is saved and restored as a symbol style.
    EXPECT_EQ(EngineDispatch(loadedStyle.pdispVal).Get(kSymbolFontColor).ToLong(), 0x0000FF);
    Variant loadedLabels = loadedLayer.Get(kLabelProperties);
    EXPECT_TRUE(EngineDispatch(loadedLabels.pdispVal).Get(kLabelsVisible).ToBool());
    EXPECT_EQ(EngineDispatch(loadedLabels.pdispVal).Get(kLabelMax).ToLong(), 77);
}

TEST_F(LayerPersistenceTest, ATablePathTheCodePageCannotHoldIsLeftOutWithoutAQuestion) {
    OpenTable("roads");
    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> saved = SavedLayer(0);
    // Under a Western code page these characters have no ANSI form: "?" would open another file.
    platform::SetAttribute(saved.Get(), L"layerfilespec", platform::ToWide(FolderA()) + L"\\\u5730\u56f3.tab");

    StartNewMap();
    prompts_.boxes.clear();
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    EXPECT_EQ(LayerNames(), (Names{"Background map1"}));
    EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(LayerPersistenceTest, LoadingIntoAMapThatHasItsAnnotationsKeepsItsLayers) {
    OpenTable("towns");
    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);
    StartNewMap();
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    EXPECT_EQ(LayerNames(), (Names{"Annotations"}));
}

TEST_F(LayerPersistenceTest, MissingLayersElementLoadsNothingAndUnreadableTablesAreDropped) {
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    EXPECT_EQ(layers_->GetCount(), 0);
    EXPECT_EQ(layers_->GetVersion(), 1);

    ComPtr<IXMLDOMElement> layersElement = platform::CreateChildElement(root_.Get(), L"layers");
    // An element that only holds line layers has neither a type nor a file.
    platform::CreateChildElement(layersElement.Get(), L"Layer");
    ComPtr<IXMLDOMElement> broken = platform::CreateChildElement(layersElement.Get(), L"Layer");
    platform::SetAttribute(broken.Get(), L"layertype", L"4");
    platform::SetAttribute(broken.Get(), L"layerfilespec", L"");
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    EXPECT_EQ(LayerNames(), (Names{"Background map1"}));
}

}  // namespace
}  // namespace layertest
