// The overview frame's members and the range checks in front of them.
#include "tests/control/ControlFixture.h"

#include <cmath>
#include <limits>

using namespace controltest;
using platform::ComPtr;

namespace {

std::wstring CallerErrorText() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return L"<none>";
    BSTR text = nullptr;
    info->GetDescription(&text);
    info->Release();
    return platform::Bstr::Attach(text).Wide();
}

class Overview : public ::testing::Test {
protected:
    void SetUp() override {
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(CreateControl(unknown), S_OK);
        control_ = As<IZmaVadAZ2>(unknown.Get());
        ASSERT_EQ(As<IPersistStreamInit>(unknown.Get())->InitNew(), S_OK);
    }
    ComPtr<IZmaVadAZ2> control_;
};

TEST_F(Overview, RegionAndVisibilityAreSetAndRead) {
    VARIANT_BOOL visible = VARIANT_TRUE;
    ASSERT_EQ(control_->get_OverviewRegionVisible(&visible), S_OK);
    EXPECT_EQ(visible, VARIANT_FALSE);
    EXPECT_EQ(control_->SetOverviewRegion(10, 20, 11, 21), S_OK);
    EXPECT_EQ(control_->put_OverviewRegionVisible(VARIANT_TRUE), S_OK);
    ASSERT_EQ(control_->get_OverviewRegionVisible(&visible), S_OK);
    EXPECT_EQ(visible, VARIANT_TRUE);
    EXPECT_EQ(control_->SetCurrentViewAsOverviewRegion(), S_OK);
    EXPECT_EQ(control_->get_OverviewRegionVisible(nullptr), E_POINTER);

    VARIANT_BOOL scale = VARIANT_FALSE;
    EXPECT_EQ(control_->get_ScaleVisible(&scale), S_OK);
    EXPECT_EQ(scale, VARIANT_TRUE);
}

TEST_F(Overview, OutOfRangeArgumentsFailWithTheFirstCheckText) {
    ::SetErrorInfo(0, nullptr);
    EXPECT_EQ(control_->SetOverviewRegion(90.0000001, 0, 0, 0), E_FAIL);
    EXPECT_EQ(CallerErrorText(), L"Latitude out of range, must be in the range -90 to +90");
    EXPECT_EQ(control_->SetOverviewRegion(std::numeric_limits<double>::quiet_NaN(), 0, 0, 0), E_FAIL);
    EXPECT_EQ(CallerErrorText(), L"Latitude out of range, must be in the range -90 to +90");
    // Several wrong values: only the first check in the method's order reports.
    EXPECT_EQ(control_->SetOverviewRegion(0, 181, -91, 0), E_FAIL);
    EXPECT_EQ(CallerErrorText(), L"Longitude out of range, must be in the range -180 to +180");
    // The bounds themselves are allowed.
    EXPECT_EQ(control_->SetOverviewRegion(-90, -180, 90, 180), S_OK);
}

}  // namespace
