// Automation members whose work is not built yet: each answers E_NOTIMPL.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::PrintPreview() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::QuickBatchPrint() { return E_NOTIMPL; }
STDMETHODIMP CZmaVadAZ::BatchPrint() { return E_NOTIMPL; }
