// The style settings document kept in a field's property set, the attached-object lookup, the
// path helpers and the label overlap grid.
#include "tests/datalayers/DataLayerFixture.h"

#include "ZmaVOMap2/datalayers/OverlappingLabelPreventor.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/services/PathNames.h"
#include "platform/Xml.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace dltest;

namespace {

const wchar_t kSeriesA[] = L"{AAAAAAAA-0000-0000-0000-000000000001}";
const wchar_t kSeriesB[] = L"{BBBBBBBB-0000-0000-0000-000000000002}";

ComPtr<IHostPropertyCollection> PropertiesOf(IHostDataset* dataset, const wchar_t* field) {
    ComPtr<IHostPropertyCollection> set;
    Field(dataset, field)->get_Properties(set.Put());
    return set;
}

std::wstring StoredText(IHostDataset* dataset, const wchar_t* field) {
    Variant item;
    if (FAILED(PropertiesOf(dataset, field)->Item(Variant(kStyleSettingKey), item.Put())) || item.vt != VT_BSTR) return L"";
    return item.bstrVal;
}

void Store(IHostDataset* dataset, const wchar_t* field, const std::wstring& text) {
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    PropertiesOf(dataset, field)->Add(Variant(text), Variant(kStyleSettingKey), missing);
}

// The "StyleSetting" elements of the stored document as (guid, stylesetting) pairs, in order.
std::vector<std::pair<std::wstring, std::wstring>> Series(IHostDataset* dataset, const wchar_t* field) {
    std::vector<std::pair<std::wstring, std::wstring>> out;
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->loadXML(Bstr(StoredText(dataset, field)).Get(), &loaded);
    if (!loaded) return out;
    ComPtr<IXMLDOMElement> root;
    document->get_documentElement(root.Put());
    Bstr rootName;
    root->get_tagName(rootName.Put());
    EXPECT_EQ(rootName.Wide(), L"RootElement");
    ComPtr<IXMLDOMNodeList> nodes;
    root->selectNodes(Bstr(L"StyleSetting").Get(), nodes.Put());
    long count = 0;
    nodes->get_length(&count);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        nodes->get_item(i, node.Put());
        ComPtr<IXMLDOMElement> element;
        node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        std::wstring guid, value;
        platform::GetAttribute(element.Get(), L"guid", guid);
        platform::GetAttribute(element.Get(), L"stylesetting", value);
        out.emplace_back(guid, value);
    }
    return out;
}

}  // namespace

TEST(DataLayerStyleSettings, SavesOneElementPerSeriesAndReadsItBack) {
    ComPtr<IHostDataset> dataset = MakePointDataset({{50, 10}});
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA), -1) << "no document yet";

    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kSeriesA, 3), S_OK);
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kSeriesA, 64), S_OK);
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kSeriesB, 1), S_OK);
    using Entry = std::pair<std::wstring, std::wstring>;
    EXPECT_EQ(Series(dataset.Get(), L"Level"), (std::vector<Entry>{{kSeriesA, L"64"}, {kSeriesB, L"1"}}));

    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA), 64);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesB), 1);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Name", kSeriesA), -1) << "another field keeps its own document";
}

TEST(DataLayerStyleSettings, FallsBackToASecondSeriesOnlyWhenGiven) {
    ComPtr<IHostDataset> dataset = MakePointDataset({{50, 10}});
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kSeriesB, 7), S_OK);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA, kSeriesB), 7);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA, L""), -1);
}

TEST(DataLayerStyleSettings, RefusesWhatItCannotStoreAndNeverRaises) {
    ComPtr<IHostDataset> dataset = MakePointDataset({{50, 10}});
    EXPECT_EQ(SaveStyleSettings(nullptr, L"Level", kSeriesA, 1), E_POINTER);
    EXPECT_EQ(SaveStyleSettings(dataset.Get(), L"Missing", kSeriesA, 1), DISP_E_BADINDEX);
    EXPECT_EQ(LoadStyleSettings(nullptr, L"Level", kSeriesA), -1);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Missing", kSeriesA), -1);

    // An element without its value, a document of another root, and text that is no document.
    Store(dataset.Get(), L"Level", std::wstring(L"<Other><StyleSetting guid=\"") + kSeriesA + L"\"/></Other>");
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA), -1);
    Store(dataset.Get(), L"Level", std::wstring(L"<Other><StyleSetting guid=\"") + kSeriesA + L"\" stylesetting=\"5\"/></Other>");
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA), 5);
    Store(dataset.Get(), L"Level", L"<broken");
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kSeriesA), -1);
    EXPECT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kSeriesA, 2), E_FAIL);
    EXPECT_EQ(StoredText(dataset.Get(), L"Level"), L"<broken") << "a text we cannot read is kept as it was";
}

