#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/LayerXml.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "ZmaVOMap2/persistence/LabelPropertiesPersistence.h"
#include "ZmaVOMap2/persistence/PersistentStyle.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "HostInterfaces.h"

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;
namespace E = LayerEngine;

namespace {

const wchar_t kCaption[] = L"Map Module";
const wchar_t kAddLayerCaption[] = L"Map Module - Add new layer";

// An optional argument left out.
ComPtr<IDispatch> AsDispatch(const Variant& v) {
    if ((v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) && v.punkVal) {
        ComPtr<IDispatch> out;
        v.punkVal->QueryInterface(IID_IDispatch, out.PutVoid());
        return out;
    }
    return nullptr;
}

ComPtr<IDispatch> GetObject(IDispatch* object, DISPID id) {
    ComPtr<IDispatch> out = AsDispatch(EngineDispatch(object).Get(id));
    platform::ThrowIfNull(out.Get());
    return out;
}

Variant EngineBool(bool value) { return Variant(value); }

std::wstring SystemMessage(HRESULT hr) {
    wchar_t* text = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    return message;
}

// The style facets of an engine layer, chosen by its predominant feature kind: regions, lines,
// symbols, text, or all four for mixed tables.
std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> StyleFacetsOf(CZmaVadAZLayer& layer) {
    std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> facets;
    const long kind = EngineDispatch(layer.GetMapXLayer().Get()).Get(E::Layer::kPredominantFeatureType).ToLong();
    const bool all = kind == 3 || kind == 4 || kind == 6;
    if (kind == 0 || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentRegionStyle>());
    if (kind == 1 || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentLineStyle>());
    if (kind == 2 || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentFontStyle>());
    if (kind == 5 || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentTextStyle>());
    return facets;
}

// The files of a table's set ("<base>.*" in its folder), without the ".tmp" placeholders.
std::vector<std::string> TableFileSet(const std::string& folder, const std::string& base) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((folder + base + ".*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const char* dot = std::strrchr(found.cFileName, '.');
        if (dot && ::lstrcmpiA(dot, ".tmp") == 0) continue;
        names.push_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

ComPtr<IHostStreamText> StreamTextConverter() {
    ComPtr<IHostStreamText> converter;
    THROW_IF_FAILED(::CoCreateInstance(__uuidof(HostStreamText), nullptr, CLSCTX_INPROC_SERVER,
                                       __uuidof(IHostStreamText), converter.PutVoid()));
    return converter;
}

// A file's bytes as the converter's text.
std::wstring FileAsText(const std::string& path) {
    ComPtr<IStream> stream;
    THROW_IF_FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) platform::ThrowHr(E_FAIL);
    char block[1024];
    size_t read = 0;
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && (read = std::fread(block, 1, sizeof block, file)) > 0)
        hr = stream->Write(block, static_cast<ULONG>(read), nullptr);
    std::fclose(file);
    THROW_IF_FAILED(hr);
    Bstr text;
    THROW_IF_FAILED(StreamTextConverter()->StreamToText(stream.Get(), text.Put()));
    return text.Wide();
}

ComPtr<IStream> TextAsStream(const std::wstring& text) {
    ComPtr<IStream> stream;
    THROW_IF_FAILED(StreamTextConverter()->TextToStream(Bstr(text).Get(), stream.Put()));
    if (!stream) platform::ThrowHr(E_POINTER);
    return stream;
}

// The extension of an embedded file when it is one of a table's own files (".TAB", ".DAT",
// ".MAP", ".ID", ".IND", in any case), else nothing: a name from a settings document never steers
// what is written, nor where.
std::string TableFileExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    const std::string extension = name.substr(dot);
    for (const char* own : {".TAB", ".DAT", ".MAP", ".ID", ".IND"})
        if (::lstrcmpiA(extension.c_str(), own) == 0) return extension;
    return std::string();
}

bool EndsWithTab(const std::string& path) {
    return path.size() >= 4 && ::lstrcmpiA(path.c_str() + path.size() - 4, ".tab") == 0;
}

}  // namespace

CZmaVadAZLayer::CZmaVadAZLayer(IDispatch* map, CZmaVadAZLayerCollection* owner) : map_(map), owner_(owner) {
    if (!map) platform::ThrowHr(E_POINTER);
    // Label zoom ranges are kept in the map's unit, as they are saved and loaded: a range read
    // back from a document must not be converted from another unit when it is saved again.
    try {
        labels_.SetLabelZoomUnits(EngineDispatch(map).Get(E::Map::kDistanceUnit).ToLong());
    } catch (...) {
        // A map that cannot tell its unit leaves the labels' own default.
    }
}

CZmaVadAZLayer::~CZmaVadAZLayer() {
    CZmaVadAZLayer::TakeOutOfMap();
    engineLayer_ = nullptr;
    if (!ownTable_.empty()) RemoveTableFiles(ownTable_);
}

