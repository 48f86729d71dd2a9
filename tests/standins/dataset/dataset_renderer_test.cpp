// The symbol-drawing stand-ins: a symbol per drawing code at the given pixel, the hit geometry
// the optimisers ask for, labels of the current row, and one log per class for the renderers
// that the control makes itself.
#include "tests/standins/dataset/DatasetTestSupport.h"

namespace {

using datasettest::Canvas;
using datasettest::FieldOf;
using datasettest::MakeDataset;
using datasettest::Missing;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A renderer of the class with the class's settings and log back at their start.
ComPtr<IHostRenderer> FreshRenderer(REFCLSID clsid) {
    auto renderer = hosttest::Create<IHostRenderer>(clsid);
    auto test = hosttest::Query<IHostRendererTest>(renderer);
    EXPECT_EQ(test->ResetSettings(), S_OK);
    hosttest::ClearCalls(renderer.Get());
    return renderer;
}

TEST(Renderers, DrawAFilledCircleOfTheCodesColourAtThePoint) {
    struct Code {
        long code;
        COLORREF color;
    };
    const Code codes[] = {{0, RGB(255, 0, 0)}, {1, RGB(0, 255, 0)}, {2, RGB(0, 0, 255)}};
    for (const CLSID* clsid : {&CLSID_HostPointRenderer, &CLSID_HostEnhancedRenderer}) {
        auto renderer = FreshRenderer(*clsid);
        auto test = hosttest::Query<IHostRendererTest>(renderer);
        for (const Code& c : codes) {
            Canvas canvas(40, 40);
            ASSERT_EQ(renderer->DrawSymbol(canvas.Dc(), 20, 17, c.code), S_OK);
            OLE_COLOR expected = 0;
            EXPECT_EQ(test->SymbolColor(c.code, &expected), S_OK);
            EXPECT_EQ(expected, c.color);
            for (POINT inside : {POINT{20, 17}, POINT{22, 17}, POINT{20, 15}, POINT{18, 19}})
                EXPECT_EQ(canvas.Pixel(inside.x, inside.y), c.color) << inside.x << "," << inside.y;
            for (POINT outside : {POINT{25, 17}, POINT{15, 17}, POINT{20, 22}, POINT{20, 12}, POINT{24, 21}})
                EXPECT_EQ(canvas.Pixel(outside.x, outside.y), kWhite) << outside.x << "," << outside.y;
        }
        long symbols = 0;
        EXPECT_EQ(test->get_SymbolsDrawn(&symbols), S_OK);
        EXPECT_EQ(symbols, 3);
    }
}

TEST(Renderers, CellSiteSymbolStandsAboveTheSite) {
    auto renderer = FreshRenderer(CLSID_HostCellSiteRenderer);
    Canvas canvas(40, 40);
    ASSERT_EQ(renderer->DrawSymbol(canvas.Dc(), 20, 20, 0), S_OK);
    long dx = 0, dy = 0;
    ASSERT_EQ(renderer->GetSymbolOffset(&dx, &dy), S_OK);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, -6);
    EXPECT_EQ(canvas.Pixel(20 + dx, 20 + dy), RGB(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(20, 20), kWhite);
}

TEST(Renderers, HitGeometryFollowsTheDrawnSymbol) {
    struct Case {
        const CLSID* clsid;
        int radius;
        long dx, dy;
        VARIANT_BOOL covered;
    };
    const Case cases[] = {
        {&CLSID_HostPointRenderer, 3, 0, 0, VARIANT_TRUE},    {&CLSID_HostPointRenderer, 3, 3, 0, VARIANT_TRUE},
        {&CLSID_HostPointRenderer, 3, 2, 2, VARIANT_TRUE},    {&CLSID_HostPointRenderer, 3, 3, 1, VARIANT_FALSE},
        {&CLSID_HostPointRenderer, 3, 0, -4, VARIANT_FALSE},  {&CLSID_HostCellSiteRenderer, 9, 0, -6, VARIANT_TRUE},
        {&CLSID_HostCellSiteRenderer, 9, 0, -9, VARIANT_TRUE}, {&CLSID_HostCellSiteRenderer, 9, 0, 0, VARIANT_FALSE},
    };
    for (const Case& c : cases) {
        auto renderer = FreshRenderer(*c.clsid);
        int radius = 0;
        VARIANT_BOOL covered = 2;
        EXPECT_EQ(renderer->GetHitRadius(&radius), S_OK);
        EXPECT_EQ(radius, c.radius);
        EXPECT_EQ(renderer->HitTest(c.dx, c.dy, &covered), S_OK);
        EXPECT_EQ(covered, c.covered) << c.dx << "," << c.dy;
    }
}

TEST(Renderers, SettingsAndLogBelongToTheWholeClass) {
    auto first = FreshRenderer(CLSID_HostPointRenderer);
    auto second = hosttest::Create<IHostRenderer>(CLSID_HostPointRenderer);
    auto enhanced = FreshRenderer(CLSID_HostEnhancedRenderer);
    auto test = hosttest::Query<IHostRendererTest>(first);

    ASSERT_EQ(test->SetGeometry(5, 1, 2, 30, 10), S_OK);
    int radius = 0;
    EXPECT_EQ(second->GetHitRadius(&radius), S_OK);
    EXPECT_EQ(radius, 5);
    EXPECT_EQ(second->SetEnhancedDrawing(VARIANT_TRUE), S_OK);
    EXPECT_EQ(hosttest::Calls(first.Get()),
              (std::vector<std::wstring>{L"GetHitRadius()", L"SetEnhancedDrawing(-1)"}));
    EXPECT_TRUE(hosttest::Calls(enhanced.Get()).empty());

    ASSERT_EQ(test->put_Logging(VARIANT_FALSE), S_OK);
    EXPECT_EQ(second->GetHitRadius(&radius), S_OK);
    EXPECT_EQ(hosttest::Calls(first.Get()).size(), 2u);

    ASSERT_EQ(test->ResetSettings(), S_OK);
    EXPECT_EQ(second->GetHitRadius(&radius), S_OK);
    EXPECT_EQ(radius, 3);
    EXPECT_EQ(hosttest::Calls(first.Get()).size(), 3u);  // logging is back on
}

TEST(Renderers, LabelComesFromTheFieldOrTheTextSet) {
    auto dataset = MakeDataset({{50.1, 10.1, -60.25}, {50.2, 10.2, -70}});
    auto rows = hosttest::Query<IHostRows>(dataset);
    auto level = FieldOf(dataset.Get(), L"RxLev");
    auto renderer = FreshRenderer(CLSID_HostPointRenderer);
    Canvas canvas(60, 30);
    Bstr text;
    SIZE size = {};

    EXPECT_EQ(renderer->GetLabelText(text.Put()), S_FALSE);  // nothing set yet
    ASSERT_EQ(renderer->SetLabelField(level.Get(), 0), S_OK);
    ASSERT_EQ(rows->MoveTo(0), S_OK);
    EXPECT_EQ(renderer->GetLabelText(text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"-60.25");
    EXPECT_EQ(renderer->GetLabelSize(canvas.Dc(), &size), S_OK);
    EXPECT_EQ(size.cx, 40);
    EXPECT_EQ(size.cy, 12);

    // Formatted labels go through the field's style.
    auto style = hosttest::Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    ASSERT_EQ(style->put_Decimals(0), S_OK);
    ComPtr<IHostPropertyCollection> properties;
    ASSERT_EQ(level->get_Properties(properties.Put()), S_OK);
    ASSERT_EQ(properties->Add(Variant(L"a named value first"), Variant(L"LongName"), Missing()), S_OK);
    ASSERT_EQ(properties->Add(Variant(static_cast<IUnknown*>(style.Get())), Missing(), Missing()), S_OK);
    ASSERT_EQ(renderer->SetLabelField(level.Get(), 1), S_OK);
    EXPECT_EQ(renderer->GetLabelText(text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"-60");

    ASSERT_EQ(renderer->SetLabelText(Bstr(L"Cell 7").Get()), S_OK);
    EXPECT_EQ(renderer->GetLabelText(text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"Cell 7");
    ASSERT_EQ(renderer->SetLabelText(Bstr(L"").Get()), S_OK);
    EXPECT_EQ(renderer->GetLabelText(text.Put()), S_FALSE);
    EXPECT_EQ(renderer->GetLabelSize(canvas.Dc(), &size), S_FALSE);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(renderer->DrawLabel(canvas.Dc(), 5, 5), S_FALSE);
}

TEST(Renderers, LabelIsDrawnWithTheLabelStyleAtThePlacedOffset) {
    auto renderer = FreshRenderer(CLSID_HostEnhancedRenderer);
    auto test = hosttest::Query<IHostRendererTest>(renderer);
    auto style = hosttest::Create<IHostLabelStyle>(CLSID_HostLabelStyle);
    ASSERT_EQ(renderer->SetLabelText(Bstr(L"A1").Get()), S_OK);
    ASSERT_EQ(renderer->SetLabelPlacement(2, 0, 4, -3), S_OK);

    int ink = hosttest::InkAfter(60, 30, [&](HDC dc) { EXPECT_EQ(renderer->DrawLabel(dc, 10, 20), S_OK); });
    EXPECT_GT(ink, 0);  // without a style: plain text

    ASSERT_EQ(renderer->SetLabelStyle(style.Get()), S_OK);
    Canvas canvas(60, 30);
    ASSERT_EQ(renderer->DrawLabel(canvas.Dc(), 10, 20), S_OK);
    std::vector<std::wstring> styleCalls = hosttest::Calls(style.Get());
    ASSERT_FALSE(styleCalls.empty());
    EXPECT_EQ(styleCalls.back(), L"DrawText(14, 17, 0, A1)");
    long labels = 0;
    EXPECT_EQ(test->get_LabelsDrawn(&labels), S_OK);
    EXPECT_EQ(labels, 2);
    EXPECT_EQ(hosttest::Calls(renderer.Get()),
              (std::vector<std::wstring>{L"SetLabelText(A1)", L"SetLabelPlacement(2, 0, 4, -3)",
                                         L"DrawLabel(<hdc>, 10, 20)", L"SetLabelStyle(<object>)",
                                         L"DrawLabel(<hdc>, 10, 20)"}));
}

TEST(Renderers, FieldRenderersAreLoggedWithTheirFieldAndCode) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}});
    auto field = FieldOf(dataset.Get(), L"RxLev");
    auto fieldRenderer = hosttest::Create<IHostFieldRenderer>(CLSID_HostFieldRenderer);
    hosttest::ClearCalls(fieldRenderer.Get());
    ASSERT_EQ(fieldRenderer->SetField(field.Get(), 3), S_OK);
    EXPECT_EQ(hosttest::Calls(fieldRenderer.Get()), (std::vector<std::wstring>{L"SetField(RxLev, 3)"}));
    ComPtr<IHostField> back;
    long code = 0;
    EXPECT_EQ(fieldRenderer->get_RenderedField(back.Put()), S_OK);
    EXPECT_EQ(back.Get(), field.Get());
    EXPECT_EQ(fieldRenderer->get_AttributeCode(&code), S_OK);
    EXPECT_EQ(code, 3);

