// Lines to cells and the host's profile component: the line toggles and options, the colour-by
// and label-by fields of the serving and neighbour lines, and the profile calls through the host
// service.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX";
const wchar_t kVersionedProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX.1";

std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

}  // namespace

// --- Line toggles and options ----------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::ToggleLines(VARIANT_BOOL varVisible, LONG lLinesOption) {
    if (!layers_) return E_UNEXPECTED;
    COM_TRY {
        HRESULT result = datasets_->ToggleLines(varVisible != 0, lLinesOption);
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ToggleLine(LONG /*index*/, VARIANT_BOOL /*varVisible*/, LONG /*lLinesOption*/) {
    if (!layers_) return E_UNEXPECTED;
    COM_TRY {
        // Single lines are toggled only among the lines between cell sectors, which come with their
        // own layer; every other option answers S_OK and changes nothing.
        RepaintIfUpdating();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_LinesVisibilityFlags(LONG* pVal) {
    if (!pVal) return E_INVALIDARG;
    if (!layers_) return E_UNEXPECTED;
    *pVal = datasets_->GetLinesVisibilityFlags();
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_LinesVisibilityFlags(LONG newVal) {
    if (!layers_) return E_UNEXPECTED;
    datasets_->SetLinesVisibilityFlags(newVal);
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::get_LinesTargetFlags(LONG* pVal) {
    if (!pVal) return E_INVALIDARG;
    if (!layers_) return E_UNEXPECTED;
    *pVal = datasets_->GetLinesTargetFlags();
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_LinesTargetFlags(LONG newVal) {
    if (!layers_) return E_UNEXPECTED;
    datasets_->SetLinesTargetFlags(newVal);
    return S_OK;
}

// --- Colour-by and label-by fields -----------------------------------------------------------------

HRESULT CZmaVadAZ::SetLinesToCellsField(BSTR series, BSTR field, bool neighbours, bool label) {
    if (!layers_) return E_UNEXPECTED;
    COM_TRY {
        HRESULT result = datasets_->SetLinesToCellsField(Text(series), Text(field), neighbours, label);
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

HRESULT CZmaVadAZ::GetLinesToCellsField(BSTR series, BSTR* field, bool neighbours, bool label) {
    if (!field) return E_POINTER;
    *field = nullptr;
    if (!layers_) return E_UNEXPECTED;
    COM_TRY {
        HRESULT result = datasets_->GetLinesToCellsField(Text(series), field, neighbours, label);
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetNeighborLinesToCellsColorByField(BSTR bstrSeriesID, BSTR field) {
    return SetLinesToCellsField(bstrSeriesID, field, true, false);
}
STDMETHODIMP CZmaVadAZ::GetNeighborLinesToCellsColorByField(BSTR bstrSeriesID, BSTR* field) {
    return GetLinesToCellsField(bstrSeriesID, field, true, false);
}
STDMETHODIMP CZmaVadAZ::SetNeighborLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR field) {
    return SetLinesToCellsField(bstrSeriesID, field, true, true);
}
STDMETHODIMP CZmaVadAZ::GetNeighborLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR* field) {
    return GetLinesToCellsField(bstrSeriesID, field, true, true);
}
STDMETHODIMP CZmaVadAZ::SetServerLinesToCellsColorByField(BSTR bstrSeriesID, BSTR field) {
    return SetLinesToCellsField(bstrSeriesID, field, false, false);
}
STDMETHODIMP CZmaVadAZ::GetServerLinesToCellsColorByField(BSTR bstrSeriesID, BSTR* field) {
    return GetLinesToCellsField(bstrSeriesID, field, false, false);
}
STDMETHODIMP CZmaVadAZ::SetServerLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR field) {
    return SetLinesToCellsField(bstrSeriesID, field, false, true);
}
STDMETHODIMP CZmaVadAZ::GetServerLinesToCellsLabelByField(BSTR bstrSeriesID, BSTR* field) {
    return GetLinesToCellsField(bstrSeriesID, field, false, true);
}

// --- Profile component -----------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::get_ProfileName(BSTR* pVal) {
    COM_TRY {
        if (!pVal) platform::ThrowHr(E_INVALIDARG);
        *pVal = profileName_.empty() ? nullptr : Bstr(profileName_).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_ProfileName(BSTR newVal) {
    profileName_ = Text(newVal);
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::ApplyCurrentProfile() {
    if (!hostService_) return S_OK;
    COM_TRY {
        Bstr component(kProfileComponent), profile(profileName_);
        IUnknown* self = Identity();
        ComPtr<IUnknown> opened;
        THROW_IF_FAILED(hostService_->OpenProfile(component.Get(), profile.Get(), self, opened.Put()));
        THROW_IF_FAILED(hostService_->LoadProfile(component.Get(), profile.Get(), self));
        if (isBatchPrinting_ != VARIANT_FALSE)
            THROW_IF_FAILED(hostService_->ApplyBatchProfile(component.Get(), profile.Get(), Bstr(batchJobId_).Get(), self));
        else
            THROW_IF_FAILED(hostService_->ApplyProfile(component.Get(), profile.Get(), self));
        HRESULT result = hostService_->UpdateLinesToCells(component.Get(), profile.Get(), self, 0);
        THROW_IF_FAILED(result);
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateLinesToCellsData() {
    COM_TRY {
        if (!layers_) platform::ThrowHr(E_UNEXPECTED);
        if (!hostService_) platform::ThrowHr(E_POINTER);
        Bstr component(kProfileComponent), profile(profileName_);
        HRESULT result = hostService_->UpdateLinesToCells(component.Get(), profile.Get(), Identity(), 1);
        THROW_IF_FAILED(result);
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateCellRefData() {
    COM_TRY {
        if (!layers_) platform::ThrowHr(E_UNEXPECTED);
        layers_->UpdateCellRefData();
        THROW_IF_FAILED(layers_->RemoveLayersOfType(CZmaVadAZLayer::kTypeCellSites));
        THROW_IF_FAILED(layers_->RemoveLayersOfType(CZmaVadAZLayer::kTypeCellReferences));
        if (!hostService_) platform::ThrowHr(E_POINTER);
        // The component rebuilds the layers through the dataset methods; they take their former
        // label settings from the collection's cache, which is emptied afterwards.
        Bstr component(kVersionedProfileComponent), profile(profileName_);
        HRESULT result = hostService_->LoadProfile(component.Get(), profile.Get(), Identity());
        THROW_IF_FAILED(result);
        layers_->ClearCellRefData();
        return result;
    }
    COM_CATCH_RETURN();
}
