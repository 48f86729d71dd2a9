#include "ZmaVOMap2/printing/MapBatchPrintJobInfo.h"

#include "ZmaVOMap2/printing/PrintingResource.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>
#include <climits>

namespace {

// Holds LayerVisibilityChanged back from the host for a scope.
class SuppressedEvents {
public:
    explicit SuppressedEvents(BatchPrintLayers* layers) noexcept : layers_(layers) {
        if (layers_) layers_->SuppressVisibilityEvents(true);
    }
    ~SuppressedEvents() {
        if (layers_) layers_->SuppressVisibilityEvents(false);
    }
    SuppressedEvents(const SuppressedEvents&) = delete;
    SuppressedEvents& operator=(const SuppressedEvents&) = delete;

private:
    BatchPrintLayers* layers_;
};

UINT AtMostUint(unsigned long long count) { return static_cast<UINT>(std::min<unsigned long long>(count, UINT_MAX)); }

// Counts of sheets add up to the largest count at most, never round through zero.
unsigned long long SumOf(unsigned long long a, unsigned long long b) { return a > ULLONG_MAX - b ? ULLONG_MAX : a + b; }

}  // namespace

MapBatchPrintJobInfo::MapBatchPrintJobInfo(const MapBatchPrintJobInfo& other)
    : MapPrintJobInfo(other),
      layers_(other.layers_),
      pageLayers_(other.pageLayers_),
      allPagesLayers_(other.allPagesLayers_),
      sheets_(other.sheets_),
      totalSheets_(other.totalSheets_),
      measured_(other.measured_) {}

MapBatchPrintJobInfo::~MapBatchPrintJobInfo() { EndRun(); }

void MapBatchPrintJobInfo::SetPages(std::shared_ptr<BatchPrintLayers> layers, std::vector<std::wstring> pageLayers,
                                    std::vector<std::wstring> allPagesLayers) {
    EndRun();
    layers_ = std::move(layers);
    pageLayers_ = std::move(pageLayers);
    allPagesLayers_ = std::move(allPagesLayers);
    sheets_.clear();
    measured_ = false;
}

bool MapBatchPrintJobInfo::Listed(const std::vector<std::wstring>& names, const std::wstring& name) const {
    return std::find(names.begin(), names.end(), name) != names.end();
}

MapBatchPrintJobInfo::Visibility MapBatchPrintJobInfo::CurrentVisibility() {
    Visibility saved;
    if (!layers_) return saved;
    for (const BatchPrintLayer& layer : layers_->DataLayers()) saved.emplace_back(layer.key, layer.visible);
    return saved;
}

// Layers that went meanwhile are skipped, layers that came are left as they are, and a layer
// that cannot be put back does not keep the others from it (its failure is logged).
void MapBatchPrintJobInfo::Restore(const Visibility& saved) noexcept {
    try {
        if (!layers_) return;
        for (const BatchPrintLayer& layer : layers_->DataLayers()) {
            auto was = std::find_if(saved.begin(), saved.end(), [&](const auto& s) { return s.first == layer.key; });
            if (was == saved.end() || was->second == layer.visible) continue;
            try {
                layers_->SetVisible(layer.key, was->second);
            }
            COM_CATCH_LOG();
        }
    }
    COM_CATCH_LOG();
}

void MapBatchPrintJobInfo::ShowEntry(size_t entry) {
    if (!layers_) return;
    const std::wstring* pageLayer = entry < pageLayers_.size() ? &pageLayers_[entry] : nullptr;
    const std::vector<BatchPrintLayer> layers = layers_->DataLayers();
    for (const BatchPrintLayer& layer : layers) {
        const bool shown = (pageLayer && layer.name == *pageLayer) || Listed(allPagesLayers_, layer.name);
        if (shown != layer.visible) layers_->SetVisible(layer.key, shown);
    }
    // A page layer that is not there prints under the title the job had.
    if (pageLayer && std::any_of(layers.begin(), layers.end(), [&](const auto& l) { return l.name == *pageLayer; }))
        SetTitle(*pageLayer);
}

void MapBatchPrintJobInfo::MeasureEntries() {
    SuppressedEvents quiet(layers_.get());
    sheets_.clear();
    totalSheets_ = 0;
    const Visibility before = CurrentVisibility();
    // The layers are put back whatever way the measuring ends.
    struct PutBack {
        MapBatchPrintJobInfo& job;
        const Visibility& saved;
        ~PutBack() { job.Restore(saved); }
    } putBack{*this, before};

    VARIANT_BOOL fixedLegend = VARIANT_FALSE;
    if (const auto& settings = Layout().settings) THROW_IF_FAILED(settings->get_FixedLegendSize(&fixedLegend));
    if (fixedLegend == VARIANT_TRUE && !pageLayers_.empty()) {
        // With a legend of a fixed size every entry needs the sheets of the first.
        ShowEntry(0);
        const unsigned long long sheets = MapPrintJobInfo::SheetCount();
        sheets_.assign(pageLayers_.size(), AtMostUint(sheets));
        for (size_t entry = 0; entry < pageLayers_.size(); ++entry) totalSheets_ = SumOf(totalSheets_, sheets);
    } else {
        for (size_t entry = 0; entry < pageLayers_.size(); ++entry) {
            ShowEntry(entry);
            const unsigned long long sheets = MapPrintJobInfo::SheetCount();
            sheets_.push_back(AtMostUint(sheets));
            totalSheets_ = SumOf(totalSheets_, sheets);
        }
    }
    measured_ = true;
}

UINT MapBatchPrintJobInfo::GetPageCount() { return AtMostUint(SheetCount()); }

unsigned long long MapBatchPrintJobInfo::SheetCount() {
    if (!measured_ || IsDirty()) MeasureEntries();
    return totalSheets_;
}

std::pair<size_t, UINT> MapBatchPrintJobInfo::EntryOfPage(UINT page) const {
    for (size_t entry = 0; entry < sheets_.size(); ++entry) {
        if (page < sheets_[entry]) return {entry, page};
        page -= sheets_[entry];
    }
    return {0, 0};
}

void MapBatchPrintJobInfo::PrePrintPage(UINT page, HDC dc) {
    MapPrintJobInfo::PrePrintPage(page, dc);
    if (!layers_) return;
    if (!beforeRun_) beforeRun_ = CurrentVisibility();
    ShowEntry(EntryOfPage(page).first);
}

bool MapBatchPrintJobInfo::PrintPage(UINT page, HDC dc) {
    // The page lays the job out again first: showing the entry changed its title.
    return MapPrintJobInfo::PrintPage(EntryOfPage(page).second, dc);
}

void MapBatchPrintJobInfo::EndPrintJob(HDC dc, bool aborted) {
    EndRun();
    MapPrintJobInfo::EndPrintJob(dc, aborted);
}

void MapBatchPrintJobInfo::EndRun() noexcept {
    if (!beforeRun_) return;
    const Visibility saved = std::move(*beforeRun_);
    beforeRun_.reset();
    Restore(saved);
}

std::unique_ptr<PrintJobInfo> MapBatchPrintJobInfo::Clone() const {
    return std::make_unique<MapBatchPrintJobInfo>(*this);
}

std::wstring MapBatchPrintJobInfo::GetJobName() {
    std::wstring name = platform::LoadStringResource(platform::Module::Instance(), IDS_PRINT_JOB_NAME);
    const size_t at = name.find(L"%s");
    if (at != std::wstring::npos) name.replace(at, 2, L"Batch Print");
    return name;
}
