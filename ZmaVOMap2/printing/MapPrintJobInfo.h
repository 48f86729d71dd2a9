// A print job of the map: the printer and settings it prints with, the page layout it computes
// from the host's print settings (title, map, legend, scale block and how many sheets they need),
// and the drawing of each page. Layout: MapPrintJobInfo_Layout.cpp; pages: MapPrintJobInfo_Page.cpp.
#pragma once

#include "ZmaVOMap2/printing/MapPageLayout.h"
#include "ZmaVOMap2/printing/PrintJobInfo.h"
#include "ZmaVOMap2/printing/PrinterHandles.h"

#include <memory>
#include <string>

class CZmaVadAZInfoDisplay;
struct IPrintableMap;

class MapPrintJobInfo : public PrintJobInfo {
public:
    MapPrintJobInfo();
    MapPrintJobInfo(const MapPrintJobInfo& other);
    MapPrintJobInfo& operator=(const MapPrintJobInfo&) = delete;
    ~MapPrintJobInfo() override;

    // PrintJobInfo
    void BeginPrintJob(HDC dc) override;
    void EndPrintJob(HDC dc, bool aborted) override;
    void PrePrintPage(UINT page, HDC dc) override;
    bool PrintPage(UINT page, HDC dc) override;
    void PostPrintPage(UINT page, HDC dc) override;
    DEVMODEW* GetNewDevModeForPage(UINT oldPage, UINT newPage) override;
    bool IsValidPage(UINT page) override;
    std::unique_ptr<PrintJobInfo> Clone() const override;
    // The sheets (at most UINT_MAX), laying the job out first when it changed.
    UINT GetPageCount() override;
    std::wstring GetJobName() override;
    // The sheets the job needs, however many.
    virtual unsigned long long SheetCount();

    // Setters; each but SetProgressCallback makes the next page query lay the job out again.
    // Copies the DEVMODE, opens the printer the DEVNAMES names and reads its paper size; false
    // when the printer does not open.
    bool SetPrinter(HGLOBAL devMode, HGLOBAL devNames);
    // Keeps the object's IMapPrintSettings (null or an object without it clears the held one; any
    // other failure of the query is raised); answers whether settings are held.
    bool SetPrintSettings(IUnknown* settings);
    void SetTitle(const std::wstring& title);
    // The map's size on paper for this job (0.01 mm), used in place of the settings' width and
    // height without changing them.
    void SetMapExtent(SIZE extent);
    // The settings' width and height again.
    void ClearMapExtent();
    // The map control's and the print legend's view objects: E_POINTER for null, E_NOINTERFACE
    // without IViewObjectEx.
    HRESULT SetMapView(IUnknown* view);
    HRESULT SetLegendView(IUnknown* view);
    void SetProgressCallback(ProgressCallback* callback) noexcept { progress_ = callback; }

    HANDLE GetPrinter() const noexcept { return printer_.Get(); }
    const std::wstring& GetPrinterName() const noexcept { return printerName_; }
    const DevModeHolder& GetDevMode() const noexcept { return devMode_; }
    const MapPageLayout& Layout() const noexcept { return layout_; }
    bool IsDirty() const noexcept { return dirty_; }

    // Lays the job out on the printer (see the .cpp); false when there is no printer, DEVMODE,
    // printer DC, map view or settings object.
    bool LayoutPage();

protected:
    MapPageLayout& MutableLayout() noexcept { return layout_; }

private:
    struct PartSizes;
    int LayoutPass(HDC dc);
    PartSizes MeasureParts(HDC dc, const PageSettings& page, long angle);
    SIZE MeasureLegend(HDC dc, const PageSettings& page, long angle, SIZE space);
    void LayOutAgainIfDirty();

    // Where a page's parts go: the page's rectangle on the virtual sheet, the printable area in
    // the DC's coordinates (the clip of every part) and the move from the one to the other.
    struct PagePlacement {
        RECT page;
        RECT origin;
        POINT shift;
        int sign;
        RECT Device(const RECT& part) const;
    };
    void DrawTitle(HDC dc, const PageSettings& page, HFONT font, const PagePlacement& at);
    void DrawMap(HDC dc, const PageSettings& page, const PagePlacement& at);
    void PrintEngineMap(HDC dc, const PageSettings& page, IPrintableMap& control, IDispatch* engine,
                        const RECT& device, int sign);
    void DrawLegend(HDC dc, const PageSettings& page, const PagePlacement& at);

    int savedState_ = 0;
    MapPageLayout layout_;
    UniquePrinter printer_;
    std::wstring printerName_;
    DevModeHolder devMode_;
    bool dirty_ = true;
    ProgressCallback* progress_ = nullptr;
    std::unique_ptr<CZmaVadAZInfoDisplay> infoDisplay_;
};
