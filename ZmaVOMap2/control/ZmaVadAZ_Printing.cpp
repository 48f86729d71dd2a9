// The control's printing members: the print properties, the quick-print layout, Print and
// QuickPrint, the page set-up, batch printing, the print preview, the print-job properties and
// the quick-print title. The work is printing's (MapPrinting, the batch job, the preview window
// and the batch dialog); these members check their arguments and answer, and PrintLink answers
// what printing asks of the control.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/printing/BatchPrintDialog.h"
#include "ZmaVOMap2/printing/PrintableMapLink.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using S = IMapPrintSettings;

// One print member: the body raises, the barrier answers.
#define PRINT_MEMBER(...)   \
    COM_TRY {               \
        __VA_ARGS__;        \
        return S_OK;        \
    }                       \
    COM_CATCH_RETURN()

namespace {

// A write through the settings helper whose HRESULT is the member's answer.
std::function<HRESULT(IMapPrintSettings&)> Helped(const std::function<HRESULT(CPrintSettingsHelper&)>& write) {
    return [write](IMapPrintSettings& settings) {
        CPrintSettingsHelper helper(&settings);
        return write(helper);
    };
}

// A write through the settings helper that answers only whether it succeeded.
std::function<HRESULT(IMapPrintSettings&)> Checked(const std::function<bool(CPrintSettingsHelper&)>& write) {
    return [write](IMapPrintSettings& settings) {
        CPrintSettingsHelper helper(&settings);
        return write(helper) ? S_OK : E_FAIL;
    };
}

std::function<bool(IMapPrintSettings&)> Reading(const std::function<bool(CPrintSettingsHelper&)>& read) {
    return [read](IMapPrintSettings& settings) {
        CPrintSettingsHelper helper(&settings);
        return read(helper);
    };
}

template <class T>
T* Out(T* out) {
    return platform::ThrowIfNull(out);
}

BSTR NewText(const std::wstring& text) { return Bstr(text).Detach(); }

// What the page set-up asks of the map.
class SetupHost final : public PrintSetupHost {
public:
    explicit SetupHost(CZmaVadAZ& map) : map_(map) {}
    IDispatch* EngineMap() override { return map_.EngineMap(); }
    IUnknown* PrintLegend() override { return map_.PrintLegendObject(); }
    SIZE MapOnPaper() override {
        SIZE size = {};
        map_.GetMapDimensions(size.cx, size.cy);
        return size;
    }
    std::wstring QuickPrintTitle() override { return map_.GetQuickPrintTitle(); }
    void SetQuickPrintTitle(const std::wstring& title) override { map_.SetQuickPrintTitle(title); }

private:
    CZmaVadAZ& map_;
};

}  // namespace

// --- Print properties ----------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::get_PrintTitle(VARIANT_BOOL* pVal) { PRINT_MEMBER(printing_.GetFlag(&S::get_PrintTitle, pVal)); }
STDMETHODIMP CZmaVadAZ::put_PrintTitle(VARIANT_BOOL newVal) { PRINT_MEMBER(printing_.PutFlag(&S::put_PrintTitle, newVal)); }
STDMETHODIMP CZmaVadAZ::get_PrintTitleBorder(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(printing_.GetFlag(&S::get_PrintTitleBorder, pVal));
}
STDMETHODIMP CZmaVadAZ::put_PrintTitleBorder(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.PutFlag(&S::put_PrintTitleBorder, newVal));
}
STDMETHODIMP CZmaVadAZ::get_PositionTitleAboveMap(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(printing_.GetFlag(&S::get_PositionTitleAboveMap, pVal));
}
STDMETHODIMP CZmaVadAZ::put_PositionTitleAboveMap(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.PutFlag(&S::put_PositionTitleAboveMap, newVal));
}
STDMETHODIMP CZmaVadAZ::get_PrintLegend(VARIANT_BOOL* pVal) { PRINT_MEMBER(printing_.GetFlag(&S::get_PrintLegend, pVal)); }
STDMETHODIMP CZmaVadAZ::put_PrintLegend(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.PutFlag(&S::put_PrintLegend, newVal));
}
STDMETHODIMP CZmaVadAZ::get_FixedLegendSize(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(printing_.GetFlag(&S::get_FixedLegendSize, pVal));
}
STDMETHODIMP CZmaVadAZ::put_FixedLegendSize(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.PutFlag(&S::put_FixedLegendSize, newVal));
}
STDMETHODIMP CZmaVadAZ::get_ContentCentered(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(printing_.GetFlag(&S::get_ContentCentered, pVal));
}
STDMETHODIMP CZmaVadAZ::put_ContentCentered(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.PutFlag(&S::put_ContentCentered, newVal));
}
STDMETHODIMP CZmaVadAZ::get_PrintMapBorder(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(printing_.GetFlag(&S::get_PrintMapBorder, pVal));
}
STDMETHODIMP CZmaVadAZ::put_PrintMapBorder(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.PutFlag(&S::put_PrintMapBorder, newVal));
}

