#include "ZmaVOMap2/control/ShapeMembers.h"

#include "ZmaVOMap2/control/InputValidator.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/shapes/ShapeOperations.h"
#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"
#include "platform/Result.h"

#include "VadAZ.h"

HRESULT ShapeMembers::Draw(const ShapeChecks& checks, const Work& work) {
    COM_TRY {
        InputValidator validator(CLSID_VadAZ2);
        validator.ValidateLatitude(checks.latitude);
        validator.ValidateLongitude(checks.longitude);
        if (checks.startAngle) validator.ValidateAngle(*checks.startAngle);
        if (checks.endAngle) validator.ValidateAngle(*checks.endAngle);
        if (checks.opacity) validator.ValidateOpacity(*checks.opacity);
        return RunChecked(work);
    }
    COM_CATCH_RETURN();
}

HRESULT ShapeMembers::Run(const Work& work) {
    COM_TRY { return RunChecked(work); }
    COM_CATCH_RETURN();
}

HRESULT ShapeMembers::RunChecked(const Work& work) {
    OperationScope hold(operations_);
    CZmaVadAZShapesLayer* layer = GetShapesLayer(layers_.Require());
    const HRESULT result = layer ? work(*layer) : E_FAIL;
    const platform::ComError refusal = platform::ComError::FromCall(result);
    view_.RepaintIfUpdating(engine_);
    if (FAILED(result)) refusal.Restore();
    return result;
}