    auto renderer = FreshRenderer(CLSID_HostCellSiteRenderer);
    ASSERT_EQ(renderer->AddFieldRenderer(fieldRenderer.Get()), S_OK);
    EXPECT_EQ(renderer->AddFieldRenderer(nullptr), E_POINTER);
    EXPECT_EQ(hosttest::Calls(renderer.Get()),
              (std::vector<std::wstring>{L"AddFieldRenderer(RxLev, 3)", L"AddFieldRenderer(<null>, -1)"}));
}

TEST(Renderers, SwitchedOnFaultsFailTheirCalls) {
    hosttest::ScopedFaults faults(L"pointrenderer.DrawSymbol=0x80004001,pointrenderer.HitTest");
    auto renderer = FreshRenderer(CLSID_HostPointRenderer);
    Canvas canvas(10, 10);
    VARIANT_BOOL covered = VARIANT_TRUE;
    EXPECT_EQ(renderer->DrawSymbol(canvas.Dc(), 5, 5, 0), E_NOTIMPL);
    EXPECT_EQ(canvas.Pixel(5, 5), kWhite);
    EXPECT_EQ(renderer->HitTest(0, 0, &covered), E_FAIL);
    EXPECT_EQ(covered, VARIANT_FALSE);
    int radius = 0;
    EXPECT_EQ(renderer->GetHitRadius(&radius), S_OK);
}

}  // namespace
