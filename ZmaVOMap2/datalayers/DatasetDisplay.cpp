// Displaying host datasets: the compositions that describe what is shown, the data layers built
// from them with their names and defaults, and the lines to cells they hand their points to.
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"

#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/datalayers/CellLineLayer.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "platform/Xml.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"

#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <set>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

// --- The host dataset as the collection reads it ---------------------------------------------

using hostdata::DatasetOf;

ComPtr<IHostFields> FieldsOf(IDispatch* dataset) {
    ComPtr<IHostFields> fields;
    THROW_IF_FAILED(DatasetOf(dataset)->get_Fields(fields.Put()));
    return platform::ThrowIfNull(fields.Get(), E_POINTER);
}

bool HasField(IDispatch* dataset, const std::wstring& name) {
    Bstr text(name);
    long index = -1;
    THROW_IF_FAILED(FieldsOf(dataset)->IndexOf(text.Get(), &index));
    return index >= 0;
}

// The field of that name; null when the dataset has none.
ComPtr<IHostField> FieldByName(IDispatch* dataset, const std::wstring& name) {
    if (!HasField(dataset, name)) return nullptr;
    ComPtr<IHostField> field;
    THROW_IF_FAILED(FieldsOf(dataset)->Item(Variant(name), field.Put()));
    return field;
}

// The "LongName" text of a property set, when it has one.
bool LongNameOf(IHostPropertyCollection* properties, std::string& text) {
    if (!properties) return false;
    Bstr key(L"LongName");
    VARIANT_BOOL exists = VARIANT_FALSE;
    THROW_IF_FAILED(properties->HasKey(key.Get(), &exists));
    if (!exists) return false;
    Variant value;
    THROW_IF_FAILED(properties->Item(Variant(std::wstring(L"LongName")), value.Put()));
    text = platform::ToAnsiStrict(value.ToWide());
    return true;
}

bool FieldLongName(IDispatch* dataset, const std::wstring& fieldName, std::string& text) {
    ComPtr<IHostField> field = FieldByName(dataset, fieldName);
    if (!field) return false;
    ComPtr<IHostPropertyCollection> properties;
    THROW_IF_FAILED(field->get_Properties(properties.Put()));
    return LongNameOf(properties.Get(), text);
}

bool DatasetLongName(IDispatch* dataset, std::string& text) {
    ComPtr<IHostPropertyCollection> properties;
    THROW_IF_FAILED(DatasetOf(dataset)->get_Properties(properties.Put()));
    return LongNameOf(properties.Get(), text);
}

// The distinct "LayerType" texts of the dataset's rows, lower-cased and file-safe. Rows without
// a text value have no layer type of their own and are left out.
std::vector<std::string> RowLayerTypes(IDispatch* dataset) {
    std::vector<std::string> types;
    ComPtr<IHostField> field = FieldByName(dataset, L"LayerType");
    if (!field) return types;
    ComPtr<IHostRows> rows;
    THROW_IF_FAILED(dataset->QueryInterface(IID_IHostRows, rows.PutVoid()));
    long count = 0;
    THROW_IF_FAILED(rows->get_RowCount(&count));
    for (long row = 0; row < count; ++row) {
        THROW_IF_FAILED(rows->MoveTo(row));
        Variant value;
        THROW_IF_FAILED(field->get_CurrentValue(value.Put()));
        if (value.vt != VT_BSTR) continue;
        std::string type = SanitizeFileName(platform::ToLower(platform::ToAnsi(value.ToWide())));
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    }
    return types;
}

long StyleCode(IDispatch* dataset, const std::wstring& fieldName, const std::wstring& guid) {
    return LoadStyleSettings(DatasetOf(dataset).Get(), fieldName, guid);
}

void AppendDimension(CZmaVadAZDatasetComposition& composition, IDispatch* dataset, const std::wstring& fieldName,
                     const std::wstring& guid) {
    long code = StyleCode(dataset, fieldName, guid);
    AppendLayerEntry(composition, std::make_shared<std::wstring>(fieldName), std::make_shared<std::wstring>(guid), code);
}

// --- The host's field configuration ----------------------------------------------------------

