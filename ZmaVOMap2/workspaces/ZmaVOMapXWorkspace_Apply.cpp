// The second stage of an import: one "Layer" element's settings applied to its new layer.
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspace.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/workspaces/LayerValues.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <olectl.h>

#include <climits>
#include <cwchar>

using platform::ComPtr;
using platform::Variant;
using namespace workspaces;
namespace Labels = Engine::Labels;
namespace Style = Engine::Style;

namespace {

ComPtr<IDispatch> ObjectProperty(IDispatch* object, DISPID id) {
    ComPtr<IDispatch> value = platform::DispatchOf(EngineDispatch(platform::ThrowIfNull(object)).Get(id));
    platform::ThrowIfNull(value.Get());
    return value;
}

// A value that does not convert skips its setting, like a setting the engine refuses.
[[noreturn]] void NotConvertible() { platform::ThrowHr(DISP_E_TYPEMISMATCH); }

bool Boolean(const std::string& text) {
    bool value = false;
    if (!ParseBool(text, value)) NotConvertible();
    return value;
}

long long Integer(const std::string& text, long long minimum, long long maximum) {
    long long value = 0;
    if (!ParseInteger(text, minimum, maximum, value)) NotConvertible();
    return value;
}

short Short(const std::string& text) { return static_cast<short>(Integer(text, SHRT_MIN, SHRT_MAX)); }

double Number(const std::string& text) {
    double value = 0;
    if (!ParseNumber(text, value)) NotConvertible();
    return value;
}

// A colour of the file (red in the high byte) in the engine's order (red in the low byte); the
// number's fraction is cut off.
long EngineColour(const std::string& text) {
    const double number = Number(text);
    if (number < static_cast<double>(LONG_MIN) || number > static_cast<double>(LONG_MAX)) NotConvertible();
    const unsigned long v = static_cast<unsigned long>(static_cast<long>(number));
    return static_cast<long>(((v & 0xFFul) << 16) | (v & 0xFF00ul) | ((v >> 16) & 0xFFul));
}

void LogSkipped(const std::wstring& name, const std::string& reason) {
    if (GlobalLogger().IsEnabledFor(platform::kLogLevelWarning))
        GlobalLogger().GetStream(platform::kLogLevelWarning, __FILE__, __LINE__)
            << "Workspace setting " << platform::ToAnsi(name) << " skipped: " << reason << std::endl;
}

}  // namespace

// The engine objects of one layer that settings go to, fetched when a setting first needs them.
class CZmaVOMapXWorkspace::LayerTargets {
public:
    explicit LayerTargets(CZmaVadAZLayer& layer) : layer_(layer) {}

    CZmaVadAZLayer& Layer() const noexcept { return layer_; }
    IDispatch* EngineLayer() {
        if (!engineLayer_) engineLayer_ = platform::ThrowIfNull(layer_.GetMapXLayer().Get());
        return engineLayer_.Get();
    }
    EngineDispatch Labels() {
        if (!labels_) labels_ = ObjectProperty(EngineLayer(), Engine::Layer::kLabelProperties);
        return EngineDispatch(labels_.Get());
    }
    EngineDispatch TextStyle() {
        if (!textStyle_) textStyle_ = ObjectProperty(Labels().Get(), Labels::kStyle);
        return EngineDispatch(textStyle_.Get());
    }
    IFont* Font() {
        if (!font_) THROW_IF_FAILED(ObjectProperty(TextStyle().Get(), Style::kTextFont).As(IID_IFont, font_.PutVoid()));
        return font_.Get();
    }
    // The engine dataset the layer's labels are drawn from; null when the layer has none.
    IDispatch* Dataset() {
        if (!datasetKnown_) {
            dataset_ = platform::DispatchOf(Labels().Get(Labels::kDataset));
            datasetKnown_ = true;
        }
        return dataset_.Get();
    }
    // The style of the dataset's engine layer; null without a dataset.
    IDispatch* DatasetStyle() {
        if (!Dataset()) return nullptr;
        if (!datasetStyle_) {
            ComPtr<IDispatch> layer = ObjectProperty(Dataset(), Engine::Dataset::kLayer);
            datasetStyle_ = ObjectProperty(layer.Get(), Engine::Layer::kStyle);
        }
        return datasetStyle_.Get();
    }

private:
    CZmaVadAZLayer& layer_;
    ComPtr<IDispatch> engineLayer_, labels_, textStyle_, dataset_, datasetStyle_;
    ComPtr<IFont> font_;
    bool datasetKnown_ = false;
};

