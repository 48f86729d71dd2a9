// The quick-print layouts (portrait, landscape, custom), each with its layout document of the
// host's print-settings service, and the one settings object the control holds for the layout it
// has selected. Selecting a layout loads its document into a new settings object, which replaces
// the held one only once it loaded, and turns the printer to the layout's orientation.
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
    long current_ = kConstructed;
    platform::ComPtr<IMapPrintSettings> settings_;
};
