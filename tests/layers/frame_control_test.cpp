// The same frames through a control made in this process: the engine's draw requests reach the
// own layers through the control's event sink, and exported images are drawn with the exporting
// flag set.
#include "tests/layers/FrameFixture.h"

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "platform/ComObject.h"

#include <cstdio>

using platform::ComPtr;
using platform::Variant;

namespace frametest {
namespace {

class ControlFrames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, control_.PutVoid()), S_OK);
        ComPtr<IZmaVadAZ2> automation;
        ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ2, automation.PutVoid()), S_OK);
        self_ = static_cast<CZmaVadAZ*>(automation.Get());
        ComPtr<IPersistStreamInit> persist;
        ASSERT_EQ(control_->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()), S_OK);
        ASSERT_EQ(persist->InitNew(), S_OK);
        map_ = self_->EngineMap();
        ASSERT_TRUE(map_);
        ASSERT_EQ(map_->QueryInterface(__uuidof(IEngineTestHooks), hooks_.PutVoid()), S_OK);
        EngineDispatch(map_.Get()).Call(42, {Variant(200L), Variant(100L)});

        CZmaVadAZLayerCollection* layers = self_->LayerCollection();
        ASSERT_NE(layers, nullptr);
        auto layer = std::make_unique<RecordingLayer>(map_.Get(), layers, journal_, true);
        ASSERT_EQ(layer->Attach("own", CZmaVadAZLayer::kTypeShapes), S_OK);
        layer_ = layer.get();
        layers->RegisterLayer(std::move(layer));
    }

    void TearDown() override {
        ComPtr<IOleObject> ole;
        if (control_ && SUCCEEDED(control_->QueryInterface(IID_IOleObject, ole.PutVoid())))
            ole->Close(OLECLOSE_NOSAVE);
    }

    std::wstring TempFile(const wchar_t* name) {
        wchar_t folder[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, folder);
        std::wstring path = std::wstring(folder) + L"frame_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + name;
        ::DeleteFileW(path.c_str());
        return path;
    }

    Journal journal_;
    ComPtr<IUnknown> control_;
    CZmaVadAZ* self_ = nullptr;
    ComPtr<IDispatch> map_;
    ComPtr<IEngineTestHooks> hooks_;
    RecordingLayer* layer_ = nullptr;
};

TEST_F(ControlFrames, AnEngineDrawRequestReachesTheOwnLayerThroughTheControl) {
    ComPtr<IDispatch> pixels;
    CLSID rectangleClass;
    ASSERT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass), S_OK);
    ASSERT_EQ(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, pixels.PutVoid()), S_OK);
    EngineDispatch(pixels.Get()).Call(7, {Variant(0.0), Variant(0.0), Variant(200.0), Variant(100.0)});

    HDC dc = ::CreateCompatibleDC(nullptr);
    VARIANT draw[5];
    for (VARIANT& v : draw) ::VariantInit(&v);
    draw[0].vt = VT_DISPATCH;
    draw[0].pdispVal = layer_->GetMapXLayer().Detach();
    draw[1].vt = VT_I4;
    draw[1].lVal = static_cast<LONG>(reinterpret_cast<intptr_t>(dc));
    draw[2] = draw[1];
    for (int i : {3, 4}) {
        draw[i].vt = VT_DISPATCH;
        draw[i].pdispVal = pixels.Get();
        pixels->AddRef();
    }
    ASSERT_EQ(hooks_->FireEvent(10, 5, draw), S_OK);
    for (VARIANT& v : draw) ::VariantClear(&v);
    ::DeleteDC(dc);

    EXPECT_EQ(journal_, (Journal{"own:request", "own:pass0", "own:pass1", "own:labels"}));
    EXPECT_FALSE(layer_->sawPrinting);
}

TEST_F(ControlFrames, ExportedImagesAreDrawnWhileExportingAndPrintedFormatsWithoutGdiPlus) {
    Variant empty(L"");
    EXPECT_EQ(self_->Drawing().ExportMapImage(map_.Get(), empty.bstrVal, 5), E_INVALIDARG);
    EXPECT_EQ(self_->Drawing().ExportMapImage(map_.Get(), nullptr, 5), E_INVALIDARG);
    EXPECT_FALSE(self_->View().IsExporting());
    EXPECT_TRUE(journal_.empty());

    bool exportingWhileDrawn = false;
    layer_->duringDraw = [&] { exportingWhileDrawn = self_->View().IsExporting(); };
    const std::wstring png = TempFile(L"map.png");
    Variant pngPath(png.c_str());
    ASSERT_EQ(self_->Drawing().ExportMapImage(map_.Get(), pngPath.bstrVal, 5), S_OK);
    EXPECT_NE(::GetFileAttributesW(png.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(journal_, (Journal{"own:request", "own:pass0", "own:pass1", "own:labels"}));
    EXPECT_TRUE(exportingWhileDrawn);
    EXPECT_TRUE(layer_->sawGdiPlus);
    EXPECT_FALSE(self_->View().IsExporting());
    // The info display was drawn into the image over the map's full size, and the control lets
    // go of the image's device context.
    EXPECT_EQ(self_->View().Target().dc, nullptr);
    EXPECT_EQ(self_->View().Target().width, 200);
    EXPECT_EQ(self_->View().Target().height, 100);
    ::DeleteFileW(png.c_str());

    // A metafile is no screen: no GDI+ for it, and the flag is down again afterwards.
    const std::wstring wmf = TempFile(L"map.wmf");
    Variant wmfPath(wmf.c_str());
    ASSERT_EQ(self_->Drawing().ExportMapImage(map_.Get(), wmfPath.bstrVal, 0), S_OK);
    EXPECT_TRUE(layer_->sawPrinting);
    EXPECT_FALSE(layer_->sawGdiPlus);
    EXPECT_FALSE(self_->LayerCollection()->IsPrinting());
    ::DeleteFileW(wmf.c_str());

    // The engine's refusal is the answer, and the flag is still cleared.
    const std::wstring unknown = TempFile(L"map.xyz");
    Variant unknownPath(unknown.c_str());
    EXPECT_EQ(self_->Drawing().ExportMapImage(map_.Get(), unknownPath.bstrVal, 7), E_INVALIDARG);
    EXPECT_FALSE(self_->View().IsExporting());
}

TEST_F(ControlFrames, APictureAtScaleDrawsWhileExportingAndAFailedOneRestoresTheFlagAndRedraw) {
    bool exportingWhileDrawn = false;
    layer_->duringDraw = [&] { exportingWhileDrawn = self_->View().IsExporting(); };
    EngineDispatch map(map_.Get());
    map.Put(25, Variant(0L));  // miles
    map.Put(15, Variant(2L));  // inches of paper
    map.Put(7, Variant(2.0));
    const std::wstring bmp = TempFile(L"scaled.bmp");
    ASSERT_EQ(self_->ExportAsPictureAtScale(platform::Bstr(bmp).Get(), 0.5), S_OK);
    EXPECT_TRUE(exportingWhileDrawn);
    EXPECT_FALSE(self_->View().IsExporting());
    ::DeleteFileW(bmp.c_str());

    // A picture far too large for the engine: the failure comes back, and nothing stays set.
    EXPECT_TRUE(FAILED(self_->ExportAsPictureAtScale(platform::Bstr(bmp).Get(), 1e6)));
    EXPECT_FALSE(self_->View().IsExporting());
    EXPECT_TRUE(map.Get(6).ToBool());
}

}  // namespace
}  // namespace frametest
