// The dialogs the Layer Control opens for its selected layers: offset, label properties and
// display properties, worked through their windows, read back on the layers and the engine.
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/LabelPropDlg.h"
#include "ZmaVOMap2/dialogs/LayerPropDlg.h"
#include "ZmaVOMap2/dialogs/LinesLayerSettings.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "platform/Number.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/layers/LayerFixture.h"

#include <cmath>
#include <commctrl.h>

using namespace dialogtest;
using platform::ComPtr;
using platform::Variant;
using Names = std::vector<std::string>;

namespace {

const wchar_t* const kSeries[] = {L"{D1000000-0000-0000-0000-000000000001}", L"{D1000000-0000-0000-0000-000000000002}",
                                  L"{D1000000-0000-0000-0000-000000000003}"};

class LayerDialogs : public layertest::LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        prompts_ = std::make_unique<ScriptedPrompts>();
    }
    void TearDown() override {
        prompts_.reset();
        LayerTest::TearDown();
    }
    // A point dataset layer per series, each a little further east.
    CZmaVadAZDataLayer* ShowPoints(int index) {
        ComPtr<IDispatch> dataset =
            displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}, {L"Cell", 6}}, 3);
        for (long row = 0; row < 3; ++row) {
            displaytest::SetValue(dataset.Get(), row, L"Longitude", Variant(10.0 + index * 2.0 + row * 0.01));
            displaytest::SetValue(dataset.Get(), row, L"RxLev", Variant(-70.0));
        }
        EXPECT_EQ(datasets_->DisplayDataset(dataset.Get(), L"RxLev", nullptr, nullptr, kSeries[index]), S_OK);
        CZmaVadAZDataLayer* layer = AsDataLayer(layers_->FindLayer(kSeries[index]));
        if (layer) Draw(*layer);
        return layer;
    }
    // One frame of the layer, after which it knows its data extent.
    void Draw(CZmaVadAZDataLayer& layer) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 400, 300);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        const RECT rect = {0, 0, 400, 300};
        const ZmaExtent extent = {8.0, 51.0, 16.0, 49.0};
        layer.OnDrawUserLayer(dc, rect, extent);
        layer.Draw(dc, rect, extent);
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
    void SetMapUnit(long unit) { EngineDispatch(map_.Get()).Put(Engine::Map::kDistanceUnit, Variant(unit)); }
    double Distance(double x1, double y1, double x2, double y2) {
        return EngineDispatch(map_.Get()).Call(Engine::Map::kDistance, {Variant(x1), Variant(y1), Variant(x2), Variant(y2)}).ToDouble();
    }
    double CentreX(CZmaVadAZLayer* layer) {
        ComPtr<IDispatch> rectangle;
        CLSID rectangleClass;
        ::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass);
        ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid());
        layer->GetExtent(rectangle.Get());
        EngineDispatch r(rectangle.Get());
        return (r.Get(Engine::Rectangle::kXMin).ToDouble() + r.Get(Engine::Rectangle::kXMax).ToDouble()) * 0.5;
    }
    double CentreY(CZmaVadAZLayer* layer) {
        ComPtr<IDispatch> rectangle;
        CLSID rectangleClass;
        ::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass);
        ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid());
        layer->GetExtent(rectangle.Get());
        EngineDispatch r(rectangle.Get());
        return (r.Get(Engine::Rectangle::kYMin).ToDouble() + r.Get(Engine::Rectangle::kYMax).ToDouble()) * 0.5;
    }
    int RowOf(HWND d, CZmaVadAZLayer* layer) {
        for (int i = 0; i < RowCount(d); ++i) {
            LVITEMW item = {};
            item.mask = LVIF_PARAM;
            item.iItem = i;
            ::SendDlgItemMessageW(d, IDC_LAYER_LIST, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            if (reinterpret_cast<CZmaVadAZLayer*>(item.lParam) == layer) return i;
        }
        return -1;
    }
    INT_PTR RunLayerControl() {
        CMapSeriesDlg dialog(map_.Get(), *layers_, nullptr, &links_);
        return dialog.DoModal(nullptr);
    }

    std::unique_ptr<ScriptedPrompts> prompts_;
    RecordingLinks links_;
};

