// A field's style object (value formatter and value table) and the field configuration tree.
#include "tests/standins/dataset/DatasetTestSupport.h"

namespace {

using datasettest::Missing;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

// Levels: below -90 red "bad", -90 to -70 yellow "fair", from -70 green "good"; and a text entry.
ComPtr<IHostFieldStyle> LevelStyle() {
    auto setup = hosttest::Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    long index = 0;
    Variant none;
    EXPECT_EQ(setup->AddClass(none, Variant(-90.0), Bstr(L"bad").Get(), 40, 6.0, 0x0000FF, &index), S_OK);
    EXPECT_EQ(setup->AddClass(Variant(-90.0), Variant(-70L), Bstr(L"fair").Get(), 41, 8.0, 0x00FFFF, &index), S_OK);
    EXPECT_EQ(setup->AddClass(Variant(-70L), none, Bstr(L"").Get(), 42, 10.0, 0x00FF00, &index), S_OK);
    EXPECT_EQ(setup->AddClass(Variant(L"GSM"), none, Bstr(L"2G").Get(), 43, 12.0, 0xFF0000, &index), S_OK);
    EXPECT_EQ(index, 3);
    return hosttest::Query<IHostFieldStyle>(setup);
}

TEST(FieldStyle, FindsTheEntryThatCoversAValue) {
    auto style = LevelStyle();
    struct Case {
        Variant value;
        long entry;
    };
    Variant empty, null;
    null.vt = VT_NULL;
    const Case cases[] = {{Variant(-95.5), 0}, {Variant(-90.0), 1}, {Variant(-70L), 2}, {Variant(-12.0), 2},
                          {Variant(L"GSM"), 3}, {Variant(L"gsm"), -1}, {Variant(L"-95"), -1}, {empty, -1}, {null, -1}};
    for (const Case& c : cases) {
        long byClass = 7, byIndex = 7;
        EXPECT_EQ(style->ClassOf(c.value, &byClass), S_OK);
        EXPECT_EQ(style->IndexOf(c.value, &byIndex), S_OK);
        EXPECT_EQ(byClass, c.entry) << platform::ToAnsi(c.value.vt == VT_BSTR ? c.value.ToWide() : L"number");
        EXPECT_EQ(byIndex, c.entry);
    }
}

TEST(FieldStyle, AnswersEntryPropertiesAndTexts) {
    auto style = LevelStyle();
    Variant v;
    EXPECT_EQ(style->ItemValue(1, 3, v.Put()), S_OK);  // colour column
    EXPECT_EQ(v.lVal, 0x00FFFF);
    EXPECT_EQ(style->ItemValue(1, 0, v.Put()), S_OK);
    EXPECT_EQ(v.dblVal, -90.0);
    EXPECT_EQ(style->StyleProperty(2, 0, v.Put()), S_OK);  // character
    EXPECT_EQ(v.lVal, 42);
    EXPECT_EQ(style->StyleProperty(2, 1, v.Put()), S_OK);  // size
    EXPECT_EQ(v.dblVal, 10.0);
    EXPECT_EQ(style->StyleProperty(0, 3, v.Put()), S_OK);  // colour
    EXPECT_EQ(v.lVal, 0x0000FF);
    EXPECT_EQ(style->StyleProperty(4, 3, v.Put()), DISP_E_BADINDEX);
    EXPECT_EQ(style->ItemValue(0, 9, v.Put()), DISP_E_BADINDEX);

    Bstr text;
    EXPECT_EQ(style->FormatValue(0, Variant(-72.349), Missing(), text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"-72.3");
    EXPECT_EQ(style->FormatValue(0, Variant(L"GSM"), Missing(), text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"GSM");
    EXPECT_EQ(style->ValueText(Variant(-95.0), Missing(), text.Put()), S_OK);  // the entry's caption
    EXPECT_EQ(text.Wide(), L"bad");
    EXPECT_EQ(style->ValueText(Variant(-50.0), Missing(), text.Put()), S_OK);  // no caption: the number
    EXPECT_EQ(text.Wide(), L"-50.0");
}

TEST(FieldStyle, FlagsCodeAndDefaultsAreWhatTheHostSet) {
    auto setup = hosttest::Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    auto style = hosttest::Query<IHostFieldStyle>(setup);
    long flags = -1, code = -1;
    EXPECT_EQ(style->get_StyleFlags(&flags), S_OK);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(style->get_AttributeCode(&code), S_OK);
    EXPECT_EQ(code, 3);
    ASSERT_EQ(setup->put_StyleFlags(0x42), S_OK);
    ASSERT_EQ(setup->put_AttributeCode(1), S_OK);
    ASSERT_EQ(setup->SetDefaults(Bstr(L"Symbols").Get(), 0x112233, 14.0, 36), S_OK);
    ASSERT_EQ(setup->put_ReferenceValue(Variant(-100.25)), S_OK);
    EXPECT_EQ(style->get_StyleFlags(&flags), S_OK);
    EXPECT_EQ(flags, 0x42);
    EXPECT_EQ(style->get_AttributeCode(&code), S_OK);
    EXPECT_EQ(code, 1);
    Bstr font;
    long color = 0;
    double size = 0;
    short character = 0;
    Variant reference;
    EXPECT_EQ(style->get_DefaultFontName(font.Put()), S_OK);
    EXPECT_EQ(style->get_DefaultColor(&color), S_OK);
    EXPECT_EQ(style->get_DefaultSize(&size), S_OK);
    EXPECT_EQ(style->get_DefaultCharacter(&character), S_OK);
    EXPECT_EQ(style->get_ReferenceValue(reference.Put()), S_OK);
    EXPECT_EQ(font.Wide(), L"Symbols");
    EXPECT_EQ(color, 0x112233);
    EXPECT_EQ(size, 14.0);
    EXPECT_EQ(character, 36);
    EXPECT_EQ(reference.vt, VT_R8);
    EXPECT_EQ(reference.dblVal, -100.25);
    EXPECT_EQ(hosttest::Calls(style.Get()).front(), L"get_StyleFlags()");
}

// SeriesType "CellRefs", Dimensions: RxLev, Azimuth.
ComPtr<IHostConfigNode> CellRefsConfiguration() {
    auto root = hosttest::Create<IHostConfigNode>(CLSID_HostFieldConfiguration);
    ComPtr<IHostConfigNode> seriesType, dimensions, child;
    EXPECT_EQ(root->AddChild(Bstr(L"SeriesType").Get(), Variant(L"CellRefs"), seriesType.Put()), S_OK);
    EXPECT_EQ(root->AddChild(Bstr(L"Dimensions").Get(), Variant(), dimensions.Put()), S_OK);
    EXPECT_EQ(dimensions->AddChild(Bstr(L"Dimension").Get(), Variant(L"RxLev"), child.Put()), S_OK);
    EXPECT_EQ(dimensions->AddChild(Bstr(L"Dimension").Get(), Variant(L"Azimuth"), child.Put()), S_OK);
    hosttest::ClearCalls(root.Get());
    return root;
}

TEST(FieldConfiguration, ChildrenAreFoundByNameAndWalkedInOrder) {
    auto root = CellRefsConfiguration();
    ComPtr<IHostConfigNode> seriesType, dimensions, child, missing;
    Variant value;
    ASSERT_EQ(root->Child(Bstr(L"SeriesType").Get(), seriesType.Put()), S_OK);
    EXPECT_EQ(seriesType->get_NodeValue(value.Put()), S_OK);
    EXPECT_EQ(value.ToWide(), L"CellRefs");
    EXPECT_EQ(root->Child(Bstr(L"Colours").Get(), missing.Put()), DISP_E_BADINDEX);
    EXPECT_FALSE(missing);

    ASSERT_EQ(root->Child(Bstr(L"Dimensions").Get(), dimensions.Put()), S_OK);
    long count = 0;
    EXPECT_EQ(dimensions->get_ChildCount(&count), S_OK);
    ASSERT_EQ(count, 2);
    std::vector<std::wstring> names;
    for (long i = 0; i < count; ++i) {
        ASSERT_EQ(dimensions->ChildAt(i, child.Put()), S_OK);
        ASSERT_EQ(child->get_NodeValue(value.Put()), S_OK);
        names.push_back(value.ToWide());
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"RxLev", L"Azimuth"}));
    EXPECT_EQ(dimensions->ChildAt(2, child.Put()), DISP_E_BADINDEX);
    ASSERT_EQ(dimensions->SetNodeValue(Variant(L"two")), S_OK);
    EXPECT_EQ(dimensions->get_NodeValue(value.Put()), S_OK);
    EXPECT_EQ(value.ToWide(), L"two");

    // One log for the whole tree, each line led by its node.
    std::vector<std::wstring> calls = hosttest::Calls(root.Get());
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], L"Configuration: Child(SeriesType)");
    EXPECT_EQ(calls[1], L"SeriesType: get_NodeValue()");
    EXPECT_EQ(calls[2], L"Configuration: Child(Colours)");
    EXPECT_EQ(calls[4], L"Dimensions: get_ChildCount()");
}

}  // namespace
