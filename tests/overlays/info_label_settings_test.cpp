// Label settings of the own layers: copies, and the "LabelSettings" element in the current and
// the older format, with the host's label style and unit converter stand-ins.
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "platform/Xml.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

using platform::Bstr;
using platform::ComPtr;
using Settings = CZmaVadAZLabelProperties;

namespace {

class LabelSettingsXml : public ::testing::Test {
protected:
    void SetUp() override {
        document_ = platform::CreateXmlDocument();
        element_ = platform::CreateChildElement(document_.Get(), L"LabelSettings");
    }
    std::wstring Attribute(const wchar_t* name) {
        std::wstring value = L"<absent>";
        platform::GetAttribute(element_.Get(), name, value);
        return value;
    }
    void Set(const wchar_t* name, const wchar_t* value) { platform::SetAttribute(element_.Get(), name, value); }
    long Count(const wchar_t* xpath) {
        ComPtr<IXMLDOMNodeList> nodes;
        long n = -1;
        if (SUCCEEDED(element_->selectNodes(Bstr(xpath).Get(), nodes.Put())) && nodes) nodes->get_length(&n);
        return n;
    }

    ComPtr<IXMLDOMDocument2> document_;
    ComPtr<IXMLDOMElement> element_;
};

ComPtr<IFont> FontOf(const Settings& settings) {
    ComPtr<IFont> font;
    if (ComPtr<IHostLabelStyle> style = settings.GetStyle()) style->get_Font(font.Put());
    return font;
}

std::wstring FontName(const Settings& settings) {
    Bstr name;
    if (ComPtr<IFont> font = FontOf(settings)) font->get_Name(name.Put());
    return name.Wide();
}

// The unit converter stand-in keeps one call log for its class; reading it clears it.
std::wstring TakeConverterCalls() {
    ComPtr<IUnknown> converter;
    ComPtr<IHostCallLog> log;
    if (FAILED(::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_ALL, IID_IUnknown, converter.PutVoid())) ||
        FAILED(converter.As(log)))
        return L"<no converter>";
    Bstr text;
    log->get_CallText(text.Put());
    log->ClearCalls();
    return text.Wide();
}

}  // namespace

TEST_F(LabelSettingsXml, NewSettingsSaveTheirDefaultsWithOneStyle) {
    Settings settings;
    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kMile), S_OK);
    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kMile), S_OK);
    EXPECT_EQ(Attribute(L"datafield"), L"");
    EXPECT_EQ(Attribute(L"visible"), L"-1");
    EXPECT_EQ(Attribute(L"labelzoom"), L"0");
    EXPECT_EQ(Attribute(L"labelzoommax"), L"100");
    EXPECT_EQ(Attribute(L"labelzoommin"), L"0");
    EXPECT_EQ(Attribute(L"position"), L"2");
    EXPECT_EQ(Attribute(L"alignment"), L"0");
    EXPECT_EQ(Attribute(L"offsetx"), L"0");
    EXPECT_EQ(Attribute(L"offsety"), L"0");
    EXPECT_EQ(Count(L"Style"), 1);
    EXPECT_EQ(Count(L"Style/text"), 1);
}

