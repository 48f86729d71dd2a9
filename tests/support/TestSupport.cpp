#include "tests/support/TestSupport.h"

#include "tests/support/DialogAnswerer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"

#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/UniqueHandle.h"

#include "HostInterfaces.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <vector>

#include <commctrl.h>
#include <shlwapi.h>
#include <winternl.h>

namespace testsupport {

std::wstring WinePath(const char* unixPath) {
    std::wstring p = L"Z:" + platform::ToWide(unixPath, CP_UTF8);
    for (wchar_t& c : p)
        if (c == L'/') c = L'\\';
    return p;
}

std::string RunFolder(const char* unixPath) {
    const char* suffix = std::getenv("VADAZ_TEST_RUN_SUFFIX");
    return std::string(unixPath) + (suffix ? suffix : "");
}

std::wstring RunFolder(const std::wstring& path) { return platform::ToWide(RunFolder(platform::ToAnsi(path).c_str())); }

bool KeyExists(HKEY root, const std::wstring& path) {
    platform::UniqueHKey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

bool ReadString(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value) {
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &size) != ERROR_SUCCESS)
        return false;
    value = buf.c_str();
    return true;
}

bool ReadDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& value) {
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = sizeof value;
    return ::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

void WriteString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    platform::UniqueHKey key;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) ==
        ERROR_SUCCESS)
        ::RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
    platform::UniqueHKey key;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) ==
        ERROR_SUCCESS)
        ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void DeleteValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, key.Put()) == ERROR_SUCCESS)
        ::RegDeleteValueW(key.Get(), name);
}

void DeleteTree(HKEY root, const std::wstring& path) { ::SHDeleteKeyW(root, path.c_str()); }

std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (::RegEnumKeyExW(key.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

int RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = commandLine;
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    platform::UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(pi.hProcess, 99);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

namespace {

BOOL CALLBACK FindTip(HWND window, LPARAM found) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

}  // namespace

std::string ShownRolloverTip() {
    HWND tip = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindTip, reinterpret_cast<LPARAM>(&tip));
    if (!tip || !::IsWindowVisible(tip)) return "";
    char text[1024] = {};
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    if (!::SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool))) return "";
    tool.lpszText = text;
    ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

namespace {

// One removal at a time: the Layer Control it works and the timers it set.
struct ImageryRemoval {
    HWND dialog = nullptr;
    bool worked = false;
    std::vector<UINT_PTR> timers;
};
ImageryRemoval* g_removal = nullptr;

// Selects the imagery layer's row, removes it and closes the Layer Control with OK.
void CALLBACK RemoveImageryRow(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND dialog = g_removal ? g_removal->dialog : nullptr;
    if (!::IsWindow(dialog)) return;
    g_removal->worked = true;
    HWND list = ::GetDlgItem(dialog, IDC_LAYER_LIST);
    const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int row = 0; row < rows; ++row) {
        wchar_t text[128] = {};
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 128;
        ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        if (std::wstring(text).rfind(L"Background map", 0) != 0) continue;
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LAYER_REMOVE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_LAYER_REMOVE)));
        break;
    }
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

platform::Variant Member(IDispatch* object, DISPID id, WORD flags, platform::Variant* argument = nullptr) {
    DISPPARAMS params = {argument, nullptr, argument ? 1u : 0u, 0};
    platform::Variant result;
    if (object) object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.Put(), nullptr, nullptr);
    return result;
}

// Whether the engine map still has the imagery's layer, read as any automation client reads it.
bool HasImageryLayer(IDispatch* control) {
    const platform::Variant map = Member(control, 0x5, DISPATCH_PROPERTYGET);  // MapX
    if (map.vt != VT_DISPATCH) return false;
    const platform::Variant layers = Member(map.pdispVal, 5, DISPATCH_PROPERTYGET);
    if (layers.vt != VT_DISPATCH) return false;
    const long count = Member(layers.pdispVal, 1, DISPATCH_PROPERTYGET).ToLong();
    for (long i = 1; i <= count; ++i) {
        platform::Variant index(i);
        const platform::Variant layer = Member(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &index);
        if (layer.vt != VT_DISPATCH) continue;
        if (Member(layer.pdispVal, 1, DISPATCH_PROPERTYGET).ToWide().rfind(L"Background map", 0) == 0) return true;
    }
    return false;
}

}  // namespace

