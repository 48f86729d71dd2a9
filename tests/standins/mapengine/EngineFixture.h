// What the engine tests share: a map created the way the control creates it, late-bound calls by
// DISPID, an event sink that records what it receives, and a small in-place container.
#pragma once

#include "platform/ComObject.h"
#include "platform/Dispatch.h"

#include "MapEngine.h"

#include <gtest/gtest.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

namespace enginetest {

using platform::ComPtr;
using platform::Variant;

// Late-bound calls; `args` in declaration order. A failure is reported to the test (and the
// result is empty) unless `hr` is given, then it receives the call's result.
Variant Get(IDispatch* object, DISPID id, std::vector<Variant> args = {}, HRESULT* hr = nullptr);
void Put(IDispatch* object, DISPID id, const Variant& value, HRESULT* hr = nullptr);
Variant Call(IDispatch* object, DISPID id, std::vector<Variant> args = {}, HRESULT* hr = nullptr);
// The raw Invoke with EXCEPINFO, for failure tests.
HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> args, VARIANT* result,
               EXCEPINFO* info);
// The engine's conversions between a point of the view and a map position (every value passed
// by reference, as hosts pass them).
void ScreenToMap(IDispatch* engineMap, float x, float y, double& mapX, double& mapY);
void MapToScreen(IDispatch* engineMap, double mapX, double mapY, float& x, float& y);
ComPtr<IDispatch> Object(const Variant& v);
double Number(const Variant& v);
std::wstring Text(const Variant& v);

// A new map through the engine's class factory, as the control gets it.
ComPtr<IUnknown> CreateMap(HRESULT* hr = nullptr);
ComPtr<IDispatch> MapDispatch(IUnknown* map);
ComPtr<IEngineTestHooks> Hooks(IUnknown* map);
std::vector<std::wstring> CallLines(IUnknown* map);

// One event as the sink received it: arguments in declaration order, by-reference ones
// dereferenced, plus their VARTYPEs as passed (VT_BYREF included).
struct ReceivedEvent {
    DISPID id;
    std::vector<VARTYPE> types;
    std::vector<Variant> values;
};

class EventSink : public platform::ComObject<EventSink, IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;
    HRESULT QueryInterfaceImpl(REFIID iid, void** out);

    std::vector<ReceivedEvent> events;
    std::vector<ReceivedEvent> Of(DISPID id) const;
    // Runs inside Invoke, before the event is recorded (may change by-reference arguments).
    std::function<void(DISPID, DISPPARAMS&)> onEvent;
};

// Connects a sink to the map's event point; disconnects when it goes.
class SinkConnection {
public:
    SinkConnection(IUnknown* map, EventSink* sink);
    ~SinkConnection();

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// A container window with a sibling child already in it, and a site that activates the map in
// place at (10, 20) with the given size.
class TestContainer : public platform::ComObject<TestContainer, IOleClientSite, IOleInPlaceSite,
                                                 platform::Also<IOleWindow, IOleInPlaceSite>> {
public:
    TestContainer(int width, int height);
    ~TestContainer() override;

    HWND Window() const noexcept { return window_; }
    RECT Position() const noexcept { return position_; }

    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

private:
    HWND window_ = nullptr;
    RECT position_;
};

// Sets an environment variable for the test's scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironment();

private:
    std::wstring name_;
};

// A path in the process's temporary folder, removed when it goes.
class TempFile {
public:
    explicit TempFile(const std::wstring& suffix);
    ~TempFile();
    const std::wstring& Path() const noexcept { return path_; }

private:
    std::wstring path_;
};

void PumpMessages();

// DISPIDs of the map used across the tests.
namespace map {
constexpr DISPID kAnnotations = 3, kLayers = 5, kAutoRedraw = 6, kZoom = 7, kCenterX = 8, kCenterY = 9;
constexpr DISPID kPaperHeight = 12, kPaperWidth = 13, kPaperUnit = 15, kDefaultStyle = 17, kCurrentTool = 20;
constexpr DISPID kDatasets = 22, kMapUnit = 25, kBounds = 29, kDisplayCoordSys = 30, kNumericCoordSys = 31;
constexpr DISPID kConvertCoord = 34, kZoomTo = 35, kCreateCustomTool = 36, kDistance = 37, kPrintMap = 38;
constexpr DISPID kExportMap = 39, kSetSize = 42, kFeatureFactory = 49, kScreenWidth = 53, kScreenHeight = 54;
}  // namespace map

}  // namespace enginetest
