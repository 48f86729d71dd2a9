#include "standins/mapengine/Style.h"

#include "standins/mapengine/Faults.h"

#include <cstdio>
#include <cwchar>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Style>& Style::Members() {
    static const MemberTable<Style> table = MemberTable<Style>()
        .Property(L"SymbolCharacter", &Style::symbolCharacter_)
        .Property(L"LineColor", &Style::lineColor_)
        .Property(L"LineStyle", &Style::lineStyle_)
        .Property(L"LineWidth", &Style::lineWidth_)
        .Property(L"RegionColor", &Style::regionColor_)
        .Property(L"RegionPattern", &Style::regionPattern_)
        .Property(L"RegionBackColor", &Style::regionBackColor_)
        .Property(L"RegionBorderStyle", &Style::regionBorderStyle_)
        .Property(L"RegionBorderColor", &Style::regionBorderColor_)
        .Property(L"RegionBorderWidth", &Style::regionBorderWidth_)
        .Get(L"TextFont", &Style::GetTextFont)
        .Get(L"SymbolFont", &Style::GetSymbolFont)
        .Property(L"TextFontColor", &Style::textFontColor_)
        .Property(L"TextFontBackColor", &Style::textFontBackColor_)
        .Property(L"SymbolFontColor", &Style::symbolFontColor_)
        .Property(L"SymbolFontBackColor", &Style::symbolFontBackColor_)
        .Property(L"SymbolFontOpaque", &Style::symbolFontOpaque_)
        .Property(L"TextFontOpaque", &Style::textFontOpaque_)
        .Property(L"SymbolFontHalo", &Style::symbolFontHalo_)
        .Property(L"SymbolFontShadow", &Style::symbolFontShadow_)
        .Property(L"TextFontHalo", &Style::textFontHalo_)
        .Property(L"TextFontShadow", &Style::textFontShadow_)
        .Property(L"TextFontAllCaps", &Style::textFontAllCaps_)
        .Property(L"TextFontDblSpace", &Style::textFontDblSpace_)
        .Method(L"PickSymbol", &Style::Pick)
        .Method(L"PickLine", &Style::Pick)
        .Method(L"PickRegion", &Style::Pick)
        .Method(L"PickText", &Style::Pick)
        .Method(L"Clone", &Style::CloneMember)
        .Property(L"SymbolBitmapTransparent", &Style::symbolBitmapTransparent_)
        .Property(L"SymbolBitmapOverrideColor", &Style::symbolBitmapOverrideColor_)
        .Property(L"SymbolBitmapColor", &Style::symbolBitmapColor_)
        .Property(L"SymbolBitmapName", &Style::symbolBitmapName_)
        .Property(L"SymbolBitmapSize", &Style::symbolBitmapSize_)
        .Property(L"SymbolFontRotation", &Style::symbolFontRotation_)
        .Property(L"RegionTransparent", &Style::regionTransparent_)
        .Property(L"LineInterleaved", &Style::lineInterleaved_)
        .Property(L"LineWidthUnit", &Style::lineWidthUnit_)
        .Property(L"RegionBorderWidthUnit", &Style::regionBorderWidthUnit_)
        .Get(L"LineSupportsInterleave", &Style::GetSupportsInterleave)
        .Property(L"TextFontRotation", &Style::textFontRotation_);
    return table;
}

namespace {

ComPtr<IFontDisp> NewFont(const wchar_t* face, LONGLONG sizeTimes10000) {
    FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(face), {}, FW_NORMAL, DEFAULT_CHARSET, FALSE, FALSE, FALSE};
    desc.cySize.int64 = sizeTimes10000;
    ComPtr<IFontDisp> font;
    THROW_IF_FAILED(::OleCreateFontIndirect(&desc, IID_IFontDisp, font.PutVoid()));
    return font;
}

