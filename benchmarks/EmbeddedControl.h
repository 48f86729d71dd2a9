// The control as a host's form holds it, for the benchmarks that measure through it: created
// through COM, embedded, activated in place and shown in a host window of the benchmark's size,
// so that what is invalidated gets painted.
#pragma once

#include "platform/Com.h"
#include "platform/ComObject.h"
#include "platform/Result.h"
#include "tests/support/TestSite.h"

#include "VadAZ.h"

template <class I>
platform::ComPtr<I> As(IUnknown* object) {
    platform::ComPtr<I> out;
    if (object) THROW_IF_FAILED(object->QueryInterface(__uuidof(I), out.PutVoid()));
    return out;
}

class EmbeddedControl {
public:
    EmbeddedControl(int width, int height) : site_(platform::MakeObject<testsupport::TestSite>(width, height)) {
        THROW_IF_FAILED(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown_.PutVoid()));
        ::ShowWindow(site_->Window(), SW_SHOWNA);
        THROW_IF_FAILED(testsupport::ActivateInPlace(unknown_.Get(), *site_.Get()));
        control_ = As<IZmaVadAZ2>(unknown_.Get());
        THROW_IF_FAILED(control_->get_MapX(map_.Put()));
    }
    ~EmbeddedControl() { testsupport::CloseInPlace(unknown_.Get()); }
    EmbeddedControl(const EmbeddedControl&) = delete;
    EmbeddedControl& operator=(const EmbeddedControl&) = delete;

    IZmaVadAZ2* operator->() const { return control_.Get(); }
    IUnknown* Unknown() const { return unknown_.Get(); }
    IDispatch* Map() const { return map_.Get(); }
    // Puts a property of the engine's map.
    void Put(DISPID id, const VARIANT& value) {
        VARIANT arg = value;
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params = {&arg, &put, 1, 1};
        THROW_IF_FAILED(map_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    }

private:
    platform::ComPtr<testsupport::TestSite> site_;
    platform::ComPtr<IUnknown> unknown_;
    platform::ComPtr<IZmaVadAZ2> control_;
    platform::ComPtr<IDispatch> map_;
};