void CZmaVadAZLayer::TakeOutOfMap() noexcept {
    if (!map_ || !engineLayer_ || takenOutOfMap_) return;
    takenOutOfMap_ = true;
    try {
        // Found by name: the engine may hold the layer object under another identity by now.
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch list(layers.Get());
        long count = list.Get(E::Layers::kCount).ToLong();
        for (long i = 1; i <= count; ++i) {
            ComPtr<IDispatch> layer = AsDispatch(list.Call(E::Layers::kItem, {Variant(i)}));
            if (!layer) continue;
            Variant name = EngineDispatch(layer.Get()).Get(E::Layer::kName);
            if (name.vt == VT_BSTR && platform::ToAnsi(name.bstrVal) == name_) {
                list.Call(E::Layers::kRemove, {Variant(i)});
                break;
            }
        }
    } catch (...) {
        // The map is going away or refused: nothing the layer could do about it.
    }
}

ComPtr<IDispatch> CZmaVadAZLayer::EngineLayers() const { return GetObject(map_.Get(), E::Map::kLayers); }

void CZmaVadAZLayer::ReportError(const std::wstring& description) { TellUser(description, kCaption); }

void CZmaVadAZLayer::TellUser(const std::wstring& text, const std::wstring& caption, UINT flags) {
    if (!owner_ || !owner_->IsLoadingSettings()) {
        platform::Prompts().MessageBox(nullptr, text, caption, flags);
        return;
    }
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
    std::string line = "Error: " + platform::ToAnsi(caption) + ": " + platform::ToAnsi(text);
    std::replace_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }, ' ');
    log->Write(platform::kLogLevelError, __FILE__, __LINE__, line);
}

HRESULT CZmaVadAZLayer::Refresh() {
    try {
        if (!engineLayer_ || !map_) platform::ThrowHr(E_UNEXPECTED);
        if (!HasFeatures()) return S_OK;
        if (featureState_ == kFeaturesUnknown) {
            if (GetFeatureCount() == 0) return S_OK;
        } else if (featureState_ == kNoFeatures) {
            return S_OK;
        }

        EngineDispatch layer(engineLayer_.Get());
        switch (type_) {
        case kTypeDataset:
        case kTypeCellSites:
        case kTypeLines:
        case kTypeCellReferences:
            break;
        case kTypeTable: {
            // Labels of a table read its first field, through a dataset bound to the layer.
            ComPtr<IDispatch> datasets = GetObject(map_.Get(), E::Map::kDatasets);
            layerDataset_ = AsDispatch(EngineDispatch(datasets.Get())
                                           .Call(E::Collection::kDatasetAdd,
                                                 {Variant(E::kLayerDatasetType), Variant(engineLayer_.Get()), Variant::Missing(),
                                                  Variant::Missing(), Variant::Missing(), Variant::Missing(), Variant::Missing()}));
            if (!layerDataset_) platform::ThrowHr(E_FAIL);
            ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), E::Layer::kLabelProperties);
            EngineDispatch(labels.Get()).Put(E::Labels::kDataset, Variant(layerDataset_.Get()));
            ComPtr<IDispatch> fields = GetObject(layerDataset_.Get(), E::Collection::kDatasetFields);
            EngineDispatch fieldList(fields.Get());
            if (fieldList.Get(E::Collection::kCount).ToLong() >= 1) {
                ComPtr<IDispatch> first = AsDispatch(fieldList.Call(E::Collection::kFieldItem, {Variant(1L)}));
                EngineDispatch(labels.Get()).Put(E::Labels::kDataField, Variant(first.Get()));
            }
            break;
        }
        default:
            return S_OK;
        }
        layer.Put(E::Layer::kAutoLabel, EngineBool(true));
        ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), E::Layer::kLabelProperties);
        EngineDispatch(labels.Get()).Put(E::Labels::kVisible, EngineBool(false));
        return S_OK;
    } catch (const ComError& e) {
        ReportError(e.Description());
        return e.Error();
    } catch (...) {
        return E_FAIL;
    }
}

int CZmaVadAZLayer::GetEngineLayerCount() { return 1; }

int CZmaVadAZLayer::GetFeatureCount() {
    if (!engineLayer_) return static_cast<int>(E_UNEXPECTED);
    ComPtr<IDispatch> features = AsDispatch(EngineDispatch(engineLayer_.Get()).Call(E::Layer::kAllFeatures));
    platform::ThrowIfNull(features.Get());
    return static_cast<int>(EngineDispatch(features.Get()).Get(E::Collection::kCount).ToLong());
}

