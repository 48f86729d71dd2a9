// The C interface over the table files. A table handle owns the four files while a table is
// written, or the parsed definition, row index and (on first use) attributes and objects of a
// table opened for reading. No C++ exception leaves these functions.
#include "ZmaVOMap2/mitab/mitab.h"

#include "ZmaVOMap2/mitab/MapFile.h"
#include "ZmaVOMap2/mitab/TableFiles.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace mitab;

constexpr std::uint32_t kTableMagic = 0x54414231, kFeatureMagic = 0x46454131;

thread_local int lastErrorNo = 0;
thread_local std::string lastErrorText;

void ClearError() {
    lastErrorNo = 0;
    lastErrorText.clear();
}
void SetError(int number, const std::string& text) {
    lastErrorNo = number;
    lastErrorText = text;
}
constexpr int kMaxDecimalWidth = TABFT_DecimalMaxWidth;
constexpr int kErrorArgument = 1, kErrorFile = 2, kErrorUnsupported = 3, kErrorState = 4;

struct Table {
    std::uint32_t magic = kTableMagic;
    bool writing = false;
    std::vector<FieldDef> fields;

    // Writing.
    std::wstring tabPath;
    std::FILE* tabFile = nullptr;
    std::FILE* idFile = nullptr;
    DatWriter dat;
    std::unique_ptr<MapWriter> map;
    std::int32_t rows = 0;
    bool failed = false;

    // Reading.
    std::string base, extension;
    bool native = false;
    std::vector<std::uint32_t> offsets;  // per row, from row 1
    bool loaded = false, datOk = false, mapOk = false;
    DatReader datReader;
    MapReader mapReader;

    ~Table() {
        if (tabFile) std::fclose(tabFile);
        if (idFile) std::fclose(idFile);
    }
};

struct Feature {
    std::uint32_t magic = kFeatureMagic;
    Table* table = nullptr;
    int type = TABFC_NoGeom;
    std::vector<Part> parts;
    std::vector<std::string> values;
    FontPointStyle font;
    SymbolDef symbol;
    PenDef pen;
    BrushDef brush;
};

Table* AsTable(mitab_handle handle) {
    auto* table = static_cast<Table*>(handle);
    return table && table->magic == kTableMagic ? table : nullptr;
}
Feature* AsFeature(mitab_feature handle) {
    auto* feature = static_cast<Feature*>(handle);
    return feature && feature->magic == kFeatureMagic ? feature : nullptr;
}

// The path without its extension, and the extension (".TAB" when there is none).
void SplitPath(const std::string& path, std::string& base, std::string& extension) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        base = path;
        extension = ".TAB";
    } else {
        base = path.substr(0, dot);
        extension = path.substr(dot);
    }
}

void SplitPath(const std::wstring& path, std::wstring& base, std::wstring& extension) {
    const size_t dot = path.find_last_of(L'.');
    const size_t slash = path.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        base = path;
        extension = L".TAB";
    } else {
        base = path.substr(0, dot);
        extension = path.substr(dot);
    }
}

// A companion file takes the letter case of the table's extension.
template <class String>
String Companion(const String& base, const String& tabExtension, const char* upper) {
    bool lower = false;
    for (auto c : tabExtension) lower = lower || (c >= 'a' && c <= 'z');
    String ext;
    for (const char* c = upper; *c; ++c) ext += static_cast<typename String::value_type>(lower ? std::tolower(*c) : *c);
    return base + ext;
}

// Paths in the ANSI code page, as the narrow entry points take them.
std::wstring WideOfAnsi(const char* text) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

bool ReadText(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    std::fclose(f);
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "CoordSys Earth Projection 1, <datum>": longitude/latitude on a datum we know the ellipsoid of.
bool ParseEarthSystem(const char* text, EarthSystem& system) {
    const std::string t = Lower(text ? text : "");
    const std::string key = "earth projection 1,";
    const size_t at = t.find(key);
    if (at == std::string::npos) return false;
    const int datum = std::atoi(t.c_str() + at + key.size());
    if (datum != 104) return false;  // WGS 84: ellipsoid 28
    system.datum = datum;
    system.ellipsoid = 28;
    return true;
}

void RemoveFiles(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) ::DeleteFileW(path.c_str());
}

