#include "standins/mapengine/TableFile.h"

#include "standins/mapengine/EngineDispatch.h"
#include "standins/mapengine/Feature.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <cwchar>
#include <sstream>

namespace mapengine {

namespace {

const char kFeatureMark[] = "!feature\t";

std::wstring Escape(const std::wstring& s) {
    std::wstring out;
    for (wchar_t ch : s) {
        if (ch == L'\\') out += L"\\\\";
        else if (ch == L'\t') out += L"\\t";
        else if (ch == L'\n') out += L"\\n";
        else if (ch == L'\r') out += L"\\r";
        else out += ch;
    }
    return out;
}

std::wstring Unescape(const std::wstring& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\\' && i + 1 < s.size()) {
            wchar_t n = s[++i];
            out += n == L't' ? L'\t' : n == L'n' ? L'\n' : n == L'r' ? L'\r' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::wstring Number(double v) { return platform::ToWide(platform::FormatGeneral(v, 17)); }

// A number of the table's own text; 0 when the text holds none.
double ReadNumber(const wchar_t* text, size_t* read = nullptr) {
    double value = 0.0;
    const size_t taken = platform::ReadNumber(text, value);
    if (read) *read = taken;
    return value;
}

std::wstring PartsText(const std::vector<XYList>& parts) {
    std::wstring out;
    for (size_t p = 0; p < parts.size(); ++p) {
        if (p) out += L"/";
        for (size_t i = 0; i < parts[p].size(); ++i) {
            if (i) out += L";";
            out += Number(parts[p][i].x) + L"," + Number(parts[p][i].y);
        }
    }
    return out;
}

std::vector<XYList> ParseParts(const std::wstring& text) {
    std::vector<XYList> parts;
    std::wstringstream all(text);
    std::wstring part;
    while (std::getline(all, part, L'/')) {
        XYList points;
        std::wstringstream ps(part);
        std::wstring pt;
        while (std::getline(ps, pt, L';')) {
            XY xy;
            size_t x = 0, y = 0;
            xy.x = ReadNumber(pt.c_str(), &x);
            if (!x || pt[x] != L',') continue;
            xy.y = ReadNumber(pt.c_str() + x + 1, &y);
            if (y) points.push_back(xy);
        }
        parts.push_back(points);
    }
    return parts;
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
    std::vector<std::wstring> cols;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        cols.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) break;
        start = tab + 1;
    }
    return cols;
}

// A feature line: its type, key, key value, caption, point, style and parts, then the values of the
// table's further fields, if any.
bool ParseFeature(const std::wstring& line, FeatureRecord& f) {
    std::vector<std::wstring> c = SplitTabs(line);
    if (c.size() < 10) return false;
    f.type = static_cast<short>(std::wcstol(c[1].c_str(), nullptr, 10));
    f.key = Unescape(c[2]);
    f.keyValue = Unescape(c[3]);
    f.caption = Unescape(c[4]);
    f.point.x = ReadNumber(c[5].c_str());
    f.point.y = ReadNumber(c[6].c_str());
    f.style = Unescape(c[7]);
    f.parts = c[8] == L"0" ? std::vector<XYList>() : ParseParts(c[9]);
    for (size_t i = 10; i < c.size(); ++i) f.moreValues.push_back(Unescape(c[i]));
    return true;
}

// A companion file of a table, named as the table names its extension ("roads.tab" has
// "roads.map", "roads.TAB" has "roads.MAP"), as the files of a table are. Asked for in another
// case, a file system that tells case apart is searched folder-wide for every table, and a folder
// of thousands of tables opens in a time that grows with their square.
std::wstring Companion(const std::wstring& path, const wchar_t* upperExtension) {
    size_t dot = path.find_last_of(L'.');
    size_t slash = path.find_last_of(L"\\/");
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    std::wstring extension = upperExtension;
    const auto lower = [](wchar_t c) { return std::iswlower(c) != 0; };
    if (hasExtension && std::any_of(path.begin() + static_cast<ptrdiff_t>(dot), path.end(), lower))
        for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    return (hasExtension ? path.substr(0, dot) : path) + extension;
}

std::wstring StyleText(mitab_feature f, int type) {
    // Line, region, symbol and text colours, line width and symbol character (Style::Serialise).
    const int fill = mitab_c_get_brush_pattern(f) >= 2 ? mitab_c_get_brush_fgcolor(f) : 0xFFFFFF;
    wchar_t buf[160];
    std::swprintf(buf, 160, L"%ld %ld %ld %ld %d %d", static_cast<long>(mitab_c_get_pen_color(f)), static_cast<long>(fill),
                  static_cast<long>(mitab_c_get_symbol_color(f)), 0L, type == kSymbol ? 1 : mitab_c_get_pen_width(f),
                  mitab_c_get_symbol_no(f));
    return buf;
}

// A table in the native MapInfo layout (made by any GIS): its rows come through the MITAB reader.
bool ReadNativeTable(const std::wstring& path, TableData& table) {
    const std::string ansi = platform::ToAnsi(path);
    mitab_handle handle = mitab_c_open(ansi.c_str());
    if (!handle) return false;
    TableData result;
    result.native = true;
    for (int i = 0; i < mitab_c_get_field_count(handle); ++i)
        result.fields.push_back(platform::ToWide(mitab_c_get_field_name(handle, i)));
    for (int id = mitab_c_next_feature_id(handle, -1); id != -1; id = mitab_c_next_feature_id(handle, id)) {
        mitab_feature f = mitab_c_read_feature(handle, id);
        if (!f) continue;
        FeatureRecord record;
        const int kind = mitab_c_get_type(f);
        record.type = kind == TABFC_Polyline ? kLine : kind == TABFC_Region ? kRegion : kSymbol;
        record.key = std::to_wstring(id);
        for (int field = 0; field < static_cast<int>(result.fields.size()); ++field) {
            std::wstring value = platform::ToWide(mitab_c_get_field_as_string(f, field));
            if (field == 0)
                record.keyValue = std::move(value);
            else
                record.moreValues.push_back(std::move(value));
        }
        if (kind == TABFC_Point || kind == TABFC_FontPoint) {
            record.point = {mitab_c_get_vertex_x(f, 0, 0), mitab_c_get_vertex_y(f, 0, 0)};
        } else if (kind == TABFC_Polyline || kind == TABFC_Region) {
            for (int part = 0; part < mitab_c_get_parts(f); ++part) {
                XYList points;
                for (int v = 0; v < mitab_c_get_vertex_count(f, part); ++v)
                    points.push_back({mitab_c_get_vertex_x(f, part, v), mitab_c_get_vertex_y(f, part, v)});
                record.parts.push_back(points);
            }
        }
        record.style = StyleText(f, record.type);
        mitab_c_destroy_feature(f);
        if (kind != TABFC_NoGeom) result.features.push_back(record);
    }
    mitab_c_close(handle);
    if (result.fields.empty()) result.fields.push_back(L"Name");
    table = result;
    return true;
}

}  // namespace

