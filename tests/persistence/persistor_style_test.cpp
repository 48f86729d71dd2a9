// The style facet persistors and the label properties of engine layers, against the engine
// stand-in's Style and label-properties objects.
#include "tests/persistence/PersistorFixture.h"

#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/LabelPropertiesPersistence.h"
#include "ZmaVOMap2/persistence/PersistentStyle.h"

#include <olectl.h>

using namespace persisttest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
namespace S = Engine::Style;
namespace L = Engine::Labels;

namespace {

class StylePersistors : public PersistorTest {
protected:
    static ComPtr<IFont> FontOf(IDispatch* style, DISPID id) {
        Variant value = Get(style, id);
        ComPtr<IFont> font;
        if (value.punkVal) value.punkVal->QueryInterface(IID_IFont, font.PutVoid());
        return font;
    }
    static void SetFont(IDispatch* style, DISPID id, const wchar_t* name, double points, bool bold) {
        ComPtr<IFont> font = FontOf(style, id);
        ASSERT_TRUE(font);
        font->put_Name(Bstr(name).Get());
        CY size;
        ::VarCyFromR8(points, &size);
        font->put_Size(size);
        font->put_Bold(bold);
        font->put_Italic(TRUE);
    }
    static double Points(IDispatch* style, DISPID id) {
        CY size = {};
        FontOf(style, id)->get_Size(&size);
        return size.int64 / 10000.0;
    }
    // A style with a value in every facet that differs from a new style's.
    ComPtr<IDispatch> DistinctStyle() {
        ComPtr<IDispatch> style = NewObject(CLSID_EngineStyle);
        const struct {
            DISPID id;
            Variant value;
        } values[] = {{S::kLineColor, Variant(0x00123456L)},        {S::kLineStyle, Variant(short(5))},
                      {S::kLineWidth, Variant(short(3))},           {S::kLineWidthUnit, Variant(1L)},
                      {S::kLineInterleaved, Variant(true)},         {S::kSymbolCharacter, Variant(short(40))},
                      {S::kSymbolFontColor, Variant(255L)},         {S::kSymbolFontBackColor, Variant(0x00FF00L)},
                      {S::kSymbolFontHalo, Variant(true)},          {S::kSymbolFontOpaque, Variant(true)},
                      {S::kSymbolFontShadow, Variant(true)},        {S::kSymbolFontRotation, Variant(short(45))},
                      {S::kBitmapColor, Variant(0x00FF0000L)},      {S::kBitmapName, Variant(L"PIN1-32.BMP")},
                      {S::kBitmapOverrideColor, Variant(true)},     {S::kBitmapSize, Variant(24L)},
                      {S::kBitmapTransparent, Variant(true)},       {S::kRegionColor, Variant(0x00ABCDEFL)},
                      {S::kRegionBackColor, Variant(0x00010203L)},  {S::kRegionBorderColor, Variant(0x00FFFFFFL)},
                      {S::kRegionBorderStyle, Variant(short(4))},   {S::kRegionBorderWidth, Variant(short(2))},
                      {S::kRegionWidthUnit, Variant(1L)},           {S::kRegionPattern, Variant(short(8))},
                      {S::kRegionTransparent, Variant(true)},       {S::kTextFontColor, Variant(0x000000FFL)},
                      {S::kTextFontBackColor, Variant(0x00FFFF00L)}, {S::kTextFontAllCaps, Variant(true)},
                      {S::kTextFontDblSpace, Variant(true)},        {S::kTextFontHalo, Variant(true)},
                      {S::kTextFontOpaque, Variant(true)},          {S::kTextFontShadow, Variant(true)},
                      {S::kTextFontRotation, Variant(short(30))}};
        for (const auto& v : values) Put(style.Get(), v.id, v.value);
        SetFont(style.Get(), S::kSymbolFont, L"Tahoma", 18, true);
        SetFont(style.Get(), S::kTextFont, L"Tahoma", 10.5, true);
        return style;
    }
    static std::vector<DISPID> PlainProperties() {
        return {S::kLineColor, S::kLineStyle, S::kLineWidth, S::kLineWidthUnit, S::kLineInterleaved,
                S::kSymbolCharacter, S::kSymbolFontColor, S::kSymbolFontBackColor, S::kSymbolFontHalo,
                S::kSymbolFontOpaque, S::kSymbolFontShadow, S::kSymbolFontRotation, S::kBitmapColor, S::kBitmapName,
                S::kBitmapOverrideColor, S::kBitmapSize, S::kBitmapTransparent, S::kRegionColor, S::kRegionBackColor,
                S::kRegionBorderColor, S::kRegionBorderStyle, S::kRegionBorderWidth, S::kRegionWidthUnit,
                S::kRegionPattern, S::kRegionTransparent, S::kTextFontColor, S::kTextFontBackColor,
                S::kTextFontAllCaps, S::kTextFontDblSpace, S::kTextFontHalo, S::kTextFontOpaque,
                S::kTextFontShadow, S::kTextFontRotation};
    }
    static std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> AllFacets() {
        std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> facets;
        facets.push_back(std::make_unique<CZmaVOMapXPersistentLineStyle>());
        facets.push_back(std::make_unique<CZmaVOMapXPersistentFontStyle>());
        facets.push_back(std::make_unique<CZmaVOMapXPersistentBitmapStyle>());
        facets.push_back(std::make_unique<CZmaVOMapXPersistentRegionStyle>());
        facets.push_back(std::make_unique<CZmaVOMapXPersistentTextStyle>());
        return facets;
    }
};

TEST_F(StylePersistors, EveryFacetComesBackOnANewStyle) {
    ComPtr<IDispatch> saved = DistinctStyle();
    for (auto& facet : AllFacets()) ASSERT_EQ(facet->Save(saved.Get(), root_.Get()), S_OK);
    // One element per facet, in the order of the calls.
    ComPtr<IXMLDOMNode> first;
    root_->get_firstChild(first.Put());
    Bstr name;
    first->get_nodeName(name.Put());
    EXPECT_EQ(name.Wide(), L"line");
    EXPECT_EQ(Attribute(Child(root_.Get(), L"bitmap").Get(), L"bitmaptransparent"), L"-1");
    EXPECT_EQ(Attribute(Child(root_.Get(), L"line").Get(), L"linecolor"), std::to_wstring(0x00123456));

    ComPtr<IDispatch> loaded = NewObject(CLSID_EngineStyle);
    for (auto& facet : AllFacets()) ASSERT_EQ(facet->Load(loaded.Get(), root_.Get()), S_OK);
    for (DISPID id : PlainProperties())
        EXPECT_EQ(Get(loaded.Get(), id).ToWide(), Get(saved.Get(), id).ToWide()) << "style property " << id;
    Bstr face, savedFace;
    FontOf(loaded.Get(), S::kSymbolFont)->get_Name(face.Put());
    FontOf(saved.Get(), S::kSymbolFont)->get_Name(savedFace.Put());
    EXPECT_EQ(face.Wide(), savedFace.Wide());
    EXPECT_EQ(Attribute(Child(root_.Get(), L"font").Get(), L"fontname"), savedFace.Wide());
    EXPECT_EQ(Points(loaded.Get(), S::kSymbolFont), 18.0);
    BOOL bold = FALSE;
    FontOf(loaded.Get(), S::kTextFont)->get_Bold(&bold);
    EXPECT_TRUE(bold);
    // A fractional size comes back as it was saved.
    EXPECT_EQ(Attribute(Child(root_.Get(), L"text").Get(), L"textsize"), L"10.5");
    EXPECT_EQ(Points(loaded.Get(), S::kTextFont), Points(saved.Get(), S::kTextFont));
}

TEST_F(StylePersistors, InterleavingIsLeftAloneForALineStyleWithoutIt) {
    ComPtr<IDispatch> style = NewObject(CLSID_EngineStyle);
    Put(style.Get(), S::kLineInterleaved, Variant(false));
    ComPtr<IXMLDOMElement> line = platform::CreateChildElement(root_.Get(), L"line");
    SetAttr(line.Get(), L"linecolor", L"255 red");
    SetAttr(line.Get(), L"lineinterleaved", L"-1");
    SetAttr(line.Get(), L"linestyle", L"1");
    SetAttr(line.Get(), L"linewidth", L"4");
    SetAttr(line.Get(), L"linewidthunit", L"0");
    ASSERT_EQ(CZmaVOMapXPersistentLineStyle().Load(style.Get(), root_.Get()), S_OK);
    EXPECT_EQ(Get(style.Get(), S::kLineColor).ToLong(), 255);
    EXPECT_EQ(Get(style.Get(), S::kLineWidth).ToLong(), 4);
    EXPECT_FALSE(Get(style.Get(), S::kLineInterleaved).ToBool());

    SetAttr(line.Get(), L"linestyle", L"2");
    ASSERT_EQ(CZmaVOMapXPersistentLineStyle().Load(style.Get(), root_.Get()), S_OK);
    EXPECT_TRUE(Get(style.Get(), S::kLineInterleaved).ToBool());
}

TEST_F(StylePersistors, AMissingAttributeStopsTheLoadThereAndKeepsWhatCameBefore) {
    ComPtr<IDispatch> saved = DistinctStyle();
    ASSERT_EQ(CZmaVOMapXPersistentRegionStyle().Save(saved.Get(), root_.Get()), S_OK);
    ComPtr<IXMLDOMElement> region = Child(root_.Get(), L"region");
    RemoveAttr(region.Get(), L"regionpattern");
    SetAttr(region.Get(), L"regioncolor", L"");

    ComPtr<IDispatch> loaded = NewObject(CLSID_EngineStyle);
    const long pattern = Get(loaded.Get(), S::kRegionPattern).ToLong();
    EXPECT_EQ(CZmaVOMapXPersistentRegionStyle().Load(loaded.Get(), root_.Get()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Get(loaded.Get(), S::kRegionColor).ToLong(), 0);  // an empty colour text is black
    EXPECT_EQ(Get(loaded.Get(), S::kRegionBorderWidth).ToLong(), 2);
    EXPECT_EQ(Get(loaded.Get(), S::kRegionPattern).ToLong(), pattern);
    EXPECT_FALSE(Get(loaded.Get(), S::kRegionTransparent).ToBool());

    // A facet whose element is missing changes nothing.
    EXPECT_EQ(CZmaVOMapXPersistentBitmapStyle().Load(loaded.Get(), root_.Get()), E_FAIL);
    EXPECT_EQ(CZmaVOMapXPersistentTextStyle().Save(nullptr, root_.Get()), E_POINTER);
}

class LabelPersistence : public StylePersistors {
protected:
    ComPtr<IDispatch> LabelsOf(CZmaVadAZLayer* layer) {
        Variant labels = Get(layer->GetMapXLayer().Get(), Engine::Layer::kLabelProperties);
        return ComPtr<IDispatch>(labels.pdispVal);
    }
};

TEST_F(LabelPersistence, EngineLabelSettingsRoundTripWithOneStyleChild) {
    CZmaVadAZLayer* layer = OpenTable("labelled", 2);
    ASSERT_TRUE(layer);
    ComPtr<IDispatch> labels = LabelsOf(layer);
    Put(labels.Get(), L::kVisible, Variant(true));
    Put(labels.Get(), L::kLabelMax, Variant(short(250)));
    Put(labels.Get(), L::kLabelZoomMin, Variant(2.0));
    Put(labels.Get(), L::kLabelZoomMax, Variant(10.5));
    Put(labels.Get(), L::kLabelZoom, Variant(true));
    Put(labels.Get(), L::kPosition, Variant(short(3)));
    Variant style = Get(labels.Get(), L::kStyle);
    Put(style.pdispVal, S::kTextFontColor, Variant(0x00FF00L));

    ComPtr<IXMLDOMElement> settings = platform::CreateChildElement(root_.Get(), L"LabelSettings");
    ASSERT_EQ(SaveLabelProperties(labels.Get(), settings.Get()), S_OK);
    ASSERT_EQ(SaveLabelProperties(labels.Get(), settings.Get()), S_OK);
    ComPtr<IXMLDOMNodeList> styles;
    settings->selectNodes(Bstr(L"Style").Get(), styles.Put());
    long count = 0;
    styles->get_length(&count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Attribute(settings.Get(), L"visible"), L"-1");
    EXPECT_EQ(Attribute(settings.Get(), L"datafield"), L"Name");
    EXPECT_EQ(Attribute(settings.Get(), L"labelzoommax"), L"10.5");

    CZmaVadAZLayer* other = OpenTable("other", 2);
    ComPtr<IDispatch> target = LabelsOf(other);
    Put(target.Get(), L::kLabelZoomMin, Variant(20.0));
    Put(target.Get(), L::kLabelZoomMax, Variant(40.0));
    ASSERT_EQ(LoadLabelProperties(target.Get(), settings.Get()), S_OK);
    EXPECT_TRUE(Get(target.Get(), L::kVisible).ToBool());
    EXPECT_EQ(Get(target.Get(), L::kLabelMax).ToLong(), 250);
    EXPECT_DOUBLE_EQ(Get(target.Get(), L::kLabelZoomMin).ToDouble(), 2.0);
    EXPECT_DOUBLE_EQ(Get(target.Get(), L::kLabelZoomMax).ToDouble(), 10.5);
    EXPECT_EQ(Get(target.Get(), L::kPosition).ToLong(), 3);
    Variant loadedStyle = Get(target.Get(), L::kStyle);
    EXPECT_EQ(Get(loadedStyle.pdispVal, S::kTextFontColor).ToLong(), 0x00FF00);

    // "0" switches labels off; a missing key stops the load where it stands.
    SetAttr(settings.Get(), L"visible", L"0");
    RemoveAttr(settings.Get(), L"offset");
    Put(target.Get(), L::kPosition, Variant(short(1)));
    EXPECT_EQ(LoadLabelProperties(target.Get(), settings.Get()), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(Get(target.Get(), L::kVisible).ToBool());
    EXPECT_EQ(Get(target.Get(), L::kPosition).ToLong(), 1);
    EXPECT_EQ(SaveLabelProperties(nullptr, settings.Get()), E_POINTER);
}

}  // namespace
