// A batch print: one map per page layer in one document, each with its page layer shown, the
// other page layers and every unlisted measurement layer hidden, the layers listed for all pages
// shown, and the page layer's name as the title. An entry may need several sheets (pages across
// and down); the document's pages are all entries' sheets one after the other.
//
// The layers' visibility changes only while the job measures its entries (with
// LayerVisibilityChanged held back from the host) and while it prints pages; each measure and
// each print run ends with every layer as it found it, however the run ends (finished,
// cancelled, failed), and so does the destruction of a job in the middle of a run.
#pragma once

#include "ZmaVOMap2/printing/BatchPrintLayers.h"
#include "ZmaVOMap2/printing/MapPrintJobInfo.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class MapBatchPrintJobInfo : public MapPrintJobInfo {
public:
    MapBatchPrintJobInfo() = default;
    // A copy that shares the layers and starts with no run of its own.
    MapBatchPrintJobInfo(const MapBatchPrintJobInfo& other);
    MapBatchPrintJobInfo& operator=(const MapBatchPrintJobInfo&) = delete;
    ~MapBatchPrintJobInfo() override;

    // The layers (shared with the job's copies; null prints every entry with the layers as they
    // are), the page layers in print order and the layers shown on every page, by name.
    void SetPages(std::shared_ptr<BatchPrintLayers> layers, std::vector<std::wstring> pageLayers,
                  std::vector<std::wstring> allPagesLayers);

    void PrePrintPage(UINT page, HDC dc) override;
    bool PrintPage(UINT page, HDC dc) override;
    void EndPrintJob(HDC dc, bool aborted) override;
    std::unique_ptr<PrintJobInfo> Clone() const override;
    // The sum of the entries' sheets, measuring them first when the job changed.
    UINT GetPageCount() override;
    unsigned long long SheetCount() override;
    std::wstring GetJobName() override;

    // The entry of a document page and the sheet within it; (0, 0) beyond the last entry.
    std::pair<size_t, UINT> EntryOfPage(UINT page) const;
    const std::vector<UINT>& SheetsPerEntry() const noexcept { return sheets_; }

private:
    using Visibility = std::vector<std::pair<std::wstring, bool>>;
    Visibility CurrentVisibility();
    void Restore(const Visibility& saved) noexcept;
    // Every measurement layer as page `entry` shows it; the entry's layer names the job.
    void ShowEntry(size_t entry);
    void MeasureEntries();
    // Puts back what the current print run changed.
    void EndRun() noexcept;
    bool Listed(const std::vector<std::wstring>& names, const std::wstring& name) const;

    std::shared_ptr<BatchPrintLayers> layers_;
    std::vector<std::wstring> pageLayers_;
    std::vector<std::wstring> allPagesLayers_;
    std::vector<UINT> sheets_;
    unsigned long long totalSheets_ = 0;
    bool measured_ = false;
    // The visibility before the current print run's first page.
    std::optional<Visibility> beforeRun_;
};