TEST_F(LayerDialogs, TheNthSelectedLayerMovesNTimesTheDistanceAndResetTakesItBack) {
    SetMapUnit(7);
    CZmaVadAZDataLayer* first = ShowPoints(0);
    CZmaVadAZDataLayer* second = ShowPoints(1);
    CZmaVadAZDataLayer* third = ShowPoints(2);
    ASSERT_TRUE(first && second && third);
    OpenTable("roads");  // not a data layer: selected too, it takes no offset

    std::string xCaption, yCaption, shownX;
    DialogScript script;
    script
        .Then([&](HWND d) {
            SelectRows(d, {0, 1, 2, 3});
            EXPECT_TRUE(IsEnabled(d, IDC_LAYER_OFFSET));
            Click(d, IDC_LAYER_OFFSET);
            Click(d, IDOK);
        })
        .Then([&](HWND offset) {
            xCaption = TextOf(offset, IDC_OFFSET_X_CAPTION);
            yCaption = TextOf(offset, IDC_OFFSET_Y_CAPTION);
            EXPECT_EQ(TextOf(offset, IDC_OFFSET_X), "");  // several layers: nothing shown
            ::SetDlgItemTextA(offset, IDC_OFFSET_X, "100");
            ::SetDlgItemTextA(offset, IDC_OFFSET_Y, "0");
            Click(offset, IDOK);
        });
    EXPECT_EQ(RunLayerControl(), IDOK);
    EXPECT_EQ(xCaption, "X (m)");
    EXPECT_EQ(yCaption, "Y (m)");

    // Rows run from the top: the third series first.
    CZmaVadAZDataLayer* order[] = {third, second, first};
    for (int n = 0; n < 3; ++n) {
        const double cx = CentreX(order[n]), cy = CentreY(order[n]);
        const double degreeEast = Distance(cx, cy, cx + 1.0, cy);
        EXPECT_NEAR(order[n]->GetOffsetX(), (n + 1) * 100.0 / degreeEast, 1e-12) << n;
        EXPECT_EQ(order[n]->GetOffsetY(), 0.0);
    }

    // One layer selected shows its distance back, negative to the west; Reset clears it.
    second->SetOffsetX(-0.01);
    DialogScript again;
    again
        .Then([&](HWND d) {
            SelectRows(d, {RowOf(d, second)});
            Click(d, IDC_LAYER_OFFSET);
            Click(d, IDOK);
        })
        .Then([&](HWND offset) {
            shownX = TextOf(offset, IDC_OFFSET_X);
            Click(offset, IDC_OFFSET_RESET);
            EXPECT_EQ(TextOf(offset, IDC_OFFSET_X), "0");
            EXPECT_TRUE(::IsWindow(offset));
            Click(offset, IDCANCEL);
        });
    EXPECT_EQ(RunLayerControl(), IDOK);
    const double cx = CentreX(second), cy = CentreY(second);
    EXPECT_EQ(shownX, platform::FormatGeneral(-Distance(cx, cy, cx - 0.01, cy)));
    EXPECT_EQ(second->GetOffsetX(), 0.0);
    EXPECT_EQ(second->GetOffsetY(), 0.0);
    EXPECT_NE(third->GetOffsetX(), 0.0);  // only the listed layer was reset
}

TEST_F(LayerDialogs, TheOffsetToolTakesTheSelectedLayersAndSwitchesTheTool) {
    CZmaVadAZDataLayer* points = ShowPoints(0);
    ASSERT_TRUE(points);
    // The control makes the offset tool (number 1) when it initialises the map.
    const Variant missing = Variant::Missing();
    EngineDispatch(map_.Get()).Call(Engine::Map::kCreateCustomTool, {Variant(short{1}), Variant(short{4}), Variant(short{2}),
                                                                   missing, missing, missing});
    bool layerControlOpen = false;
    DialogScript script;
    script
        .Then([&](HWND d) {
            SelectRows(d, {0});
            Click(d, IDC_LAYER_OFFSET);
            layerControlOpen = ::IsWindow(d) != FALSE;
            if (layerControlOpen) Click(d, IDCANCEL);
        })
        .Then([&](HWND offset) { Click(offset, IDC_OFFSET_TOOL); });
    // The layer has no feature to start the tool at: the offset dialog ends with OK, and the
    // Layer Control stays, but the layer waits for the tool.
    EXPECT_EQ(RunLayerControl(), IDCANCEL);
    EXPECT_TRUE(layerControlOpen);
    EXPECT_EQ(EngineDispatch(map_.Get()).Get(Engine::Map::kCurrentTool).ToLong(), 1);
    EXPECT_EQ(layers_->ApplyPendingLayerOffsets(0.5, 0.25), S_OK);
    EXPECT_EQ(points->GetOffsetX(), 0.5);
    EXPECT_EQ(points->GetOffsetY(), 0.25);
}

