#include "ZmaVOMap2/printing/PrinterHandles.h"

#include <cstring>

bool DevModeHolder::CopyFrom(const DEVMODEW* mode) {
    Reset();
    if (!mode) return false;
    const SIZE_T size = mode->dmSize + mode->dmDriverExtra;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return false;
    auto* locked = static_cast<DEVMODEW*>(::GlobalLock(memory));
    if (!locked) {
        ::GlobalFree(memory);
        return false;
    }
    std::memcpy(locked, mode, size);
    memory_ = memory;
    mode_ = locked;
    return true;
}

bool DevModeHolder::CopyFromGlobal(HGLOBAL mode) {
    if (!mode) {
        Reset();
        return false;
    }
    auto* source = static_cast<DEVMODEW*>(::GlobalLock(mode));
    bool copied = CopyFrom(source);
    if (source) ::GlobalUnlock(mode);
    return copied;
}

void DevModeHolder::Reset() noexcept {
    if (memory_) {
        ::GlobalUnlock(memory_);
        ::GlobalFree(memory_);
    }
    memory_ = nullptr;
    mode_ = nullptr;
}

HGLOBAL CopyDevModeToGlobal(const DEVMODEW* mode) {
    if (!mode) return nullptr;
    const SIZE_T size = mode->dmSize + mode->dmDriverExtra;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    void* locked = memory ? ::GlobalLock(memory) : nullptr;
    if (!locked) {
        if (memory) ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked, mode, size);
    ::GlobalUnlock(memory);
    return memory;
}

UniquePrinter OpenPrinterForUse(const std::wstring& name, DEVMODEW* mode) {
    UniquePrinter printer;
    if (name.empty()) return printer;
    PRINTER_DEFAULTSW defaults = {nullptr, mode, PRINTER_ACCESS_USE};
    HANDLE handle = nullptr;
    if (::OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &handle, &defaults) && handle) printer.Reset(handle);
    return printer;
}

std::vector<BYTE> PrinterInfo2(HANDLE printer) {
    std::vector<BYTE> buffer;
    if (!printer) return buffer;
    DWORD needed = 0;
    ::GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed == 0) return buffer;
    buffer.resize(needed);
    if (!::GetPrinterW(printer, 2, buffer.data(), needed, &needed)) buffer.clear();
    return buffer;
}

HGLOBAL BuildDevNames(HANDLE printer) {
    std::vector<BYTE> info = PrinterInfo2(printer);
    if (info.empty()) return nullptr;
    const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    if (!p->pPrinterName) return nullptr;
    const std::wstring driver = p->pDriverName ? p->pDriverName : L"";
    const std::wstring device = p->pPrinterName;
    const std::wstring port = p->pPortName ? p->pPortName : L"";
    const size_t chars = driver.size() + device.size() + port.size() + 3;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVNAMES) + chars * sizeof(wchar_t));
    if (!memory) return nullptr;
    auto* names = static_cast<DEVNAMES*>(::GlobalLock(memory));
    auto* text = reinterpret_cast<wchar_t*>(names);
    WORD offset = sizeof(DEVNAMES) / sizeof(wchar_t);
    auto put = [&](const std::wstring& s) {
        WORD at = offset;
        std::memcpy(text + at, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
        offset = static_cast<WORD>(offset + s.size() + 1);
        return at;
    };
    names->wDriverOffset = put(driver);
    names->wDeviceOffset = put(device);
    names->wOutputOffset = put(port);
    names->wDefault = 0;
    ::GlobalUnlock(memory);
    return memory;
}

std::wstring DeviceNameOf(HGLOBAL devNames) {
    if (!devNames) return std::wstring();
    const auto* names = static_cast<const DEVNAMES*>(::GlobalLock(devNames));
    if (!names) return std::wstring();
    std::wstring device = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
    ::GlobalUnlock(devNames);
    return device;
}

HDC CreatePrinterDC(const std::wstring& name, const DEVMODEW* mode) {
    if (name.empty()) return nullptr;
    return ::CreateDCW(L"WINSPOOL", name.c_str(), nullptr, mode);
}
