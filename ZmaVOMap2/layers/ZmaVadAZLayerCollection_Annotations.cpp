// Annotation editing. Annotations are kept as text features of the fixed annotations layer, so
// that they live in its table and are saved with it; while the user edits them they are the
// engine map's own text annotations, which the engine's text tools move and change.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"

#include <cstdio>

using platform::ComPtr;
using platform::Variant;

namespace {

std::wstring TextOf(const Variant& v) { return v.vt == VT_BSTR && v.bstrVal ? std::wstring(v.bstrVal) : std::wstring(); }

bool IsTextFeature(IDispatch* feature) {
    return EngineDispatch(feature).Get(Engine::Feature::kType).ToLong() == Engine::FeatureType::kText;
}

// Ends the engine access to the annotations layer however the scope is left.
class FeatureAccess {
public:
    explicit FeatureAccess(CZmaVadAZLayer& layer) : layer_(layer) { THROW_IF_FAILED(layer_.BeginFeatureAccess(1)); }
    ~FeatureAccess() {
        if (open_) layer_.EndFeatureAccess(0);
    }
    void End() {
        open_ = false;
        THROW_IF_FAILED(layer_.EndFeatureAccess(0));
    }
    FeatureAccess(const FeatureAccess&) = delete;
    FeatureAccess& operator=(const FeatureAccess&) = delete;

private:
    CZmaVadAZLayer& layer_;
    bool open_ = true;
};

}  // namespace

HRESULT CZmaVadAZLayerCollection::InitialiseAnnotations() {
    if (!annotations_ || !map_) return E_UNEXPECTED;
    try {
        FeatureAccess access(*annotations_);
        EngineDispatch annotations(platform::RequireDispatch(EngineDispatch(map_.Get()).Get(Engine::Map::kAnnotations)).Get());

        const long count = annotations_->GetFeatureCount();
        for (long i = 1; i <= count; ++i) {
            ComPtr<IDispatch> feature = annotations_->GetFeature(i);
            if (!feature || !IsTextFeature(feature.Get())) continue;
            EngineDispatch text(feature.Get());
            EngineDispatch point(platform::RequireDispatch(text.Get(Engine::Feature::kPoint)).Get());
            const Variant x = point.Get(Engine::Point::kX), y = point.Get(Engine::Point::kY);
            const Variant caption = text.Get(Engine::Feature::kCaption);
            if (TextOf(caption).empty()) continue;
            ComPtr<IDispatch> annotation = platform::RequireDispatch(annotations.Call(Engine::Annotations::kAddText, {caption, x, y}));
            EngineDispatch graphic(platform::RequireDispatch(EngineDispatch(annotation.Get()).Get(Engine::Annotation::kGraphic)).Get());
            graphic.Put(Engine::TextGraphic::kStyle, text.Get(Engine::Feature::kStyle));
            graphic.Put(Engine::TextGraphic::kX, x);
            graphic.Put(Engine::TextGraphic::kY, y);
        }

        // The text features now live as annotations: take them out of the layer.
        for (long i = 1; i <= annotations_->GetFeatureCount();) {
            ComPtr<IDispatch> feature = annotations_->GetFeature(i);
            if (feature && IsTextFeature(feature.Get()))
                annotations_->DeleteFeature(feature.Get());
            else
                ++i;
        }
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayerCollection::SetCurrentTool() {
    if (!annotations_ || !map_) return E_UNEXPECTED;
    try {
        FeatureAccess access(*annotations_);
        EngineDispatch map(map_.Get());
        EngineDispatch annotations(platform::RequireDispatch(map.Get(Engine::Map::kAnnotations)).Get());
        for (long i = 1; i <= annotations.Get(Engine::Annotations::kCount).ToLong(); ++i) {
            EngineDispatch annotation(platform::RequireDispatch(annotations.Call(Engine::Annotations::kItem, {Variant(i)})).Get());
            if (annotation.Get(Engine::Annotation::kType).ToLong() != Engine::AnnotationType::kText) continue;
            EngineDispatch graphic(platform::RequireDispatch(annotation.Get(Engine::Annotation::kGraphic)).Get());
            const Variant x = graphic.Get(Engine::TextGraphic::kX), y = graphic.Get(Engine::TextGraphic::kY);
            const Variant caption = graphic.Get(Engine::TextGraphic::kCaption);
            const Variant style = graphic.Get(Engine::TextGraphic::kStyle);
            if (TextOf(caption).empty()) continue;

            ComPtr<IDispatch> point;
            THROW_IF_FAILED(::CoCreateInstance(ExternalIds::kEnginePoint, nullptr, CLSCTX_ALL, IID_IDispatch,
                                               point.PutVoid()));
            EngineDispatch(point.Get()).Call(Engine::Point::kSet, {x, y});
            EngineDispatch factory(platform::RequireDispatch(map.Get(Engine::Map::kFeatureFactory)).Get());
            ComPtr<IDispatch> feature = platform::RequireDispatch(
                factory.Call(Engine::FeatureFactory::kCreateText, {Variant(point.Get()), caption, Variant::Missing(), style}));
            char number[16];
            std::snprintf(number, sizeof number, "%ld", i);
            EngineDispatch(feature.Get()).Put(Engine::Feature::kKeyValue, Variant(platform::ToWide(number)));
            THROW_IF_FAILED(annotations_->AddFeature(feature.Get()));
        }
        access.End();
        annotations.Call(Engine::Annotations::kRemoveAll);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayerCollection::ApplyFeatureStyle() {
    if (!annotations_) return S_OK;
    try {
        ComPtr<IDispatch> selection;
        annotations_->GetSelection(selection);
        if (!selection) return S_OK;
        EngineDispatch selected(selection.Get());
        if (selected.GetByName(L"Count").ToLong() < 1) return S_OK;
        EngineDispatch feature(platform::RequireDispatch(selected.GetByName(L"Item", {Variant(1L)})).Get());
        DISPID dialog;
        switch (feature.Get(Engine::Feature::kType).ToLong()) {
        case Engine::FeatureType::kSymbol: dialog = Engine::Style::kPickSymbol; break;
        case Engine::FeatureType::kLine: dialog = Engine::Style::kPickLine; break;
        case Engine::FeatureType::kRegion: dialog = Engine::Style::kPickRegion; break;
        case Engine::FeatureType::kText: dialog = Engine::Style::kPickText; break;
        default: return S_OK;
        }
        EngineDispatch style(platform::RequireDispatch(feature.Get(Engine::Feature::kStyle)).Get());
        if (style.Call(dialog).ToBool()) feature.Call(Engine::Feature::kUpdate);
        return S_OK;
    } CATCH_RETURN_QUIET()
}
