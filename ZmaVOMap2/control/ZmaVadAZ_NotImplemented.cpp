// Automation members whose work is not built yet: each answers E_NOTIMPL.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::ConfigurePrinting() { return E_NOTIMPL; }
