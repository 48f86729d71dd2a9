// "Offset Tool >>" as a user works it: a drive test chosen in the Layer Control, the tool taken from
// its offset dialog, and the line drawn with the mouse on the map's window; the layers read back
// through the host's series settings, the saved map and the drawn view.
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "tests/control/MapSiteFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/imagery/ImagerySettings.h"

#include <algorithm>
#include <functional>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace sitetest {
namespace {

const wchar_t* const kSeries[] = {L"{3A1B2C3D-0791-4E5F-8A9B-0C1D2E3F4A5B}", L"{3A1B2C3D-0792-4E5F-8A9B-0C1D2E3F4A5B}"};
const wchar_t* const kFields[] = {L"RxLev", L"RxQual"};
const POINT kDrawnAt[] = {{100, 100}, {100, 200}};

class OffsetTool : public MapSiteTest {
protected:
    // Two drive tests of one point each, at kDrawnAt in the view.
    void SetUp() override {
        MapSiteTest::SetUp();
        for (int i = 0; i < 2; ++i) {
            ShowArea(9.99, 49.99, 10.01, 50.01);
            const MapPoint at = ToMap(kDrawnAt[i].x, kDrawnAt[i].y);
            ComPtr<IDispatch> dataset =
                displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {kFields[i], 5}}, 1);
            displaytest::SetValue(dataset.Get(), 0, L"Longitude", Variant(at.x));
            displaytest::SetValue(dataset.Get(), 0, L"Latitude", Variant(at.y));
            displaytest::SetValue(dataset.Get(), 0, kFields[i], Variant(-70.0));
            ASSERT_EQ(control_->DisplayDataset(dataset.Get(), Variant(kFields[i]), Bstr(kSeries[i]).Get()), S_OK);
        }
        ShowArea(9.99, 49.99, 10.01, 50.01);
    }

    // Layer Control > the layer's row > Offset > `button` in the offset dialog, then OK in the
    // Layer Control.
    void InOffsetDialog(int layer, int button) {
        dialogtest::DialogScript script;
        script
            .Then([layer](HWND d) {
                const std::vector<std::string> rows = dialogtest::RowTexts(d);
                const std::string name = platform::ToAnsi(kFields[layer]);
                dialogtest::SelectRows(d, {static_cast<int>(std::find(rows.begin(), rows.end(), name) - rows.begin())});
                dialogtest::Click(d, IDC_LAYER_OFFSET);
                dialogtest::Click(d, IDOK);
            })
            .Then([button](HWND offset) { dialogtest::Click(offset, button); });
        ASSERT_EQ(control_->LayersDlg(), S_OK);
        ASSERT_TRUE(script.Finished());
    }
    void TakeTool(int layer) {
        InOffsetDialog(layer, IDC_OFFSET_TOOL);
        ASSERT_EQ(EngineTool(), 1);
    }

    long EngineTool() { return displaytest::Get(map_.Get(), 20).ToLong(); }

    // The layer's offsets in degrees, as the host's series settings give them.
    MapPoint Offset(int layer) {
        ComPtr<IDispatch> node;
        EXPECT_EQ(control_->GetSeriesSettings(Bstr(kSeries[layer]).Get(), node.Put()), S_OK);
        ComPtr<IXMLDOMElement> element;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid()))) return {-1, -1};
        Variant x, y;
        element->getAttribute(Bstr(L"LayerOffsetX").Get(), x.Put());
        element->getAttribute(Bstr(L"LayerOffsetY").Get(), y.Put());
        return {std::wcstod(x.ToWide().c_str(), nullptr), std::wcstod(y.ToWide().c_str(), nullptr)};
    }

    bool Drawn(int x, int y) const { return Pixel(x, y) != Pixel(5, 5); }
};

TEST_F(OffsetTool, TheLineMovesTheLayerByItsTwoPointsAndALineOfOnePointMovesNothing) {
    const POINT first = kDrawnAt[0], second = kDrawnAt[1];
    // In order: the first layer, taken by tools that end without a move, waits for no later tool.
    const struct {
        const char* line;
        int layer;
        std::function<void()> draw;
        int movedEast;  // pixels
        long toolBack = VO_MAP_TOOL_ARROW;  // the tool the map has once the line ended
    } cases[] = {
        {"given up with Escape after its first point", 0,
         [&] {
             Click(first.x, first.y);
             PressKey(VK_ESCAPE);
         },
         0},
        {"ended at its first point by a double click", 0,
         [&] {
             Click(first.x, first.y);
             DoubleClick(first.x, first.y);
         },
         0},
        {"left for the arrow tool before any point", 0, [&] { control_->put_CurrentTool(VO_MAP_TOOL_ARROW); }, 0},
        // The host's own offset tool afterwards moves no layer, and hands back the host's tool
        // before it.
        {"given up with Escape, then a line of the offset tool the host chose", 0,
         [&] {
             PressKey(VK_ESCAPE);
             control_->put_CurrentTool(VO_MAP_TOOL_OFFSET);
             Click(first.x, first.y);
             Click(first.x + 60, first.y);
             DoubleClick(first.x + 60, first.y);
         },
         0},
        {"left for the pan tool, then a line of the offset tool the host chose", 0,
         [&] {
             control_->put_CurrentTool(VO_MAP_TOOL_PAN);
             control_->put_CurrentTool(VO_MAP_TOOL_OFFSET);
             Click(first.x, first.y);
             Click(first.x + 60, first.y);
             DoubleClick(first.x + 60, first.y);
         },
         0, VO_MAP_TOOL_PAN},
        {"clicked at the layer's point and 60 pixels east, then ended there", 1,
         [&] {
             Click(second.x, second.y);
             Click(second.x + 60, second.y);
             DoubleClick(second.x + 60, second.y);
         },
         60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TakeTool(c.layer);
        c.draw();
        EXPECT_EQ(EngineTool(), c.toolBack);  // the control's own tool is back
        control_->put_CurrentTool(VO_MAP_TOOL_ARROW);
        DrawView();
        for (int i = 0; i < 2; ++i) {
            const POINT at = kDrawnAt[i];
            const int east = i == c.layer ? c.movedEast : 0;
            const MapPoint from = ToMap(at.x, at.y), to = ToMap(at.x + east, at.y);
            const MapPoint offset = Offset(i);
            EXPECT_NEAR(offset.x, to.x - from.x, 1e-9) << i;
            EXPECT_NEAR(offset.y, to.y - from.y, 1e-9) << i;
            EXPECT_TRUE(Drawn(at.x + east, at.y)) << i;
            EXPECT_EQ(Drawn(at.x, at.y), east == 0) << i;
        }
    }

    // The offset dialog opened on the moved layer shows the move: left with OK, it keeps it to the
    // six digits it shows.
    const MapPoint moved = Offset(1);
    InOffsetDialog(1, IDOK);
    EXPECT_NEAR(Offset(1).x, moved.x, 1e-5 * moved.x);
    EXPECT_EQ(Offset(1).y, moved.y);

    // The saved map keeps the move, as it keeps the dialog's.
    ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(control_.Get());
    ComPtr<IXMLDOMNode> kept;
    const std::wstring path = std::wstring(L"//DatasetComposition[@datasetguid='") + kSeries[1] + L"']/@offsetx";
    ASSERT_EQ(saved->selectSingleNode(Bstr(path).Get(), kept.Put()), S_OK);
    Bstr text;
    kept->get_text(text.Put());
    EXPECT_NEAR(std::wcstod(text.Wide().c_str(), nullptr), Offset(1).x, 1e-9);
}

}  // namespace
}  // namespace sitetest
