// What the host handed the control: its two legends, kept without a reference of ours (the host
// keeps them alive), its attributes object, and the usage logger the control writes to.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <string>

class HostObjects {
public:
    // VOLegend and VOPrintLegend: E_POINTER for none; an object without the legend interface
    // clears the legend.
    HRESULT SetLegend(IUnknown* legend);
    HRESULT SetPrintLegend(IUnknown* legend);
    IUnknown* Legend() const noexcept { return legend_; }
    IUnknown* PrintLegend() const noexcept { return printLegend_; }
    // The print legend as its interface (a reference added), null when none.
    platform::ComPtr<IHostPrintLegend> PrintLegendInterface() const;

    // Attributes: the object must answer the attributes interface.
    HRESULT SetAttributes(IDispatch* attributes);
    // With a reference added; null when none was set.
    platform::ComPtr<IUnknown> Attributes() const { return attributes_; }

    // Writes a usage record for a displayed dataset; nothing when the host has no logging.
    void RecordDisplayedDataset(const std::wstring& fields);

private:
    IHostChannelLogger* UsageLogger();

    IUnknown* legend_ = nullptr;
    IUnknown* printLegend_ = nullptr;
    platform::ComPtr<IUnknown> attributes_;
    platform::ComPtr<IHostLoggingManager> usageLogging_;
    platform::ComPtr<IHostChannelLogger> usageChannel_;
};
