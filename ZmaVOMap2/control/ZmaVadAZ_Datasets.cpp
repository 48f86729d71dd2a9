// The control's dataset methods: putting the host's series on the map and keeping them in step.
// Each is a thin entry point that checks its arguments, hands the work to the layer collection,
// keeps the host's print legend informed and repaints.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

class WaitCursor {
public:
    WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

std::wstring Text(BSTR s) { return s ? std::wstring(s) : std::wstring(); }

}  // namespace

void CZmaVadAZ::RepaintIfUpdating() {
    if (view_.ScreenUpdating()) engine_.Repaint();
}

// --- Legends -----------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::put_VOLegend(IUnknown* newVal) {
    COM_TRY { return host_.SetLegend(newVal); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_VOPrintLegend(IUnknown* newVal) {
    COM_TRY { return host_.SetPrintLegend(newVal); }
    COM_CATCH_RETURN();
}

// --- Displaying and removing series --------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::DisplayDataset(IDispatch* dataset, VARIANT fields, BSTR seriesGUID) {
    OperationScope operation(operations_);
    COM_TRY {
        // The field list is text; a script may hand it over by reference. Anything else is refused
        // before it could be read as a string.
        Variant fieldList;
        if (!dataset || FAILED(::VariantCopyInd(fieldList.Put(), &fields)) || fieldList.vt != VT_BSTR)
            return E_INVALIDARG;
        CZmaVadAZDatasetDisplay& datasets = layers_.RequireDatasets();

        WaitCursor wait;
        EngineDispatch map(engine_.MapOrThrow());
        map.Put(EngineMap::kAutoRedraw, Variant(false));

        // The collection's failure is this method's answer, but the map must draw again and the
        // usage record is written whatever happened.
        HRESULT result;
        try {
            ComPtr<IUnknown> legend(host_.Legend()), printLegend(host_.PrintLegend());
            result = datasets.DisplayDataset(dataset, fieldList.ToWide(), legend.Get(), printLegend.Get(), Text(seriesGUID));
        } catch (...) {
            result = platform::HandleCaughtException(__FILE__, __LINE__);
        }

        map.Put(EngineMap::kAutoRedraw, Variant(true));
        view_.Changes().SetStage(2);
        map.Call(EngineMap::kRefresh);

        host_.RecordDisplayedDataset(fieldList.ToWide());
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::CreateMultiDMapping(IDispatch* dataset, BSTR bstrSeriesID, IDispatch* fieldConfiguration) {
    OperationScope operation(operations_);
    COM_TRY {
        std::wstring guid = Text(bstrSeriesID);
        HRESULT result = layers_.RequireDatasets().CreateMultiDMapping(dataset, guid, fieldConfiguration);
        if (ComPtr<IHostPrintLegend> legend = host_.PrintLegendInterface()) {
            Bstr series(guid);
            THROW_IF_FAILED(legend->AddSeries(dataset, series.Get(), fieldConfiguration));
        }
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::RemoveDataset(BSTR bstrSeriesID, VARIANT notify) {
    OperationScope operation(operations_);
    COM_TRY {
        std::wstring guid = Text(bstrSeriesID);
        layers_.RequireDatasets().RemoveDataset(guid, notify);
        if (ComPtr<IHostPrintLegend> legend = host_.PrintLegendInterface()) {
            Bstr series(guid);
            Variant copy;
            THROW_IF_FAILED(::VariantCopy(copy.Put(), &notify));
            THROW_IF_FAILED(legend->RemoveSeries(series.Get(), copy));
        }
        RepaintIfUpdating();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// The host is told S_OK whatever the collection answered; a failure is still logged.
STDMETHODIMP CZmaVadAZ::SetDatasetVisible(BSTR bstrSeriesID, LONG lVisible) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!layers_.Collection()) return S_OK;
        try {
            layers_.Datasets()->SetDatasetVisible(Text(bstrSeriesID), lVisible);
            RepaintIfUpdating();
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::NotifyChange(BSTR bstrSeriesID, ENUM_NOTIFY_FLAGS flag, IDispatch* renderer, VARIANT ranges) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!layers_.Collection()) return S_OK;
        try {
            layers_.Datasets()->NotifyChange(Text(bstrSeriesID), static_cast<long>(flag), renderer, ranges);
            RepaintIfUpdating();
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::NotifySelectionChange(BSTR bstrSeriesID) {
    OperationScope operation(operations_);
    COM_TRY {
        HRESULT result = layers_.RequireDatasets().NotifySelectionChange(Text(bstrSeriesID));
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

// --- Asking about series ---------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetDisplayedGUIDs(IDispatch* collection) {
    COM_TRY {
        if (!collection) return E_INVALIDARG;
        return layers_.RequireDatasets().GetDisplayedGUIDs(collection);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetAttributeDescriptionFromGUID(BSTR bstrSeriesID, BSTR* description) {
    COM_TRY {
        if (!description) return E_INVALIDARG;
        return layers_.RequireDatasets().GetAttributeDescriptionFromGUID(Text(bstrSeriesID), description);
    }
    COM_CATCH_RETURN();
}
