// A collection of features: a layer's selection (live; changes notify the map) or a snapshot
// (all features of a layer, search results).
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Feature.h"

#include "MapEngine.h"

#include <functional>
#include <vector>

namespace mapengine {

using FeatureList = std::vector<platform::ComPtr<Feature>>;

class Features : public EngineComObject<Features> {
public:
    static constexpr const wchar_t* kName = L"Features";
    static const IID& DispInterfaceId() { return DIID_DFeatures; }
    static const MemberTable<Features>& Members();

    static platform::ComPtr<Features> Make(FeatureList features);

    const FeatureList& List() const noexcept { return features_; }
    bool Contains(const Feature* f) const;
    // For a selection: called after each change (none for snapshots). Cleared when the owner goes.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
    void Replace(FeatureList features);
    void Drop(const Feature* f);

private:
    void GetCount(Call& c);
    void Item(Call& c);
    void GetBounds(Call& c);
    void Add(Call& c);
    void Remove(Call& c);
    void RemoveAll(Call& c);
    FeatureList FeaturesOf(const Call& c, size_t i) const;
    void Changed();

    FeatureList features_;
    std::function<void()> onChange_;
};

}  // namespace mapengine
