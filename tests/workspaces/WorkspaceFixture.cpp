#include "tests/workspaces/WorkspaceFixture.h"

#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/services/PathNames.h"
#include "platform/Xml.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cstdio>

using platform::ComPtr;
using platform::Variant;

namespace workspacetest {

void WorkspaceTest::SetUp() {
    LayerTest::SetUp();
    GlobalLogger().Open(kControlLogChannel, "");  // as the control binds it
    testsupport::ClearHostLog();
}

std::string WorkspaceTest::Tables() {
    return platform::ToAnsi(testsupport::WinePath(testsupport::RunFolder(WORKSPACE_TABLES_UNIX).c_str())) + "\\";
}

std::string WorkspaceTest::WriteFile(const std::string& name, const std::vector<std::string>& lines,
                                     const std::string& lineEnd, bool endLast) {
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) bytes += lines[i] + (i + 1 < lines.size() || endLast ? lineEnd : "");
    const std::string path = Tables() + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

std::string WorkspaceTest::WriteTownGeoset() {
    const std::string sites = Tables() + "my.data\\sites.tab";
    return WriteFile("maps\\town.gst", {
        "!GEOSET", "!VERSION 100", "\"\\GEOSET\\NAME\" = \"Town\"",
        "\"\\TABLE\\1\\FILE\" = \"roads.tab\"",
        "\"\\TABLE\\1\\ISVISIBLE\" = \"TRUE\"",
        "\"\\TABLE\\1\\DESCRIPTION\" = \"Main \"A\" Roads\"",
        "\"\\TABLE\\1\\ZOOM\\MIN\" = \"0\"",
        "\"\\TABLE\\1\\ZOOM\\MAX\" = \"12.5\"",
        "\"\\TABLE\\1\\LABEL\\ZOOM\\MIN\" = \"1\"",
        "\"\\TABLE\\1\\LABEL\\ZOOM\\MAX\" = \"3\"",
        "\"\\TABLE\\1\\LABEL\\ZOOM\" = \"TRUE\"",
        "\"\\TABLE\\1\\LABEL\\FONT\\STYLE\" = \"3\"",
        "\"\\TABLE\\1\\DISPLAY\\PEN\\COLOR\" = \"255\"",
        "\"\\TABLE\\2\\FILE\" = \"sub\\parks.tab\"",
        "\"\\table\\2\\isvisible\" = \"false\"",
        // Indented lines are no settings and name no table.
        "  \"\\TABLE\\2\\SELECTABLE\" = \"FALSE\"",
        "\t\"\\TABLE\\3\\FILE\" = \"rivers.tab\"",
        "\"\\TABLE\\2\\LABEL\\FONT\\STYLE\" = \"300\"",  // no style: left out, the other keys count
        "\"\\TABLE\\2\\AUTOLABEL\" = \"maybe\"",
        "\"\\TABLE\\2\\LABEL\\FONT\\EXTSTYLE\" = \"5\"",
        "\"\\TABLE\\2\\DISPLAY\\BRUSH\\FORECOLOR\" = \"65280\"",
        "\"\\TABLE\\10\\FILE\" = \"" + sites + "\"",
        "\"\\TABLE\\10\\SELECTABLE\" = \"FALSE\""}, "\r\n", false);
}

std::string WorkspaceTest::WriteTownWorkspace() {
    WriteFile("maps\\loop.TAB", {"Open Table \"loop.tab\" Interactive", "Open Table \"rivers.tab\" As Rivers Interactive"});
    return WriteFile("maps\\town.wor", {
        "!Workspace", "!Version 650", "!Charset WindowsLatin1",
        "Open Table \"roads.tab\" As Roads Interactive",
        "Open Table \"roads2.tab\" As Roads Interactive",
        "Open Table \"sub\\parks.TAB\" As Parks Interactive",
        "Open Table \"" + Tables() + "my.data\\sites.tab\" As Sites Interactive",
        "Open Table \"" + Tables() + "maps\\loop.TAB\" Interactive",
        "Map From ROADS, parks,",
        "  Sites, Rivers, Nowhere",
        "  Position (0.05,0.05) Units \"in\"",
        "  Width 6 Units \"in\" Height 4 Units \"in\"",
        "Set Map",
        "  Layer 1",
        "    Display Graphic",
        "    Zoom (0, 50) Units \"km\"",
        "    Global Pen (1,2,255) Brush (2,16711680,65280)",
        "    Label Line Arrow Position Above Right Font (\"DejaVu Sans Mono\",257,9,255,16777215) Pen (1,2,0)",
        "      With LANES Parallel On Auto Off Overlap On Duplicates Off Offset 4 Max 50 PartialSegments On",
        "      Visibility Zoom (1, 20) Units \"km\"",
        "  Layer 2",
        "    Display Global",
        "    Zoom(0.5,2.5) Units \"KM\"",
        "    Selectable Off",
        "  Layer 3",
        "    Display Off",
        "    Zoom (0, 5) Units \"m\"",
        "  Layer 4",
        "    Display Value",
        "    Label Line None Position Below Font (\"DejaVu Serif\",3,12,0) Pen (1,2,0)",
        "      Visibility Off",
        "  Layer 5",
        "    Display Graphic"});
}

std::vector<std::string> WorkspaceTest::Tree(CZmaVOMapXWorkspace& reader, const std::string& path) {
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> workspace;
    document->createElement(platform::Bstr(L"Workspace").Get(), workspace.Put());
    reader.Load(GetFolderOfPath(path), path, workspace.Get());
    std::vector<std::string> tree;
    ComPtr<IXMLDOMNodeList> layers;
    workspace->selectNodes(platform::Bstr(L"Layer").Get(), layers.Put());
    long count = 0;
    layers->get_length(&count);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        layers->get_item(i, node.Put());
        ComPtr<IXMLDOMElement> element;
        node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        std::wstring value;
        platform::GetAttribute(element.Get(), L"LayerPath", value);
        std::string text = platform::ToAnsi(value);
        for (const wchar_t* name : CZmaVOMapXWorkspace::LayerPropertyNames)
            if (platform::GetAttribute(element.Get(), name, value))
                text += "|" + platform::ToAnsi(name) + "=" + platform::ToAnsi(value);
        tree.push_back(text);
    }
    return tree;
}

