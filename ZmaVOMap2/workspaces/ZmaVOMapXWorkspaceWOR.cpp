#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceWOR.h"

#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/services/PathNames.h"
#include "ZmaVOMap2/workspaces/ImportReports.h"
#include "ZmaVOMap2/workspaces/LayerValues.h"
#include "platform/Result.h"

#include <boost/regex.hpp>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

using platform::ComPtr;
using namespace workspaces;

namespace {

// Files opened from files opened from the workspace, and so on, at most this deep.
constexpr int kMaxOpenDepth = 32;

void LogWarning(const std::string& text) {
    if (GlobalLogger().IsEnabledFor(platform::kLogLevelWarning))
        GlobalLogger().GetStream(platform::kLogLevelWarning, __FILE__, __LINE__) << text << std::endl;
}

// The table file a quoted path of an Open Table statement names: its extension (the text after
// the last dot of the file name, not of a folder) becomes ".TAB".
std::string TablePath(const std::string& folder, const std::string& quoted) {
    const size_t dot = quoted.rfind('.');
    const size_t separator = quoted.find_last_of("\\/");
    const bool extension = dot != std::string::npos && (separator == std::string::npos || dot > separator);
    return MakeAbsolutePath(folder, (extension ? quoted.substr(0, dot) : quoted) + ".TAB");
}

// The first line of every "Layer n" (n not followed by a further digit, so that the line of
// layer 12 is never taken for layer 1).
std::unordered_map<long, size_t> LayerLines(const TextLines& text) {
    static const std::string kLayer = "Layer ";
    std::unordered_map<long, size_t> lines;
    for (size_t i = 0; i < text.lines.size(); ++i) {
        const std::string& line = text.lines[i];
        for (size_t at = line.find(kLayer); at != std::string::npos; at = line.find(kLayer, at + 1)) {
            size_t end = at + kLayer.size();
            while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
            const size_t digits = end - at - kLayer.size();
            if (digits == 0 || digits > 9) continue;
            lines.emplace(std::strtol(line.c_str() + at + kLayer.size(), nullptr, 10), i);
        }
    }
    return lines;
}

// The position after the "(" that follows `at` after blanks; npos when none does.
size_t AfterOpening(const std::string& text, size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    return at < text.size() && text[at] == '(' ? at + 1 : std::string::npos;
}

// The comma-separated items between `open` (after a "(") and the next ")"; false without one.
bool Items(const std::string& text, size_t open, std::vector<std::string>& items, size_t* close = nullptr) {
    const size_t end = text.find(')', open);
    if (end == std::string::npos) return false;
    items.clear();
    size_t start = open;
    for (;;) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos || comma > end) {
            items.push_back(Trimmed(text.substr(start, end - start)));
            break;
        }
        items.push_back(Trimmed(text.substr(start, comma - start)));
        start = comma + 1;
    }
    if (close) *close = end;
    return true;
}

// A zoom range "(min, max) Units "km"" from the text after its "(": both numbers (with their
// fractions) and the unit between the first two quotes that follow (empty when there are none).
void ReadZoomRange(const std::string& text, size_t open, IXMLDOMElement* layer, const wchar_t* minimum,
                   const wchar_t* maximum) {
    std::vector<std::string> items;
    size_t close = 0;
    double low = 0, high = 0;
    if (!Items(text, open, items, &close) || items.size() < 2 || !LeadingNumber(items[0], low) ||
        !LeadingNumber(items[1], high))
        return;
    SetNumber(layer, minimum, low);
    SetNumber(layer, maximum, high);
    const size_t first = text.find('"', open);
    const size_t second = first == std::string::npos ? first : text.find('"', first + 1);
    SetText(layer, L"MapUnits", second == std::string::npos ? std::string() : text.substr(first + 1, second - first - 1));
}

struct Keyword {
    const char* text;
    const wchar_t* attribute;
    bool boolean;
};
const Keyword LayerClauseTable[] = {
    {"Auto ", L"LabelAuto", true},          {"Parallel ", L"LabelRotate", true},
    {"Overlap ", L"LabelOverlap", true},    {"Duplicates ", L"LabelDuplicates", true},
    {"With ", L"LabelLayerWith", false},    {"Offset ", L"LabelOffset", false},
    {"Selectable ", L"LayerSelectable", true}, {"Max ", L"LabelMaxNumber", false},
    {"PartialSegments ", L"LabelPartialSegments", true}};

