// The workspace reader. A workspace is a text file of statements: "Open Table" says which table
// file an alias stands for, "Map From" (with its indented continuation lines) which aliases the
// map window shows, top first, and the indented clauses under a "Layer n" line of the map's
// settings give layer n's display, zoom range, override style and labels. Each alias the map
// shows becomes one "Layer" element; everything else in the file is passed over.
#pragma once

#include "ZmaVOMap2/workspaces/TextLines.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspace.h"

#include <map>
#include <unordered_map>
#include <vector>

class CZmaVOMapXWorkspaceWOR : public CZmaVOMapXWorkspace {
public:
    // Table paths by alias; aliases are compared without case, and the first definition wins.
    using AliasMap = std::map<std::string, std::string, workspaces::NoCaseLess>;

    // Elements are appended from the map's last layer to its first, so that the first ends on top.
    bool Load(const std::string& folder, const std::string& path, IXMLDOMElement* workspace) override;

private:
    struct StatementPass;
    // The file the clauses are read from, with the first line of each "Layer n".
    struct ClauseFile {
        workspaces::TextLines text;
        std::unordered_map<long, size_t> layerLines;
    };

    // The statements of one file, and of the files it opens without an alias, each read once
    // whatever name it is reached by. `opener` is the file whose statement opens this one, ""
    // for the workspace itself.
    void ParseStatements(const std::string& folder, const std::string& file, const std::string& opener,
                         AliasMap& aliases, std::vector<std::string>& names, StatementPass& pass);
    // Logs that the file read as `first` is reached again as `again`; the first time in a
    // workspace, tells the user too.
    static void ReportOtherName(const std::string& first, const std::string& again, StatementPass& pass);
    // The clauses of layer `number` into its element; false when they could not be read.
    static bool ParseLayerClauses(const ClauseFile& file, long number, IXMLDOMElement* layer);
};
