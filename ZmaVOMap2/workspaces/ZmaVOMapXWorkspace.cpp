#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspace.h"

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/workspaces/ImportReports.h"
#include "platform/Result.h"
#include "platform/Xml.h"

using platform::ComPtr;

const wchar_t* const CZmaVOMapXWorkspace::LayerPropertyNames[kLayerPropertyCount] = {
    L"LayerSelectable",        L"LayerEditable",        L"LayerVisibility",           L"LayerZoomMax",
    L"LayerZoomMin",           L"LabelLayerWith",       L"LabelAuto",                 L"LabelRotate",
    L"LabelOverlap",           L"LabelDuplicates",      L"LabelVisibility",           L"LabelPosition",
    L"LabelOffset",            L"LabelLineType",        L"LabelZoomMin",              L"LabelZoomMax",
    L"LabelMaxNumber",         L"LabelFontName",        L"LabelFontSize",             L"LabelFontForeColor",
    L"LabelFontBackColor",     L"LabelFontBold",        L"LabelFontItalic",           L"LabelFontUnderline",
    L"LabelFontShadow",        L"LabelFontAllCaps",     L"LabelFontExpanded",         L"LabelFontHalo",
    L"LabelFontBox",           L"LabelPartialSegments", L"LabelDispInZoomRange",      L"MapUnits",
    L"LayerOverride",          L"LayerOverrideForeColor", L"LayerOverrideBackColor",  L"LayerOverrideBackColorOn",
    L"LayerOverrideFillStyle", L"LayerOverrideBorderColor", L"LayerOverrideBorderStyle",
    L"LayerOverrideBorderThickness", L"LayerDescription"};

CZmaVOMapXWorkspace::CZmaVOMapXWorkspace()
    : unitAbbreviations_{{"mi", 0},  {"km", 1},  {"in", 2},  {"ft", 3},  {"yrd", 4},  {"mm", 5},  {"cm", 6},  {"mt", 7},   {"sft", 8},
             {"nmi", 9}, {"twp", 10}, {"pt", 11}, {"pica", 12}, {"deg", 13}, {"lnk", 30}, {"ch", 31}, {"rd", 32}} {}

CZmaVOMapXWorkspace::~CZmaVOMapXWorkspace() = default;

void CZmaVOMapXWorkspace::SetTarget(LayerAddedCallback callback, void* context) noexcept {
    callback_ = callback;
    context_ = context;
}

bool CZmaVOMapXWorkspace::FindUnit(const std::string& text, long& code) const {
    auto found = unitAbbreviations_.find(text);
    if (found == unitAbbreviations_.end()) return false;
    code = found->second;
    return true;
}

bool CZmaVOMapXWorkspace::Open(const std::string& folder, const std::string& path,
                               CZmaVadAZLayerCollection& layers) noexcept {
    bool opened = false;
    try {
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        ComPtr<IXMLDOMElement> workspace;
        THROW_IF_FAILED(document->createElement(platform::Bstr(L"Workspace").Get(), workspace.Put()));
        // The readers' refusals count among the import's messages too.
        workspaces::ImportReports reports(path);
        if (!Load(folder, path, workspace.Get()) && GlobalLogger().IsEnabledFor(platform::kLogLevelWarning))
            GlobalLogger().GetStream(platform::kLogLevelWarning, __FILE__, __LINE__)
                << "The workspace " << path << " could not be read whole" << std::endl;
        ApplyWorkspace(workspace.Get(), layers);
        reports.Finish();
        opened = true;
    }
    COM_CATCH_LOG();
    return opened;
}

bool CZmaVOMapXWorkspace::ApplyWorkspace(IXMLDOMElement* workspace, CZmaVadAZLayerCollection& layers) {
    try {
        ComPtr<IXMLDOMNodeList> nodes;
        THROW_IF_FAILED(platform::ThrowIfNull(workspace)->selectNodes(platform::Bstr(L"Layer").Get(), nodes.Put()));
        long count = 0;
        THROW_IF_FAILED(nodes->get_length(&count));
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> node;
            THROW_IF_FAILED(nodes->get_item(i, node.Put()));
            ComPtr<IXMLDOMElement> element;
            if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid()))) continue;
            std::wstring path;
            // Every reader writes the path; an element without one is no table of the file.
            if (!platform::GetAttribute(element.Get(), L"LayerPath", path)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
            CZmaVadAZLayer* layer = layers.AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, platform::ToAnsi(path).c_str());
            if (!layer) continue;  // the collection has told the user
            ApplyLayer(element.Get(), *layer);
            if (callback_) callback_(context_, layer);
        }
    }
    COM_CATCH_LOG();
    return false;
}
