// Dataset compositions in the settings, and the collection's layer orders.
#include "tests/persistence/PersistorFixture.h"

#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

using namespace persisttest;
using platform::Bstr;
using platform::ComPtr;

namespace {

class Compositions : public PersistorTest {
protected:
    static std::shared_ptr<std::wstring> Text(const wchar_t* text) { return std::make_shared<std::wstring>(text); }
    long ChildCount(IXMLDOMElement* element, const wchar_t* path) {
        ComPtr<IXMLDOMNodeList> nodes;
        element->selectNodes(Bstr(path).Get(), nodes.Put());
        long count = 0;
        nodes->get_length(&count);
        return count;
    }
};

TEST_F(Compositions, ACompositionComesBackWithItsDimensionsAndSettings) {
    CZmaVadAZDatasetComposition saved;
    saved.SetSeriesGuid(L"{S1}");
    saved.SetType(CZmaVadAZLayer::kTypeCellReferences);
    saved.SetName("GSM sites");
    saved.SetOffsets(0.25, -1.5);
    saved.SetZoom(true, 2, 40);
    saved.SetVisible(false);
    saved.SetNeighbour(3, "BCCH", "{N1}");
    AppendLayerEntry(saved, Text(L"Site_Name"), Text(L"{S1}"), 6);
    AppendLayerEntry(saved, Text(L"Azimuth"), Text(L"{S2}"), 5);
    ASSERT_EQ(saved.Save(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> element = Child(root_.Get(), L"DatasetComposition");
    ASSERT_TRUE(element);
    EXPECT_EQ(Attribute(element.Get(), L"visible"), L"0");
    EXPECT_EQ(ChildCount(element.Get(), L"Dimensions/Dimension"), 2);
    // Nothing was held for the labels or the selection, so nothing of them is written.
    EXPECT_FALSE(Child(element.Get(), L"LabelProperties"));
    EXPECT_FALSE(Child(element.Get(), L"Selection"));

    CZmaVadAZDatasetComposition loaded;
    ASSERT_EQ(loaded.Load(element.Get()), S_OK);
    EXPECT_TRUE(loaded.IsRestored());
    EXPECT_EQ(loaded.GetSeriesGuid(), L"{S1}");
    EXPECT_EQ(loaded.GetType(), CZmaVadAZLayer::kTypeCellReferences);
    EXPECT_EQ(loaded.GetName(), "GSM sites");
    EXPECT_DOUBLE_EQ(loaded.GetOffsetY(), -1.5);
    EXPECT_TRUE(loaded.GetZoomLayering());
    EXPECT_DOUBLE_EQ(loaded.GetZoomMax(), 40);
    EXPECT_FALSE(loaded.IsVisible());
    EXPECT_EQ(loaded.GetNeighbourIndex(), 3);
    EXPECT_EQ(loaded.GetNeighbourGuid(), "{N1}");
    ASSERT_EQ(loaded.Dimensions().size(), 2u);
    EXPECT_EQ(*loaded.Dimensions().back().fieldName, L"Azimuth");
    EXPECT_EQ(*loaded.Dimensions().back().seriesGuid, L"{S2}");
    EXPECT_EQ(loaded.Dimensions().back().code, 5);
}

TEST_F(Compositions, ZoomSettingsAreOptionalAsABlockWhileTheRestIsRequired) {
    CZmaVadAZDatasetComposition saved;
    saved.SetSeriesGuid(L"{S1}");
    saved.SetZoom(true, 2, 40);
    ASSERT_EQ(saved.Save(root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> element = Child(root_.Get(), L"DatasetComposition");

    RemoveAttr(element.Get(), L"layerzoommax");
    CZmaVadAZDatasetComposition partial;
    ASSERT_EQ(partial.Load(element.Get()), S_OK);
    EXPECT_DOUBLE_EQ(partial.GetZoomMin(), 2);
    EXPECT_DOUBLE_EQ(partial.GetZoomMax(), 100);
    EXPECT_FALSE(partial.GetZoomLayering());

    RemoveAttr(element.Get(), L"nboridx");
    CZmaVadAZDatasetComposition broken;
    EXPECT_EQ(broken.Load(element.Get()), DISP_E_TYPEMISMATCH);
    SetAttr(element.Get(), L"nboridx", L"-1");
    ComPtr<IXMLDOMNode> dimensions;
    element->selectSingleNode(Bstr(L"Dimensions").Get(), dimensions.Put());
    element->removeChild(dimensions.Get(), nullptr);
    EXPECT_EQ(broken.Load(element.Get()), E_POINTER);
    EXPECT_EQ(broken.Load(nullptr), E_POINTER);
}

TEST_F(Compositions, DimensionsAreRenamedRemovedAndNodesTestedForContent) {
    CZmaVadAZDatasetComposition composition;
    AppendLayerEntry(composition, Text(L"RxLev"), Text(L"{S}"), 7);
    AppendLayerEntry(composition, Text(L"Quality"), Text(L"{S}"), 8);
    SetLayerEntryName(composition, L"RxQual", 8);
    EXPECT_EQ(*composition.Dimensions().back().fieldName, L"RxQual");
    SetLayerEntryName(composition, L"", 7);
    ASSERT_EQ(composition.Dimensions().size(), 1u);
    EXPECT_EQ(composition.Dimensions().front().code, 8);

    ComPtr<IXMLDOMElement> empty = platform::CreateChildElement(root_.Get(), L"Empty");
    EXPECT_FALSE(XmlNodeHasContent(empty.Get()));
    ComPtr<IXMLDOMText> text;
    document_->createTextNode(Bstr(L"x").Get(), text.Put());
    empty->appendChild(text.Get(), nullptr);
    EXPECT_TRUE(XmlNodeHasContent(empty.Get()));
}

class LayerOrders : public PersistorTest {
protected:
    ComPtr<IXMLDOMElement> Layers() { return Child(root_.Get(), L"layers"); }
    std::vector<std::wstring> SavedOrderNames() {
        std::vector<std::wstring> names;
        ComPtr<IXMLDOMNodeList> nodes;
        Layers()->selectNodes(Bstr(L"LayerOrders").Get(), nodes.Put());
        long count = 0;
        nodes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> node;
            nodes->get_item(i, node.Put());
            ComPtr<IXMLDOMElement> order;
            node->QueryInterface(IID_IXMLDOMElement, order.PutVoid());
            names.push_back(Attribute(order.Get(), L"LayerName"));
        }
        return names;
    }
};

TEST_F(LayerOrders, ThePersistOptionChoosesWhichOrdersAreSavedAndHowLoadedOnesAreBased) {
    OpenTable("roads");
    OpenTable("towns");
    ASSERT_NE(layers_->AddLayer("points", CZmaVadAZLayer::kTypeDataset, "", L"{P}", "", L"", L""), nullptr);

    // Without an option on the element or its parent element every layer is written, from the
    // top; an element without a parent element counts as option 0.
    ComPtr<IXMLDOMElement> settings = platform::CreateChildElement(root_.Get(), L"mapsettings");
    auto layersOf = [&] { return Child(settings.Get(), L"layers"); };
    auto names = [&] {
        std::vector<std::wstring> found;
        ComPtr<IXMLDOMNodeList> nodes;
        layersOf()->selectNodes(Bstr(L"LayerOrders").Get(), nodes.Put());
        long count = 0;
        nodes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> node;
            nodes->get_item(i, node.Put());
            ComPtr<IXMLDOMElement> order;
            node->QueryInterface(IID_IXMLDOMElement, order.PutVoid());
            found.push_back(Attribute(order.Get(), L"LayerName"));
        }
        settings->removeChild(layersOf().Get(), nullptr);
        return found;
    };
    ASSERT_EQ(layers_->SaveLayers(settings.Get()), S_OK);
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"{P}", L"towns", L"roads"}));
    ASSERT_EQ(layers_->SaveLayers(root_.Get()), S_OK);
    EXPECT_EQ(SavedOrderNames(), (std::vector<std::wstring>{L"towns", L"roads"}));
    root_->removeChild(Layers().Get(), nullptr);