BOOL CZmaVadAZLayer::Create(int type, const std::string& path) {
    if (!map_ || engineLayer_) return FALSE;
    try {
        // Only a plain file goes to the engine: opening a device would wait for it for ever.
        if (!IsPlainFilePath(path)) throw ComError(E_INVALIDARG, L"The path does not name a table file.");
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch list(layers.Get());
        list.Call(E::Layers::kAdd, {Variant(platform::ToWide(path)), Variant(1L)});
        engineLayer_ = AsDispatch(list.Call(E::Layers::kItem, {Variant(1L)}));
        platform::ThrowIfNull(engineLayer_.Get());
        EngineDispatch layer(engineLayer_.Get());

        if (type == kTypeOtherTable) {
            long engineType = layer.Get(E::Layer::kType).ToLong();
            type_ = engineType == 0 ? kTypeTable : (engineType == 2 || engineType == 6) ? kTypeRasterTable
                                                                                        : kTypeOtherTable;
        } else {
            type_ = type;
        }
        name_ = platform::ToAnsi(layer.Get(E::Layer::kName).ToWide());

        if (type_ == kTypeTable && EndsWithTab(path)) {
            if (mitab_handle table = mitab_c_open(path.c_str())) {
                featureState_ = mitab_c_next_feature_id(table, -1) != -1 ? kHasFeatures : kNoFeatures;
                mitab_c_close(table);
            }
        }

        if (FAILED(Refresh())) usable_ = false;
        return TRUE;
    } catch (const ComError& e) {
        std::wstring description = e.Description();
        if (description.empty()) description = SystemMessage(e.Error());
        wchar_t code[32];
        std::swprintf(code, 32, L"%08X", static_cast<unsigned>(e.Error()));
        std::wstring text = L"Error 0x" + std::wstring(code) + L": " + description + L"\nFailed to open " +
                            platform::ToWide(path) + L".";
        TellUser(text, kAddLayerCaption, MB_OK | MB_ICONEXCLAMATION);
        engineLayer_ = nullptr;
        return FALSE;
    } catch (...) {
        engineLayer_ = nullptr;
        return FALSE;
    }
}

std::string CZmaVadAZLayer::FreeEngineLayerName(const std::string& wanted) const {
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    ComPtr<IUnknown> own;
    if (engineLayer_) engineLayer_->QueryInterface(IID_IUnknown, own.PutVoid());
    std::vector<std::string> taken;
    const long count = list.Get(E::Layers::kCount).ToLong();
    for (long i = 1; i <= count; ++i) {
        ComPtr<IDispatch> layer = AsDispatch(list.Call(E::Layers::kItem, {Variant(i)}));
        if (!layer) continue;
        ComPtr<IUnknown> identity;
        layer->QueryInterface(IID_IUnknown, identity.PutVoid());
        if (own && identity == own) continue;
        taken.push_back(platform::ToAnsi(EngineDispatch(layer.Get()).Get(E::Layer::kName).ToWide()));
    }
    auto free = [&](const std::string& candidate) {
        return std::none_of(taken.begin(), taken.end(),
                            [&](const std::string& t) { return ::lstrcmpiA(t.c_str(), candidate.c_str()) == 0; });
    };
    if (free(wanted)) return wanted;
    for (int k = 2;; ++k) {
        const std::string candidate = wanted + " (" + std::to_string(k) + ")";
        if (free(candidate)) return candidate;
    }
}

bool CZmaVadAZLayer::AddUserDrawLayer(const std::string& name, long position) {
    Variant added = EngineDispatch(EngineLayers().Get())
                        .Call(E::Layers::kAddUserDrawLayer,
                              {Variant(platform::ToWide(FreeEngineLayerName(name))), Variant(position)});
    if (added.vt != VT_DISPATCH || !added.pdispVal) return false;
    SetEngineLayer(added.pdispVal);
    SetNameOnly(platform::ToAnsi(EngineDispatch(added.pdispVal).Get(E::Layer::kName).ToWide()));
    SetUserDrawn(true);
    return true;
}

