// The dataset operations behind the control's dataset methods: removing and hiding a series,
// the host's notifications of changes and selections, and what the control answers about the
// datasets it shows.
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"

#include "ZmaVOMap2/datalayers/CellLineLayer.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

#include <algorithm>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::IdentityOf;
using platform::Variant;

// --- Dataset operations ------------------------------------------------------------------------

HRESULT CZmaVadAZDatasetDisplay::RemoveDataset(const std::wstring& guid, const VARIANT& notify) {
    bool notifyHost = false;
    if (!Variant::IsMissing(notify)) {
        notifyHost = Variant(notify).ToBool();
    }
    if (!collection_.FindCompositionByKey(guid)) return S_FALSE;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    if (!layer) return E_FAIL;
    collection_.RemoveLayer(layer, false, notifyHost);
    // The line layers let go of the dataset of a series no longer shown.
    for (LinesLayerMap* lines : {&servingLines_, &neighbourLines_, &cellSiteLines_, &pointLines_})
        for (auto& entry : *lines)
            if (CellLineLayerInterface* typed = AsCellLineLayer(entry.second.get())) typed->RemoveDataset(guid);
    return S_OK;
}

void CZmaVadAZDatasetDisplay::SetDatasetVisible(const std::wstring& guid, long visible) {
    if (!collection_.FindCompositionByKey(guid)) return;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    if (!layer) return;
    layer->SetVisible(visible != 0);
    if (ComPtr<IHostPrintLegend> legend = collection_.PrintLegend()) {
        Bstr series(guid);
        THROW_IF_FAILED(legend->SetVisibility(series.Get(), static_cast<short>(visible)));
    }
}

void CZmaVadAZDatasetDisplay::SetLayerVisible(CZmaVadAZLayer* layer, long visible) {
    CZmaVadAZDataLayer* data = AsDataLayer(layer);
    if (!data) return;
    Bstr series(data->GetLayerKey());
    data->SetVisible(visible != 0);
    if (ComPtr<IHostPrintLegend> legend = collection_.PrintLegend())
        THROW_IF_FAILED(legend->SetVisibility(series.Get(), static_cast<short>(visible)));
}

HRESULT CZmaVadAZDatasetDisplay::NotifyChange(const std::wstring& guid, long flag, IDispatch* /*renderer*/,
                                               const VARIANT& /*ranges*/) {
    if (!collection_.FindCompositionByKey(guid)) return S_OK;
    // Update-all and update-specified are handled alike; other flags change nothing.
    if (flag != 0 && flag != 1) return S_OK;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    if (!layer) return S_OK;
    ComPtr<IHostDataset> dataset(layer->GetDataset());
    // The host tells of its dataset under one of its series: every layer that shows that same
    // dataset object (under any series) reads the rows again, the first failure is raised.
    HRESULT result = layer->RefreshFromDataset();
    const ComPtr<IUnknown> identity = IdentityOf(dataset.Get());
    for (CZmaVadAZLayer* held : collection_.Layers()) {
        CZmaVadAZDataLayer* other = AsDataLayer(held);
        if (!other || other == layer || !identity || IdentityOf(other->GetDataset()).Get() != identity.Get()) continue;
        const HRESULT refreshed = other->RefreshFromDataset();
        if (SUCCEEDED(result)) result = refreshed;
    }
    THROW_IF_FAILED(result);
    if (CZmaVadAZDatasetComposition* composition = collection_.FindDatasetComposition(guid)) {
        for (auto& dimension : composition->Dimensions())
            dimension.code = LoadStyleSettings(dataset.Get(), dimension.fieldName ? *dimension.fieldName : L"", guid);
    }
    return result;
}

