// A feature: a symbol, line, region or text with its style, key and label value. A feature made by
// the feature factory stands alone; a feature of a layer writes its changes back through Update.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Style.h"
#include "standins/mapengine/TableFile.h"
#include "standins/mapengine/ViewModel.h"

#include "MapEngine.h"

namespace mapengine {

class Layer;

// The engine's feature types, and the two more a layer's predominant type may be.
enum FeatureType : short { kRegion = 0, kLine = 1, kSymbol = 2, kMixedFeatures = 3, kText = 5, kNullFeature = 6 };

class Feature : public EngineComObject<Feature> {
public:
    static constexpr const wchar_t* kName = L"Feature";
    static const IID& DispInterfaceId() { return DIID_DFeature; }
    static const MemberTable<Feature>& Members();

    static platform::ComPtr<Feature> Make(const FeatureRecord& record, platform::ComPtr<Style> style);
    platform::ComPtr<Feature> Copy();

    const FeatureRecord& Record() const noexcept { return record_; }
    FeatureRecord RecordWithStyle();
    Style* StyleObject() const noexcept { return style_.Get(); }
    GeoRect Bounds() const;

    // Belonging to a layer.
    void AttachTo(Layer* layer, std::wstring key);
    void Detach() noexcept { layer_ = nullptr; }
    Layer* Owner() const noexcept { return layer_; }
    const std::wstring& Key() const noexcept { return record_.key; }

private:
    void GetStyle(Call& c);
    void PutStyle(Call& c);
    void PutCaption(Call& c);
    void GetCenterX(Call& c);
    void GetCenterY(Call& c);
    void GetPoint(Call& c);
    void PutPoint(Call& c);
    void GetBounds(Call& c);
    void GetParts(Call& c);
    void PutKeyValue(Call& c);
    void Update(Call& c);
    void GetLayer(Call& c);
    void GetType(Call& c);
    void GetCaption(Call& c);
    void GetKeyValue(Call& c);
    void GetKey(Call& c);

    FeatureRecord record_;
    platform::ComPtr<Style> style_;
    Layer* layer_ = nullptr;
};

}  // namespace mapengine
