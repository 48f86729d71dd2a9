// The printer set-up: the system's page set-up dialog with the margins of the host's print
// settings (shown in the user's measurement system), sample pages of a printed map in place of
// its greeked text, and an "Options..." button that opens the "Print Map" sheet on the same
// settings. OK writes the margins and the orientation into the settings and saves them.
#pragma once

#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <windows.h>
#include <commdlg.h>

#include <memory>
#include <string>

// What the set-up needs of the map: the engine map (its zoom and distance unit for the sheet's
// scale), the host's print legend, the map window's size on paper and the quick-print title.
class PrintSetupHost {
public:
    virtual IDispatch* EngineMap() = 0;
    virtual IUnknown* PrintLegend() = 0;
    // 0.01 mm; may raise.
    virtual SIZE MapOnPaper() = 0;
    virtual std::wstring QuickPrintTitle() = 0;
    virtual void SetQuickPrintTitle(const std::wstring& title) = 0;

protected:
    ~PrintSetupHost() = default;
};

class CPrinterSetupDlg {
public:
    // Raises E_POINTER without settings, and the settings' failure when the margins cannot be read.
    CPrinterSetupDlg(HWND owner, PrintSetupHost& host, IMapPrintSettings* settings);
    ~CPrinterSetupDlg();
    CPrinterSetupDlg(const CPrinterSetupDlg&) = delete;
    CPrinterSetupDlg& operator=(const CPrinterSetupDlg&) = delete;

    // IDOK or IDCANCEL. A failure of the settings while the dialog closed with OK is raised here,
    // after the dialog has gone; so is a dialog that could not be shown.
    INT_PTR DoModal();

    // The printer the dialog starts with; takes over both handles (either may be null).
    void SetPrinter(HGLOBAL devMode, HGLOBAL devNames) noexcept;

    // The printer and paper the user chose (owned by the dialog).
    HGLOBAL DevMode() const noexcept { return setup_.hDevMode; }
    HGLOBAL DevNames() const noexcept { return setup_.hDevNames; }
    // The margins the dialog shows and the paper's size, in 0.01 mm.
    RECT Margins() const;
    SIZE PaperSize() const;
    // The "Print Map" sheet was closed with OK and its settings stored.
    bool OptionsChanged() const noexcept { return optionsChanged_; }

private:
    static UINT_PTR CALLBACK SetupHook(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
    static UINT_PTR CALLBACK PaintHook(HWND window, UINT msg, WPARAM wp, LPARAM lp);
    bool ShowsInches() const;
    void AddOptionsButton(HWND dialog);
    void OnOptions(HWND dialog);
    void OnOk();

    PrintSetupHost& host_;
    platform::ComPtr<IUnknown> legend_;
    platform::ComPtr<IMapPrintSettings> settings_;
    PAGESETUPDLGW setup_ = {};
    bool optionsChanged_ = false;
    std::unique_ptr<platform::ComError> failure_;
};