bool WorkspaceTest::Open(CZmaVOMapXWorkspace& reader, const std::string& path) {
    reader.SetTarget([](void* context, CZmaVadAZLayer* layer) {
        static_cast<WorkspaceTest*>(context)->added_.push_back(layer->GetName());
    }, this);
    return reader.Open(GetFolderOfPath(path), path, *layers_);
}

Variant WorkspaceTest::Get(IDispatch* object, DISPID id) { return EngineDispatch(object).Get(id); }

ComPtr<IDispatch> WorkspaceTest::Object(IDispatch* object, DISPID id) {
    Variant value = Get(object, id);
    return value.vt == VT_DISPATCH ? ComPtr<IDispatch>(value.pdispVal) : nullptr;
}

ComPtr<IDispatch> WorkspaceTest::EngineLayer(const char* name) const {
    CZmaVadAZLayer* layer = layers_->FindLayerByName(platform::ToWide(name));
    EXPECT_NE(layer, nullptr) << name;
    return layer ? layer->GetMapXLayer() : nullptr;
}

void WorkspaceTest::SetMapUnit(long unit) { EngineDispatch(map_.Get()).Put(Engine::Map::kDistanceUnit, Variant(unit)); }
long WorkspaceTest::MapUnit() const { return Get(map_.Get(), Engine::Map::kDistanceUnit).ToLong(); }

std::vector<std::wstring> WorkspaceTest::LogMessages() { return testsupport::HostLogLines(); }

}  // namespace workspacetest
