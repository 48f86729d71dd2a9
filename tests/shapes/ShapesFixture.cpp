#include "tests/shapes/ShapesFixture.h"

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
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECTL bounds = {0, 0, kWidth, kHeight};
    EXPECT_EQ(controltest::As<IViewObjectEx>(unknown_.Get())
                  ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, dc, &bounds, nullptr, nullptr, 0),
              S_OK);
    ::GdiFlush();
    Image image;
    image.pixels_.resize(static_cast<size_t>(kWidth) * kHeight);
    const DWORD* words = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < image.pixels_.size(); ++i) {
        const DWORD v = words[i];  // blue, green, red from the low byte up
        image.pixels_[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return image;
}

}  // namespace shapestest
