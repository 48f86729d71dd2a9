// The "mapsettings" document as a host uses it: SaveToXML into its own document, LoadFromXML into
// a new map, and the loaded map saving the same document again and drawing the same image.
#include "tests/control/MapSiteFixture.h"
#include "tests/support/TestSupport.h"

#include "platform/Xml.h"

#include <algorithm>
#include <clocale>
#include <string>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using displaytest::Call;
using displaytest::Get;
using displaytest::Put;

namespace {

// Engine members the test sets up the map with.
constexpr DISPID kMapDefaultStyle = 17, kMapDistanceUnit = 25, kMapRotation = 26, kMapAreaUnit = 28;
constexpr DISPID kMapCoordSys = 30, kMapSelectionStyle = 33;
constexpr DISPID kStyleLineColor = 2, kStyleRegionColor = 5, kCoordSysType = 1, kCoordSysSet = 15;

// A second map in a site of its own, as a host's second form holds it.
class SecondMap : public sitetest::MapSiteTest {
public:
    void Open() { SetUp(); }
    void Close() { TearDown(); }
    void TestBody() override {}
    using MapSiteTest::Control;
    using MapSiteTest::DrawView;
    using MapSiteTest::Map;
    using MapSiteTest::Pixel;
    using MapSiteTest::unknown_;
};

class MapSettings : public sitetest::MapSiteTest {
protected:
    ComPtr<IXMLDOMElement> NewHostNode(ComPtr<IXMLDOMDocument2>& document) {
        document = platform::CreateXmlDocument();
        return platform::CreateChildElement(document.Get(), L"project");
    }
    static ComPtr<IXMLDOMElement> Settings(IXMLDOMElement* node) {
        ComPtr<IXMLDOMNode> found;
        node->selectSingleNode(Bstr(L"mapsettings").Get(), found.Put());
        ComPtr<IXMLDOMElement> element;
        if (found) found->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        return element;
    }
    static std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
        std::wstring value;
        platform::GetAttribute(element, name, value);
        return value;
    }
    // A node and its subtree as comparable text: element names, attributes in name order, and
    // children in document order. The annotation table's own file names differ between maps.
    static std::wstring Canonical(IXMLDOMNode* node) {
        Bstr name;
        node->get_nodeName(name.Put());
        std::wstring text = L"<" + name.Wide();
        ComPtr<IXMLDOMNamedNodeMap> attributes;
        node->get_attributes(attributes.Put());
        std::vector<std::wstring> pairs;
        long count = 0;
        if (attributes) attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> attribute;
            attributes->get_item(i, attribute.Put());
            Bstr key;
            attribute->get_nodeName(key.Put());
            Variant value;
            attribute->get_nodeValue(value.Put());
            std::wstring shown = value.ToWide();
            if (key.Wide() == L"layerfilespec" || key.Wide() == L"filename") shown = L"*";
            pairs.push_back(key.Wide() + L"=" + shown);
        }
        std::sort(pairs.begin(), pairs.end());
        for (const auto& p : pairs) text += L" " + p;
        text += L">";
        ComPtr<IXMLDOMNodeList> children;
        node->get_childNodes(children.Put());
        long childCount = 0;
        if (children) children->get_length(&childCount);
        for (long i = 0; i < childCount; ++i) {
            ComPtr<IXMLDOMNode> child;
            children->get_item(i, child.Put());
            DOMNodeType type = NODE_INVALID;
            child->get_nodeType(&type);
            if (type == NODE_ELEMENT) text += Canonical(child.Get());
        }
        return text + L"</>";
    }

    // A map that differs from a new one in every setting the document keeps.
    void SetUpDistinctMap() {
        Put(Map(), kMapDistanceUnit, Variant(1L));
        Put(Map(), kMapAreaUnit, Variant(11L));
        Put(Map(), kMapRotation, Variant(12.5));
        Put(Get(Map(), kMapDefaultStyle).pdispVal, kStyleRegionColor, Variant(0x00336699L));
        Put(Get(Map(), kMapSelectionStyle).pdispVal, kStyleLineColor, Variant(0x000000FFL));
        Variant coordSys = Get(Map(), kMapCoordSys);
        Variant missing = Variant::Missing();
        Call(coordSys.pdispVal, kCoordSysSet,
             {Variant(short(1)), missing, missing, missing, missing, missing, missing, missing, missing, missing,
              missing, missing, missing, missing});
        ASSERT_EQ(Control()->SetOverviewRegion(49.9, 9.9, 50.1, 10.1), S_OK);
        ASSERT_EQ(Control()->put_OverviewRegionVisible(VARIANT_TRUE), S_OK);
        ASSERT_EQ(Control()->put_EnhancedDrawingMode(VARIANT_FALSE), S_OK);
    }
};