bool ValidGeometry(const Feature& f, std::string& why) {
    if (f.parts.empty()) return true;
    switch (f.type) {
        case TABFC_Point:
        case TABFC_FontPoint:
            if (f.parts[0].x.empty()) return why = "a point needs a vertex", false;
            return true;
        case TABFC_Polyline:
            for (const Part& p : f.parts)
                if (p.x.size() < 2 || (f.parts.size() > 1 && p.x.size() > 32767))
                    return why = "a polyline part needs 2 to 32767 vertices", false;
            return true;
        case TABFC_Region:
            for (const Part& p : f.parts)
                if (p.x.size() < 3 || p.x.size() > 32766) return why = "a region ring needs 3 to 32766 vertices", false;
            return true;
        default:
            return true;
    }
}

// Loads the attributes and objects of a table opened for reading, once.
void LoadForReading(Table& t) {
    if (t.loaded) return;
    t.loaded = true;
    if (!t.native) return;
    t.datOk = t.datReader.Open(Companion(t.base, t.extension, ".DAT")) && t.datReader.Bind(t.fields);
    t.mapOk = t.mapReader.Open(Companion(t.base, t.extension, ".MAP"));
}

}  // namespace

// --- Writing ---------------------------------------------------------------------------------------

namespace {

// The file name comes in UTF-16 (`wide`) or in the ANSI code page (`narrow`).
mitab_handle CreateTable(const wchar_t* wide, const char* narrow, const char* mif_or_tab, const char* mif_projection,
                         double north, double south, double east, double west) {
    try {
        ClearError();
        const std::wstring filename = wide ? std::wstring(wide) : narrow ? WideOfAnsi(narrow) : std::wstring();
        if (filename.empty()) return SetError(kErrorArgument, "no file name"), nullptr;
        if (!mif_or_tab || Lower(mif_or_tab) != "tab")
            return SetError(kErrorUnsupported, "only TAB tables are written"), nullptr;
        EarthSystem system;
        if (!ParseEarthSystem(mif_projection, system))
            return SetError(kErrorUnsupported, "only longitude/latitude on WGS 84 is written"), nullptr;
        CoordGrid grid = CoordGrid::ForBounds(-1000, -1000, 1000, 1000);
        if (north != 0 || south != 0 || east != 0 || west != 0) {
            if (!(east > west && north > south)) return SetError(kErrorArgument, "empty bounds"), nullptr;
            grid = CoordGrid::ForBounds(west, south, east, north);
        }

        auto table = std::make_unique<Table>();
        table->writing = true;
        std::wstring base, extension;
        SplitPath(filename, base, extension);
        table->tabPath = base + extension;
        const std::wstring datPath = Companion(base, extension, ".DAT"), mapPath = Companion(base, extension, ".MAP"),
                           idPath = Companion(base, extension, ".ID");
        std::vector<std::wstring> created;
        table->tabFile = _wfopen(table->tabPath.c_str(), L"wb");
        if (table->tabFile) created.push_back(table->tabPath);
        if (table->tabFile && table->dat.Open(datPath)) created.push_back(datPath);
        table->idFile = created.size() == 2 ? _wfopen(idPath.c_str(), L"wb") : nullptr;
        if (table->idFile) created.push_back(idPath);
        table->map = std::make_unique<MapWriter>(grid, system);
        if (created.size() == 3 && table->map->Open(mapPath)) created.push_back(mapPath);
        if (created.size() != 4) {
            table.reset();  // closes what was opened
            RemoveFiles(created);
            return SetError(kErrorFile, "cannot create the table files"), nullptr;
        }
        return table.release();
    } catch (...) {
        SetError(kErrorState, "out of memory");
        return nullptr;
    }
}

}  // namespace

extern "C" mitab_handle mitab_c_create(const char* filename, const char* mif_or_tab, const char* mif_projection,
                                       double north, double south, double east, double west) {
    return CreateTable(nullptr, filename, mif_or_tab, mif_projection, north, south, east, west);
}

extern "C" mitab_handle mitab_c_create_w(const wchar_t* filename, const char* mif_or_tab, const char* mif_projection,
                                         double north, double south, double east, double west) {
    return CreateTable(filename, nullptr, mif_or_tab, mif_projection, north, south, east, west);
}

