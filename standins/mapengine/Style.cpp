#include "standins/mapengine/Style.h"

#include "standins/mapengine/Faults.h"

#include <cstdio>
#include <cwchar>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Style>& Style::Members() {
    static const MemberTable<Style> table = MemberTable<Style>()
        .Property(1, &Style::symbolCharacter_)
        .Property(2, &Style::lineColor_)
        .Property(3, &Style::lineStyle_)
        .Property(4, &Style::lineWidth_)
        .Property(5, &Style::regionColor_)
        .Property(6, &Style::regionPattern_)
        .Property(7, &Style::regionBackColor_)
        .Property(8, &Style::regionBorderStyle_)
        .Property(9, &Style::regionBorderColor_)
        .Property(10, &Style::regionBorderWidth_)
        .Get(11, &Style::GetTextFont)
        .Put(11, &Style::PutTextFont)
        .Get(12, &Style::GetSymbolFont)
        .Put(12, &Style::PutSymbolFont)
        .Property(13, &Style::textFontColor_)
        .Property(14, &Style::textFontBackColor_)
        .Property(15, &Style::symbolFontColor_)
        .Property(16, &Style::symbolFontBackColor_)
        .Property(17, &Style::symbolFontOpaque_)
        .Property(18, &Style::textFontOpaque_)
        .Property(19, &Style::symbolFontHalo_)
        .Property(20, &Style::symbolFontShadow_)
        .Property(21, &Style::textFontHalo_)
        .Property(22, &Style::textFontShadow_)
        .Property(23, &Style::textFontAllCaps_)
        .Property(24, &Style::textFontDblSpace_)
        .Method(25, &Style::Pick)
        .Method(26, &Style::Pick)
        .Method(27, &Style::Pick)
        .Method(28, &Style::Pick)
        .Method(29, &Style::CloneMember)
        .Property(33, &Style::symbolBitmapTransparent_)
        .Property(34, &Style::symbolBitmapOverrideColor_)
        .Property(35, &Style::symbolBitmapColor_)
        .Property(36, &Style::symbolBitmapName_)
        .Property(38, &Style::symbolBitmapSize_)
        .Property(40, &Style::symbolFontRotation_)
        .Property(43, &Style::regionTransparent_)
        .Property(44, &Style::lineInterleaved_)
        .Property(45, &Style::lineWidthUnit_)
        .Property(46, &Style::regionBorderWidthUnit_)
        .Get(47, &Style::GetSupportsInterleave)
        .Property(48, &Style::textFontRotation_);
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

void Style::PutFont(Call& c, ComPtr<IFontDisp>& font) {
    ComPtr<IDispatch> value = c.Dispatch(0);
    font = CloneFont(value.Get());
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
