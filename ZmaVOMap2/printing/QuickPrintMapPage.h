// The "Map" page of the "Print Map" sheet: how large the printed map is (the map window's size,
// the page area left by title and legend, or a custom width and height) and what it shows
// (exactly the window's view, or a view centred on the window at a chosen scale). It keeps the
// printed width, height and the scale ("1 cm =" so many map units) consistent while the user
// edits any of them; the scale can also be picked from the host's list of scales.
#pragma once

#include "ZmaVOMap2/printing/QuickPrintPage.h"
#include "ZmaVOMap2/printing/QuickPrintUnits.h"
#include "ZmaVOMap2/services/NumberEdit.h"
#include "ZmaVOMap2/services/NumberInput.h"

#include <vector>

class CQuickPrintMapPage : public QuickPrintPage {
public:
    enum SizeMode : long { kWindowSize = 0, kFitToPage = 1, kCustomSize = 2 };

    // The page creates the host's unit converter and reads the host's preset scales.
    explicit CQuickPrintMapPage(CQuickPrintDlg& sheet);

    long SizeMode() const noexcept { return sizeMode_; }
    void SetSizeMode(long mode) noexcept { sizeMode_ = mode; }
    // 1 when the printed view is centred on the window at the scale, 0 when it is the window's view.
    long ContentCentred() const noexcept { return contentCentred_; }
    void SetContentCentred(long centred) noexcept { contentCentred_ = centred; }
    SIZE CustomSize() const noexcept { return custom_; }
    // A side below the smallest printed map's becomes the smallest map's; the other side stays.
    void SetCustomSize(SIZE size);
    // Map distance units per printed centimetre (inch).
    double Scale() const noexcept { return scale_; }
    // The scale of a denominator 1:N (none for N of 0).
    void SetScaleDenominator(unsigned long denominator);
    // The denominator of the scale, the nearest whole number.
    long ScaleDenominator() const;
    bool PrintBorder() const noexcept { return border_ != 0; }
    void SetPrintBorder(bool on) noexcept { border_ = on ? 1 : 0; }
    // Taken only when both sides are at least 1.
    void SetWindowSize(SIZE size) noexcept;

    void ControlsToFields() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnCommand(int id, int code) override;
    bool OnNotify(const NMHDR& header, INT_PTR& result) override;
    void UpdateEnabling() override;

private:
    void LoadScales();
    void FillPresets();
    void FieldsToControls();
    bool OnKillActive();
    // A custom side the edit holds, from the smallest printed map's to the largest; false, with
    // the user told and the edit focused, for anything else.
    bool CheckLength(int id, long minimum, const wchar_t* side);
    // Whether the user may type a scale: a custom size, no preset chosen, and a scale that is one.
    bool ScaleIsEditable() const;
    // The scales the print settings hold, 1:1 to 1:LONG_MAX, in map units per paper unit.
    NumberRange ScaleRange() const;

    void OnWindowSize();
    void OnFitToPage();
    void OnCustom();
    void OnSameAsWindow();
    void OnCentred();
    void OnPresetChosen();

    // The window's shape (1 for a window without height).
    double Aspect() const;
    long MapUnitCode() const;
    double ViewWidth() const;
    // The scale the shown size gives, or the scale as it is when the size does not decide it.
    double ScaleFromSize();
    double ScaleFromWidth();
    void ApplyScale(double scale);
    void SelectScalePreset(double scale);
    void SelectPreset(long index);
    unsigned long SelectedPreset() const;
    void ShowSize(SIZE size);

    QuickPrintUnits units_;
    long sizeMode_ = kWindowSize;
    long contentCentred_ = 0;
    long previousContent_ = 0;
    SIZE custom_ = {0, 0};
    double scale_ = 0.0;
    bool scaleInvalid_ = false;
    long border_ = 0;
    SIZE window_ = {0, 0};
    std::vector<unsigned long> scales_;
    CNumberEdit width_{2}, height_{2}, scaleEdit_{9};
};
