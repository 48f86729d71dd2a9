// Printer handles and the printer's settings as the print code keeps them: an open printer, a
// DEVMODE in moveable global memory (kept locked), and the DEVNAMES that names an open printer.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

using UniquePrinter = platform::UniqueHandle<platform::NullHandleTraits<HANDLE, ::ClosePrinter>>;

// A DEVMODE (with its driver's private bytes) in moveable global memory, locked while held.
class DevModeHolder {
public:
    DevModeHolder() noexcept = default;
    ~DevModeHolder() { Reset(); }
    DevModeHolder(const DevModeHolder&) = delete;
    DevModeHolder& operator=(const DevModeHolder&) = delete;

    // Replaces the held DEVMODE by a copy of `mode` (dmSize + dmDriverExtra bytes); false, with
    // nothing held, for a null mode or when memory runs out.
    bool CopyFrom(const DEVMODEW* mode);
    bool CopyFromGlobal(HGLOBAL mode);
    void Reset() noexcept;

    DEVMODEW* Get() const noexcept { return mode_; }
    HGLOBAL Handle() const noexcept { return memory_; }
    explicit operator bool() const noexcept { return mode_ != nullptr; }

private:
    HGLOBAL memory_ = nullptr;
    DEVMODEW* mode_ = nullptr;
};

// A copy of a DEVMODE (with its driver's bytes) in new moveable global memory, for a common
// dialog; null for no DEVMODE or when memory runs out. The caller frees it with GlobalFree.
HGLOBAL CopyDevModeToGlobal(const DEVMODEW* mode);

// Opens a printer for use with the given DEVMODE (may be null); an empty handle when it fails.
UniquePrinter OpenPrinterForUse(const std::wstring& name, DEVMODEW* mode);

// The printer's level-2 information in a buffer that holds its strings (empty on failure).
std::vector<BYTE> PrinterInfo2(HANDLE printer);

// A DEVNAMES in moveable global memory for an open printer; null when the printer cannot tell its
// names. The caller frees it with GlobalFree.
HGLOBAL BuildDevNames(HANDLE printer);

// The device name a DEVNAMES holds (empty for none).
std::wstring DeviceNameOf(HGLOBAL devNames);

// A printer device context for the printer with the DEVMODE; null when none can be made.
HDC CreatePrinterDC(const std::wstring& name, const DEVMODEW* mode);