TEST_F(MapSettings, ASavedMapLoadsIntoANewOneThatSavesTheSameDocumentAndDrawsTheSameImage) {
    // Without imagery: it would take each map's view to its tile levels, each time a little closer.
    testsupport::RemoveBackgroundMap(unknown_.Get());
    SetUpDistinctMap();
    ComPtr<IXMLDOMDocument2> firstDocument;
    ComPtr<IXMLDOMElement> first = NewHostNode(firstDocument);
    ASSERT_EQ(Control()->SaveToXML(first.Get()), S_OK);
    ComPtr<IXMLDOMElement> settings = Settings(first.Get());
    ASSERT_TRUE(settings);
    EXPECT_EQ(Attribute(settings.Get(), L"distanceunit"), L"1");
    EXPECT_EQ(Attribute(settings.Get(), L"rotation"), L"12.5");
    EXPECT_EQ(Attribute(settings.Get(), L"EnhancedDrawingMode"), L"0");
    ComPtr<IXMLDOMNode> node;
    settings->selectSingleNode(Bstr(L"defaultstyle/region").Get(), node.Put());
    EXPECT_TRUE(node);
    node.Reset();
    settings->selectSingleNode(Bstr(L"coordsys[@type='1']/datum").Get(), node.Put());
    EXPECT_TRUE(node);

    SecondMap second;
    second.Open();
    testsupport::RemoveBackgroundMap(second.unknown_.Get());
    ASSERT_EQ(second.Control()->LoadFromXML(first.Get()), S_OK);
    EXPECT_EQ(Get(second.Map(), kMapDistanceUnit).ToLong(), 1);
    EXPECT_EQ(Get(second.Map(), kMapAreaUnit).ToLong(), 11);
    EXPECT_DOUBLE_EQ(Get(second.Map(), kMapRotation).ToDouble(), 12.5);
    EXPECT_EQ(Get(Get(second.Map(), kMapDefaultStyle).pdispVal, kStyleRegionColor).ToLong(), 0x00336699);
    EXPECT_EQ(Get(Get(second.Map(), kMapSelectionStyle).pdispVal, kStyleLineColor).ToLong(), 0x000000FF);
    EXPECT_EQ(Get(Get(second.Map(), kMapCoordSys).pdispVal, kCoordSysType).ToLong(), 1);
    VARIANT_BOOL flag = VARIANT_FALSE;
    ASSERT_EQ(second.Control()->get_OverviewRegionVisible(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);

    // The same view in both maps, then the loaded map saves the same document.
    ShowArea(9.8, 49.8, 10.2, 50.2);
    ComPtr<IXMLDOMDocument2> againDocument;
    ComPtr<IXMLDOMElement> again = NewHostNode(againDocument);
    ASSERT_EQ(Control()->SaveToXML(first.Get()), S_OK);  // the first map's view after ShowArea
    ASSERT_EQ(second.Control()->LoadFromXML(first.Get()), S_OK);
    ASSERT_EQ(second.Control()->SaveToXML(again.Get()), S_OK);
    EXPECT_EQ(Canonical(Settings(first.Get()).Get()), Canonical(Settings(again.Get()).Get()));

    // Both maps take the view from the document, so both reach it the same way.
    ASSERT_EQ(Control()->LoadFromXML(first.Get()), S_OK);
    DrawView();
    second.DrawView();
    int differing = 0;
    for (int y = 0; y < kHeight; y += 3)
        for (int x = 0; x < kWidth; x += 3)
            if (Pixel(x, y) != second.Pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
    second.Close();
}

// A host that sets its C runtime's locale while the map works, to show numbers its user's way (or
// sets it back), changes no number of the document: the map saves the same text as before, with a
// point, and loads it.
TEST_F(MapSettings, TheDocumentKeepsItsNumbersWhenTheHostChangesItsLocaleMeanwhile) {
    testsupport::RemoveBackgroundMap(unknown_.Get());
    ShowArea(9.8, 49.8, 10.45, 50.7);
    ComPtr<IXMLDOMDocument2> beforeDocument, afterDocument;
    ComPtr<IXMLDOMElement> before = NewHostNode(beforeDocument), after = NewHostNode(afterDocument);
    ASSERT_EQ(Control()->SaveToXML(before.Get()), S_OK);
    const bool comma = *std::localeconv()->decimal_point == ',';
    testsupport::CrtLocale other(comma ? "C" : testsupport::kCommaLocale);
    ASSERT_TRUE(other.Set());
    ASSERT_EQ(Control()->SaveToXML(after.Get()), S_OK);
    EXPECT_EQ(Canonical(Settings(before.Get()).Get()), Canonical(Settings(after.Get()).Get()));
    for (const wchar_t* name : {L"zoom", L"centerx", L"centery"})
        EXPECT_EQ(Attribute(Settings(after.Get()).Get(), name).find(L','), std::wstring::npos) << name;
    ASSERT_EQ(Control()->LoadFromXML(before.Get()), S_OK);
    ComPtr<IXMLDOMDocument2> loadedDocument;
    ComPtr<IXMLDOMElement> loaded = NewHostNode(loadedDocument);
    ASSERT_EQ(Control()->SaveToXML(loaded.Get()), S_OK);
    EXPECT_EQ(Canonical(Settings(before.Get()).Get()), Canonical(Settings(loaded.Get()).Get()));
}

TEST_F(MapSettings, TheNodeSavedIntoSteersTheSaveAndEitherNodeLoads) {
    ComPtr<IXMLDOMDocument2> document;
    ComPtr<IXMLDOMElement> node = NewHostNode(document);
    platform::SetAttribute(node.Get(), L"PersistOption", L"1");
    platform::SetAttribute(node.Get(), L"AutoSynchToStream", L"-1");
    ASSERT_EQ(Control()->SaveToXML(node.Get()), S_OK);
    ComPtr<IXMLDOMElement> settings = Settings(node.Get());
    ComPtr<IXMLDOMNode> coordsys;
    settings->selectSingleNode(Bstr(L"coordsys").Get(), coordsys.Put());
    EXPECT_FALSE(coordsys) << "PersistOption 1 keeps the coordinate system out";
    EXPECT_EQ(Attribute(settings.Get(), L"AutoSynchToStream"), L"-1");
    EXPECT_EQ(Attribute(settings.Get(), L"PersistOption"), L"");

    // The parent of "mapsettings" and the element itself both load.
    EXPECT_EQ(Control()->LoadFromXML(node.Get()), S_OK);
    EXPECT_EQ(Control()->LoadFromXML(settings.Get()), S_OK);
    // A comment among the default style's facets is a malformed document.
    ComPtr<IXMLDOMNode> styles;
    ASSERT_EQ(Control()->SaveToXML(node.Get()), S_OK);
    settings = Settings(node.Get());
    settings->selectSingleNode(Bstr(L"defaultstyle").Get(), styles.Put());
    ComPtr<IXMLDOMComment> comment;
    document->createComment(Bstr(L"edited").Get(), comment.Put());
    styles->appendChild(comment.Get(), nullptr);
    EXPECT_EQ(Control()->LoadFromXML(node.Get()), E_FAIL);
}

TEST_F(MapSettings, AHiddenSeriesAndItsArrowsSurviveTheStreamAndComeBackWhenShownAgain) {
    const wchar_t kSeries[] = L"{5E771000-0000-0000-0000-000000000001}";
    ComPtr<IDispatch> dataset = displaytest::MakeSampleDataset(200);
    ASSERT_EQ(Control()->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK);
    displaytest::SelectRows(dataset.Get(), {3, 4, 5});
    ASSERT_EQ(Control()->NotifySelectionChange(Bstr(kSeries).Get()), S_OK);
    ASSERT_EQ(Control()->ShowDirection(VARIANT_TRUE), S_OK);
    ASSERT_EQ(Control()->SetDatasetVisible(Bstr(kSeries).Get(), 0), S_OK);

    // Through the stream, as a host's document keeps the map.
    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(unknown_.Get())->Save(stream.Get(), TRUE), S_OK);
    ComPtr<IXMLDOMDocument2> savedDocument;
    ComPtr<IXMLDOMElement> saved = NewHostNode(savedDocument);
    ASSERT_EQ(Control()->SaveToXML(saved.Get()), S_OK);
    ComPtr<IXMLDOMElement> settings = Settings(saved.Get());
    ComPtr<IXMLDOMNode> composition;
    settings->selectSingleNode(Bstr(L"layers/DatasetComposition[@visible='0']/LabelProperties").Get(),
                               composition.Put());
    EXPECT_TRUE(composition) << "the hidden series with its label settings";
    ComPtr<IXMLDOMNode> arrows;
    settings->selectSingleNode(Bstr(L"layers/Layer[@layertype='10']").Get(), arrows.Put());
    EXPECT_TRUE(arrows);

    ComPtr<IUnknown> loaded;
    ASSERT_EQ(controltest::CreateControl(loaded), S_OK);
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(loaded.Get())->Load(stream.Get()), S_OK);
    ComPtr<IZmaVadAZ2> map = controltest::As<IZmaVadAZ2>(loaded.Get());
    // The host shows its series again; the map gives it the settings it saved.
    ASSERT_EQ(map->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK);
    ComPtr<IXMLDOMDocument2> againDocument;
    ComPtr<IXMLDOMElement> again = NewHostNode(againDocument);
    ASSERT_EQ(map->SaveToXML(again.Get()), S_OK);
    ComPtr<IXMLDOMElement> reloaded = Settings(again.Get());
    ComPtr<IXMLDOMNode> hidden;
    reloaded->selectSingleNode(Bstr(L"layers/DatasetComposition[@visible='0']").Get(), hidden.Put());
    EXPECT_TRUE(hidden) << "the series comes back hidden";
    ComPtr<IXMLDOMNode> arrowsAgain;
    reloaded->selectSingleNode(Bstr(L"layers/Layer[@layertype='10']").Get(), arrowsAgain.Put());
    EXPECT_TRUE(arrowsAgain) << "the arrows come back with the map";
    controltest::As<IOleObject>(loaded.Get())->Close(OLECLOSE_NOSAVE);
}

