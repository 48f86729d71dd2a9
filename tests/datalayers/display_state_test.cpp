// The control's display state through its dispatch interface: screen updating and the repaint
// it governs, the drawing mode, and the distance unit as text with its event.
#include "tests/datalayers/DisplayFixture.h"

using namespace displaytest;
using platform::ComPtr;
using platform::Variant;

namespace {

class DisplayState : public DisplayTest {};

TEST_F(DisplayState, ScreenUpdatingHoldsBackRepaintsUntilItIsSwitchedOn) {
    Initialise();
    EXPECT_TRUE(Get(Control(), kScreenUpdating).ToBool());
    ComPtr<IDispatch> map = EngineMap();
    ASSERT_EQ(Put(map.Get(), kEngineAutoRedraw, Variant(false)), S_OK);

    ASSERT_EQ(Put(Control(), kScreenUpdating, Variant(false)), S_OK);
    EXPECT_FALSE(Get(Control(), kScreenUpdating).ToBool());
    EXPECT_EQ(Put(Control(), kUnits, Text(L"mile")), S_OK);
    EXPECT_FALSE(Get(map.Get(), kEngineAutoRedraw).ToBool());

    ASSERT_EQ(Put(Control(), kScreenUpdating, Variant(true)), S_OK);
    EXPECT_TRUE(Get(map.Get(), kEngineAutoRedraw).ToBool());
}

TEST_F(DisplayState, UnitsTakeTheirNamesInAnyCaseAndTellTheHost) {
    ComPtr<IDispatch> map = EngineMap();
    EXPECT_EQ(Put(Control(), kUnits, Text(L"Kilometre")), S_OK);
    EXPECT_EQ(Get(map.Get(), kEngineDistanceUnit).ToLong(), 1);
    EXPECT_EQ(Get(Control(), kUnits).ToWide(), L"kilometer");
    EXPECT_TRUE(events_->Saw(L"12:Kilometre"));

    EXPECT_EQ(Put(Control(), kUnits, Text(L"METRE")), S_OK);
    EXPECT_EQ(Get(map.Get(), kEngineDistanceUnit).ToLong(), 7);
    EXPECT_EQ(Put(Control(), kUnits, Text(L"Yard")), S_OK);
    EXPECT_EQ(Get(Control(), kUnits).ToWide(), L"yard");

    events_->Take();
    EXPECT_EQ(Put(Control(), kUnits, Text(L"feet")), E_INVALIDARG);
    EXPECT_EQ(Get(map.Get(), kEngineDistanceUnit).ToLong(), 4);
    EXPECT_TRUE(events_->Take().empty());
}

TEST_F(DisplayState, TheDrawingModeNeedsTheInitialisedMap) {
    Variant mode;
    EXPECT_EQ(Invoke(Control(), kEnhancedDrawingMode, DISPATCH_PROPERTYGET, {}, &mode), E_UNEXPECTED);
    Initialise();
    EXPECT_TRUE(Get(Control(), kEnhancedDrawingMode).ToBool());
    ASSERT_EQ(Put(Control(), kEnhancedDrawingMode, Variant(false)), S_OK);
    EXPECT_FALSE(Get(Control(), kEnhancedDrawingMode).ToBool());
}

}  // namespace
