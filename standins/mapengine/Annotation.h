// A text annotation of the map and its text graphic.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Style.h"

#include "MapEngine.h"

#include <string>

namespace mapengine {

class TextGraphic : public EngineComObject<TextGraphic> {
public:
    static constexpr const wchar_t* kName = L"TextGraphic";
    static const IID& DispInterfaceId() { return DIID_DTextGraphic; }
    static const MemberTable<TextGraphic>& Members();

    static platform::ComPtr<TextGraphic> Make(std::wstring caption, double x, double y, short position);

    double X() const noexcept { return x_; }
    double Y() const noexcept { return y_; }
    const std::wstring& Caption() const noexcept { return caption_; }
    Style& TextStyle() const noexcept { return *style_; }

private:
    void GetStyle(Call& c);
    void PutStyle(Call& c);

    double x_ = 0, y_ = 0;
    std::wstring caption_;
    short position_ = 0;
    platform::ComPtr<Style> style_;
};

class Annotation : public EngineComObject<Annotation> {
public:
    static constexpr const wchar_t* kName = L"Annotation";
    static const IID& DispInterfaceId() { return DIID_DAnnotation; }
    static const MemberTable<Annotation>& Members();

    static constexpr short kTextAnnotation = 6;
    static platform::ComPtr<Annotation> Make(platform::ComPtr<TextGraphic> graphic);
    TextGraphic& Graphic() const noexcept { return *graphic_; }

private:
    void GetType(Call& c);
    void GetGraphic(Call& c);

    platform::ComPtr<TextGraphic> graphic_;
};

}  // namespace mapengine
