// The "Legend" page of the "Print Map" sheet: whether the legend is printed, whether it may lie
// over the map (then in one of four corners) or beside it (on one of four sides), and whether it
// has a fixed size. A picture of a page with eight position buttons around it shows the choice.
#pragma once

#include "ZmaVOMap2/printing/BitmapButton.h"
#include "ZmaVOMap2/printing/QuickPrintPage.h"
#include "platform/Com.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

class CQuickPrintLegendPage : public QuickPrintPage {
public:
    CQuickPrintLegendPage(CQuickPrintDlg& sheet, IUnknown* printLegend);
    ~CQuickPrintLegendPage() override;

    bool ShowLegend() const noexcept { return show_; }
    void SetShowLegend(bool on) noexcept { show_ = on; }
    bool Overlap() const noexcept { return overlap_; }
    void SetOverlap(bool on) noexcept { overlap_ = on; }
    bool FixedSize() const noexcept { return fixed_; }
    void SetFixedSize(bool on) noexcept { fixed_ = on; }
    // Degrees counter-clockwise from the right, a multiple of 45.
    long Position() const noexcept { return position_; }
    // Taken only for a multiple of 45 below 360; a corner (not a multiple of 90) lets the legend
    // overlap the map.
    void SetPosition(long degrees) noexcept;
    // The position the controls show while the window exists, else the field.
    long CurrentPosition() const;
    // Whether the legend is shown and beside the map, as the controls say while the window exists.
    bool CurrentlyShown() const;
    bool CurrentlyOverlapping() const;
    // The legend's size when it is measured with one side preset (0.01 mm); {0, 0} without a legend.
    SIZE MeasureLegend(SIZE preset) const;

    void ControlsToFields() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnCommand(int id, int code) override;
    void UpdateEnabling() override;
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void FieldsToControls();
    void LoadPicture();
    void Paint();
    long AngleOfControls() const;
    // The checked button's place in the corner or the side group; -1 when none is checked.
    int CheckedIndex(bool corners) const;

    platform::ComPtr<IUnknown> legend_;
    bool show_ = false;
    bool overlap_ = true;
    bool fixed_ = true;
    long position_ = 225;
    ZmoBitmapButton buttons_[8];
    HIMAGELIST images_[3] = {};
    HBITMAP picture_ = nullptr;
    HDC pictureDc_ = nullptr;
    HGDIOBJ pictureOld_ = nullptr;
    SIZE pictureSize_ = {};
    RECT pictureRect_ = {};
};