HRESULT CZmaVadAZDatasetDisplay::NotifySelectionChange(const std::wstring& guid) {
    std::vector<CZmaVadAZDataLayer*> visible;
    for (CZmaVadAZLayer* held : collection_.Layers()) {
        CZmaVadAZDataLayer* data = AsDataLayer(held);
        if (data && data->IsVisible()) visible.push_back(data);
    }
    std::stable_sort(visible.begin(), visible.end(), [](CZmaVadAZDataLayer* a, CZmaVadAZDataLayer* b) {
        double da = a->GetOffsetX() * a->GetOffsetX() + a->GetOffsetY() * a->GetOffsetY();
        double db = b->GetOffsetX() * b->GetOffsetX() + b->GetOffsetY() * b->GetOffsetY();
        return da < db;
    });

    std::vector<CZmaVadAZDataLayer*> named;
    for (const SeriesId& key : collection_.CompositionKeys()) {
        if (key != guid) continue;
        if (CZmaVadAZDataLayer* layer = LayerOfEntry(key)) named.push_back(layer);
    }
    if (named.empty()) {
        if (visible.empty()) return S_OK;
        named.push_back(visible.front());
    }

    IUnknown* dataset = named.front()->GetDataset();
    if (!dataset) return S_OK;
    ComPtr<IDispatch> datasetDispatch;
    THROW_IF_FAILED(dataset->QueryInterface(IID_IDispatch, datasetDispatch.PutVoid()));
    PropagateSelection(datasetDispatch.Get());

    const ComPtr<IUnknown> identity = IdentityOf(dataset);
    auto sameDataset = [&identity](CZmaVadAZDataLayer* layer) {
        return layer->GetDataset() && IdentityOf(layer->GetDataset()).Get() == identity.Get();
    };
    auto start = std::find_if(visible.begin(), visible.end(), sameDataset);
    for (auto it = start; it != visible.end(); ++it)
        if ((*it)->CheckSelectionInView()) return (*it)->ShowSelection();

    HRESULT result = S_OK;
    for (CZmaVadAZDataLayer* layer : named) {
        result = layer->ShowSelection();
        if (FAILED(result)) break;
    }
    return result;
}

void CZmaVadAZDatasetDisplay::PropagateSelection(IDispatch* dataset) {
    ComPtr<IHostStringList> selection;
    THROW_IF_FAILED(hostdata::DatasetOf(dataset)->get_SelectedRows(selection.Put()));
    platform::ThrowIfNull(selection.Get(), E_POINTER);
    long count = 0;
    THROW_IF_FAILED(selection->get_Count(&count));
    std::vector<long> rows;
    for (long i = 0; i < count; ++i) {
        Variant item;
        THROW_IF_FAILED(selection->Item(Variant(i), item.Put()));
        rows.push_back(item.ToLong());
    }
    for (CZmaVadAZLayer* held : collection_.Layers()) held->ClearSelection();
    for (long row : rows) THROW_IF_FAILED(selection->Add(Variant(row), Variant::Missing(), Variant::Missing()));
}

HRESULT CZmaVadAZDatasetDisplay::GetDisplayedGUIDs(IDispatch* target) {
    ComPtr<IHostStringList> list;
    if (!target || FAILED(target->QueryInterface(__uuidof(IHostStringList), list.PutVoid())) || !list)
        throw ComError(E_NOINTERFACE, L"The collection is not one of the host's string lists", L"VadAZ");
    // Only point datasets: cell-site and cell-reference series are the host's own business.
    for (const SeriesId& key : collection_.CompositionKeys()) {
        CZmaVadAZDataLayer* layer = LayerOfEntry(key);
        if (!layer || layer->GetType() != CZmaVadAZLayer::kTypeDataset) continue;
        THROW_IF_FAILED(list->Add(Variant(key.Text()), Variant::Missing(), Variant::Missing()));
    }
    return S_OK;
}

HRESULT CZmaVadAZDatasetDisplay::GetTopVisibleDataLayerName(BSTR* name) {
    if (!name) return E_POINTER;
    for (CZmaVadAZLayer* held : collection_.Layers()) {
        CZmaVadAZDataLayer* data = AsDataLayer(held);
        if (data && data->IsVisible()) {
            *name = Bstr(platform::ToWide(data->GetName())).Detach();
            return S_OK;
        }
    }
    *name = Bstr(L"").Detach();
    return S_OK;
}

HRESULT CZmaVadAZDatasetDisplay::GetAttributeDescriptionFromGUID(const std::wstring& guid, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    if (!collection_.FindCompositionByKey(guid))
        throw ComError(DISP_E_BADINDEX, L"No series " + guid + L" is on the map", L"VadAZ");
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    *description = Bstr(layer ? platform::ToWide(layer->GetName()) : std::wstring()).Detach();
    return S_OK;
}

