// What the host handed the control: its two legends and its attributes object, each held with a
// reference of ours (a script host lets go of what it handed over), and the usage logger the
// control writes to.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <string>

class HostObjects {
public:
    // VOLegend and VOPrintLegend: E_POINTER for none; an object without the legend interface
    // clears the legend. The legend held before is let go.
    HRESULT SetLegend(IUnknown* legend);
    HRESULT SetPrintLegend(IUnknown* legend);
    // Borrowed: valid until another legend is given or the legends are let go.
    IUnknown* Legend() const noexcept { return legend_.Get(); }
    IUnknown* PrintLegend() const noexcept { return printLegend_.Get(); }
    // The print legend as its interface (a reference added), null when none.
    platform::ComPtr<IHostPrintLegend> PrintLegendInterface() const { return printLegend_; }
    // PreDestroy and the last release: both legends are let go.
    void ReleaseLegends() noexcept;

    // Attributes: the object must answer the attributes interface.
    HRESULT SetAttributes(IDispatch* attributes);
    // With a reference added; null when none was set.
    platform::ComPtr<IUnknown> Attributes() const { return attributes_; }

    // Writes a usage record for a displayed dataset; nothing when the host has no logging.
    void RecordDisplayedDataset(const std::wstring& fields);

private:
    IHostChannelLogger* UsageLogger();

    platform::ComPtr<IHostVOLegend> legend_;
    platform::ComPtr<IHostPrintLegend> printLegend_;
    platform::ComPtr<IUnknown> attributes_;
    platform::ComPtr<IHostLoggingManager> usageLogging_;
    platform::ComPtr<IHostChannelLogger> usageChannel_;
};