namespace {

// The settings in the order they are applied ("MapUnits" is only the unit of the zoom settings).
const wchar_t* const kApplyOrder[] = {
    L"LabelAuto",          L"LabelRotate",       L"LabelOverlap",       L"LabelDuplicates",
    L"LabelVisibility",    L"LabelPosition",     L"LabelOffset",        L"LabelLineType",
    L"LabelZoomMin",       L"LabelZoomMax",      L"LayerSelectable",    L"LayerEditable",
    L"LabelMaxNumber",     L"LayerVisibility",   L"LabelFontBold",      L"LabelFontItalic",
    L"LabelFontName",      L"LabelFontSize",     L"LabelFontForeColor", L"LabelFontBackColor",
    L"LabelFontUnderline", L"LabelFontShadow",   L"LabelFontAllCaps",   L"LabelFontExpanded",
    L"LabelFontHalo",      L"LabelFontBox",      L"LabelPartialSegments", L"LayerZoomMax",
    L"LayerZoomMin",       L"LabelLayerWith",    L"LabelDispInZoomRange", L"LayerOverrideBorderThickness",
    L"LayerOverrideBorderStyle", L"LayerOverrideBorderColor", L"LayerOverrideFillStyle",
    L"LayerOverrideForeColor",   L"LayerOverrideBackColor",   L"LayerOverrideBackColorOn",
    L"LayerOverride",      L"LayerDescription"};

// Label settings and text style switches taken as 16-bit integers (the engine reads -1 as true).
struct ShortSetting {
    const wchar_t* name;
    bool textStyle;  // else the label properties
    DISPID id;
};
const ShortSetting kShortSettings[] = {
    {L"LabelRotate", false, Labels::kParallel},          {L"LabelOverlap", false, Labels::kOverlap},
    {L"LabelDuplicates", false, Labels::kDuplicate},     {L"LabelVisibility", false, Labels::kVisible},
    {L"LabelPosition", false, Labels::kPosition},        {L"LabelOffset", false, Labels::kOffset},
    {L"LabelLineType", false, Labels::kLineType},        {L"LabelMaxNumber", false, Labels::kLabelMax},
    {L"LabelPartialSegments", false, Labels::kPartialSegments},
    {L"LabelFontShadow", true, Style::kTextFontShadow},  {L"LabelFontAllCaps", true, Style::kTextFontAllCaps},
    {L"LabelFontExpanded", true, Style::kTextFontDblSpace}, {L"LabelFontHalo", true, Style::kTextFontHalo},
    {L"LabelFontBox", true, Style::kTextFontOpaque}};

// Override style values, set on the style of the layer's dataset.
struct StyleSetting {
    const wchar_t* name;
    DISPID id;
    bool colour;
};
const StyleSetting kStyleSettings[] = {
    {L"LayerOverrideBorderStyle", Style::kRegionBorderStyle, false},
    {L"LayerOverrideBorderColor", Style::kRegionBorderColor, true},
    {L"LayerOverrideFillStyle", Style::kRegionPattern, false},
    {L"LayerOverrideForeColor", Style::kRegionColor, true},
    {L"LayerOverrideBackColor", Style::kRegionBackColor, true}};

bool Is(const std::wstring& name, const wchar_t* other) { return name == other; }

// Why an attribute was skipped, as the barrier would log the failure.
std::string SkippedBecause(const platform::ComError* e) {
    return e ? platform::FormatComErrorLine(*e) : std::string("Unknown exception");
}

}  // namespace