TEST_F(LabelSettingsXml, EverySettingAndTheStyleComeBack) {
    Settings saved;
    saved.SetDataField("RxLev");
    saved.SetFormattedLabels(true);
    saved.SetVisible(false);
    saved.SetLabelZoom(true, 2.5, 40.25);
    saved.SetOverlap(true);
    saved.SetDuplicate(true);
    saved.SetPosition(Settings::kVertical);
    saved.SetAlignment(Settings::kAlignCentre);
    saved.SetOffset(-3, 7);
    saved.SetExpression("Str$(RxLev)");
    saved.SetUseExpression(true);
    ComPtr<IHostLabelStyle> style = saved.GetStyle();
    ASSERT_TRUE(style);
    FontOf(saved)->put_Name(Bstr(L"DejaVu Serif").Get());
    CY size = {};
    size.int64 = 105000;  // 10.5 points come back as they are
    FontOf(saved)->put_Size(size);
    style->put_TextColor(0x0000FF);
    style->put_BackColor(0x00FF00);
    style->put_Halo(VARIANT_TRUE);
    ASSERT_EQ(saved.Save(element_.Get(), 0), S_OK);

    Settings loaded;
    ASSERT_EQ(loaded.Load(element_.Get(), Settings::kCurrentVersion), S_OK);
    EXPECT_EQ(loaded.GetDataField(), "RxLev");
    EXPECT_TRUE(loaded.GetFormattedLabels());
    EXPECT_FALSE(loaded.GetVisible());
    double zoomMin = 0, zoomMax = 0;
    EXPECT_TRUE(loaded.GetLabelZoom(&zoomMin, &zoomMax));
    EXPECT_EQ(zoomMin, 2.5);
    EXPECT_EQ(zoomMax, 40.25);
    EXPECT_TRUE(loaded.GetOverlap());
    EXPECT_TRUE(loaded.GetDuplicate());
    EXPECT_EQ(loaded.GetPosition(), Settings::kVertical);
    EXPECT_EQ(loaded.GetAlignment(), Settings::kAlignCentre);
    int x = 0, y = 0;
    loaded.GetOffset(x, y);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(loaded.GetExpression(), "Str$(RxLev)");
    EXPECT_TRUE(loaded.GetUseExpression());

    EXPECT_EQ(FontName(loaded), FontName(saved));
    CY loadedSize = {};
    FontOf(loaded)->get_Size(&loadedSize);
    EXPECT_EQ(loadedSize.int64, 105000);
    OLE_COLOR colour = 0;
    loaded.GetStyle()->get_BackColor(&colour);
    EXPECT_EQ(colour, 0x00FF00u);
    VARIANT_BOOL halo = VARIANT_FALSE, shadow = VARIANT_TRUE;
    loaded.GetStyle()->get_Halo(&halo);
    loaded.GetStyle()->get_Shadow(&shadow);
    EXPECT_EQ(halo, VARIANT_TRUE);
    EXPECT_EQ(shadow, VARIANT_FALSE);
}

TEST_F(LabelSettingsXml, TheZoomRangeIsWrittenInTheMapsUnitWithoutTheUnit) {
    Settings settings;
    settings.SetLabelZoomUnits(DistanceUnits::kMeter);
    settings.SetLabelZoom(true, 250.0, 1500.0);
    TakeConverterCalls();
    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kKilometer), S_OK);
    EXPECT_EQ(TakeConverterCalls(), L"Convert(250, 13, 14)\nConvert(1500, 13, 14)\n");
    EXPECT_EQ(Attribute(L"labelzoommin"), L"0.25");
    EXPECT_EQ(Attribute(L"labelzoommax"), L"1.5");
    double zoomMin = 0;
    settings.GetLabelZoom(&zoomMin, nullptr);
    EXPECT_EQ(zoomMin, 250.0);
    EXPECT_EQ(settings.GetLabelZoomUnits(), DistanceUnits::kMeter);

    ASSERT_EQ(settings.Save(element_.Get(), DistanceUnits::kMeter), S_OK);
    EXPECT_EQ(TakeConverterCalls(), L"");  // same unit: no converter
    EXPECT_EQ(Attribute(L"labelzoommin"), L"250");
}

