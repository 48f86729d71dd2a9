// A layer's settings element: its engine layer's properties, style facets and labels, and the
// annotation table's own files embedded as text.
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/persistence/LabelPropertiesPersistence.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/persistence/PersistentStyle.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "HostInterfaces.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

// The style facets of an engine layer, chosen by its predominant feature kind: regions, lines,
// symbols, text, or all four for mixed tables.
std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> StyleFacetsOf(CZmaVadAZLayer& layer) {
    std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> facets;
    const long kind = EngineDispatch(layer.GetMapXLayer().Get()).Get(Engine::Layer::kPredominantFeatureType).ToLong();
    namespace Kind = Engine::FeatureType;
    const bool all = kind == Kind::kMixed || kind == Kind::kUnknown || kind == Kind::kNull;
    if (kind == Kind::kRegion || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentRegionStyle>());
    if (kind == Kind::kLine || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentLineStyle>());
    if (kind == Kind::kSymbol || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentFontStyle>());
    if (kind == Kind::kText || all) facets.push_back(std::make_unique<CZmaVOMapXPersistentTextStyle>());
    return facets;
}

// The files of a table's set in its folder (TableFileNames), without the ".tmp" placeholders.
std::vector<std::string> TableFileSet(const std::string& folder, const std::string& base) {
    std::vector<std::string> names;
    for (const std::wstring& name : TableFileNames(platform::ToWide(folder), platform::ToWide(base)))
        names.push_back(platform::ToAnsi(name));
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

}  // namespace

HRESULT CZmaVadAZLayer::SaveSettings(IXMLDOMNode* parent) {
    using namespace persistxml;
    using platform::SetAttribute;
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(parent, L"Layer");
    SetAttribute(element.Get(), L"layertype", LongText(type_));
    if (!engineLayer_) platform::ThrowHr(E_POINTER);
    EngineDispatch layer(engineLayer_.Get());
    SetAttribute(element.Get(), L"layerfilespec", layer.Get(Engine::Layer::kFileSpec).ToWide());
    if (IsSelectableKind())
        SetAttribute(element.Get(), L"selectable", BoolText(layer.Get(Engine::Layer::kSelectable).ToBool()));
    if (IsEditableKind())
        SetAttribute(element.Get(), L"editable", BoolText(layer.Get(Engine::Layer::kEditable).ToBool()));
    SetAttribute(element.Get(), L"visible", BoolText(visible_));
    SetAttribute(element.Get(), L"layerautolabel", BoolText(layer.Get(Engine::Layer::kAutoLabel).ToBool()));
    SetAttribute(element.Get(), L"layerdrawlabelsafter", BoolText(layer.Get(Engine::Layer::kDrawLabelsAfter).ToBool()));
    SetAttribute(element.Get(), L"layerzoomlayering", BoolText(layer.Get(Engine::Layer::kZoomLayering).ToBool()));
    SetAttribute(element.Get(), L"layerzoommin", platform::FormatDouble(layer.Get(Engine::Layer::kZoomMin).ToDouble()));
    SetAttribute(element.Get(), L"layerzoommax", platform::FormatDouble(layer.Get(Engine::Layer::kZoomMax).ToDouble()));
    const bool overrideStyle = layer.Get(Engine::Layer::kOverrideStyle).ToBool();
    SetAttribute(element.Get(), L"layeroverridestyle", BoolText(overrideStyle));
    SetAttribute(element.Get(), L"amendedlayername", platform::ToWide(amendedName_));

    if (overrideStyle) {
        ComPtr<IDispatch> style = platform::RequireDispatch(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kStyle));
        for (auto& facet : StyleFacetsOf(*this)) THROW_IF_FAILED(facet->Save(style.Get(), element.Get()));
    }
    if (HasFeatures()) {
        ComPtr<IXMLDOMElement> labels = platform::CreateChildElement(element.Get(), L"LabelSettings");
        if (userDrawn_) {
            const long unit = EngineDispatch(map_.Get()).Get(Engine::Map::kDistanceUnit).ToLong();
            THROW_IF_FAILED(labels_.Save(labels.Get(), unit));
        } else {
            ComPtr<IDispatch> engineLabels = platform::RequireDispatch(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kLabelProperties));
            THROW_IF_FAILED(SaveLabelProperties(engineLabels.Get(), labels.Get()));
        }
    }
    return type_ == kTypeAnnotations ? SaveAnnotationFiles(element.Get()) : S_OK;
}

