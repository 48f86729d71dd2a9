#include "ZmaVOMap2/printing/PrinterSetupDlg.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/printing/MapPageLayout.h"
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "ZmaVOMap2/printing/QuickPrintDlg.h"
#include "platform/Guard.h"
#include "platform/Module.h"
#include "platform/UniqueHandle.h"

using platform::ComError;

namespace {

const wchar_t kDialogProperty[] = L"VadAZ.PrinterSetup";
// Where OK keeps a copy of the settings: beside the layout documents of the settings service.
const wchar_t kRetrievedCopy[] = L"terravex://Map/Printing/Layouts/retrieved.xml";
// The system dialog's printer button, in the dialogs that have one.
const int kPrinterButtons[] = {1072, 1073};

RECT WindowRectIn(HWND window, HWND parent) {
    RECT r = {};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The sample page: a printed map in landscape or portrait, stretched over the margins' rectangle.
bool PaintSamplePage(HDC dc, const RECT& area) {
    const bool portrait = area.bottom - area.top >= area.right - area.left;
    platform::UniqueHBitmap picture(static_cast<HBITMAP>(::LoadImageW(
        platform::Module::Instance(), MAKEINTRESOURCEW(portrait ? IDB_SAMPLE_PORTRAIT : IDB_SAMPLE_LANDSCAPE),
        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!picture) return false;
    BITMAP info = {};
    ::GetObjectW(picture.Get(), sizeof info, &info);
    platform::UniqueCreatedDC memory(::CreateCompatibleDC(dc));
    platform::SelectObjectRestorer selected(memory.Get(), picture.Get());
    ::SetStretchBltMode(dc, HALFTONE);
    ::StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.Get(), 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
    return true;
}

}  // namespace

CPrinterSetupDlg::CPrinterSetupDlg(HWND owner, PrintSetupHost& host, IMapPrintSettings* settings)
    : host_(host), legend_(host.PrintLegend()), settings_(settings) {
    setup_.lStructSize = sizeof setup_;
    setup_.hwndOwner = owner;
    setup_.Flags = PSD_ENABLEPAGESETUPHOOK | PSD_ENABLEPAGEPAINTHOOK;
    setup_.hInstance = platform::Module::Instance();
    setup_.lpfnPageSetupHook = &SetupHook;
    setup_.lpfnPagePaintHook = &PaintHook;
    setup_.lCustData = reinterpret_cast<LPARAM>(this);
    platform::ThrowIfNull(settings);
    RECT& m = setup_.rtMargin;
    THROW_IF_FAILED(settings->get_LeftMargin(&m.left));
    THROW_IF_FAILED(settings->get_RightMargin(&m.right));
    THROW_IF_FAILED(settings->get_TopMargin(&m.top));
    THROW_IF_FAILED(settings->get_BottomMargin(&m.bottom));
    if (ShowsInches()) {
        for (LONG* side : {&m.left, &m.top, &m.right, &m.bottom}) *side = ::MulDiv(*side, 1000, 2540);
    }
    setup_.Flags |= PSD_MARGINS;
}

CPrinterSetupDlg::~CPrinterSetupDlg() { SetPrinter(nullptr, nullptr); }

void CPrinterSetupDlg::SetPrinter(HGLOBAL devMode, HGLOBAL devNames) noexcept {
    if (setup_.hDevMode) ::GlobalFree(setup_.hDevMode);
    if (setup_.hDevNames) ::GlobalFree(setup_.hDevNames);
    setup_.hDevMode = devMode;
    setup_.hDevNames = devNames;
}

bool CPrinterSetupDlg::ShowsInches() const {
    if (setup_.Flags & PSD_INHUNDREDTHSOFMILLIMETERS) return false;
    return (setup_.Flags & PSD_INTHOUSANDTHSOFINCHES) || UsesUsMeasure();
}

RECT CPrinterSetupDlg::Margins() const {
    RECT m = setup_.rtMargin;
    if (ShowsInches()) {
        for (LONG* side : {&m.left, &m.top, &m.right, &m.bottom}) *side = ::MulDiv(*side, 2540, 1000);
    }
    return m;
}

SIZE CPrinterSetupDlg::PaperSize() const {
    SIZE paper = {setup_.ptPaperSize.x, setup_.ptPaperSize.y};
    if ((setup_.Flags & PSD_INTHOUSANDTHSOFINCHES) || UsesUsMeasure())
        paper = {::MulDiv(paper.cx, 2540, 1000), ::MulDiv(paper.cy, 2540, 1000)};
    return paper;
}

INT_PTR CPrinterSetupDlg::DoModal() {
    failure_.reset();
    const BOOL ok = ::PageSetupDlgW(&setup_);
    if (failure_) throw *failure_;
    if (!ok && ::CommDlgExtendedError() != 0)
        throw ComError(E_FAIL, L"The page set-up could not be shown (common dialog error " +
                                   std::to_wstring(::CommDlgExtendedError()) + L")",
                       L"VadAZ");
    return ok ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CPrinterSetupDlg::SetupHook(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CPrinterSetupDlg*>(reinterpret_cast<const PAGESETUPDLGW*>(lp)->lCustData);
        ::SetPropW(dialog, kDialogProperty, self);
        platform::Guarded([&] { self->AddOptionsButton(dialog); }, [](HRESULT) {});
        return TRUE;
    }
    auto* self = static_cast<CPrinterSetupDlg*>(::GetPropW(dialog, kDialogProperty));
    if (!self) return 0;
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(dialog, kDialogProperty);
        return 0;
    }
    if (msg != WM_COMMAND) return 0;
    if (LOWORD(wp) == ID_PRINT_OPTIONS) {
        // A sheet that fails is told to the user; the set-up stays open.
        platform::Guarded([&] { self->OnOptions(dialog); }, [&](HRESULT hr) { TellPrintingFailure(dialog, hr); });
        return TRUE;
    }
    if (LOWORD(wp) == IDOK) {
        // The dialog still closes; its caller hears of a failure once it has.
        platform::Guarded([&] { self->OnOk(); },
                          [&](HRESULT hr) { self->failure_ = std::make_unique<ComError>(ComError::FromCall(hr)); });
    }
    return 0;
}

UINT_PTR CALLBACK CPrinterSetupDlg::PaintHook(HWND, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PSD_GREEKTEXTRECT || !wp || !lp) return 0;
    bool painted = false;
    platform::Guarded([&] { painted = PaintSamplePage(reinterpret_cast<HDC>(wp), *reinterpret_cast<const RECT*>(lp)); },
                      [](HRESULT) {});
    return painted ? 1 : 0;
}

void CPrinterSetupDlg::AddOptionsButton(HWND dialog) {
    HWND ok = ::GetDlgItem(dialog, IDOK);
    if (!ok) return;
    const RECT okPlace = WindowRectIn(ok, dialog);
    HWND printer = nullptr;
    for (int id : kPrinterButtons)
        if (!printer) printer = ::GetDlgItem(dialog, id);
    // Beside the printer button when there is one, else left of OK.
    const LONG width = okPlace.right - okPlace.left, height = okPlace.bottom - okPlace.top;
    const LONG left = printer ? WindowRectIn(printer, dialog).left : okPlace.left - width - width / 8;
    const std::wstring text = PrintingText(IDS_PRINT_OPTIONS, L"Options...");
    HWND button = ::CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, left, okPlace.top,
                                    width, height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_PRINT_OPTIONS)),
                                    platform::Module::Instance(), nullptr);
    ::SendMessageW(button, WM_SETFONT, ::SendMessageW(ok, WM_GETFONT, 0, 0), TRUE);
    ::SetWindowTextW(dialog, PrintingText(IDS_PAGE_SETUP, L"Page Setup").c_str());
}

