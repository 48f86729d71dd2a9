#include "standins/mapengine/LayerFind.h"

#include "standins/mapengine/Features.h"
#include "standins/mapengine/Layer.h"

namespace mapengine {

const MemberTable<LayerFind>& LayerFind::Members() {
    static const MemberTable<LayerFind> table = MemberTable<LayerFind>().Method(L"Search", &LayerFind::Search);
    return table;
}

platform::ComPtr<LayerFind> LayerFind::Make(platform::ComPtr<Layer> layer) {
    platform::ComPtr<LayerFind> f = platform::MakeObject<LayerFind>();
    f->layer_ = std::move(layer);
    return f;
}

namespace {

// The value searched for: the text, or for  name = "value"  the quoted value.
std::wstring SearchedValue(const std::wstring& where) {
    size_t eq = where.find(L'=');
    if (eq == std::wstring::npos) return where;
    std::wstring value = where.substr(eq + 1);
    size_t a = value.find_first_not_of(L" \t");
    size_t b = value.find_last_not_of(L" \t");
    if (a == std::wstring::npos) return std::wstring();
    value = value.substr(a, b - a + 1);
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

bool Same(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

void LayerFind::Search(Call& c) {
    std::wstring value = SearchedValue(c.String(0));
    FeatureList found;
    for (const platform::ComPtr<Feature>& f : layer_->FeatureObjects()) {
        const FeatureRecord& r = f->Record();
        if (Same(r.keyValue, value) || Same(r.caption, value) || Same(r.key, value)) found.push_back(f);
    }
    c.Return(Features::Make(found));
}

}  // namespace mapengine