std::wstring FeatureRecord::FieldValue(size_t index) const {
    if (index == 0) return keyValue;
    return index <= moreValues.size() ? moreValues[index - 1] : std::wstring();
}

bool ReadTableFile(const std::wstring& path, TableData& table) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return false;
    std::string bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) bytes.append(buf, n);
    std::fclose(file);
    // Our own layout has its features in the .TAB; a native table keeps them in a .MAP beside it.
    if (bytes.find(kFeatureMark) == std::string::npos &&
        ::GetFileAttributesW(Companion(path, L".MAP").c_str()) != INVALID_FILE_ATTRIBUTES)
        return ReadNativeTable(path, table);

    TableData result;
    result.fields.clear();
    result.raster = bytes.find("\"RASTER\"") != std::string::npos || bytes.find("\"raster\"") != std::string::npos;
    if (result.raster) result.rasterText = bytes;
    std::istringstream lines(bytes);
    std::string raw;
    bool inFields = false;
    while (std::getline(lines, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::wstring line = platform::ToWide(raw, CP_UTF8);
        if (raw.compare(0, sizeof kFeatureMark - 1, kFeatureMark) == 0) {
            FeatureRecord f;
            if (ParseFeature(line, f)) result.features.push_back(f);
            continue;
        }
        size_t first = line.find_first_not_of(L" \t");
        std::wstring trimmed = first == std::wstring::npos ? std::wstring() : line.substr(first);
        if (trimmed.compare(0, 7, L"Fields ") == 0) {
            inFields = true;
        } else if (inFields && !trimmed.empty() && trimmed.back() == L';') {
            result.fields.push_back(trimmed.substr(0, trimmed.find(L' ')));
        } else {
            inFields = false;
        }
    }
    if (result.fields.empty()) result.fields.push_back(L"Name");
    table = result;
    return true;
}

void WriteTableFile(const std::wstring& path, const TableData& table) {
    if (table.native) return;  // a native table is only read here: edits stay in memory
    std::wstring text = L"!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n  Type NATIVE Charset \"WindowsLatin1\"\n";
    text += L"  Fields " + std::to_wstring(table.fields.size()) + L"\n";
    for (const std::wstring& field : table.fields) text += L"    " + field + L" Char (64) ;\n";
    for (const FeatureRecord& f : table.features) {
        text += L"!feature\t" + std::to_wstring(f.type) + L"\t" + Escape(f.key) + L"\t" + Escape(f.keyValue) + L"\t" +
                Escape(f.caption) + L"\t" + Number(f.point.x) + L"\t" + Number(f.point.y) + L"\t" + Escape(f.style) +
                L"\t" + std::to_wstring(f.parts.size()) + L"\t" + PartsText(f.parts);
        for (const std::wstring& value : f.moreValues) text += L"\t" + Escape(value);
        text += L"\n";
    }
    std::string bytes = platform::ToAnsi(text, CP_UTF8);
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) Fail(E_FAIL, L"Cannot write the table " + path);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) Fail(E_FAIL, L"Cannot write the table " + path);
}

}  // namespace mapengine
