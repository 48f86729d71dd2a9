#include "tests/control/HostForm.h"

#include "tests/support/DibCanvas.h"

#include "platform/ComObject.h"

#include "HostInterfaces.h"
#include "VadAZ.h"

#include <commctrl.h>

#include <cmath>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace formtest {

HWND MakeForm(int width, int height) {
    HWND form = ::CreateWindowExW(0, L"STATIC", L"form", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                  nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(form);
    return form;
}

FormMap::FormMap(HWND form, int width, int height)
    : site_(platform::MakeObject<testsupport::TestSite>(width, height, form)) {
    CLSID mapClass = {};
    made_ = ::CLSIDFromProgID(L"VadAZ2.ZmaVadAZ.1", &mapClass);
    if (SUCCEEDED(made_))
        made_ = ::CoCreateInstance(mapClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control_.PutVoid());
    if (SUCCEEDED(made_)) made_ = testsupport::ActivateInPlace(control_.Get(), *site_.Get());
}

FormMap::~FormMap() {
    if (control_) testsupport::CloseInPlace(control_.Get());
}

HRESULT FormMap::Show(IDispatch* dataset) {
    ComPtr<IZmaVadAZ2> map;
    HRESULT hr = control_ ? control_->QueryInterface(IID_IZmaVadAZ2, map.PutVoid()) : E_POINTER;
    const Bstr guid(L"{5E1EC7ED-0000-4000-8000-0000000049A4}");
    if (SUCCEEDED(hr)) hr = map->DisplayDataset(dataset, Variant(L"RxLev"), guid.Get());
    if (SUCCEEDED(hr)) hr = testsupport::DibCanvas(site_->Rect().right, site_->Rect().bottom).DrawView(control_.Get());
    return SUCCEEDED(hr) ? map->put_CurrentTool(VO_MAP_TOOL_SELECT) : hr;
}

bool FormMap::MoveMouseOver(long row) {
    ComPtr<IZmaVadAZ2> map;
    ComPtr<IDispatch> engine;
    if (!control_ || FAILED(control_->QueryInterface(IID_IZmaVadAZ2, map.PutVoid())) ||
        FAILED(map->get_MapX(engine.Put())) || !engine)
        return false;
    // The engine's ConvertCoord from map to screen.
    float x = 0, y = 0;
    double longitude = 10.0 + (row % 20) * 0.01, latitude = 50.0 + (row / 20) * 0.01;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF, args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF, args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF, args[2].pdblVal = &longitude;
    args[1].vt = VT_R8 | VT_BYREF, args[1].pdblVal = &latitude;
    args[0].vt = VT_I2, args[0].iVal = 0;
    DISPPARAMS params = {args, nullptr, 5, 0};
    if (FAILED(engine->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr))) return false;
    const LPARAM pixel = MAKELPARAM(std::lround(x), std::lround(y));
    ::PostMessageW(::GetWindow(site_->Window(), GW_CHILD), WM_MOUSEMOVE, 0, pixel);
    PumpFor(0);
    return true;
}

ComPtr<IDispatch> GridDataset(long rows, long firstValue) {
    ComPtr<IHostDatasetSetup> setup;
    if (FAILED(::CoCreateInstance(CLSID_HostDataset, nullptr, CLSCTX_INPROC_SERVER, IID_IHostDatasetSetup,
                                  setup.PutVoid())))
        return nullptr;
    long position = 0;
    for (auto field : {std::make_pair(L"Latitude", 13L), {L"Longitude", 12L}, {L"RxLev", 5L}})
        setup->AddField(Bstr(field.first).Get(), field.second, &position);
    for (long row = 0; row < rows; ++row) {
        setup->AddRow(&position);
        setup->SetValue(row, Variant(L"Latitude"), Variant(50.0 + (row / 20) * 0.01));
        setup->SetValue(row, Variant(L"Longitude"), Variant(10.0 + (row % 20) * 0.01));
        setup->SetValue(row, Variant(L"RxLev"), Variant(firstValue + row));
    }
    ComPtr<IDispatch> dataset;
    setup->QueryInterface(IID_IDispatch, dataset.PutVoid());
    return dataset;
}

std::string TipText(long firstValue, long row) { return "RxLev: " + std::to_string(firstValue + row); }

namespace {

bool IsTip(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, TOOLTIPS_CLASSA) == 0;
}

BOOL CALLBACK CollectShownTip(HWND window, LPARAM texts) {
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    char text[1024] = {};
    if (IsTip(window) && ::IsWindowVisible(window) &&
        ::SendMessageA(window, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool))) {
        tool.lpszText = text;
        ::SendMessageA(window, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
    }
    return TRUE;
}

BOOL CALLBACK CountTip(HWND window, LPARAM counts) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && IsTip(window)) {
        auto& count = *reinterpret_cast<std::pair<int, int>*>(counts);
        ++count.first;
        count.second += ::IsWindowVisible(window) != FALSE;
    }
    return TRUE;
}

}  // namespace

std::vector<std::string> ShownTips() {
    std::vector<std::string> texts;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectShownTip, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::pair<int, int> TipsOfThisProcess() {
    std::pair<int, int> counts;
    ::EnumWindows(&CountTip, reinterpret_cast<LPARAM>(&counts));
    return counts;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (ms) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (::GetTickCount() - start < ms);
}

namespace {

struct Start {
    HANDLE event;
    const std::function<void(int)>* body;
    int index;
    volatile LONG* waiting;
};

DWORD WINAPI RunStarted(void* parameter) {
    const Start& start = *static_cast<Start*>(parameter);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ::InterlockedIncrement(start.waiting);
    ::WaitForSingleObject(start.event, INFINITE);
    (*start.body)(start.index);
    ::CoUninitialize();
    return 0;
}

}  // namespace

void RunTogether(int count, const std::function<void(int)>& body, testsupport::Watchdog& watchdog) {
    // Wine's GDI+ loads the imaging codecs' library on its first picture, and two threads doing
    // that at once can fail inside Wine's loader (a fault of Wine, not of a host): it is loaded
    // before the threads start.
    static const HMODULE codecs = ::LoadLibraryW(L"windowscodecs.dll");
    (void)codecs;
    HANDLE go = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    volatile LONG waiting = 0;
    std::vector<Start> starts(count, Start{go, &body, 0, &waiting});
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) {
        starts[i].index = i;
        threads.push_back(::CreateThread(nullptr, 0, &RunStarted, &starts[i], 0, nullptr));
    }
    while (waiting < count) ::Sleep(1);
    ::SetEvent(go);
    watchdog.Guard("threads started together",
                   [&] { ::WaitForMultipleObjects(count, threads.data(), TRUE, INFINITE); });
    for (HANDLE thread : threads) ::CloseHandle(thread);
    ::CloseHandle(go);
}

void Meeting::Wait() {
    const LONG step = (::InterlockedIncrement(&arrived_) - 1) / count_ + 1;
    while (arrived_ < step * count_) PumpFor(1);
}

}  // namespace formtest