bool CZmaVOMapXWorkspace::ApplyLayer(IXMLDOMElement* element, CZmaVadAZLayer& layer) {
    bool applied = false;
    try {
        LayerTargets targets(layer);
        try {
            layer.SetAutoLabel(false);
        } CATCH_REPORT([](const platform::ComError* e) { LogSkipped(L"LabelAuto", SkippedBecause(e)); });
        for (const wchar_t* name : kApplyOrder) {
            std::wstring text;
            if (!platform::GetAttribute(element, name, text)) continue;
            if (layer.IsUserDrawn()) continue;
            try {
                ApplyAttribute(name, platform::ToAnsi(text), element, targets);
            } CATCH_REPORT([name](const platform::ComError* e) { LogSkipped(name, SkippedBecause(e)); });
        }
        applied = true;
    }
    COM_CATCH_LOG();
    return applied;
}

void CZmaVOMapXWorkspace::ApplyAttribute(const std::wstring& name, const std::string& value, IXMLDOMElement* element,
                                         LayerTargets& targets) {
    CZmaVadAZLayer& layer = targets.Layer();
    for (const ShortSetting& s : kShortSettings) {
        if (!Is(name, s.name)) continue;
        (s.textStyle ? targets.TextStyle() : targets.Labels()).Put(s.id, Variant(Short(value)));
        return;
    }
    for (const StyleSetting& s : kStyleSettings) {
        if (!Is(name, s.name)) continue;
        const long number = s.colour ? EngineColour(value) : static_cast<long>(Integer(value, LONG_MIN, LONG_MAX));
        if (IDispatch* style = targets.DatasetStyle()) EngineDispatch(style).Put(s.id, Variant(number));
        return;
    }
    if (Is(name, L"LabelZoomMin") || Is(name, L"LabelZoomMax") || Is(name, L"LayerZoomMin") || Is(name, L"LayerZoomMax")) {
        ApplyZoom(name, Number(value), element, targets);
    } else if (Is(name, L"LabelAuto")) {
        layer.SetAutoLabel(Boolean(value));
    } else if (Is(name, L"LayerSelectable")) {
        THROW_IF_FAILED(layer.SetSelectable(Boolean(value)));
    } else if (Is(name, L"LayerEditable")) {
        // The table takes editing from whichever layer had it; a table not to be edited leaves
        // the one that is alone.
        CZmaVadAZLayerCollection* owner = layer.GetOwner();
        if (Boolean(value) && owner)
            owner->EditOnly(&layer);
        else if (Boolean(value))
            layer.SetAsInsertionLayer(targets.EngineLayer());
        else if (layer.IsEditable())
            layer.SetAsInsertionLayer(nullptr);
    } else if (Is(name, L"LayerVisibility")) {
        THROW_IF_FAILED(layer.SetVisible(Boolean(value)));
    } else if (Is(name, L"LayerOverride")) {
        layer.SetOverrideStyle(Boolean(value));
    } else if (Is(name, L"LabelDispInZoomRange")) {
        targets.Labels().Put(Labels::kLabelZoom, Variant(Boolean(value)));
    } else if (Is(name, L"LabelFontBold")) {
        THROW_IF_FAILED(targets.Font()->put_Bold(Boolean(value) ? TRUE : FALSE));
    } else if (Is(name, L"LabelFontItalic")) {
        THROW_IF_FAILED(targets.Font()->put_Italic(Boolean(value) ? TRUE : FALSE));
    } else if (Is(name, L"LabelFontUnderline")) {
        // Only the true of the file's own form (-1) underlines.
        THROW_IF_FAILED(targets.Font()->put_Underline(Short(value) == -1 ? TRUE : FALSE));
    } else if (Is(name, L"LabelFontName")) {
        THROW_IF_FAILED(targets.Font()->put_Name(platform::Bstr(platform::ToWide(value)).Get()));
    } else if (Is(name, L"LabelFontSize")) {
        CY size = {};
        size.int64 = Integer(value, LONG_MIN, LONG_MAX) * 10000;  // whole points
        THROW_IF_FAILED(targets.Font()->put_Size(size));
    } else if (Is(name, L"LabelFontForeColor")) {
        targets.TextStyle().Put(Style::kTextFontColor, Variant(EngineColour(value)));
    } else if (Is(name, L"LabelFontBackColor")) {
        targets.TextStyle().Put(Style::kTextFontBackColor, Variant(EngineColour(value)));
    } else if (Is(name, L"LabelLayerWith")) {
        IDispatch* dataset = targets.Dataset();
        if (!dataset) return;
        ComPtr<IDispatch> fields = ObjectProperty(dataset, Engine::Collection::kDatasetFields);
        EngineDispatch list(fields.Get());
        const long count = list.Get(Engine::Collection::kCount).ToLong();
        for (long i = 1; i <= count; ++i) {
            ComPtr<IDispatch> field = platform::DispatchOf(list.Call(Engine::Collection::kFieldItem, {Variant(i)}));
            if (!field) continue;
            const std::wstring fieldName = EngineDispatch(field.Get()).Get(Engine::Field::kName).ToWide();
            if (_wcsicmp(fieldName.c_str(), platform::ToWide(value).c_str()) != 0) continue;
            targets.Labels().Put(Labels::kDataField, Variant(field.Get()));
            return;
        }
    } else if (Is(name, L"LayerOverrideBorderThickness")) {
        const long width = static_cast<long>(Integer(value, LONG_MIN, LONG_MAX));
        IDispatch* style = targets.DatasetStyle();
        if (!style) return;
        // Widths above 7 are the file's point widths: the unit changes, the width stays.
        EngineDispatch(style).Put(Style::kRegionWidthUnit, Variant(width > 7 ? 1L : 0L));
        if (width <= 7) EngineDispatch(style).Put(Style::kRegionBorderWidth, Variant(width));
    } else if (Is(name, L"LayerDescription")) {
        if (!value.empty()) layer.SetName(value);
    }
}