TEST(DataLayerStyleSettings, GuidsWithQuotesAreComparedAsText) {
    ComPtr<IHostDataset> dataset = MakePointDataset({{50, 10}});
    const std::wstring odd = L"a\"b'c";
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", odd, 9), S_OK);
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", odd, 11), S_OK);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", odd), 11);
    EXPECT_EQ(Series(dataset.Get(), L"Level").size(), 1u);
}

TEST(DataLayerStyleSettings, TheFirstAttachedObjectDecides) {
    ComPtr<IHostDataset> dataset = MakePointDataset({{50, 10}});
    ComPtr<IHostPropertyCollection> set = PropertiesOf(dataset.Get(), L"Level");
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    EXPECT_FALSE(FindInHostCollection(Field(dataset.Get(), L"Level").Get())) << "nothing attached";

    // Values before the first object are passed over; an object without the style interface ends
    // the search even when a style follows it.
    set->Add(Variant(L"text"), Variant(L"LongName"), missing);
    set->Add(Variant(42L), missing, missing);
    ComPtr<IHostStringList> notStyle = Create<IHostStringList>(CLSID_HostStringList);
    set->Add(Variant(static_cast<IDispatch*>(notStyle.Get())), missing, missing);
    ComPtr<IHostFieldStyle> style = Create<IHostFieldStyle>(CLSID_HostFieldStyle);
    set->Add(Variant(static_cast<IDispatch*>(style.Get())), missing, missing);
    EXPECT_FALSE(FindInHostCollection(Field(dataset.Get(), L"Level").Get()));

    ComPtr<IHostPropertyCollection> nameSet = PropertiesOf(dataset.Get(), L"Name");
    nameSet->Add(Variant(L"text"), Variant(L"LongName"), missing);
    nameSet->Add(Variant(static_cast<IDispatch*>(style.Get())), missing, missing);
    ComPtr<IHostFieldStyle> found = FindInHostCollection(Field(dataset.Get(), L"Name").Get());
    ASSERT_TRUE(found);
    ComPtr<IUnknown> a, b;
    found->QueryInterface(IID_IUnknown, a.PutVoid());
    style->QueryInterface(IID_IUnknown, b.PutVoid());
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_FALSE(FindInHostCollection(nullptr));
}

TEST(DataLayerPaths, SplitAndJoin) {
    EXPECT_EQ(GetFolderOfPath("C:\\maps\\roads.tab"), "C:\\maps\\");
    EXPECT_EQ(GetFileNameOfPath("C:\\maps\\roads.tab"), "roads.tab");
    EXPECT_EQ(GetFileNameOfPath("C:\\maps\\"), "");
    EXPECT_EQ(MakeAbsolutePath("C:\\maps\\", "roads.tab"), "C:\\maps\\roads.tab");
    EXPECT_EQ(MakeAbsolutePath("C:\\maps\\", "sub\\..\\roads.tab"), "C:\\maps\\roads.tab");
    EXPECT_EQ(MakeAbsolutePath("C:\\maps\\ws.wor", "roads.tab"), "roads.tab");
    EXPECT_EQ(MakeAbsolutePath("C:\\maps\\", "D:\\x\\roads.tab"), "D:\\x\\roads.tab");
}

TEST(DataLayerLabelGrid, BoxesAreCentredAboveTheirAnchor) {
    // 192 dpi: cells of two pixels.
    OverlappingLabelPreventor grid({0, 0, 100, 60}, 192);
    EXPECT_EQ(grid.CellSize(), 2);
    EXPECT_EQ(grid.Columns(), 50);
    EXPECT_EQ(grid.Rows(), 30);

    EXPECT_TRUE(grid.Reserve(50, 30, 20, 10));   // x 40..59, y 20..29
    EXPECT_FALSE(grid.Reserve(50, 40, 20, 11));  // reaches up into row 29
    EXPECT_TRUE(grid.Reserve(50, 40, 20, 10));   // y 30..39: just below
    EXPECT_FALSE(grid.Reserve(69, 30, 20, 10));  // x 59..78 touches the first box's last column
    EXPECT_TRUE(grid.Reserve(71, 30, 20, 10));   // x 61..80
    // A box partly outside the view takes only its inside cells; one fully outside takes none.
    EXPECT_TRUE(grid.Reserve(0, 5, 10, 10));
    EXPECT_FALSE(grid.Reserve(2, 4, 4, 4));
    EXPECT_TRUE(grid.Reserve(-50, 5, 10, 10));
    EXPECT_TRUE(grid.Reserve(-50, 5, 10, 10));
}
