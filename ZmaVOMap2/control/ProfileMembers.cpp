#include "ZmaVOMap2/control/ProfileMembers.h"

#include "ZmaVOMap2/control/HostProfile.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;

HRESULT ProfileMembers::GetName(BSTR* name) {
    COM_TRY {
        if (!name) platform::ThrowHr(E_INVALIDARG);
        *name = profile_.name.empty() ? nullptr : Bstr(profile_.name).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT ProfileMembers::SetName(BSTR name) {
    profile_.name = name ? std::wstring(name, ::SysStringLen(name)) : std::wstring();
    return S_OK;
}

HRESULT ProfileMembers::ApplyCurrent() {
    if (!profile_.HasService()) return S_OK;
    OperationScope operation(operations_);
    COM_TRY { return profile_.ApplyCurrent(); }
    COM_CATCH_RETURN();
}

HRESULT ProfileMembers::UpdateLinesToCells() {
    OperationScope operation(operations_);
    COM_TRY {
        layers_.Require();
        return profile_.UpdateLinesToCells(1);
    }
    COM_CATCH_RETURN();
}

HRESULT ProfileMembers::UpdateCellReferences() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        // The host's component shows the cell sites again: the host's lines of a technology go
        // only when none of its cell sites came back.
        CZmaVadAZLayerCollection::HostLinesHold holdLines(layers);
        layers.UpdateCellRefData();
        THROW_IF_FAILED(layers.RemoveLayersOfType(CZmaVadAZLayer::kTypeCellSites));
        THROW_IF_FAILED(layers.RemoveLayersOfType(CZmaVadAZLayer::kTypeCellReferences));
        HRESULT result = profile_.LoadVersioned();
        layers.ClearCellRefData();
        return result;
    }
    COM_CATCH_RETURN();
}
