// The layer defaults table: zoom range and label settings that a new layer takes from the row of
// its kind, or of its table's file name.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"

#include <olectl.h>

#include <cstring>

using platform::Bstr;
using platform::ComPtr;

namespace {

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
    std::string base = platform::ToLower(file.substr(0, dot));
    const LayerDefaults* best = nullptr;
    for (const LayerDefaults& row : kLayerDefaultsTable) {
        std::string key = platform::ToLower(row.key);
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

std::string CellRefLabelKey(CZmaVadAZLayer& layer) {
    return layer.HasLayerKey() ? platform::ToAnsi(layer.GetLayerKey()) : layer.GetName();
}

}  // namespace

HRESULT CZmaVadAZLayerCollection::ApplyLayerDefaults(CZmaVadAZLayer* layer) {
    if (!layer) platform::ThrowHr(E_INVALIDARG);
    if (!layer->HasFeatures()) return S_OK;
    layer->SetZoomLayering(false);

    const LayerDefaults* row = nullptr;
    if (const char* key = layer->GetDefaultsKey()) {
        row = RowByKey(key);
    } else {
        std::vector<std::string> files;
        layer->GetSourceFiles(files);
        if (files.size() != 1) return S_OK;
        row = RowForFile(files.front());
    }
    if (!row) return S_OK;

    // The layer's usable flag, which the labels need, is already set: HasFeatures asked for it.
    layer->SetZoomMax(row->zoomMax);
    layer->SetZoomMin(row->zoomMin);
    layer->SetZoomLayering(row->zoomLayering);
    if (CZmaVadAZLabelProperties* labels = layer->GetLabelProperties()) {
        ApplyLabelDefaults(*labels, *row);
        std::string key = CellRefLabelKey(*layer);
        auto cached = cellRefLabels_.find(key);
        if (cached != cellRefLabels_.end() && cached->second) *labels = *cached->second;
    }
    return S_OK;
}

void CZmaVadAZLayerCollection::UpdateCellRefData() {
    for (const auto& held : layers_) {
        CZmaVadAZLayer* layer = held.get();
        if (layer->GetType() != CZmaVadAZLayer::kTypeCellSites && layer->GetType() != CZmaVadAZLayer::kTypeCellReferences)
            continue;
        std::string key = CellRefLabelKey(*layer);
        if (cellRefLabels_.count(key)) continue;
        cellRefLabels_.emplace(key, std::make_unique<CZmaVadAZLabelProperties>(*layer->GetLabelProperties()));
    }
}

void CZmaVadAZLayerCollection::ClearCellRefData() { cellRefLabels_.clear(); }
