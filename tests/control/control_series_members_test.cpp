// The per-series members a host calls through IDispatch: the series settings node it keeps and
// hands back, the cell colour field, and the data layer's tooltip and label expressions.
#include "tests/datalayers/DisplayFixture.h"

#include "platform/Xml.h"

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

enum : DISPID {
    kSetSeriesSettings = 0x23,
    kGetSeriesSettings = 0x24,
    kUpdateLegendCheckBoxes = 0x25,
    kSetIndividualSeriesSettings = 0x27,
    kSetTooltipExpression = 0x52,
    kSetLabelExpression = 0x53,
    kSetLabelVisible = 0x54,
    kCellColourField = 0x55,
};
const wchar_t kGuid[] = L"{5E71E500-0000-4000-8000-00000000A001}";

std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
    std::wstring value;
    return platform::GetAttribute(element, name, value) ? value : L"<absent>";
}

std::wstring ErrorText() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.Put()) != S_OK || !info) return L"";
    BSTR text = nullptr;
    info->GetDescription(&text);
    return Bstr::Attach(text).Wide();
}

class SeriesMembers : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        Initialise();
        ASSERT_EQ(Display(MakeSampleDataset(50).Get(), Text(L"RxLev"), kGuid), S_OK);
        ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ2, automation_.PutVoid()), S_OK);
    }
    ComPtr<IXMLDOMElement> Settings(const wchar_t* guid = kGuid) {
        Variant node;
        EXPECT_EQ(Call(Control(), kGetSeriesSettings, {Text(guid)}, &node), S_OK);
        ComPtr<IXMLDOMElement> element;
        if (node.vt == VT_DISPATCH && node.pdispVal) node.pdispVal->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        return element;
    }
    // A "SeriesInfoChild" element as a host might write it.
    ComPtr<IXMLDOMElement> Element(IXMLDOMDocument* document, const wchar_t* visibility, const wchar_t* x,
                                   const wchar_t* y) {
        ComPtr<IXMLDOMElement> element;
        Bstr name(L"SeriesInfoChild");
        EXPECT_EQ(document->createElement(name.Get(), element.Put()), S_OK);
        platform::SetAttribute(element.Get(), L"LayerVisibility", visibility);
        platform::SetAttribute(element.Get(), L"LayerOffsetX", x);
        platform::SetAttribute(element.Get(), L"LayerOffsetY", y);
        return element;
    }
    ComPtr<IZmaVadAZ2> automation_;
};

TEST_F(SeriesMembers, SettingsRoundTripThroughTheHostsNode) {
    ASSERT_EQ(Call(Control(), kSetLabelVisible, {Text(kGuid), Variant(true)}), S_OK);
    ComPtr<IXMLDOMElement> saved = Settings();
    ASSERT_TRUE(saved);
    EXPECT_EQ(Attribute(saved.Get(), L"guid"), kGuid);
    EXPECT_EQ(Attribute(saved.Get(), L"LayerVisibility"), L"-1");
    EXPECT_EQ(Attribute(saved.Get(), L"LayerOffsetX"), L"0");
    EXPECT_EQ(Attribute(saved.Get(), L"LayerOffsetY"), L"0");
    EXPECT_EQ(Attribute(saved.Get(), L"visible"), L"-1") << "the label settings come along";

    // The host changes the series: hidden, moved, labels off.
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> changed = Element(document.Get(), L"0", L"0.5", L"-0.25");
    platform::SetAttribute(changed.Get(), L"visible", L"0");
    ASSERT_EQ(Call(Control(), kSetIndividualSeriesSettings, {Text(kGuid), Variant(static_cast<IDispatch*>(changed.Get()))}),
              S_OK);
    ComPtr<IXMLDOMElement> now = Settings();
    EXPECT_EQ(Attribute(now.Get(), L"LayerVisibility"), L"0");
    EXPECT_EQ(Attribute(now.Get(), L"LayerOffsetX"), L"0.5");
    EXPECT_EQ(Attribute(now.Get(), L"LayerOffsetY"), L"-0.25");
    EXPECT_EQ(Attribute(now.Get(), L"visible"), L"0");

    // The node first saved, under a parent, restores visibility and labels; its zero offsets
    // leave the moved layer where it is.
    Bstr parentName(L"Series");
    ComPtr<IXMLDOMElement> parent;
    ASSERT_EQ(document->createElement(parentName.Get(), parent.Put()), S_OK);
    ComPtr<IXMLDOMNode> appended;
    ASSERT_EQ(parent->appendChild(saved.Get(), appended.Put()), S_OK);
    ASSERT_EQ(Call(Control(), kSetSeriesSettings, {Text(kGuid), Variant(static_cast<IDispatch*>(parent.Get()))}), S_OK);
    now = Settings();
    EXPECT_EQ(Attribute(now.Get(), L"LayerVisibility"), L"-1");
    EXPECT_EQ(Attribute(now.Get(), L"visible"), L"-1");
    EXPECT_EQ(Attribute(now.Get(), L"LayerOffsetX"), L"0.5");
}