namespace {

platform::ComPtr<IHostLogStore> HostLog() {
    platform::ComPtr<IHostLogStore> store;
    ::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore, store.PutVoid());
    return store;
}

// A count of our own is trusted only where it sees the `made` objects that `hold` makes while it
// holds them, and sees them go once it has freed them: -1 otherwise; else the count once they are
// gone (with any the system made beside them and keeps, as the input-method window that comes with
// a thread's first top-level window). Another thread of the process (a logger's or a download
// thread, a dataset's apartment) may make or free objects of its own meanwhile: one that frees
// them upsets nothing, and a check that one making them upset is made again a few times.
template <typename Count, typename Hold>
long SelfChecked(Count count, long made, Hold hold) {
    for (int attempt = 0; attempt < 10; ++attempt, ::Sleep(20)) {
        const long before = count();
        long held = -1;
        hold([&] { held = count(); });
        const long after = count();
        if (held >= before + made && after <= held - made) return after;
    }
    return -1;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) { return ++*reinterpret_cast<long*>(count), TRUE; }

BOOL CALLBACK CountIfOfThisProcess(HWND window, LPARAM count) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId()) return TRUE;
    ::EnumChildWindows(window, &CountWindow, count);
    return CountWindow(window, count);
}

// The desktop's top-level windows of this process's threads, its message-only windows, and every
// child of theirs.
long WindowsOfThisProcess() {
    long count = 0;
    ::EnumWindows(&CountIfOfThisProcess, reinterpret_cast<LPARAM>(&count));
    for (HWND window = nullptr; (window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr));)
        CountIfOfThisProcess(window, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Handle values are multiples of four, handed out from the lowest free one: past the highest
// handle seen, a long run of values that are not handles ends the table.
long DuplicableHandleValues() {
    const HANDLE self = ::GetCurrentProcess();
    long count = 0;
    for (ULONG_PTR value = 4, highest = 0; value <= highest + 4 * 1024; value += 4) {
        platform::UniqueHandleKernel copy;
        if (!::DuplicateHandle(self, reinterpret_cast<HANDLE>(value), self, copy.Put(), 0, FALSE,
                               DUPLICATE_SAME_ACCESS))
            continue;
        ++count;
        highest = value;
    }
    return count;
}

}  // namespace

// Wine keeps the process's GDI objects in the table its process environment block points to
// (entries of six words in either bitness, a live object's type in the high half of the fourth);
// the block holds that pointer at another offset in a 64-bit process.
long GdiObjects() {
    if (const DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return counted;
#ifdef _WIN64
    constexpr size_t kGdiSharedHandleTable = 0xF8;
#else
    constexpr size_t kGdiSharedHandleTable = 0x94;
#endif
    PROCESS_BASIC_INFORMATION process = {};
    ::NtQueryInformationProcess(::GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr);
    const auto* table = *reinterpret_cast<const DWORD* const*>(reinterpret_cast<BYTE*>(process.PebBaseAddress) +
                                                              kGdiSharedHandleTable);
    auto count = [table] {
        long live = 0;
        for (int i = 0; table && i < 0x10000; ++i) live += (table[6 * i + 3] >> 16) != 0;
        return live;
    };
    return SelfChecked(count, 1, [](auto whileHeld) {
        platform::UniqueHBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
        whileHeld();
    });
}

long UserObjects() {
    if (const DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return counted;
    return SelfChecked(&WindowsOfThisProcess, 2, [](auto whileHeld) {
        UniqueWindow hidden(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, 0));
        UniqueWindow messageOnly(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, 0, 0));
        whileHeld();
    });
}