ComPtr<IHostConfigNode> ConfigNodeOf(IDispatch* node) {
    ComPtr<IHostConfigNode> typed;
    if (!node || FAILED(node->QueryInterface(__uuidof(IHostConfigNode), typed.PutVoid())) || !typed)
        throw ComError(E_NOINTERFACE, L"The field configuration is not one of the host's configuration nodes", L"VadAZ");
    return typed;
}

// The named child of a configuration node; DISP_E_BADINDEX is raised when there is none.
ComPtr<IHostConfigNode> ConfigChild(IHostConfigNode* node, const wchar_t* name) {
    Bstr childName(name);
    ComPtr<IHostConfigNode> child;
    HRESULT hr = node->Child(childName.Get(), child.Put());
    if (FAILED(hr) || !child) platform::ThrowHr(DISP_E_BADINDEX);
    return child;
}

std::wstring ConfigText(IHostConfigNode* node) {
    Variant value;
    THROW_IF_FAILED(node->get_NodeValue(value.Put()));
    return value.ToWide();
}

// The field names that the children of "Dimensions" hold, in order.
std::vector<std::wstring> ConfiguredFields(IHostConfigNode* dimensions) {
    long count = 0;
    THROW_IF_FAILED(dimensions->get_ChildCount(&count));
    std::vector<std::wstring> names;
    for (long i = 0; i < count; ++i) {
        ComPtr<IHostConfigNode> child;
        THROW_IF_FAILED(dimensions->ChildAt(i, child.Put()));
        if (child) names.push_back(ConfigText(child.Get()));
    }
    return names;
}

bool HasConfigChild(IHostConfigNode* node, const wchar_t* name) {
    Bstr childName(name);
    ComPtr<IHostConfigNode> child;
    return SUCCEEDED(node->Child(childName.Get(), child.Put())) && child;
}

// 2 points; cell references 9, or 3 when one of their fields is "Azimuth".
int GetMappingLayerType(IHostConfigNode* configuration) {
    if (!HasConfigChild(configuration, L"SeriesType")) return CZmaVadAZLayer::kTypeDataset;
    if (ConfigText(ConfigChild(configuration, L"SeriesType").Get()) != L"CellRefs") return CZmaVadAZLayer::kTypeDataset;
    if (HasConfigChild(configuration, L"Dimensions")) {
        for (const std::wstring& field : ConfiguredFields(ConfigChild(configuration, L"Dimensions").Get()))
            if (field == L"Azimuth") return CZmaVadAZLayer::kTypeCellSites;
    }
    return CZmaVadAZLayer::kTypeCellReferences;
}

// The (field name, series GUID) pairs of a composition's dimensions, which the line layers keep
// with each dataset.
CellLineLayerInterface::FieldPairs FieldPairsOf(const CZmaVadAZDatasetComposition* composition) {
    CellLineLayerInterface::FieldPairs pairs;
    if (!composition) return pairs;
    for (const auto& d : composition->Dimensions())
        pairs.emplace_back(d.fieldName ? *d.fieldName : std::wstring(), d.seriesGuid ? *d.seriesGuid : std::wstring());
    return pairs;
}

// Puts new layers on top for as long as the scope lasts, however it is left.
class NewLayersOnTop {
public:
    explicit NewLayersOnTop(CZmaVadAZLayerCollection& collection)
        : collection_(collection), old_(collection.GetNewLayersOnTop()) {
        collection_.SetNewLayersOnTop(true);
    }
    ~NewLayersOnTop() { collection_.SetNewLayersOnTop(old_); }
    NewLayersOnTop(const NewLayersOnTop&) = delete;
    NewLayersOnTop& operator=(const NewLayersOnTop&) = delete;

private:
    CZmaVadAZLayerCollection& collection_;
    bool old_;
};

}  // namespace

CZmaVadAZDatasetDisplay::CZmaVadAZDatasetDisplay(CZmaVadAZLayerCollection& collection) : collection_(collection) {}

CZmaVadAZDatasetDisplay::~CZmaVadAZDatasetDisplay() = default;

// --- Line layers in the settings -----------------------------------------------------------------

namespace {

struct SavedLineKind {
    const wchar_t* element;
    const char* kind;
};
const SavedLineKind kSavedLineKinds[] = {{L"LinesToServers", CellLineKinds::kServing},
                                         {L"LinesToNBors", CellLineKinds::kNeighbours},
                                         {L"LinesBetweenCellsites", CellLineKinds::kCellSites}};

}  // namespace

