#include "standins/mapengine/Dataset.h"

#include "standins/mapengine/Field.h"
#include "standins/mapengine/Layer.h"

using platform::ComPtr;

namespace mapengine {

const MemberTable<Dataset>& Dataset::Members() {
    static const MemberTable<Dataset> table = MemberTable<Dataset>()
        .Property(L"Name", &Dataset::name_)
        .ReadOnly(L"Type", &Dataset::type_)
        .Get(L"Fields", &Dataset::GetFields)
        .Get(L"Layer", &Dataset::GetLayer);
    return table;
}

ComPtr<Dataset> Dataset::Make(std::wstring name, short type, ComPtr<Layer> layer) {
    ComPtr<Dataset> d = platform::MakeObject<Dataset>();
    d->name_ = std::move(name);
    d->type_ = type;
    d->fields_ = Fields::Make(layer->FieldNames());
    d->layer_ = std::move(layer);
    return d;
}

void Dataset::GetFields(Call& c) { c.Return(fields_); }
void Dataset::GetLayer(Call& c) { c.Return(layer_); }

const MemberTable<Datasets>& Datasets::Members() {
    static const MemberTable<Datasets> table = MemberTable<Datasets>()
        .Get(L"Count", &Datasets::GetCount)
        .Method(L"Add", &Datasets::Add)
        .Get(L"Item", &Datasets::Item)
        .Method(L"_Item", &Datasets::Item)
        .Method(L"Remove", &Datasets::Remove)
        .Method(L"RemoveAll", &Datasets::RemoveAll);
    return table;
}

void Datasets::GetCount(Call& c) { c.Return(static_cast<long>(datasets_.size())); }

void Datasets::Add(Call& c) {
    constexpr short kLayerDataset = 6;
    short type = c.Short(0);
    if (type != kLayerDataset) Fail(E_INVALIDARG, L"Only layer datasets (type 6) are supported");
    ComPtr<Layer> layer = c.Object<Layer>(1);
    std::wstring name = c.Has(2) && c.Arg(2).vt != VT_NULL ? c.String(2) : layer->Name();
    ComPtr<Dataset> d = Dataset::Make(name, type, layer);
    datasets_.push_back(d);
    c.Return(d);
}

size_t Datasets::IndexOf(const Call& c) const {
    return IndexByNameOrPosition(c, 0, datasets_, [](const ComPtr<Dataset>& d) { return d->Name(); }, L"dataset");
}

void Datasets::Item(Call& c) { c.Return(datasets_[IndexOf(c)]); }
void Datasets::Remove(Call& c) { datasets_.erase(datasets_.begin() + static_cast<ptrdiff_t>(IndexOf(c))); }
void Datasets::RemoveAll(Call&) { datasets_.clear(); }

}  // namespace mapengine
