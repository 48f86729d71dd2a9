#include "standins/mapengine/Features.h"

#include "standins/mapengine/Rectangle.h"

#include <algorithm>
#include <string>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Features>& Features::Members() {
    static const MemberTable<Features> table = MemberTable<Features>()
        .Get(L"Count", &Features::GetCount)
        .Get(L"Item", &Features::Item)
        .Method(L"_Item", &Features::Item)
        .Get(L"Bounds", &Features::GetBounds)
        .Method(L"Add", &Features::Add)
        .Method(L"Remove", &Features::Remove);
    return table;
}

const MemberTable<Selection>& Selection::Members() {
    static const MemberTable<Selection> table = MemberTable<Selection>()
        .Get(L"Item", &Selection::Item)
        .Method(L"ClearSelection", &Selection::ClearSelection)
        .Get(L"Count", &Selection::GetCount)
        .Method(L"_Item", &Selection::Item)
        .Get(L"Bounds", &Selection::GetBounds)
        .Method(L"Add", &Selection::Add)
        .Method(L"Remove", &Selection::Remove);
    return table;
}

ComPtr<Features> Features::Make(FeatureList features) {
    ComPtr<Features> f = platform::MakeObject<Features>();
    f->features_ = std::move(features);
    return f;
}

ComPtr<Selection> Selection::Make() { return platform::MakeObject<Selection>(); }

void Selection::ClearSelection(Call&) { Replace({}); }

template <class Self>
bool FeatureCollection<Self>::Contains(const Feature* f) const {
    return std::any_of(features_.begin(), features_.end(), [f](const ComPtr<Feature>& p) { return p.Get() == f; });
}

template <class Self>
void FeatureCollection<Self>::Replace(FeatureList features) {
    features_ = std::move(features);
    Changed();
}

template <class Self>
void FeatureCollection<Self>::Drop(const Feature* f) {
    auto it = std::remove_if(features_.begin(), features_.end(), [f](const ComPtr<Feature>& p) { return p.Get() == f; });
    if (it == features_.end()) return;
    features_.erase(it, features_.end());
    Changed();
}

template <class Self>
void FeatureCollection<Self>::Changed() {
    if (onChange_) onChange_();
}

template <class Self>
void FeatureCollection<Self>::GetCount(Call& c) {
    c.Return(static_cast<long>(features_.size()));
}

template <class Self>
void FeatureCollection<Self>::Item(Call& c) {
    size_t i = IndexOfPosition(c.Long(0), features_.size(), L"feature");
    c.Return(features_[i]);
}

template <class Self>
void FeatureCollection<Self>::GetBounds(Call& c) {
    if (features_.empty()) Fail(E_FAIL, L"The collection holds no features");
    GeoRect r = features_.front()->Bounds();
    for (const ComPtr<Feature>& f : features_) {
        GeoRect b = f->Bounds();
        r.xmin = std::min(r.xmin, b.xmin);
        r.ymin = std::min(r.ymin, b.ymin);
        r.xmax = std::max(r.xmax, b.xmax);
        r.ymax = std::max(r.ymax, b.ymax);
    }
    c.Return(Rectangle::Make(r));
}

namespace {

// A feature, or the features of either collection.
FeatureList FeaturesOf(const Call& c, size_t i) {
    ComPtr<IDispatch> d = c.Dispatch(i);
    if (ComPtr<Feature> f = EngineObjectAs<Feature>(d.Get())) return {f};
    if (ComPtr<Features> many = EngineObjectAs<Features>(d.Get())) return many->List();
    if (ComPtr<Selection> many = EngineObjectAs<Selection>(d.Get())) return many->List();
    Fail(E_INVALIDARG, L"Source must be a feature or a features collection");
}

}  // namespace

template <class Self>
void FeatureCollection<Self>::Add(Call& c) {
    FeatureList add = FeaturesOf(c, 0);
    for (const ComPtr<Feature>& f : add) {
        if (!Contains(f.Get())) features_.push_back(f);
    }
    Changed();
}

template <class Self>
void FeatureCollection<Self>::Remove(Call& c) {
    FeatureList remove = FeaturesOf(c, 0);
    for (const ComPtr<Feature>& f : remove) {
        features_.erase(std::remove(features_.begin(), features_.end(), f), features_.end());
    }
    Changed();
}

template class FeatureCollection<Features>;
template class FeatureCollection<Selection>;

}  // namespace mapengine
