// Drawing through the control's view interface: argument checks, the enhanced-metafile path that
// has the engine print itself, and the border frame chosen on the property page.
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSupport.h"

using namespace controltest;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kBorderKey[] = L"Software\\Zemro\\Terravex\\MapPrinting";

class ControlView : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateControl(control_), S_OK);
        ASSERT_EQ(As<IPersistStreamInit>(control_.Get())->InitNew(), S_OK);
        view_ = As<IViewObjectEx>(control_.Get());
        dispatch_ = As<IDispatch>(control_.Get());
        ASSERT_TRUE(view_ && dispatch_);
    }
    void TearDown() override { testsupport::DeleteValue(HKEY_CURRENT_USER, kBorderKey, L"MapBorder"); }

    long PaperUnit() {
        Variant v;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        EXPECT_EQ(dispatch_->Invoke(15, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr), S_OK);
        return v.ToLong();
    }
    void SetPaperUnit(long unit) {
        Variant v(unit);
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params = {&v, &put, 1, 1};
        ASSERT_EQ(dispatch_->Invoke(15, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
    }

    // Draws into a white 200x150 bitmap and answers the colour of one pixel.
    COLORREF DrawAndRead(int x, int y, HRESULT& hr) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bmp = ::CreateCompatibleBitmap(screen, 200, 150);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bmp);
        RECT all = {0, 0, 200, 150};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        RECTL bounds = {0, 0, 200, 150};
        hr = view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, dc, &bounds, nullptr, nullptr, 0);
        COLORREF c = ::GetPixel(dc, x, y);
        ::SelectObject(dc, old);
        ::DeleteObject(bmp);
        ::DeleteDC(dc);
        return c;
    }

    ComPtr<IUnknown> control_;
    ComPtr<IViewObjectEx> view_;
    ComPtr<IDispatch> dispatch_;
};

TEST_F(ControlView, RefusesMissingContextsAndBounds) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    RECTL bounds = {0, 0, 10, 10};
    EXPECT_EQ(view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
              E_INVALIDARG);
    EXPECT_EQ(view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, nullptr, &bounds, nullptr, nullptr, 0),
              E_INVALIDARG);
    EXPECT_EQ(view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, dc, nullptr, nullptr, nullptr, 0), E_POINTER);
    ::DeleteDC(dc);
}

TEST_F(ControlView, ColorSetWithoutDeviceIsFalseAndEmpty) {
    LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(0x1);
    EXPECT_EQ(view_->GetColorSet(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, &palette), S_FALSE);
    EXPECT_EQ(palette, nullptr);
}

TEST_F(ControlView, BorderFollowsTheStoredChoice) {
    HRESULT hr = E_FAIL;
    testsupport::DeleteValue(HKEY_CURRENT_USER, kBorderKey, L"MapBorder");
    EXPECT_EQ(DrawAndRead(0, 0, hr), RGB(0, 0, 0));
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(DrawAndRead(199, 149, hr), RGB(0, 0, 0));

    testsupport::WriteDword(HKEY_CURRENT_USER, kBorderKey, L"MapBorder", 0);
    EXPECT_NE(DrawAndRead(0, 0, hr), RGB(0, 0, 0));
    EXPECT_NE(DrawAndRead(199, 149, hr), RGB(0, 0, 0));
    // The engine drew the map: the middle is no longer the white we started with.
    EXPECT_NE(DrawAndRead(100, 75, hr), RGB(255, 255, 255));
}

TEST_F(ControlView, MetafileDrawHasTheEnginePrintAndKeepsItsPaperUnit) {
    ComPtr<IEngineTestHooks> hooks = EngineHooks(control_.Get());
    SetPaperUnit(3);
    hooks->ClearCalls();

    HDC emf = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(::GetObjectType(emf), static_cast<DWORD>(OBJ_ENHMETADC));
    RECTL bounds = {10, 20, 310, 220};
    EXPECT_EQ(view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, emf, emf, &bounds, nullptr, nullptr, 0), S_OK);
    HENHMETAFILE file = ::CloseEnhMetaFile(emf);
    ENHMETAHEADER header = {};
    ASSERT_TRUE(::GetEnhMetaFileHeader(file, sizeof header, &header));
    EXPECT_GT(header.nRecords, 2u);
    ::DeleteEnhMetaFile(file);

    EXPECT_TRUE(EngineLogContains(hooks.Get(), L"Map.PrintMap(38) call"));
    EXPECT_EQ(PaperUnit(), 3);
}

}  // namespace
