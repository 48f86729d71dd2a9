#include "ZmaVOMap2/printing/QuickPrintDlg.h"

#include "platform/Guard.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include "HostInterfaces.h"

#include <algorithm>

using platform::ComPtr;

namespace {

CQuickPrintDlg* g_opening = nullptr;

// Settings that are not flags but ask for a typed get and put.
template <class T>
T Read(IMapPrintSettings& settings, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(T*)) {
    T value{};
    THROW_IF_FAILED((settings.*get)(&value));
    return value;
}

bool ReadFlag(IMapPrintSettings& settings, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(VARIANT_BOOL*)) {
    return Read(settings, get) != VARIANT_FALSE;
}

void WriteFlag(IMapPrintSettings& settings, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*put)(VARIANT_BOOL), bool on) {
    THROW_IF_FAILED((settings.*put)(on ? VARIANT_TRUE : VARIANT_FALSE));
}

// The settings behind `object`: null for an object that is none.
ComPtr<IMapPrintSettings> SettingsOf(IUnknown* object) {
    ComPtr<IMapPrintSettings> settings;
    if (!object) return settings;
    const HRESULT hr = object->QueryInterface(IID_IMapPrintSettings, settings.PutVoid());
    if (hr == E_NOINTERFACE) return nullptr;
    THROW_IF_FAILED(hr);
    return settings;
}

long TitleAlignmentOf(const VARIANT& value) {
    if (value.vt != VT_BSTR || !value.bstrVal) return CQuickPrintTitlePage::kLeft;
    if (std::wstring(value.bstrVal) == L"center") return CQuickPrintTitlePage::kCentre;
    if (std::wstring(value.bstrVal) == L"right") return CQuickPrintTitlePage::kRight;
    return CQuickPrintTitlePage::kLeft;
}

const wchar_t* TitleAlignmentText(long alignment) {
    return alignment == CQuickPrintTitlePage::kCentre ? L"center"
                                                       : alignment == CQuickPrintTitlePage::kRight ? L"right" : L"left";
}

int ScreenPixelsPerInch() { return ::GetDeviceCaps(platform::WindowDC(nullptr).Get(), LOGPIXELSY); }

}  // namespace

// Watches the sheet's OK: the pages the user opened take what their controls show before the
// sheet asks them to let go.
class CQuickPrintDlg::SheetWindow : public platform::SubclassedWindow {
public:
    explicit SheetWindow(CQuickPrintDlg& owner) : owner_(owner) {}

protected:
    bool ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM, LRESULT&) override {
        if (msg == WM_COMMAND && LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) owner_.OnOk();
        return false;
    }

private:
    CQuickPrintDlg& owner_;
};

CQuickPrintDlg::CQuickPrintDlg(HWND parent, IUnknown* printLegend)
    : parent_(parent), mapPage_(*this), legendPage_(*this, printLegend), titlePage_(*this) {}

CQuickPrintDlg::~CQuickPrintDlg() = default;

QuickPrintPage* CQuickPrintDlg::Pages(int index) noexcept {
    QuickPrintPage* pages[] = {&mapPage_, &legendPage_, &titlePage_};
    return index >= 0 && index < 3 ? pages[index] : nullptr;
}

int CALLBACK CQuickPrintDlg::SheetCallback(HWND sheet, UINT msg, LPARAM) {
    if (msg != PSCB_INITIALIZED || !g_opening) return 0;
    CQuickPrintDlg* owner = g_opening;
    platform::Guarded(
        [&] {
            owner->window_ = std::make_unique<SheetWindow>(*owner);
            owner->window_->Subclass(sheet);
        },
        [](HRESULT) {});
    return 0;
}

INT_PTR CQuickPrintDlg::DoModal() {
    // A page whose sheet page cannot be made is left out.
    HPROPSHEETPAGE pages[3] = {};
    UINT count = 0;
    for (int i = 0; i < 3; ++i)
        if (HPROPSHEETPAGE page = Pages(i)->Create()) pages[count++] = page;
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = parent_ ? parent_ : ::GetActiveWindow();
    header.hInstance = platform::Module::Instance();
    header.pszCaption = L"Print Map";
    header.nPages = count;
    header.nStartPage = 0;
    header.phpage = pages;
    header.pfnCallback = &SheetCallback;
    applied_ = false;
    g_opening = this;
    const INT_PTR shown = ::PropertySheetW(&header);
    g_opening = nullptr;
    window_.reset();
    if (shown < 0) return -1;
    return applied_ ? IDOK : IDCANCEL;
}

