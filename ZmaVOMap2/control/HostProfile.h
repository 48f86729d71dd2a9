// The control's profile in the host's settings-profile service: the profile's name, the batch
// job it prints for, and the calls that open, load and apply it and rebuild the lines to cells.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <string>

class ControlEngine;

class HostProfile {
public:
    HostProfile(IUnknown* owner, const ControlEngine& engine) noexcept : owner_(owner), engine_(engine) {}

    std::wstring name = L"%##CurrentSettings##%";
    std::wstring batchJobId;
    VARIANT_BOOL batchPrinting = VARIANT_FALSE;

    bool HasService() const noexcept;
    // Each raises the service's failure; E_POINTER without a service.
    HRESULT Open();
    void Load();
    // The batch profile while batch printing, else the profile.
    void Apply();
    HRESULT UpdateLinesToCells(long flag);
    // Loads the profile through the component's versioned name (the cell reference rebuild).
    HRESULT LoadVersioned();
    // Open, load, apply and the lines to cells, as ApplyCurrentProfile asks.
    HRESULT ApplyCurrent();

private:
    IHostService& Service() const;

    IUnknown* owner_;
    const ControlEngine& engine_;
};