ComPtr<IFontDisp> CloneFont(IUnknown* source) {
    ComPtr<IFont> font;
    if (!source || FAILED(source->QueryInterface(IID_IFont, font.PutVoid()))) {
        Fail(E_INVALIDARG, L"The value is not a font object");
    }
    ComPtr<IFont> copy;
    THROW_IF_FAILED(font->Clone(copy.Put()));
    ComPtr<IFontDisp> disp;
    THROW_IF_FAILED(copy.As(disp));
    return disp;
}

}  // namespace

void Style::GetFont(Call& c, ComPtr<IFontDisp>& font) {
    if (!font) font = NewFont(L"Arial", 120000);
    c.Return(static_cast<IDispatch*>(font.Get()));
}

void Style::Pick(Call& c) { c.Return(DialogsAnswerOk()); }

void Style::GetSupportsInterleave(Call& c) { c.Return(lineStyle_ != 1); }

void Style::CloneMember(Call& c) { c.Return(Clone()); }

ComPtr<Style> Style::Clone() {
    ComPtr<Style> copy = platform::MakeObject<Style>();
    // The fonts are cloned so that the copy owns its own.
    ComPtr<IFontDisp> text = textFont_ ? CloneFont(textFont_.Get()) : nullptr;
    ComPtr<IFontDisp> symbol = symbolFont_ ? CloneFont(symbolFont_.Get()) : nullptr;
    static_cast<StyleValues&>(*copy) = *this;
    copy->textFont_ = text;
    copy->symbolFont_ = symbol;
    return copy;
}

ComPtr<Style> Style::CopyOf(Style* source) {
    return source ? source->Clone() : platform::MakeObject<Style>();
}

IFont* Style::TextFont() {
    if (!textFont_) textFont_ = NewFont(L"Arial", 120000);
    ComPtr<IFont> font;
    textFont_.As(font);
    return font.Get();  // held by textFont_
}

HFONT Style::CreateTextFont() {
    LOGFONTW lf = {};
    lf.lfHeight = -16;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy(lf.lfFaceName, L"Arial");
    if (IFont* font = TextFont()) {
        BSTR name = nullptr;
        if (SUCCEEDED(font->get_Name(&name)) && name) {
            wcsncpy(lf.lfFaceName, name, LF_FACESIZE - 1);
            ::SysFreeString(name);
        }
        CY size = {};
        // Points to pixels at 96 per inch.
        if (SUCCEEDED(font->get_Size(&size)) && size.int64 > 0) lf.lfHeight = -static_cast<LONG>(size.int64 * 96 / 720000);
        BOOL on = FALSE;
        if (SUCCEEDED(font->get_Bold(&on)) && on) lf.lfWeight = FW_BOLD;
        if (SUCCEEDED(font->get_Italic(&on))) lf.lfItalic = on ? TRUE : FALSE;
        if (SUCCEEDED(font->get_Underline(&on))) lf.lfUnderline = on ? TRUE : FALSE;
    }
    return ::CreateFontIndirectW(&lf);
}

std::wstring Style::Serialise() {
    wchar_t buf[160];
    std::swprintf(buf, 160, L"%ld %ld %ld %ld %d %d", lineColor_, regionColor_, symbolFontColor_, textFontColor_,
                  static_cast<int>(lineWidth_), static_cast<int>(symbolCharacter_));
    return buf;
}

void Style::Deserialise(const std::wstring& text) {
    long line = lineColor_, region = regionColor_, symbol = symbolFontColor_, textColor = textFontColor_;
    int width = lineWidth_, character = symbolCharacter_;
    if (std::swscanf(text.c_str(), L"%ld %ld %ld %ld %d %d", &line, &region, &symbol, &textColor, &width, &character) == 6) {
        lineColor_ = line;
        regionColor_ = region;
        symbolFontColor_ = symbol;
        textFontColor_ = textColor;
        lineWidth_ = static_cast<short>(width);
        symbolCharacter_ = static_cast<short>(character);
    }
}

}  // namespace mapengine
