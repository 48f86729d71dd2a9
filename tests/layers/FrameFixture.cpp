#include "tests/layers/FrameFixture.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "platform/Result.h"

#include <cstdio>

using platform::ComPtr;
using platform::Variant;

namespace frametest {

namespace {

std::string Format(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

}  // namespace

HRESULT RecordingLayer::Attach(const std::string& name, int type, const std::string&) {
    Variant layers = EngineDispatch(GetMapXMap().Get()).Get(Engine::Map::kLayers);
    Variant added = EngineDispatch(layers.pdispVal)
                        .Call(Engine::Layers::kAddUserDrawLayer, {Variant(platform::ToWide(name)), Variant(short{1})});
    if (added.vt != VT_DISPATCH || !added.pdispVal) return E_FAIL;
    SetEngineLayer(added.pdispVal);
    SetType(type);
    SetNameOnly(name);
    SetUserDrawn(drawsItself_);
    return S_OK;
}

bool RecordingLayer::Draw(HDC, const RECT&, const ZmaExtent&) {
    Log("pass0");
    sawPrinting = GetOwner()->IsPrinting();
    sawGdiPlus = GetOwner()->UsesGdiPlus();
    if (duringDraw) duringDraw();
    if (throwInDraw) platform::ThrowHr(E_UNEXPECTED);
    return true;
}

bool RecordingLayer::Log(const char* what, long a, long b) {
    std::string entry = GetName() + ":" + what;
    if (a != -1) entry += " " + std::to_string(a);
    if (b != -1) entry += " " + std::to_string(b);
    journal_.push_back(entry);
    return true;
}

bool RecordingDataLayer::OnDrawUserLayer(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    frameClasses.push_back(GetSymbolDrawingClass());
    return CZmaVadAZDataLayer::OnDrawUserLayer(dc, rect, extent);
}

void RecordingDataLayer::SelectInRectangle(const ZmaExtent& e) {
    Log("rectangle " + Format(e.left) + " " + Format(e.top) + " " + Format(e.right) + " " + Format(e.bottom));
}

void RecordingDataLayer::SelectInRadius(const ZmaPointD& c, double r) {
    Log("radius " + Format(c.x) + " " + Format(c.y) + " " + Format(r));
}

void RecordingDataLayer::SelectInRadiusProjected(const ZmaPointD& c, double r) {
    Log("projected " + Format(c.x) + " " + Format(c.y) + " " + Format(r));
}

void RecordingDataLayer::SelectInPolygon(const ZmaExtent& b, const std::vector<ZmaPointD>& points) {
    Log("polygon " + Format(b.left) + " " + Format(b.top) + " " + Format(b.right) + " " + Format(b.bottom) + " of " +
        std::to_string(points.size()));
}

void RecordingDataLayer::Log(const std::string& what) { journal_.push_back(GetName() + ":" + what); }

void FrameTest::SetUp() {
    LayerTest::SetUp();
    // The same map and folder, behind a host that counts info displays.
    layers_.reset();
    frameHost_.map = host_.map;
    frameHost_.folder = host_.folder;
    layers_ = std::make_unique<CZmaVadAZLayerCollection>(frameHost_.folder, frameHost_, map_.Get());
    map_->QueryInterface(__uuidof(IEngineTestHooks), hooks_.PutVoid());
    ASSERT_TRUE(hooks_);
    dc_ = ::CreateCompatibleDC(nullptr);
}

void FrameTest::TearDown() {
    if (dc_) ::DeleteDC(dc_);
    hooks_ = nullptr;
    LayerTest::TearDown();
}

RecordingLayer* FrameTest::AddLayer(const std::string& name, bool userDrawn) {
    auto layer = std::make_unique<RecordingLayer>(map_.Get(), layers_.get(), journal_, userDrawn);
    EXPECT_EQ(layer->Attach(name, CZmaVadAZLayer::kTypeShapes), S_OK);
    RecordingLayer* raw = layer.get();
    layers_->RegisterLayer(std::move(layer));
    return raw;
}

RecordingDataLayer* FrameTest::AddDataLayer(const std::string& name, int type) {
    auto layer = std::make_unique<RecordingDataLayer>(map_.Get(), layers_.get(), type, journal_);
    EXPECT_EQ(layer->Attach(name, type), S_OK);
    // The collection orders data layers by their keys.
    layer->SetLayerKey(platform::ToWide(name));
    RecordingDataLayer* raw = layer.get();
    layers_->RegisterLayer(std::move(layer));
    return raw;
}

bool FrameTest::Request(CZmaVadAZLayer* layer, bool printing) {
    return layers_->OnDrawUserLayer(dc_, layer->GetMapXLayer().Get(), rect_, extent_, printing);
}

void FrameTest::PutOutOfZoomRange(CZmaVadAZLayer* layer) {
    const double zoom = EngineDispatch(map_.Get()).Get(Engine::Map::kZoom).ToDouble();
    EngineDispatch engineLayer(layer->GetMapXLayer().Get());
    engineLayer.Put(Engine::Layer::kZoomMin, Variant(zoom * 2));
    engineLayer.Put(Engine::Layer::kZoomMax, Variant(zoom * 4));
    engineLayer.Put(Engine::Layer::kZoomLayering, Variant(true));
}

int FrameTest::EngineRefreshes() {
    LONG count = 0;
    hooks_->CallCount(&count);
    int refreshes = 0;
    for (LONG i = 0; i < count; ++i) {
        BSTR text = nullptr;
        hooks_->CallText(i, &text);
        if (platform::Bstr::Attach(text).Wide().find(L"(-550) call") != std::wstring::npos) ++refreshes;
    }
    return refreshes;
}

void FrameTest::ClearEngineCalls() { hooks_->ClearCalls(); }

bool FrameTest::EngineSelectable(CZmaVadAZLayer* layer) {
    return EngineDispatch(layer->GetMapXLayer().Get()).Get(Engine::Layer::kSelectable).ToBool();
}

Journal FrameTest::Take() {
    Journal out;
    out.swap(journal_);
    return out;
}

}  // namespace frametest
