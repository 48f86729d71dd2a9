// The control's dataset methods: putting the host's series on the map, keeping them in step and
// asking about them. The work is the dataset display's, through DatasetMembers.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

namespace {
std::wstring Text(BSTR s) { return s ? std::wstring(s) : std::wstring(); }
}  // namespace

// --- Legends -----------------------------------------------------------------------------------

// The collection's copies of the legends follow the ones the control holds.
STDMETHODIMP CZmaVadAZ::put_VOLegend(IUnknown* newVal) {
    COM_TRY {
        host_.SetLegend(newVal);
        if (CZmaVadAZLayerCollection* layers = layers_.Collection()) layers->ForgetLegends();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_VOPrintLegend(IUnknown* newVal) {
    COM_TRY {
        host_.SetPrintLegend(newVal);
        if (CZmaVadAZLayerCollection* layers = layers_.Collection()) layers->ForgetLegends();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- Displaying and removing series --------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::DisplayDataset(IDispatch* dataset, VARIANT fields, BSTR seriesGUID) {
    return datasets_.Display(dataset, fields, seriesGUID);
}

STDMETHODIMP CZmaVadAZ::CreateMultiDMapping(IDispatch* dataset, BSTR bstrSeriesID, IDispatch* fieldConfiguration) {
    return datasets_.DisplayMapping(dataset, bstrSeriesID, fieldConfiguration);
}

STDMETHODIMP CZmaVadAZ::RemoveDataset(BSTR bstrSeriesID, VARIANT notify) { return datasets_.Remove(bstrSeriesID, notify); }

STDMETHODIMP CZmaVadAZ::SetDatasetVisible(BSTR bstrSeriesID, LONG lVisible) {
    return datasets_.SetVisible(bstrSeriesID, lVisible);
}

STDMETHODIMP CZmaVadAZ::NotifyChange(BSTR bstrSeriesID, ENUM_NOTIFY_FLAGS flag, IDispatch* renderer, VARIANT ranges) {
    return datasets_.NotifyChange(bstrSeriesID, static_cast<long>(flag), renderer, ranges);
}

STDMETHODIMP CZmaVadAZ::NotifySelectionChange(BSTR bstrSeriesID) {
    OperationScope operation(operations_);
    COM_TRY {
        HRESULT result = layers_.RequireDatasets().NotifySelectionChange(Text(bstrSeriesID));
        view_.RepaintIfUpdating(engine_);
        return result;
    }
    COM_CATCH_RETURN();
}

// --- Asking about series ---------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetDisplayedGUIDs(IDispatch* collection) {
    COM_TRY {
        if (!collection) throw platform::ComError(E_INVALIDARG, L"No collection was given for the GUIDs", L"VadAZ");
        return layers_.RequireDatasets().GetDisplayedGUIDs(collection);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetAttributeDescriptionFromGUID(BSTR bstrSeriesID, BSTR* description) {
    COM_TRY {
        if (!description) throw platform::ComError(E_INVALIDARG, L"No place was given for the description", L"VadAZ");
        return layers_.RequireDatasets().GetAttributeDescriptionFromGUID(Text(bstrSeriesID), description);
    }
    COM_CATCH_RETURN();
}
