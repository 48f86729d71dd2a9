// Helpers shared by the test programs: paths of the built binaries inside Wine, registry reads,
// running a Windows program, and pumping messages.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "platform/UniqueHandle.h"

#include <string>
#include <vector>

namespace testsupport {

using UniqueWindow = platform::UniqueHandle<platform::NullHandleTraits<HWND, ::DestroyWindow>>;

// A path of the build tree (given at compile time as a Unix path) as Wine sees it ("Z:\...").
std::wstring WinePath(const char* unixPath);
// A folder of the build tree for the files a program leaves to a judge, as this run names it: a
// second run of the program (in another C runtime locale) gives its own VADAZ_TEST_RUN_SUFFIX.
std::string RunFolder(const char* unixPath);
std::wstring RunFolder(const std::wstring& path);

// Registry reads; false when the key or value is missing.
bool KeyExists(HKEY root, const std::wstring& path);
bool ReadString(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value);
bool ReadDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& value);
void WriteString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
void WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);
void DeleteValue(HKEY root, const std::wstring& path, const wchar_t* name);
void DeleteTree(HKEY root, const std::wstring& path);
std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path);

// Runs a command line, waits, and answers its exit code (or -1 when it did not start).
int RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// Dispatches the thread's pending messages.
void PumpMessages();

// The text of this thread's rollover tooltip; empty when none is shown.
std::string ShownRolloverTip();

// The GDI objects the process holds: GetGuiResources where it counts, else (Wine answers it 0)
// the live entries of the process's GDI handle table. -1 when neither counts a brush made.
long GdiObjects();

// The USER objects the process holds: GetGuiResources where it counts, else (Wine answers it 0)
// the process's windows: top-level ones of its threads, message-only ones and all their children.
// -1 when neither counts a window made.
long UserObjects();

// The kernel handles the process holds: GetProcessHandleCount where it counts, else (Wine answers
// it 0) the handle values DuplicateHandle accepts. -1 when neither counts an event made.
long KernelHandles();

// The three counts at once, and a check that names each kind ("GDI objects", "USER objects",
// "handles") held beyond `before` plus `allowed`; a kind that cannot be counted fails it fatally.
struct SystemObjects {
    long gdi = 0, user = 0, handles = 0;
};
SystemObjects CountSystemObjects();
void ExpectNoMoreSystemObjects(const SystemObjects& before, const SystemObjects& after,
                               const SystemObjects& allowed = {});

// The number at the start of `text` as files, documents and the map's dialogs write it (as atof
// reads it in the C locale), whatever the C runtime's locale is; 0 when none starts it.
double NumberIn(const std::string& text);
double NumberIn(const std::wstring& text);

// A locale of the C runtime with a decimal comma, as hosts that show numbers their user's way set.
constexpr const char* kCommaLocale = "German_Germany.1252";

// The C runtime's locale set to `name` for the life of the object (as a host sets it on the runtime
// it shares with the libraries), then put back.
class CrtLocale {
public:
    explicit CrtLocale(const char* name);
    ~CrtLocale();
    CrtLocale(const CrtLocale&) = delete;
    CrtLocale& operator=(const CrtLocale&) = delete;
    bool Set() const noexcept { return set_; }

private:
    std::string before_;
    bool set_ = false;
};

// Whether nothing of the library `name` is in use: its DllCanUnloadNow answers S_OK, as COM asks
// before it frees a library (ours stay loaded once loaded). A library that is not loaded is unused.
bool LibraryUnused(const wchar_t* name);

// The messages of the host's log (the control's included), in order; ClearHostLog empties it.
std::vector<std::wstring> HostLogLines();
void ClearHostLog();

// Takes the background imagery layer off an initialised map the way a user does, with "Remove"
// in the Layer Control. Visible imagery snaps the map's scale to its tile levels at every view
// change; the tests of views that are not about imagery keep the scales they give this way.
// A map that still has its imagery afterwards fails the test here, with what the Layer Control did.
void RemoveBackgroundMap(IUnknown* control);

}  // namespace testsupport
