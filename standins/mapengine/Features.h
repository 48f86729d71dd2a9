// The engine's two collections of features: a plain one (all features of a layer, search results,
// a snapshot) and a layer's selection (live; changes notify the map), which serves the same
// members at numbers of its own.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Feature.h"

#include "MapEngine.h"

#include <functional>
#include <vector>

namespace mapengine {

using FeatureList = std::vector<platform::ComPtr<Feature>>;

template <class Self>
class FeatureCollection : public EngineComObject<Self> {
public:
    const FeatureList& List() const noexcept { return features_; }
    bool Contains(const Feature* f) const;
    // For a selection: called after each change. Cleared when the owner goes.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
    void Replace(FeatureList features);
    void Drop(const Feature* f);

protected:
    void GetCount(Call& c);
    void Item(Call& c);
    void GetBounds(Call& c);
    void Add(Call& c);
    void Remove(Call& c);
    void Changed();

    FeatureList features_;

private:
    std::function<void()> onChange_;
};

class Features final : public FeatureCollection<Features> {
public:
    static constexpr const wchar_t* kName = L"Features";
    static const IID& DispInterfaceId() { return DIID_DFeatures; }
    static const MemberTable<Features>& Members();

    static platform::ComPtr<Features> Make(FeatureList features);
};

class Selection final : public FeatureCollection<Selection> {
public:
    static constexpr const wchar_t* kName = L"Selection";
    static const IID& DispInterfaceId() { return DIID_DSelection; }
    static const MemberTable<Selection>& Members();

    static platform::ComPtr<Selection> Make();

private:
    void ClearSelection(Call& c);
};

}  // namespace mapengine
