#include "standins/mapengine/Annotations.h"

#include <string>

namespace mapengine {

const MemberTable<Annotations>& Annotations::Members() {
    static const MemberTable<Annotations> table = MemberTable<Annotations>()
        .Get(L"Count", &Annotations::GetCount)
        .Get(L"Item", &Annotations::Item)
        .Method(L"_Item", &Annotations::Item)
        .Method(L"AddText", &Annotations::AddTextMember)
        .Method(L"RemoveAll", &Annotations::RemoveAll)
        .Method(L"Remove", &Annotations::Remove);
    return table;
}

platform::ComPtr<Annotations> Annotations::Make(MapServices* map) {
    platform::ComPtr<Annotations> a = platform::MakeObject<Annotations>();
    a->map_ = map;
    return a;
}

void Annotations::Changed() {
    if (map_) map_->ContentChanged();
}

platform::ComPtr<Annotation> Annotations::AddText(const std::wstring& text, double x, double y, short position) {
    platform::ComPtr<Annotation> a = Annotation::Make(TextGraphic::Make(text, x, y, position));
    items_.push_back(a);
    if (map_) map_->AnnotationAdded(a->AsDispatch());
    Changed();
    return a;
}

size_t Annotations::IndexOf(const Call& c) const { return IndexOfPosition(c.Long(0), items_.size(), L"annotation"); }

void Annotations::GetCount(Call& c) { c.Return(static_cast<long>(items_.size())); }
void Annotations::Item(Call& c) { c.Return(items_[IndexOf(c)]); }

void Annotations::AddTextMember(Call& c) {
    short position = c.Has(3) ? c.Short(3) : short{0};
    c.Return(AddText(c.String(0), c.Double(1), c.Double(2), position));
}

void Annotations::RemoveAll(Call&) {
    items_.clear();
    Changed();
}

void Annotations::Remove(Call& c) {
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(IndexOf(c)));
    Changed();
}

}  // namespace mapengine
