#include "tests/shapes/ShapesFixture.h"
#include "tests/support/TestSupport.h"

#include "tests/support/DibCanvas.h"

using platform::ComPtr;
using platform::Variant;

namespace shapestest {

std::wstring CallerErrorText() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return L"<none>";
    BSTR text = nullptr;
    info->GetDescription(&text);
    info->Release();
    return platform::Bstr::Attach(text).Wide();
}

void ShapesTest::SetUp() {
    ASSERT_EQ(controltest::CreateControl(unknown_), S_OK);
    control_ = controltest::As<IZmaVadAZ2>(unknown_.Get());
    site_ = platform::MakeObject<testsupport::TestSite>(kWidth, kHeight);
    ole_ = controltest::As<IOleObject>(unknown_.Get());
    ASSERT_EQ(ole_->SetClientSite(site_.Get()), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(unknown_.Get())->InitNew(), S_OK);
    RECT r = site_->Rect();
    ASSERT_EQ(ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, site_->Window(), &r), S_OK);
    ASSERT_EQ(control_->get_MapX(map_.Put()), S_OK);
    testsupport::RemoveBackgroundMap(unknown_.Get());
    PutMapProperty(25, Variant(7L));  // distance unit: metre
    PutMapProperty(7, Variant(kZoomMetres));
    PutMapProperty(8, Variant(kCentreLon));
    PutMapProperty(9, Variant(kCentreLat));
}

void ShapesTest::TearDown() {
    if (ole_) {
        ole_->Close(OLECLOSE_NOSAVE);
        ole_->SetClientSite(nullptr);
    }
}

void ShapesTest::PutMapProperty(DISPID id, const VARIANT& value) {
    VARIANT arg = value;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&arg, &put, 1, 1};
    ASSERT_EQ(map_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK) << id;
}

Variant ShapesTest::GetMapProperty(DISPID id) {
    DISPPARAMS none = {};
    Variant result;
    EXPECT_EQ(map_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Put(), nullptr, nullptr), S_OK) << id;
    return result;
}

void ShapesTest::SetEnhanced(bool on) {
    ASSERT_EQ(control_->put_EnhancedDrawingMode(on ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
}

Image ShapesTest::Render() {
    testsupport::DibCanvas canvas(kWidth, kHeight, false);
    EXPECT_EQ(canvas.DrawView(unknown_.Get()), S_OK);
    Image image;
    image.pixels_.reserve(static_cast<size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) image.pixels_.push_back(canvas.Pixel(x, y));
    return image;
}

}  // namespace shapestest
