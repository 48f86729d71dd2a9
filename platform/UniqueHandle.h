// One RAII template for every kind of handle, a SelectObject restorer, and a scope guard.
#pragma once

#include <windows.h>

#include <utility>

namespace platform {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { Reset(o.Release()); return *this; }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::IsValid(h_); }
    Handle Release() noexcept { Handle h = h_; h_ = Traits::Invalid(); return h; }
    void Reset(Handle h = Traits::Invalid()) noexcept {
        if (Traits::IsValid(h_)) Traits::Close(h_);
        h_ = h;
    }
    Handle* Put() noexcept { Reset(); return &h_; }

private:
    Handle h_ = Traits::Invalid();
};

template <class H, BOOL(WINAPI* CloseFn)(H)>
struct NullHandleTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { CloseFn(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

template <class H>
struct TypedGdiTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

// Files answer INVALID_HANDLE_VALUE, not null, on failure.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

using UniqueHKey = UniqueHandle<RegKeyTraits>;
using UniqueHandleKernel = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueHFont = UniqueHandle<TypedGdiTraits<HFONT>>;
using UniqueHPen = UniqueHandle<TypedGdiTraits<HPEN>>;
using UniqueHBrush = UniqueHandle<TypedGdiTraits<HBRUSH>>;
using UniqueHBitmap = UniqueHandle<TypedGdiTraits<HBITMAP>>;
using UniqueHRgn = UniqueHandle<TypedGdiTraits<HRGN>>;
using UniqueCreatedDC = UniqueHandle<NullHandleTraits<HDC, ::DeleteDC>>;
using UniqueHEnhMetaFile = UniqueHandle<NullHandleTraits<HENHMETAFILE, ::DeleteEnhMetaFile>>;
using UniqueHMenu = UniqueHandle<NullHandleTraits<HMENU, ::DestroyMenu>>;

// A DC from GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDC() { if (dc_) ::ReleaseDC(hwnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back at scope end.
class SelectObjectRestorer {
public:
    SelectObjectRestorer(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectObjectRestorer() { if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_); }
    SelectObjectRestorer(const SelectObjectRestorer&) = delete;
    SelectObjectRestorer& operator=(const SelectObjectRestorer&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Runs `f` when the scope ends, however it is left: a flag or a state put back. `f` must not
// throw: a failure to put something back is handled inside it.
template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
};

}  // namespace platform
