// One frame of the own layers: which draw request draws it, the three passes from the bottom layer
// to the top one, the drawing flags the layers read, and the symbol-drawing classes.
#include "tests/layers/FrameFixture.h"

#include "platform/Result.h"

#include <functional>

using platform::ComError;

namespace frametest {
namespace {

using J = Journal;

// --- Which request draws the frame ----------------------------------------------------------------

TEST_F(FrameTest, TopUserDrawnLayerDrawsEveryVisibleLayerOncePerPassBottomToTop) {
    RecordingLayer* bottom = AddLayer("bottom");
    RecordingLayer* hidden = AddLayer("hidden");
    AddLayer("table", false);
    RecordingLayer* top = AddLayer("top");
    hidden->SetVisible(false);

    // The engine asks once per user-draw layer it draws, bottom first; only the top one's
    // request draws the frame.
    EXPECT_FALSE(Request(bottom));
    EXPECT_TRUE(Request(top));
    EXPECT_EQ(Take(), (J{"bottom:request", "top:request",
                         "bottom:pass0", "table:pass0", "top:pass0",
                         "bottom:pass1", "table:pass1", "top:pass1",
                         "bottom:labels", "table:labels", "top:labels"}));
    EXPECT_EQ(frameHost_.infoDisplays, 1);

    // A hidden layer draws nothing in the passes but still answers its own request.
    EXPECT_FALSE(Request(hidden));
    EXPECT_EQ(Take(), (J{"hidden:request"}));
    EXPECT_EQ(frameHost_.infoDisplays, 1);
}

TEST_F(FrameTest, HiddenOrOutOfZoomTopLayersHandTheFrameToTheNextUserDrawnLayer) {
    RecordingLayer* lower = AddLayer("lower");
    RecordingLayer* zoomed = AddLayer("zoomed");
    RecordingLayer* hidden = AddLayer("hidden");
    AddLayer("table", false);
    hidden->SetVisible(false);
    PutOutOfZoomRange(zoomed);

    EXPECT_FALSE(Request(hidden));
    EXPECT_FALSE(Request(zoomed));
    EXPECT_TRUE(Request(lower));
    // The layer outside its zoom range is visible: the passes still ask it, and it decides for
    // itself whether it draws at this zoom.
    EXPECT_EQ(Take(), (J{"hidden:request", "zoomed:request", "lower:request",
                         "lower:pass0", "zoomed:pass0", "table:pass0",
                         "lower:pass1", "zoomed:pass1", "table:pass1",
                         "lower:labels", "zoomed:labels", "table:labels"}));

    // With no user-drawn layer showing, no request draws a frame or the info display.
    lower->SetVisible(false);
    EXPECT_FALSE(Request(lower));
    EXPECT_FALSE(Request(zoomed));
    EXPECT_EQ(Take(), (J{"lower:request", "zoomed:request"}));
    EXPECT_EQ(frameHost_.infoDisplays, 1);
}

TEST_F(FrameTest, RequestsFindTheirLayerByExactNameNearestTheTop) {
    RecordingLayer* lowerTwin = AddLayer("twin");
    AddLayer("twin");
    RecordingLayer* other = AddLayer("Other");
    other->SetVisible(false);
    lowerTwin->SetVisible(false);

    // Either twin's engine layer asks by the name "twin": the upper twin answers, and being the
    // top user-drawn layer that shows, it draws the frame.
    EXPECT_TRUE(Request(lowerTwin));
    EXPECT_EQ(Take(), (J{"twin:request", "twin:pass0", "twin:pass1", "twin:labels"}));

    // A name no own layer bears draws nothing and leaves the flags alone; names are compared
    // with case.
    EngineDispatch(other->GetMapXLayer().Get()).Put(1, platform::Variant(L"other"));
    EXPECT_FALSE(Request(other, true));
    EXPECT_TRUE(Take().empty());
    EXPECT_FALSE(layers_->IsPrinting());

    try {
        layers_->OnDrawUserLayer(dc_, nullptr, rect_, extent_, false);
        ADD_FAILURE() << "a null engine layer must be refused";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
}

// The engine's walk is one operation that asks the bottom layer first. Raising the lower layer to the top, or
// lowering the top one (the Layer Control's Down), while the lower one is asked changes the engine's list only
// after the walk: the engine still asks the top one last, and that request draws the frame in the new order.
TEST_F(FrameTest, ALayerMovedWhileTheEngineAsksLeavesTheFrameToTheLayerItAsksLast) {
    const struct {
        const char* how;
        std::function<void(CZmaVadAZLayer* lower)> move;
    } cases[] = {{"raised", [&](CZmaVadAZLayer* lower) { layers_->MoveLayerToTop(lower); }},
                 {"top lowered", [&](CZmaVadAZLayer*) { layers_->SetCursor(0); layers_->MoveCurrentLayerDown(); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        RecordingLayer* lower = AddLayer(std::string("lower ") + c.how);
        RecordingLayer* top = AddLayer(std::string("top ") + c.how);
        lower->duringRequest = [&] { c.move(lower); };
        {
            CZmaVadAZLayerCollection::BusyScope walk(*layers_);
            EXPECT_FALSE(Request(lower));
            EXPECT_EQ(top->GetLayerPosition(), 1) << "the engine's list stays as it is while the engine walks it";
            EXPECT_TRUE(Request(top));
        }
        const std::string l = lower->GetName(), t = top->GetName();
        EXPECT_EQ(Take(), (J{l + ":request", t + ":request", t + ":pass0", l + ":pass0", t + ":pass1", l + ":pass1",
                             t + ":labels", l + ":labels"}));
        EXPECT_EQ(lower->GetLayerPosition(), 1);
        EXPECT_EQ(top->GetLayerPosition(), 2);
        layers_->RemoveLayer(lower, false, false);
        layers_->RemoveLayer(top, false, false);
    }
}

// --- Drawing flags --------------------------------------------------------------------------------

TEST_F(FrameTest, PrintedFramesDrawWithoutGdiPlusAndScreenFramesWithItWhenEnhanced) {
    RecordingLayer* layer = AddLayer("layer");
    VARIANT_BOOL enhanced = 0;
    ASSERT_EQ(layers_->GetEnhancedDrawingMode(&enhanced), S_OK);
    EXPECT_EQ(enhanced, VARIANT_TRUE);

    ASSERT_TRUE(Request(layer));
    EXPECT_FALSE(layer->sawPrinting);
    EXPECT_TRUE(layer->sawGdiPlus);

    ASSERT_TRUE(Request(layer, true));
    EXPECT_TRUE(layer->sawPrinting);
    EXPECT_FALSE(layer->sawGdiPlus);
    EXPECT_FALSE(layers_->IsPrinting());

    // Any non-zero value switches enhanced drawing on.
    layers_->SetEnhancedDrawingMode(VARIANT_FALSE);
    ASSERT_TRUE(Request(layer));
    EXPECT_FALSE(layer->sawGdiPlus);
    ASSERT_EQ(layers_->GetEnhancedDrawingMode(&enhanced), S_OK);
    EXPECT_EQ(enhanced, VARIANT_FALSE);
    layers_->SetEnhancedDrawingMode(1);
    ASSERT_EQ(layers_->GetEnhancedDrawingMode(&enhanced), S_OK);
    EXPECT_EQ(enhanced, VARIANT_TRUE);
    ASSERT_TRUE(Request(layer));
    EXPECT_TRUE(layer->sawGdiPlus);
}

TEST_F(FrameTest, ALayerThatThrowsInAPrintedFrameLeavesTheFlagsAsAfterAnyFrame) {
    RecordingDataLayer* cells = AddDataLayer("cells", CZmaVadAZLayer::kTypeCellReferences);
    RecordingLayer* thrower = AddLayer("thrower");
    thrower->throwInDraw = true;

    // The layer's failure is its own: the frame is drawn to its end.
    EXPECT_TRUE(Request(thrower, true));
    EXPECT_FALSE(layers_->IsPrinting());
    EXPECT_TRUE(layers_->UsesGdiPlus());
    EXPECT_TRUE(IsEqualCLSID(cells->GetSymbolDrawingClass(), SymbolDrawing::kEnhanced));

    // The next screen frame draws with GDI+ again.
    thrower->throwInDraw = false;
    ASSERT_TRUE(Request(thrower));
    EXPECT_TRUE(thrower->sawGdiPlus);
}

TEST_F(FrameTest, OnlyCellReferenceLayersSwitchSymbolClassesForPrintingAndDrawingMode) {
    RecordingDataLayer* points = AddDataLayer("points", CZmaVadAZLayer::kTypeDataset);
    RecordingDataLayer* sites = AddDataLayer("sites", CZmaVadAZLayer::kTypeCellSites);
    RecordingDataLayer* cells = AddDataLayer("cells", CZmaVadAZLayer::kTypeCellReferences);
    EXPECT_TRUE(IsEqualCLSID(points->GetSymbolDrawingClass(), SymbolDrawing::kPlain));
    EXPECT_TRUE(IsEqualCLSID(sites->GetSymbolDrawingClass(), SymbolDrawing::kCellSites));
    EXPECT_TRUE(IsEqualCLSID(cells->GetSymbolDrawingClass(), SymbolDrawing::kEnhanced));

    // A printed frame, then a screen frame: the host's classes are not registered here, so the
    // layers go without a drawing object and draw on.
    for (bool printing : {true, false}) {
        EXPECT_FALSE(Request(points, printing));
        EXPECT_FALSE(Request(sites, printing));
        EXPECT_TRUE(Request(cells, printing));
    }
    ASSERT_EQ(cells->frameClasses.size(), 2u);
    EXPECT_TRUE(IsEqualCLSID(cells->frameClasses[0], SymbolDrawing::kPlain));
    EXPECT_TRUE(IsEqualCLSID(cells->frameClasses[1], SymbolDrawing::kEnhanced));
    for (const CLSID& used : points->frameClasses) EXPECT_TRUE(IsEqualCLSID(used, SymbolDrawing::kPlain));
    for (const CLSID& used : sites->frameClasses) EXPECT_TRUE(IsEqualCLSID(used, SymbolDrawing::kCellSites));

    layers_->SetEnhancedDrawingMode(VARIANT_FALSE);
    EXPECT_TRUE(IsEqualCLSID(cells->GetSymbolDrawingClass(), SymbolDrawing::kPlain));
    EXPECT_TRUE(IsEqualCLSID(sites->GetSymbolDrawingClass(), SymbolDrawing::kCellSites));
    // A layer made while enhanced drawing is off starts plain.
    EXPECT_TRUE(IsEqualCLSID(AddDataLayer("more", CZmaVadAZLayer::kTypeCellReferences)->GetSymbolDrawingClass(),
                             SymbolDrawing::kPlain));
    layers_->SetEnhancedDrawingMode(VARIANT_TRUE);
    EXPECT_TRUE(IsEqualCLSID(cells->GetSymbolDrawingClass(), SymbolDrawing::kEnhanced));
    EXPECT_TRUE(IsEqualCLSID(points->GetSymbolDrawingClass(), SymbolDrawing::kPlain));
}

}  // namespace
}  // namespace frametest