HRESULT CZmaVadAZDatasetDisplay::SaveLinesLayers(IXMLDOMElement* layersElement) {
    platform::ThrowIfNull(layersElement);
    LinesLayerMap* maps[] = {&servingLines_, &neighbourLines_, &cellSiteLines_};
    LinesLayerMap::iterator walks[] = {servingLines_.begin(), neighbourLines_.begin(), cellSiteLines_.begin()};
    for (size_t step = 0; step < servingLines_.size(); ++step) {
        ComPtr<IXMLDOMElement> layer;
        for (size_t kind = 0; kind < 3; ++kind) {
            if (walks[kind] == maps[kind]->end()) continue;
            CZmaVadAZLayer* lines = (walks[kind]++)->second.get();
            // Kinds that are not built yet have nothing of their own to save.
            if (!lines || !AsCellLineLayer(lines)) continue;
            if (!layer) layer = platform::CreateChildElement(layersElement, L"Layer");
            ComPtr<IXMLDOMElement> child = platform::CreateChildElement(layer.Get(), kSavedLineKinds[kind].element);
            THROW_IF_FAILED(lines->SaveSettings(child.Get()));
        }
    }
    return S_OK;
}

HRESULT CZmaVadAZDatasetDisplay::LoadLinesLayers(IXMLDOMElement* layersElement) {
    platform::ThrowIfNull(layersElement);
    LinesLayerMap* maps[] = {&servingLines_, &neighbourLines_, &cellSiteLines_};
    ComPtr<IXMLDOMNodeList> nodes = persistxml::SelectNodes(layersElement, L"./Layer");
    long count = 0;
    THROW_IF_FAILED(nodes->get_length(&count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(nodes->get_item(i, node.Put()));
        for (size_t kind = 0; kind < 3; ++kind) {
            ComPtr<IXMLDOMElement> child = persistxml::SelectElement(node.Get(), kSavedLineKinds[kind].element);
            if (!child) continue;
            std::wstring series, disc, technology;
            platform::GetAttribute(child.Get(), L"SeriesGUID", series);
            platform::GetAttribute(child.Get(), L"DiscValue", disc);
            platform::GetAttribute(child.Get(), L"Technology", technology);
            auto& slot = (*maps[kind])[platform::ToAnsi(technology) + "_" + platform::ToAnsi(disc)];
            if (slot) continue;
            std::unique_ptr<CZmaVadAZLayer> made = LayerFactory::Instance().Create(
                CZmaVadAZLayer::kTypeLines, kSavedLineKinds[kind].kind, collection_.EngineMap(), &collection_);
            made->SetType(CZmaVadAZLayer::kTypeLines);
            if (CellLineLayerInterface* lines = AsCellLineLayer(made.get())) {
                THROW_IF_FAILED(lines->SetSourceInfo(kSavedLineKinds[kind].kind, CZmaVadAZLayer::kTypeLines, series, disc));
                THROW_IF_FAILED(lines->LoadLineSettings(child.Get(), collection_.GetVersion()));
            }
            slot = std::move(made);
        }
    }
    return S_OK;
}

bool CZmaVadAZDatasetDisplay::DrawnByCellSites(const CZmaVadAZLayer* lines, int link,
                                                const CZmaVadAZLayer* leaving) const {
    for (CZmaVadAZLayer* held : collection_.Layers()) {
        const CZmaVadAZDataLayer* other = held == leaving ? nullptr : AsDataLayer(held);
        if (other && other->GetType() == CZmaVadAZLayer::kTypeCellSites &&
            other->GetLineLayer(static_cast<CZmaVadAZDataLayer::LineLink>(link)) == lines)
            return true;
    }
    return false;
}

void CZmaVadAZDatasetDisplay::CellSiteLayerGoes(CZmaVadAZLayer* layer) noexcept {
    const CZmaVadAZDataLayer* gone = AsDataLayer(layer);
    if (!gone) return;
    for (auto link : {CZmaVadAZDataLayer::kLineC, CZmaVadAZDataLayer::kLineD}) {
        CZmaVadAZLayer* lines = gone->GetLineLayer(link);
        if (!lines) continue;
        if (hostLinesHeld_ > 0) {
            linesLeft_.emplace_back(lines, link);
            continue;
        }
        if (CellLineLayerInterface* typed = AsCellLineLayer(lines); typed && !DrawnByCellSites(lines, link, layer))
            typed->ForgetHostLines();
    }
}

void CZmaVadAZDatasetDisplay::SettleHostLines() noexcept {
    if (hostLinesHeld_ == 0 || --hostLinesHeld_ > 0) return;
    const auto left = std::move(linesLeft_);
    linesLeft_.clear();
    // Only the line layers this display still holds: the map's lines of cell sites and positions.
    for (LinesLayerMap* map : {&cellSiteLines_, &pointLines_})
        for (auto& entry : *map)
            for (const auto& [lines, link] : left)
                if (entry.second.get() == lines && !DrawnByCellSites(lines, link, nullptr))
                    if (CellLineLayerInterface* typed = AsCellLineLayer(entry.second.get())) typed->ForgetHostLines();
}

// --- Showing a dataset ---------------------------------------------------------------------------

CZmaVadAZDataLayer* CZmaVadAZDatasetDisplay::LayerOfEntry(const SeriesId& series) const {
    return AsDataLayer(collection_.FindLayerByExactKey(series));
}

HRESULT CZmaVadAZDatasetDisplay::DisplayDataset(IDispatch* dataset, const std::wstring& fieldName, IUnknown* voLegend,
                                                 IUnknown* printLegend, const SeriesId& series, DatasetShown* shown) {
    if (!dataset) return E_POINTER;
    collection_.RequireNoFrame();
    const std::wstring& seriesGuid = series.Text();
    DatasetShown built;
    collection_.AdoptLegends(voLegend, printLegend);

    if (LayerOfEntry(seriesGuid)) return S_FALSE;

    if (CZmaVadAZDatasetComposition* kept = collection_.FindDatasetComposition(seriesGuid)) {
        if (LayerOfEntry(kept->GetSeriesGuid())) return S_FALSE;
        for (const auto& dimension : kept->Dimensions())
            if (!dimension.fieldName || !HasField(dataset, *dimension.fieldName)) return S_FALSE;
        built = BuildDatasetLayer(dataset, kept, nullptr);
        if (shown) *shown = built;
        return S_OK;
    }

    if (!HasField(dataset, fieldName))
        throw ComError(DISP_E_BADINDEX, L"The dataset has no field \"" + fieldName + L"\"", L"VadAZ");
    auto composition = std::make_unique<CZmaVadAZDatasetComposition>();
    composition->SetType(CZmaVadAZLayer::kTypeDataset);
    composition->SetSeriesGuid(seriesGuid);
    AppendDimension(*composition, dataset, fieldName, seriesGuid);

    // The composition joins the collection only once its layer stands; a failed build leaves
    // neither the composition nor the on-top placement behind.
    {
        NewLayersOnTop onTop(collection_);
        built = BuildDatasetLayer(dataset, composition.get(), nullptr);
    }
    collection_.AdoptComposition(std::move(composition));
    if (shown) *shown = built;
    return S_OK;
}

HRESULT CZmaVadAZDatasetDisplay::CreateMultiDMapping(IDispatch* dataset, const SeriesId& series,
                                                      IDispatch* fieldConfiguration, DatasetShown* shown) {
    if (!dataset || !fieldConfiguration)
        throw ComError(E_POINTER, L"A mapping needs a dataset and a field configuration", L"VadAZ");
    collection_.RequireNoFrame();
    const std::wstring& seriesGuid = series.Text();
    ComPtr<IHostConfigNode> configuration = ConfigNodeOf(fieldConfiguration);
    int type = GetMappingLayerType(configuration.Get());
    if (!HasConfigChild(configuration.Get(), L"Dimensions"))
        throw ComError(E_UNEXPECTED, L"The field configuration has no \"Dimensions\"", L"VadAZ");
    std::vector<std::wstring> fields = ConfiguredFields(ConfigChild(configuration.Get(), L"Dimensions").Get());

    CZmaVadAZDatasetComposition* composition = collection_.FindDatasetComposition(seriesGuid);
    if (!composition) {
        auto made = std::make_unique<CZmaVadAZDatasetComposition>();
        made->SetType(type);
        made->SetSeriesGuid(seriesGuid);
        for (const std::wstring& field : fields) {
            if (!HasField(dataset, field)) return S_FALSE;
            AppendDimension(*made, dataset, field, seriesGuid);
        }
        composition = collection_.AdoptComposition(std::move(made));
        if (ComPtr<IHostPrintLegend> legend = collection_.AdoptedPrintLegend()) {
            Bstr series(seriesGuid);
            THROW_IF_FAILED(legend->AddSeries(dataset, series.Get(), fieldConfiguration));
        }
    } else {
        // The configuration renames the kept dimensions in order; fields the dataset lacks go.
        auto& dimensions = composition->Dimensions();
        auto entry = dimensions.begin();
        for (const std::wstring& field : fields) {
            if (!HasField(dataset, field)) continue;
            long code = StyleCode(dataset, field, seriesGuid);
            if (entry == dimensions.end()) {
                AppendLayerEntry(*composition, std::make_shared<std::wstring>(field),
                                 std::make_shared<std::wstring>(seriesGuid), code);
                entry = dimensions.end();
                continue;
            }
            entry->fieldName = std::make_shared<std::wstring>(field);
            entry->code = code;
            ++entry;
        }
        dimensions.remove_if([&](const CZmaVadAZDatasetComposition::Dimension& d) {
            return !d.fieldName || !HasField(dataset, *d.fieldName);
        });
    }
    const DatasetShown built = BuildDatasetLayer(dataset, composition, fieldConfiguration);
    if (shown) *shown = built;
    return S_OK;
}

DatasetShown CZmaVadAZDatasetDisplay::BuildDatasetLayer(IDispatch* dataset, CZmaVadAZDatasetComposition* composition,
                                                         IDispatch* fieldConfiguration) {
    if (!composition) platform::ThrowHr(E_POINTER);
    if (composition->GetType() == CZmaVadAZLayer::kTypeLines) return {};

    std::string name, longName;
    MakeDatasetLayerName(dataset, *composition, name, longName);
    std::string folder = platform::ToAnsi(collection_.GetTemporaryFolder());
    char tableFile[MAX_PATH] = {};
    MakeUniqueTempFileName(folder.c_str(), "map", "TAB", tableFile);
    // However the build ends, the table made for the name goes with the collection, and with it the
    // placeholder that keeps the name taken meanwhile.
    struct TableKeeper {
        CZmaVadAZLayerCollection& collection;
        const char* path;
        ~TableKeeper() {
            try {
                collection.KeepTemporaryTable(path);
            } catch (...) {
                RemoveNamePlaceholder(path);
            }
        }
    } keepTable{collection_, tableFile};
    technologyPrefix_ = GetDatasetNamePrefix(dataset);

    const std::wstring seriesGuid = composition->GetSeriesGuid();
    const int type = composition->GetType();

    // Whatever this build added goes again when a step fails, so that a retry starts clean.
    std::set<CZmaVadAZLayer*> before;
    for (CZmaVadAZLayer* held : collection_.Layers()) before.insert(held);
    CZmaVadAZDataLayer* built = nullptr;
    try {
        if (type == CZmaVadAZLayer::kTypeCellSites && HasField(dataset, L"LayerType")) {
            for (const std::string& layerType : RowLayerTypes(dataset)) {
                std::string entry = technologyPrefix_ + "_" + layerType;
                if (std::find(cellSiteLayerTypes_.begin(), cellSiteLayerTypes_.end(), entry) == cellSiteLayerTypes_.end())
                    cellSiteLayerTypes_.push_back(entry);
            }
        }
        if (type == CZmaVadAZLayer::kTypeCellSites && !cellSiteLayerTypes_.empty()) {
            std::vector<std::wstring> configured;
            if (fieldConfiguration)
                configured = ConfiguredFields(ConfigChild(ConfigNodeOf(fieldConfiguration).Get(), L"Dimensions").Get());
            for (const std::string& entry : cellSiteLayerTypes_) {
                size_t underscore = entry.find('_');
                if (underscore == std::string::npos || entry.compare(0, underscore, technologyPrefix_) != 0) continue;
                std::string layerType = entry.substr(underscore + 1);
                std::wstring key = layerType.empty() ? seriesGuid : seriesGuid + L"_" + platform::ToWide(layerType);
                CZmaVadAZDatasetComposition* own = composition;
                if (key != seriesGuid) {
                    if (CZmaVadAZDatasetComposition* found = collection_.FindCompositionByKey(key)) {
                        own = found;
                    } else {
                        auto made = std::make_unique<CZmaVadAZDatasetComposition>();
                        made->SetType(type);
                        made->SetSeriesGuid(key);
                        if (fieldConfiguration) {
                            for (const std::wstring& field : configured) AppendDimension(*made, dataset, field, seriesGuid);
                        } else {
                            for (const auto& d : composition->Dimensions())
                                AppendLayerEntry(*made, d.fieldName, d.seriesGuid, d.code);
                        }
                        own = collection_.AdoptComposition(std::move(made));
                    }
                }
                CZmaVadAZDataLayer* layer = BuildOneDatasetLayer(dataset, *own, name + ":" + layerType, longName,
                                                                 tableFile, key, platform::ToWide(layerType));
                collection_.RegisterSeriesPart(seriesGuid, key);
                if (!built) built = layer;
            }
        } else {
            built = BuildOneDatasetLayer(dataset, *composition, name, longName, tableFile, seriesGuid, L"");
        }
        if (!built) platform::ThrowHr(E_FAIL);
    } catch (...) {
        std::vector<CZmaVadAZLayer*> added;
        for (CZmaVadAZLayer* held : collection_.Layers())
            if (!before.count(held) && AsDataLayer(held)) added.push_back(held);
        for (CZmaVadAZLayer* layer : added) {
            try {
                collection_.RemoveLayer(layer, false, false);
            }
            CATCH_SWALLOW("the first failure is the one to report");
        }
        throw;
    }

    // The host may have removed the new layer from an event handler while it was built.
    DatasetShown shown{built, false};
    if (type == CZmaVadAZLayer::kTypeDataset && collection_.Contains(built)) {
        shown.bringIntoView = collection_.CountPointDatasetLayer() == 1 &&
                              (collection_.GetNewLayersOnTop() || collection_.GetAutoSynchToStream());
        // The lines-to-cells layers of every cell-site layer on show learn the new point dataset.
        HandPointDatasetToLines(dataset, *composition);
    }
    return shown;
}

CZmaVadAZDataLayer* CZmaVadAZDatasetDisplay::BuildOneDatasetLayer(IDispatch* dataset,
                                                                   CZmaVadAZDatasetComposition& composition,
                                                                   const std::string& name, const std::string& longName,
                                                                   const std::string& tableFile, const std::wstring& key,
                                                                   const std::wstring& siteKey) {
    const int type = composition.GetType();
    const std::wstring seriesGuid = composition.GetSeriesGuid();
    CZmaVadAZDataLayer* layer = AsDataLayer(collection_.AddLayer(name, type, tableFile, key, longName, siteKey, L""));
    if (!layer) return nullptr;

    if (type == CZmaVadAZLayer::kTypeCellSites) {
        CreateCellSiteLineLayers(dataset, &composition, seriesGuid, L"");
        ApplyTechnology(layer, technologyPrefix_);
        collection_.AddCellSiteSeries(key);
    }

    layer->SetDataset(DatasetOf(dataset).Get());
    std::vector<std::wstring> fieldNames;
    for (const auto& dimension : composition.Dimensions()) {
        std::wstring field = dimension.fieldName ? *dimension.fieldName : std::wstring();
        fieldNames.push_back(field);
        SaveStyleSettings(DatasetOf(dataset).Get(), field, seriesGuid, dimension.code);
    }
    layer->SetOffsetX(composition.GetOffsetX());
    layer->SetOffsetY(composition.GetOffsetY());

    HRESULT initialised = layer->Initialise(fieldNames);
    if (FAILED(initialised)) {
        // Taken before the layer goes: removing it calls the engine, which would clear it.
        const ComError failure = ComError::FromCall(initialised);
        collection_.RemoveLayer(layer, false, false);
        throw failure;
    }

    collection_.RegisterKey(seriesGuid, layer);

    collection_.ApplyLayerDefaults(layer);
    layer->SetVisible(composition.IsVisible());
    layer->SetZoomMin(composition.GetZoomMin());
    layer->SetZoomMax(composition.GetZoomMax());
    layer->SetZoomLayering(composition.GetZoomLayering());
    if (IXMLDOMElement* saved = composition.GetLabelSettings()) {
        ComPtr<IXMLDOMNamedNodeMap> attributes;
        long attributeCount = 0;
        VARIANT_BOOL hasChildren = VARIANT_FALSE;
        if (SUCCEEDED(saved->get_attributes(attributes.Put())) && attributes) attributes->get_length(&attributeCount);
        saved->hasChildNodes(&hasChildren);
        if (attributeCount > 0 || hasChildren) THROW_IF_FAILED(layer->GetLabelProperties()->Load(saved, collection_.GetVersion()));
    }
    return layer;
}

void CZmaVadAZDatasetDisplay::MakeDatasetLayerName(IDispatch* dataset, const CZmaVadAZDatasetComposition& composition,
                                                    std::string& name, std::string& longName) {
    const auto& dimensions = composition.Dimensions();
    std::string joined;
    std::wstring lastField;
    size_t index = 0;
    for (const auto& dimension : dimensions) {
        std::wstring field = dimension.fieldName ? *dimension.fieldName : std::wstring();
        bool last = ++index == dimensions.size();
        if (!last) {
            std::wstring guid = dimension.seriesGuid ? *dimension.seriesGuid : composition.GetSeriesGuid();
            if (StyleCode(dataset, field, guid) == 2) continue;
        }
        if (!joined.empty()) joined += " - ";
        joined += platform::ToAnsiStrict(field);
        if (last) lastField = field;
    }
    name = joined;
    longName.clear();
    std::string fieldLongName;
    if (!dimensions.empty() && FieldLongName(dataset, lastField, fieldLongName)) {
        size_t dash = fieldLongName.find('-');
        longName = dash == std::string::npos ? fieldLongName : fieldLongName.substr(dash + 1);
        name = longName + " " + joined;
    }
    name = SanitizeFileName(name);
}

std::string CZmaVadAZDatasetDisplay::GetDatasetNamePrefix(IDispatch* dataset) {
    std::string longName;
    if (!DatasetLongName(dataset, longName)) return std::string();
    size_t underscore = longName.find('_');
    if (underscore == std::string::npos) return std::string();
    return longName.substr(0, underscore);
}

HRESULT CZmaVadAZDatasetDisplay::CreateCellSiteLineLayers(IDispatch* dataset, CZmaVadAZDatasetComposition* composition,
                                                           const std::wstring& seriesGuid, const std::wstring& suffix) {
    // One set of four per technology, shared by every cell-site layer of it. The kinds come from
    // the layer factory; a kind that is not built yet comes back as a plain type-7 layer.
    const std::string lineKey = technologyPrefix_ + "_" + platform::ToAnsi(suffix);
    const CellLineLayerInterface::FieldPairs pairs = FieldPairsOf(composition);
    const int mode = composition ? composition->GetType() : 0;
    ComPtr<IHostDataset> typed = DatasetOf(dataset);
    const struct {
        LinesLayerMap* map;
        const char* kind;
    } kinds[] = {{&servingLines_, CellLineKinds::kServing},
                 {&neighbourLines_, CellLineKinds::kNeighbours},
                 {&cellSiteLines_, CellLineKinds::kCellSites},
                 {&pointLines_, CellLineKinds::kPoints}};
    for (const auto& kind : kinds) {
        auto& slot = (*kind.map)[lineKey];
        if (!slot) {
            slot = LayerFactory::Instance().Create(CZmaVadAZLayer::kTypeLines, kind.kind, collection_.EngineMap(),
                                                   &collection_);
            slot->SetType(CZmaVadAZLayer::kTypeLines);
            if (CellLineLayerInterface* lines = AsCellLineLayer(slot.get()))
                THROW_IF_FAILED(lines->SetSourceInfo(kind.kind, CZmaVadAZLayer::kTypeLines, L"", suffix));
        }
        if (CellLineLayerInterface* lines = AsCellLineLayer(slot.get()))
            THROW_IF_FAILED(lines->SetDataset(typed.Get(), seriesGuid, pairs, mode));
    }
    return S_OK;
}

void CZmaVadAZDatasetDisplay::ApplyTechnology(CZmaVadAZDataLayer* layer, const std::string& technology) {
    if (!layer) return;
    // The line layers of a technology are filed under the technology and the suffix they were
    // made with, which is empty for the layers a dataset brings.
    const std::string lineKey = technology + "_";
    const std::wstring name = platform::ToWide(technology);
    auto link = [&](LinesLayerMap& first, LinesLayerMap& second, CZmaVadAZDataLayer::LineLink a,
                    CZmaVadAZDataLayer::LineLink b) {
        auto one = first.find(lineKey);
        auto two = second.find(lineKey);
        if (one == first.end() || two == second.end()) return;
        layer->SetLineLayer(a, one->second.get());
        layer->SetLineLayer(b, two->second.get());
        for (CZmaVadAZLayer* lines : {one->second.get(), two->second.get()})
            if (CellLineLayerInterface* typed = AsCellLineLayer(lines)) typed->SetTechnology(name);
    };
    link(servingLines_, neighbourLines_, CZmaVadAZDataLayer::kLineA, CZmaVadAZDataLayer::kLineB);
    link(cellSiteLines_, pointLines_, CZmaVadAZDataLayer::kLineC, CZmaVadAZDataLayer::kLineD);
}

void CZmaVadAZDatasetDisplay::HandPointDatasetToLines(IDispatch* dataset, const CZmaVadAZDatasetComposition& composition) {
    ComPtr<IHostDataset> typed = DatasetOf(dataset);
    const CellLineLayerInterface::FieldPairs pairs = FieldPairsOf(&composition);
    for (const SeriesId& key : collection_.CellSiteSeries()) {
        CZmaVadAZDataLayer* sites = LayerOfEntry(key);
        if (!sites) {
            const std::vector<CZmaVadAZLayer*> layers = collection_.SeriesLayers(key);
            if (!layers.empty()) sites = AsDataLayer(layers.front());
        }
        if (!sites) continue;
        for (auto link : {CZmaVadAZDataLayer::kLineA, CZmaVadAZDataLayer::kLineB, CZmaVadAZDataLayer::kLineC,
                          CZmaVadAZDataLayer::kLineD})
            if (CellLineLayerInterface* lines = AsCellLineLayer(sites->GetLineLayer(link)))
                THROW_IF_FAILED(lines->SetDataset(typed.Get(), composition.GetSeriesGuid(), pairs, composition.GetType()));
    }
}

// --- Lines to cells ------------------------------------------------------------------------------

HRESULT CZmaVadAZDatasetDisplay::ToggleLines(bool visible, long option) {
    if (option < 0 || option > 3) return S_OK;
    for (CZmaVadAZLayer* held : collection_.Layers()) {
        CZmaVadAZDataLayer* data = AsDataLayer(held);
        if (!data || !data->IsVisible()) continue;
        if (CellLineLayerInterface* lines = AsCellLineLayer(data->GetLineLayer(static_cast<CZmaVadAZDataLayer::LineLink>(option))))
            lines->SetDisabled(!visible);
    }
    return S_OK;
}

std::vector<CellLineLayerInterface*> CZmaVadAZDatasetDisplay::LineLayersOfSeries(const SeriesId& key, bool neighbours) {
    std::vector<CellLineLayerInterface*> found;
    for (CZmaVadAZLayer* layer : collection_.FindLayers(key)) {
        CZmaVadAZDataLayer* data = AsDataLayer(layer);
        if (!data) continue;
        if (CellLineLayerInterface* lines =
                AsCellLineLayer(data->GetLineLayer(neighbours ? CZmaVadAZDataLayer::kLineB : CZmaVadAZDataLayer::kLineA)))
            found.push_back(lines);
    }
    return found;
}

HRESULT CZmaVadAZDatasetDisplay::SetLinesToCellsField(const std::wstring& key, const std::wstring& field, bool neighbours,
                                                      bool label) {
    for (CellLineLayerInterface* lines : LineLayersOfSeries(key, neighbours))
        label ? lines->SetLabelByField(field) : lines->SetColorByField(field);
    return S_OK;
}

HRESULT CZmaVadAZDatasetDisplay::GetLinesToCellsField(const std::wstring& key, BSTR* field, bool neighbours, bool label) {
    if (!field) return E_POINTER;
    // The last layer found under the key decides.
    for (CellLineLayerInterface* lines : LineLayersOfSeries(key, neighbours)) {
        if (*field) ::SysFreeString(*field);
        *field = Bstr(label ? lines->GetLabelByField() : lines->GetColorByField()).Detach();
    }
    return S_OK;
}