HRESULT CZmaVadAZLayer::LoadSettings(IXMLDOMElement* element, long labelArgument) {
    using namespace persistxml;
    type_ = static_cast<int>(RequireLong(element, L"layertype"));
    if (type_ == kTypeAnnotations && FAILED(LoadAnnotationFiles(element))) return E_FAIL;
    if (!engineLayer_) return E_UNEXPECTED;

    EngineDispatch layer(engineLayer_.Get());
    if (IsSelectableKind()) layer.Put(Engine::Layer::kSelectable, Variant(RequireBool(element, L"selectable")));
    if (IsEditableKind()) layer.Put(Engine::Layer::kEditable, Variant(RequireBool(element, L"editable")));
    layer.Put(Engine::Layer::kVisible, Variant(RequireBool(element, L"visible")));
    visible_ = layer.Get(Engine::Layer::kVisible).ToBool();
    layer.Put(Engine::Layer::kAutoLabel, Variant(RequireBool(element, L"layerautolabel")));
    layer.Put(Engine::Layer::kDrawLabelsAfter, Variant(RequireBool(element, L"layerdrawlabelsafter")));
    layer.Put(Engine::Layer::kZoomLayering, Variant(RequireBool(element, L"layerzoomlayering")));
    // A zoom the map cannot use (NaN, an infinity, below 0) leaves the layer's own, as every
    // unusable number of a document does.
    double zoom = 0;
    if (RequireNumberWithin(element, L"layerzoommin", 0.0, DBL_MAX, zoom)) layer.Put(Engine::Layer::kZoomMin, Variant(zoom));
    if (RequireNumberWithin(element, L"layerzoommax", 0.0, DBL_MAX, zoom)) layer.Put(Engine::Layer::kZoomMax, Variant(zoom));
    layer.Put(Engine::Layer::kOverrideStyle, Variant(RequireBool(element, L"layeroverridestyle")));

    if (layer.Get(Engine::Layer::kOverrideStyle).ToBool()) {
        ComPtr<IDispatch> style = platform::RequireDispatch(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kStyle));
        for (auto& facet : StyleFacetsOf(*this)) THROW_IF_FAILED(facet->Load(style.Get(), element));
    }
    if (ComPtr<IXMLDOMElement> labels = SelectElement(element, L"LabelSettings")) {
        if (userDrawn_) {
            THROW_IF_FAILED(labels_.Load(labels.Get(), labelArgument));
        } else {
            ComPtr<IDispatch> engineLabels = platform::RequireDispatch(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kLabelProperties));
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

    const std::string spec = platform::ToAnsi(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kFileSpec).ToWide());
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
    // However the load ends, the table's files and the name's placeholder go with this layer.
    ownTable_ = unique;

    ComPtr<IXMLDOMNodeList> files = persistxml::SelectNodes(element, L"AnnotationFiles");
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
    if (!Create(kTypeAnnotations, unique)) return E_FAIL;
    // The engine names the layer after its table, a temporary file of a new name at each load: the
    // layer is the map's "Annotations" again, which its saved order and the user know it by. The
    // name it is saved under stays the one the user gave it, if any.
    const std::string name = FreeEngineLayerName("Annotations");
    EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kName, Variant(platform::ToWide(name)));
    SetNameOnly(name);
    return S_OK;
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