STDMETHODIMP CZmaVadAZ::get_LeftMargin(double* pVal) { PRINT_MEMBER(printing_.GetMargin(&S::get_LeftMargin, pVal)); }
STDMETHODIMP CZmaVadAZ::put_LeftMargin(double newVal) { PRINT_MEMBER(printing_.PutMargin(&S::put_LeftMargin, newVal)); }
STDMETHODIMP CZmaVadAZ::get_TopMargin(double* pVal) { PRINT_MEMBER(printing_.GetMargin(&S::get_TopMargin, pVal)); }
STDMETHODIMP CZmaVadAZ::put_TopMargin(double newVal) { PRINT_MEMBER(printing_.PutMargin(&S::put_TopMargin, newVal)); }
STDMETHODIMP CZmaVadAZ::get_RightMargin(double* pVal) { PRINT_MEMBER(printing_.GetMargin(&S::get_RightMargin, pVal)); }
STDMETHODIMP CZmaVadAZ::put_RightMargin(double newVal) { PRINT_MEMBER(printing_.PutMargin(&S::put_RightMargin, newVal)); }
STDMETHODIMP CZmaVadAZ::get_BottomMargin(double* pVal) { PRINT_MEMBER(printing_.GetMargin(&S::get_BottomMargin, pVal)); }
STDMETHODIMP CZmaVadAZ::put_BottomMargin(double newVal) {
    PRINT_MEMBER(printing_.PutMargin(&S::put_BottomMargin, newVal));
}

STDMETHODIMP CZmaVadAZ::get_OrientationLandscape(VARIANT_BOOL* pVal) { PRINT_MEMBER(printing_.GetOrientation(pVal)); }
STDMETHODIMP CZmaVadAZ::put_OrientationLandscape(VARIANT_BOOL newVal) { PRINT_MEMBER(printing_.PutOrientation(newVal)); }

// Kept in the type library for old hosts: the legend never overlaps the map any more.
STDMETHODIMP CZmaVadAZ::get_AllowLegendOverlap(VARIANT_BOOL* /*pVal*/) {
    PRINT_MEMBER(throw ComError(E_FAIL, L"Deprecated", L"VadAZ"));
}
STDMETHODIMP CZmaVadAZ::put_AllowLegendOverlap(VARIANT_BOOL /*newVal*/) {
    PRINT_MEMBER(throw ComError(E_FAIL, L"Deprecated", L"VadAZ"));
}

STDMETHODIMP CZmaVadAZ::get_TitleAlignment(BSTR* pVal) {
    std::wstring text;
    PRINT_MEMBER(Out(pVal); printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleAlignment(text); }));
                 *pVal = NewText(text));
}
STDMETHODIMP CZmaVadAZ::put_TitleAlignment(BSTR newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetTitleAlignment(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_LegendPosition(BSTR* pVal) {
    std::wstring text;
    PRINT_MEMBER(Out(pVal); printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetLegendPosition(text); }));
                 *pVal = NewText(text));
}
STDMETHODIMP CZmaVadAZ::put_LegendPosition(BSTR newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetLegendPosition(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_MapSize(BSTR* pVal) {
    std::wstring text;
    PRINT_MEMBER(Out(pVal); printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetMapSize(text); }));
                 *pVal = NewText(text));
}
STDMETHODIMP CZmaVadAZ::put_MapSize(BSTR newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetMapSize(newVal); })));
}

