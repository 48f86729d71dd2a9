#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kCaption[] = L"Map Module";
const char kAnnotationsName[] = "Annotations";

// Names that differ only in punctuation or case share their order number.
std::string LooseKey(const std::string& name) {
    std::string key;
    for (char c : name)
        if (::IsCharAlphaNumericA(c)) key.push_back(c);
    return platform::ToLower(key);
}

long EngineLayerCount(IDispatch* map) {
    ComPtr<IDispatch> layers = platform::RequireDispatch(EngineDispatch(map).Get(Engine::Map::kLayers));
    return EngineDispatch(layers.Get()).Get(Engine::Layers::kCount).ToLong();
}

// `rising` takes the place of `sinking`, whose engine layers lie directly above its own: it moves
// the engine's layers, and `sinking` only learns that it was pushed down.
void PassInEngine(CZmaVadAZLayer& rising, CZmaVadAZLayer& sinking) {
    rising.MoveDown(true, sinking.GetEngineLayerCount());
    sinking.MoveUp(false, rising.GetEngineLayerCount());
}

}  // namespace

CZmaVadAZLayerCollection::CZmaVadAZLayerCollection(const std::wstring& temporaryFolder, CZmaVadAZLayerHost& host,
                                                   IDispatch* map)
    : map_(map), host_(&host), temporaryFolder_(temporaryFolder) {}