HRESULT CZmaVadAZLayer::AttachUserDrawLayer(const std::string& name, int type) {
    if (!map_ || engineLayer_) return E_UNEXPECTED;
    try {
        if (!AddUserDrawLayer(name)) return E_FAIL;
        SetType(type);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayer::Attach(const std::string& name, int type, const std::string& fileSpec) {
    if (!map_ || engineLayer_) return E_UNEXPECTED;
    try {
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch list(layers.Get());
        ComPtr<IDispatch> found;
        try {
            found = AsDispatch(list.Call(E::Layers::kItem, {Variant(platform::ToWide(name))}));
        } catch (const ComError&) {
            if (fileSpec.empty()) throw;
        }
        if (!found && !fileSpec.empty()) {
            found = AsDispatch(list.Call(E::Layers::kCreateLayer, {Variant(platform::ToWide(name)),
                                                                     Variant(platform::ToWide(fileSpec)), Variant(1L),
                                                                     Variant::Missing(), Variant::Missing()}));
        }
        if (!found) return E_FAIL;
        engineLayer_ = found;
        type_ = type;
        name_ = platform::ToAnsi(EngineDispatch(found.Get()).Get(E::Layer::kName).ToWide());
        return S_OK;
    } catch (const ComError& e) {
        engineLayer_ = nullptr;
        return e.Error();
    } catch (...) {
        engineLayer_ = nullptr;
        return E_FAIL;
    }
}

void CZmaVadAZLayer::GetSourceFiles(std::vector<std::string>& files) {
    if (!engineLayer_) return;
    files.push_back(platform::ToAnsi(EngineDispatch(engineLayer_.Get()).Get(E::Layer::kFileSpec).ToWide()));
}

HRESULT CZmaVadAZLayer::BeginFeatureAccess(int mode) {
    if (!engineLayer_) return E_UNEXPECTED;
    try {
        EngineDispatch(engineLayer_.Get()).Call(E::Layer::kBeginAccess, {Variant(static_cast<long>(mode))});
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayer::EndFeatureAccess(int mode) {
    if (!engineLayer_) return E_UNEXPECTED;
    try {
        EngineDispatch(engineLayer_.Get()).Call(E::Layer::kEndAccess, {Variant(static_cast<long>(mode))});
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayer::SaveSettings(IXMLDOMNode* parent) {
    using namespace layerxml;
    using platform::SetAttribute;
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(parent, L"Layer");
    SetAttribute(element.Get(), L"layertype", FormatLong(type_));
    if (!engineLayer_) platform::ThrowHr(E_POINTER);
    EngineDispatch layer(engineLayer_.Get());
    SetAttribute(element.Get(), L"layerfilespec", layer.Get(E::Layer::kFileSpec).ToWide());
    if (IsSelectableKind())
        SetAttribute(element.Get(), L"selectable", FormatBool(layer.Get(E::Layer::kSelectable).ToBool()));
    if (IsEditableKind())
        SetAttribute(element.Get(), L"editable", FormatBool(layer.Get(E::Layer::kEditable).ToBool()));
    SetAttribute(element.Get(), L"visible", FormatBool(visible_));
    SetAttribute(element.Get(), L"layerautolabel", FormatBool(layer.Get(E::Layer::kAutoLabel).ToBool()));
    SetAttribute(element.Get(), L"layerdrawlabelsafter", FormatBool(layer.Get(E::Layer::kDrawLabelsAfter).ToBool()));
    SetAttribute(element.Get(), L"layerzoomlayering", FormatBool(layer.Get(E::Layer::kZoomLayering).ToBool()));
    SetAttribute(element.Get(), L"layerzoommin", platform::FormatDouble(layer.Get(E::Layer::kZoomMin).ToDouble()));
    SetAttribute(element.Get(), L"layerzoommax", platform::FormatDouble(layer.Get(E::Layer::kZoomMax).ToDouble()));
    const bool overrideStyle = layer.Get(E::Layer::kOverrideStyle).ToBool();
    SetAttribute(element.Get(), L"layeroverridestyle", FormatBool(overrideStyle));
    SetAttribute(element.Get(), L"amendedlayername", platform::ToWide(amendedName_));

    if (overrideStyle) {
        ComPtr<IDispatch> style = GetObject(engineLayer_.Get(), E::Layer::kStyle);
        for (auto& facet : StyleFacetsOf(*this)) THROW_IF_FAILED(facet->Save(style.Get(), element.Get()));
    }
    if (HasFeatures()) {
        ComPtr<IXMLDOMElement> labels = platform::CreateChildElement(element.Get(), L"LabelSettings");
        if (userDrawn_) {
            const long unit = EngineDispatch(map_.Get()).Get(E::Map::kDistanceUnit).ToLong();
            THROW_IF_FAILED(labels_.Save(labels.Get(), unit));
        } else {
            ComPtr<IDispatch> engineLabels = GetObject(engineLayer_.Get(), E::Layer::kLabelProperties);
            THROW_IF_FAILED(SaveLabelProperties(engineLabels.Get(), labels.Get()));
        }
    }
    return type_ == kTypeAnnotations ? SaveAnnotationFiles(element.Get()) : S_OK;
}

HRESULT CZmaVadAZLayer::LoadSettings(IXMLDOMElement* element, long labelArgument) {
    using namespace layerxml;
    type_ = static_cast<int>(RequireLong(element, L"layertype"));
    if (type_ == kTypeAnnotations && FAILED(LoadAnnotationFiles(element))) return E_FAIL;
    if (!engineLayer_) return E_UNEXPECTED;

    EngineDispatch layer(engineLayer_.Get());
    if (IsSelectableKind()) layer.Put(E::Layer::kSelectable, EngineBool(RequireBool(element, L"selectable")));
    if (IsEditableKind()) layer.Put(E::Layer::kEditable, EngineBool(RequireBool(element, L"editable")));
    layer.Put(E::Layer::kVisible, EngineBool(RequireBool(element, L"visible")));
    visible_ = layer.Get(E::Layer::kVisible).ToBool();
    layer.Put(E::Layer::kAutoLabel, EngineBool(RequireBool(element, L"layerautolabel")));
    layer.Put(E::Layer::kDrawLabelsAfter, EngineBool(RequireBool(element, L"layerdrawlabelsafter")));
    layer.Put(E::Layer::kZoomLayering, EngineBool(RequireBool(element, L"layerzoomlayering")));
    layer.Put(E::Layer::kZoomMin, Variant(RequireDouble(element, L"layerzoommin")));
    layer.Put(E::Layer::kZoomMax, Variant(RequireDouble(element, L"layerzoommax")));
    layer.Put(E::Layer::kOverrideStyle, EngineBool(RequireBool(element, L"layeroverridestyle")));

    if (layer.Get(E::Layer::kOverrideStyle).ToBool()) {
        ComPtr<IDispatch> style = GetObject(engineLayer_.Get(), E::Layer::kStyle);
        for (auto& facet : StyleFacetsOf(*this)) THROW_IF_FAILED(facet->Load(style.Get(), element));
    }
    if (ComPtr<IXMLDOMElement> labels = SelectElement(element, L"LabelSettings")) {
        if (userDrawn_) {
            THROW_IF_FAILED(labels_.Load(labels.Get(), labelArgument));
        } else {
            ComPtr<IDispatch> engineLabels = GetObject(engineLayer_.Get(), E::Layer::kLabelProperties);
            THROW_IF_FAILED(LoadLabelProperties(engineLabels.Get(), labels.Get()));
        }
    }
    return S_OK;
}

// The annotation table's own files, each embedded as text through the host's stream-text
// converter, so that a saved map carries its annotations with it.
HRESULT CZmaVadAZLayer::SaveAnnotationFiles(IXMLDOMElement* element) {
    if (!element) return E_INVALIDARG;
    ComPtr<IXMLDOMDocument> owner;
    if (FAILED(element->get_ownerDocument(owner.Put())) || !owner) return E_INVALIDARG;
    if (!engineLayer_) return E_UNEXPECTED;
    if (GetFeatureCount() == 0) return S_OK;

    const std::string spec = platform::ToAnsi(EngineDispatch(engineLayer_.Get()).Get(E::Layer::kFileSpec).ToWide());
    char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {}, base[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
    _splitpath(spec.c_str(), drive, dir, base, ext);
    const std::string folder = std::string(drive) + dir;
    for (const std::string& name : TableFileSet(folder, base)) {
        ComPtr<IXMLDOMElement> file = platform::CreateChildElement(element, L"AnnotationFiles");
        platform::SetAttribute(file.Get(), L"filename", platform::ToWide(name));
        platform::SetAttribute(file.Get(), L"binarycontent", FileAsText(folder + name));
    }
    return S_OK;
}

// The annotations layer comes back over a fresh table in the working folder, restored from the
// embedded files. Without embedded files it binds to the map's "Annotations" layer, made empty
// when the map has none yet.
HRESULT CZmaVadAZLayer::LoadAnnotationFiles(IXMLDOMElement* element) {
    if (!element) return E_INVALIDARG;
    ComPtr<IXMLDOMDocument> owner;
    if (FAILED(element->get_ownerDocument(owner.Put())) || !owner) return E_INVALIDARG;
    if (engineLayer_) return E_UNEXPECTED;

    std::string folder;
    if (owner_) {
        folder = platform::ToAnsi(owner_->GetTemporaryFolder());
        if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    }
    DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder = temp;
        if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    }
    char unique[MAX_PATH] = {};
    MakeUniqueTempFileName(folder.c_str(), "ann", "TAB", unique);
    char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {}, base[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
    _splitpath(unique, drive, dir, base, ext);
    const std::string target = folder + "\\" + base;
    // However the load ends, the name's placeholder goes; the table's files go with this layer.
    ownTable_ = unique;
    struct PlaceholderRemover {
        const char* path;
        ~PlaceholderRemover() { RemoveNamePlaceholder(path); }
    } removePlaceholder{unique};

    ComPtr<IXMLDOMNodeList> files = layerxml::SelectNodes(element, L"AnnotationFiles");
    long count = 0;
    files->get_length(&count);
    if (count == 0) return Attach("Annotations", kTypeAnnotations, unique);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(files->get_item(i, node.Put()));
        ComPtr<IXMLDOMElement> file;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, file.PutVoid()))) continue;
        std::wstring name, content;
        if (!platform::GetAttribute(file.Get(), L"filename", name)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
        platform::GetAttribute(file.Get(), L"binarycontent", content);
        // Only a table's own files are written, and only into our folder.
        const std::string extension = TableFileExtension(platform::ToAnsi(name));
        if (extension.empty()) {
            LogLeftOutFile(platform::ToAnsi(name), "an annotation table has only TAB, DAT, MAP, ID and IND files");
            continue;
        }
        THROW_IF_FAILED(WriteStreamToFile(TextAsStream(content).Get(), target + extension));
    }
    return Create(kTypeAnnotations, unique) ? S_OK : E_FAIL;
}

HRESULT CZmaVadAZLayer::WriteStreamToFile(IStream* stream, const std::string& path) {
    if (!stream) return E_POINTER;
    LARGE_INTEGER start = {};
    RETURN_IF_FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr));
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return E_FAIL;
    char block[1024];
    ULONG read = 0;
    HRESULT hr = S_OK;
    bool written = true;
    while (written && SUCCEEDED(hr = stream->Read(block, sizeof block, &read)) && read > 0)
        written = std::fwrite(block, 1, read, file) == read;
    written = std::fclose(file) == 0 && written;
    if (FAILED(hr)) return hr;
    return written ? S_OK : E_FAIL;
}

BOOL CZmaVadAZLayer::MoveUp(bool apply, int positions) {
    if (!map_ || !engineLayer_ || !apply) return TRUE;
    try {
        int position = GetLayerPosition();
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch(layers.Get())
            .Call(E::Layers::kMove, {Variant(static_cast<long>(position)), Variant(static_cast<long>(position + positions))});
    } catch (...) {
    }
    return TRUE;
}

BOOL CZmaVadAZLayer::MoveDown(bool apply, int positions) {
    if (!map_ || !engineLayer_ || !apply) return TRUE;
    try {
        int position = GetLayerPosition();
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch(layers.Get())
            .Call(E::Layers::kMove, {Variant(static_cast<long>(position)), Variant(static_cast<long>(position - positions))});
    } catch (...) {
    }
    return TRUE;
}

bool CZmaVadAZLayer::IsEditableKind() { return type_ == kTypeTable || type_ == kTypeAnnotations; }

bool CZmaVadAZLayer::IsSelectableKind() {
    return type_ != kTypeOtherTable && type_ != kTypeRasterTable && type_ != kTypeDirection;
}

bool CZmaVadAZLayer::IsDataLayer() { return false; }

const std::wstring& CZmaVadAZLayer::GetLayerKey() const {
    static const std::wstring none;
    return none;
}

bool CZmaVadAZLayer::TakeKeys(const std::wstring& /*key*/, const std::wstring& /*displayKey*/,
                              const std::string& /*caption*/, const std::wstring& /*siteKey*/) {
    return false;
}

bool CZmaVadAZLayer::IsSavedAsTableLayer() {
    switch (GetType()) {
    case kTypeLines:
    case kTypeRegion:
    case kTypeMarker:
    case kTypeLinesToSectors:
    case kTypeShapes:
        return false;
    default:
        return true;
    }
}

const char* CZmaVadAZLayer::GetDefaultsKey() { return GetType() == kTypeTable ? "MAP_LAYER_TYPE_VECTOR" : nullptr; }

bool CZmaVadAZLayer::HasFeatures() {
    if (!usable_ || type_ == kTypeOtherTable || type_ == kTypeRasterTable || type_ == kTypeAnnotations) return false;
    ComPtr<IDispatch> layers = EngineLayers();
    return EngineDispatch(layers.Get()).Get(E::Layers::kCount).ToLong() >= 1;
}

bool CZmaVadAZLayer::CanRemove() {
    if (owner_ && owner_->Current() == this) return false;
    return type_ != kTypeAnnotations && type_ != kTypeLines && type_ != kTypeMarker;
}

bool CZmaVadAZLayer::IsDatasetLayer() { return type_ == kTypeDataset; }

bool CZmaVadAZLayer::IsVectorKind() { return type_ != kTypeOtherTable && type_ != kTypeRasterTable; }

bool CZmaVadAZLayer::IsNormalTableLayer() { return type_ == kTypeTable; }

HRESULT CZmaVadAZLayer::SetVisible(bool visible) {
    visible_ = visible;
    if (type_ == kTypeDataset && owner_) {
        owner_->NotifyLayerVisibilityChanged();
        // The host may have removed this layer from its handler: its engine layer is gone then.
        if (!owner_->Contains(this)) return S_OK;
    }
    if (owner_ && !owner_->Host().IsScreenUpdating()) return S_OK;
    EngineDispatch layer(engineLayer_.Get());
    layer.Put(E::Layer::kVisible, EngineBool(visible));
    layer.Call(E::Layer::kInvalidate, {Variant::Missing()});
    return S_OK;
}

bool CZmaVadAZLayer::IsVisible() { return visible_; }

bool CZmaVadAZLayer::IsEditable() {
    if (!engineLayer_) return false;
    return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kEditable).ToBool();
}

bool CZmaVadAZLayer::IsSelectable() {
    if (!engineLayer_) return false;
    return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kSelectable).ToBool();
}

