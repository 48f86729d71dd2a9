#include "ZmaVOMap2/control/DatasetMembers.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/HostObjects.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
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

// A display's failure as the thread's error information tells it; one that came without a
// description gets one, so that the host is told more than a code.
platform::ComError DisplayFailure(HRESULT hr) {
    platform::ComError failure = platform::ComError::FromCall(hr);
    if (failure.Description().empty())
        failure = platform::ComError(hr, L"The dataset could not be displayed", L"VadAZ");
    return failure;
}

}  // namespace

HRESULT DatasetMembers::Display(IDispatch* dataset, const VARIANT& fields, BSTR series) {
    OperationScope operation(operations_);
    COM_TRY {
        // Anything but text is refused before it could be read as a string.
        Variant fieldList;
        if (!dataset) throw platform::ComError(E_INVALIDARG, L"No dataset was given", L"VadAZ");
        if (FAILED(platform::CopyIndirect(fieldList.Put(), fields)) || fieldList.vt != VT_BSTR)
            throw platform::ComError(E_INVALIDARG, L"The field to show is not a text", L"VadAZ");
        CZmaVadAZDatasetDisplay& datasets = layers_.RequireDatasets();
        // Refused before the engine is touched: a host's handler may ask while a frame is drawn.
        layers_.Require().RequireNoFrame();

        WaitCursor wait;
        EngineDispatch map(engine_.MapOrThrow());
        map.Put(Engine::Map::kAutoRedraw, Variant(false));
        const HRESULT result = [&]() -> HRESULT {
            try {
                ComPtr<IUnknown> legend(host_.Legend()), printLegend(host_.PrintLegend());
                DatasetShown shown;
                const HRESULT displayed = datasets.DisplayDataset(dataset, fieldList.ToWide(), legend.Get(),
                                                                  printLegend.Get(), Text(series), &shown);
                BringIntoView(shown);
                return displayed;
            }
            CATCH_RETURN_KEEP_INFO()
        }();
        // The map draws again and the call is recorded however the display ended; a failure is
        // answered only then, with its description taken now (the calls in between clear it).
        platform::ComError failure(result);
        if (FAILED(result)) failure = DisplayFailure(result);
        map.Put(Engine::Map::kAutoRedraw, Variant(true));
        view_.Changes().SetStage(2);
        map.Call(Engine::Map::kRefresh);

        host_.RecordDisplayedDataset(fieldList.ToWide());
        if (FAILED(result)) throw failure;
        return result;
    }
    COM_CATCH_RETURN();
}

HRESULT DatasetMembers::DisplayMapping(IDispatch* dataset, BSTR series, IDispatch* fieldConfiguration) {
    OperationScope operation(operations_);
    COM_TRY {
        const std::wstring guid = Text(series);
        DatasetShown shown;
        HRESULT result = layers_.RequireDatasets().CreateMultiDMapping(dataset, guid, fieldConfiguration, &shown);
        BringIntoView(shown);
        if (ComPtr<IHostPrintLegend> legend = host_.PrintLegendInterface())
            THROW_IF_FAILED(legend->AddSeries(dataset, Bstr(guid).Get(), fieldConfiguration));
        view_.RepaintIfUpdating(engine_);
        return result;
    }
    COM_CATCH_RETURN();
}

void DatasetMembers::BringIntoView(const DatasetShown& shown) {
    // The host may have removed the layer from an event handler since it was built.
    CZmaVadAZLayerCollection* layers = layers_.Collection();
    if (!shown.bringIntoView || !layers || !layers->Contains(shown.layer)) return;
    // The series is on the map whether or not the view can follow it: a view the engine refuses
    // is logged and the view stays as it was.
    try {
        view_.Viewport(engine_.MapOrThrow(), layers).ZoomToLayersBounds(shown.layer, -1.0);
    }
    COM_CATCH_LOG();
}

HRESULT DatasetMembers::Remove(BSTR series, const VARIANT& notify) {
    OperationScope operation(operations_);
    COM_TRY {
        const std::wstring guid = Text(series);
        layers_.RequireDatasets().RemoveDataset(guid, notify);
        if (ComPtr<IHostPrintLegend> legend = host_.PrintLegendInterface()) {
            Variant copy;
            THROW_IF_FAILED(::VariantCopy(copy.Put(), const_cast<VARIANT*>(&notify)));
            THROW_IF_FAILED(legend->RemoveSeries(Bstr(guid).Get(), copy));
        }
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT DatasetMembers::SetVisible(BSTR series, long visible) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!layers_.Collection()) return S_OK;
        try {
            layers_.Datasets()->SetDatasetVisible(Text(series), visible);
            view_.RepaintIfUpdating(engine_);
        }
        COM_CATCH_LOG();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT DatasetMembers::NotifyChange(BSTR series, long flag, IDispatch* renderer, const VARIANT& ranges) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!layers_.Collection()) return S_OK;
        try {
            layers_.Datasets()->NotifyChange(Text(series), flag, renderer, ranges);
            view_.RepaintIfUpdating(engine_);
        }
        COM_CATCH_LOG();
        return S_OK;
    }
    COM_CATCH_RETURN();
}