TEST_F(SeriesMembers, UnknownSeriesAndMissingElementsAnswerClearErrors) {
    IDispatch* node = nullptr;
    Bstr unknown(L"{unknown}");
    EXPECT_EQ(automation_->GetSeriesSettings(unknown.Get(), &node), DISP_E_BADINDEX);
    EXPECT_EQ(ErrorText(), L"No layer of the map shows the series given.");
    EXPECT_EQ(node, nullptr);

    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> element = Element(document.Get(), L"0", L"1", L"1");
    EXPECT_EQ(automation_->SetIndividualSeriesSettings(unknown.Get(), element.Get()), DISP_E_BADINDEX);
    Bstr guid(kGuid);
    // A parent without a "SeriesInfoChild" child changes nothing.
    EXPECT_EQ(automation_->SetSeriesSettings(guid.Get(), element.Get()), E_FAIL);
    EXPECT_NE(ErrorText().find(L"SeriesInfoChild"), std::wstring::npos);
    EXPECT_EQ(Attribute(Settings().Get(), L"LayerVisibility"), L"-1");
    EXPECT_EQ(automation_->SetSeriesSettings(guid.Get(), nullptr), E_POINTER);
    EXPECT_EQ(automation_->GetSeriesSettings(guid.Get(), nullptr), E_POINTER);

    // A visibility that is no number is refused before anything changes.
    ComPtr<IXMLDOMElement> bad = Element(document.Get(), L"shown", L"1", L"1");
    EXPECT_TRUE(FAILED(automation_->SetIndividualSeriesSettings(guid.Get(), bad.Get())));
    EXPECT_EQ(Attribute(Settings().Get(), L"LayerOffsetX"), L"0");
}

TEST_F(SeriesMembers, LabelMembersFollowTheHostsBooleanAndNameTheirFailures) {
    // Only VARIANT_TRUE shows labels: a C++ host's 1 hides them. (Through IDispatch a script's
    // 1 arrives as VARIANT_TRUE already.)
    ASSERT_EQ(Call(Control(), kSetLabelVisible, {Text(kGuid), Variant(short{1})}), S_OK);
    EXPECT_EQ(Attribute(Settings().Get(), L"visible"), L"-1");
    Bstr guid(kGuid);
    ASSERT_EQ(automation_->SetLabelVisibleForDataLayer(guid.Get(), 1), S_OK);
    EXPECT_EQ(Attribute(Settings().Get(), L"visible"), L"0");

    ASSERT_EQ(Call(Control(), kSetLabelExpression, {Text(kGuid), Text(L"[RxLev] & \" dBm\"")}), S_OK);
    EXPECT_EQ(Attribute(Settings().Get(), L"expression"), L"[RxLev] & \" dBm\"");
    EXPECT_EQ(Attribute(Settings().Get(), L"use_expression"), L"-1");
    ASSERT_EQ(Call(Control(), kSetLabelExpression, {Text(kGuid), Text(L"")}), S_OK);
    EXPECT_EQ(Attribute(Settings().Get(), L"use_expression"), L"0");

    EXPECT_EQ(Call(Control(), kSetTooltipExpression, {Text(kGuid), Text(L"[RxLev]")}), S_OK);
    EXPECT_EQ(Call(Control(), kSetTooltipExpression, {Text(L"{unknown}"), Text(L"x")}), E_FAIL);
    EXPECT_EQ(Call(Control(), kSetLabelExpression, {Text(L"{unknown}"), Text(L"x")}), E_FAIL);
    EXPECT_EQ(Call(Control(), kSetLabelVisible, {Text(L"{unknown}"), Variant(true)}), E_INVALIDARG);
}

TEST_F(SeriesMembers, CellColourFieldAndLegendCheckBoxesReachTheCollection) {
    // The field list of the series' composition records the colour role.
    EXPECT_EQ(Invoke(Control(), kCellColourField, DISPATCH_PROPERTYPUT, {Text(kGuid), Text(L"RxQual")}), S_OK);
    EXPECT_EQ(Call(Control(), kUpdateLegendCheckBoxes, {}), S_OK);
}

TEST(SeriesMembersUninitialised, BeforeTheMapIsInitialisedTheyRefuse) {
    ComPtr<IZmaVadAZ2> map;
    ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IZmaVadAZ2, map.PutVoid()), S_OK);
    Bstr guid(kGuid), text(L"x");
    EXPECT_EQ(map->SetTooltipExpressionForDataLayer(guid.Get(), text.Get()), E_FAIL);
    EXPECT_EQ(map->SetLabelExpressionForDataLayer(guid.Get(), text.Get()), E_FAIL);
    EXPECT_EQ(map->SetLabelVisibleForDataLayer(guid.Get(), VARIANT_TRUE), E_FAIL);
    IDispatch* node = nullptr;
    EXPECT_EQ(map->GetSeriesSettings(guid.Get(), &node), E_UNEXPECTED);
    EXPECT_EQ(map->UpdateLegendCheckBoxes(), E_UNEXPECTED);
    map->PreDestroy();
}

}  // namespace