long KernelHandles() {
    DWORD counted = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &counted) && counted) return counted;
    return SelfChecked(&DuplicableHandleValues, 1, [](auto whileHeld) {
        platform::UniqueHandleKernel event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        whileHeld();
    });
}

SystemObjects CountSystemObjects() { return {GdiObjects(), UserObjects(), KernelHandles()}; }

void ExpectNoMoreSystemObjects(const SystemObjects& before, const SystemObjects& after,
                               const SystemObjects& allowed) {
    for (long counted : {before.gdi, before.user, before.handles, after.gdi, after.user, after.handles})
        ASSERT_GE(counted, 0) << "GDI objects, USER objects and handles can be counted here";
    EXPECT_LE(after.gdi, before.gdi + allowed.gdi) << "GDI objects";
    EXPECT_LE(after.user, before.user + allowed.user) << "USER objects";
    EXPECT_LE(after.handles, before.handles + allowed.handles) << "handles";
}

std::vector<std::wstring> HostLogLines() {
    std::vector<std::wstring> lines;
    platform::ComPtr<IHostLogStore> store = HostLog();
    long count = 0;
    if (store) store->get_EntryCount(&count);
    for (long i = 0; i < count; ++i) {
        BSTR text = nullptr;
        store->EntryMessage(i, &text);
        lines.push_back(platform::Bstr::Attach(text).Wide());
    }
    return lines;
}

void ClearHostLog() {
    if (platform::ComPtr<IHostLogStore> store = HostLog()) store->ClearEntries();
}

double NumberIn(const std::string& text) {
    double value = 0;
    platform::ReadNumber(text.c_str(), value);
    return value;
}

double NumberIn(const std::wstring& text) {
    double value = 0;
    platform::ReadNumber(text.c_str(), value);
    return value;
}

CrtLocale::CrtLocale(const char* name) : before_(std::setlocale(LC_ALL, nullptr)) {
    set_ = std::setlocale(LC_ALL, name) != nullptr;
}

CrtLocale::~CrtLocale() { std::setlocale(LC_ALL, before_.c_str()); }

bool LibraryUnused(const wchar_t* name) {
    const HMODULE library = ::GetModuleHandleW(name);
    if (!library) return true;
    const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(library, "DllCanUnloadNow"));
    return canUnloadNow && canUnloadNow() == S_OK;
}

void RemoveBackgroundMap(IUnknown* control) {
    DialogAnswerer* answerer = DialogAnswerer::Current();
    platform::ComPtr<IDispatch> automation;
    if (!answerer || !control || FAILED(control->QueryInterface(IID_IDispatch, automation.PutVoid()))) return;
    ImageryRemoval removal;
    g_removal = &removal;
    // While the Layer Control is open, a window of another program that closes may give it the
    // activation back: each dialog is worked once, and no timer outlives the removal.
    answerer->SetAction([&removal](HWND dialog) {
        if (dialog == removal.dialog) return;
        removal.dialog = dialog;
        if (UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &RemoveImageryRow)) removal.timers.push_back(timer);
    });
    // LayersDlg, through automation as a host calls it.
    DISPPARAMS none = {};
    const HRESULT hr =
        automation->Invoke(0x11, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    answerer->SetAction(nullptr);
    for (UINT_PTR timer : removal.timers) ::KillTimer(nullptr, timer);
    g_removal = nullptr;
    // A map that keeps its imagery snaps every view to the tile levels: say so here rather than
    // through the view checks of the test.
    if (HasImageryLayer(automation.Get()))
        ADD_FAILURE() << "the background map is still on the map: LayersDlg answered 0x" << std::hex << hr
                      << (removal.dialog ? "" : ", the Layer Control never opened")
                      << (removal.dialog && !removal.worked ? ", the Layer Control closed before it was worked" : "");
}

}  // namespace testsupport
