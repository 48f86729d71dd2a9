#include "tests/support/HeldFile.h"

#include <shellapi.h>

namespace testsupport {

const char kHoldFileArgument[] = "--hold-file";

namespace {

// Bounds on the other process: a test that forgets to let go must not hang the run.
constexpr DWORD kStartMs = 30000, kHoldMs = 120000;

std::wstring EventName(const std::wstring& id, const wchar_t* kind) { return L"vadaz-held-file-" + id + L"-" + kind; }

}  // namespace

HeldFile::HeldFile(const std::wstring& path) {
    static long made = 0;
    const std::wstring id = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
    platform::UniqueHandleKernel ready(::CreateEventW(nullptr, TRUE, FALSE, EventName(id, L"ready").c_str()));
    release_.Reset(::CreateEventW(nullptr, TRUE, FALSE, EventName(id, L"release").c_str()));
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::string argument = kHoldFileArgument;
    std::wstring command = L"\"" + std::wstring(program) + L"\" " + std::wstring(argument.begin(), argument.end());
    command += L" \"" + path + L"\" " + id;
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) return;
    process_.Reset(started.hProcess);
    ::CloseHandle(started.hThread);
    const HANDLE either[] = {ready.Get(), process_.Get()};
    ::WaitForMultipleObjects(2, either, FALSE, kStartMs);
}

HeldFile::~HeldFile() {
    ::SetEvent(release_.Get());
    if (process_) ::WaitForSingleObject(process_.Get(), kStartMs);
}

int HoldFileUntilReleased() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments || count != 4) return 2;
    platform::UniqueFile file(::CreateFileW(arguments[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    platform::UniqueHandleKernel ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(arguments[3], L"ready").c_str()));
    platform::UniqueHandleKernel release(::OpenEventW(SYNCHRONIZE, FALSE, EventName(arguments[3], L"release").c_str()));
    ::LocalFree(arguments);
    if (!file || !ready || !release) return 3;
    ::SetEvent(ready.Get());
    return ::WaitForSingleObject(release.Get(), kHoldMs) == WAIT_OBJECT_0 ? 0 : 4;
}

}  // namespace testsupport