extern "C" int mitab_c_add_field(mitab_handle handle, const char* field_name, int field_type, int width, int precision) {
    try {
        ClearError();
        Table* t = AsTable(handle);
        if (!t || !t->writing) return SetError(kErrorArgument, "not a table being written"), -1;
        if (t->rows > 0) return SetError(kErrorState, "fields come before the first feature"), -1;
        if (!field_name || !*field_name) return SetError(kErrorArgument, "no field name"), -1;
        FieldDef f;
        for (const char* c = field_name; *c && f.name.size() < 31; ++c)
            f.name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        for (const FieldDef& other : t->fields)
            if (Lower(other.name) == Lower(f.name)) return SetError(kErrorArgument, "field name taken: " + f.name), -1;
        f.type = field_type;
        f.width = width;
        f.precision = field_type == TABFT_Decimal ? precision : 0;
        if (field_type == TABFT_Decimal && width > kMaxDecimalWidth) {
            // Wider decimals are not readable everywhere: keep 20 places and fewer decimals.
            f.width = kMaxDecimalWidth;
            f.precision = std::min(f.precision, kMaxDecimalWidth - 2);
        }
        f.size = FieldSize(field_type, f.width, f.precision);
        if (f.size == 0) return SetError(kErrorArgument, "field kind or width not allowed: " + f.name), -1;
        if (field_type != TABFT_Char && field_type != TABFT_Decimal) f.width = f.size;
        f.offset = t->fields.empty() ? 0 : t->fields.back().offset + t->fields.back().size;
        t->fields.push_back(f);
        return static_cast<int>(t->fields.size()) - 1;
    } catch (...) {
        SetError(kErrorState, "out of memory");
        return -1;
    }
}

extern "C" mitab_feature mitab_c_create_feature(mitab_handle handle, int feature_type) {
    try {
        ClearError();
        Table* t = AsTable(handle);
        if (!t) return SetError(kErrorArgument, "not a table"), nullptr;
        if (feature_type != TABFC_NoGeom && feature_type != TABFC_Point && feature_type != TABFC_FontPoint &&
            feature_type != TABFC_Polyline && feature_type != TABFC_Region)
            return SetError(kErrorUnsupported, "feature type not supported"), nullptr;
        auto feature = std::make_unique<Feature>();
        feature->table = t;
        feature->type = feature_type;
        feature->values.resize(t->fields.size());
        return feature.release();
    } catch (...) {
        SetError(kErrorState, "out of memory");
        return nullptr;
    }
}

extern "C" void mitab_c_set_points(mitab_feature handle, int part, int vertex_count, double* x, double* y) {
    try {
        Feature* f = AsFeature(handle);
        if (!f || part < 0 || size_t(part) > f->parts.size() || vertex_count < 0 || (vertex_count > 0 && (!x || !y)))
            return SetError(kErrorArgument, "bad part or vertices");
        f->parts.resize(part + 1);
        f->parts[part].x.assign(x, x + vertex_count);
        f->parts[part].y.assign(y, y + vertex_count);
    } catch (...) {
        SetError(kErrorState, "out of memory");
    }
}

extern "C" void mitab_c_set_font(mitab_feature handle, const char* font_name) {
    try {
        if (Feature* f = AsFeature(handle)) f->font.font = font_name ? std::string(font_name).substr(0, 31) : "";
    } catch (...) {
        SetError(kErrorState, "out of memory");
    }
}

extern "C" void mitab_c_set_symbol(mitab_feature handle, int symbol_no, int symbol_size, int symbol_color) {
    if (Feature* f = AsFeature(handle)) {
        f->symbol = SymbolDef{symbol_no, symbol_size, RgbFromColorRef(symbol_color)};
        f->font.number = symbol_no;
        f->font.size = symbol_size;
        f->font.rgb = f->symbol.rgb;
    }
}

extern "C" void mitab_c_set_pen(mitab_feature handle, int width, int pattern, int color) {
    if (Feature* f = AsFeature(handle)) f->pen = PenDef{width < 1 ? 1 : width > 7 ? 7 : width, pattern, RgbFromColorRef(color)};
}

extern "C" void mitab_c_set_brush(mitab_feature handle, int fg_color, int bg_color, int pattern, int transparent) {
    if (Feature* f = AsFeature(handle))
        f->brush = BrushDef{pattern, transparent ? 1 : 0, RgbFromColorRef(fg_color), RgbFromColorRef(bg_color)};
}

extern "C" void mitab_c_set_field(mitab_feature handle, int field_index, const char* field_value) {
    try {
        Feature* f = AsFeature(handle);
        if (!f || field_index < 0 || size_t(field_index) >= f->table->fields.size())
            return SetError(kErrorArgument, "no such field");
        f->values.resize(f->table->fields.size());
        f->values[field_index] = field_value ? field_value : "";
    } catch (...) {
        SetError(kErrorState, "out of memory");
    }
}

extern "C" void mitab_zemro_extension_set_rotation(mitab_feature handle, double rotation) {
    if (Feature* f = AsFeature(handle)) f->font.angle = rotation;
}

