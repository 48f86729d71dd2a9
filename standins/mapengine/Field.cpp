#include "standins/mapengine/Field.h"

namespace mapengine {

const MemberTable<Field>& Field::Members() {
    static const MemberTable<Field> table = MemberTable<Field>()
        .ReadOnly(L"Type", &Field::type_)
        .ReadOnly(L"Name", &Field::name_);
    return table;
}

platform::ComPtr<Field> Field::Make(std::wstring name) {
    platform::ComPtr<Field> f = platform::MakeObject<Field>();
    f->name_ = std::move(name);
    return f;
}

const MemberTable<Fields>& Fields::Members() {
    static const MemberTable<Fields> table = MemberTable<Fields>()
        .Get(L"Count", &Fields::GetCount)
        .Get(L"Item", &Fields::Item)
        .Method(L"_Item", &Fields::Item);
    return table;
}

platform::ComPtr<Fields> Fields::Make(const std::vector<std::wstring>& names) {
    platform::ComPtr<Fields> f = platform::MakeObject<Fields>();
    for (const std::wstring& n : names) f->fields_.push_back(Field::Make(n));
    return f;
}

void Fields::GetCount(Call& c) { c.Return(static_cast<long>(fields_.size())); }

void Fields::Item(Call& c) {
    c.Return(fields_[IndexByNameOrPosition(c, 0, fields_, [](const platform::ComPtr<Field>& f) { return f->Name(); }, L"field")]);
}

}  // namespace mapengine
