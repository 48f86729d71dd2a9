// Automation members whose work is not built yet: each answers E_NOTIMPL, and says so in its
// error information.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "platform/Result.h"

namespace {

HRESULT NotBuilt(const wchar_t* member) {
    COM_TRY { throw platform::ComError(E_NOTIMPL, std::wstring(member) + L" is not available in this version of the map", L"VadAZ"); }
    COM_CATCH_RETURN();
}

}  // namespace

STDMETHODIMP CZmaVadAZ::PrintPreview() { return NotBuilt(L"PrintPreview"); }
STDMETHODIMP CZmaVadAZ::QuickBatchPrint() { return NotBuilt(L"QuickBatchPrint"); }
STDMETHODIMP CZmaVadAZ::BatchPrint() { return NotBuilt(L"BatchPrint"); }
