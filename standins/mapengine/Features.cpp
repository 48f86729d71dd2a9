#include "standins/mapengine/Features.h"

#include "standins/mapengine/Rectangle.h"

#include <algorithm>
#include <string>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Features>& Features::Members() {
    static const MemberTable<Features> table = MemberTable<Features>()
        .Get(1, &Features::GetCount)
        .Method(2, &Features::Item)
        .Get(3, &Features::GetBounds)
        .Method(4, &Features::Add)
        .Method(5, &Features::Remove)
        .Method(6, &Features::RemoveAll);
    return table;
}

ComPtr<Features> Features::Make(FeatureList features) {
    ComPtr<Features> f = platform::MakeObject<Features>();
    f->features_ = std::move(features);
    return f;
}

bool Features::Contains(const Feature* f) const {
    return std::any_of(features_.begin(), features_.end(), [f](const ComPtr<Feature>& p) { return p.Get() == f; });
}

void Features::Replace(FeatureList features) {
    features_ = std::move(features);
    Changed();
}

void Features::Drop(const Feature* f) {
    auto it = std::remove_if(features_.begin(), features_.end(), [f](const ComPtr<Feature>& p) { return p.Get() == f; });
    if (it == features_.end()) return;
    features_.erase(it, features_.end());
    Changed();
}

void Features::Changed() {
    if (onChange_) onChange_();
}

void Features::GetCount(Call& c) { c.Return(static_cast<long>(features_.size())); }

void Features::Item(Call& c) {
    size_t i = IndexOfPosition(c.Long(0), features_.size(), L"feature");
    c.Return(features_[i]);
}

void Features::GetBounds(Call& c) {
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

FeatureList Features::FeaturesOf(const Call& c, size_t i) const {
    ComPtr<IDispatch> d = c.Dispatch(i);
    if (ComPtr<Feature> f = EngineObjectAs<Feature>(d.Get())) return {f};
    if (ComPtr<Features> many = EngineObjectAs<Features>(d.Get())) return many->features_;
    Fail(E_INVALIDARG, L"Source must be a feature or a features collection");
}

void Features::Add(Call& c) {
    FeatureList add = FeaturesOf(c, 0);
    for (const ComPtr<Feature>& f : add) {
        if (!Contains(f.Get())) features_.push_back(f);
    }
    Changed();
}

void Features::Remove(Call& c) {
    FeatureList remove = FeaturesOf(c, 0);
    for (const ComPtr<Feature>& f : remove) {
        features_.erase(std::remove(features_.begin(), features_.end(), f), features_.end());
    }
    Changed();
}

void Features::RemoveAll(Call&) {
    features_.clear();
    Changed();
}

}  // namespace mapengine
