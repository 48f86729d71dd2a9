// Displaying host datasets: the compositions that describe what is shown, the data layers built
// from them with their names and defaults, and the dataset operations behind the control's
// dataset methods.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/FileNames.h"
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

Variant Missing() {
    Variant v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

CZmaVadAZDataLayer* AsDataLayer(CZmaVadAZLayer* layer) { return dynamic_cast<CZmaVadAZDataLayer*>(layer); }

// --- The host dataset as the collection reads it ---------------------------------------------

ComPtr<IHostDataset> DatasetOf(IDispatch* dataset) {
    ComPtr<IHostDataset> typed;
    if (!dataset || FAILED(dataset->QueryInterface(IID_IHostDataset, typed.PutVoid())) || !typed)
        platform::ThrowHr(E_NOINTERFACE);
    return typed;
}

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
    text = platform::ToAnsi(value.ToWide());
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

std::string Lower(std::string text) {
    if (!text.empty()) ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
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
        std::string type = SanitizeFileName(Lower(platform::ToAnsi(value.ToWide())));
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
        platform::ThrowHr(E_NOINTERFACE);
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

// --- The layer defaults table ----------------------------------------------------------------

enum StyleBits { kBold = 1, kItalic = 2, kUnderline = 4, kAllCaps = 8, kShadow = 16, kDoubleSpace = 32 };
enum Background { kOpaqueBox = 2, kHalo = 3 };

struct LayerDefaults {
    const char* key;
    bool zoomLayering;
    double zoomMin, zoomMax;
    bool labelVisible;
    bool labelZoom;
    double labelZoomMin, labelZoomMax;
    const char* fontName;
    int fontSize;
    int styleBits;
    COLORREF textColour;
    int background;
    COLORREF backgroundColour;
    int position, alignment;
    bool overlap, duplicates;
    int offsetX, offsetY;
    const char* labelField;
};

// Colours as 0xRRGGBB, the way the label style takes them.
const LayerDefaults kLayerDefaultsTable[] = {
    {"MAP_LAYER_TYPE_POINT_DATA", false, 0, 100, false, false, 0, 100, "Arial", 9, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 12, ""},
    {"MAP_LAYER_TYPE_NETWORK_DATA", true, 0, 100, true, true, 0, 5, "Tahoma", 8, 0, 0x000000, 3, 0xFFFFFF, 2, 0, true, false, 1, 1, "Sector_ID"},
    {"MAP_LAYER_TYPE_SITES_LAYER", false, 0, 100, true, true, 0, 10, "Tahoma", 8, 3, 0x000000, 3, 0xFFFFFF, 2, 2, true, false, 0, 30, "Site_Name"},
    {"MAP_LAYER_TYPE_VECTOR", false, 0, 100, false, true, 0, 4, "Arial", 9, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 0, 0, ""},
    {"y1", true, 0, 10, true, false, 0, 0, "Century Gothic", 8, 1, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"y2", true, 0, 10, false, false, 0, 0, "", 0, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"x1", true, 0, 10, true, false, 0, 0, "Century Gothic", 8, 1, 0xFFFFFF, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"x2", true, 10, 40, true, false, 0, 0, "Century Gothic", 8, 1, 0xFFFFFF, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"pc", true, 0, 5, true, true, 0, 4, "Arial", 6, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"pn", true, 0, 5, true, true, 0, 4, "Arial", 6, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"pm", true, 0, 5, true, true, 0, 4, "Arial", 6, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"wr", true, 0, 20, false, false, 0, 0, "", 0, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"r", true, 0, 15, false, false, 0, 0, "", 0, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"h", true, 0, 200, true, true, 4, 6, "Arial", 7, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"s", true, 0, 15, true, true, 0, 4, "Arial", 7, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"s1", true, 0, 15, true, true, 0, 4, "Arial", 7, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"s2", true, 0, 15, true, true, 0, 4, "Arial", 7, 0, 0xFFFFFF, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"wb", true, 0, 200, true, true, 0, 30, "Univers", 7, 2, 0xFF0000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"lm", true, 0, 30, true, true, 0, 15, "Arial", 7, 0, 0x00FF00, 3, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"cb", true, 0, 200, true, true, 0, 100, "Arial", 12, 0, 0x0000FF, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"mc", true, 0, 100, false, false, 0, 0, "", 0, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
    {"cy", true, 0, 1000, false, false, 0, 0, "", 0, 0, 0x000000, 1, 0x000000, 2, 0, false, false, 2, 2, ""},
};

const LayerDefaults* RowByKey(const char* key) {
    for (const LayerDefaults& row : kLayerDefaultsTable)
        if (std::strcmp(row.key, key) == 0) return &row;
    return nullptr;
}

// The row whose key begins the table's file name (ignoring case). The longest key wins, so that
// "s1_sites" takes "s1" and not "s"; the folders of the path take no part.
const LayerDefaults* RowForFile(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = file.find('.');
    if (dot == std::string::npos) return nullptr;
    std::string base = Lower(file.substr(0, dot));
    const LayerDefaults* best = nullptr;
    for (const LayerDefaults& row : kLayerDefaultsTable) {
        std::string key = Lower(row.key);
        if (base.compare(0, key.size(), key) == 0 && (!best || key.size() > std::strlen(best->key))) best = &row;
    }
    return best;
}

VARIANT_BOOL AsVariantBool(bool on) { return on ? VARIANT_TRUE : VARIANT_FALSE; }

// The label style's font: the row's face (the Japanese UI face under code page 932), size and
// bits.
void ApplyFont(IHostLabelStyle* style, const LayerDefaults& row) {
    ComPtr<IFont> font;
    style->get_Font(font.Put());
    if (!font) {
        FONTDESC description = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), {{0, 0}}, FW_NORMAL, ANSI_CHARSET,
                                FALSE, FALSE, FALSE};
        description.cySize.int64 = 90000;
        THROW_IF_FAILED(::OleCreateFontIndirect(&description, IID_IFont, font.PutVoid()));
    }
    std::wstring face = ::GetACP() == 932 ? L"MS UI Gothic" : platform::ToWide(row.fontName);
    Bstr name(face);
    THROW_IF_FAILED(font->put_Name(name.Get()));
    CY size;
    size.int64 = static_cast<LONGLONG>(row.fontSize) * 10000;
    THROW_IF_FAILED(font->put_Size(size));
    THROW_IF_FAILED(font->put_Bold((row.styleBits & kBold) != 0));
    THROW_IF_FAILED(font->put_Italic((row.styleBits & kItalic) != 0));
    THROW_IF_FAILED(font->put_Underline((row.styleBits & kUnderline) != 0));
    THROW_IF_FAILED(style->putref_Font(font.Get()));
}

void ApplyLabelDefaults(CZmaVadAZLabelProperties& labels, const LayerDefaults& row) {
    labels.SetDataField(row.labelField);
    labels.SetVisible(row.labelVisible);
    labels.SetLabelZoom(row.labelZoom, row.labelZoomMin, row.labelZoomMax);
    if (ComPtr<IHostLabelStyle> style = labels.GetStyle()) {
        ApplyFont(style.Get(), row);
        THROW_IF_FAILED(style->put_AllCaps(AsVariantBool(row.styleBits & kAllCaps)));
        THROW_IF_FAILED(style->put_Shadow(AsVariantBool(row.styleBits & kShadow)));
        THROW_IF_FAILED(style->put_DoubleSpace(AsVariantBool(row.styleBits & kDoubleSpace)));
        THROW_IF_FAILED(style->put_TextColor(row.textColour));
        if (row.background == kOpaqueBox) {
            THROW_IF_FAILED(style->put_Opaque(VARIANT_TRUE));
            THROW_IF_FAILED(style->put_BackColor(row.backgroundColour));
        } else if (row.background == kHalo) {
            THROW_IF_FAILED(style->put_Halo(VARIANT_TRUE));
            THROW_IF_FAILED(style->put_BackColor(row.backgroundColour));
        }
    }
    labels.SetPosition(row.position);
    labels.SetAlignment(row.alignment);
    labels.SetOffset(row.offsetX, row.offsetY);
    labels.SetDuplicate(row.duplicates);
    labels.SetOverlap(row.overlap);
}

// Clears a flag of the collection again however the scope is left.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace

// --- Showing a dataset ---------------------------------------------------------------------------

CZmaVadAZDataLayer* CZmaVadAZLayerCollection::LayerOfEntry(const std::wstring& guid) const {
    auto it = keyMap_.find(platform::ToAnsi(guid));
    return it == keyMap_.end() ? nullptr : it->second;
}

HRESULT CZmaVadAZLayerCollection::DisplayDataset(IDispatch* dataset, const std::wstring& fieldName, IUnknown* voLegend,
                                                 IUnknown* printLegend, const std::wstring& seriesGuid) {
    if (!dataset) return E_POINTER;
    if (!legend_ && voLegend) voLegend->QueryInterface(__uuidof(IHostLegendSeries), legend_.PutVoid());
    if (!printLegend_ && printLegend) printLegend->QueryInterface(__uuidof(IHostPrintLegend), printLegend_.PutVoid());

    if (LayerOfEntry(seriesGuid)) return S_FALSE;

    if (CZmaVadAZDatasetComposition* kept = FindDatasetComposition(seriesGuid)) {
        if (LayerOfEntry(kept->GetSeriesGuid())) return S_FALSE;
        for (const auto& dimension : kept->Dimensions())
            if (!dimension.fieldName || !HasField(dataset, *dimension.fieldName)) return S_FALSE;
        BuildDatasetLayer(dataset, kept, nullptr);
        return S_OK;
    }

    if (!HasField(dataset, fieldName)) return DISP_E_BADINDEX;
    auto composition = std::make_unique<CZmaVadAZDatasetComposition>();
    composition->SetType(CZmaVadAZLayer::kTypeDataset);
    composition->SetSeriesGuid(seriesGuid);
    AppendDimension(*composition, dataset, fieldName, seriesGuid);

    // The composition joins the collection only once its layer stands; a failed build leaves
    // neither the composition nor the on-top placement behind.
    {
        FlagScope onTop(newLayersOnTop_, true);
        BuildDatasetLayer(dataset, composition.get(), nullptr);
    }
    AdoptComposition(std::move(composition));
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::CreateMultiDMapping(IDispatch* dataset, const std::wstring& seriesGuid,
                                                      IDispatch* fieldConfiguration) {
    if (!dataset || !fieldConfiguration) platform::ThrowHr(E_POINTER);
    ComPtr<IHostConfigNode> configuration = ConfigNodeOf(fieldConfiguration);
    int type = GetMappingLayerType(configuration.Get());
    if (!HasConfigChild(configuration.Get(), L"Dimensions")) return E_UNEXPECTED;
    std::vector<std::wstring> fields = ConfiguredFields(ConfigChild(configuration.Get(), L"Dimensions").Get());

    CZmaVadAZDatasetComposition* composition = FindDatasetComposition(seriesGuid);
    if (!composition) {
        auto made = std::make_unique<CZmaVadAZDatasetComposition>();
        made->SetType(type);
        made->SetSeriesGuid(seriesGuid);
        for (const std::wstring& field : fields) {
            if (!HasField(dataset, field)) return S_FALSE;
            AppendDimension(*made, dataset, field, seriesGuid);
        }
        composition = AdoptComposition(std::move(made));
        if (ComPtr<IHostPrintLegend> legend = printLegend_) {
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
    BuildDatasetLayer(dataset, composition, fieldConfiguration);
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::BuildDatasetLayer(IDispatch* dataset, CZmaVadAZDatasetComposition* composition,
                                                    IDispatch* fieldConfiguration) {
    if (!composition) platform::ThrowHr(E_POINTER);
    if (composition->GetType() == CZmaVadAZLayer::kTypeLines) return S_OK;

    std::string name, longName;
    MakeDatasetLayerName(dataset, *composition, name, longName);
    std::string folder = platform::ToAnsi(temporaryFolder_);
    char tableFile[MAX_PATH] = {};
    MakeUniqueTempFileName(folder.c_str(), "map", "TAB", tableFile);
    technologyPrefix_ = GetDatasetNamePrefix(dataset);

    const std::wstring seriesGuid = composition->GetSeriesGuid();
    const int type = composition->GetType();

    // Whatever this build added goes again when a step fails, so that a retry starts clean.
    std::set<CZmaVadAZLayer*> before;
    for (const auto& held : layers_) before.insert(held.get());
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
                    auto found = compositions_.find(key);
                    if (found != compositions_.end()) {
                        own = found->second.get();
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
                        own = AdoptComposition(std::move(made));
                    }
                }
                CZmaVadAZDataLayer* layer =
                    BuildOneDatasetLayer(dataset, *own, name + ":" + layerType, longName, tableFile, key);
                if (!built) built = layer;
            }
        } else {
            built = BuildOneDatasetLayer(dataset, *composition, name, longName, tableFile, seriesGuid);
        }
        if (!built) platform::ThrowHr(E_FAIL);
    } catch (...) {
        std::vector<CZmaVadAZLayer*> added;
        for (const auto& held : layers_)
            if (!before.count(held.get()) && AsDataLayer(held.get())) added.push_back(held.get());
        for (CZmaVadAZLayer* layer : added) {
            try {
                RemoveLayer(layer, false, false);
            } catch (...) {
                // The first failure is the one to report.
            }
        }
        throw;
    }

    if (type == CZmaVadAZLayer::kTypeDataset) {
        ++pointDatasetLayers_;
        if (pointDatasetLayers_ == 1 && (newLayersOnTop_ || autoSynchToStream_)) host_->ZoomToLayersBounds(built, -1.0);
        // The lines-to-cells layers of the cell-site layers on show would learn the new point
        // dataset here; until they have classes of their own they hold no datasets.
    }
    return S_OK;
}

CZmaVadAZDataLayer* CZmaVadAZLayerCollection::BuildOneDatasetLayer(IDispatch* dataset,
                                                                   CZmaVadAZDatasetComposition& composition,
                                                                   const std::string& name, const std::string& longName,
                                                                   const std::string& tableFile, const std::wstring& key) {
    const int type = composition.GetType();
    const std::wstring seriesGuid = composition.GetSeriesGuid();
    CZmaVadAZDataLayer* layer = AsDataLayer(AddLayer(name, type, tableFile, key, longName, L"", L""));
    if (!layer) return nullptr;

    if (type == CZmaVadAZLayer::kTypeCellSites) {
        // The technology also names the layer's own line layers, once they are more than plain.
        CreateCellSiteLineLayers(dataset, &composition, seriesGuid, L"");
        if (std::find(cellSiteGuids_.begin(), cellSiteGuids_.end(), key) == cellSiteGuids_.end())
            cellSiteGuids_.push_back(key);
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
        RemoveLayer(layer, false, false);
        platform::ThrowHr(initialised);
    }

    if (keyMap_.find(platform::ToAnsi(seriesGuid)) == keyMap_.end()) keyMap_.emplace(platform::ToAnsi(seriesGuid), layer);

    ApplyLayerDefaults(layer);
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
        if (attributeCount > 0 || hasChildren) THROW_IF_FAILED(layer->GetLabelProperties()->Load(saved, version_));
    }
    return layer;
}

