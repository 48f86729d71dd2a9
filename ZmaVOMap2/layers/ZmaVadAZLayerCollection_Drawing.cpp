// Drawing one frame of the own layers: the engine asks once per user-draw layer, and the request
// of the top-most one visible at the current zoom draws every own layer in three passes.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"

#include <algorithm>

namespace {

enum : int { kSymbolPass = 0, kSecondSymbolPass = 1, kLabelPass = 2 };

// Puts the printing flag back whatever a layer does during the frame: a layer that throws must
// not leave later screen frames drawing without GDI+ or with the plain symbol class.
class PrintingFrame {
public:
    PrintingFrame(CZmaVadAZLayerCollection& layers, bool& flag, bool printing) noexcept
        : layers_(layers), flag_(flag), printing_(printing) {
        flag_ = printing;
        if (printing_) layers_.UpdateSymbolDrawingClasses();
    }
    ~PrintingFrame() {
        flag_ = false;
        if (printing_) layers_.UpdateSymbolDrawingClasses();
    }
    PrintingFrame(const PrintingFrame&) = delete;
    PrintingFrame& operator=(const PrintingFrame&) = delete;

private:
    CZmaVadAZLayerCollection& layers_;
    bool& flag_;
    bool printing_;
};

// Counts the frames being drawn for as long as the scope lasts, however it is left.
class FrameCount {
public:
    explicit FrameCount(int& frames) noexcept : frames_(frames) { ++frames_; }
    ~FrameCount() { --frames_; }
    FrameCount(const FrameCount&) = delete;
    FrameCount& operator=(const FrameCount&) = delete;

private:
    int& frames_;
};

template <class T>
bool Holds(const std::vector<T>& list, const T& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

template <class Step>
void CZmaVadAZLayerCollection::DrawStep(CZmaVadAZLayer& layer, Step&& step) noexcept {
    try {
        step();
    }
    CATCH_REPORT([&](const platform::ComError* failure) { NoteDrawingFailure(layer, failure); });
}

void CZmaVadAZLayerCollection::NoteDrawingFailure(CZmaVadAZLayer& layer, const platform::ComError* failure) noexcept {
    try {
        // A layer the host removed while it drew is not followed any more.
        const CZmaVadAZLayer* failed = &layer;
        if (Contains(failed) && !Holds(failedInThisFrame_, failed)) failedInThisFrame_.push_back(failed);
        if (Holds(failingLayers_, failed)) return;
        if (Contains(failed)) failingLayers_.push_back(failed);
        platform::ErrorLog* log = platform::GetErrorLog();
        if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
        const std::string what = failure ? platform::FormatComErrorLine(*failure) : std::string("Unknown exception");
        log->Write(platform::kLogLevelError, __FILE__, __LINE__,
                   what + " (drawing the layer \"" + layer.GetName() + "\": it shows what was read before the failure)");
    }
    CATCH_SWALLOW("a failure that cannot be logged still leaves the other layers to draw");
}

void CZmaVadAZLayerCollection::EndFrameFailures() noexcept {
    std::vector<const CZmaVadAZLayer*> failing;
    for (const CZmaVadAZLayer* layer : failingLayers_)
        if (Holds(failedInThisFrame_, layer) && Contains(layer)) failing.push_back(layer);
    failingLayers_.swap(failing);
    failedInThisFrame_.clear();
}

void CZmaVadAZLayerCollection::DrawLayerPass(CZmaVadAZLayer& layer, HDC dc, const RECT& rect, const ZmaExtent& extent,
                                             int pass) {
    // Only the layer's own visibility counts here: a layer outside its zoom range decides for
    // itself whether it draws.
    if (!layer.IsVisible()) return;
    switch (pass) {
    case kSymbolPass:
        layer.Draw(dc, rect, extent);
        break;
    case kSecondSymbolPass:
        layer.DrawSecondPass(dc, rect, extent);
        break;
    default:
        layer.DrawLabels(dc, rect, extent);
        break;
    }
}

bool CZmaVadAZLayerCollection::OnDrawUserLayer(HDC dc, IDispatch* engineLayer, const RECT& rect,
                                               const ZmaExtent& extent, bool printing) {
    if (!engineLayer) platform::ThrowHr(E_POINTER);
    const std::string name =
        platform::ToAnsi(EngineDispatch(engineLayer).Get(Engine::Layer::kName).ToWide());

    CZmaVadAZLayer* requesting = nullptr;
    for (const auto& held : layers_) {
        if (::lstrcmpA(held->GetName().c_str(), name.c_str()) == 0) {
            requesting = held.get();
            break;
        }
    }
    if (!requesting) return false;

    PrintingFrame frame(*this, printing_, printing);
    // Layers fire host events while they draw, in which the host may remove layers.
    BusyScope busy(*this);
    FrameCount drawing(frames_);
    DrawStep(*requesting, [&] { requesting->OnDrawUserLayer(dc, rect, extent); });

    // Only the request of the top-most user-drawn layer that shows at this zoom draws the frame,
    // so everything own is drawn once per frame however many user-draw layers the engine has.
    // Top-most in the engine's list, which the engine walks: a layer moved during the frame moves
    // there only afterwards.
    CZmaVadAZLayer* trigger = nullptr;
    for (CZmaVadAZLayer* layer : EngineOrder()) {
        if (layer->IsUserDrawn() && layer->IsVisibleAtCurrentZoom()) {
            trigger = layer;
            break;
        }
    }
    if (trigger != requesting) return false;

    // Each pass over all layers before the next, so labels lie above every layer's symbols. A
    // layer whose host fails it is drawn as far as it got, and every other layer still draws.
    const std::vector<CZmaVadAZLayer*> drawn = Layers();
    for (int pass = kSymbolPass; pass <= kLabelPass; ++pass)
        for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
            if (Contains(*it)) DrawStep(**it, [&] { DrawLayerPass(**it, dc, rect, extent, pass); });
    EndFrameFailures();
    host_->DrawInfoDisplay(dc);
    return true;
}

HRESULT CZmaVadAZLayerCollection::SetEnhancedDrawingMode(VARIANT_BOOL enhanced) {
    enhancedDrawing_ = enhanced != 0;
    UpdateSymbolDrawingClasses();
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::GetEnhancedDrawingMode(VARIANT_BOOL* enhanced) const {
    if (!enhanced) return E_POINTER;
    *enhanced = enhancedDrawing_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

void CZmaVadAZLayerCollection::UpdateSymbolDrawingClasses() noexcept {
    const bool enhanced = !printing_ && enhancedDrawing_;
    for (First(); CZmaVadAZLayer* layer = Current(); Next()) layer->OnSymbolDrawingModeChanged(enhanced);
}
