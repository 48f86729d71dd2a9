#include "ZmaVOMap2/printing/MapPrinting.h"

#include "ZmaVOMap2/printing/PrintingResource.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"

#include <climits>
#include <cmath>
#include <vector>

using platform::ComError;
using platform::ComPtr;

namespace {

constexpr const wchar_t* kSource = L"VadAZ";

[[noreturn]] void Raise(HRESULT hr, const std::wstring& description) { throw ComError(hr, description, kSource); }

// The settings' failure as E_FAIL, with the settings' own description when they gave one.
HRESULT AsFailure(HRESULT hr) {
    if (SUCCEEDED(hr)) return hr;
    std::wstring description = ComError::FromCall(hr).Description();
    if (description.empty()) description = L"The print settings refused the value";
    ComError(E_FAIL, description, kSource).Restore();
    return E_FAIL;
}

std::wstring LoadText(UINT id, const wchar_t* fallback) {
    std::wstring text = platform::LoadStringResource(platform::Module::Instance(), id);
    return text.empty() ? fallback : text;
}

}  // namespace

void MapPrinting::Write(const std::function<HRESULT(IMapPrintSettings&)>& write) {
    const QuickPrintLayouts::Held before = layouts_.Hold();
    if (FAILED(layouts_.SelectStored(QUICK_PRINT_LAYOUT_CUSTOM)))
        Raise(E_FAIL, L"The custom print layout cannot be selected");
    ComPtr<IMapPrintSettings> settings = layouts_.Settings();
    // Another layout's settings, or a batch layout, must not be saved as the custom layout.
    if (layouts_.Current() != QUICK_PRINT_LAYOUT_CUSTOM || layouts_.HoldsBatchLayout() || !settings)
        Raise(E_FAIL, L"The custom print layout cannot be loaded: the setting was not written");
    const HRESULT written = write(*settings.Get());
    if (FAILED(written)) {
        ComError failure = ComError::FromCall(written);
        if (failure.Description().empty()) failure = ComError(written, L"The print settings did not take the value", L"VadAZ");
        // A refused value changes nothing: not even a batch layout that no document holds goes.
        layouts_.Restore(before);
        throw failure;
    }
    layouts_.SaveCustom();
}

void MapPrinting::WritePlain(const std::function<HRESULT(IMapPrintSettings&)>& write) {
    Write([&](IMapPrintSettings& settings) { return AsFailure(write(settings)); });
}

void MapPrinting::Read(const std::function<bool(IMapPrintSettings&)>& read) {
    ComPtr<IMapPrintSettings> settings = layouts_.Settings();
    if (!settings || !read(*settings.Get())) Raise(E_FAIL, L"Property not set");
}

void MapPrinting::PutFlag(FlagPut put, VARIANT_BOOL value) {
    WritePlain([&](IMapPrintSettings& s) { return (s.*put)(value); });
}

void MapPrinting::GetFlag(FlagGet get, VARIANT_BOOL* value) {
    platform::ThrowIfNull(value);
    Read([&](IMapPrintSettings& s) { return SUCCEEDED((s.*get)(value)); });
}

void MapPrinting::PutMargin(NumberPut put, double millimetres) {
    const double stored = std::trunc(millimetres * 100.0);
    if (!(stored >= LONG_MIN && stored <= LONG_MAX)) Raise(E_INVALIDARG, L"The margin is not a length in millimetres");
    WritePlain([&](IMapPrintSettings& s) { return (s.*put)(static_cast<long>(stored)); });
}

void MapPrinting::GetMargin(NumberGet get, double* millimetres) {
    platform::ThrowIfNull(millimetres);
    long stored = 0;
    Read([&](IMapPrintSettings& s) { return SUCCEEDED((s.*get)(&stored)); });
    *millimetres = stored * 0.01;
}

