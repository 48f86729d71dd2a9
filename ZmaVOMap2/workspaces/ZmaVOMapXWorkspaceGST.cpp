#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceGST.h"

#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/services/PathNames.h"
#include "ZmaVOMap2/workspaces/ImportReports.h"
#include "ZmaVOMap2/workspaces/LayerValues.h"
#include "ZmaVOMap2/workspaces/TextLines.h"
#include "platform/Result.h"

#include <climits>
#include <iterator>
#include <map>

using platform::ComPtr;
using namespace workspaces;

namespace {

enum class ValueType { kBoolean, kText, kDouble, kInteger32, kInteger64 };

struct GeosetKey {
    const char* key;
    const wchar_t* attribute;  // null: read and ignored
    ValueType type;
};

const GeosetKey GeosetKeyTable[] = {
    {"ISVISIBLE", L"LayerVisibility", ValueType::kBoolean},
    {"AUTOLABEL", L"LabelAuto", ValueType::kBoolean},
    {"SHOWLINEDIRECTION", nullptr, ValueType::kBoolean},
    {"SHOWNODES", nullptr, ValueType::kBoolean},
    {"SHOWCENTROIDS", nullptr, ValueType::kBoolean},
    {"SELECTABLE", L"LayerSelectable", ValueType::kBoolean},
    {"EDITABLE", L"LayerEditable", ValueType::kBoolean},
    {"DESCRIPTION", L"LayerDescription", ValueType::kText},
    {"ZOOM\\MIN", L"LayerZoomMin", ValueType::kDouble},
    {"ZOOM\\MAX", L"LayerZoomMax", ValueType::kDouble},
    {"LABEL\\DUPLICATE", L"LabelDuplicates", ValueType::kBoolean},
    {"LABEL\\LINETYPE", L"LabelLineType", ValueType::kInteger32},
    {"LABEL\\OFFSET", L"LabelOffset", ValueType::kInteger32},
    {"LABEL\\OVERLAP", L"LabelOverlap", ValueType::kBoolean},
    {"LABEL\\POSITION", L"LabelPosition", ValueType::kInteger32},
    {"LABEL\\PARTIALSEGMENTS", L"LabelPartialSegments", ValueType::kBoolean},
    {"LABEL\\MAXLABELS", L"LabelMaxNumber", ValueType::kInteger32},
    {"LABEL\\ZOOM\\MIN", L"LabelZoomMin", ValueType::kDouble},
    {"LABEL\\ZOOM\\MAX", L"LabelZoomMax", ValueType::kDouble},
    {"LABEL\\ZOOM", L"LabelDispInZoomRange", ValueType::kText},
    {"LABEL\\FONT\\DESCRIPTION", L"LabelFontName", ValueType::kText},
    {"LABEL\\FONT\\SIZE", L"LabelFontSize", ValueType::kInteger32},
    {"LABEL\\FONT\\FORECOLOR", L"LabelFontForeColor", ValueType::kInteger32},
    {"LABEL\\FONT\\BACKCOLOR", L"LabelFontBackColor", ValueType::kInteger32},
    {"LABEL\\FONT\\OPAQUE", L"LabelFontBox", ValueType::kInteger32},
    {"DISPLAY\\BRUSH\\PATTERN", L"LayerOverrideFillStyle", ValueType::kInteger32},
    {"DISPLAY\\BRUSH\\FORECOLOR", L"LayerOverrideForeColor", ValueType::kInteger64},
    {"DISPLAY\\BRUSH\\BACKCOLOR", L"LayerOverrideBackColor", ValueType::kInteger64},
    {"DISPLAY\\PEN\\LINESTYLE", L"LayerOverrideBorderStyle", ValueType::kInteger32},
    {"DISPLAY\\PEN\\LINEWIDTH", L"LayerOverrideBorderThickness", ValueType::kInteger32},
    {"DISPLAY\\PEN\\COLOR", L"LayerOverrideBorderColor", ValueType::kInteger64},
};

struct StyleBit {
    unsigned bit;
    const wchar_t* attribute;
};
const StyleBit kFontStyleBits[] = {
    {0x01, L"LabelFontBold"}, {0x02, L"LabelFontItalic"}, {0x04, L"LabelFontUnderline"}, {0x20, L"LabelFontShadow"}};
const StyleBit kFontExtStyleBits[] = {{0x01, L"LabelFontHalo"}, {0x02, L"LabelFontAllCaps"}, {0x04, L"LabelFontExpanded"}};

const char kTableKey[] = "\\TABLE\\";

// Writes `value` as its entry's type; a value that does not convert is left out.
void SetTyped(IXMLDOMElement* layer, const GeosetKey& entry, const std::string& value) {
    bool flag = false;
    double number = 0;
    long long integer = 0;
    switch (entry.type) {
    case ValueType::kBoolean:
        if (ParseBool(value, flag)) SetBool(layer, entry.attribute, flag);
        break;
    case ValueType::kText: SetText(layer, entry.attribute, value); break;
    case ValueType::kDouble:
        if (ParseNumber(value, number)) SetNumber(layer, entry.attribute, number);
        break;
    case ValueType::kInteger32:
        if (ParseInteger(value, LONG_MIN, LONG_MAX, integer)) SetInteger(layer, entry.attribute, integer);
        break;
    case ValueType::kInteger64:
        if (ParseInteger(value, LLONG_MIN / 2, LLONG_MAX / 2, integer)) SetInteger(layer, entry.attribute, integer);
        break;
    }
}

void SetStyleBits(IXMLDOMElement* layer, const std::string& value, const StyleBit* bits, size_t count) {
    long long style = 0;
    if (!ParseInteger(value, 0, 255, style)) return;  // not a style: the other settings still count
    for (size_t i = 0; i < count; ++i) SetBool(layer, bits[i].attribute, (style & bits[i].bit) != 0);
}

}  // namespace