TEST_F(LabelSettingsXml, OlderVersionsInvertDuplicatesAndMarkFormattedLabelsByName) {
    Set(L"duplicate", L"-1");
    Set(L"datafield", L"FormattedLabel");
    Set(L"offsetx", L"12");
    Set(L"position", L"0");
    Set(L"alignment", L"2");
    Set(L"formattedlabels", L"0");

    Settings older;
    ASSERT_EQ(older.Load(element_.Get(), 2), S_OK);
    EXPECT_FALSE(older.GetDuplicate());
    EXPECT_TRUE(older.GetFormattedLabels());
    EXPECT_EQ(older.GetDataField(), "FormattedLabel");
    int x = -1, y = -1;
    older.GetOffset(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(older.GetPosition(), Settings::kHorizontal);
    EXPECT_EQ(older.GetAlignment(), Settings::kAlignLeft);

    Settings current;
    ASSERT_EQ(current.Load(element_.Get(), 3), S_OK);
    EXPECT_TRUE(current.GetDuplicate());
    EXPECT_FALSE(current.GetFormattedLabels());
    current.GetOffset(x, y);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(current.GetPosition(), Settings::kAlongLine);
    EXPECT_EQ(current.GetAlignment(), Settings::kAlignCentre);
}

TEST_F(LabelSettingsXml, AbsentKeysKeepTheirValuesAndABadValueStopsTheLoad) {
    Set(L"labelzoom", L"-1");
    Set(L"labelzoommax", L"9");  // without a minimum the range is left alone
    Set(L"datafield", L"");
    Settings settings;
    settings.SetDataField("Cell");
    settings.SetLabelZoom(false, 1.0, 2.0);
    ASSERT_EQ(settings.Load(element_.Get(), 3), S_OK);
    double zoomMin = 0, zoomMax = 0;
    EXPECT_FALSE(settings.GetLabelZoom(&zoomMin, &zoomMax));
    EXPECT_EQ(zoomMax, 2.0);
    EXPECT_EQ(settings.GetDataField(), "Cell");
    EXPECT_TRUE(settings.GetVisible());

    Set(L"visible", L"0");
    Set(L"duplicate", L"maybe");
    Set(L"overlap", L"-1");
    EXPECT_EQ(settings.Load(element_.Get(), 3), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(settings.GetVisible());  // read before the bad value
    EXPECT_FALSE(settings.GetOverlap());  // never reached
    EXPECT_EQ(settings.Load(nullptr, 3), E_POINTER);
    EXPECT_EQ(settings.Save(nullptr, 0), E_POINTER);
}

TEST(LabelSettingsCopy, CopiesLeaveTheExpressionBehindAndGetAStyleOfTheirOwn) {
    Settings source;
    source.SetDataField("Level");
    source.SetLabelZoom(true, 1.0, 5.0);
    source.SetLabelZoomUnits(DistanceUnits::kFoot);
    source.SetExpression("Level * 2");
    source.SetUseExpression(true);
    ASSERT_TRUE(source.GetStyle());
    source.GetStyle()->put_TextColor(0x123456);
    source.GetStyle()->put_Shadow(VARIANT_TRUE);
    FontOf(source)->put_Name(Bstr(L"DejaVu Serif").Get());

    Settings copy(source);
    EXPECT_EQ(copy.GetDataField(), "Level");
    EXPECT_TRUE(copy.GetLabelZoom(nullptr, nullptr));
    EXPECT_EQ(copy.GetLabelZoomUnits(), DistanceUnits::kFoot);
    EXPECT_EQ(copy.GetExpression(), "");
    EXPECT_FALSE(copy.GetUseExpression());
    ASSERT_TRUE(copy.GetStyle());
    EXPECT_NE(copy.GetStyle().Get(), source.GetStyle().Get());
    OLE_COLOR colour = 0;
    copy.GetStyle()->get_TextColor(&colour);
    EXPECT_EQ(colour, 0x123456u);
    VARIANT_BOOL shadow = VARIANT_FALSE;
    copy.GetStyle()->get_Shadow(&shadow);
    EXPECT_EQ(shadow, VARIANT_TRUE);
    // The font is a clone: renaming the source's font leaves the copy's alone.
    const std::wstring copiedName = FontName(copy);
    EXPECT_EQ(copiedName, FontName(source));
    FontOf(source)->put_Name(Bstr(L"DejaVu Sans Mono").Get());
    EXPECT_EQ(FontName(copy), copiedName);

    Settings target;
    target.SetExpression("Own");
    target.SetUseExpression(true);
    target = source;
    EXPECT_EQ(target.GetExpression(), "Own");
    EXPECT_TRUE(target.GetUseExpression());
    EXPECT_EQ(target.GetDataField(), "Level");
}
