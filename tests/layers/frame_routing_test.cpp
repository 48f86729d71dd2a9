// Mouse, key and tool events offered to the layers from the top down, the selectability a taken
// click leaves behind, the selection tools over the data layers, offsets and the refresh switch.
#include "tests/layers/FrameFixture.h"

namespace frametest {
namespace {

using J = Journal;

const POINT kAt = {12, 34};
const ZmaPointD kMapAt = {10.5, 49.5};

// --- Offering events ------------------------------------------------------------------------------

TEST_F(FrameTest, EventsGoFromTheTopDownToLayersShowingAtThisZoomUntilOneTakesThem) {
    RecordingLayer* bottom = AddLayer("bottom");
    RecordingLayer* middle = AddLayer("middle");
    RecordingLayer* zoomed = AddLayer("zoomed");
    RecordingLayer* top = AddLayer("top");
    PutOutOfZoomRange(zoomed);
    zoomed->answers = {true, true, true, true, true};
    middle->answers = {true, false, true, true, true};
    bottom->answers = {true, true, true, true, true};

    layers_->DispatchMouseMove(kAt, kMapAt);
    EXPECT_EQ(Take(), (J{"top:move 12 34", "middle:move 12 34"}));
    layers_->DispatchMouseUp(kAt, kMapAt);
    EXPECT_EQ(Take(), (J{"top:up 12 34", "middle:up 12 34"}));
    layers_->DispatchDoubleClick();
    EXPECT_EQ(Take(), (J{"top:double", "middle:double"}));
    layers_->DispatchKeyDown(VK_DELETE, 2);
    EXPECT_EQ(Take(), (J{"top:key 46 2", "middle:key 46 2"}));
    // The middle layer lets the click through.
    EXPECT_TRUE(layers_->DispatchMouseDown(kAt, kMapAt, false));
    EXPECT_EQ(Take(), (J{"top:down 12 34", "middle:down 12 34", "bottom:down 12 34"}));

    top->SetVisible(false);
    layers_->DispatchMouseMove(kAt, kMapAt);
    EXPECT_EQ(Take(), (J{"middle:move 12 34"}));
}

TEST_F(FrameTest, ATakenClickLeavesTheSelectableLayersBelowUnselectableUntilTheNextEvent) {
    RecordingLayer* bottom = AddLayer("bottom");
    RecordingLayer* fixed = AddLayer("fixed");
    RecordingLayer* taker = AddLayer("taker");
    RecordingLayer* top = AddLayer("top");
    fixed->SetSelectable(false);
    taker->answers.down = true;

    // One dispatch after another that restores the answers each layer had before the click.
    const std::function<void()> nextEvents[] = {
        [&] { layers_->DispatchMouseMove(kAt, kMapAt); },
        [&] { layers_->DispatchMouseUp(kAt, kMapAt); },
        [&] { layers_->DispatchDoubleClick(); },
        [&] { layers_->DispatchKeyDown(VK_ESCAPE, 0); },
    };
    int which = 0;
    for (const auto& next : nextEvents) {
        ClearEngineCalls();
        EXPECT_TRUE(layers_->DispatchMouseDown(kAt, kMapAt, false)) << which;
        // A layer that is not selectable is not offered the click.
        EXPECT_EQ(Take(), (J{"top:down 12 34", "taker:down 12 34"})) << which;
        EXPECT_TRUE(EngineSelectable(top)) << which;
        EXPECT_TRUE(EngineSelectable(taker)) << which;
        EXPECT_FALSE(EngineSelectable(bottom)) << which;
        EXPECT_FALSE(EngineSelectable(fixed)) << which;
        EXPECT_EQ(EngineRefreshes(), 0) << which;

        next();
        Take();
        EXPECT_TRUE(EngineSelectable(bottom)) << which;
        EXPECT_FALSE(EngineSelectable(fixed)) << which;
        EXPECT_EQ(EngineRefreshes(), 1) << which;
        // Nothing is left to restore.
        layers_->DispatchMouseMove(kAt, kMapAt);
        Take();
        EXPECT_EQ(EngineRefreshes(), 1) << which;
        ++which;
    }
}

TEST_F(FrameTest, ClicksClearDataSelectionsUnlessCtrlAndAnUntakenClickReportsSelections) {
    RecordingDataLayer* hidden = AddDataLayer("hidden", CZmaVadAZLayer::kTypeDataset);
    RecordingDataLayer* fixed = AddDataLayer("fixed", CZmaVadAZLayer::kTypeDataset);
    AddDataLayer("points", CZmaVadAZLayer::kTypeDataset);
    hidden->SetVisible(false);
    fixed->SetSelectable(false);

    EXPECT_FALSE(layers_->DispatchMouseDown(kAt, kMapAt, false));
    EXPECT_EQ(Take(), (J{"points:clear", "fixed:clear", "hidden:clear", "points:notify"}));
    EXPECT_FALSE(layers_->DispatchMouseDown(kAt, kMapAt, true));
    EXPECT_EQ(Take(), (J{"points:notify"}));

    // A layer above that takes the click: selections are still cleared first, none reported.
    AddLayer("taker")->answers.down = true;
    EXPECT_TRUE(layers_->DispatchMouseDown(kAt, kMapAt, false));
    EXPECT_EQ(Take(), (J{"points:clear", "fixed:clear", "hidden:clear", "taker:down 12 34"}));
}

// --- Selection tools ------------------------------------------------------------------------------

TEST_F(FrameTest, SelectionToolsClearEveryDataLayerThenSelectInThoseShowingAtThisZoom) {
    RecordingDataLayer* zoomed = AddDataLayer("zoomed", CZmaVadAZLayer::kTypeCellReferences);
    AddDataLayer("points", CZmaVadAZLayer::kTypeDataset);
    AddLayer("shapes");
    // A new point layer goes below the cell layers.
    PutOutOfZoomRange(zoomed);

    layers_->SelectByRectangle({10, 50, 12, 49});
    EXPECT_EQ(Take(), (J{"zoomed:clear", "points:clear", "points:rectangle 10 50 12 49"}));

    layers_->SelectByRadius({49.5, 10.25}, 0.5, true);
    EXPECT_EQ(Take(), (J{"zoomed:clear", "points:clear", "points:projected 49.5 10.25 0.5"}));
    layers_->SelectByRadius({10.25, 49.5}, 0.5, false);
    EXPECT_EQ(Take(), (J{"zoomed:clear", "points:clear", "points:radius 10.25 49.5 0.5"}));

    // The closing point does not count towards the bounds.
    layers_->SelectByPolygon({{3, 7}, {5, 2}, {4, 9}, {100, -100}});
    EXPECT_EQ(Take(), (J{"zoomed:clear", "points:clear", "points:polygon 3 9 5 2 of 4"}));

    layers_->ClearAllSelections();
    EXPECT_EQ(Take(), (J{"zoomed:clear", "points:clear"}));
}

// --- Offsets and the refresh switch ---------------------------------------------------------------

TEST_F(FrameTest, PendingOffsetsReachTheirLayersOnceAndTheMapRefreshesWhileAllowed) {
    RecordingDataLayer* first = AddDataLayer("first", CZmaVadAZLayer::kTypeDataset);
    RecordingDataLayer* second = AddDataLayer("second", CZmaVadAZLayer::kTypeDataset);
    RecordingDataLayer* untouched = AddDataLayer("untouched", CZmaVadAZLayer::kTypeDataset);
    layers_->AddPendingOffsetLayer(first);
    layers_->AddPendingOffsetLayer(second);

    ClearEngineCalls();
    EXPECT_EQ(layers_->ApplyPendingLayerOffsets(0.25, -0.5), S_OK);
    EXPECT_EQ(first->GetOffsetX(), 0.25);
    EXPECT_EQ(second->GetOffsetY(), -0.5);
    EXPECT_EQ(untouched->GetOffsetX(), 0.0);
    EXPECT_EQ(EngineRefreshes(), 1);

    // The list was used up: another drag only refreshes.
    EXPECT_EQ(layers_->ApplyPendingLayerOffsets(1, 1), S_OK);
    EXPECT_EQ(first->GetOffsetX(), 0.25);
    EXPECT_EQ(EngineRefreshes(), 2);

    // No refreshes while the switch is off or the screen is not updated; data layers leave their
    // engine layers alone too.
    layers_->SetRefreshEnabled(false);
    layers_->RefreshMap();
    first->Redraw();
    EXPECT_EQ(EngineRefreshes(), 2);
    layers_->SetRefreshEnabled(true);
    frameHost_.screenUpdating = false;
    layers_->RefreshMap();
    EXPECT_EQ(EngineRefreshes(), 2);
    frameHost_.screenUpdating = true;

    ClearEngineCalls();
    first->Redraw();
    LONG calls = 0;
    hooks_->CallCount(&calls);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace frametest