CZmaVadAZLayerCollection::~CZmaVadAZLayerCollection() {
    // Front to back: each layer takes its engine layer out of the map as it goes. The lists are
    // emptied first, so that messages handled while a layer lets go of its host objects find
    // nothing half destroyed.
    engineOrder_.clear();
    LayerList layers;
    layers.swap(layers_);
    std::vector<std::unique_ptr<CZmaVadAZLayer>> retired;
    retired.swap(retiredLayers_);
    for (auto& layer : layers) layer.reset();
    retired.clear();
    retiredCompositions_.clear();
    // The engine layers over the temporary tables are gone with the layers: their files may go.
    for (const std::string& table : temporaryTables_) RemoveTableFiles(table);
    pendingOffsetLayers_.clear();
    annotations_ = markerLayer_ = temporaryTabLayer_ = nullptr;
    cellSiteLayers_.clear();
    search_.clear();
    series_.Clear();
    cellSiteGuids_.clear();
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::GetAt(int index) const noexcept {
    if (index < 0 || index >= static_cast<int>(layers_.size())) return nullptr;
    auto it = layers_.begin();
    std::advance(it, index);
    return it->get();
}

CZmaVadAZLayerCollection::LayerList::iterator CZmaVadAZLayerCollection::Find(CZmaVadAZLayer* layer) {
    return std::find_if(layers_.begin(), layers_.end(), [layer](const auto& held) { return held.get() == layer; });
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::AddLayer(const std::string& name, int type, const std::string& fileSpec,
                                                   const std::wstring& key, const std::string& caption,
                                                   const std::wstring& cellSiteSource,
                                                   const std::wstring& alternativeKey) {
    std::unique_ptr<CZmaVadAZLayer> layer;
    try {
        layer = LayerFactory::Instance().Create(type, map_.Get(), this);
    }
    COM_CATCH_LOG();
    if (!layer) return nullptr;

    if (FAILED(layer->Attach(name, type, fileSpec))) return nullptr;

    if (layer->TakeKeys(key, alternativeKey, caption, cellSiteSource)) {
        series_.AddLayer(key, layer.get());
        if (type == CZmaVadAZLayer::kTypeCellSites) cellSiteLayers_.push_back(layer.get());
    }
    CZmaVadAZLayer* added = layer.get();
    RegisterLayer(std::move(layer));
    First();
    return added;
}

std::string CZmaVadAZLayerCollection::OrderKeyOf(CZmaVadAZLayer* layer) const {
    if (layer->HasLayerKey()) return platform::ToAnsi(layer->GetLayerKey());
    return layer->GetName();
}

int CZmaVadAZLayerCollection::FindLayerOrder(CZmaVadAZLayer* layer) const {
    auto it = orders_.find({OrderKeyOf(layer), 0});
    int order = it == orders_.end() ? 0 : it->second;
    if (order < 1 && !layer->HasLayerKey()) {
        auto loose = orders_.find({LooseKey(layer->GetName()), 0});
        if (loose != orders_.end()) order = loose->second;
    }
    return order < 1 ? 0 : order;
}

int& CZmaVadAZLayerCollection::GetLayerOrder(CZmaVadAZLayer* layer) { return orders_[{OrderKeyOf(layer), 0}]; }

void CZmaVadAZLayerCollection::RegisterLayer(std::unique_ptr<CZmaVadAZLayer> owned) {
    if (!owned) return;
    CZmaVadAZLayer* layer = owned.get();
    int order = FindLayerOrder(layer);

    if (!newLayersOnTop_ && order >= 1) {
        // A layer that comes back goes to the place its order number gives.
        int target = 1;
        bool found = false;
        for (auto& held : layers_) {
            if (FindLayerOrder(held.get()) >= order) {
                found = true;
                break;
            }
            ++target;
        }
        if (!found) target = static_cast<int>(layers_.size()) + 1;
        layers_.push_front(std::move(owned));
        if (target != 1) {
            keepOrders_ = false;
            cursor_ = 0;
            for (int i = 1; i < target; ++i) MoveCurrentLayerDown();
            keepOrders_ = true;
        }
        First();
        return;
    }

    layers_.push_front(std::move(owned));
    for (auto& entry : orders_) ++entry.second;
    GetLayerOrder(layer) = 1;

    if (layer->GetType() == CZmaVadAZLayer::kTypeDataset && layer->HasLayerKey()) {
        // A new point layer goes directly above the topmost point layer, else directly below the
        // lowest cell layer, else to the top.
        int target = -1, lastCells = -1, index = 0;
        for (auto it = std::next(layers_.begin()); it != layers_.end(); ++it, ++index) {
            int type = (*it)->GetType();
            if (type == CZmaVadAZLayer::kTypeDataset) {
                target = index;
                break;
            }
            if (type == CZmaVadAZLayer::kTypeCellReferences || type == CZmaVadAZLayer::kTypeCellSites) lastCells = index;
        }
        if (target < 0) target = lastCells + 1;
        cursor_ = 0;
        for (int i = 0; i < target; ++i) MoveCurrentLayerDown();
    }
    First();
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::InsertAtTop(std::unique_ptr<CZmaVadAZLayer> layer) {
    if (!layer) platform::ThrowHr(E_POINTER);
    CZmaVadAZLayer* raw = layer.get();
    layers_.push_front(std::move(layer));
    // The cursor stays on the layer it was on.
    cursor_ = cursor_ < 0 ? 0 : cursor_ + 1;
    return raw;
}

void CZmaVadAZLayerCollection::MoveCurrentLayerUp() {
    if (cursor_ < 1 || cursor_ >= static_cast<int>(layers_.size())) return;
    auto moving = layers_.begin();
    std::advance(moving, cursor_);
    auto passed = std::prev(moving);
    CZmaVadAZLayer* a = moving->get();
    CZmaVadAZLayer* b = passed->get();
    const bool engineNow = MovesEngineNow();
    moving->swap(*passed);
    if (engineNow) PassInEngine(*a, *b);
    if (keepOrders_) ShiftLayerOrders(b, a, -1);
    bool follows = cursor_ == follower_;
    --cursor_;
    if (follows) follower_ = cursor_;
}

void CZmaVadAZLayerCollection::MoveCurrentLayerDown() {
    if (cursor_ < 0 || cursor_ + 1 >= static_cast<int>(layers_.size())) return;
    auto moving = layers_.begin();
    std::advance(moving, cursor_);
    auto passed = std::next(moving);
    CZmaVadAZLayer* a = moving->get();
    CZmaVadAZLayer* b = passed->get();
    const bool engineNow = MovesEngineNow();
    moving->swap(*passed);
    if (engineNow) {
        a->MoveUp(true, b->GetEngineLayerCount());
        b->MoveDown(false, a->GetEngineLayerCount());
    }
    if (keepOrders_) ShiftLayerOrders(a, b, +1);
    bool follows = cursor_ == follower_;
    ++cursor_;
    if (follows) follower_ = cursor_;
}

void CZmaVadAZLayerCollection::ShiftLayerOrders(CZmaVadAZLayer* a, CZmaVadAZLayer* b, int direction) {
    int oa = GetLayerOrder(a);
    int ob = GetLayerOrder(b);
    if (direction == +1) {
        for (auto& entry : orders_)
            if (oa < entry.second && entry.second <= ob) --entry.second;
        GetLayerOrder(a) = ob;
    } else {
        for (auto& entry : orders_)
            if (oa <= entry.second && entry.second < ob) ++entry.second;
        GetLayerOrder(b) = oa;
    }
}

bool CZmaVadAZLayerCollection::MovesEngineNow() {
    CatchUpEngineOrder();
    if (!IsDrawingFrame() && engineOrder_.empty()) return true;
    if (engineOrder_.empty()) engineOrder_ = Layers();
    return false;
}

void CZmaVadAZLayerCollection::CatchUpEngineOrder() noexcept {
    // Retired layers that are still going may keep engine layers between the others'.
    if (engineOrder_.empty() || IsDrawingFrame() || retiring_ > 0) return;
    std::vector<CZmaVadAZLayer*> engine;
    engine.swap(engineOrder_);
    try {
        // From the top, each layer rises past those that the engine still holds above it. A layer
        // that came after the moves was placed by the engine itself and is not among them.
        auto settled = engine.begin();
        for (CZmaVadAZLayer* wanted : Layers()) {
            auto at = std::find(settled, engine.end(), wanted);
            if (at == engine.end()) continue;
            for (; at != settled; --at) {
                PassInEngine(**at, **std::prev(at));
                std::iter_swap(at, std::prev(at));
            }
            ++settled;
        }
    }
    COM_CATCH_LOG();
}

bool CZmaVadAZLayerCollection::MoveLayerToTop(CZmaVadAZLayer* layer) {
    First();
    for (;;) {
        CZmaVadAZLayer* current = Current();
        if (!current) return false;
        if (current == layer) break;
        Next();
    }
    while (cursor_ >= 1) MoveCurrentLayerUp();
    return true;
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::FindLayerByName(const std::wstring& name) const {
    std::string narrow = platform::ToAnsi(name);
    for (const auto& layer : layers_)
        if (layer->GetName() == narrow) return layer.get();
    return nullptr;
}

std::vector<CZmaVadAZLayer*> CZmaVadAZLayerCollection::FindLayers(const SeriesId& key) const {
    // Every id begins with the empty text: it must not pick an arbitrary layer.
    if (key.Empty()) return {};
    if (CZmaVadAZLayer* exact = series_.LayerOf(key)) return {exact};
    std::vector<CZmaVadAZLayer*> layers = series_.SeriesLayers(key);
    return layers.empty() ? series_.LayersBeginningWith(key) : layers;
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::FindLayer(const SeriesId& key) {
    search_ = FindLayers(key);
    if (search_.empty()) return nullptr;
    CZmaVadAZLayer* first = search_.front();
    search_.erase(search_.begin());
    return first;
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::FindNextLayer(const SeriesId& key) {
    if (search_.empty() || key.Empty()) {
        search_.clear();
        return nullptr;
    }
    CZmaVadAZLayer* next = search_.front();
    search_.erase(search_.begin());
    return next;
}

std::vector<CZmaVadAZLayer*> CZmaVadAZLayerCollection::Layers() const {
    std::vector<CZmaVadAZLayer*> layers;
    for (const auto& held : layers_) layers.push_back(held.get());
    return layers;
}

void CZmaVadAZLayerCollection::AddCellSiteSeries(const SeriesId& key) {
    if (std::find(cellSiteGuids_.begin(), cellSiteGuids_.end(), key) == cellSiteGuids_.end()) cellSiteGuids_.push_back(key);
}

CZmaVadAZDatasetComposition* CZmaVadAZLayerCollection::AdoptComposition(
    std::unique_ptr<CZmaVadAZDatasetComposition> composition) {
    return series_.Adopt(std::move(composition));
}

void CZmaVadAZLayerCollection::AdoptLegends(IUnknown* legend, IUnknown* printLegend) {
    if (!legend_ && legend) legend->QueryInterface(__uuidof(IHostLegendSeries), legend_.PutVoid());
    if (!printLegend_ && printLegend) printLegend->QueryInterface(__uuidof(IHostPrintLegend), printLegend_.PutVoid());
}

bool CZmaVadAZLayerCollection::HasLayerOfType(int type) const { return FindLayerByType(type) != nullptr; }

CZmaVadAZLayer* CZmaVadAZLayerCollection::FindLayerByType(int type) const {
    for (const auto& layer : layers_)
        if (layer->GetType() == type) return layer.get();
    return nullptr;
}

CZmaVadAZLayer* CZmaVadAZLayerCollection::AddTemporaryTabLayer(int type, const char* path) {
    if (!path) platform::ThrowHr(E_INVALIDARG);
    RequireNoFrame();
    // A list file (".atr") opens its tables as one block layer of the list-file kind.
    const char* dot = std::strrchr(path, '.');
    const bool list = dot && ::lstrcmpiA(dot, ".atr") == 0;
    std::unique_ptr<CZmaVadAZLayer> layer =
        list ? LayerFactory::Instance().Create(CZmaVadAZLayer::kTypeAtrList, map_.Get(), this)
             : std::make_unique<CZmaVadAZLayer>(map_.Get(), this);
    BOOL added = layer->Create(type, path);
    if (!added) return nullptr;
    for (auto& held : layers_) held->MoveUp(false, static_cast<int>(added));
    CZmaVadAZLayer* raw = layer.get();
    layers_.push_front(std::move(layer));
    First();
    return raw;
}

void CZmaVadAZLayerCollection::EditOnly(CZmaVadAZLayer* layer) {
    for (const auto& held : layers_)
        if (held.get() != layer && held->IsEditableKind() && held->IsEditable()) held->SetAsInsertionLayer(nullptr);
    if (layer) layer->SetAsInsertionLayer(layer->GetMapXLayer().Get());
}

HRESULT CZmaVadAZLayerCollection::CreateAnnotationsLayer(const char* folder) {
    std::string directory = folder ? folder : platform::ToAnsi(temporaryFolder_);
    char unique[MAX_PATH] = {};
    if (!::GetTempFileNameA(directory.c_str(), "ann", 0, unique)) platform::ThrowHr(E_FAIL);
    char drive[_MAX_DRIVE], dir[_MAX_DIR], base[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(unique, drive, dir, base, ext);
    char path[MAX_PATH] = {};
    std::snprintf(path, sizeof path, "%s%s%s.TAB", drive, dir, base);

    // The annotations layer on record goes first: the new one takes over its engine name, and the
    // list must never keep a layer that was destroyed.
    if (annotations_) DestroyLayer(annotations_);

    CZmaVadAZLayer* layer = AddLayer(kAnnotationsName, CZmaVadAZLayer::kTypeAnnotations, path, L"", "", L"", L"");
    KeepTemporaryTable(path);
    if (!layer) {
        platform::Prompts().MessageBox(nullptr, L"Failed to initialize the annotations layer", kCaption, MB_OK);
        platform::ThrowHr(E_FAIL);
    }
    layer->SetAsInsertionLayer(layer->GetMapXLayer().Get());
    annotations_ = layer;
    follower_ = 1;
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::CreateBackgroundMapLayer(const char* folder) {
    std::string directory = folder ? folder : platform::ToAnsi(temporaryFolder_);
    // A map being loaded has no working folder yet: the system's temporary folder stands in.
    if (directory.empty()) {
        char temp[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(MAX_PATH, temp);
        if (length > 0 && length <= MAX_PATH) directory = temp;
    }
    char unique[MAX_PATH] = {};
    if (!::GetTempFileNameA(directory.c_str(), "ann", 0, unique)) return E_FAIL;
    // Only whether the folder takes files counts: the name itself is not kept.
    ::DeleteFileA(unique);

    std::unique_ptr<CZmaVadAZLayer> layer;
    try {
        THROW_IF_FAILED(RemoveLayersOfType(CZmaVadAZLayer::kTypeBackgroundMap));
        // The imagery is a layer kind of its own; without it there is nothing to build.
        if (LayerFactory::Instance().IsRegistered(CZmaVadAZLayer::kTypeBackgroundMap)) {
            std::unique_ptr<CZmaVadAZLayer> made =
                LayerFactory::Instance().Create(CZmaVadAZLayer::kTypeBackgroundMap, map_.Get(), this);
            // At the bottom of the map: the engine's last layer and the back of the list, with no
            // order number of its own.
            const long engineLayers = EngineLayerCount(map_.Get());
            const int position = made->GetLayerPosition();
            if (position >= 1 && position < engineLayers) made->MoveUp(true, static_cast<int>(engineLayers - position));
            layer = std::move(made);
        }
    }
    COM_CATCH_LOG();
    if (!layer) {
        platform::ErrorLog* log = platform::GetErrorLog();
        if (log && log->IsEnabledFor(platform::kLogLevelError))
            log->Write(platform::kLogLevelError, __FILE__, __LINE__, "Failed to initialize the BackgroundMap layer");
        // Loading a document never waits for a person: there the line above is all.
        if (!IsLoadingSettings())
            platform::Prompts().MessageBox(nullptr, L"Failed to initialize the BackgroundMap layer", kCaption, MB_OK);
        return E_FAIL;
    }
    layers_.push_back(std::move(layer));
    return S_OK;
}

void CZmaVadAZLayerCollection::ForgetSpecialLayer(CZmaVadAZLayer* layer) noexcept {
    if (annotations_ == layer) annotations_ = nullptr;
    cellSiteLayers_.erase(std::remove(cellSiteLayers_.begin(), cellSiteLayers_.end(), layer), cellSiteLayers_.end());
    if (markerLayer_ == layer) markerLayer_ = nullptr;
    if (temporaryTabLayer_ == layer) temporaryTabLayer_ = nullptr;
    search_.erase(std::remove(search_.begin(), search_.end(), layer), search_.end());
    savedSelectability_.erase(layer);
    pendingOffsetLayers_.erase(std::remove(pendingOffsetLayers_.begin(), pendingOffsetLayers_.end(), layer),
                               pendingOffsetLayers_.end());
    failingLayers_.erase(std::remove(failingLayers_.begin(), failingLayers_.end(), layer), failingLayers_.end());
    failedInThisFrame_.erase(std::remove(failedInThisFrame_.begin(), failedInThisFrame_.end(), layer),
                             failedInThisFrame_.end());
    // Its engine layer leaves the map before the engine's list is brought into order.
    engineOrder_.erase(std::remove(engineOrder_.begin(), engineOrder_.end(), layer), engineOrder_.end());
    series_.Forget(layer);
}

void CZmaVadAZLayerCollection::DestroyLayer(CZmaVadAZLayer* layer) {
    ForgetSpecialLayer(layer);
    auto it = Find(layer);
    if (it == layers_.end()) return;
    std::unique_ptr<CZmaVadAZLayer> owned = std::move(*it);
    layers_.erase(it);
    if (operations_ > 0) {
        // The code that fired may still use the layer, but the map must not show it any more.
        // While a frame is drawn the engine walks its layers: its list changes only afterwards,
        // when the retired layers go.
        if (!IsDrawingFrame()) owned->TakeOutOfMap();
        retiredLayers_.push_back(std::move(owned));
    }
}

void CZmaVadAZLayerCollection::EndOperation() noexcept {
    if (operations_ > 0 && --operations_ > 0) return;
    // Each layer takes its engine layer out of the map as it goes; it must not fail the caller.
    // The lists are taken first: a layer that lets go of a host object in another apartment lets
    // the thread handle messages, which may begin and end operations of their own meanwhile.
    ++retiring_;
    try {
        std::vector<std::unique_ptr<CZmaVadAZLayer>> layers;
        layers.swap(retiredLayers_);
        std::vector<std::unique_ptr<CZmaVadAZDatasetComposition>> compositions;
        compositions.swap(retiredCompositions_);
        layers.clear();
        compositions.clear();
    }
    COM_CATCH_LOG();
    --retiring_;
    // The engine has walked its list: the moves made meanwhile reach it now, once the removed
    // layers' engine layers have gone from between the others'.
    CatchUpEngineOrder();
}

void CZmaVadAZLayerCollection::RequireNoFrame() const {
    if (IsDrawingFrame())
        throw ComError(E_UNEXPECTED, L"The map is drawing a frame: no layer can be added until it is drawn", L"VadAZ");
}

void CZmaVadAZLayerCollection::KeepTemporaryTable(const std::string& tablePath) {
    if (tablePath.empty()) return;
    if (std::find(temporaryTables_.begin(), temporaryTables_.end(), tablePath) == temporaryTables_.end())
        temporaryTables_.push_back(tablePath);
}

bool CZmaVadAZLayerCollection::Contains(const CZmaVadAZLayer* layer) const noexcept {
    for (const auto& held : layers_)
        if (held.get() == layer) return true;
    return false;
}

void CZmaVadAZLayerCollection::ForgetDatasetLines(const SeriesId& series, CZmaVadAZLayer* layer) {
    if (layer && layer->GetType() == CZmaVadAZLayer::kTypeCellSites) {
        cellSiteGuids_.erase(std::remove(cellSiteGuids_.begin(), cellSiteGuids_.end(), series), cellSiteGuids_.end());
        if (lines_) lines_->CellSiteLayerGoes(layer);
    }
    // The line layers tied to a point dataset come with the lines-to-cells layers.
}

ComPtr<IHostLegendSeries> CZmaVadAZLayerCollection::Legend() {
    if (!legend_) {
        if (IUnknown* object = host_->LegendObject()) object->QueryInterface(__uuidof(IHostLegendSeries), legend_.PutVoid());
    }
    return legend_;
}

ComPtr<IHostPrintLegend> CZmaVadAZLayerCollection::PrintLegend() {
    if (!printLegend_) {
        if (IUnknown* object = host_->PrintLegendObject())
            object->QueryInterface(__uuidof(IHostPrintLegend), printLegend_.PutVoid());
    }
    return printLegend_;
}

HRESULT CZmaVadAZLayerCollection::RemoveLayer(CZmaVadAZLayer* layer, bool updateLegends, bool notifyHost) {
    if (!layer) platform::ThrowHr(E_INVALIDARG);
    std::vector<std::wstring> removedSeries;
    std::wstring key;
    std::string orderKey;
    bool haveOrderKey = false;

    if (layer->HasLayerKey()) {
        key = layer->GetLayerKey();
        if (updateLegends && notifyHost) {
            orderKey = platform::ToAnsi(key);
            haveOrderKey = true;
        }
        if (series_.Holds(key, layer)) {
            if (updateLegends && layer->IsDataLayer()) {
                Bstr series(key);
                if (auto legend = Legend()) THROW_IF_FAILED(legend->RemoveSeries(series.Get(), Variant::Missing()));
                if (auto print = PrintLegend()) THROW_IF_FAILED(print->RemoveSeries(series.Get(), Variant::Missing()));
            }
            series_.RemoveLayer(key, layer);
        }
        if (std::unique_ptr<CZmaVadAZDatasetComposition> composition = series_.ReleaseComposition(key)) {
            if (notifyHost)
                for (const auto& dimension : composition->Dimensions())
                    if (dimension.seriesGuid) removedSeries.push_back(*dimension.seriesGuid);
            if (operations_ > 0) retiredCompositions_.push_back(std::move(composition));
        }
        ForgetDatasetLines(key, layer);
    } else if (updateLegends && notifyHost) {
        orderKey = layer->GetName();
        haveOrderKey = true;
    }

    int removedOrder = -1;
    if (haveOrderKey) {
        auto entry = orders_.find({orderKey, 0});
        if (entry != orders_.end()) {
            removedOrder = entry->second;
            orders_.erase(entry);
        }
    }

    DestroyLayer(layer);

    // Numbers below 1 are no place in the order: the others keep theirs.
    if (removedOrder >= 1)
        for (auto& entry : orders_)
            if (entry.second > removedOrder) --entry.second;

    if (notifyHost && !key.empty()) {
        for (const std::wstring& series : removedSeries) {
            Bstr id(series);
            host_->FireSeriesRemoved(id.Get());
        }
    }

    EngineDispatch(map_.Get()).Call(Engine::Map::kRefresh);
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::RemoveLayersOfType(int type) {
    for (int i = 0; i < static_cast<int>(layers_.size()); ++i) {
        CZmaVadAZLayer* layer = GetAt(i);
        if (!layer) return E_FAIL;
        if (layer->GetType() == type) {
            RemoveLayer(layer, true, false);
            --i;
        }
    }
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::UpdateLegendCheckBoxes() {
    for (const auto& held : layers_) {
        CZmaVadAZLayer* layer = held.get();
        if (!layer->HasLayerKey() || layer->IsVisible()) continue;
        Bstr series(layer->GetLayerKey());
        if (auto legend = Legend()) THROW_IF_FAILED(legend->SetCheckBox(series.Get(), VARIANT_FALSE));
        if (auto print = PrintLegend()) THROW_IF_FAILED(print->SetCheckBox(series.Get(), VARIANT_FALSE));
    }
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::SyncLegendVisibility(CZmaVadAZLayer* layer, VARIANT_BOOL visible) {
    if (!layer || !layer->HasLayerKey()) return S_OK;
    Bstr series(layer->GetLayerKey());
    if (auto legend = Legend()) THROW_IF_FAILED(legend->SetCheckBox(series.Get(), visible));
    if (auto print = PrintLegend()) {
        THROW_IF_FAILED(print->SetCheckBox(series.Get(), visible));
        layer->SetVisible(visible != VARIANT_FALSE);
        THROW_IF_FAILED(print->SetVisibility(series.Get(), visible));
    }
    return S_OK;
}

void CZmaVadAZLayerCollection::NotifyLayerVisibilityChanged() {
    if (!suppressEvents_) host_->FireLayerVisibilityChanged();
}

void CZmaVadAZLayerCollection::FireSelectionChanged(BSTR seriesId) {
    if (!suppressEvents_) host_->FireSelectionChanged(seriesId);
}
