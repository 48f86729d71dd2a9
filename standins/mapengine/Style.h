// The style object (also a class of its own): line, region, symbol and text attributes, with
// two OLE fonts. The style dialogs show no window (see Faults.h for their answer).
#pragma once

#include "standins/mapengine/EngineObject.h"

#include "MapEngine.h"

#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace mapengine {

// The plain values of a style (copied as a whole by Clone).
struct StyleValues {
    short symbolCharacter_ = 35;
    long lineColor_ = 0;
    short lineStyle_ = 2;
    short lineWidth_ = 1;
    long regionColor_ = 0xFFFFFF;
    short regionPattern_ = 2;
    long regionBackColor_ = 0xFFFFFF;
    short regionBorderStyle_ = 2;
    long regionBorderColor_ = 0;
    short regionBorderWidth_ = 1;
    long textFontColor_ = 0;
    long textFontBackColor_ = 0xFFFFFF;
    long symbolFontColor_ = 0;
    long symbolFontBackColor_ = 0xFFFFFF;
    bool symbolFontOpaque_ = false;
    bool textFontOpaque_ = false;
    bool symbolFontHalo_ = false;
    bool symbolFontShadow_ = false;
    bool textFontHalo_ = false;
    bool textFontShadow_ = false;
    bool textFontAllCaps_ = false;
    bool textFontDblSpace_ = false;
    bool symbolBitmapTransparent_ = false;
    bool symbolBitmapOverrideColor_ = false;
    long symbolBitmapColor_ = 0;
    std::wstring symbolBitmapName_;
    long symbolBitmapSize_ = 12;
    short symbolFontRotation_ = 0;
    bool regionTransparent_ = false;
    bool lineInterleaved_ = false;
    long lineWidthUnit_ = 0;
    long regionBorderWidthUnit_ = 0;
    short textFontRotation_ = 0;
};

class Style : public EngineComObject<Style>, private StyleValues {
    friend class MemberTable<Style>;

public:
    static constexpr const wchar_t* kName = L"Style";
    static const IID& DispInterfaceId() { return DIID_DStyle; }
    static const MemberTable<Style>& Members();

    platform::ComPtr<Style> Clone();
    // The style a caller gave, copied, or a new default style when none was given.
    static platform::ComPtr<Style> CopyOf(Style* source);

    // For drawing.
    COLORREF LineColor() const noexcept { return static_cast<COLORREF>(lineColor_); }
    int LineWidth() const noexcept { return lineWidth_; }
    COLORREF RegionColor() const noexcept { return static_cast<COLORREF>(regionColor_); }
    bool RegionTransparent() const noexcept { return regionTransparent_; }
    COLORREF RegionBorderColor() const noexcept { return static_cast<COLORREF>(regionBorderColor_); }
    COLORREF SymbolColor() const noexcept { return static_cast<COLORREF>(symbolFontColor_); }
    COLORREF TextColor() const noexcept { return static_cast<COLORREF>(textFontColor_); }
    // A GDI font of the text font; the caller deletes it.
    HFONT CreateTextFont();

    // Table files keep a few attributes of a feature's style.
    std::wstring Serialise();
    void Deserialise(const std::wstring& text);

private:
    void GetFont(Call& c, platform::ComPtr<IFontDisp>& font);
    void GetTextFont(Call& c) { GetFont(c, textFont_); }
    void GetSymbolFont(Call& c) { GetFont(c, symbolFont_); }
    void Pick(Call& c);
    void CloneMember(Call& c);
    void GetSupportsInterleave(Call& c);
    IFont* TextFont();

    platform::ComPtr<IFontDisp> textFont_;
    platform::ComPtr<IFontDisp> symbolFont_;
};

}  // namespace mapengine