bool CZmaVOMapXWorkspaceGST::SplitKeyValue(const std::string& line, std::string& key, std::string& value) {
    // A setting begins the line with its key: an indented line is none.
    const std::string text = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (text.size() < 2 || text[0] != '"') return false;
    const size_t keyEnd = text.find('"', 1);
    if (keyEnd == std::string::npos) return false;
    size_t at = keyEnd + 1;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at >= text.size() || text[at] != '=') return false;
    ++at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at >= text.size() || text[at] != '"') return false;
    key = UpperCase(text.substr(1, keyEnd - 1));
    // The value runs to the last quote, so quotes inside it stay.
    const size_t valueEnd = text.size() - 1;
    value = valueEnd > at && text[valueEnd] == '"' ? text.substr(at + 1, valueEnd - at - 1) : text.substr(at + 1);
    return true;
}

void CZmaVOMapXWorkspaceGST::ReadTableKeys(const std::vector<TableKey>& keys, IXMLDOMElement* layer) {
    for (const TableKey& k : keys) {
        if (k.key == "DISPLAY\\PEN\\COLOR") SetBool(layer, L"LayerOverride", true);
        for (const GeosetKey& entry : GeosetKeyTable) {
            if (k.key != entry.key) continue;
            if (entry.attribute) SetTyped(layer, entry, k.value);
            break;
        }
        if (k.key == "LABEL\\FONT\\STYLE") SetStyleBits(layer, k.value, kFontStyleBits, std::size(kFontStyleBits));
        if (k.key == "LABEL\\FONT\\EXTSTYLE")
            SetStyleBits(layer, k.value, kFontExtStyleBits, std::size(kFontExtStyleBits));
    }
    // A geoset gives its zoom ranges in miles, and shows the labels of every table.
    SetText(layer, L"MapUnits", "mi");
    SetBool(layer, L"LabelVisibility", true);
}

bool CZmaVOMapXWorkspaceGST::Load(const std::string& folder, const std::string& path, IXMLDOMElement* workspace) {
    if (!workspace || !AcceptNamedFile(path)) return false;
    bool read = false;
    try {
        TextLines text;
        if (!ReadTextLines(path, text)) {
            TellUnreadableFile(path);
            return false;
        }
        // The settings of each table number in file order, and the tables in the order of their files.
        std::map<std::string, std::vector<TableKey>> tableKeys;
        std::vector<std::pair<std::string, std::string>> tables;  // number, path
        for (const std::string& line : text.lines) {
            std::string key, value;
            if (!SplitKeyValue(line, key, value) || key.compare(0, sizeof kTableKey - 1, kTableKey) != 0) continue;
            const size_t numberEnd = key.find('\\', sizeof kTableKey - 1);
            if (numberEnd == std::string::npos) continue;
            std::string number = key.substr(sizeof kTableKey - 1, numberEnd - (sizeof kTableKey - 1));
            std::string rest = key.substr(numberEnd + 1);
            if (rest == "FILE") {
                // A table named without a drive lies where the geoset is, in a folder of it or above.
                tables.emplace_back(number, MakeAbsolutePath(folder, value));
            } else {
                tableKeys[number].push_back({std::move(rest), std::move(value)});
            }
        }
        if (text.cutLines && GlobalLogger().IsEnabledFor(platform::kLogLevelWarning))
            GlobalLogger().GetStream(platform::kLogLevelWarning, __FILE__, __LINE__)
                << text.cutLines << " lines of " << path << " were longer than " << kMaxLineLength
                << " characters and were cut" << std::endl;
        for (auto table = tables.rbegin(); table != tables.rend(); ++table) {
            if (!AcceptNamedFile(table->second)) continue;
            ComPtr<IXMLDOMElement> layer = NewLayerElement(workspace);
            SetText(layer.Get(), L"LayerPath", table->second);
            ReadTableKeys(tableKeys[table->first], layer.Get());
            AppendLayerElement(workspace, layer.Get());
        }
        read = true;
    }
    COM_CATCH_LOG();
    return read;
}
