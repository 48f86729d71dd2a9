#include "ZmaVOMap2/printing/QuickPrintLayouts.h"

#include "ZmaVOMap2/printing/PrintSupport.h"
#include "ZmaVOMap2/services/Logger.h"
#include "platform/Result.h"

#include <cwchar>

using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

struct LayoutEntry {
    long layout;
    const wchar_t* text;
    const wchar_t* document;
};

const LayoutEntry kLayouts[] = {
    {QUICK_PRINT_LAYOUT_PORTRAIT, L"portrait", L"terravex://Map/Printing/Layouts/defaultPortraitMapPrintLayout.xml"},
    {QUICK_PRINT_LAYOUT_LANDSCAPE, L"landscape", L"terravex://Map/Printing/Layouts/defaultLandscapeMapPrintLayout.xml"},
    {QUICK_PRINT_LAYOUT_CUSTOM, L"custom", L"terravex://Map/Printing/Layouts/customQuickPrintLayout.xml"},
};

const LayoutEntry* Find(long layout) {
    for (const LayoutEntry& entry : kLayouts)
        if (entry.layout == layout) return &entry;
    return nullptr;
}

const wchar_t* CustomDocument() { return Find(QUICK_PRINT_LAYOUT_CUSTOM)->document; }

bool Load(IMapPrintSettings& settings, const Variant& source, bool raise) {
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT hr = settings.Load(source, &loaded);
    if (FAILED(hr) && raise) platform::ThrowCall(hr);
    return SUCCEEDED(hr) && loaded == VARIANT_TRUE;
}

// The error's own description, else the system's text of its code.
std::string MessageOf(const ComError& e) {
    std::wstring text = e.Description();
    if (text.empty()) {
        wchar_t* system = nullptr;
        const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
            static_cast<DWORD>(e.Error()), 0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
        if (length && system) text.assign(system, length);
        if (system) ::LocalFree(system);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    }
    return platform::ToAnsi(text);
}

}  // namespace

const wchar_t* QuickPrintLayouts::Text(long layout) noexcept {
    const LayoutEntry* entry = Find(layout);
    return entry ? entry->text : nullptr;
}

bool QuickPrintLayouts::FromText(const wchar_t* text, long& layout) noexcept {
    for (const LayoutEntry& entry : kLayouts) {
        if (text && std::wcscmp(text, entry.text) == 0) {
            layout = entry.layout;
            return true;
        }
    }
    return false;
}

ComPtr<IMapPrintSettings> QuickPrintLayouts::CreateSettings() {
    ComPtr<IUnknown> object;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()));
    THROW_IF_FAILED(::OleRun(object.Get()));
    ComPtr<IMapPrintSettings> settings;
    THROW_IF_FAILED(object->QueryInterface(IID_IMapPrintSettings, settings.PutVoid()));
    return settings;
}

ComPtr<IMapPrintSettings> QuickPrintLayouts::Settings() {
    if (!settings_) {
        // Without the service every print operation answers its own failure.
        try {
            settings_ = CreateSettings();
        }
        COM_CATCH_LOG();
    }
    return settings_;
}

void QuickPrintLayouts::SetSettingsObject(ComPtr<IMapPrintSettings> settings) noexcept {
    if (settings.Get() == settings_.Get()) return;
    settings_ = std::move(settings);
    batch_ = false;
}

void QuickPrintLayouts::SaveCustom() {
    platform::ThrowIfNull(settings_.Get(), E_FAIL);
    // A batch layout in the custom layout's place would become the user's own for good.
    if (batch_) throw ComError(E_FAIL, L"A batch print layout is held: it is not saved as the custom layout", L"VadAZ");
    THROW_IF_FAILED(settings_->Save(Variant(CustomDocument())));
}

void QuickPrintLayouts::LoadBatchLayout(BSTR xml) {
    ComPtr<IMapPrintSettings> settings = Settings();
    if (!settings) throw ComError(E_POINTER, L"The host's print settings are not available", L"VadAZ");
    // Marked before the call: settings that refuse a layout may still have taken part of it.
    batch_ = true;
    VARIANT_BOOL accepted = VARIANT_FALSE;
    THROW_IF_FAILED(settings->LoadXml(xml, &accepted));
    if (accepted != VARIANT_TRUE) throw ComError(E_FAIL, L"The batch print layout was not accepted", L"VadAZ");
}

void QuickPrintLayouts::Restore(const Held& held) noexcept {
    settings_ = held.settings;
    current_ = held.layout;
    batch_ = held.batch;
    try {
        long landscape = 0;
        if (settings_ && SUCCEEDED(settings_->get_OrientationLandscape(&landscape)))
            support_.SetOrientation(landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    }
    COM_CATCH_LOG();
}

bool QuickPrintLayouts::LoadDocument(IMapPrintSettings& settings, long layout) {
    if (layout != QUICK_PRINT_LAYOUT_CUSTOM) return Load(settings, Variant(Find(layout)->document), true);
    if (Load(settings, Variant(CustomDocument()), false)) return true;
    // No custom layout yet (or an unreadable one): the default layout becomes the custom one.
    // When not even the default loads, there is no custom layout to select.
    if (!Load(settings, Variant(0L), true)) return false;
    THROW_IF_FAILED(settings.Save(Variant(CustomDocument())));
    THROW_IF_FAILED(settings.FinishDefaultLayout());
    return true;
}

HRESULT QuickPrintLayouts::Select(long layout) noexcept { return Switch(layout, false); }

HRESULT QuickPrintLayouts::SelectStored(long layout) noexcept { return Switch(layout, batch_); }

HRESULT QuickPrintLayouts::Switch(long layout, bool reloadCurrent) noexcept {
    if (layout == current_ && !reloadCurrent) return S_FALSE;
    try {
        if (!Find(layout)) {
            ComError(E_INVALIDARG, std::to_wstring(layout) + L" is not a quick-print layout (0 portrait, 1 landscape, 2 custom)",
                     L"VadAZ")
                .Restore();
            return E_INVALIDARG;
        }
        ComPtr<IMapPrintSettings> loaded = CreateSettings();
        if (!LoadDocument(*loaded.Get(), layout)) {
            CZmuLoggerZmoLogging& log = GlobalLogger();
            if (log.IsEnabledFor(platform::kLogLevelWarning))
                log.GetStream(platform::kLogLevelWarning, __FILE__, __LINE__) << "Could not load file for layout " << layout
                                                                            << std::endl;
            return S_FALSE;
        }
        long landscape = 0;
        THROW_IF_FAILED(loaded->get_OrientationLandscape(&landscape));
        settings_ = loaded;
        current_ = layout;
        batch_ = false;
        support_.SetOrientation(landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
        return S_OK;
    } catch (const ComError& e) {
        try {
            CZmuLoggerZmoLogging& log = GlobalLogger();
            if (log.IsEnabledFor(platform::kLogLevelError))
                log.GetStream(platform::kLogLevelError, __FILE__, __LINE__)
                    << "Could not set print layout. Error: " << MessageOf(e) << std::endl;
        }
        COM_CATCH_LOG();
        e.Restore();
        return e.Error();
    }
    COM_CATCH_RETURN()
}