void CQuickPrintDlg::OnOk() {
    for (int i = 0; i < 3; ++i) {
        QuickPrintPage* page = Pages(i);
        platform::Guarded([&] { page->ControlsToFields(); }, [](HRESULT) {});
    }
}

// --- The settings ---------------------------------------------------------------------------------

bool CQuickPrintDlg::LoadSettings(IUnknown* object) {
    ComPtr<IMapPrintSettings> held = SettingsOf(object);
    if (!held) return false;
    IMapPrintSettings& s = *held.Get();
    using S = IMapPrintSettings;
    mapPage_.SetContentCentred(ReadFlag(s, &S::get_ContentCentered) ? 1 : 0);
    const long mode = Read(s, &S::get_MapSize);
    mapPage_.SetSizeMode(mode == 0 || mode == 1 ? mode : CQuickPrintMapPage::kCustomSize);
    const long height = Read(s, &S::get_Height);
    const long width = Read(s, &S::get_Width);
    mapPage_.SetCustomSize({width, height});
    mapPage_.SetScaleDenominator(static_cast<unsigned long>(Read(s, &S::get_ScaleDenominator)));
    mapPage_.SetPrintBorder(ReadFlag(s, &S::get_PrintMapBorder));
    legendPage_.SetShowLegend(ReadFlag(s, &S::get_PrintLegend));
    legendPage_.SetPosition(Read(s, &S::get_LegendPosition));
    legendPage_.SetFixedSize(ReadFlag(s, &S::get_FixedLegendSize));
    titlePage_.SetPrintTitle(ReadFlag(s, &S::get_PrintTitle));
    titlePage_.SetBorder(ReadFlag(s, &S::get_PrintTitleBorder));
    titlePage_.SetAboveMap(ReadFlag(s, &S::get_PositionTitleAboveMap));
    platform::Variant alignment;
    THROW_IF_FAILED(s.get_TitleAlignment(alignment.Put()));
    titlePage_.SetAlignment(TitleAlignmentOf(alignment));
    ComPtr<IFont> font;
    THROW_IF_FAILED(s.get_TitleFont(font.Put()));
    if (!font) return false;
    ReadTitleFont(*font.Get());
    titlePage_.SetColour(static_cast<COLORREF>(Read(s, &S::get_TitleFontColor)));
    return true;
}

bool CQuickPrintDlg::StoreSettings(IUnknown* object) {
    ComPtr<IMapPrintSettings> held = SettingsOf(object);
    if (!held) return false;
    IMapPrintSettings& s = *held.Get();
    using S = IMapPrintSettings;
    WriteFlag(s, &S::put_ContentCentered, mapPage_.ContentCentred() == 1);
    THROW_IF_FAILED(s.put_MapSize(mapPage_.SizeMode()));
    THROW_IF_FAILED(s.put_Width(mapPage_.CustomSize().cx));
    THROW_IF_FAILED(s.put_Height(mapPage_.CustomSize().cy));
    THROW_IF_FAILED(s.put_ScaleDenominator(mapPage_.ScaleDenominator()));
    WriteFlag(s, &S::put_PrintMapBorder, mapPage_.PrintBorder());
    WriteFlag(s, &S::put_PrintLegend, legendPage_.ShowLegend());
    THROW_IF_FAILED(s.put_LegendPosition(legendPage_.Position()));
    WriteFlag(s, &S::put_FixedLegendSize, legendPage_.FixedSize());
    WriteFlag(s, &S::put_PrintTitle, titlePage_.PrintTitle());
    WriteFlag(s, &S::put_PrintTitleBorder, titlePage_.Border());
    // The settings take this one as 1 or 0.
    THROW_IF_FAILED(s.put_PositionTitleAboveMap(titlePage_.AboveMap() ? 1 : 0));
    THROW_IF_FAILED(s.put_TitleAlignment(platform::Variant(TitleAlignmentText(titlePage_.Alignment()))));
    ComPtr<IFont> font;
    THROW_IF_FAILED(s.get_TitleFont(font.Put()));
    if (!font) return false;
    WriteTitleFont(*font.Get());
    THROW_IF_FAILED(s.put_TitleFontColor(titlePage_.Colour()));
    return true;
}

