#include "ZmaVOMap2/control/ControlPrinting.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/ControlEvents.h"
#include "ZmaVOMap2/control/EngineWindow.h"
#include "ZmaVOMap2/control/HostObjects.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/printing/BatchPrintDialog.h"
#include "ZmaVOMap2/printing/PrintableMapLink.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;

namespace {

void RequireSettings(MapPrinting& printing) {
    if (!printing.Layouts().Settings()) throw ComError(E_FAIL, L"The host's print settings are not available", L"VadAZ");
}

}  // namespace

// The measurement layers as batch printing sees them, the batch dialog's buttons, the preview
// window's questions, the page set-up's, and the batch and preview operations themselves.
class ControlPrinting::Link final : public BatchPrintLayers,
                                    public BatchPrintActions,
                                    public PrintPreviewHost,
                                    public PrintSetupHost,
                                    public std::enable_shared_from_this<ControlPrinting::Link> {
public:
    Link(ControlPrinting& printing, const ControlPrintingParts& parts)
        : printing_(printing), p_(parts), map_(platform::MakeObject<PrintableMapLink>(parts.printable)) {}
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The map as print jobs draw it: jobs (a preview's lives on) do not keep the control alive.
    IUnknown* MapView() const noexcept { return static_cast<IPrintableMap*>(map_.Get()); }
    // The control goes: the jobs that share this link find no map and no layers from now on.
    void Detach() noexcept {
        map_->Detach();
        attached_ = false;
    }

    // BatchPrintLayers
    std::vector<BatchPrintLayer> DataLayers() override {
        std::vector<BatchPrintLayer> found;
        CZmaVadAZLayerCollection* layers = attached_ ? p_.layers.Collection() : nullptr;
        if (!layers) return found;
        for (CZmaVadAZLayer* layer : layers->GetDataLayers()) {
            CZmaVadAZDataLayer* data = AsDataLayer(layer);
            if (!data) continue;
            found.push_back({platform::ToWide(data->GetName()), data->GetLayerKey(), data->IsVisible(),
                             data->GetBatchPrint(), data->GetPrintOnAllPages()});
        }
        return found;
    }
    void SetVisible(const std::wstring& key, bool visible) override {
        CZmaVadAZLayerCollection* layers = attached_ ? p_.layers.Collection() : nullptr;
        if (!layers || !p_.layers.Datasets()) return;
        for (CZmaVadAZLayer* layer : layers->GetDataLayers()) {
            CZmaVadAZDataLayer* data = AsDataLayer(layer);
            if (data && data->GetLayerKey() == key) return p_.layers.Datasets()->SetLayerVisible(layer, visible ? 1 : 0);
        }
    }
    void SuppressVisibilityEvents(bool suppress) noexcept override {
        if (CZmaVadAZLayerCollection* layers = attached_ ? p_.layers.Collection() : nullptr)
            layers->SetSuppressEvents(suppress);
    }

    // BatchPrintActions
    void PageSetup(HWND owner) override { printing_.PageSetup(owner); }
    void PreviewBatch(const std::vector<std::wstring>& pages, const std::vector<std::wstring>& allPages) override {
        RequireSettings(printing_);
        std::unique_ptr<MapBatchPrintJobInfo> job = printing_.NewBatchJob();
        job->SetPages(shared_from_this(), pages, allPages);
        ShowPrintPreview(std::move(job));
    }
    void EditAttributes() override {
        p_.events.Fire_EditAttributes();
        p_.view.RepaintIfUpdating(p_.engine);
    }

    // PrintPreviewHost
    void PrintJobCopy(std::unique_ptr<MapPrintJobInfo> job) override {
        // The control stays while its print runs, whatever the host does meanwhile.
        OperationScope operation(p_.operations);
        MapPrinting::PrintScope print(printing_);
        printing_.ExecutePrintJob(std::move(job));
    }
    long CurrentLayout() override { return printing_.Layouts().Current(); }
    bool SelectLayout(long layout) override {
        try {
            return SUCCEEDED(printing_.SelectQuickPrintLayout(layout));
        }
        COM_CATCH_LOG();
        return false;
    }
    bool PreparePrintJob(MapPrintJobInfo& job) override { return printing_.PreparePrintJob(job); }
    bool PageSetupThenPrepare(MapPrintJobInfo& job, HWND owner) override {
        return printing_.PageSetupThenPrepare(job, owner);
    }
    std::wstring QuickPrintTitle() override { return printing_.GetQuickPrintTitle(); }

    // PrintSetupHost
    IDispatch* EngineMap() override { return p_.engine.Map(); }
    IUnknown* PrintLegend() override { return p_.host.PrintLegend(); }
    SIZE MapOnPaper() override {
        long width = 0, height = 0;
        p_.view.Viewport(p_.engine.MapOrThrow(), p_.layers.Collection())
            .GetMapDimensions(p_.engine.UnitConverter(), width, height);
        return {width, height};
    }
    void SetQuickPrintTitle(const std::wstring& title) override { printing_.SetQuickPrintTitle(title); }

    // The names of the measurement layers whose batch-print, or print-on-all-pages, flag is set.
    std::vector<std::wstring> GetBatchPrintLayerNames() { return NamesWhere(&BatchPrintLayer::batchPrint); }
    std::vector<std::wstring> GetPrintOnAllPagesLayerNames() { return NamesWhere(&BatchPrintLayer::printOnAllPages); }

    // One map per page layer, printed with the progress dialog. Failures (no settings, no
    // printer, a job that cannot be prepared) are raised.
    void PrintBatch(const std::vector<std::wstring>& pages, const std::vector<std::wstring>& allPages) {
        MapPrinting::PrintScope print(printing_);
        RequireSettings(printing_);
        std::unique_ptr<MapBatchPrintJobInfo> job = printing_.NewBatchJob();
        job->SetPages(shared_from_this(), pages, allPages);
        printing_.PrepareJobOrThrow(*job);
        printing_.ExecutePrintJob(std::move(job));
    }

    // Replaces any open preview with one of the job; raises when the job cannot be prepared.
    void ShowPrintPreview(std::unique_ptr<MapPrintJobInfo> job) {
        MapPrinting::PrintScope preview(printing_);
        if (CZmaVadAZLayerCollection* layers = p_.layers.Collection()) layers->PrepareForPrinting();
        printing_.ClosePreview();
        printing_.PrepareJobOrThrow(*job);
        printing_.ShowPreview(std::move(job), this);
    }

private:
    std::vector<std::wstring> NamesWhere(bool BatchPrintLayer::*flag) {
        std::vector<std::wstring> names;
        for (const BatchPrintLayer& layer : DataLayers())
            if (layer.*flag) names.push_back(layer.name);
        return names;
    }

    ControlPrinting& printing_;
    ControlPrintingParts p_;
    ComPtr<PrintableMapLink> map_;
    bool attached_ = true;
};

ControlPrinting::ControlPrinting(const ControlPrintingParts& parts) : p_(parts) {}

ControlPrinting::~ControlPrinting() = default;

ControlPrinting::Link& ControlPrinting::PrintingLink() {
    if (!link_) link_ = std::make_shared<Link>(*this, p_);
    return *link_;
}

void ControlPrinting::Release(bool detach) noexcept {
    // A control that goes is detached first: the preview's job then leaves its layers alone.
    if (detach && link_) link_->Detach();
    ClosePreview();
}

void ControlPrinting::PrepareJobOrThrow(MapPrintJobInfo& job) {
    PrintSources sources;
    ComPtr<IMapPrintSettings> settings = Layouts().Settings();
    sources.settings = settings.Get();
    sources.mapView = PrintingLink().MapView();
    // Held for the preparation: a host's handler may hand over another legend meanwhile.
    ComPtr<IUnknown> legend(p_.host.PrintLegend());
    sources.legend = legend.Get();
    sources.engineMap = p_.engine.Map();
    sources.converter = p_.engine.UnitConverter();
    sources.windowOnPaper = [this] { return PrintingLink().MapOnPaper(); };
    sources.title = GetQuickPrintTitle();
    PrepareJob(job, sources);
}

bool ControlPrinting::PreparePrintJob(MapPrintJobInfo& job) {
    try {
        PrepareJobOrThrow(job);
        return true;
    }
    COM_CATCH_LOG();
    return false;
}

void ControlPrinting::ExecutePrintJob(std::unique_ptr<MapPrintJobInfo> job) {
    if (CZmaVadAZLayerCollection* layers = p_.layers.Collection()) layers->PrepareForPrinting();
    Support().PrintWithProgress(std::move(job));
}

void ControlPrinting::QuickPrint(const std::wstring& title) {
    PrintScope print(*this);
    ComPtr<IMapPrintSettings> settings = Layouts().Settings();
    if (!settings) throw ComError(E_FAIL, L"The host's print settings are not available", L"VadAZ");
    std::unique_ptr<MapPrintJobInfo> job = NewJob();
    PrepareJobOrThrow(*job);
    job->SetPrintSettings(settings.Get());
    job->SetTitle(title);
    ExecutePrintJob(std::move(job));
}

HRESULT ControlPrinting::PageSetup(HWND parent) {
    // While the dialog runs, a host may release the map.
    OperationScope operation(p_.operations);
    try {
        return MapPrinting::PageSetup(parent, PrintingLink()) ? S_OK : S_FALSE;
    }
    COM_CATCH_RETURN();
}

bool ControlPrinting::PageSetupThenPrepare(MapPrintJobInfo& job, HWND parent) {
    if (PageSetup(parent) != S_OK) return false;
    PreparePrintJob(job);
    return true;
}

void ControlPrinting::ShowPrintPreview() {
    RequireSettings(*this);
    PrintingLink().ShowPrintPreview(NewJob());
}

void ControlPrinting::QuickBatchPrint() {
    Link& link = PrintingLink();
    link.PrintBatch(link.GetBatchPrintLayerNames(), link.GetPrintOnAllPagesLayerNames());
}

void ControlPrinting::BatchPrint() {
    // The dialog's Print would be refused: it is not shown at all.
    RefuseWhilePrinting();
    Link& link = PrintingLink();
    BatchPrintDialog dialog(link, link);
    const INT_PTR answer = dialog.DoModal(::GetActiveWindow());
    if (answer == -1) throw ComError(E_FAIL, L"The batch print dialog cannot be shown", L"VadAZ");
    if (answer == IDOK) link.PrintBatch(dialog.GetCheckedNames(), dialog.GetSecondCheckedNames());
}

HRESULT ControlPrinting::SelectQuickPrintLayout(long layout) {
    if (!QuickPrintLayouts::Text(layout))
        throw ComError(E_INVALIDARG, L"A quick-print layout is 0 (portrait), 1 (landscape) or 2 (custom)", L"VadAZ");
    // A failed switch has logged what failed and left its error information.
    return Layouts().Select(layout);
}

std::wstring ControlPrinting::GetQuickPrintTitle() {
    if (CachedTitle().empty()) LoadQuickPrintTitle();
    return CachedTitle();
}

HRESULT ControlPrinting::LoadQuickPrintTitle() {
    try {
        std::wstring title = ReadStoredTitle();
        if (!title.empty()) {
            SetCachedTitle(title);
            return S_OK;
        }
        // Without a title of the user's the map is named after its top visible measurement layer.
        CZmaVadAZDatasetDisplay* datasets = p_.layers.Datasets();
        if (!datasets) return E_UNEXPECTED;
        Bstr name;
        const HRESULT hr = datasets->GetTopVisibleDataLayerName(name.Put());
        SetCachedTitle(name.Wide());
        return hr;
    }
    CATCH_RETURN_QUIET();
}

void ControlPrinting::SetQuickPrintLayoutObject(IMapPrintSettings* layout) {
    Layouts().SetSettingsObject(ComPtr<IMapPrintSettings>(layout));
}

HWND ControlPrinting::GetMapWindow() {
    if (p_.window.IsSubclassed() && p_.window.Get()) return p_.window.Get();
    if (!p_.engine.Map()) return nullptr;
    try {
        return p_.engine.WindowHandle();
    }
    COM_CATCH_LOG();
    return nullptr;
}