HRESULT CZmaVadAZLayer::SetSelectable(bool selectable) {
    EngineDispatch layer(engineLayer_.Get());
    // Only a change is written to the engine.
    if (layer.Get(E::Layer::kSelectable).ToBool() != selectable) layer.Put(E::Layer::kSelectable, EngineBool(selectable));
    return S_OK;
}

int CZmaVadAZLayer::GetExtent(IDispatch* rectangle) {
    if (!engineLayer_ || !rectangle) return 0;
    // Answers whether the rectangle was set, so that callers can zoom to a table's extent.
    return ReportingFailures([&] {
        ComPtr<IDispatch> bounds = GetObject(engineLayer_.Get(), E::Layer::kBounds);
        EngineDispatch from(bounds.Get());
        Variant xmin = from.Get(E::Rectangle::kXMin), ymin = from.Get(E::Rectangle::kYMin);
        Variant xmax = from.Get(E::Rectangle::kXMax), ymax = from.Get(E::Rectangle::kYMax);
        EngineDispatch(rectangle).Call(E::Rectangle::kSet, {Variant(xmin.ToDouble()), Variant(ymin.ToDouble()),
                                                             Variant(xmax.ToDouble()), Variant(ymax.ToDouble())});
        return 1;
    }, 0);
}

void CZmaVadAZLayer::SetZoomLayering(bool on) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(E::Layer::kZoomLayering, EngineBool(on)); });
}

