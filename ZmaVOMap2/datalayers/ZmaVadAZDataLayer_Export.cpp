// The data layer's exports: its rows as a MapInfo table of font points, and as KML placemarks.
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/export/LineTableExport.h"
#include "ZmaVOMap2/export/TabTable.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/KmlWriter.h"
#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>
#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using tabexport::TabTable;

namespace {

constexpr int kLargestWidth = 49;
// Host field type codes that always export as text.
constexpr long kHostTextType = 6;
constexpr long kHostTextType2 = 0x2000;
// The style word of cell-site symbols and of points whose style field filters rows.
constexpr int kHighlightedStyle = 545;
const char kIconAddress[] = "icons/point.png";

std::wstring FormatValue(IHostFieldStyle* formatter, const VARIANT& value) {
    Bstr text;
    THROW_IF_FAILED(formatter->FormatValue(0, value, Variant::Missing(), text.Put()));
    return text.Wide();
}

bool ToDouble(const VARIANT& value, double& out) {
    if (value.vt == VT_R8) {
        out = value.dblVal;
        return true;
    }
    Variant converted;
    if (FAILED(::VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_R8))) return false;
    out = converted.dblVal;
    return true;
}

Variant StylePropertyOf(IHostFieldStyle* formatter, long classIndex, long property) {
    Variant setting;
    THROW_IF_FAILED(formatter->StyleProperty(classIndex, property, setting.Put()));
    return setting;
}

long ToLong(const VARIANT& value) {
    Variant converted;
    THROW_IF_FAILED(::VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_I4));
    return converted.lVal;
}

double ToDoubleOrThrow(const VARIANT& value) {
    double d = 0.0;
    if (!ToDouble(value, d)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
    return d;
}

// The text of a number that is not finite as table readers parse it back: never a blank that
// reads as 0, nor the formatter's "-INF" that would size a column as four digits.
const char* NonFiniteText(double value) { return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf"; }

// A text that reads back as exactly `value`, for a column of floating-point numbers.
std::string ExactText(double value) { return platform::FormatGeneral(value, 17); }

// The digits after the point of a number's text ("-70.50" has 2; "1E+20" none).
int DecimalsOf(const std::wstring& text) {
    const size_t point = text.find(L'.');
    if (point == std::wstring::npos) return 0;
    size_t end = point + 1;
    while (end < text.size() && text[end] >= L'0' && text[end] <= L'9') ++end;
    return static_cast<int>(end - point - 1);
}

// The length of `value` written with `precision` decimals; INT_MAX when it is longer than any
// decimal column.
int DecimalWidth(double value, int precision) {
    const std::string text = platform::FormatFixed(value, precision);
    return text.empty() || text.size() >= 400 ? INT_MAX : static_cast<int>(text.size());
}

// A display field the dataset has, with its host field.
struct PresentField {
    std::wstring name;
    ComPtr<IHostField> field;
};

// The display fields the dataset has, front first: a field the host dropped or renamed is left
// out, as a frame leaves it out. `missing` gets the names of those.
std::vector<PresentField> PresentFields(IHostDataset* dataset, const std::list<std::wstring>& names,
                                        std::vector<std::wstring>* missing = nullptr) {
    std::vector<PresentField> present;
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    for (const std::wstring& name : names) {
        if (ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), name))
            present.push_back({name, field});
        else if (missing)
            missing->push_back(name);
    }
    return present;
}

bool IsTextField(IHostField* field, bool styleFiltered) {
    const long type = hostdata::FieldType(field);
    return type == kHostTextType || type == kHostTextType2 || styleFiltered;
}

// One display field as the export walks it: its host field, its formatter, its attribute index
// and, when it drives a symbol property, that property per class (asked once per class).
struct ExportField {
    ComPtr<IHostField> field;
    ComPtr<IHostFieldStyle> formatter;
    bool text = false;
    bool floating = false;  // a column of floating-point numbers: values go exactly, not as formatted
    int index = 0;
    long code = -1;
    std::map<long, Variant> byClass;
};

}  // namespace