void CQuickPrintDlg::ReadTitleFont(IFont& font) {
    TEXTMETRICOLE metrics = {};
    THROW_IF_FAILED(font.QueryTextMetrics(&metrics));
    platform::Bstr name;
    THROW_IF_FAILED(font.get_Name(name.Put()));
    CY size = {};
    THROW_IF_FAILED(font.get_Size(&size));
    LOGFONTW description = {};
    // Points (as currency, ten thousandths) to the screen's pixels.
    description.lfHeight = -::MulDiv(static_cast<int>(size.int64), ScreenPixelsPerInch(), 72 * 10000);
    description.lfWeight = metrics.tmWeight;
    description.lfItalic = metrics.tmItalic;
    description.lfUnderline = metrics.tmUnderlined;
    description.lfStrikeOut = metrics.tmStruckOut;
    description.lfCharSet = metrics.tmCharSet;
    lstrcpynW(description.lfFaceName, name.Wide().c_str(), 32);
    titlePage_.SetFont(description);
}

void CQuickPrintDlg::WriteTitleFont(IFont& font) {
    const LOGFONTW& description = titlePage_.Font();
    if (description.lfFaceName[0]) THROW_IF_FAILED(font.put_Name(platform::Bstr(description.lfFaceName).Get()));
    CY size = {};
    size.int64 = -static_cast<LONGLONG>(::MulDiv(description.lfHeight, 72, ScreenPixelsPerInch())) * 10000;
    THROW_IF_FAILED(font.put_Size(size));
    THROW_IF_FAILED(font.put_Italic(description.lfItalic ? TRUE : FALSE));
    THROW_IF_FAILED(font.put_Underline(description.lfUnderline ? TRUE : FALSE));
    THROW_IF_FAILED(font.put_Strikethrough(description.lfStrikeOut ? TRUE : FALSE));
    THROW_IF_FAILED(font.put_Weight(static_cast<SHORT>(description.lfWeight)));
    THROW_IF_FAILED(font.put_Charset(description.lfCharSet));
}

// --- The page area ----------------------------------------------------------------------------------

long CQuickPrintDlg::TitleBlockHeight() {
    platform::UniqueCreatedDC display(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!display) return 0;
    HDC dc = display.Get();
    const int screen = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::SetMapMode(dc, MM_HIMETRIC);
    // The title's font at its size on paper: hundredths of a millimetre per logical unit.
    LOGFONTW description = titlePage_.Font();
    description.lfHeight = static_cast<LONG>(static_cast<LONGLONG>(description.lfHeight) * 2540 / std::max(screen, 1));
    platform::UniqueHFont font(::CreateFontIndirectW(&description));
    platform::SelectObjectRestorer selected(dc, font.Get());
    const std::wstring title = titlePage_.CurrentTitle();
    SIZE extent = {};
    TEXTMETRICW metrics = {};
    ::GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
    ::GetTextMetricsW(dc, &metrics);
    return extent.cy + metrics.tmHeight / 2;
}

SIZE CQuickPrintDlg::ComputeMapArea() {
    const long title = titlePage_.CurrentlyPrinted() ? TitleBlockHeight() : 0;
    SIZE legend = {0, 0};
    bool beside = false;
    if (legendPage_.CurrentlyShown() && !legendPage_.CurrentlyOverlapping()) {
        const long angle = legendPage_.CurrentPosition();
        if (angle == 0 || angle == 180) {
            legend = legendPage_.MeasureLegend({0, printable_.cy - title});
            beside = true;
        } else if (angle == 90 || angle == 270) {
            legend = legendPage_.MeasureLegend({printable_.cx, 0});
        }
    }
    return {std::max(0L, printable_.cx - (beside ? legend.cx : 0)),
            std::max(0L, printable_.cy - title - (beside ? 0 : legend.cy))};
}
