#include "standins/mapengine/Parts.h"

#include <string>

namespace mapengine {

const MemberTable<Parts>& Parts::Members() {
    static const MemberTable<Parts> table = MemberTable<Parts>()
        .Get(L"Count", &Parts::GetCount)
        .Get(L"Item", &Parts::Item)
        .Method(L"_Item", &Parts::Item);
    return table;
}

platform::ComPtr<Parts> Parts::Make(std::vector<XYList> parts) {
    platform::ComPtr<Parts> p = platform::MakeObject<Parts>();
    p->parts_ = std::move(parts);
    return p;
}

void Parts::GetCount(Call& c) { c.Return(static_cast<long>(parts_.size())); }

void Parts::Item(Call& c) {
    size_t i = IndexOfPosition(c.Long(0), parts_.size(), L"part");
    c.Return(Points::Make(parts_[i]));
}

}  // namespace mapengine
