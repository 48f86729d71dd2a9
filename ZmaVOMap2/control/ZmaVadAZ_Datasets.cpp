// The control's dataset methods: putting the host's series on the map and keeping them in step.
// Each is a thin entry point that checks its arguments, hands the work to the layer collection,
// keeps the host's print legend informed and repaints.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const char kUsageRecordPrefix[] = "AUL,19,MHandle displayed,Map,";
const wchar_t kUsageChannel[] = L"zemro.usage";

class WaitCursor {
public:
    WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// The host hands its legends over and keeps them alive; the control keeps the bare pointer.
template <class I>
IUnknown* BorrowInterface(IUnknown* object) {
    ComPtr<I> queried;
    if (FAILED(object->QueryInterface(__uuidof(I), queried.PutVoid()))) return nullptr;
    return queried.Get();
}

}  // namespace

// --- Shared steps ------------------------------------------------------------------------------

void CZmaVadAZ::RepaintIfUpdating() {
    if (!screenUpdating_) return;
    EngineDispatch(EngineMapOrThrow()).Put(EngineMap::kAutoRedraw, Variant(true));
    InvalidateEngineWindow();
}

ComPtr<IHostPrintLegend> CZmaVadAZ::GetVOPrintLegend() {
    return ComPtr<IHostPrintLegend>(static_cast<IHostPrintLegend*>(printLegend_));
}

IHostChannelLogger* CZmaVadAZ::GetUsageLogger() {
    if (!usageLogging_) {
        ComPtr<IHostLoggingManager> manager;
        if (FAILED(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_ALL, IID_IHostLoggingManager,
                                      manager.PutVoid())))
            return nullptr;
        usageLogging_ = manager;
        THROW_IF_FAILED(usageLogging_->Initialize(nullptr));
        Bstr channel(kUsageChannel);
        ComPtr<IHostChannelLogger> logger;
        if (SUCCEEDED(usageLogging_->GetChannelLogger(channel.Get(), logger.Put()))) usageChannel_ = logger;
    }
    return usageChannel_.Get();
}

// --- Legends -----------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::put_VOLegend(IUnknown* newVal) {
    COM_TRY {
        if (!newVal) throw platform::ComError(E_POINTER, L"No legend was given", L"VadAZ");
        voLegend_ = BorrowInterface<IHostVOLegend>(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_VOPrintLegend(IUnknown* newVal) {
    COM_TRY {
        if (!newVal) throw platform::ComError(E_POINTER, L"No print legend was given", L"VadAZ");
        printLegend_ = BorrowInterface<IHostPrintLegend>(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- Displaying and removing series --------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::DisplayDataset(IDispatch* dataset, VARIANT fields, BSTR seriesGUID) {
    OperationScope operation(*this);
    COM_TRY {
        // The field list is text; a script may hand it over by reference. Anything else is refused
        // before it could be read as a string.
        Variant fieldList;
        if (!dataset) throw platform::ComError(E_INVALIDARG, L"No dataset was given", L"VadAZ");
        if (FAILED(platform::CopyIndirect(fieldList.Put(), fields)) || fieldList.vt != VT_BSTR)
            throw platform::ComError(E_INVALIDARG, L"The field to show is not a text", L"VadAZ");
        RequireLayers();

        WaitCursor wait;
        EngineDispatch map(EngineMapOrThrow());
        map.Put(EngineMap::kAutoRedraw, Variant(false));

        // The collection's failure is this method's answer, but the map must draw again and the
        // usage record is written whatever happened.
        HRESULT result;
        try {
            ComPtr<IUnknown> legend(voLegend_), printLegend(printLegend_);
            result = datasets_->DisplayDataset(dataset, fieldList.ToWide(), legend.Get(), printLegend.Get(),
                                             seriesGUID ? seriesGUID : L"");
        } catch (...) {
            result = platform::HandleCaughtException(__FILE__, __LINE__);
        }

        map.Put(EngineMap::kAutoRedraw, Variant(true));
        viewChanges_.SetStage(2);
        map.Call(EngineMap::kRefresh);

        std::string record = kUsageRecordPrefix + platform::ToAnsi(fieldList.ToWide());
        if (IHostChannelLogger* usage = GetUsageLogger()) {
            Bstr text(platform::ToWide(record));
            THROW_IF_FAILED(usage->WriteRecord(text.Get()));
        }
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::CreateMultiDMapping(IDispatch* dataset, BSTR bstrSeriesID, IDispatch* fieldConfiguration) {
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        std::wstring guid = bstrSeriesID ? bstrSeriesID : L"";
        HRESULT result = datasets_->CreateMultiDMapping(dataset, guid, fieldConfiguration);
        if (ComPtr<IHostPrintLegend> legend = GetVOPrintLegend()) {
            Bstr series(guid);
            THROW_IF_FAILED(legend->AddSeries(dataset, series.Get(), fieldConfiguration));
        }
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::RemoveDataset(BSTR bstrSeriesID, VARIANT notify) {
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        std::wstring guid = bstrSeriesID ? bstrSeriesID : L"";
        datasets_->RemoveDataset(guid, notify);
        if (ComPtr<IHostPrintLegend> legend = GetVOPrintLegend()) {
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
    OperationScope operation(*this);
    COM_TRY {
        if (!layers_) return S_OK;
        try {
            datasets_->SetDatasetVisible(bstrSeriesID ? bstrSeriesID : L"", lVisible);
            RepaintIfUpdating();
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::NotifyChange(BSTR bstrSeriesID, ENUM_NOTIFY_FLAGS flag, IDispatch* renderer, VARIANT ranges) {
    OperationScope operation(*this);
    COM_TRY {
        if (!layers_) return S_OK;
        try {
            datasets_->NotifyChange(bstrSeriesID ? bstrSeriesID : L"", static_cast<long>(flag), renderer, ranges);
            RepaintIfUpdating();
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::NotifySelectionChange(BSTR bstrSeriesID) {
    OperationScope operation(*this);
    COM_TRY {
        RequireLayers();
        HRESULT result = datasets_->NotifySelectionChange(bstrSeriesID ? bstrSeriesID : L"");
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

// --- Asking about series ---------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetDisplayedGUIDs(IDispatch* collection) {
    COM_TRY {
        if (!collection) throw platform::ComError(E_INVALIDARG, L"No collection was given for the GUIDs", L"VadAZ");
        RequireLayers();
        return datasets_->GetDisplayedGUIDs(collection);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetAttributeDescriptionFromGUID(BSTR bstrSeriesID, BSTR* description) {
    COM_TRY {
        if (!description) throw platform::ComError(E_INVALIDARG, L"No place was given for the description", L"VadAZ");
        RequireLayers();
        return datasets_->GetAttributeDescriptionFromGUID(bstrSeriesID ? bstrSeriesID : L"", description);
    }
    COM_CATCH_RETURN();
}
