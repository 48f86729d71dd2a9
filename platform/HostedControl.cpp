#include "platform/HostedControl.h"

#include "platform/Result.h"

#include <ocidl.h>

namespace platform {

namespace {

// Answers the control's events on one outgoing dispinterface.
class EventSink : public ComObject<EventSink, IDispatch> {
public:
    EventSink(REFIID events, HostedControl::EventHandler handler) : events_(events), handler_(std::move(handler)) {}

    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, events_)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return InternalQueryInterface(iid, out);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (result) ::VariantInit(result);
        // No exception goes back into the control that fired the event.
        try {
            DISPPARAMS none = {};
            if (handler_) handler_(id, params ? *params : none);
        } catch (...) {
        }
        return S_OK;
    }

private:
    IID events_;
    HostedControl::EventHandler handler_;
};

}  // namespace

HostedControl::~HostedControl() { Destroy(); }

void HostedControl::Create(REFCLSID clsid, HWND parent, const RECT& position, int controlId) {
    Destroy();
    THROW_IF_FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control_.PutVoid()));
    THROW_IF_FAILED(control_->QueryInterface(IID_IOleObject, object_.PutVoid()));
    site_ = MakeObject<ControlSite>(parent, nullptr, L"", &position);
    site_->AttachControl(control_.Get());
    THROW_IF_FAILED(object_->SetClientSite(site_.Get()));
    RECT where = position;
    THROW_IF_FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent, &where));
    ComPtr<IOleWindow> window;
    if (SUCCEEDED(control_->QueryInterface(IID_IOleWindow, window.PutVoid())) && window &&
        SUCCEEDED(window->GetWindow(&window_)) && window_)
        ::SetWindowLongPtrW(window_, GWLP_ID, controlId);
}

void HostedControl::Advise(REFIID events, EventHandler handler) {
    ComPtr<IConnectionPointContainer> container;
    THROW_IF_FAILED(ThrowIfNull(control_.Get())->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    Connection connection;
    THROW_IF_FAILED(container->FindConnectionPoint(events, connection.point.Put()));
    ComPtr<EventSink> sink = MakeObject<EventSink>(events, std::move(handler));
    THROW_IF_FAILED(connection.point->Advise(static_cast<IDispatch*>(sink.Get()), &connection.cookie));
    connections_.push_back(std::move(connection));
}

void HostedControl::Destroy() noexcept {
    for (Connection& c : connections_)
        if (c.point) c.point->Unadvise(c.cookie);
    connections_.clear();
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid())) && inPlace)
            inPlace->InPlaceDeactivate();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    if (site_) site_->Detach();
    site_ = nullptr;
    object_ = nullptr;
    control_ = nullptr;
    window_ = nullptr;
}

}  // namespace platform
