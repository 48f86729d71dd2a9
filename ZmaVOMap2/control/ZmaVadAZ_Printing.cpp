// The control's printing members: the print properties, the quick-print layout, Print and
// QuickPrint, the page set-up, batch printing, the print preview, the print-job properties and
// the quick-print title. The work is printing's (ControlPrinting over MapPrinting, the batch job,
// the preview window and the batch dialog); these members check their arguments and answer.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
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
    COM_TRY { return platform::PassFailure(printing_.SelectQuickPrintLayout(newVal)); }
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

// --- Printing ------------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::QuickPrint(BSTR bstrTitle) {
    // The print draws the layers, whose events reach the host.
    OperationScope operation(operations_);
    PRINT_MEMBER(printing_.QuickPrint(bstrTitle ? bstrTitle : L""));
}

STDMETHODIMP CZmaVadAZ::ConfigurePrinting() {
    COM_TRY { return platform::PassFailure(printing_.PageSetup(printing_.GetMapWindow())); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::PrintPreview() {
    OperationScope operation(operations_);
    COM_TRY {
        printing_.ShowPrintPreview();
        // The preview is open: hosts have always been told S_FALSE.
        return S_FALSE;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::QuickBatchPrint() {
    OperationScope operation(operations_);
    PRINT_MEMBER(printing_.QuickBatchPrint());
}

STDMETHODIMP CZmaVadAZ::BatchPrint() {
    // The dialog fires EditAttributes, whose handler may release the control or tear it down.
    OperationScope operation(operations_);
    PRINT_MEMBER(printing_.BatchPrint());
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
    *pVal = profile_.batchPrinting;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_IsBatchPrinting(VARIANT_BOOL newVal) {
    profile_.batchPrinting = newVal;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::get_BatchJobID(BSTR* pVal) {
    PRINT_MEMBER(if (!pVal) return E_INVALIDARG; *pVal = profile_.batchJobId.empty() ? nullptr : NewText(profile_.batchJobId));
}

STDMETHODIMP CZmaVadAZ::put_BatchJobID(BSTR newVal) { PRINT_MEMBER(profile_.batchJobId = newVal ? newVal : L""); }

STDMETHODIMP CZmaVadAZ::get_Title(BSTR* pVal) { PRINT_MEMBER(if (!pVal) return E_INVALIDARG; *pVal = NewText(printing_.GetQuickPrintTitle())); }

STDMETHODIMP CZmaVadAZ::get_BatchPrintLayout(BSTR* pVal) {
    PRINT_MEMBER(Out(pVal); *pVal = nullptr; ComPtr<IMapPrintSettings> settings = printing_.Layouts().Settings();
                 if (!settings) throw ComError(E_POINTER, L"The host's print settings are not available", L"VadAZ");
                 THROW_IF_FAILED(settings->get_LayoutXml(pVal)));
}

STDMETHODIMP CZmaVadAZ::put_BatchPrintLayout(BSTR newVal) { PRINT_MEMBER(printing_.Layouts().LoadBatchLayout(newVal)); }

STDMETHODIMP CZmaVadAZ::SetDefaultBatchPrintFlagsForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL batchPrint,
                                                              VARIANT_BOOL printOnAllPages) {
    COM_TRY {
        CZmaVadAZDataLayer* layer = AsDataLayer(layers_.Require().FindLayer(bstrSeriesID ? bstrSeriesID : L""));
        if (!layer) throw ComError(E_FAIL, L"No measurement layer shows that series", L"VadAZ");
        // Only VARIANT_TRUE sets a flag: a host's 1 clears it.
        layer->SetBatchPrint(batchPrint == VARIANT_TRUE);
        layer->SetPrintOnAllPages(printOnAllPages == VARIANT_TRUE);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

#undef PRINT_MEMBER