struct Named {
    const char* text;
    short code;
};
const Named kPositions[] = {{"Above Right", 3}, {"Above Left", 1}, {"Above", 2},  {"Below Right", 8}, {"Below Left", 6},
                            {"Below", 7},       {"Left", 4},       {"Right", 5}, {"Center", 0}};
const Named kLineTypes[] = {{"None", 0}, {"Simple", 1}, {"Arrow", 2}};

struct StyleBit {
    long bit;
    const wchar_t* attribute;
};
const StyleBit kFontStyleBits[] = {{1, L"LabelFontBold"},     {2, L"LabelFontItalic"},     {4, L"LabelFontUnderline"},
                                   {32, L"LabelFontShadow"},  {256, L"LabelFontHalo"},     {512, L"LabelFontAllCaps"},
                                   {1024, L"LabelFontExpanded"}};
constexpr long kHaloBit = 256;

// One clause line of a layer block; every rule looks at the whole line.
void ReadClause(const std::string& line, IXMLDOMElement* layer, bool& labelVisibilityGiven) {
    for (const Keyword& k : LayerClauseTable) {
        const size_t at = line.find(k.text);
        if (at == std::string::npos) continue;
        const size_t start = at + std::strlen(k.text);
        const size_t space = line.find(' ', start);
        const std::string token =
            space == std::string::npos ? Trimmed(line.substr(start)) : line.substr(start, space - start);
        if (k.boolean)
            SetBool(layer, k.attribute, EqualNoCase(token, "ON"));
        else
            SetText(layer, k.attribute, token);
    }

    if (size_t at = line.find("Display "); at != std::string::npos) {
        // Every display mode but Off shows the layer.
        const std::string mode = line.substr(at + 8, line.find(' ', at + 8) - (at + 8));
        SetBool(layer, L"LayerVisibility",
                EqualNoCase(mode, "Graphic") || EqualNoCase(mode, "Global") || EqualNoCase(mode, "Value"));
    }

    const size_t visibility = line.find("Visibility ");
    if (visibility == std::string::npos) {
        for (size_t at = line.find("Zoom"); at != std::string::npos; at = line.find("Zoom", at + 1)) {
            const size_t open = AfterOpening(line, at + 4);
            if (open == std::string::npos) continue;
            ReadZoomRange(line, open, layer, L"LayerZoomMin", L"LayerZoomMax");
            break;
        }
    }

    if (size_t at = line.find("Global Pen ("); at != std::string::npos) {
        SetBool(layer, L"LayerOverride", true);
        std::vector<std::string> pen, brush;
        size_t close = 0;
        if (Items(line, at + 12, pen, &close) && pen.size() >= 3) {
            SetInteger(layer, L"LayerOverrideBorderThickness", LeadingInteger(pen[0]));
            SetInteger(layer, L"LayerOverrideBorderStyle", LeadingInteger(pen[1]));
            SetInteger(layer, L"LayerOverrideBorderColor", LeadingInteger(pen[2]));
            const size_t brushAt = line.find("Brush (", close);
            if (brushAt != std::string::npos && Items(line, brushAt + 7, brush)) {
                // Pattern, fore colour, and a back colour only where the pattern has one.
                SetInteger(layer, L"LayerOverrideFillStyle", LeadingInteger(brush[0]));
                if (brush.size() >= 2) {
                    SetInteger(layer, L"LayerOverrideForeColor", LeadingInteger(brush[1]));
                    if (brush.size() >= 3) SetInteger(layer, L"LayerOverrideBackColor", LeadingInteger(brush[2]));
                    SetBool(layer, L"LayerOverrideBackColorOn", brush.size() >= 3);
                }
            }
        }
    }

    if (size_t at = line.find("Position "); at != std::string::npos) {
        const std::string after = line.substr(at + 9);
        for (const Named& p : kPositions) {
            if (after.find(p.text) == std::string::npos) continue;
            SetInteger(layer, L"LabelPosition", p.code);
            break;
        }
    }

    if (visibility != std::string::npos) {
        const size_t at = visibility + 11;
        if (StartsWithNoCase(line, at, "on")) {
            SetBool(layer, L"LabelVisibility", true);
            SetBool(layer, L"LabelDispInZoomRange", false);
            labelVisibilityGiven = true;
        } else if (StartsWithNoCase(line, at, "off")) {
            SetBool(layer, L"LabelVisibility", false);
            SetBool(layer, L"LabelDispInZoomRange", false);
            labelVisibilityGiven = true;
        } else if (StartsWithNoCase(line, at, "zoom")) {
            const size_t open = AfterOpening(line, at + 4);
            if (open != std::string::npos) {
                // Labels shown within a zoom range are visible labels: the range alone decides where.
                SetBool(layer, L"LabelDispInZoomRange", true);
                SetBool(layer, L"LabelVisibility", true);
                ReadZoomRange(line, open, layer, L"LabelZoomMin", L"LabelZoomMax");
                labelVisibilityGiven = true;
            }
        }
    }

    if (size_t at = line.find("Label Line "); at != std::string::npos) {
        const std::string after = line.substr(at + 11);
        for (const Named& t : kLineTypes)
            if (after.find(t.text) != std::string::npos) SetInteger(layer, L"LabelLineType", t.code);
    }

    if (size_t at = line.find("Font ("); at != std::string::npos) {
        const size_t nameStart = line.find('"', at + 6);
        const size_t nameEnd = nameStart == std::string::npos ? nameStart : line.find('"', nameStart + 1);
        std::vector<std::string> items;
        // The items after the name: "", style, size, fore colour [, back colour].
        if (nameEnd != std::string::npos && Items(line, nameEnd + 1, items) && items.size() >= 4) {
            SetText(layer, L"LabelFontName", line.substr(nameStart + 1, nameEnd - nameStart - 1));
            const long style = LeadingInteger(items[1]);
            for (const StyleBit& b : kFontStyleBits) SetBool(layer, b.attribute, (style & b.bit) != 0);
            SetInteger(layer, L"LabelFontSize", LeadingInteger(items[2]));
            SetInteger(layer, L"LabelFontForeColor", LeadingInteger(items[3]));
            if (items.size() >= 5) {
                SetInteger(layer, L"LabelFontBackColor", LeadingInteger(items[4]));
                SetBool(layer, L"LabelFontBox", (style & kHaloBit) == 0);
            }
        }
    }
}

}  // namespace

