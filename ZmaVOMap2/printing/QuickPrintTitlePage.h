// The "Title" page of the "Print Map" sheet: the title text, whether it is printed, above or
// below the map, framed or not, its alignment, font and colour.
#pragma once

#include "ZmaVOMap2/printing/QuickPrintPage.h"

#include <string>

class CQuickPrintTitlePage : public QuickPrintPage {
public:
    enum Alignment : long { kLeft = 0, kCentre = 1, kRight = 2 };
    static constexpr size_t kLongestTitle = 512;

    explicit CQuickPrintTitlePage(CQuickPrintDlg& sheet);

    // The stored title, and the one the edit shows while the window exists.
    const std::wstring& Title() const noexcept { return title_; }
    void SetTitle(const std::wstring& title) { title_ = title; }
    std::wstring CurrentTitle() const;
    bool PrintTitle() const noexcept { return printTitle_; }
    void SetPrintTitle(bool on) noexcept { printTitle_ = on; }
    bool CurrentlyPrinted() const;
    bool AboveMap() const noexcept { return above_; }
    void SetAboveMap(bool on) noexcept { above_ = on; }
    bool Border() const noexcept { return border_; }
    void SetBorder(bool on) noexcept { border_ = on; }
    long Alignment() const noexcept { return alignment_; }
    void SetAlignment(long alignment) noexcept { alignment_ = alignment; }
    // The font, its height in the logical units of the screen (negative: a character height).
    const LOGFONTW& Font() const noexcept { return font_; }
    void SetFont(const LOGFONTW& font) noexcept { font_ = font; }
    COLORREF Colour() const noexcept { return colour_; }
    void SetColour(COLORREF colour) noexcept { colour_ = colour; }

    void ControlsToFields() override;

protected:
    BOOL OnInitDialog() override;
    void OnCommand(int id, int code) override;
    bool OnNotify(const NMHDR& header, INT_PTR& result) override;
    void UpdateEnabling() override;

private:
    void FieldsToControls();
    void ChooseTitleFont();

    std::wstring title_;
    bool printTitle_ = true;
    bool above_ = true;
    bool border_ = false;
    long alignment_ = kLeft;
    LOGFONTW font_ = {};
    COLORREF colour_ = RGB(0, 0, 0);
};
