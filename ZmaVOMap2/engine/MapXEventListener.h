// The control's sink for the engine's events. It reads each event's parameter types from the
// engine's registered type library on first use, coerces the arguments to them, and hands them
// to the control's handler in the event's own order.
#pragma once

#include "platform/Com.h"

#include <map>
#include <vector>

// What the listener hands the engine's events to, with the arguments in the event's own order.
class EngineEventHandler {
public:
    virtual void OnMapMouseDown(short button, short shift, float x, float y) = 0;
    virtual void OnMapMouseUp(short button, short shift, float x, float y) = 0;
    virtual void OnMapMouseMove(short button, short shift, float x, float y) = 0;
    virtual void OnMapDblClick() = 0;
    virtual void OnMapKeyDown(short keyCode, short shift) = 0;
    virtual void OnMapToolUsed(short tool, double x1, double y1, double x2, double y2) = 0;
    virtual void OnMapPolyToolUsed(short tool, long flags, IDispatch* points) = 0;
    virtual void OnMapViewChanged() = 0;
    virtual void OnMapDrawUserLayer(IDispatch* layer, HDC outputDC, HDC attributeDC, IDispatch* fullRect,
                                    IDispatch* invalidRect) = 0;
    virtual void OnMapDrawStage(short stage) = 0;
    virtual void OnMapRecalcInfoDisplay() = 0;
    virtual void OnMapFeatureToolStatus(long status) = 0;
    // Around every event handled: the owner stays alive, with what it works on, until the event
    // is done, whatever the host does from the handlers of the events the owner fires.
    virtual void EnterEngineEvent() noexcept {}
    virtual void LeaveEngineEvent() noexcept {}

protected:
    ~EngineEventHandler() = default;
};

class CMapXEventListener : public IDispatch {
public:
    static constexpr DWORD kNotConnected = 0xFEFEFEFE;

    explicit CMapXEventListener(EngineEventHandler& owner) noexcept : owner_(owner) {}
    CMapXEventListener(const CMapXEventListener&) = delete;
    CMapXEventListener& operator=(const CMapXEventListener&) = delete;

    // Connects to the engine's event point; does nothing when already connected. Failures leave
    // the sink unconnected.
    void Advise(IUnknown* engine);
    // Disconnects; nothing happens when not connected.
    void Unadvise(IUnknown* engine);
    bool IsConnected() const noexcept { return connected_; }

    // Lives inside the control and is not reference counted.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    // Arguments of one event in declaration order, coerced to the declared types; by-reference
    // parameters are copied as values, so nothing is written back into the engine's variables.
    std::vector<platform::Variant> Arguments(DISPID id, const DISPPARAMS& params);
    const std::vector<VARTYPE>& ParameterTypes(DISPID id);
    void Dispatch(DISPID id, std::vector<platform::Variant>& args);

    EngineEventHandler& owner_;
    DWORD cookie_ = kNotConnected;
    bool connected_ = false;
    std::map<DISPID, std::vector<VARTYPE>> parameterTypes_;
};