bool CZmaVadAZLayer::GetZoomLayering() {
    if (!engineLayer_) return false;
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kZoomLayering).ToBool(); }, false);
}

double CZmaVadAZLayer::GetZoomMin() {
    if (!engineLayer_) return 0.0;
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kZoomMin).ToDouble(); }, 0.0);
}

void CZmaVadAZLayer::SetZoomMin(double zoom) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(E::Layer::kZoomMin, Variant(zoom)); });
}

double CZmaVadAZLayer::GetZoomMax() {
    if (!engineLayer_) return 0.0;
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kZoomMax).ToDouble(); }, 0.0);
}

void CZmaVadAZLayer::SetZoomMax(double zoom) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(E::Layer::kZoomMax, Variant(zoom)); });
}

void CZmaVadAZLayer::Search(ComPtr<IDispatch>& result, const std::wstring& query) {
    result = nullptr;
    if (query.empty()) return;
    ComPtr<IDispatch> find = GetObject(engineLayer_.Get(), E::Layer::kFind);
    result = AsDispatch(EngineDispatch(find.Get()).Call(E::Collection::kSearch, {Variant(query), Variant::Missing()}));
}

bool CZmaVadAZLayer::GetAutoLabel() {
    if (!engineLayer_) return false;
    return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kAutoLabel).ToBool();
}

