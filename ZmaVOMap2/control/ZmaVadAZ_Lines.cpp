// The line members: lines between cell sites, positions and cell sectors, the line toggles and
// options, the colour-by and label-by fields of the serving and neighbour lines, and the profile
// calls through the host service.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/lines/LineOperations.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToPointsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToSectorsLayer.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX";
const wchar_t kVersionedProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX.1";

std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

enum : long { kSectorLinesOption = 4 };

// Lines between positions are drawn by the cell-site layer: the map has their layer from its
// first cell-site layer on.
const wchar_t kNoPointLines[] = L"The map has no layer of lines between points: it comes with the first cell-site layer";

// A coordinate of a line between positions: a double strictly inside (-limit, limit). Script
// clients pass their variables by reference; NaN is in no range; a reference to nothing is no
// coordinate.
double RequireCoordinate(const VARIANT& value, double limit, const wchar_t* refusal) {
    const VARIANT* v = &value;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    double d = 0;
    if (v->vt == VT_R8)
        d = v->dblVal;
    else if (v->vt == (VT_BYREF | VT_R8) && v->pdblVal)
        d = *v->pdblVal;
    else
        throw platform::ComError(E_FAIL, refusal);
    if (!(d > -limit && d < limit)) throw platform::ComError(E_FAIL, refusal);
    return d;
}

}  // namespace

HRESULT CZmaVadAZ::RunLineOperation(const std::function<HRESULT()>& operation, const wchar_t* refusal) {
    // Line layers ask the host for fields: its handler may release the control meanwhile.
    OperationScope hold(*this);
    RequireLayers();
    const HRESULT result = operation();
    const platform::ComError failure = platform::ComError::FromCall(result);
    RepaintIfUpdating();
    if (SUCCEEDED(result)) return result;
    if (!failure.ErrorInfo()) throw platform::ComError(result, refusal);
    failure.Restore();
    return platform::PassFailure(result);
}

// --- Lines between cell sites, positions and cell sectors ------------------------------------------

