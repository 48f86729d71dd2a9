// The readers' trees for a geoset and a workspace that use what the files of the map engine's
// desktop world hold, and the path helpers the readers resolve table paths with.
#include "ZmaVOMap2/services/PathNames.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceGST.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceWOR.h"
#include "tests/workspaces/WorkspaceFixture.h"

using namespace workspacetest;
using Elements = std::vector<std::string>;

namespace {

TEST(PathNames, TablePathsAreResolvedAgainstAFolderOnly) {
    struct Case {
        const char *base, *path, *absolute;
    } cases[] = {
        {"C:\\maps\\", "roads.tab", "C:\\maps\\roads.tab"},
        {"C:\\maps\\", "sub\\roads.tab", "C:\\maps\\sub\\roads.tab"},
        {"C:\\maps\\", "..\\x\\roads.tab", "C:\\x\\roads.tab"},
        {"C:\\maps\\", "\\other\\roads.tab", "C:\\other\\roads.tab"},
        {"C:\\maps\\ws.wor", "roads.tab", "roads.tab"},  // a file, no folder: the path stays
        {"C:\\maps\\", "D:\\x\\roads.tab", "D:\\x\\roads.tab"},
        {"C:\\maps\\", "\\\\server\\share\\roads.tab", "\\\\server\\share\\roads.tab"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeAbsolutePath(c.base, c.path), c.absolute) << c.base << " + " << c.path;
    const std::string longName(300, 'x');
    EXPECT_EQ(MakeAbsolutePath("C:\\maps\\", longName), "C:\\maps\\" + longName);
    EXPECT_EQ(GetFolderOfPath("C:\\maps\\roads.tab"), "C:\\maps\\");
    EXPECT_EQ(GetFolderOfPath("roads.tab"), "");
    EXPECT_EQ(GetFileNameOfPath("C:\\maps\\roads.tab"), "roads.tab");
    EXPECT_EQ(GetFileNameOfPath("C:" + longName), longName);
}

class Readers : public WorkspaceTest {};

TEST_F(Readers, AGeosetGivesItsTablesLastFirstWithTheirOwnKeys) {
    const std::string sites = Tables() + "my.data\\sites.tab";
    const std::string path = WriteTownGeoset();
    CZmaVOMapXWorkspaceGST reader;
    EXPECT_EQ(Tree(reader, path),
              (Elements{sites + "|LayerSelectable=0|LabelVisibility=-1|MapUnits=mi",
                    Tables() + "maps\\sub\\parks.tab|LayerVisibility=0|LabelVisibility=-1|LabelFontAllCaps=0|"
                               "LabelFontExpanded=-1|LabelFontHalo=-1|MapUnits=mi|LayerOverrideForeColor=65280",
                    Tables() + "maps\\roads.tab|LayerVisibility=-1|LayerZoomMax=12.5|LayerZoomMin=0|LabelVisibility=-1|"
                               "LabelZoomMin=1|LabelZoomMax=3|LabelFontBold=-1|LabelFontItalic=-1|LabelFontUnderline=0|"
                               "LabelFontShadow=0|LabelDispInZoomRange=TRUE|MapUnits=mi|LayerOverride=-1|"
                               "LayerOverrideBorderColor=255|LayerDescription=Main \"A\" Roads"}));
    EXPECT_TRUE(Tree(reader, Tables() + "maps\\absent.gst").empty());
}

TEST_F(Readers, AWorkspaceGivesTheMapsLayersWithTheirClauses) {
    const std::string path = WriteTownWorkspace();
    CZmaVOMapXWorkspaceWOR reader;
    const std::string end = "|LabelVisibility=-1|LabelPartialSegments=0|LabelDispInZoomRange=0";
    EXPECT_EQ(Tree(reader, path),
              (Elements{Tables() + "maps\\rivers.TAB|LayerVisibility=-1|LabelVisibility=0|LabelPosition=7|LabelLineType=0|"
                               "LabelFontName=DejaVu Serif|LabelFontSize=12|LabelFontForeColor=0|LabelFontBold=-1|"
                               "LabelFontItalic=-1|LabelFontUnderline=0|LabelFontShadow=0|LabelFontAllCaps=0|"
                               "LabelFontExpanded=0|LabelFontHalo=0|LabelPartialSegments=0|LabelDispInZoomRange=0",
                    Tables() + "my.data\\sites.TAB|LayerVisibility=0|LayerZoomMax=5|LayerZoomMin=0" + end + "|MapUnits=m",
                    Tables() + "maps\\sub\\parks.TAB|LayerSelectable=0|LayerVisibility=-1|LayerZoomMax=2.5|"
                               "LayerZoomMin=0.5" + end + "|MapUnits=KM",
                    Tables() + "maps\\roads.TAB|LayerVisibility=-1|LayerZoomMax=50|LayerZoomMin=0|"
                               "LabelLayerWith=LANES|LabelAuto=0|LabelRotate=-1|LabelOverlap=-1|LabelDuplicates=0|"
                               "LabelVisibility=-1|LabelPosition=3|LabelOffset=4|LabelLineType=2|LabelZoomMin=1|"
                               "LabelZoomMax=20|LabelMaxNumber=50|LabelFontName=DejaVu Sans Mono|LabelFontSize=9|"
                               "LabelFontForeColor=255|LabelFontBackColor=16777215|LabelFontBold=-1|LabelFontItalic=0|"
                               "LabelFontUnderline=0|LabelFontShadow=0|LabelFontAllCaps=0|LabelFontExpanded=0|"
                               "LabelFontHalo=-1|LabelFontBox=0|LabelPartialSegments=-1|LabelDispInZoomRange=-1|"
                               "MapUnits=km|LayerOverride=-1|LayerOverrideForeColor=16711680|"
                               "LayerOverrideBackColor=65280|LayerOverrideBackColorOn=-1|LayerOverrideFillStyle=2|"
                               "LayerOverrideBorderColor=255|LayerOverrideBorderStyle=2|LayerOverrideBorderThickness=1"}));
    EXPECT_TRUE(Tree(reader, Tables() + "maps\\absent.wor").empty());
}

}  // namespace