void MapPrinting::PutOrientation(VARIANT_BOOL landscape) {
    WritePlain([&](IMapPrintSettings& s) { return s.put_OrientationLandscape(landscape ? 1 : 0); });
    support_.SetOrientation(landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
}

void MapPrinting::GetOrientation(VARIANT_BOOL* landscape) {
    platform::ThrowIfNull(landscape);
    long stored = 0;
    Read([&](IMapPrintSettings& s) { return SUCCEEDED(s.get_OrientationLandscape(&stored)); });
    *landscape = stored == 1 ? VARIANT_TRUE : VARIANT_FALSE;
}

std::unique_ptr<MapPrintJobInfo> MapPrinting::NewJob() {
    std::unique_ptr<MapPrintJobInfo> job = support_.CreateJobInfo();
    if (!job) TellNoPrinter();
    return job;
}

std::unique_ptr<MapBatchPrintJobInfo> MapPrinting::NewBatchJob() {
    std::unique_ptr<MapBatchPrintJobInfo> job = support_.CreateBatchJobInfo();
    if (!job) TellNoPrinter();
    return job;
}

void MapPrinting::TellNoPrinter() {
    const std::wstring text = LoadText(IDS_NO_PRINTER, L"There is no printer available.");
    ::MessageBeep(MB_ICONEXCLAMATION);
    platform::Prompts().MessageBox(nullptr, text, LoadText(IDS_PRINT_MESSAGE_CAPTION, L"Map Module"),
                                   MB_OK | MB_ICONEXCLAMATION);
    Raise(E_FAIL, text);
}

MapPrinting::PrintScope::PrintScope(MapPrinting& printing) : printing_(printing) {
    printing_.RefuseWhilePrinting();
    printing_.running_ = true;
}

void MapPrinting::RefuseWhilePrinting() const {
    if (running_ || support_.IsRunning()) Raise(E_UNEXPECTED, kPrintRunning);
}

void MapPrinting::ShowPreview(std::unique_ptr<MapPrintJobInfo> job, PrintPreviewHost* host) {
    if (job) RequireSheetsWithinBound(*job);
    ClosePreview();
    auto preview = std::make_shared<CMapPrintPreview>(std::move(job), host);
    if (!preview->Create()) Raise(E_FAIL, L"The print preview window cannot be created");
    preview_ = std::move(preview);
}

void MapPrinting::ClosePreview() noexcept {
    // A message of the old window still being handled keeps that object until it is done.
    if (preview_) preview_->Detach();
    preview_.reset();
}

void MapPrinting::PrepareJob(MapPrintJobInfo& job, const PrintSources& sources) {
    support_.ApplyPrinterToJob(job);
    PrepareMapPrintJob(job, sources);
}

bool MapPrinting::PageSetup(HWND parent, PrintSetupHost& host) {
    const QuickPrintLayouts::Held before = layouts_.Hold();
    const HRESULT selected = layouts_.SelectStored(QUICK_PRINT_LAYOUT_CUSTOM);
    ComPtr<IMapPrintSettings> settings = layouts_.Settings();
    // Margins written into another layout's settings, or into a batch layout, must not be saved
    // as the custom layout.
    if (FAILED(selected) || layouts_.Current() != QUICK_PRINT_LAYOUT_CUSTOM || layouts_.HoldsBatchLayout() ||
        !settings) {
        const ComError failure = FAILED(selected) ? ComError::FromCall(selected)
                                                  : ComError(E_FAIL, L"The custom print layout cannot be loaded", kSource);
        layouts_.Restore(before);
        throw failure;
    }
    support_.EnsureDefaultPrinter();
    support_.EnsureDefaultDevMode();
    if (!support_.Printer()) {
        layouts_.Restore(before);
        TellNoPrinter();
    }
    CPrinterSetupDlg dialog(parent, host, settings.Get());
    dialog.SetPrinter(CopyDevModeToGlobal(support_.DevMode()), BuildDevNames(support_.Printer()));
    if (dialog.DoModal() != IDOK) {
        // What an OK of the "Print Map" sheet stored stays in the custom layout when that was
        // the one selected; else the map holds what it held before.
        if (dialog.OptionsChanged())
            layouts_.Select(before.layout);
        else
            layouts_.Restore(before);
        return false;
    }
    layouts_.SaveCustom();
    support_.SetPrinterFromHandles(dialog.DevMode(), dialog.DevNames());
    return true;
}

std::wstring MapPrinting::ReadStoredTitle() {
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return L"";
    std::vector<wchar_t> text(64000 / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0, size = 64000;
    if (::RegQueryValueExW(key.Get(), L"MapTitle", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    return text.data();
}

bool MapPrinting::StoreTitle(const std::wstring& title) {
    if (title == title_ && title == ReadStoredTitle()) return true;
    title_ = title;
    platform::UniqueHKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((title.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), L"MapTitle", 0, REG_SZ, reinterpret_cast<const BYTE*>(title.c_str()), bytes) ==
           ERROR_SUCCESS;
}
