// The quick-print layouts (portrait, landscape, custom), each with its layout document of the
// host's print-settings service, and the one settings object the control holds for the layout it
// has selected. Selecting a layout loads its document into a new settings object, which replaces
// the held one only once it loaded, and turns the printer to the layout's orientation. A batch
// layout loaded into the held object is held until the next switch, and never saved.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"
#include "VadAZ.h"

class PrintSupport;

class QuickPrintLayouts {
public:
    static constexpr long kConstructed = QUICK_PRINT_LAYOUT_LANDSCAPE;

    explicit QuickPrintLayouts(PrintSupport& support) noexcept : support_(support) {}

    long Current() const noexcept { return current_; }

    // S_OK when the layout was selected; S_FALSE when it is the current one or its document did
    // not load (a warning is logged and nothing changes); E_INVALIDARG for a value outside the
    // layouts. A COM error on the way is logged, left as the thread's error information and
    // answered with its HRESULT.
    HRESULT Select(long layout) noexcept;
    // As Select, but the current layout too is loaded again from its document when a batch
    // layout replaced its values: what is written and saved starts from the layout as stored.
    HRESULT SelectStored(long layout) noexcept;

    // Loads a layout given as XML (a batch print's) into the held settings object for the prints
    // that follow. No document holds it: it is never saved, and SelectStored replaces it. Raises
    // E_POINTER without settings, the settings' failure, and E_FAIL when they did not take it.
    void LoadBatchLayout(BSTR xml);
    // The held settings hold a batch layout in place of their document's values.
    bool HoldsBatchLayout() const noexcept { return batch_; }

    // What is held, to be held again when an operation that selected another layout is undone.
    struct Held {
        long layout;
        platform::ComPtr<IMapPrintSettings> settings;
        bool batch;
    };
    Held Hold() const { return {current_, settings_, batch_}; }
    // Holds it again and turns the printer to its orientation.
    void Restore(const Held& held) noexcept;

    // The held settings object; one is created on first use when none is held (null when the
    // service cannot be created).
    platform::ComPtr<IMapPrintSettings> Settings();
    // Holds `settings` (may be null) in place of the held object.
    void SetSettingsObject(platform::ComPtr<IMapPrintSettings> settings) noexcept;
    // Saves the held object to the custom layout's document.
    void SaveCustom();

    // "portrait", "landscape", "custom": null for a value outside the layouts.
    static const wchar_t* Text(long layout) noexcept;
    // The layout of an exact text; false for any other.
    static bool FromText(const wchar_t* text, long& layout) noexcept;

private:
    platform::ComPtr<IMapPrintSettings> CreateSettings();
    bool LoadDocument(IMapPrintSettings& settings, long layout);

    PrintSupport& support_;
    HRESULT Switch(long layout, bool reloadCurrent) noexcept;

    long current_ = kConstructed;
    platform::ComPtr<IMapPrintSettings> settings_;
    bool batch_ = false;
};
