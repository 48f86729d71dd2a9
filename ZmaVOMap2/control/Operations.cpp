#include "ZmaVOMap2/control/Operations.h"

#include "ZmaVOMap2/control/MapLayers.h"
#include "platform/Com.h"

void Operations::Begin() noexcept {
    owner_->AddRef();
    ++count_;
    layers_.Hold();
}

void Operations::End() noexcept {
    layers_.Unhold();
    if (--count_ == 0) {
        layers_.ClearRetired();
        if (idle_) idle_();
    }
    // Last: this may be the reference that kept the control alive.
    platform::ComPtr<IUnknown>::Attach(owner_).Reset();
}
