// The control's tool, unit and selection members: the CurrentTool state machine with annotation
// editing, the engine's distance and paper units, selection by radius, the display origin and the
// print's hold on the view.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::get_CurrentTool(LONG* pVal) { return tools_.GetTool(pVal); }
STDMETHODIMP CZmaVadAZ::put_CurrentTool(LONG newVal) { return tools_.SetTool(newVal); }
STDMETHODIMP CZmaVadAZ::get_DistanceUnit(LONG* pVal) { return tools_.GetUnit(pVal, false); }
STDMETHODIMP CZmaVadAZ::put_DistanceUnit(LONG newVal) { return tools_.SetUnit(newVal, false); }
STDMETHODIMP CZmaVadAZ::get_PaperUnits(LONG* pVal) { return tools_.GetUnit(pVal, true); }
STDMETHODIMP CZmaVadAZ::put_PaperUnits(LONG newVal) { return tools_.SetUnit(newVal, true); }

STDMETHODIMP CZmaVadAZ::SelectByRadius(VARIANT varLat, VARIANT varLong, VARIANT varRad) {
    return tools_.SelectByRadius(varLat, varLong, varRad);
}

STDMETHODIMP CZmaVadAZ::SetDisplayOrigin(LONG x, LONG y) {
    view_.SetDisplayOrigin(x, y);
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::HoldView(BOOL hold) {
    view_.HoldView(hold != FALSE);
    return S_OK;
}
