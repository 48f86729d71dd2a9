#include "ZmaVOMap2/control/HostObjects.h"

#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;

namespace {

const char kUsageRecordPrefix[] = "AUL,19,MHandle displayed,Map,";
const wchar_t kUsageChannel[] = L"zemro.usage";
constexpr IID kAttributesInterface = {0xD4FE64DE, 0x0311, 0x4B8B, {0x82, 0xB2, 0x99, 0xDB, 0x14, 0xA7, 0x31, 0xFB}};

// The legend's interface with a reference of ours; null when the object has none.
template <class I>
ComPtr<I> HoldInterface(IUnknown* object) {
    ComPtr<I> queried;
    if (FAILED(object->QueryInterface(__uuidof(I), queried.PutVoid()))) return nullptr;
    return queried;
}

}  // namespace

HRESULT HostObjects::SetLegend(IUnknown* legend) {
    if (!legend) throw platform::ComError(E_POINTER, L"No legend was given", L"VadAZ");
    legend_ = HoldInterface<IHostVOLegend>(legend);
    return S_OK;
}

HRESULT HostObjects::SetPrintLegend(IUnknown* legend) {
    if (!legend) throw platform::ComError(E_POINTER, L"No print legend was given", L"VadAZ");
    printLegend_ = HoldInterface<IHostPrintLegend>(legend);
    return S_OK;
}

void HostObjects::ReleaseLegends() noexcept {
    legend_.Reset();
    printLegend_.Reset();
}

HRESULT HostObjects::SetAttributes(IDispatch* attributes) {
    if (!attributes) throw platform::ComError(E_POINTER, L"No attributes object was given", L"VadAZ");
    ComPtr<IUnknown> queried;
    const HRESULT hr = attributes->QueryInterface(kAttributesInterface, queried.PutVoid());
    if (FAILED(hr)) throw platform::ComError(hr, L"The object is not the host's attribute settings", L"VadAZ");
    attributes_ = queried;
    return S_OK;
}

IHostChannelLogger* HostObjects::UsageLogger() {
    if (!usageLogging_) {
        ComPtr<IHostLoggingManager> manager;
        if (FAILED(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_ALL, IID_IHostLoggingManager,
                                      manager.PutVoid())))
            return nullptr;
        usageLogging_ = manager;
        THROW_IF_FAILED(usageLogging_->Initialize(nullptr));
        ComPtr<IHostChannelLogger> logger;
        if (SUCCEEDED(usageLogging_->GetChannelLogger(Bstr(kUsageChannel).Get(), logger.Put()))) usageChannel_ = logger;
    }
    return usageChannel_.Get();
}

void HostObjects::RecordDisplayedDataset(const std::wstring& fields) {
    std::string record = kUsageRecordPrefix + platform::ToAnsi(fields);
    if (IHostChannelLogger* usage = UsageLogger()) THROW_IF_FAILED(usage->WriteRecord(Bstr(platform::ToWide(record)).Get()));
}
