// Saving the collection's layers into the map settings and rebuilding them from there.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <algorithm>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const char kAnnotationsName[] = "Annotations";

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
    ComPtr<IXMLDOMElement> element;
    if (node) node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

// The "PersistOption" attribute of one element as a number; false when it has none.
bool ReadPersistOption(IXMLDOMElement* element, int& option) {
    std::wstring text;
    if (!element || !platform::GetAttribute(element, L"PersistOption", text)) return false;
    option = static_cast<int>(persistxml::RequireLong(element, L"PersistOption"));
    return true;
}

void LogUnopenablePath(const std::wstring& path) {
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
    log->Write(platform::kLogLevelError, __FILE__, __LINE__,
               "Error: the layer table \"" + platform::ToAnsi(path) +
                   "\" has characters the ANSI code page cannot hold; the layer is left out");
}

}  // namespace

int CZmaVadAZLayerCollection::GetPersistOption(IXMLDOMElement* element) {
    int option = 0;
    if (ReadPersistOption(element, option)) return option;
    ComPtr<IXMLDOMNode> parentNode;
    if (!element || FAILED(element->get_parentNode(parentNode.Put()))) return 0;
    ComPtr<IXMLDOMElement> parent = AsElement(parentNode.Get());
    if (!parent) return 0;
    return ReadPersistOption(parent.Get(), option) ? option : 2;
}