// The expressions of the statement pass, compiled once per workspace, and the files read so far.
struct CZmaVOMapXWorkspaceWOR::StatementPass {
    const boost::regex openAs{R"re(Open\s+Table\s+"([^"]+)".*As\s+([^\s]+)\s*.*)re"};
    const boost::regex open{R"re(Open\s+Table\s+"([^"]+)".*)re"};
    const boost::regex mapFrom{R"re(Map\s+From\s+(.*))re"};
    const boost::regex continuation{R"re(\s+(.*))re"};
    const boost::regex separator{R"re([,\s]+)re"};
    const boost::regex position{R"re(\s+Position\s+\(.*)re"};
    const boost::regex width{R"re(\s+Width\s+\(.*)re"};
    std::set<std::string> named;                     // upper-case paths of the files met so far
    std::map<FileIdentity, std::string> read;        // the files read, with the path each was read by
    bool otherNameTold = false;
    int depth = 0;
};

void CZmaVOMapXWorkspaceWOR::ParseStatements(const std::string& folder, const std::string& file,
                                             const std::string& opener, AliasMap& aliases,
                                             std::vector<std::string>& names, StatementPass& pass) {
    const std::string path = MakeAbsolutePath(folder, file);
    // A file that opens itself, directly or through others, is read once.
    if (!pass.named.insert(UpperCase(path)).second) {
        LogWarning("The workspace file " + path + " is opened again and read only once");
        return;
    }
    if (pass.depth >= kMaxOpenDepth) {
        LogWarning("The workspace file " + path + " lies too deep in opened files and is not read");
        return;
    }
    if (!AcceptNamedFile(path)) return;
    platform::UniqueFile handle = OpenTextFile(path);
    if (!handle) {
        TellUnreadableFile(path, opener);
        return;
    }
    // A folder that links to itself names one file in ever new ways: the file, not its name,
    // is read once.
    FileIdentity identity;
    if (IdentityOf(handle.Get(), identity)) {
        auto [first, fresh] = pass.read.emplace(identity, path);
        if (!fresh) {
            ReportOtherName(first->second, path, pass);
            return;
        }
    }
    TextLines text;
    ReadTextLines(handle.Get(), text);
    if (text.cutLines)
        LogWarning(std::to_string(text.cutLines) + " lines of " + path + " were longer than " +
                   std::to_string(kMaxLineLength) + " characters and were cut");

    bool inList = false;
    auto takeNames = [&](const std::string& list) {
        inList = true;
        boost::sregex_token_iterator piece(list.begin(), list.end(), pass.separator, -1), end;
        for (; piece != end; ++piece)
            if (piece->length() > 0) names.push_back(piece->str());
        if (names.size() == aliases.size()) inList = false;
    };
    for (const std::string& line : text.lines) {
        try {
            boost::smatch m;
            if (boost::regex_search(line, m, pass.openAs) && m[2].matched) {
                aliases.emplace(m[2].str(), TablePath(folder, m[1].str()));
            } else if (boost::regex_search(line, m, pass.open)) {
                const std::string table = TablePath(folder, m[1].str());
                ++pass.depth;
                ParseStatements(GetFolderOfPath(table), GetFileNameOfPath(table), path, aliases, names, pass);
                --pass.depth;
            } else if (boost::regex_search(line, m, pass.mapFrom)) {
                takeNames(m[1].str());
            } else if (inList) {
                if (boost::regex_match(line, pass.position) || boost::regex_match(line, pass.width) ||
                    !boost::regex_search(line, m, pass.continuation))
                    inList = false;
                else
                    takeNames(m[1].str());
            }
        } catch (const std::runtime_error& e) {
            // An expression that gives up on a line (too complex to match) costs only that line.
            LogWarning("A line of " + path + " was passed over: " + e.what());
        }
    }
}

void CZmaVOMapXWorkspaceWOR::ReportOtherName(const std::string& first, const std::string& again, StatementPass& pass) {
    LogWarning("The workspace file " + first + " is reached again as " + again + " and read only once");
    // Told once: every further name of a linked folder would add a message of its own.
    if (pass.otherNameTold) return;
    pass.otherNameTold = true;
    platform::Prompts().MessageBox(nullptr,
                                   L"The workspace file " + platform::ToWide(first) + L" is reached again as " +
                                       platform::ToWide(again) +
                                       L", through a folder link or another name of the file.\nIt is read only once.",
                                   L"Map Module - Add new layer", MB_OK | MB_ICONWARNING);
}

bool CZmaVOMapXWorkspaceWOR::ParseLayerClauses(const ClauseFile& file, long number, IXMLDOMElement* layer) {
    bool read = false;
    try {
        bool labelVisibilityGiven = false;
        auto found = file.layerLines.find(number);
        if (found != file.layerLines.end()) {
            const std::vector<std::string>& lines = file.text.lines;
            const size_t indentation = Indentation(lines[found->second]);
            for (size_t i = found->second + 1; i < lines.size() && Indentation(lines[i]) > indentation; ++i)
                ReadClause(lines[i], layer, labelVisibilityGiven);
        }
        if (!HasValue(layer, L"LabelPartialSegments")) SetBool(layer, L"LabelPartialSegments", false);
        if (!labelVisibilityGiven) {
            SetBool(layer, L"LabelVisibility", true);
            SetBool(layer, L"LabelDispInZoomRange", false);
        }
        read = true;
    }
    COM_CATCH_LOG();
    return read;
}

bool CZmaVOMapXWorkspaceWOR::Load(const std::string& folder, const std::string& path, IXMLDOMElement* workspace) {
    if (!workspace || folder.empty() || path.empty() || !AcceptNamedFile(path)) return false;
    bool read = false;
    try {
        StatementPass pass;
        AliasMap aliases;
        std::vector<std::string> names;
        ParseStatements(folder, path, "", aliases, names, pass);

        ClauseFile file;
        if (!ReadTextLines(path, file.text)) return false;
        file.layerLines = LayerLines(file.text);
        // The map's last layer first: each new layer goes on top of the map.
        for (size_t i = names.size(); i-- > 0;) {
            auto alias = aliases.find(names[i]);
            // Either still counts for the numbering.
            if (alias == aliases.end() || !AcceptNamedFile(alias->second)) continue;
            ComPtr<IXMLDOMElement> layer = NewLayerElement(workspace);
            SetText(layer.Get(), L"LayerPath", alias->second);
            if (ParseLayerClauses(file, static_cast<long>(i + 1), layer.Get())) AppendLayerElement(workspace, layer.Get());
        }
        read = true;
    }
    COM_CATCH_LOG();
    return read;
}
