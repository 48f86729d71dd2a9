// The export members.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/commands/ImageExport.h"
#include "platform/Result.h"

STDMETHODIMP CZmaVadAZ::ExportToFile(BSTR filePath, BSTR fileFormat) {
    OperationScope operation(operations_);
    COM_TRY { return ::ExportToFile(commandTarget_, filePath, fileFormat); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ExportAsPictureAtScale(BSTR strGUID, double dScale) {
    OperationScope operation(operations_);
    COM_TRY { return ::ExportAsPictureAtScale(commandTarget_, strGUID, dScale); }
    COM_CATCH_RETURN();
}
