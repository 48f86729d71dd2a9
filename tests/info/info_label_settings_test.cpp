// Label settings of the own layers: their defaults, copies, and the "LabelSettings" element in
// the current and the older format, with the host's label style and unit converter stand-ins.
#include "ZmaVOMap2/control/DistanceUnits.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

using platform::Bstr;
using platform::ComPtr;

namespace {

class LabelSettingsXml : public ::testing::Test {
protected:
    void SetUp() override {
        document_ = platform::CreateXmlDocument();
        element_ = platform::CreateChildElement(document_.Get(), L"LabelSettings");
    }

    std::wstring Attribute(const wchar_t* name) {
        std::wstring value;
        EXPECT_TRUE(platform::GetAttribute(element_.Get(), name, value)) << "missing " << ToNarrow(name);
        return value;
    }
    void Set(const wchar_t* name, const std::wstring& value) { platform::SetAttribute(element_.Get(), name, value); }
    long Count(const wchar_t* xpath) {
        ComPtr<IXMLDOMNodeList> nodes;
        EXPECT_EQ(element_->selectNodes(Bstr(xpath).Get(), nodes.Put()), S_OK);
        long n = -1;
        if (nodes) nodes->get_length(&n);
        return n;
    }
    static std::string ToNarrow(const wchar_t* s) { return platform::ToAnsi(s); }

    ComPtr<IXMLDOMDocument2> document_;
    ComPtr<IXMLDOMElement> element_;
};

ComPtr<IFont> FontOf(const CZmaVadAZLabelProperties& settings) {
    ComPtr<IFont> font;
    ComPtr<IHostLabelStyle> style = settings.GetStyle();
    if (style) style->get_Font(font.Put());
    return font;
}

// The unit converter stand-in keeps one call log for its class.
std::wstring ConverterCalls(bool clear) {
    ComPtr<IUnknown> converter;
    if (FAILED(::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_ALL, IID_IUnknown, converter.PutVoid())))
        return L"<no converter>";
    ComPtr<IHostCallLog> log;
    if (FAILED(converter.As(log))) return L"<no log>";
    Bstr text;
    log->get_CallText(text.Put());
    if (clear) log->ClearCalls();
    return text.Wide();
}

}  // namespace

TEST_F(LabelSettingsXml, NewSettingsSaveTheirDefaults) {
    CZmaVadAZLabelProperties settings;
    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kMile), S_OK);
    EXPECT_EQ(Attribute(L"datafield"), L"");
    EXPECT_EQ(Attribute(L"formattedlabels"), L"0");
    EXPECT_EQ(Attribute(L"visible"), L"-1");
    EXPECT_EQ(Attribute(L"labelzoom"), L"0");
    EXPECT_EQ(Attribute(L"labelzoommax"), L"100");
    EXPECT_EQ(Attribute(L"labelzoommin"), L"0");
    EXPECT_EQ(Attribute(L"position"), L"2");
    EXPECT_EQ(Attribute(L"alignment"), L"0");
    EXPECT_EQ(Attribute(L"offsetx"), L"0");
    EXPECT_EQ(Attribute(L"offsety"), L"0");
    EXPECT_EQ(Attribute(L"use_expression"), L"0");
    EXPECT_EQ(Attribute(L"expression"), L"");
    EXPECT_EQ(Count(L"Style/text"), 1);
}