STDMETHODIMP CZmaVadAZ::get_Width(VARIANT* pVal) {
    double length = 0;
    PRINT_MEMBER(Out(pVal); ::VariantInit(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetWidth(length); }));
                 pVal->vt = VT_R8; pVal->dblVal = length);
}
STDMETHODIMP CZmaVadAZ::put_Width(VARIANT newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetWidth(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_Height(VARIANT* pVal) {
    double length = 0;
    PRINT_MEMBER(Out(pVal); ::VariantInit(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetHeight(length); }));
                 pVal->vt = VT_R8; pVal->dblVal = length);
}
STDMETHODIMP CZmaVadAZ::put_Height(VARIANT newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetHeight(newVal); })));
}

STDMETHODIMP CZmaVadAZ::get_Scale(double* pVal) {
    PRINT_MEMBER(Out(pVal); printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetScale(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_Scale(double newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetScale(newVal); })));
}

STDMETHODIMP CZmaVadAZ::get_TitleFontHeight(LONG* pVal) {
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontHeight(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontHeight(LONG newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontHeight(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontWeight(LONG* pVal) {
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontWeight(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontWeight(LONG newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontWeight(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontItalic(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontItalic(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontItalic(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontItalic(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontStruckout(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontStruckout(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontStruckout(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontStruckout(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontUnderlined(VARIANT_BOOL* pVal) {
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontUnderlined(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontUnderlined(VARIANT_BOOL newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontUnderlined(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontCharSet(unsigned char* pVal) {
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontCharSet(*pVal); })));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontCharSet(unsigned char newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontCharSet(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontFaceName(BSTR* pVal) {
    std::wstring name;
    PRINT_MEMBER(Out(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontFaceName(name); }));
                 *pVal = NewText(name));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontFaceName(BSTR newVal) {
    PRINT_MEMBER(printing_.Write(Checked([&](CPrintSettingsHelper& h) { return h.SetTitleFontFaceName(newVal); })));
}
STDMETHODIMP CZmaVadAZ::get_TitleFontColor(VARIANT* pVal) {
    std::wstring colour;
    PRINT_MEMBER(Out(pVal); ::VariantInit(pVal);
                 printing_.Read(Reading([&](CPrintSettingsHelper& h) { return h.GetTitleFontColor(colour); }));
                 pVal->vt = VT_BSTR; pVal->bstrVal = NewText(colour));
}
STDMETHODIMP CZmaVadAZ::put_TitleFontColor(VARIANT newVal) {
    PRINT_MEMBER(printing_.Write(Helped([&](CPrintSettingsHelper& h) { return h.SetTitleFontColor(newVal); })));
}

// --- Quick-print layouts -------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::get_QuickPrintLayout(LONG* pVal) { PRINT_MEMBER(*Out(pVal) = printing_.Layouts().Current()); }

STDMETHODIMP CZmaVadAZ::put_QuickPrintLayout(ENUM_QUICK_PRINT_LAYOUT newVal) {
    COM_TRY {
        if (!QuickPrintLayouts::Text(newVal))
            throw ComError(E_INVALIDARG, L"A quick-print layout is 0 (portrait), 1 (landscape) or 2 (custom)", L"VadAZ");
        // A failed switch has logged what failed and left its error information.
        return platform::PassFailure(printing_.Layouts().Select(newVal));
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_QuickPrintLayoutAsText(BSTR* pVal) {
    PRINT_MEMBER(Out(pVal); const wchar_t* text = QuickPrintLayouts::Text(printing_.Layouts().Current());
                 if (!text) throw ComError(E_FAIL, L"The quick-print layout has no name", L"VadAZ");
                 *pVal = NewText(text));
}

STDMETHODIMP CZmaVadAZ::put_QuickPrintLayoutAsText(BSTR newVal) {
    COM_TRY {
        long layout = 0;
        if (!QuickPrintLayouts::FromText(newVal, layout))
            throw ComError(E_INVALIDARG, L"A quick-print layout is \"portrait\", \"landscape\" or \"custom\"", L"VadAZ");
        return platform::PassFailure(printing_.Layouts().Select(layout));
    }
    COM_CATCH_RETURN();
}

void CZmaVadAZ::SetQuickPrintLayoutObject(IMapPrintSettings* layout) {
    printing_.Layouts().SetSettingsObject(ComPtr<IMapPrintSettings>(layout));
}

// --- What printing asks of the control -----------------------------------------------------------

// The measurement layers as batch printing sees them, the batch dialog's buttons, the preview
// window's questions, and the batch and preview operations themselves.
class CZmaVadAZ::PrintLink final : public BatchPrintLayers,
                                    public BatchPrintActions,
                                    public PrintPreviewHost,
                                    public std::enable_shared_from_this<CZmaVadAZ::PrintLink> {
public:
    explicit PrintLink(CZmaVadAZ& control)
        : control_(control), map_(platform::MakeObject<PrintableMapLink>(static_cast<IPrintableMap*>(&control))) {}
    PrintLink(const PrintLink&) = delete;
    PrintLink& operator=(const PrintLink&) = delete;

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
        if (!attached_ || !control_.layers_) return found;
        for (CZmaVadAZLayer* layer : control_.layers_->GetDataLayers()) {
            CZmaVadAZDataLayer* data = AsDataLayer(layer);
            if (!data) continue;
            found.push_back({platform::ToWide(data->GetName()), data->GetLayerKey(), data->IsVisible(),
                             data->GetBatchPrint(), data->GetPrintOnAllPages()});
        }
        return found;
    }
    void SetVisible(const std::wstring& key, bool visible) override {
        if (!attached_ || !control_.layers_ || !control_.datasets_) return;
        for (CZmaVadAZLayer* layer : control_.layers_->GetDataLayers()) {
            CZmaVadAZDataLayer* data = AsDataLayer(layer);
            if (data && data->GetLayerKey() == key) return control_.datasets_->SetLayerVisible(layer, visible ? 1 : 0);
        }
    }
    void SuppressVisibilityEvents(bool suppress) noexcept override {
        if (attached_ && control_.layers_) control_.layers_->SetSuppressEvents(suppress);
    }

    // BatchPrintActions
    void PageSetup(HWND owner) override { control_.PageSetup(owner); }
    void PreviewBatch(const std::vector<std::wstring>& pages, const std::vector<std::wstring>& allPages) override {
        RequireSettings();
        std::unique_ptr<MapBatchPrintJobInfo> job = control_.printing_.NewBatchJob();
        job->SetPages(shared_from_this(), pages, allPages);
        ShowPrintPreview(std::move(job));
    }
    void EditAttributes() override {
        control_.Fire_EditAttributes();
        control_.RepaintIfUpdating();
    }

    // PrintPreviewHost
    void PrintJobCopy(std::unique_ptr<MapPrintJobInfo> job) override {
        // The control stays while its print runs, whatever the host does meanwhile.
        OperationScope operation(control_);
        control_.ExecutePrintJob(std::move(job));
    }
    long CurrentLayout() override { return control_.printing_.Layouts().Current(); }
    bool SelectLayout(long layout) override {
        return SUCCEEDED(control_.put_QuickPrintLayout(static_cast<ENUM_QUICK_PRINT_LAYOUT>(layout)));
    }
    bool PreparePrintJob(MapPrintJobInfo& job) override { return control_.PreparePrintJob(job); }
    bool PageSetupThenPrepare(MapPrintJobInfo& job, HWND owner) override {
        return control_.PageSetupThenPrepare(job, owner);
    }
    std::wstring QuickPrintTitle() override { return control_.GetQuickPrintTitle(); }

    // The names of the measurement layers whose batch-print, or print-on-all-pages, flag is set.
    std::vector<std::wstring> GetBatchPrintLayerNames() { return NamesWhere(&BatchPrintLayer::batchPrint); }
    std::vector<std::wstring> GetPrintOnAllPagesLayerNames() { return NamesWhere(&BatchPrintLayer::printOnAllPages); }

    // One map per page layer, printed with the progress dialog. Failures (no settings, no
    // printer, a job that cannot be prepared) are raised.
    void PrintBatch(const std::vector<std::wstring>& pages, const std::vector<std::wstring>& allPages) {
        RequireSettings();
        std::unique_ptr<MapBatchPrintJobInfo> job = control_.printing_.NewBatchJob();
        job->SetPages(shared_from_this(), pages, allPages);
        control_.PrepareJobOrThrow(*job);
        control_.ExecutePrintJob(std::move(job));
    }

    // Replaces any open preview with one of the job; raises when the job cannot be prepared.
    void ShowPrintPreview(std::unique_ptr<MapPrintJobInfo> job) {
        if (control_.layers_) control_.layers_->PrepareForPrinting();
        control_.printing_.ClosePreview();
        control_.PrepareJobOrThrow(*job);
        control_.printing_.ShowPreview(std::move(job), this);
    }

private:
    void RequireSettings() {
        if (!control_.printing_.Layouts().Settings())
            throw ComError(E_FAIL, L"The host's print settings are not available", L"VadAZ");
    }
    std::vector<std::wstring> NamesWhere(bool BatchPrintLayer::*flag) {
        std::vector<std::wstring> names;
        for (const BatchPrintLayer& layer : DataLayers())
            if (layer.*flag) names.push_back(layer.name);
        return names;
    }

    CZmaVadAZ& control_;
    ComPtr<PrintableMapLink> map_;
    bool attached_ = true;
};

CZmaVadAZ::PrintLink& CZmaVadAZ::PrintingLink() {
    if (!printLink_) printLink_ = std::make_shared<PrintLink>(*this);
    return *printLink_;
}

void CZmaVadAZ::ReleasePrinting(bool detach) noexcept {
    // A control that goes is detached first: the preview's job then leaves its layers alone.
    if (detach && printLink_) printLink_->Detach();
    printing_.ClosePreview();
}

// --- Printing ------------------------------------------------------------------------------------

void CZmaVadAZ::PrepareJobOrThrow(MapPrintJobInfo& job) {
    PrintSources sources;
    ComPtr<IMapPrintSettings> settings = printing_.Layouts().Settings();
    sources.settings = settings.Get();
    sources.mapView = PrintingLink().MapView();
    sources.legend = printLegend_;
    sources.engineMap = engineDispatch_.Get();
    sources.converter = unitConverter_.Get();
    sources.windowOnPaper = [this] {
        SIZE window = {};
        GetMapDimensions(window.cx, window.cy);
        return window;
    };
    sources.title = GetQuickPrintTitle();
    printing_.PrepareJob(job, sources);
}

bool CZmaVadAZ::PreparePrintJob(MapPrintJobInfo& job) {
    try {
        PrepareJobOrThrow(job);
        return true;
    }
    COM_CATCH_LOG();
    return false;
}

void CZmaVadAZ::ExecutePrintJob(std::unique_ptr<MapPrintJobInfo> job) {
    if (layers_) layers_->PrepareForPrinting();
    printing_.Support().PrintWithProgress(std::move(job));
}

STDMETHODIMP CZmaVadAZ::QuickPrint(BSTR bstrTitle) {
    // The print draws the layers, whose events reach the host.
    OperationScope operation(*this);
    COM_TRY {
        ComPtr<IMapPrintSettings> settings = printing_.Layouts().Settings();
        if (!settings) throw ComError(E_FAIL, L"The host's print settings are not available", L"VadAZ");
        std::unique_ptr<MapPrintJobInfo> job = printing_.NewJob();
        PrepareJobOrThrow(*job);
        job->SetPrintSettings(settings.Get());
        job->SetTitle(bstrTitle ? bstrTitle : L"");
        ExecutePrintJob(std::move(job));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT CZmaVadAZ::PageSetup(HWND parent) {
    // While the dialog runs, a host may release the map.
    OperationScope operation(*this);
    try {
        SetupHost host(*this);
        return printing_.PageSetup(parent, host) ? S_OK : S_FALSE;
    }
    COM_CATCH_RETURN();
}

bool CZmaVadAZ::PageSetupThenPrepare(MapPrintJobInfo& job, HWND parent) {
    if (PageSetup(parent) != S_OK) return false;
    PreparePrintJob(job);
    return true;
}

STDMETHODIMP CZmaVadAZ::ConfigurePrinting() {
    COM_TRY {
        return platform::PassFailure(PageSetup(GetMapWindow()));
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::PrintPreview() {
    OperationScope operation(*this);
    COM_TRY {
        if (!printing_.Layouts().Settings())
            throw ComError(E_FAIL, L"The host's print settings are not available", L"VadAZ");
        PrintingLink().ShowPrintPreview(printing_.NewJob());
        // The preview is open: hosts have always been told S_FALSE.
        return S_FALSE;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::QuickBatchPrint() {
    OperationScope operation(*this);
    COM_TRY {
        PrintLink& link = PrintingLink();
        link.PrintBatch(link.GetBatchPrintLayerNames(), link.GetPrintOnAllPagesLayerNames());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::BatchPrint() {
    // The dialog fires EditAttributes, whose handler may release the control or tear it down.
    OperationScope operation(*this);
    COM_TRY {
        PrintLink& link = PrintingLink();
        BatchPrintDialog dialog(link, link);
        const INT_PTR answer = dialog.DoModal(::GetActiveWindow());
        if (answer == -1) throw ComError(E_FAIL, L"The batch print dialog cannot be shown", L"VadAZ");
        if (answer == IDOK) link.PrintBatch(dialog.GetCheckedNames(), dialog.GetSecondCheckedNames());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Print() {
    COM_TRY {
        Bstr title;
        THROW_IF_FAILED(get_Title(title.Put()));
        return platform::PassFailure(QuickPrint(title.Get()));
    }
    COM_CATCH_RETURN();
}

// --- Print-job properties and the quick-print title ----------------------------------------------

STDMETHODIMP CZmaVadAZ::get_IsBatchPrinting(VARIANT_BOOL* pVal) {
    if (!pVal) return E_INVALIDARG;
    *pVal = isBatchPrinting_;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_IsBatchPrinting(VARIANT_BOOL newVal) {
    isBatchPrinting_ = newVal;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::get_BatchJobID(BSTR* pVal) {
    PRINT_MEMBER(if (!pVal) return E_INVALIDARG; *pVal = batchJobId_.empty() ? nullptr : NewText(batchJobId_));
}

STDMETHODIMP CZmaVadAZ::put_BatchJobID(BSTR newVal) { PRINT_MEMBER(batchJobId_ = newVal ? newVal : L""); }

STDMETHODIMP CZmaVadAZ::get_Title(BSTR* pVal) { PRINT_MEMBER(if (!pVal) return E_INVALIDARG; *pVal = NewText(GetQuickPrintTitle())); }

std::wstring CZmaVadAZ::GetQuickPrintTitle() {
    if (printing_.CachedTitle().empty()) LoadQuickPrintTitle();
    return printing_.CachedTitle();
}

bool CZmaVadAZ::SetQuickPrintTitle(const std::wstring& title) { return printing_.StoreTitle(title); }

HRESULT CZmaVadAZ::LoadQuickPrintTitle() {
    try {
        std::wstring title = MapPrinting::ReadStoredTitle();
        if (!title.empty()) {
            printing_.SetCachedTitle(title);
            return S_OK;
        }
        // Without a title of the user's the map is named after its top visible measurement layer.
        if (!layers_ || !datasets_) return E_UNEXPECTED;
        Bstr name;
        const HRESULT hr = datasets_->GetTopVisibleDataLayerName(name.Put());
        printing_.SetCachedTitle(name.Wide());
        return hr;
    }
    CATCH_RETURN_QUIET();
}

STDMETHODIMP CZmaVadAZ::get_BatchPrintLayout(BSTR* pVal) {
    PRINT_MEMBER(Out(pVal); *pVal = nullptr; ComPtr<IMapPrintSettings> settings = printing_.Layouts().Settings();
                 if (!settings) throw ComError(E_POINTER, L"The host's print settings are not available", L"VadAZ");
                 THROW_IF_FAILED(settings->get_LayoutXml(pVal)));
}

STDMETHODIMP CZmaVadAZ::put_BatchPrintLayout(BSTR newVal) {
    COM_TRY {
        ComPtr<IMapPrintSettings> settings = printing_.Layouts().Settings();
        if (!settings) throw ComError(E_POINTER, L"The host's print settings are not available", L"VadAZ");
        VARIANT_BOOL accepted = VARIANT_FALSE;
        THROW_IF_FAILED(settings->LoadXml(newVal, &accepted));
        if (accepted != VARIANT_TRUE) throw ComError(E_FAIL, L"The batch print layout was not accepted", L"VadAZ");
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetDefaultBatchPrintFlagsForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL batchPrint,
                                                              VARIANT_BOOL printOnAllPages) {
    COM_TRY {
        CZmaVadAZDataLayer* layer = AsDataLayer(RequireLayers().FindLayer(bstrSeriesID ? bstrSeriesID : L""));
        if (!layer) throw ComError(E_FAIL, L"No measurement layer shows that series", L"VadAZ");
        // Only VARIANT_TRUE sets a flag: a host's 1 clears it.
        layer->SetBatchPrint(batchPrint == VARIANT_TRUE);
        layer->SetPrintOnAllPages(printOnAllPages == VARIANT_TRUE);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

#undef PRINT_MEMBER