// A line layer of the map that keeps lines settings, as the lines-to-cells layers do.
class SettingsLinesLayer : public CZmaVadAZLayer, public LinesLayerSettings {
public:
    SettingsLinesLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, std::string technology)
        : CZmaVadAZLayer(map, owner), technology_(std::move(technology)) {}
    std::string GetTechnology() override { return technology_; }
    bool GetDisabled() override { return disabled; }
    void SetDisabled(bool on) override { disabled = on; }
    int GetDrawOption() override { return drawOption; }
    void SetDrawOption(int option) override { drawOption = option; }
    std::string GetColorByField() override { return color; }
    void SetColorByField(const std::string& field) override { color = field; }
    std::string GetLabelByField() override { return label; }
    void SetLabelByField(const std::string& field) override { label = field; }

    bool disabled = false;
    int drawOption = 0;
    std::string color, label;

private:
    std::string technology_;
};

TEST_F(LayerDialogs, LinesOpensTheSheetForTheCellSiteLayersLines) {
    CZmaVadAZDataLayer* first = ShowPoints(0);
    CZmaVadAZDataLayer* second = ShowPoints(1);
    CZmaVadAZDataLayer* third = ShowPoints(2);
    ASSERT_TRUE(first && second && third);
    SettingsLinesLayer lines[] = {{map_.Get(), layers_.get(), "GSM"}, {map_.Get(), layers_.get(), "GSM"},
                                  {map_.Get(), layers_.get(), "GSM"}, {map_.Get(), layers_.get(), "GSM"},
                                  {map_.Get(), layers_.get(), "LTE"}, {map_.Get(), layers_.get(), "LTE"}};
    CZmaVadAZDataLayer* sites[] = {first, second, third};
    for (int i = 0; i < 3; ++i) {
        sites[i]->SetType(CZmaVadAZLayer::kTypeCellSites);
        sites[i]->SetLineLayer(CZmaVadAZDataLayer::kLineA, &lines[2 * i]);
        sites[i]->SetLineLayer(CZmaVadAZDataLayer::kLineB, &lines[2 * i + 1]);
        layers_->AddCellSiteSeries(kSeries[i]);
    }
    prompts_->answer = IDYES;
    bool linesEnabled = false;
    std::vector<std::wstring> captions;
    DialogScript script;
    script
        .Then([&](HWND d) {
            SelectRows(d, {RowOf(d, first)});
            linesEnabled = IsEnabled(d, IDC_LAYER_LINES);
            Click(d, IDC_LAYER_LINES);
            Click(d, IDOK);
        })
        .Then([&](HWND sheet) {
            HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            ::CheckDlgButton(page, IDC_SERVER_DISABLE, BST_CHECKED);
            Click(page, IDC_SERVER_DISABLE);
            Click(sheet, IDOK);
        });
    EXPECT_EQ(RunLayerControl(), IDOK);
    EXPECT_TRUE(linesEnabled);
    EXPECT_EQ(script.Captions(), (std::vector<std::wstring>{L"Layer Control", L"Lines Configuration"}));
    // The edited layer's serving lines, and those of the other GSM cell sites, are disabled.
    EXPECT_TRUE(lines[0].disabled);
    EXPECT_TRUE(lines[2].disabled);
    EXPECT_FALSE(lines[4].disabled);
    EXPECT_FALSE(lines[1].disabled);
    EXPECT_EQ(prompts_->boxes.size(), 1u);
    for (CZmaVadAZDataLayer* layer : sites) {
        layer->SetLineLayer(CZmaVadAZDataLayer::kLineA, nullptr);
        layer->SetLineLayer(CZmaVadAZDataLayer::kLineB, nullptr);
    }
}