void CZmaVadAZLayer::SetAutoLabel(bool on) { EngineDispatch(engineLayer_.Get()).Put(E::Layer::kAutoLabel, EngineBool(on)); }

CZmaVadAZLabelProperties* CZmaVadAZLayer::GetLabelProperties() { return &labels_; }

bool CZmaVadAZLayer::OnDrawUserLayer(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::Draw(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::DrawSecondPass(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::DrawLabels(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::HitTest(long, long, double, double) { return false; }
bool CZmaVadAZLayer::OnToolUsed(long, long, double, double) { return false; }
bool CZmaVadAZLayer::OnMouseUp(long, long, double, double) { return false; }
bool CZmaVadAZLayer::OnDoubleClick() { return false; }
bool CZmaVadAZLayer::OnKeyDown(short, short) { return false; }
void CZmaVadAZLayer::Redraw() {}
void CZmaVadAZLayer::SetCellColourField(const char*, int) {}

bool CZmaVadAZLayer::IsVisibleAtCurrentZoom() {
    if (!IsVisible()) return false;
    // The engine applies the zoom range of the layers it draws itself.
    if (!IsUserDrawn()) return true;
    EngineDispatch layer(engineLayer_.Get());
    if (!layer.Get(E::Layer::kZoomLayering).ToBool()) return true;
    double zoom = EngineDispatch(map_.Get()).Get(E::Map::kZoom).ToDouble();
    return layer.Get(E::Layer::kZoomMin).ToDouble() <= zoom && zoom <= layer.Get(E::Layer::kZoomMax).ToDouble();
}

void CZmaVadAZLayer::SetName(const std::string& name) {
    // A layer made of several engine layers (a list file) has no single engine name to change.
    const std::string unique = engineLayer_ ? FreeEngineLayerName(name) : name;
    name_ = unique;
    amendedName_ = unique;
    if (engineLayer_) EngineDispatch(engineLayer_.Get()).Put(E::Layer::kName, Variant(platform::ToWide(unique)));
}

int CZmaVadAZLayer::GetLayerPosition() {
    if (!engineLayer_) return -1;
    ComPtr<IUnknown> own;
    engineLayer_->QueryInterface(IID_IUnknown, own.PutVoid());
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    long count = list.Get(E::Layers::kCount).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant item = list.Call(E::Layers::kItem, {Variant(i)});
        ComPtr<IUnknown> identity;
        if ((item.vt == VT_DISPATCH || item.vt == VT_UNKNOWN) && item.punkVal)
            item.punkVal->QueryInterface(IID_IUnknown, identity.PutVoid());
        if (identity && identity.Get() == own.Get()) return static_cast<int>(i);
    }
    return -1;
}

// Layers that draw themselves keep their label visibility and zoom range in their own label
// settings, which come with the label settings dialog; until then only the engine's labels count.
void CZmaVadAZLayer::SetLabelsVisible(bool visible) {
    if (IsUserDrawn()) return;
    ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), E::Layer::kLabelProperties);
    EngineDispatch(labels.Get()).Put(E::Labels::kVisible, EngineBool(visible));
}

bool CZmaVadAZLayer::GetLabelsVisible() {
    if (IsUserDrawn()) return false;
    ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), E::Layer::kLabelProperties);
    return EngineDispatch(labels.Get()).Get(E::Labels::kVisible).ToBool();
}

