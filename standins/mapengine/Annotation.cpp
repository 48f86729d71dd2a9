#include "standins/mapengine/Annotation.h"

namespace mapengine {

const MemberTable<TextGraphic>& TextGraphic::Members() {
    static const MemberTable<TextGraphic> table = MemberTable<TextGraphic>()
        .Property(L"X", &TextGraphic::x_)
        .Property(L"Y", &TextGraphic::y_)
        .Property(L"Caption", &TextGraphic::caption_)
        .Get(L"Style", &TextGraphic::GetStyle)
        .Put(L"Style", &TextGraphic::PutStyle)
        .Property(L"Position", &TextGraphic::position_);
    return table;
}

platform::ComPtr<TextGraphic> TextGraphic::Make(std::wstring caption, double x, double y, short position) {
    platform::ComPtr<TextGraphic> g = platform::MakeObject<TextGraphic>();
    g->caption_ = std::move(caption);
    g->x_ = x;
    g->y_ = y;
    g->position_ = position;
    g->style_ = platform::MakeObject<Style>();
    return g;
}

void TextGraphic::GetStyle(Call& c) { c.Return(style_); }
void TextGraphic::PutStyle(Call& c) { style_ = Style::CopyOf(c.Object<Style>(0).Get()); }

const MemberTable<Annotation>& Annotation::Members() {
    static const MemberTable<Annotation> table = MemberTable<Annotation>()
        .Get(L"Type", &Annotation::GetType)
        .Get(L"Graphic", &Annotation::GetGraphic);
    return table;
}

platform::ComPtr<Annotation> Annotation::Make(platform::ComPtr<TextGraphic> graphic) {
    platform::ComPtr<Annotation> a = platform::MakeObject<Annotation>();
    a->graphic_ = std::move(graphic);
    return a;
}

void Annotation::GetType(Call& c) { c.Return(kTextAnnotation); }
void Annotation::GetGraphic(Call& c) { c.Return(graphic_); }

}  // namespace mapengine