void CPrinterSetupDlg::OnOptions(HWND dialog) {
    const RECT margins = Margins();
    EngineDispatch map(platform::ThrowIfNull(host_.EngineMap()));
    CQuickPrintDlg sheet(dialog, legend_.Get());
    sheet.SetMapDistanceUnit(map.Get(EngineMap::kDistanceUnit).ToLong());
    sheet.LoadSettings(settings_.Get());
    const SIZE paper = PaperSize();
    sheet.SetPrintableSize({paper.cx - margins.left - margins.right, paper.cy - margins.top - margins.bottom});
    sheet.SetWindowSize(host_.MapOnPaper());
    sheet.SetViewWidth(map.Get(EngineMap::kZoom).ToDouble());
    sheet.TitlePage().SetTitle(host_.QuickPrintTitle());
    if (sheet.DoModal() != IDOK) return;
    sheet.StoreSettings(settings_.Get());
    optionsChanged_ = true;
    host_.SetQuickPrintTitle(sheet.TitlePage().Title());
}

void CPrinterSetupDlg::OnOk() {
    const RECT margins = Margins();
    THROW_IF_FAILED(settings_->put_LeftMargin(margins.left));
    THROW_IF_FAILED(settings_->put_RightMargin(margins.right));
    THROW_IF_FAILED(settings_->put_TopMargin(margins.top));
    THROW_IF_FAILED(settings_->put_BottomMargin(margins.bottom));
    long landscape = 0;
    if (setup_.hDevMode) {
        if (const auto* mode = static_cast<const DEVMODEW*>(::GlobalLock(setup_.hDevMode))) {
            landscape = mode->dmOrientation != DMORIENT_PORTRAIT ? 1 : 0;
            ::GlobalUnlock(setup_.hDevMode);
        }
    }
    THROW_IF_FAILED(settings_->put_OrientationLandscape(landscape));
    THROW_IF_FAILED(settings_->Save(platform::Variant(kRetrievedCopy)));
}