void CZmaVadAZDataLayer::GetExportSymbol(ExportSymbol& symbol) {
    if (!dataset_) throw platform::ComError(E_POINTER, L"The layer shows no dataset");
    std::vector<std::wstring> missing;
    std::map<long, ComPtr<IHostFieldStyle>> byCode;
    for (const PresentField& present : PresentFields(dataset_.Get(), displayFields_, &missing)) {
        auto code = attributeCodes_.find(present.name);
        if (code == attributeCodes_.end()) continue;
        if (ComPtr<IHostFieldStyle> formatter = FindInHostCollection(present.field.Get())) byCode[code->second] = formatter;
    }
    ComPtr<IHostFieldStyle> chosen;
    for (long code : {kCodeCharacter, kCodeSize, kCodeColour, kCodeRotation}) {
        auto it = byCode.find(code);
        if (it != byCode.end()) {
            chosen = it->second;
            break;
        }
    }
    if (!chosen) {
        // The map goes on drawing the rows with the default look, but an export would hold none
        // of the values it is made for: the user is told which field went.
        if (!missing.empty())
            throw platform::ComError(E_POINTER, L"The dataset no longer has the field \"" + missing.front() +
                                                    L"\" that the layer shows");
        throw platform::ComError(E_POINTER, L"No styled display field of the layer has a value formatter");
    }
    Bstr font;
    THROW_IF_FAILED(chosen->get_DefaultFontName(font.Put()));
    symbol.fontName = font.Wide();
    THROW_IF_FAILED(chosen->get_DefaultSize(&symbol.size));
    THROW_IF_FAILED(chosen->get_DefaultColor(&symbol.colour));
    THROW_IF_FAILED(chosen->get_DefaultCharacter(&symbol.character));
    symbol.rotation = 0;
}

void CZmaVadAZDataLayer::AddTABFields(TabTable& table, int largestWidth) {
    struct Planned {
        PresentField source;
        ComPtr<IHostFieldStyle> formatter;
        bool text = false;
        double largest = 0.0, smallest = 0.0;
        size_t nonFiniteWidth = 0;  // of the widest text of a value that is not finite
    };
    std::vector<Planned> planned;
    bool anyDecimal = false;
    for (PresentField& present : PresentFields(dataset_.Get(), displayFields_)) {
        Planned p;
        p.source = std::move(present);
        p.text = IsTextField(p.source.field.Get(), styleFlag_);
        if (!p.text) {
            p.formatter = FindInHostCollection(p.source.field.Get());
            if (!p.formatter)
                throw platform::ComError(E_POINTER, L"The field \"" + p.source.name + L"\" has no value formatter");
            anyDecimal = true;
        }
        planned.push_back(std::move(p));
    }

    // The width must hold the largest and the most negative value alike, so both are looked for
    // in one walk over the rows.
    if (anyDecimal) {
        ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
        const long count = hostdata::RowCount(rows.Get());
        Variant value;
        if (count > 0) hostdata::MoveFirst(rows.Get());
        for (long i = 0; i < count; ++i) {
            if (i > 0) hostdata::MoveNext(rows.Get());
            for (Planned& p : planned) {
                if (p.text) continue;
                hostdata::ReadValue(p.source.field.Get(), value);
                double d = 0.0;
                if (value.vt == VT_EMPTY || value.vt == VT_NULL || !ToDouble(value, d)) continue;
                if (!std::isfinite(d)) {
                    p.nonFiniteWidth = std::max(p.nonFiniteWidth, std::strlen(NonFiniteText(d)));
                    continue;
                }
                if (d > p.largest) p.largest = d;
                if (d < p.smallest) p.smallest = d;
            }
        }
    }

    for (Planned& p : planned) {
        const std::string name = tabexport::MakeFieldName(p.source.name);
        if (p.text) {
            table.AddField(name, TABFT_Char, largestWidth, 0);
            continue;
        }
        Variant reference;
        THROW_IF_FAILED(p.formatter->get_ReferenceValue(reference.Put()));
        const double referenceValue = reference.vt == VT_R8 && std::isfinite(reference.dblVal) ? reference.dblVal : 0.0;
        // The values keep the decimals the host shows them with; the column is as wide as the
        // widest of them so written (and "-inf", which costs the others no decimals).
        int precision = 0;
        for (double d : {referenceValue, p.largest, p.smallest})
            precision = std::max(precision, DecimalsOf(FormatValue(p.formatter.Get(), Variant(d))));
        int width = std::max(1, static_cast<int>(p.nonFiniteWidth));
        for (double d : {referenceValue, p.largest, p.smallest}) width = std::max(width, DecimalWidth(d, precision));
        // A value no decimal column can hold so (1e20, or 1e-300 among values of many decimals)
        // would come back as stars or as another number: the column holds floating-point
        // numbers instead, each value exactly.
        if (width <= TabTable::kMaxDecimalWidth)
            table.AddField(name, TABFT_Decimal, width, precision);
        else
            table.AddField(name, TABFT_Float, 0, 0);
    }
}

