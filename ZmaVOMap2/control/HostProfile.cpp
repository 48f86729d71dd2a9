#include "ZmaVOMap2/control/HostProfile.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "platform/Result.h"

using platform::Bstr;

namespace {
const wchar_t kProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX";
const wchar_t kVersionedProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX.1";
}  // namespace

bool HostProfile::HasService() const noexcept { return engine_.HostService() != nullptr; }

IHostService& HostProfile::Service() const { return *platform::ThrowIfNull(engine_.HostService(), E_POINTER); }

HRESULT HostProfile::Open() {
    platform::ComPtr<IUnknown> opened;
    return Service().OpenProfile(Bstr(kProfileComponent).Get(), Bstr(name).Get(), owner_, opened.Put());
}

void HostProfile::Load() {
    THROW_IF_FAILED(Service().LoadProfile(Bstr(kProfileComponent).Get(), Bstr(name).Get(), owner_));
}

void HostProfile::Apply() {
    Bstr component(kProfileComponent), profile(name);
    if (batchPrinting != VARIANT_FALSE)
        THROW_IF_FAILED(Service().ApplyBatchProfile(component.Get(), profile.Get(), Bstr(batchJobId).Get(), owner_));
    else
        THROW_IF_FAILED(Service().ApplyProfile(component.Get(), profile.Get(), owner_));
}

HRESULT HostProfile::UpdateLinesToCells(long flag) {
    const HRESULT result = Service().UpdateLinesToCells(Bstr(kProfileComponent).Get(), Bstr(name).Get(), owner_, flag);
    THROW_IF_FAILED(result);
    return result;
}

HRESULT HostProfile::LoadVersioned() {
    const HRESULT result = Service().LoadProfile(Bstr(kVersionedProfileComponent).Get(), Bstr(name).Get(), owner_);
    THROW_IF_FAILED(result);
    return result;
}

HRESULT HostProfile::ApplyCurrent() {
    THROW_IF_FAILED(Open());
    Load();
    Apply();
    return UpdateLinesToCells(0);
}