HRESULT CZmaVadAZLayerCollection::SaveLayers(IXMLDOMElement* parent, bool skipSelections) {
    if (!parent) platform::ThrowHr(E_INVALIDARG);
    platform::SetAttribute(parent, L"_Version", persistxml::LongText(3));
    ComPtr<IXMLDOMElement> layersElement = platform::CreateChildElement(parent, L"layers");
    THROW_IF_FAILED(SaveDatasetCompositions(layersElement.Get(), skipSelections));
    if (lines_) THROW_IF_FAILED(lines_->SaveLinesLayers(layersElement.Get()));
    if (layers_.empty()) return S_OK;

    // Dataset layers are saved with their compositions, the temporary table not at all, and the
    // kinds that save themselves elsewhere say so.
    for (const auto& held : layers_) {
        CZmaVadAZLayer* layer = held.get();
        if (layer->HasLayerKey() || layer == temporaryTabLayer_ || !layer->IsSavedAsTableLayer()) continue;
        THROW_IF_FAILED(layer->SaveSettings(layersElement.Get()));
    }
    SaveLayerOrders(layersElement.Get(), GetPersistOption(parent));
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::SaveDatasetCompositions(IXMLDOMElement* layersElement, bool skipSelections) {
    for (CZmaVadAZDatasetComposition* composition : std::vector<CZmaVadAZDatasetComposition*>(series_.Compositions())) {
        CZmaVadAZLayer* layer = FindLayerByExactKey(composition->GetSeriesGuid());
        if (!layer) continue;
        composition->SetVisible(layer->IsVisible());
        double x = 0, y = 0;
        layer->GetOffset(x, y);
        composition->SetOffsets(x, y);
        composition->SetZoom(layer->GetZoomLayering(), layer->GetZoomMin(), layer->GetZoomMax());
        if (CZmaVadAZLabelProperties* labels = layer->GetLabelProperties()) {
            const long unit = EngineDispatch(map_.Get()).Get(Engine::Map::kDistanceUnit).ToLong();
            THROW_IF_FAILED(composition->SaveLabelProperties(labels, unit));
        }
        if (!skipSelections && layer->IsSelectable()) {
            ComPtr<IDispatch> selection;
            layer->GetSelection(selection);
            if (selection) THROW_IF_FAILED(composition->SaveSelectionHr(selection.Get()));
        }
        THROW_IF_FAILED(composition->Save(layersElement));
    }
    return S_OK;
}

void CZmaVadAZLayerCollection::SaveLayerOrders(IXMLDOMElement* layersElement, int option) {
    for (const auto& held : layers_) {
        CZmaVadAZLayer* layer = held.get();
        const bool keyed = layer->HasLayerKey();
        const bool pointData = keyed && layer->GetType() == CZmaVadAZLayer::kTypeDataset;
        bool written = true;
        if (option == 0) written = !pointData;
        if (option == 1) written = pointData;
        if (!written) continue;
        ComPtr<IXMLDOMElement> order = platform::CreateChildElement(layersElement, L"LayerOrders");
        platform::SetAttribute(order.Get(), L"LayerName",
                               keyed ? layer->GetLayerKey() : platform::ToWide(layer->GetName()));
    }
}

HRESULT CZmaVadAZLayerCollection::LoadLayers(IXMLDOMElement* parent) {
    if (!parent) platform::ThrowHr(E_INVALIDARG);
    struct Loading {
        int& depth;
        explicit Loading(int& d) : depth(d) { ++depth; }
        ~Loading() { --depth; }
    } loading(loadingSettings_);
    std::wstring versionText;
    version_ = platform::GetAttribute(parent, L"_Version", versionText) ? persistxml::RequireLong(parent, L"_Version") : 1;

    ComPtr<IXMLDOMElement> layersElement = persistxml::SelectElement(parent, L"layers");
    if (!layersElement) return S_OK;
    pointDatasetLayers_ = 0;
    LoadLayerOrders(layersElement.Get(), GetPersistOption(parent));
    THROW_IF_FAILED(LoadDatasetCompositions(layersElement.Get()));
    if (lines_) THROW_IF_FAILED(lines_->LoadLinesLayers(layersElement.Get()));

    // A map that already has its annotations layer keeps its layers.
    if (FindLayerByName(platform::ToWide(kAnnotationsName))) return S_OK;

    HRESULT result = S_OK;
    std::vector<CZmaVadAZLayer*> restored;
    ComPtr<IXMLDOMNodeList> nodes = persistxml::SelectNodes(layersElement.Get(), L"./Layer");
    long count = 0;
    THROW_IF_FAILED(nodes->get_length(&count));
    // From the last to the first: each layer is placed on top, so the saved order comes back.
    for (long i = count - 1; i >= 0; --i) {
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(nodes->get_item(i, node.Put()));
        ComPtr<IXMLDOMElement> element = AsElement(node.Get());
        if (!element) continue;
        // Elements that only hold line layers carry neither a type nor a file.
        std::wstring fileSpec, typeText;
        if (!platform::GetAttribute(element.Get(), L"layerfilespec", fileSpec) ||
            !platform::GetAttribute(element.Get(), L"layertype", typeText))
            continue;
        const long type = persistxml::RequireLong(element.Get(), L"layertype");
        std::unique_ptr<CZmaVadAZLayer> layer = RestoreLayer(element.Get(), type, result);
        if (!layer) continue;

        std::wstring amended;
        if (platform::GetAttribute(element.Get(), L"amendedlayername", amended) && !amended.empty())
            layer->SetName(platform::ToAnsi(amended));
        CZmaVadAZLayer* placed = layer.get();
        if (type == CZmaVadAZLayer::kTypeAnnotations && annotations_) DestroyLayer(annotations_);
        RegisterLayer(std::move(layer));
        if (type == CZmaVadAZLayer::kTypeAnnotations) annotations_ = placed;
        restored.push_back(placed);
    }
    // One layer at a time is edited: a table the document keeps editable (the top-most, should it
    // hold several) goes on being edited, else the annotations are.
    for (CZmaVadAZLayer* layer : Layers()) {
        if (layer == annotations_ || std::find(restored.begin(), restored.end(), layer) == restored.end() ||
            !layer->IsEditableKind() || !layer->IsEditable())
            continue;
        EditOnly(layer);
        break;
    }
    // A map saved without imagery gets it at the bottom; a failure is told by the creation.
    if (!FindLayerByType(CZmaVadAZLayer::kTypeBackgroundMap)) CreateBackgroundMapLayer();
    return result;
}

std::unique_ptr<CZmaVadAZLayer> CZmaVadAZLayerCollection::RestoreLayer(IXMLDOMElement* element, long type,
                                                                       HRESULT& result) {
    // A kind that makes its engine layer as it is built (the imagery) fails here when the engine
    // refuses it: the document goes on without that layer, as without a table that does not open.
    std::unique_ptr<CZmaVadAZLayer> layer;
    try {
        layer = LayerFactory::Instance().Create(static_cast<int>(type), map_.Get(), this);
    }
    COM_CATCH_LOG();
    if (!layer) return nullptr;
    if (layer->LoadsItselfFromSettings()) {
        const HRESULT hr = platform::ResultOf([&] { return layer->LoadSettings(element, version_); });
        return hr == S_OK ? std::move(layer) : nullptr;
    }
    if (type == CZmaVadAZLayer::kTypeAnnotations) {
        const HRESULT hr = platform::ResultOf([&] { return layer->LoadSettings(element, version_); });
        result = hr;
        if (FAILED(hr)) return nullptr;
        layer->SetAsInsertionLayer(layer->GetMapXLayer().Get());
        return layer;
    }
    std::wstring fileSpec;
    platform::GetAttribute(element, L"layerfilespec", fileSpec);
    // Tables open by ANSI paths: a path the code page cannot hold would open another file.
    std::string path;
    if (!platform::ToAnsiExact(fileSpec, path)) {
        LogUnopenablePath(fileSpec);
        return nullptr;
    }
    if (!layer->Create(CZmaVadAZLayer::kTypeOtherTable, path)) return nullptr;
    try {
        layer->LoadSettings(element, version_);
    }
    CATCH_SWALLOW("a layer whose settings do not fit keeps the engine's defaults");
    return layer;
}

void CZmaVadAZLayerCollection::LoadLayerOrders(IXMLDOMElement* layersElement, int option) {
    if (autoSynchToStream_) return;
    orders_.clear();
    const int base = option == 0 ? 100 : option == 3 ? 50 : 1;
    ComPtr<IXMLDOMNodeList> nodes = persistxml::SelectNodes(layersElement, L"LayerOrders");
    long count = 0;
    THROW_IF_FAILED(nodes->get_length(&count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(nodes->get_item(i, node.Put()));
        ComPtr<IXMLDOMElement> order = AsElement(node.Get());
        std::wstring name;
        if (!order || !platform::GetAttribute(order.Get(), L"LayerName", name)) continue;
        orders_[{platform::ToAnsi(name), 0}] = base + static_cast<int>(i);
    }
}

HRESULT CZmaVadAZLayerCollection::LoadDatasetCompositions(IXMLDOMElement* layersElement) {
    HRESULT result = S_OK;
    ComPtr<IXMLDOMNodeList> nodes = persistxml::SelectNodes(layersElement, L"DatasetComposition");
    long count = 0;
    THROW_IF_FAILED(nodes->get_length(&count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(nodes->get_item(i, node.Put()));
        ComPtr<IXMLDOMElement> element = AsElement(node.Get());
        std::wstring guid;
        if (!element || !platform::GetAttribute(element.Get(), L"datasetguid", guid)) continue;
        // A series already composed keeps its composition.
        if (FindDatasetComposition(guid)) continue;
        auto composition = std::make_unique<CZmaVadAZDatasetComposition>();
        result = composition->Load(element.Get());
        THROW_IF_FAILED(result);
        AdoptComposition(std::move(composition));
    }
    return result;
}