void CZmaVadAZLayerCollection::MakeDatasetLayerName(IDispatch* dataset, const CZmaVadAZDatasetComposition& composition,
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
        joined += platform::ToAnsi(field);
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

std::string CZmaVadAZLayerCollection::GetDatasetNamePrefix(IDispatch* dataset) {
    std::string longName;
    if (!DatasetLongName(dataset, longName)) return std::string();
    size_t underscore = longName.find('_');
    if (underscore == std::string::npos) return std::string();
    return longName.substr(0, underscore);
}

HRESULT CZmaVadAZLayerCollection::CreateCellSiteLineLayers(IDispatch* /*dataset*/,
                                                           CZmaVadAZDatasetComposition* /*composition*/,
                                                           const std::wstring& /*seriesGuid*/,
                                                           const std::wstring& suffix) {
    // One set of four per technology, shared by every cell-site layer of it. The layers are plain
    // until the lines-to-cells layers have classes of their own: they have no table, dataset or
    // engine layer yet, only their kind.
    const std::string lineKey = technologyPrefix_ + "_" + platform::ToAnsi(suffix);
    for (LinesLayerMap* lines : {&servingLines_, &neighbourLines_, &cellSiteLines_, &pointLines_}) {
        auto& slot = (*lines)[lineKey];
        if (slot) continue;
        slot = std::make_unique<CZmaVadAZLayer>(map_.Get(), this);
        slot->SetType(CZmaVadAZLayer::kTypeLines);
    }
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::ApplyLayerDefaults(CZmaVadAZLayer* layer) {
    if (!layer) platform::ThrowHr(E_INVALIDARG);
    if (!layer->HasFeatures()) return S_OK;
    layer->SetZoomLayering(false);

    const LayerDefaults* row = nullptr;
    switch (layer->GetType()) {
    case CZmaVadAZLayer::kTypeDataset: row = RowByKey("MAP_LAYER_TYPE_POINT_DATA"); break;
    case CZmaVadAZLayer::kTypeCellSites: row = RowByKey("MAP_LAYER_TYPE_NETWORK_DATA"); break;
    case CZmaVadAZLayer::kTypeTable: row = RowByKey("MAP_LAYER_TYPE_VECTOR"); break;
    case CZmaVadAZLayer::kTypeCellReferences: row = RowByKey("MAP_LAYER_TYPE_SITES_LAYER"); break;
    default: {
        std::vector<std::string> files;
        layer->GetSourceFiles(files);
        if (files.size() != 1) return S_OK;
        row = RowForFile(files.front());
        break;
    }
    }
    if (!row) return S_OK;

    // The layer's usable flag, which the labels need, is already set: HasFeatures asked for it.
    layer->SetZoomMax(row->zoomMax);
    layer->SetZoomMin(row->zoomMin);
    layer->SetZoomLayering(row->zoomLayering);
    if (CZmaVadAZLabelProperties* labels = layer->GetLabelProperties()) {
        ApplyLabelDefaults(*labels, *row);
        CZmaVadAZDataLayer* data = AsDataLayer(layer);
        std::string key = data ? platform::ToAnsi(data->GetLayerKey()) : layer->GetName();
        auto cached = cellRefLabels_.find(key);
        if (cached != cellRefLabels_.end() && cached->second) *labels = *cached->second;
    }
    return S_OK;
}

// --- Dataset operations ------------------------------------------------------------------------

HRESULT CZmaVadAZLayerCollection::RemoveDataset(const std::wstring& guid, const VARIANT& notify) {
    bool notifyHost = false;
    if (!(notify.vt == VT_ERROR && notify.scode == DISP_E_PARAMNOTFOUND)) {
        Variant flag;
        THROW_IF_FAILED(::VariantChangeType(flag.Put(), const_cast<VARIANT*>(&notify), 0, VT_BOOL));
        notifyHost = flag.boolVal != VARIANT_FALSE;
    }
    if (compositions_.find(guid) == compositions_.end()) return S_FALSE;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    if (!layer) return E_FAIL;
    RemoveLayer(layer, false, notifyHost);
    return S_OK;
}

void CZmaVadAZLayerCollection::SetDatasetVisible(const std::wstring& guid, long visible) {
    if (compositions_.find(guid) == compositions_.end()) return;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    if (!layer) return;
    layer->SetVisible(visible != 0);
    if (ComPtr<IHostPrintLegend> legend = PrintLegend()) {
        Bstr series(guid);
        THROW_IF_FAILED(legend->SetVisibility(series.Get(), static_cast<short>(visible)));
    }
}

void CZmaVadAZLayerCollection::SetLayerVisible(CZmaVadAZLayer* layer, long visible) {
    CZmaVadAZDataLayer* data = AsDataLayer(layer);
    if (!data) return;
    Bstr series(data->GetLayerKey());
    data->SetVisible(visible != 0);
    if (ComPtr<IHostPrintLegend> legend = PrintLegend())
        THROW_IF_FAILED(legend->SetVisibility(series.Get(), static_cast<short>(visible)));
}

HRESULT CZmaVadAZLayerCollection::NotifyChange(const std::wstring& guid, long flag, IDispatch* /*renderer*/,
                                               const VARIANT& /*ranges*/) {
    if (compositions_.find(guid) == compositions_.end()) return S_OK;
    // Update-all and update-specified are handled alike; other flags change nothing.
    if (flag != 0 && flag != 1) return S_OK;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    if (!layer) return S_OK;
    HRESULT result = layer->RefreshFromDataset();
    THROW_IF_FAILED(result);
    ComPtr<IHostDataset> dataset(layer->GetDataset());
    if (CZmaVadAZDatasetComposition* composition = FindDatasetComposition(guid)) {
        for (auto& dimension : composition->Dimensions())
            dimension.code = LoadStyleSettings(dataset.Get(), dimension.fieldName ? *dimension.fieldName : L"", guid);
    }
    return result;
}

HRESULT CZmaVadAZLayerCollection::NotifySelectionChange(const std::wstring& guid) {
    std::vector<CZmaVadAZDataLayer*> visible;
    for (const auto& held : layers_) {
        CZmaVadAZDataLayer* data = AsDataLayer(held.get());
        if (data && data->IsVisible()) visible.push_back(data);
    }
    std::stable_sort(visible.begin(), visible.end(), [](CZmaVadAZDataLayer* a, CZmaVadAZDataLayer* b) {
        double da = a->GetOffsetX() * a->GetOffsetX() + a->GetOffsetY() * a->GetOffsetY();
        double db = b->GetOffsetX() * b->GetOffsetX() + b->GetOffsetY() * b->GetOffsetY();
        return da < db;
    });

    std::vector<CZmaVadAZDataLayer*> named;
    const std::string narrow = platform::ToAnsi(guid);
    for (const auto& entry : compositions_) {
        if (platform::ToAnsi(entry.first) != narrow) continue;
        if (CZmaVadAZDataLayer* layer = LayerOfEntry(entry.first)) named.push_back(layer);
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

    ComPtr<IUnknown> identity;
    dataset->QueryInterface(IID_IUnknown, identity.PutVoid());
    auto sameDataset = [&identity](CZmaVadAZDataLayer* layer) {
        IUnknown* shown = layer->GetDataset();
        if (!shown) return false;
        ComPtr<IUnknown> other;
        shown->QueryInterface(IID_IUnknown, other.PutVoid());
        return other.Get() == identity.Get();
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

void CZmaVadAZLayerCollection::PropagateSelection(IDispatch* dataset) {
    ComPtr<IHostStringList> selection;
    THROW_IF_FAILED(DatasetOf(dataset)->get_SelectedRows(selection.Put()));
    platform::ThrowIfNull(selection.Get(), E_POINTER);
    long count = 0;
    THROW_IF_FAILED(selection->get_Count(&count));
    std::vector<long> rows;
    for (long i = 0; i < count; ++i) {
        Variant item;
        THROW_IF_FAILED(selection->Item(Variant(i), item.Put()));
        rows.push_back(item.ToLong());
    }
    for (const auto& held : layers_)
        if (CZmaVadAZDataLayer* data = AsDataLayer(held.get())) data->ClearSelection();
    for (long row : rows) THROW_IF_FAILED(selection->Add(Variant(row), Missing(), Missing()));
}

HRESULT CZmaVadAZLayerCollection::GetDisplayedGUIDs(IDispatch* target) {
    ComPtr<IHostStringList> list;
    if (!target || FAILED(target->QueryInterface(__uuidof(IHostStringList), list.PutVoid())) || !list)
        platform::ThrowHr(E_NOINTERFACE);
    // Only point datasets: cell-site and cell-reference series are the host's own business.
    for (const auto& entry : compositions_) {
        CZmaVadAZDataLayer* layer = LayerOfEntry(entry.first);
        if (!layer || layer->GetType() != CZmaVadAZLayer::kTypeDataset) continue;
        THROW_IF_FAILED(list->Add(Variant(entry.first), Missing(), Missing()));
    }
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::GetTopVisibleDataLayerName(BSTR* name) {
    if (!name) return E_POINTER;
    for (const auto& held : layers_) {
        CZmaVadAZDataLayer* data = AsDataLayer(held.get());
        if (data && data->IsVisible()) {
            *name = Bstr(platform::ToWide(data->GetName())).Detach();
            return S_OK;
        }
    }
    *name = Bstr(L"").Detach();
    return S_OK;
}

HRESULT CZmaVadAZLayerCollection::GetAttributeDescriptionFromGUID(const std::wstring& guid, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    if (compositions_.find(guid) == compositions_.end()) return DISP_E_BADINDEX;
    CZmaVadAZDataLayer* layer = LayerOfEntry(guid);
    *description = Bstr(layer ? platform::ToWide(layer->GetName()) : std::wstring()).Detach();
    return S_OK;
}

void CZmaVadAZLayerCollection::UpdateCellRefData() {
    for (const auto& held : layers_) {
        CZmaVadAZLayer* layer = held.get();
        if (layer->GetType() != CZmaVadAZLayer::kTypeCellSites && layer->GetType() != CZmaVadAZLayer::kTypeCellReferences)
            continue;
        CZmaVadAZDataLayer* data = AsDataLayer(layer);
        std::string key = data ? platform::ToAnsi(data->GetLayerKey()) : layer->GetName();
        if (cellRefLabels_.count(key)) continue;
        cellRefLabels_.emplace(key, std::make_unique<CZmaVadAZLabelProperties>(*layer->GetLabelProperties()));
    }
}

void CZmaVadAZLayerCollection::ClearCellRefData() { cellRefLabels_.clear(); }
