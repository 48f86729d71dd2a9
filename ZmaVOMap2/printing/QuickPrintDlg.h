// The "Print Map" sheet: the quick-print settings of one print layout on three pages (map,
// legend, title), the exchange of every setting between the host's print settings and the
// pages, and the page area that the title and the legend leave for the map.
//
// Use: construct; set the view width, the map's distance unit, the window size and the printable
// page size; LoadSettings; DoModal; on IDOK StoreSettings. The title text is not a setting of the
// print settings: the caller moves it through the title page.
#pragma once

#include "ZmaVOMap2/printing/QuickPrintLegendPage.h"
#include "ZmaVOMap2/printing/QuickPrintMapPage.h"
#include "ZmaVOMap2/printing/QuickPrintTitlePage.h"
#include "platform/Com.h"

#include <olectl.h>

#include <memory>

class CQuickPrintDlg {
public:
    // `printLegend` (may be null) is kept by the legend page and measured for the page area.
    CQuickPrintDlg(HWND parent, IUnknown* printLegend);
    ~CQuickPrintDlg();
    CQuickPrintDlg(const CQuickPrintDlg&) = delete;
    CQuickPrintDlg& operator=(const CQuickPrintDlg&) = delete;

    // IDOK when the user closed the sheet with OK, else IDCANCEL (-1 when it could not be shown).
    INT_PTR DoModal();

    // The width of the map's view in its distance unit (the engine's zoom).
    void SetViewWidth(double width) noexcept { viewWidth_ = width; }
    double ViewWidth() const noexcept { return viewWidth_; }
    // The engine's distance unit code of the map.
    void SetMapDistanceUnit(long unit) noexcept { mapUnit_ = unit; }
    long MapDistanceUnit() const noexcept { return mapUnit_; }
    // The printable part of the paper and the map window on paper, in 0.01 mm.
    void SetPrintableSize(SIZE size) noexcept { printable_ = size; }
    void SetWindowSize(SIZE size) noexcept { mapPage_.SetWindowSize(size); }

    // Every page field from the settings. False, with nothing read, for an object that is not
    // print settings; false when the settings have no title font (its colour is then not read).
    // A failed read raises its COM error.
    bool LoadSettings(IUnknown* settings);
    // Every page field into the settings, as LoadSettings; true when the title font was written.
    bool StoreSettings(IUnknown* settings);

    // The part of the printable page left for the map below or above the title and beside the
    // legend, in 0.01 mm, never below 0. The title page and the legend page are asked as their
    // controls stand while their windows exist.
    SIZE ComputeMapArea();

    CQuickPrintMapPage& MapPage() noexcept { return mapPage_; }
    CQuickPrintLegendPage& LegendPage() noexcept { return legendPage_; }
    CQuickPrintTitlePage& TitlePage() noexcept { return titlePage_; }
    // A page was applied: the sheet closes with OK.
    void NoteApplied() noexcept { applied_ = true; }

private:
    class SheetWindow;
    static int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM lp);
    void OnOk();
    void ReadTitleFont(IFont& font);
    void WriteTitleFont(IFont& font);
    long TitleBlockHeight();
    QuickPrintPage* Pages(int index) noexcept;

    HWND parent_;
    CQuickPrintMapPage mapPage_;
    CQuickPrintLegendPage legendPage_;
    CQuickPrintTitlePage titlePage_;
    std::unique_ptr<SheetWindow> window_;
    bool applied_ = false;
    double viewWidth_ = 0.0;
    long mapUnit_ = 0;
    SIZE printable_ = {0, 0};
};