extern "C" void mitab_zemro_extension_set_style(mitab_feature handle, int style) {
    if (Feature* f = AsFeature(handle)) f->font.style = style;
}

extern "C" int mitab_c_write_feature(mitab_handle handle, mitab_feature feature) {
    try {
        ClearError();
        Table* t = AsTable(handle);
        Feature* f = AsFeature(feature);
        if (!t || !t->writing || !f || f->table != t) return SetError(kErrorArgument, "not a feature of this table"), 0;
        if (t->failed) return SetError(kErrorState, "the table failed before"), 0;
        std::string why;
        if (!ValidGeometry(*f, why)) return SetError(kErrorArgument, why), 0;

        const std::int32_t row = t->rows + 1;
        std::uint32_t offset = 0;
        if (!f->parts.empty()) {
            const Part& first = f->parts[0];
            switch (f->type) {
                case TABFC_Point:
                    offset = t->map->WriteSymbolPoint(row, first.x[0], first.y[0], f->symbol);
                    break;
                case TABFC_FontPoint:
                    offset = t->map->WriteFontPoint(row, first.x[0], first.y[0], f->font);
                    break;
                case TABFC_Polyline:
                    offset = t->map->WritePolyline(row, f->parts, f->pen);
                    break;
                case TABFC_Region:
                    offset = t->map->WriteRegion(row, f->parts, f->pen, f->brush);
                    break;
            }
            if (offset == 0 && f->type != TABFC_NoGeom) {
                t->failed = true;
                return SetError(kErrorFile, t->map->Error()), 0;
            }
        }
        std::uint8_t id[4];
        PutI32(id, static_cast<std::int32_t>(offset));
        if (!t->dat.WriteRecord(t->fields, f->values) || std::fwrite(id, 1, 4, t->idFile) != 4) {
            t->failed = true;
            return SetError(kErrorFile, "cannot write the .DAT or .ID file"), 0;
        }
        t->rows = row;
        // The next row starts without this row's attributes and geometry.
        f->values.assign(t->fields.size(), std::string());
        f->parts.clear();
        return 1;
    } catch (...) {
        SetError(kErrorState, "out of memory");
        return 0;
    }
}

extern "C" void mitab_c_destroy_feature(mitab_feature handle) {
    std::unique_ptr<Feature> owned(AsFeature(handle));
}

extern "C" void mitab_c_close(mitab_handle handle) {
    try {
        ClearError();
        std::unique_ptr<Table> t(AsTable(handle));
        if (!t || !t->writing) return;
        bool ok = !t->failed;
        ok = t->map->Close() && ok;
        ok = t->dat.Close(t->fields) && ok;
        ok = std::fclose(t->idFile) == 0 && ok;
        t->idFile = nullptr;
        const std::string text = TabDefinitionText(t->fields);
        ok = std::fwrite(text.data(), 1, text.size(), t->tabFile) == text.size() && ok;
        ok = std::fclose(t->tabFile) == 0 && ok;
        t->tabFile = nullptr;
        if (!ok) SetError(kErrorFile, "the table is incomplete");
    } catch (...) {
        SetError(kErrorState, "out of memory");
    }
}

extern "C" int mitab_c_getlasterrorno(void) { return lastErrorNo; }
extern "C" const char* mitab_c_getlasterrormsg(void) { return lastErrorText.c_str(); }

// --- Reading ---------------------------------------------------------------------------------------

extern "C" mitab_handle mitab_c_open(const char* filename) {
    try {
        ClearError();
        std::string text;
        if (!filename || !ReadText(filename, text)) return SetError(kErrorFile, "cannot read the table"), nullptr;
        auto table = std::make_unique<Table>();
        SplitPath(filename, table->base, table->extension);
        table->native = ParseTabDefinition(text, table->fields);
        if (!table->native) table->fields.clear();
        // A table without an .ID file has no objects (a table of attributes only).
        ReadIdFile(Companion(table->base, table->extension, ".ID"), table->offsets);
        return table.release();
    } catch (...) {
        SetError(kErrorState, "out of memory");
        return nullptr;
    }
}

extern "C" int mitab_c_next_feature_id(mitab_handle handle, int last_feature_id) {
    Table* t = AsTable(handle);
    if (!t) return -1;
    size_t row = last_feature_id < 0 ? 1 : static_cast<size_t>(last_feature_id) + 1;
    for (; row <= t->offsets.size(); ++row)
        if (t->offsets[row - 1] != 0) return static_cast<int>(row);
    return -1;
}

