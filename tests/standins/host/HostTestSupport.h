// Helpers of the host stand-in tests: creating stand-ins, reading their call logs, switching
// faults and scratch folders.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hosttest {

template <class I>
platform::ComPtr<I> Create(REFCLSID clsid) {
    platform::ComPtr<I> p;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(I), p.PutVoid());
    EXPECT_EQ(hr, S_OK);
    return p;
}

template <class I, class From>
platform::ComPtr<I> Query(const platform::ComPtr<From>& from) {
    platform::ComPtr<I> p;
    EXPECT_EQ(from.As(p), S_OK);
    return p;
}

// The call log of a stand-in object (for services: of its whole class).
std::vector<std::wstring> Calls(IUnknown* standIn);
void ClearCalls(IUnknown* standIn);

// The description of the thread's error information, empty when there is none.
std::wstring ErrorDescription();

// Sets VADAZ_HOST_FAULTS for its lifetime.
class ScopedFaults {
public:
    explicit ScopedFaults(const wchar_t* faults) { ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", faults); }
    ~ScopedFaults() { ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", nullptr); }
};

// A new empty folder under the temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

bool FileExists(const std::wstring& path);

// Counts the pixels of a memory bitmap that are not white after `paint` drew on it.
template <class Paint>
int InkAfter(int width, int height, Paint paint);
int CountInk(HDC dc, int width, int height);

}  // namespace hosttest

template <class Paint>
int hosttest::InkAfter(int width, int height, Paint paint) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    paint(dc);
    int ink = CountInk(dc, width, height);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return ink;
}