bool CZmaVadAZLayer::IsWithinLabelZoom() { return GetLabelsVisible(); }

void CZmaVadAZLayer::SetOverrideStyle(bool on) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(E::Layer::kOverrideStyle, EngineBool(on)); });
}

bool CZmaVadAZLayer::GetOverrideStyle() {
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(E::Layer::kOverrideStyle).ToBool(); }, false);
}

void CZmaVadAZLayer::GetSelection(ComPtr<IDispatch>& selection) {
    selection = nullptr;
    EngineDispatch layer(engineLayer_.Get());
    if (layer.Get(E::Layer::kSelectable).ToBool()) selection = AsDispatch(layer.Get(E::Layer::kSelection));
}

HRESULT CZmaVadAZLayer::AddFeature(IDispatch* feature) {
    if (!engineLayer_) return E_UNEXPECTED;
    EngineDispatch(engineLayer_.Get()).Call(E::Layer::kAddFeature, {Variant(feature), Variant::Missing()});
    return S_OK;
}

void CZmaVadAZLayer::DeleteFeature(IDispatch* feature) {
    if (!engineLayer_) platform::ThrowHr(E_UNEXPECTED);
    EngineDispatch(engineLayer_.Get()).Call(E::Layer::kDeleteFeature, {Variant(feature)});
}

HRESULT CZmaVadAZLayer::GetAllFeatures(ComPtr<IDispatch>* features) {
    if (!features) return E_POINTER;
    if (!engineLayer_) return E_UNEXPECTED;
    try {
        *features = AsDispatch(EngineDispatch(engineLayer_.Get()).Call(E::Layer::kAllFeatures));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

ComPtr<IDispatch> CZmaVadAZLayer::GetFeature(long index) {
    if (!engineLayer_) return nullptr;
    ComPtr<IDispatch> features = AsDispatch(EngineDispatch(engineLayer_.Get()).Call(E::Layer::kAllFeatures));
    platform::ThrowIfNull(features.Get());
    return AsDispatch(EngineDispatch(features.Get()).Call(E::Collection::kFeatureItem, {Variant(index)}));
}

void CZmaVadAZLayer::SetAsInsertionLayer(IUnknown* object) {
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    EngineDispatch layer(engineLayer_.Get());
    if (object) {
        layer.Put(E::Layer::kEditable, EngineBool(true));
        list.Put(E::Layers::kInsertionLayer, Variant(engineLayer_.Get()));
    } else {
        list.Put(E::Layers::kInsertionLayer, Variant(static_cast<IDispatch*>(nullptr)));
        layer.Put(E::Layer::kEditable, EngineBool(false));
    }
}

std::string CZmaVadAZLayer::MakeUniqueName(const std::string& base, IDispatch* map) {
    ComPtr<IDispatch> layers = GetObject(platform::ThrowIfNull(map), E::Map::kLayers);
    EngineDispatch list(layers.Get());
    for (int k = 1;; ++k) {
        std::string candidate = base + std::to_string(k);
        try {
            if (!AsDispatch(list.Call(E::Layers::kItem, {Variant(platform::ToWide(candidate))}))) return candidate;
        } catch (const ComError&) {
            // The engine answers an unknown name with an error.
            return candidate;
        }
    }
}