void CZmaVOMapXWorkspace::ApplyZoom(const std::wstring& name, double value, IXMLDOMElement* element,
                                    LayerTargets& targets) {
    std::wstring units;
    if (!platform::GetAttribute(element, L"MapUnits", units)) return;
    long unit = 0;
    if (!FindUnit(platform::ToAnsi(units), unit)) {
        LogSkipped(name, "the distance unit \"" + platform::ToAnsi(units) + "\" is unknown");
        return;
    }
    CZmaVadAZLayer& layer = targets.Layer();
    const bool label = name.compare(0, 5, L"Label") == 0;
    {
        ComPtr<IDispatch> map = layer.GetMapXMap();
        EngineDispatch engineMap(platform::ThrowIfNull(map.Get()));
        const Variant saved = engineMap.Get(Engine::Map::kDistanceUnit);
        // The map's unit is the file's only while the value is set, whatever the setting answers.
        struct UnitRestorer {
            const EngineDispatch& map;
            const Variant& unit;
            ~UnitRestorer() {
                try {
                    map.Put(Engine::Map::kDistanceUnit, unit);
                }
                COM_CATCH_LOG();
            }
        } restore{engineMap, saved};
        engineMap.Put(Engine::Map::kDistanceUnit, Variant(unit));
        if (Is(name, L"LabelZoomMin")) targets.Labels().Put(Labels::kLabelZoomMin, Variant(value));
        else if (Is(name, L"LabelZoomMax")) targets.Labels().Put(Labels::kLabelZoomMax, Variant(value));
        else if (Is(name, L"LayerZoomMin")) layer.SetZoomMin(value);
        else layer.SetZoomMax(value);
    }
    if (label)
        targets.Labels().Put(Labels::kLabelZoom, Variant(true));
    else
        layer.SetZoomLayering(true);
}
