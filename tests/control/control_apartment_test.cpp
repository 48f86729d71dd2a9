// A host whose dataset lives in another apartment: the control's thread holds a proxy, whose
// calls and releases let the thread handle messages meanwhile. Shown, drawn, cut off by its owner
// and removed, map after map, with every call under a watchdog: nothing is destroyed twice, and
// the library unloads after each map without leaving GDI objects behind.
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeries[] = L"{A4900000-0000-0000-0000-0000000000D4}";
constexpr UINT kDisconnect = WM_APP + 1;

// A host dataset made on a thread of its own, a second single-threaded apartment, which serves
// the calls of its proxies until it is stopped.
class DatasetApartment {
public:
    DatasetApartment() : ready_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        thread_ = ::CreateThread(nullptr, 0, &Run, this, 0, &threadId_);
        ::WaitForSingleObject(ready_, 10000);
    }
    ~DatasetApartment() {
        ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        ::WaitForSingleObject(thread_, 10000);
        ::CloseHandle(thread_);
        ::CloseHandle(ready_);
    }
    // The dataset, as a proxy on the calling thread (once).
    ComPtr<IDispatch> Proxy() {
        ComPtr<IDispatch> proxy;
        EXPECT_EQ(::CoGetInterfaceAndReleaseStream(stream_, IID_IDispatch, proxy.PutVoid()), S_OK);
        return proxy;
    }
    // Its owner cuts every proxy off, as a host whose object went.
    void Disconnect() {
        ::PostThreadMessageW(threadId_, kDisconnect, 0, 0);
        ::WaitForSingleObject(ready_, 10000);
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* apartment = static_cast<DatasetApartment*>(self);
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        {
            ComPtr<IDispatch> dataset = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 50);
            ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, dataset.Get(), &apartment->stream_);
            ::SetEvent(apartment->ready_);
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (!msg.hwnd && msg.message == kDisconnect) {
                    ::CoDisconnectObject(dataset.Get(), 0);
                    ::SetEvent(apartment->ready_);
                }
                ::DispatchMessageW(&msg);
            }
        }
        ::CoUninitialize();
        return 0;
    }

    HANDLE ready_, thread_ = nullptr;
    DWORD threadId_ = 0;
    IStream* stream_ = nullptr;
};

HRESULT DrawFrame(IUnknown* control) { return testsupport::DibCanvas(400, 300).DrawView(control); }

TEST(HostApartment, ADatasetOfAnotherApartmentIsRemovedOnceAndTheLibraryUnloads) {
    testsupport::Watchdog watchdog(30000);
    DWORD gdiObjects = 0;
    for (int map = 0; map < 4; ++map) {
        const bool cutOff = map % 2 == 1;
        SCOPED_TRACE(cutOff ? "a proxy cut off by its owner" : "a live proxy");
        DatasetApartment apartment;
        watchdog.Guard("a map's life", [&] {
            ComPtr<IUnknown> control;
            ASSERT_EQ(controltest::CreateControl(control), S_OK);
            auto site = platform::MakeObject<testsupport::TestSite>(400, 300);
            ASSERT_EQ(testsupport::ActivateInPlace(control.Get(), *site.Get()), S_OK);
            ::ShowWindow(site->Window(), SW_SHOWNA);  // what the removal invalidates is painted
            ComPtr<IZmaVadAZ2> typed = controltest::As<IZmaVadAZ2>(control.Get());
            ASSERT_EQ(typed->DisplayDataset(apartment.Proxy().Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK);
            EXPECT_EQ(DrawFrame(control.Get()), S_OK);
            if (cutOff) {
                apartment.Disconnect();
                EXPECT_EQ(DrawFrame(control.Get()), S_OK);
            }
            // A message for the engine's window waits: the thread handles it while the removed
            // layer lets go of the proxy.
            ComPtr<IDispatch> engine;
            ASSERT_EQ(typed->get_MapX(engine.Put()), S_OK);
            const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(displaytest::Get(engine.Get(), -515).ToLong()));
            ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
            EXPECT_EQ(typed->RemoveDataset(Bstr(kSeries).Get(), Variant(true)), S_OK);
            EXPECT_EQ(DrawFrame(control.Get()), S_OK);
            engine.Reset();
            typed.Reset();
            testsupport::CloseInPlace(control.Get());
        });
        testsupport::PumpMessages();
        ::CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(::GetModuleHandleW(L"VadAZ.dll"), nullptr) << "the library unloads after map " << map;
        const DWORD now = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
        if (map == 0) gdiObjects = now;
        EXPECT_LE(now, gdiObjects) << "GDI objects after map " << map;
    }
}

}  // namespace