TEST_F(LayerDialogs, OwnLabelSettingsAreEditedEscapedAndTheOffsetIsLimited) {
    CZmaVadAZDataLayer* points = ShowPoints(0);
    ASSERT_TRUE(points);
    CZmaVadAZLabelProperties& labels = *points->GetLabelProperties();
    labels.SetExpression("first\tsecond");
    labels.SetUseExpression(true);
    labels.SetPosition(CZmaVadAZLabelProperties::kHorizontal);
    points->SetTooltipExpression(L"a\r\nb");

    std::vector<std::string> fields;
    std::string shownExpression, shownTooltip;
    bool alongEnabled = true, alignEnabled = false;
    DialogScript script;
    script.Then([&](HWND d) {
        const LRESULT n = ::SendDlgItemMessageA(d, IDC_LABEL_FIELD, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[128] = {};
            ::SendDlgItemMessageA(d, IDC_LABEL_FIELD, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            fields.push_back(text);
        }
        shownExpression = TextOf(d, IDC_LABEL_EXPRESSION);
        shownTooltip = TextOf(d, IDC_LABEL_TOOLTIP);
        alongEnabled = IsEnabled(d, IDC_LABEL_ALONG);
        alignEnabled = IsEnabled(d, IDC_LABEL_LEFT);
        ::SetDlgItemTextA(d, IDC_LABEL_EXPRESSION, "one\\ntwo");
        ::CheckDlgButton(d, IDC_LABEL_TOOLTIP_FLAG, BST_CHECKED);
        ::SetDlgItemTextA(d, IDC_LABEL_TOOLTIP, "x\\ty");
        ::CheckDlgButton(d, IDC_LABEL_ZOOM, BST_CHECKED);
        Click(d, IDC_LABEL_ZOOM);
        ::SetDlgItemTextA(d, IDC_LABEL_ZOOM_MIN, "10");
        ::SetDlgItemTextA(d, IDC_LABEL_ZOOM_MAX, "20");
        ::SetDlgItemTextA(d, IDC_LABEL_OFFSET_X, "60");
        ::SetDlgItemTextA(d, IDC_LABEL_OFFSET_Y, "10");
        ::CheckDlgButton(d, IDC_LABEL_VERTICAL, BST_CHECKED);
        ::CheckDlgButton(d, IDC_LABEL_HORIZONTAL, BST_UNCHECKED);
        Click(d, IDC_LABEL_VERTICAL);
        ::CheckDlgButton(d, IDC_LABEL_CENTER, BST_CHECKED);
        Click(d, IDC_LABEL_CENTER);
        Click(d, IDOK);
    });
    CLabelPropDlg dialog(map_.Get(), points);
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);

    EXPECT_EQ(fields, (std::vector<std::string>{"RxLev"}));
    EXPECT_EQ(shownExpression, "first\\tsecond");
    EXPECT_EQ(shownTooltip, "a\\r\\nb");
    EXPECT_FALSE(alongEnabled);  // points have no lines to follow
    EXPECT_TRUE(alignEnabled);
    EXPECT_EQ(labels.GetExpression(), "one\ntwo");
    EXPECT_TRUE(points->GetUseTooltipExpression());
    EXPECT_EQ(points->GetTooltipExpression(), L"x\ty");
    double zoomMin = 0, zoomMax = 0;
    EXPECT_TRUE(labels.GetLabelZoom(&zoomMin, &zoomMax));
    EXPECT_EQ(zoomMin, 10.0);
    EXPECT_EQ(zoomMax, 20.0);
    ASSERT_EQ(prompts_->boxes.size(), 1u);
    EXPECT_EQ(prompts_->boxes[0], L"Error: Label offset can be no greater than 50. Set it equal to 50?");
    int x = 0, y = 0;
    labels.GetOffset(x, y);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 10);
    EXPECT_EQ(labels.GetPosition(), CZmaVadAZLabelProperties::kVertical);
    EXPECT_EQ(labels.GetAlignment(), CZmaVadAZLabelProperties::kAlignCentre);
}

