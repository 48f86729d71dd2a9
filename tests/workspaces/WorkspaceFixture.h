// Workspaces and geosets written beside the tables GDAL made, read by the readers and opened into
// a collection over the engine stand-in.
#pragma once

#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspace.h"
#include "tests/layers/LayerFixture.h"

#include <string>
#include <vector>

namespace workspacetest {

class WorkspaceTest : public layertest::LayerTest {
protected:
    // This run's folder of the GDAL tables as Wine sees it, ending in a backslash; "maps\roads.tab" and so on.
    static std::string Tables();
    // Writes a file of `lines` under the tables' folder, each ended by `lineEnd`, the last one
    // only when `endLast`; answers its path.
    static std::string WriteFile(const std::string& name, const std::vector<std::string>& lines,
                                 const std::string& lineEnd = "\n", bool endLast = true);
    // A geoset of three tables (CRLF line ends, none after the last line) and a workspace whose
    // map shows four tables, with their settings.
    static std::string WriteTownGeoset();
    static std::string WriteTownWorkspace();
    // The reader's tree: per "Layer" element "path|name=value|..." with the names in order.
    static std::vector<std::string> Tree(CZmaVOMapXWorkspace& reader, const std::string& path);
    // Opens a file through the import framework into the collection; the callback records the
    // names of the layers as they come.
    bool Open(CZmaVOMapXWorkspace& reader, const std::string& path);

    // An engine property of an object, and the objects of a layer.
    static platform::Variant Get(IDispatch* object, DISPID id);
    static platform::ComPtr<IDispatch> Object(IDispatch* object, DISPID id);
    platform::ComPtr<IDispatch> EngineLayer(const char* name) const;
    void SetMapUnit(long unit);
    long MapUnit() const;
    // Messages the control logged since the test began.
    static std::vector<std::wstring> LogMessages();

    void SetUp() override;

    std::vector<std::string> added_;
};

}  // namespace workspacetest