HRESULT CZmaVadAZDataLayer::ExportTab(const std::wstring& folder) {
    try {
        if (!dataset_) throw platform::ComError(E_POINTER, L"The layer shows no dataset");
        std::wstring path;
        GetTabFileName(path, folder);
        JudgeExportFile(path);
        TabTable table(path);
        AddTABFields(table, kLargestWidth);
        table.CreateFeature(TABFC_FontPoint);
        ExportSymbol symbol;
        GetExportSymbol(symbol);
        const ExportCounts counts = ExportRows(table, symbol);
        // A cell-site layer's line tables stay open beside its points until every one is written,
        // and are closed together with them: a failure of any leaves the folder as it was.
        std::vector<std::pair<std::string, LineTableExport::WrittenTable>> lines;
        std::vector<TabTable*> tables = {&table};
        for (LineLink link : {kLineA, kLineB}) {
            auto* exporter = GetType() == kTypeCellSites ? dynamic_cast<LineTableExport*>(lineLayers_[link]) : nullptr;
            if (!exporter) continue;
            lines.emplace_back(lineLayers_[link]->GetName(), exporter->WriteTable(folder, GetName()));
            if (TabTable* written = lines.back().second.table.get()) tables.push_back(written);
        }
        tabexport::CloseTogether(tables);
        LogExport("TAB export of the layer \"%s\": %ld rows written, %ld rows without a position on the map left out, "
                  "%ld values with characters the table's character set cannot hold (written with \"?\")",
                  GetName(), counts);
        for (const auto& [name, written] : lines) {
            if (!written.table) continue;
            LogExport("TAB export of the layer \"%s\": %ld lines written, %ld rows without a position on the map left out",
                      name, {written.lines, written.rowsWithoutPosition, 0});
        }
        return S_OK;
    }
    CATCH_RETURN_KEEP_INFO()
}

