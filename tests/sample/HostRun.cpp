#include "tests/sample/HostRun.h"

#include "tests/support/TestSupport.h"

#include "platform/Com.h"
#include "platform/UniqueHandle.h"

#include <gdiplus.h>

#include <string>
#include <unordered_set>

namespace sampletest {

using platform::UniqueHandleKernel;

namespace {

struct FrameSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<FrameSearch*>(lp);
    DWORD owner = 0;
    wchar_t name[64] = {};
    ::GetWindowThreadProcessId(hwnd, &owner);
    ::GetClassNameW(hwnd, name, 64);
    if (owner == search->process && std::wstring(name) == L"VadAZHostFrame") {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Closes the host's frame once it exists; false when it never appeared or the host ended first.
bool CloseFrameOf(const PROCESS_INFORMATION& pi) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        FrameSearch search = {pi.dwProcessId, nullptr};
        ::EnumWindows(&FindFrame, reinterpret_cast<LPARAM>(&search));
        if (search.found) return ::PostMessageW(search.found, WM_CLOSE, 0, 0) != FALSE;
        if (::WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) return false;
    }
    return false;
}

}  // namespace

HostRun RunHost(const std::wstring& arguments, bool closeFrame) {
    HostRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    UniqueHandleKernel reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + testsupport::WinePath(VADAZ_HOST_UNIX_PATH) + L"\" " + arguments;
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return run;
    UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
    writer.Reset();  // the pipe ends when the host's copy closes
    if (closeFrame && !CloseFrameOf(pi)) ::TerminateProcess(pi.hProcess, 98);

    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) run.output.append(buffer, got);
    if (::WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(pi.hProcess, 99);
        return run;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    return run;
}

std::wstring ScratchFile(const wchar_t* name) {
    std::wstring folder = testsupport::WinePath(VADAZ_SCRATCH_UNIX_DIR);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + name;
    ::DeleteFileW(path.c_str());
    return path;
}

bool IsRegistered(const std::wstring& progIdOrClsid) {
    CLSID clsid = {};
    if (!progIdOrClsid.empty() && progIdOrClsid[0] == L'{') {
        if (FAILED(::CLSIDFromString(progIdOrClsid.c_str(), &clsid))) return false;
        return testsupport::KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + progIdOrClsid + L"\\InprocServer32");
    }
    return SUCCEEDED(::CLSIDFromProgID(progIdOrClsid.c_str(), &clsid));
}

DecodedImage DecodeImage(const std::wstring& path) {
    DecodedImage image;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return image;
    {
        Gdiplus::Bitmap bitmap(path.c_str());
        Gdiplus::BitmapData data = {};
        Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
        if (bitmap.GetLastStatus() == Gdiplus::Ok && all.Width > 0 && all.Height > 0 &&
            bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) == Gdiplus::Ok) {
            image.decoded = true;
            image.width = data.Width;
            image.height = data.Height;
            for (UINT y = 0; y < data.Height; ++y) {
                const auto* row = reinterpret_cast<const UINT32*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
                for (UINT x = 0; x < data.Width; ++x) image.pixels.push_back(row[x] & 0x00FFFFFF);
            }
            bitmap.UnlockBits(&data);
            image.colours = std::unordered_set<UINT32>(image.pixels.begin(), image.pixels.end()).size();
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return image;
}

std::vector<char> ReadFileBytes(const std::wstring& path) {
    std::vector<char> bytes;
    platform::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got) bytes.insert(bytes.end(), buffer, buffer + got);
    return bytes;
}

}  // namespace sampletest