extern "C" int mitab_c_get_feature_count(mitab_handle handle) {
    Table* t = AsTable(handle);
    if (!t) return 0;
    if (t->writing) return t->rows;
    LoadForReading(*t);
    return t->datOk ? std::max(t->datReader.Rows(), int(t->offsets.size())) : int(t->offsets.size());
}

extern "C" mitab_feature mitab_c_read_feature(mitab_handle handle, int feature_id) {
    try {
        ClearError();
        Table* t = AsTable(handle);
        if (!t || t->writing || feature_id < 1) return SetError(kErrorArgument, "no such feature"), nullptr;
        LoadForReading(*t);
        auto f = std::make_unique<Feature>();
        f->table = t;
        if (t->datOk) t->datReader.Read(feature_id, t->fields, f->values);
        f->values.resize(t->fields.size());
        const std::uint32_t offset = size_t(feature_id) <= t->offsets.size() ? t->offsets[feature_id - 1] : 0;
        if (offset != 0) {
            MapObject object;
            if (!t->mapOk || !t->mapReader.Read(offset, feature_id, object))
                return SetError(kErrorFile, "cannot read the object of the feature"), nullptr;
            f->type = object.kind;
            f->parts = std::move(object.parts);
            f->symbol = object.symbol;
            f->pen = object.pen;
            f->brush = object.brush;
            f->font = object.font;
        } else if (!t->datOk || feature_id > t->datReader.Rows()) {
            return SetError(kErrorArgument, "no such feature"), nullptr;
        }
        return f.release();
    } catch (...) {
        SetError(kErrorState, "out of memory");
        return nullptr;
    }
}

extern "C" int mitab_c_get_type(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? f->type : TABFC_NoGeom;
}

extern "C" int mitab_c_get_parts(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? static_cast<int>(f->parts.size()) : 0;
}

extern "C" int mitab_c_get_vertex_count(mitab_feature handle, int part) {
    Feature* f = AsFeature(handle);
    return f && part >= 0 && size_t(part) < f->parts.size() ? static_cast<int>(f->parts[part].x.size()) : 0;
}

extern "C" double mitab_c_get_vertex_x(mitab_feature handle, int part, int vertex) {
    Feature* f = AsFeature(handle);
    if (!f || part < 0 || size_t(part) >= f->parts.size() || vertex < 0 || size_t(vertex) >= f->parts[part].x.size())
        return 0;
    return f->parts[part].x[vertex];
}

extern "C" double mitab_c_get_vertex_y(mitab_feature handle, int part, int vertex) {
    Feature* f = AsFeature(handle);
    if (!f || part < 0 || size_t(part) >= f->parts.size() || vertex < 0 || size_t(vertex) >= f->parts[part].y.size())
        return 0;
    return f->parts[part].y[vertex];
}

extern "C" int mitab_c_get_symbol_no(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? f->symbol.number : 0;
}
extern "C" int mitab_c_get_symbol_size(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? f->symbol.size : 0;
}
extern "C" int mitab_c_get_symbol_color(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? ColorRefFromRgb(f->symbol.rgb) : 0;
}
extern "C" int mitab_c_get_pen_color(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? ColorRefFromRgb(f->pen.rgb) : 0;
}
extern "C" int mitab_c_get_pen_width(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? f->pen.width : 0;
}
extern "C" int mitab_c_get_brush_fgcolor(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? ColorRefFromRgb(f->brush.fg) : 0;
}

extern "C" int mitab_c_get_brush_pattern(mitab_feature handle) {
    Feature* f = AsFeature(handle);
    return f ? f->brush.pattern : 0;
}

extern "C" int mitab_c_get_field_count(mitab_handle handle) {
    Table* t = AsTable(handle);
    return t ? static_cast<int>(t->fields.size()) : 0;
}

extern "C" const char* mitab_c_get_field_name(mitab_handle handle, int field) {
    Table* t = AsTable(handle);
    return t && field >= 0 && size_t(field) < t->fields.size() ? t->fields[field].name.c_str() : "";
}

extern "C" int mitab_c_get_field_type(mitab_handle handle, int field) {
    Table* t = AsTable(handle);
    return t && field >= 0 && size_t(field) < t->fields.size() ? t->fields[field].type : 0;
}

extern "C" const char* mitab_c_get_field_as_string(mitab_feature handle, int field) {
    Feature* f = AsFeature(handle);
    return f && field >= 0 && size_t(field) < f->values.size() ? f->values[field].c_str() : "";
}