    SetAttr(root_.Get(), L"PersistOption", L"1");
    ASSERT_EQ(layers_->SaveLayers(settings.Get()), S_OK);
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"{P}"}));
    SetAttr(settings.Get(), L"PersistOption", L"0");
    ASSERT_EQ(layers_->SaveLayers(settings.Get()), S_OK);

    // Loaded orders count from 100 with option 0, so such layers sort below the others. Loaded
    // into a running map (it has its annotations layer): its layers stay, the orders are read.
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    ASSERT_EQ(layers_->LoadLayers(settings.Get()), S_OK);
    EXPECT_EQ(layers_->FindLayerOrder(layers_->FindLayerByName(L"towns")), 100);
    EXPECT_EQ(layers_->FindLayerOrder(layers_->FindLayerByName(L"roads")), 101);
    SetAttr(settings.Get(), L"PersistOption", L"3");
    ASSERT_EQ(layers_->LoadLayers(settings.Get()), S_OK);
    EXPECT_EQ(layers_->FindLayerOrder(layers_->FindLayerByName(L"towns")), 50);
}

TEST_F(LayerOrders, AKnownCompositionIsNotReplacedByALoadedOne) {
    auto kept = std::make_unique<CZmaVadAZDatasetComposition>();
    kept->SetSeriesGuid(L"{S}");
    kept->SetName("kept");
    layers_->AdoptComposition(std::move(kept));
    CZmaVadAZDatasetComposition other;
    other.SetSeriesGuid(L"{S}");
    other.SetName("loaded");
    ComPtr<IXMLDOMElement> layersElement = platform::CreateChildElement(root_.Get(), L"layers");
    ASSERT_EQ(other.Save(layersElement.Get()), S_OK);
    ASSERT_EQ(layers_->LoadLayers(root_.Get()), S_OK);
    EXPECT_EQ(layers_->FindCompositionByKey(L"{S}")->GetName(), "kept");
}

}  // namespace