TEST_F(LayerDialogs, TheLabelStyleGoesThroughTheEnginesTextStyleDialogAndBack) {
    CZmaVadAZDataLayer* points = ShowPoints(0);
    ASSERT_TRUE(points);
    ComPtr<IHostLabelStyle> style = points->GetLabelProperties()->GetStyle();
    ASSERT_TRUE(style);
    style->put_TextColor(0x123456);
    style->put_BackColor(0x00FF00);
    style->put_Halo(VARIANT_TRUE);
    style->put_AllCaps(VARIANT_TRUE);
    CY sizeBefore = {};
    {
        ComPtr<IFont> before;
        ASSERT_EQ(style->get_Font(before.Put()), S_OK);
        before->get_Size(&sizeBefore);
    }
    DialogScript script;
    script.Then([&](HWND d) {
        Click(d, IDC_LABEL_STYLE);  // the engine's dialog answers OK
        Click(d, IDCANCEL);         // a confirmed style stays
    });
    CLabelPropDlg dialog(map_.Get(), points);
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    OLE_COLOR colour = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    style->get_TextColor(&colour);
    EXPECT_EQ(colour, 0x123456u);
    style->get_BackColor(&colour);
    EXPECT_EQ(colour, 0x00FF00u);
    style->get_Halo(&flag);
    EXPECT_EQ(flag, VARIANT_TRUE);
    style->get_AllCaps(&flag);
    EXPECT_EQ(flag, VARIANT_TRUE);
    style->get_Shadow(&flag);
    EXPECT_EQ(flag, VARIANT_FALSE);
    ComPtr<IFont> font;
    ASSERT_EQ(style->get_Font(font.Put()), S_OK);
    // The font comes back from the engine's copy (its face is the one the system realised).
    CY size = {};
    font->get_Size(&size);
    EXPECT_EQ(size.int64, sizeBefore.int64);
}