TEST_F(LabelSettingsXml, EverySettingAndTheStyleComeBack) {
    CZmaVadAZLabelProperties saved;
    saved.SetDataField("RxLev");
    saved.SetFormattedLabels(true);
    saved.SetVisible(false);
    saved.SetLabelZoom(true, 2.5, 40.25);
    saved.SetOverlap(true);
    saved.SetDuplicate(true);
    saved.SetPosition(CZmaVadAZLabelProperties::kVertical);
    saved.SetAlignment(CZmaVadAZLabelProperties::kAlignCentre);
    saved.SetOffset(-3, 7);
    saved.SetExpression("Str$(RxLev)");
    saved.SetUseExpression(true);
    ComPtr<IHostLabelStyle> style = saved.GetStyle();
    ASSERT_TRUE(style);
    ComPtr<IFont> font = FontOf(saved);
    ASSERT_TRUE(font);
    font->put_Name(Bstr(L"DejaVu Serif").Get());
    CY size = {};
    size.int64 = 105000;  // 10.5 points
    font->put_Size(size);
    font->put_Bold(TRUE);
    // The font reports the face it found; the file must bring back that one.
    Bstr savedName;
    font->get_Name(savedName.Put());
    style->put_TextColor(0x0000FF);
    style->put_BackColor(0x00FF00);
    style->put_Halo(VARIANT_TRUE);
    style->put_AllCaps(VARIANT_TRUE);
    ASSERT_EQ(saved.Save(element_.Get(), 0), S_OK);

    CZmaVadAZLabelProperties loaded;
    ASSERT_EQ(loaded.Load(element_.Get(), CZmaVadAZLabelProperties::kCurrentVersion), S_OK);
    EXPECT_EQ(loaded.GetDataField(), "RxLev");
    EXPECT_TRUE(loaded.GetFormattedLabels());
    EXPECT_FALSE(loaded.GetVisible());
    double zoomMin = 0, zoomMax = 0;
    EXPECT_TRUE(loaded.GetLabelZoom(&zoomMin, &zoomMax));
    EXPECT_EQ(zoomMin, 2.5);
    EXPECT_EQ(zoomMax, 40.25);
    EXPECT_TRUE(loaded.GetOverlap());
    EXPECT_TRUE(loaded.GetDuplicate());
    EXPECT_EQ(loaded.GetPosition(), CZmaVadAZLabelProperties::kVertical);
    EXPECT_EQ(loaded.GetAlignment(), CZmaVadAZLabelProperties::kAlignCentre);
    int x = 0, y = 0;
    loaded.GetOffset(x, y);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(loaded.GetExpression(), "Str$(RxLev)");
    EXPECT_TRUE(loaded.GetUseExpression());

    ComPtr<IFont> loadedFont = FontOf(loaded);
    ASSERT_TRUE(loadedFont);
    Bstr name;
    loadedFont->get_Name(name.Put());
    EXPECT_EQ(name.Wide(), savedName.Wide());
    CY loadedSize = {};
    loadedFont->get_Size(&loadedSize);
    EXPECT_EQ(loadedSize.int64, 105000);
    BOOL bold = FALSE;
    loadedFont->get_Bold(&bold);
    EXPECT_TRUE(bold);
    OLE_COLOR colour = 0;
    loaded.GetStyle()->get_TextColor(&colour);
    EXPECT_EQ(colour, 0x0000FFu);
    loaded.GetStyle()->get_BackColor(&colour);
    EXPECT_EQ(colour, 0x00FF00u);
    VARIANT_BOOL flag = VARIANT_FALSE;
    loaded.GetStyle()->get_Halo(&flag);
    EXPECT_EQ(flag, VARIANT_TRUE);
    loaded.GetStyle()->get_Shadow(&flag);
    EXPECT_EQ(flag, VARIANT_FALSE);
}

TEST_F(LabelSettingsXml, TheZoomRangeIsWrittenInTheMapsUnit) {
    CZmaVadAZLabelProperties settings;
    settings.SetLabelZoomUnits(DistanceUnits::kMeter);
    settings.SetLabelZoom(true, 250.0, 1500.0);
    ConverterCalls(true);
    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kKilometer), S_OK);
    const std::wstring calls = ConverterCalls(true);
    EXPECT_NE(calls.find(L"Convert(250, 13, 14)"), std::wstring::npos) << platform::ToAnsi(calls);
    EXPECT_NE(calls.find(L"Convert(1500, 13, 14)"), std::wstring::npos) << platform::ToAnsi(calls);
    EXPECT_EQ(Attribute(L"labelzoommin"), L"0.25");
    EXPECT_EQ(Attribute(L"labelzoommax"), L"1.5");
    // The settings keep their own unit and values, and the unit is not written.
    double zoomMin = 0, zoomMax = 0;
    settings.GetLabelZoom(&zoomMin, &zoomMax);
    EXPECT_EQ(zoomMin, 250.0);
    EXPECT_EQ(settings.GetLabelZoomUnits(), DistanceUnits::kMeter);

    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kMeter), S_OK);
    EXPECT_EQ(ConverterCalls(true), L"");  // same unit: no converter
    EXPECT_EQ(Attribute(L"labelzoommin"), L"250");
}

TEST_F(LabelSettingsXml, SavingAgainKeepsOneStyle) {
    CZmaVadAZLabelProperties settings;
    ASSERT_EQ(settings.Save(element_.Get(), 0), S_OK);
    ASSERT_EQ(settings.Save(element_.Get(), 0), S_OK);
    EXPECT_EQ(Count(L"Style"), 1);
    EXPECT_EQ(Count(L"Style/text"), 1);
}