CZmaVadAZDataLayer::ExportCounts CZmaVadAZDataLayer::ExportRows(TabTable& table, const ExportSymbol& defaults) {
    std::vector<ExportField> exported;
    int index = 0;
    for (const PresentField& present : PresentFields(dataset_.Get(), displayFields_)) {
        ExportField e;
        e.field = present.field;
        e.formatter = FindInHostCollection(present.field.Get());
        e.text = IsTextField(present.field.Get(), styleFlag_);
        e.index = index++;
        e.floating = table.FieldType(e.index) == TABFT_Float;
        auto code = attributeCodes_.find(present.name);
        if (code != attributeCodes_.end()) e.code = code->second;
        exported.push_back(std::move(e));
    }
    const std::string font = tabexport::ToTableText(defaults.fontName);
    const int style = GetType() == kTypeCellSites || styleFlag_ ? kHighlightedStyle : 0;
    mitab_feature feature = table.Feature();
    ExportCounts counts;

    ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
    const long count = hostdata::RowCount(rows.Get());
    if (count > 0) hostdata::MoveFirst(rows.Get());
    Variant value;
    for (long i = 0; i < count; ++i) {
        if (i > 0) hostdata::MoveNext(rows.Get());
        // Exactly the rows a frame draws: a table would keep another row's position as a
        // clamped or arbitrary point.
        double longitude = 0.0, latitude = 0.0;
        if (!optimiser_->GetDrawablePosition(longitude, latitude)) {
            ++counts.withoutPosition;
            continue;
        }
        if (!ValidateRow()) continue;

        ExportSymbol symbol = defaults;
        bool write = false;
        for (ExportField& e : exported) {
            hostdata::ReadValue(e.field.Get(), value);
            if (value.vt == VT_EMPTY || value.vt == VT_NULL || !e.formatter) continue;
            double number = 0.0;
            const bool numeric = ToDouble(value, number);
            if (numeric && !std::isfinite(number) && !e.text) {
                mitab_c_set_field(feature, e.index, NonFiniteText(number));
            } else if (numeric && e.floating) {
                mitab_c_set_field(feature, e.index, ExactText(number).c_str());
            } else if (value.vt != VT_BSTR || (value.bstrVal && ::SysStringLen(value.bstrVal) > 0)) {
                std::wstring text = FormatValue(e.formatter.Get(), value);
                if (value.vt == VT_BSTR && text.size() > static_cast<size_t>(kLargestWidth)) text.resize(kLargestWidth);
                bool changed = false;
                mitab_c_set_field(feature, e.index, tabexport::ToTableText(text, &changed).c_str());
                if (changed) ++counts.changedTexts;
            }
            if (!numeric) {
                write = true;
                continue;
            }
            if (e.code < kCodeCharacter || e.code > kCodeColour) continue;
            write = true;
            // No class, size or angle of its own: the point keeps the default look.
            if (!std::isfinite(number)) continue;
            if (e.code == kCodeRotation) {
                symbol.rotation = static_cast<long>(std::nearbyint(number));  // halves to the even one
                continue;
            }
            long classIndex = -1;
            THROW_IF_FAILED(e.formatter->ClassOf(value, &classIndex));
            // A value outside every class keeps the default look.
            if (classIndex < 0) continue;
            auto cached = e.byClass.find(classIndex);
            if (cached == e.byClass.end()) {
                const long property = e.code == kCodeCharacter ? 0 : e.code == kCodeSize ? 1 : 3;
                cached = e.byClass.emplace(classIndex, StylePropertyOf(e.formatter.Get(), classIndex, property)).first;
            }
            if (e.code == kCodeCharacter)
                symbol.character = static_cast<short>(ToLong(cached->second));
            else if (e.code == kCodeSize)
                symbol.size = ToDoubleOrThrow(cached->second);
            else
                symbol.colour = ToLong(cached->second);
        }
        if (!write) continue;
        // Where the frame draws the row: the layer's offsets added.
        double x = longitude + offsetX_, y = latitude + offsetY_;
        mitab_c_set_points(feature, 0, 1, &x, &y);
        mitab_c_set_font(feature, font.empty() ? nullptr : font.c_str());
        mitab_c_set_symbol(feature, symbol.character, static_cast<int>(symbol.size), static_cast<int>(symbol.colour));
        mitab_zemro_extension_set_rotation(feature, static_cast<double>(symbol.rotation));
        mitab_zemro_extension_set_style(feature, style);
        table.Write();
        ++counts.written;
    }
    return counts;
}

void CZmaVadAZDataLayer::LogExport(const char* format, const std::string& layerName, const ExportCounts& counts) {
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelInfo)) return;
    const std::string name = platform::ToAnsi(ShownName(platform::ToWide(layerName)));
    char line[512];
    std::snprintf(line, sizeof line, format, name.c_str(), counts.written, counts.withoutPosition, counts.changedTexts);
    log->Write(platform::kLogLevelInfo, __FILE__, __LINE__, line);
}