TEST_F(LayerDialogs, CancellingTheOffsetQuestionKeepsTheDialogAndTheEarlierSettings) {
    CZmaVadAZDataLayer* points = ShowPoints(0);
    ASSERT_TRUE(points);
    CZmaVadAZLabelProperties& labels = *points->GetLabelProperties();
    labels.SetVisible(false);
    labels.SetOffset(1, 2);
    prompts_->answer = IDCANCEL;
    bool stillOpen = false;
    DialogScript script;
    script.Then([&](HWND d) {
        ::CheckDlgButton(d, IDC_LABEL_SHOW, BST_CHECKED);
        ::SetDlgItemTextA(d, IDC_LABEL_OFFSET_X, "60");
        ::SetDlgItemTextA(d, IDC_LABEL_OFFSET_Y, "60");
        Click(d, IDOK);
        stillOpen = ::IsWindow(d) != FALSE;
        Click(d, IDCANCEL);
    });
    CLabelPropDlg dialog(map_.Get(), points);
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(labels.GetVisible());
    int x = 0, y = 0;
    labels.GetOffset(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
}

TEST_F(LayerDialogs, EngineLabelsAreEditedInTheEnginesLabelObject) {
    CZmaVadAZLayer* table = AttachTable("streets");
    ASSERT_TRUE(table);
    table->Refresh();  // binds the table's dataset to its labels
    ComPtr<IDispatch> labels = displaytest::Get(table->GetMapXLayer().Get(), Engine::Layer::kLabelProperties).pdispVal;
    ASSERT_TRUE(labels);
    EngineDispatch engine(labels.Get());
    engine.Put(Engine::Labels::kLabelZoom, Variant(true));
    engine.Put(Engine::Labels::kLabelZoomMin, Variant(5.0));
    engine.Put(Engine::Labels::kLabelZoomMax, Variant(50.0));

    bool fieldsOffered = false, offsetsEnabled = true, zoomEditEnabled = false;
    std::string shownMax;
    DialogScript script;
    script.Then([&](HWND d) {
        fieldsOffered = ::SendDlgItemMessageA(d, IDC_LABEL_FIELD, CB_GETCOUNT, 0, 0) > 0 && IsChecked(d, IDC_LABEL_FROM_FIELD);
        offsetsEnabled = IsEnabled(d, IDC_LABEL_OFFSET_X);
        zoomEditEnabled = IsEnabled(d, IDC_LABEL_ZOOM_MIN);
        shownMax = TextOf(d, IDC_LABEL_ZOOM_MAX);
        ::CheckDlgButton(d, IDC_LABEL_ZOOM, BST_UNCHECKED);
        Click(d, IDC_LABEL_ZOOM);
        ::CheckDlgButton(d, IDC_LABEL_OVERLAP, BST_CHECKED);
        ::SetDlgItemTextA(d, IDC_LABEL_MAX_COUNT, "25");
        ::CheckDlgButton(d, IDC_LABEL_SHOW, BST_CHECKED);
        Click(d, IDOK);
    });
    CLabelPropDlg dialog(map_.Get(), table);
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_TRUE(fieldsOffered);
    EXPECT_FALSE(offsetsEnabled);
    EXPECT_TRUE(zoomEditEnabled);
    EXPECT_EQ(shownMax, "50");
    // The label zoom goes off and the range stays as it was.
    EXPECT_FALSE(engine.Get(Engine::Labels::kLabelZoom).ToBool());
    EXPECT_EQ(engine.Get(Engine::Labels::kLabelZoomMax).ToDouble(), 50.0);
    EXPECT_TRUE(engine.Get(Engine::Labels::kOverlap).ToBool());
    EXPECT_EQ(engine.Get(Engine::Labels::kLabelMax).ToLong(), 25);
    EXPECT_TRUE(table->GetAutoLabel());
}

TEST_F(LayerDialogs, DisplayPropertiesSetZoomLayeringAndOfferStylesOnlyToTables) {
    CZmaVadAZLayer* other = OpenTable("plain");
    other->SetType(CZmaVadAZLayer::kTypeOtherTable);
    bool styleEnabled = true;
    std::string title;
    DialogScript script;
    script.Then([&](HWND d) {
        styleEnabled = IsEnabled(d, IDC_PROP_OVERRIDE_STYLE) || IsEnabled(d, IDC_PROP_LAYER_STYLE);
        char text[256] = {};
        ::GetWindowTextA(d, text, 256);
        title = text;
        ::CheckDlgButton(d, IDC_PROP_ZOOM_LAYERING, BST_CHECKED);
        Click(d, IDC_PROP_ZOOM_LAYERING);
        EXPECT_TRUE(IsEnabled(d, IDC_PROP_ZOOM_MIN));
        ::SetDlgItemTextA(d, IDC_PROP_ZOOM_MIN, "2.5");
        ::SetDlgItemTextA(d, IDC_PROP_ZOOM_MAX, "abc");  // not a number: refused, the dialog stays
        Click(d, IDOK);
        EXPECT_TRUE(::IsWindow(d));
        ::SetDlgItemTextA(d, IDC_PROP_ZOOM_MAX, "0");
        Click(d, IDOK);
    });
    CLayerPropDlg dialog(*other, map_.Get());
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_FALSE(styleEnabled);
    EXPECT_EQ(title, "Display Properties - Layer plain");
    EXPECT_TRUE(other->GetZoomLayering());
    EXPECT_EQ(other->GetZoomMin(), 2.5);
    EXPECT_EQ(other->GetZoomMax(), 0.0);
    ASSERT_EQ(prompts_->boxes.size(), 1u);
    EXPECT_EQ(prompts_->boxes[0], L"Map Module: The maximum zoom must be a number from 0 to 24901.46 Mi.");

    CZmaVadAZLayer* table = AttachTable("parcels");
    std::string shownMin;
    DialogScript again;
    again.Then([&](HWND d) {
        styleEnabled = IsEnabled(d, IDC_PROP_OVERRIDE_STYLE) && IsEnabled(d, IDC_PROP_LAYER_STYLE);
        shownMin = TextOf(d, IDC_PROP_ZOOM_MIN);
        ::CheckDlgButton(d, IDC_PROP_OVERRIDE_STYLE, BST_CHECKED);
        Click(d, IDOK);
    });
    table->SetZoomMin(1.25);
    CLayerPropDlg tableDialog(*table, map_.Get());
    EXPECT_EQ(tableDialog.DoModal(nullptr), IDOK);
    EXPECT_TRUE(styleEnabled);
    EXPECT_EQ(shownMin, "1.250000");
    EXPECT_TRUE(table->GetOverrideStyle());
}

}  // namespace