TEST_F(LabelSettingsXml, OlderVersionsInvertDuplicatesAndMarkFormattedLabelsByName) {
    Set(L"duplicate", L"-1");
    Set(L"datafield", L"FormattedLabel");
    Set(L"offsetx", L"12");
    Set(L"position", L"0");
    Set(L"alignment", L"2");
    Set(L"formattedlabels", L"0");

    CZmaVadAZLabelProperties older;
    ASSERT_EQ(older.Load(element_.Get(), 2), S_OK);
    EXPECT_FALSE(older.GetDuplicate());
    EXPECT_TRUE(older.GetFormattedLabels());
    EXPECT_EQ(older.GetDataField(), "FormattedLabel");
    int x = -1, y = -1;
    older.GetOffset(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(older.GetPosition(), CZmaVadAZLabelProperties::kHorizontal);
    EXPECT_EQ(older.GetAlignment(), CZmaVadAZLabelProperties::kAlignLeft);

    CZmaVadAZLabelProperties current;
    ASSERT_EQ(current.Load(element_.Get(), 3), S_OK);
    EXPECT_TRUE(current.GetDuplicate());
    EXPECT_FALSE(current.GetFormattedLabels());
    current.GetOffset(x, y);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(current.GetPosition(), CZmaVadAZLabelProperties::kAlongLine);
    EXPECT_EQ(current.GetAlignment(), CZmaVadAZLabelProperties::kAlignCentre);
}

TEST_F(LabelSettingsXml, AbsentKeysKeepTheirValues) {
    Set(L"labelzoom", L"-1");
    Set(L"labelzoommax", L"9");
    Set(L"datafield", L"");
    CZmaVadAZLabelProperties settings;
    settings.SetDataField("Cell");
    settings.SetLabelZoom(false, 1.0, 2.0);
    ASSERT_EQ(settings.Load(element_.Get(), 3), S_OK);
    double zoomMin = 0, zoomMax = 0;
    EXPECT_FALSE(settings.GetLabelZoom(&zoomMin, &zoomMax));
    EXPECT_EQ(zoomMin, 1.0);
    EXPECT_EQ(zoomMax, 2.0);
    EXPECT_EQ(settings.GetDataField(), "Cell");
    EXPECT_TRUE(settings.GetVisible());
}

TEST_F(LabelSettingsXml, ALoadStopsAtTheFirstBadValueKeepingWhatCameBefore) {
    Set(L"visible", L"0");
    Set(L"duplicate", L"maybe");
    Set(L"overlap", L"-1");
    CZmaVadAZLabelProperties settings;
    EXPECT_EQ(settings.Load(element_.Get(), 3), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(settings.GetVisible());
    EXPECT_FALSE(settings.GetOverlap());
    EXPECT_EQ(settings.Load(nullptr, 3), E_POINTER);
    EXPECT_EQ(settings.Save(nullptr, 0), E_POINTER);
}

TEST(LabelSettingsCopy, CopiesLeaveTheExpressionBehind) {
    CZmaVadAZLabelProperties source;
    source.SetDataField("Level");
    source.SetLabelZoom(true, 1.0, 5.0);
    source.SetLabelZoomUnits(DistanceUnits::kFoot);
    source.SetOffset(4, 5);
    source.SetExpression("Level * 2");
    source.SetUseExpression(true);

    CZmaVadAZLabelProperties copy(source);
    EXPECT_EQ(copy.GetDataField(), "Level");
    EXPECT_TRUE(copy.GetLabelZoom(nullptr, nullptr));
    EXPECT_EQ(copy.GetLabelZoomUnits(), DistanceUnits::kFoot);
    EXPECT_EQ(copy.GetExpression(), "");
    EXPECT_FALSE(copy.GetUseExpression());

    CZmaVadAZLabelProperties target;
    target.SetExpression("Own");
    target.SetUseExpression(true);
    target = source;
    EXPECT_EQ(target.GetExpression(), "Own");
    EXPECT_TRUE(target.GetUseExpression());
    int x = 0, y = 0;
    target.GetOffset(x, y);
    EXPECT_EQ(x, 4);

    CZmaVadAZLabelProperties withoutExpression;
    withoutExpression = source;
    EXPECT_EQ(withoutExpression.GetExpression(), "");
}

TEST(LabelSettingsCopy, TheStyleIsCopiedIntoAnObjectOfItsOwn) {
    CZmaVadAZLabelProperties source;
    ASSERT_TRUE(source.GetStyle());
    source.GetStyle()->put_TextColor(0x123456);
    source.GetStyle()->put_Shadow(VARIANT_TRUE);
    FontOf(source)->put_Name(Bstr(L"DejaVu Serif").Get());

    CZmaVadAZLabelProperties copy(source);
    Bstr copiedName;
    FontOf(copy)->get_Name(copiedName.Put());
    ASSERT_TRUE(copy.GetStyle());
    EXPECT_NE(copy.GetStyle().Get(), source.GetStyle().Get());
    OLE_COLOR colour = 0;
    copy.GetStyle()->get_TextColor(&colour);
    EXPECT_EQ(colour, 0x123456u);
    VARIANT_BOOL shadow = VARIANT_FALSE;
    copy.GetStyle()->get_Shadow(&shadow);
    EXPECT_EQ(shadow, VARIANT_TRUE);

    // The font is a clone: renaming the source's font leaves the copy's alone.
    FontOf(source)->put_Name(Bstr(L"DejaVu Sans Mono").Get());
    Bstr name;
    FontOf(copy)->get_Name(name.Put());
    EXPECT_EQ(name.Wide(), copiedName.Wide());
    Bstr sourceName;
    FontOf(source)->get_Name(sourceName.Put());
    EXPECT_NE(sourceName.Wide(), copiedName.Wide()) << "the test needs two distinct fonts";
}