HRESULT CZmaVadAZDataLayer::ExportKml(const std::wstring& folder) {
    kmlCounts_ = ExportCounts();
    const HRESULT hr = CZmaVadAZLayer::ExportKml(folder);
    if (hr == S_OK)
        LogExport("KML export of the layer \"%s\": %ld placemarks written, %ld rows without a position on the map left out",
                  GetName(), kmlCounts_);
    return hr;
}

void CZmaVadAZDataLayer::AddKmlContent(KmlWriter& document) {
    // Decided as the table export decides: a layer whose symbol no display field gives (the host
    // dropped or renamed the field) fails with the reason rather than writing no placemark.
    ExportSymbol symbol;
    GetExportSymbol(symbol);
    const PresentField front = PresentFields(dataset_.Get(), displayFields_).front();
    ComPtr<IHostFieldStyle> formatter = FindInHostCollection(front.field.Get());
    if (!formatter) throw platform::ComError(E_POINTER, L"The field \"" + front.name + L"\" has no value formatter");

    ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
    const long count = hostdata::RowCount(rows.Get());
    if (count > 0) hostdata::MoveFirst(rows.Get());
    Variant value;
    long written = 0;
    for (long i = 0; i < count; ++i) {
        if (i > 0) hostdata::MoveNext(rows.Get());
        // The rows a frame draws, as the table export writes them: "nan", 1e308 or (0, 0) are no
        // coordinates of any placemark.
        double longitude = 0.0, latitude = 0.0;
        if (!optimiser_->GetDrawablePosition(longitude, latitude)) {
            ++kmlCounts_.withoutPosition;
            continue;
        }
        if (!ValidateRow()) continue;
        hostdata::ReadValue(front.field.Get(), value);
        ExportKMLPlacemarks(document, longitude, latitude, value, formatter.Get(), ++written);
    }
    kmlCounts_.written = written;
}

void CZmaVadAZDataLayer::ExportKMLPlacemarks(KmlWriter& parent, double longitude, double latitude, const VARIANT& value,
                                             IHostFieldStyle* formatter, long number) {
    platform::ThrowIfNull(formatter, E_POINTER);
    std::wstring valueText;
    if (value.vt == VT_BSTR) {
        valueText = value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : std::wstring();
    } else if (value.vt != VT_EMPTY && value.vt != VT_NULL) {
        Variant text;
        if (SUCCEEDED(::VariantChangeType(text.Put(), const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR)))
            valueText = text.ToWide();
    }
    long classIndex = -1;
    THROW_IF_FAILED(formatter->ClassOf(value, &classIndex));
    long colour = 0;
    if (classIndex >= 0)
        colour = ToLong(StylePropertyOf(formatter, classIndex, 3));
    else
        THROW_IF_FAILED(formatter->get_DefaultColor(&colour));
    char colourText[16];
    std::snprintf(colourText, sizeof colourText, "%02x%02x%02x%02x", 255u, static_cast<unsigned>((colour >> 16) & 0xFF),
                  static_cast<unsigned>((colour >> 8) & 0xFF), static_cast<unsigned>(colour & 0xFF));

    // Each placemark's style has an id of its own, and the placemark refers to it as a fragment;
    // the style comes first.
    const std::string id = "normalPlacemark" + std::to_string(number);
    parent.Open("Style", "id", id);
    parent.Open("IconStyle");
    parent.Element("color", colourText);
    parent.Element("scale", "0.5");
    parent.Open("Icon");
    parent.Element("href", kIconAddress);
    parent.Close();
    parent.Close();
    parent.Close();

    const std::string coordinates = platform::FormatFixed(longitude, 6) + "," + platform::FormatFixed(latitude, 6);
    parent.Open("Placemark");
    parent.Element("description", platform::ToWide(GetName()) + L"\n" + valueText);
    parent.Element("styleUrl", ("#" + id).c_str());
    parent.Open("Point");
    parent.Element("coordinates", coordinates.c_str());
    parent.Close();
    parent.Close();
}