STDMETHODIMP CZmaVadAZ::DrawLineBetweenCellsites(LONG nRowId1, LONG nRowId2, LONG nLineWidth, LONG nLineType,
                                                 VARIANT vtLineColor) {
    COM_TRY {
        return RunLineOperation([&] {
            CZmaVadAZLinesToPointsLayer* lines = GetCellSiteLinesLayer(*layers_);
            return lines ? lines->AddLineBetweenCellsites(nRowId1, nRowId2, nLineWidth, nLineType, vtLineColor) : E_FAIL;
        }, L"The map shows no cell sites to draw a line between");
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearLinesBetweenCellsites() {
    COM_TRY {
        return RunLineOperation([&] {
            CZmaVadAZLinesToPointsLayer* lines = GetCellSiteLinesLayer(*layers_);
            return lines ? lines->ClearLines() : E_FAIL;
        }, L"The map shows no cell sites with lines between them");
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawLineBetweenPoints(VARIANT vtStartLon, VARIANT vtStartLat, VARIANT vtEndLon,
                                              VARIANT vtEndLat, LONG nLineWidth, LONG nLineType, VARIANT vtLineColor) {
    COM_TRY {
        RequireLayers();
        const double startLon = RequireCoordinate(
            vtStartLon, 180, L"The start longitude must be a double between -180 and 180, both excluded");
        const double endLon =
            RequireCoordinate(vtEndLon, 180, L"The end longitude must be a double between -180 and 180, both excluded");
        const double startLat =
            RequireCoordinate(vtStartLat, 90, L"The start latitude must be a double between -90 and 90, both excluded");
        const double endLat =
            RequireCoordinate(vtEndLat, 90, L"The end latitude must be a double between -90 and 90, both excluded");
        return RunLineOperation([&] {
            CZmaVadAZLinesToPointsLayer* lines = GetPointLinesLayer(*layers_);
            return lines ? lines->AddLineBetweenPoints(startLon, startLat, endLon, endLat, nLineWidth, nLineType,
                                                       vtLineColor)
                         : E_FAIL;
        }, kNoPointLines);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearLinesBetweenPoints() {
    COM_TRY {
        return RunLineOperation([&] {
            CZmaVadAZLinesToPointsLayer* lines = GetPointLinesLayer(*layers_);
            return lines ? lines->ClearLines() : E_FAIL;
        }, kNoPointLines);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DrawLineBetweenCellSectors(BSTR bstrGUID1, LONG nRowId1, BSTR bstrGUID2, LONG nRowId2,
                                                   LONG nLineWidth, LONG nLineType, VARIANT vtLineColor, BSTR toolTip,
                                                   VARIANT_BOOL drawArrow, double proportion, LONG* index) {
    COM_TRY {
        if (layers_ && !index) throw platform::ComError(E_POINTER, L"No place was given for the line's index");
        return RunLineOperation([&] {
            CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(*layers_);
            return lines ? lines->AddLine(bstrGUID1, nRowId1, bstrGUID2, nRowId2, nLineWidth, nLineType, vtLineColor,
                                          toolTip, drawArrow != 0, proportion, index)
                         : E_FAIL;
        }, L"Failed to initialize the lines to sectors layer");
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearLinesBetweenCellSectors() {
    COM_TRY {
        return RunLineOperation([&] {
            CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(*layers_);
            return lines ? lines->ClearLines() : E_FAIL;
        }, L"Failed to initialize the lines to sectors layer");
    }
    COM_CATCH_RETURN();
}

// --- Line toggles and options ----------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::ToggleLines(VARIANT_BOOL varVisible, LONG lLinesOption) {
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        const bool visible = varVisible != 0;
        HRESULT result = S_OK;
        if (lLinesOption == kSectorLinesOption) {
            CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(*layers_);
            if (!lines) throw platform::ComError(E_FAIL, L"Failed to initialize the lines to sectors layer");
            THROW_IF_FAILED(lines->SetVisible(visible));
        } else {
            result = datasets_->ToggleLines(visible, lLinesOption);
        }
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ToggleLine(LONG index, VARIANT_BOOL varVisible, LONG lLinesOption) {
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        // Single lines are toggled only among the lines between cell sectors; every other option
        // answers S_OK and changes nothing.
        bool known = true;
        if (lLinesOption == kSectorLinesOption) {
            CZmaVadAZLinesToSectorsLayer* lines = GetLinesToSectorsLayer(*layers_);
            if (!lines) throw platform::ComError(E_FAIL, L"Failed to initialize the lines to sectors layer");
            known = lines->SetLineVisible(index, varVisible != 0);
        }
        RepaintIfUpdating();
        if (!known) throw platform::ComError(E_FAIL, L"There is no line between cell sectors with that index");
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_LinesVisibilityFlags(LONG* pVal) {
    if (!pVal) return E_INVALIDARG;
    COM_TRY {
        RequireLayers();
        *pVal = datasets_->GetLinesVisibilityFlags();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_LinesVisibilityFlags(LONG newVal) {
    COM_TRY {
        RequireLayers();
        datasets_->SetLinesVisibilityFlags(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_LinesTargetFlags(LONG* pVal) {
    if (!pVal) return E_INVALIDARG;
    COM_TRY {
        RequireLayers();
        *pVal = datasets_->GetLinesTargetFlags();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_LinesTargetFlags(LONG newVal) {
    COM_TRY {
        RequireLayers();
        datasets_->SetLinesTargetFlags(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- Colour-by and label-by fields -----------------------------------------------------------------

HRESULT CZmaVadAZ::SetLinesToCellsField(BSTR series, BSTR field, bool neighbours, bool label) {
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        HRESULT result = datasets_->SetLinesToCellsField(Text(series), Text(field), neighbours, label);
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

HRESULT CZmaVadAZ::GetLinesToCellsField(BSTR series, BSTR* field, bool neighbours, bool label) {
    if (!field) return E_POINTER;
    *field = nullptr;
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
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
    // The host's component drives the control through its members meanwhile.
    OperationScope operation(*this);
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
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        if (!hostService_) platform::ThrowHr(E_POINTER);
        Bstr component(kProfileComponent), profile(profileName_);
        HRESULT result = hostService_->UpdateLinesToCells(component.Get(), profile.Get(), Identity(), 1);
        THROW_IF_FAILED(result);
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateCellRefData() {
    OperationScope operation(*this);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = RequireLayers();
        layers.UpdateCellRefData();
        THROW_IF_FAILED(layers.RemoveLayersOfType(CZmaVadAZLayer::kTypeCellSites));
        THROW_IF_FAILED(layers.RemoveLayersOfType(CZmaVadAZLayer::kTypeCellReferences));
        if (!hostService_) platform::ThrowHr(E_POINTER);
        // The component rebuilds the layers through the dataset methods; they take their former
        // label settings from the collection's cache, which is emptied afterwards.
        Bstr component(kVersionedProfileComponent), profile(profileName_);
        HRESULT result = hostService_->LoadProfile(component.Get(), profile.Get(), Identity());
        THROW_IF_FAILED(result);
        layers.ClearCellRefData();
        return result;
    }
    COM_CATCH_RETURN();
}
