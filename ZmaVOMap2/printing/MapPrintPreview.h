// The print preview window: a top-level frame that shows the pages of one print job one at a
// time (each page drawn into an enhanced metafile over the printer's device context), with a
// toolbar and keys to move between pages, print the job, switch the quick-print layout or run
// the printer set-up, and a status bar that says which page is shown.
//
// The window owns its job: closing the window deletes it, and a page being drawn while the
// window closes finishes on a job that goes right after. Printing hands the map a copy. The map
// it serves is reached through PrintPreviewHost; Detach forgets it (and closes the window), after
// which print, layout and set-up do nothing. No exception leaves the window procedures: a failure
// is logged and the window keeps working.
#pragma once

#include "ZmaVOMap2/printing/MapPrintJobInfo.h"
#include "platform/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

// What the preview asks of the map it serves.
class PrintPreviewHost {
public:
    // Prints a job (a copy of the previewed one) with the progress dialog; failures are raised.
    virtual void PrintJobCopy(std::unique_ptr<MapPrintJobInfo> job) = 0;
    virtual long CurrentLayout() = 0;
    // Selects a quick-print layout; false when the switch failed.
    virtual bool SelectLayout(long layout) = 0;
    virtual bool PreparePrintJob(MapPrintJobInfo& job) = 0;
    // The printer set-up for the job over `owner`; true when the user confirmed it.
    virtual bool PageSetupThenPrepare(MapPrintJobInfo& job, HWND owner) = 0;
    virtual std::wstring QuickPrintTitle() = 0;

protected:
    ~PrintPreviewHost() = default;
};

class CMapPrintPreview : public std::enable_shared_from_this<CMapPrintPreview> {
public:
    static constexpr const wchar_t* kFrameClass = L"VadAZ_MapPrintPreview";
    static constexpr const wchar_t* kPageClass = L"WTL_PrintPreview";

    // Takes the job over; `host` may be null.
    CMapPrintPreview(std::unique_ptr<MapPrintJobInfo> job, PrintPreviewHost* host);
    ~CMapPrintPreview();
    CMapPrintPreview(const CMapPrintPreview&) = delete;
    CMapPrintPreview& operator=(const CMapPrintPreview&) = delete;

    // Creates the frame (no parent, maximised and shown, caption "Print Preview"); false, with
    // the job deleted, when it cannot be created.
    bool Create();
    // Forgets the host and closes the window.
    void Detach() noexcept;
    HWND Handle() const noexcept { return frame_; }
    int CurrentPage() const noexcept { return current_; }
    int LastPage() const noexcept { return last_; }

private:
    static LRESULT CALLBACK FrameProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK PageProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool OnFrameMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool OnCreate();
    void CreateToolbar();
    void OnCommand(UINT command);
    bool OnKey(WPARAM key);
    void ShowSetupMenu(const NMTOOLBARW& button);
    void Print();
    void ChangeLayout(long layout);
    void Refresh();
    void ShowPage(int page);
    void RenderPage();
    void UpdateControls();
    void LayOut();
    void PaintPage(HDC dc, const RECT& client);
    void OnDestroy() noexcept;

    std::shared_ptr<MapPrintJobInfo> job_;
    PrintPreviewHost* host_;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    HIMAGELIST images_ = nullptr;
    platform::UniqueHEnhMetaFile metafile_;
    SIZE paper_ = {};  // 0.01 mm
    int current_ = 0;
    int last_ = -1;
};