// Label zoom ranges are kept in the map's unit: a document of a map in kilometres comes back with
// the same range, through LoadFromXML and through the stream, and saves the same document again.
TEST_F(MapSettings, ASeriesLabelZoomRangeInTheMapsUnitComesBackUnchanged) {
    const wchar_t kSeries[] = L"{5E771000-0000-0000-0000-000000000002}";
    Put(Map(), kMapDistanceUnit, Variant(1L));
    ComPtr<IDispatch> dataset = displaytest::MakeSampleDataset(50);
    ASSERT_EQ(Control()->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK);
    ComPtr<IXMLDOMDocument2> firstDocument;
    ComPtr<IXMLDOMElement> first = NewHostNode(firstDocument);
    ASSERT_EQ(Control()->SaveToXML(first.Get()), S_OK);
    ComPtr<IXMLDOMNode> labels;
    Settings(first.Get())->selectSingleNode(Bstr(L"layers/DatasetComposition/LabelProperties").Get(), labels.Put());
    ASSERT_TRUE(labels);
    ComPtr<IXMLDOMElement> labelElement;
    labels->QueryInterface(IID_IXMLDOMElement, labelElement.PutVoid());
    platform::SetAttribute(labelElement.Get(), L"labelzoom", L"-1");
    platform::SetAttribute(labelElement.Get(), L"labelzoommin", L"1.5");
    platform::SetAttribute(labelElement.Get(), L"labelzoommax", L"160.9344");

    auto expectSameRange = [&](IZmaVadAZ2* map, const char* how) {
        ComPtr<IXMLDOMDocument2> againDocument;
        ComPtr<IXMLDOMElement> again = NewHostNode(againDocument);
        ASSERT_EQ(map->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK) << how;
        ASSERT_EQ(map->SaveToXML(again.Get()), S_OK) << how;
        ComPtr<IXMLDOMNode> saved;
        Settings(again.Get())->selectSingleNode(Bstr(L"layers/DatasetComposition/LabelProperties").Get(), saved.Put());
        ASSERT_TRUE(saved) << how;
        ComPtr<IXMLDOMElement> savedElement;
        saved->QueryInterface(IID_IXMLDOMElement, savedElement.PutVoid());
        EXPECT_DOUBLE_EQ(testsupport::NumberIn(Attribute(savedElement.Get(), L"labelzoommax")), 160.9344) << how;
        EXPECT_DOUBLE_EQ(testsupport::NumberIn(Attribute(savedElement.Get(), L"labelzoommin")), 1.5) << how;
        EXPECT_EQ(Canonical(labels.Get()), Canonical(saved.Get())) << how;
    };
    SecondMap second;
    second.Open();
    ASSERT_EQ(second.Control()->LoadFromXML(first.Get()), S_OK);
    expectSameRange(second.Control(), "LoadFromXML");

    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(second.unknown_.Get())->Save(stream.Get(), TRUE), S_OK);
    second.Close();
    ComPtr<IUnknown> loaded;
    ASSERT_EQ(controltest::CreateControl(loaded), S_OK);
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(loaded.Get())->Load(stream.Get()), S_OK);
    expectSameRange(controltest::As<IZmaVadAZ2>(loaded.Get()).Get(), "the stream");
    controltest::As<IOleObject>(loaded.Get())->Close(OLECLOSE_NOSAVE);
}

}  // namespace
