#include "ZmaVOMap2/dialogs/LabelPropDlg.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/DialogSupport.h"
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineFont.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <climits>
#include <cwchar>
#include <functional>
#include <vector>

using platform::ComPtr;
using platform::Variant;
using namespace layerdialogs;
namespace Labels = Engine::Labels;

namespace {

constexpr int kPositionIds[] = {IDC_LABEL_ALONG, IDC_LABEL_ACROSS, IDC_LABEL_HORIZONTAL, IDC_LABEL_VERTICAL};
constexpr int kAlignmentIds[] = {IDC_LABEL_LEFT, IDC_LABEL_RIGHT, IDC_LABEL_CENTER};
constexpr int kMaxOffset = 50;

// What an offset edit takes before the limit of labels is applied: any whole number an int holds.
const NumberRange kTypedOffset = NumberRange::Whole(INT_MIN, INT_MAX);
// How many labels an engine layer draws at most: the engine keeps the count in 16 bits.
const NumberRange kLabelCounts = NumberRange::Whole(0, SHRT_MAX);

void AddEntry(HWND dialog, const std::string& text) {
    ::SendDlgItemMessageA(dialog, IDC_LABEL_FIELD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Puts the field of the layer's dataset that the user chose as the labels' field. A layer whose
// labels have no dataset (a table without rows, the annotations) offers no field to choose, and
// keeps its label field.
void PutLabelField(EngineDispatch& labels, IDispatch* dataset, const std::string& field) {
    if (field.empty()) return;
    if (!dataset) throw platform::ComError(E_POINTER, L"The layer has no dataset to take a label field from");
    ComPtr<IDispatch> fields = GetObjectProperty(dataset, Engine::Collection::kDatasetFields);
    EngineDispatch list(fields.Get());
    labels.Put(Labels::kDataField, list.Call(Engine::Collection::kFieldItem, {Variant(platform::ToWide(field))}));
}

// Why the engine refused a setting, in words for the user.
std::wstring ReasonOf(const platform::ComError* e) {
    std::wstring reason = e ? e->Description() : std::wstring();
    if (reason.empty()) {
        wchar_t code[48];
        std::swprintf(code, 48, L"The map refused it (0x%08X)", static_cast<unsigned>(e ? e->Error() : E_FAIL));
        reason = code;
    }
    return reason.back() == L'.' ? reason : reason + L".";
}

}  // namespace

CLabelPropDlg::CLabelPropDlg(IDispatch* engineMap, CZmaVadAZLayer* layer)
    : Dialog(platform::Module::Instance(), IDD_LABEL_PROPERTIES), map_(engineMap), layer_(layer) {
    widestZoom_ = DistanceUnits::WorldWidth(DistanceUnits::kMile);
}

ComPtr<IDispatch> CLabelPropDlg::EngineLabels() const {
    ComPtr<IDispatch> engineLayer = layer_->GetMapXLayer();
    return GetObjectProperty(engineLayer.Get(), Engine::Layer::kLabelProperties);
}

ComPtr<IDispatch> CLabelPropDlg::EngineDataset() const {
    // The engine dataset a table layer holds is the one its labels are drawn from.
    try {
        return platform::DispatchOf(EngineDispatch(EngineLabels().Get()).Get(Labels::kDataset));
    }
    CATCH_SWALLOW("labels that name no dataset have none");
    return nullptr;
}

BOOL CLabelPropDlg::OnInitDialog() {
    if (!layer_) return TRUE;
    HWND d = Handle();
    try {
        const long unit = MapDistanceUnit(map_.Get());
        unitCaption_ = UnitCaption(unit);
        widestZoom_ = DistanceUnits::WorldWidth(unit);
        SetItemText(d, IDC_LABEL_UNIT_MIN, unitCaption_);
        SetItemText(d, IDC_LABEL_UNIT_MAX, unitCaption_);
        InitTooltip();
        if (layer_->IsUserDrawn())
            InitOwnLayer();
        else
            InitEngineLayer();
    }
    COM_CATCH_LOG();
    return TRUE;
}

void CLabelPropDlg::InitTooltip() {
    HWND d = Handle();
    if (CZmaVadAZDataLayer* data = AsDataLayer(layer_)) {
        for (int id : {IDC_LABEL_FROM_EXPRESSION, IDC_LABEL_EXPRESSION, IDC_LABEL_TOOLTIP_FLAG, IDC_LABEL_TOOLTIP}) Enable(d, id, true);
        SetItemText(d, IDC_LABEL_TOOLTIP, EscapeControlCharacters(platform::ToAnsi(data->GetTooltipExpression())));
        Check(d, IDC_LABEL_TOOLTIP_FLAG, data->GetUseTooltipExpression());
    } else {
        Enable(d, IDC_LABEL_FROM_EXPRESSION, false);
    }
}

void CLabelPropDlg::InitEngineLayer() {
    HWND d = Handle();
    ComPtr<IDispatch> dataset = EngineDataset();
    if (dataset) {
        ComPtr<IDispatch> fields = GetObjectProperty(dataset.Get(), Engine::Collection::kDatasetFields);
        EngineDispatch list(fields.Get());
        const long count = list.Get(Engine::Collection::kCount).ToLong();
        for (long i = 1; i <= count; ++i) {
            ComPtr<IDispatch> field = platform::DispatchOf(list.Call(Engine::Collection::kFieldItem, {Variant(i)}));
            if (field) AddEntry(d, platform::ToAnsi(EngineDispatch(field.Get()).Get(Engine::Field::kName).ToWide()));
        }
        Check(d, IDC_LABEL_FROM_FIELD, true);
    } else {
        for (int id : {IDC_LABEL_FROM_FIELD, IDC_LABEL_FIELD, IDC_LABEL_FROM_EXPRESSION, IDC_LABEL_EXPRESSION}) Enable(d, id, false);
    }

    EngineDispatch labels(EngineLabels().Get());
    // Show is whether the engine shows the labels, as the user sees the map.
    labelsShown_ = layer_->GetLabelsVisible();
    Check(d, IDC_LABEL_SHOW, labelsShown_);
    const bool zoom = labels.Get(Labels::kLabelZoom).ToBool();
    Check(d, IDC_LABEL_ZOOM, zoom);
    Check(d, IDC_LABEL_OVERLAP, labels.Get(Labels::kOverlap).ToBool());
    // The engine's switch allows duplicate texts; the box hides them.
    Check(d, IDC_LABEL_DUPLICATE, !labels.Get(Labels::kDuplicate).ToBool());
    zoomMin_ = labels.Get(Labels::kLabelZoomMin).ToDouble();
    zoomMax_ = labels.Get(Labels::kLabelZoomMax).ToDouble();
    SetItemNumber(d, IDC_LABEL_ZOOM_MIN, zoomMin_);
    SetItemNumber(d, IDC_LABEL_ZOOM_MAX, zoomMax_);
    Enable(d, IDC_LABEL_ZOOM_MIN, zoom);
    Enable(d, IDC_LABEL_ZOOM_MAX, zoom);
    labelCountShown_ = labels.Get(Labels::kLabelMax).ToLong();
    SetItemText(d, IDC_LABEL_MAX_COUNT, std::to_string(labelCountShown_));

    for (int id : {IDC_LABEL_FROM_FORMATTED, IDC_LABEL_OFFSET_X, IDC_LABEL_OFFSET_Y}) Enable(d, id, false);
    for (int id : kPositionIds) Enable(d, id, false);
    SetAlignmentEnabled(false);

    std::string field;
    ComPtr<IDispatch> labelField = platform::DispatchOf(labels.Get(Labels::kDataField));
    if (labelField) field = platform::ToAnsi(EngineDispatch(labelField.Get()).Get(Engine::Field::kName).ToWide());
    SelectField(field);
}

void CLabelPropDlg::FillOwnFields() {
    HWND d = Handle();
    CZmaVadAZDataLayer* data = AsDataLayer(layer_);
    if (!data) return;
    if (layer_->GetType() == CZmaVadAZLayer::kTypeCellSites) {
        // The cell sites' own fields only: no positions and none of the fields the map adds.
        IHostDataset* dataset = data->GetDataset();
        if (!dataset) return;
        ComPtr<IHostFields> fields = hostdata::Fields(dataset);
        const long count = hostdata::FieldCount(fields.Get());
        for (long i = 0; i < count; ++i) {
            ComPtr<IHostField> field = hostdata::FieldAt(fields.Get(), i);
            const std::string name = platform::ToAnsi(hostdata::FieldName(field.Get()));
            const long type = hostdata::FieldType(field.Get());
            if (type == 13 || type == 12 || name == "Latitude" || name == "Longitude" || name == "Azimuth_Display" ||
                name == "FormattedLabel" || name == "RowID")
                continue;
            AddEntry(d, name);
        }
        return;
    }
    std::vector<std::wstring> names;
    data->GetStringList(names);
    for (const std::wstring& name : names) AddEntry(d, platform::ToAnsi(name));
    Enable(d, IDC_LABEL_ALONG, false);
    Enable(d, IDC_LABEL_ACROSS, false);
    if (layer_->GetType() == CZmaVadAZLayer::kTypeCellReferences) AddEntry(d, "KeyField");
}

void CLabelPropDlg::InitOwnLayer() {
    HWND d = Handle();
    FillOwnFields();
    CZmaVadAZLabelProperties* settings = layer_->GetLabelProperties();
    if (!settings) return;

    Check(d, IDC_LABEL_SHOW, settings->GetVisible());
    SetItemText(d, IDC_LABEL_EXPRESSION, EscapeControlCharacters(settings->GetExpression()));
    const int source = settings->GetUseExpression() ? 2 : settings->GetFormattedLabels() ? 1 : 0;
    Check(d, IDC_LABEL_FROM_FIELD, source == 0);
    Check(d, IDC_LABEL_FROM_FORMATTED, source == 1);
    Check(d, IDC_LABEL_FROM_EXPRESSION, source == 2);
    Enable(d, IDC_LABEL_FIELD, source == 0);
    Enable(d, IDC_LABEL_EXPRESSION, source == 2);

    const bool zoom = settings->GetLabelZoom(&zoomMin_, &zoomMax_);
    Check(d, IDC_LABEL_ZOOM, zoom);
    settings->GetLabelZoomIn(MapDistanceUnit(map_.Get()), zoomMin_, zoomMax_);
    Enable(d, IDC_LABEL_ZOOM_MIN, zoom);
    Enable(d, IDC_LABEL_ZOOM_MAX, zoom);
    SetItemNumber(d, IDC_LABEL_ZOOM_MIN, zoomMin_);
    SetItemNumber(d, IDC_LABEL_ZOOM_MAX, zoomMax_);

    Check(d, IDC_LABEL_OVERLAP, settings->GetOverlap());
    Check(d, IDC_LABEL_DUPLICATE, settings->GetDuplicate());
    settings->GetOffset(offsetX_, offsetY_);
    SetItemText(d, IDC_LABEL_OFFSET_X, std::to_string(offsetX_));
    SetItemText(d, IDC_LABEL_OFFSET_Y, std::to_string(offsetY_));

    if (layer_->GetType() == CZmaVadAZLayer::kTypeLines) {
        for (int id : {IDC_LABEL_FIELD, IDC_LABEL_FROM_FIELD, IDC_LABEL_FROM_FORMATTED}) Enable(d, id, false);
        for (int id : {IDC_LABEL_OVERLAP, IDC_LABEL_DUPLICATE}) {
            Check(d, id, false);
            Enable(d, id, false);
        }
    }

    position_ = settings->GetPosition();
    alignment_ = settings->GetAlignment();
    if (position_ >= 0 && position_ < 4) Check(d, kPositionIds[position_], true);
    SetAlignmentEnabled(position_ >= 2);
    if (alignment_ >= 0 && alignment_ < 3) Check(d, kAlignmentIds[alignment_], true);
    Enable(d, IDC_LABEL_MAX_COUNT, false);
    SelectField(settings->GetDataField());
}

void CLabelPropDlg::SetAlignmentEnabled(bool on) {
    // Cell-site labels always sit at their symbols' fixed anchor.
    if (layer_ && layer_->GetType() == CZmaVadAZLayer::kTypeCellSites) on = false;
    for (int id : kAlignmentIds) Enable(Handle(), id, on);
}

void CLabelPropDlg::SelectField(const std::string& field) {
    HWND combo = ::GetDlgItem(Handle(), IDC_LABEL_FIELD);
    const LRESULT count = ::SendMessageA(combo, CB_GETCOUNT, 0, 0);
    LRESULT chosen = 0;
    if (!field.empty()) {
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT length = ::SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
            std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
            ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            if (static_cast<size_t>(length) >= field.size() &&
                ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data(), static_cast<int>(field.size()),
                                 field.c_str(), static_cast<int>(field.size())) == CSTR_EQUAL) {
                chosen = i;
                break;
            }
        }
    }
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

bool CLabelPropDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND) return false;
    HWND d = Handle();
    const int id = LOWORD(wp);
    const int code = HIWORD(wp);
    if (code == EN_KILLFOCUS) {
        // An edit left with a number the rule refuses keeps the last one taken; OK says why.
        double value = 0;
        const bool read = ReadEditNumber(d, id, id == IDC_LABEL_OFFSET_X || id == IDC_LABEL_OFFSET_Y
                                                    ? kTypedOffset
                                                    : NumberRange::Between(0.0, widestZoom_), value);
        switch (id) {
        case IDC_LABEL_ZOOM_MIN: zoomMin_ = read ? value : zoomMin_; break;
        case IDC_LABEL_ZOOM_MAX: zoomMax_ = read ? value : zoomMax_; break;
        case IDC_LABEL_OFFSET_X: offsetX_ = read ? static_cast<int>(value) : offsetX_; break;
        case IDC_LABEL_OFFSET_Y: offsetY_ = read ? static_cast<int>(value) : offsetY_; break;
        default: return false;
        }
        result = 0;
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDOK: OnOK(); break;
    case IDCANCEL: ::EndDialog(d, IDCANCEL); break;
    case IDC_LABEL_ZOOM: {
        const bool on = IsChecked(d, IDC_LABEL_ZOOM);
        Enable(d, IDC_LABEL_ZOOM_MIN, on);
        Enable(d, IDC_LABEL_ZOOM_MAX, on);
        break;
    }
    case IDC_LABEL_ALONG:
    case IDC_LABEL_ACROSS:
        position_ = id == IDC_LABEL_ALONG ? 0 : 1;
        SetAlignmentEnabled(false);
        break;
    case IDC_LABEL_HORIZONTAL:
    case IDC_LABEL_VERTICAL:
        position_ = id == IDC_LABEL_HORIZONTAL ? 2 : 3;
        SetAlignmentEnabled(true);
        break;
    case IDC_LABEL_LEFT: alignment_ = 0; break;
    case IDC_LABEL_RIGHT: alignment_ = 1; break;
    case IDC_LABEL_CENTER: alignment_ = 2; break;
    case IDC_LABEL_FROM_FIELD:
        Enable(d, IDC_LABEL_FIELD, true);
        Enable(d, IDC_LABEL_EXPRESSION, false);
        break;
    case IDC_LABEL_FROM_FORMATTED:
        Enable(d, IDC_LABEL_FIELD, false);
        Enable(d, IDC_LABEL_EXPRESSION, false);
        break;
    case IDC_LABEL_FROM_EXPRESSION:
        Enable(d, IDC_LABEL_FIELD, false);
        Enable(d, IDC_LABEL_EXPRESSION, true);
        break;
    case IDC_LABEL_STYLE: PickLabelStyle(); break;
    default: return false;
    }
    result = 0;
    return true;
}

void CLabelPropDlg::OnOK() {
    HWND d = Handle();
    if (!layer_) {
        ::EndDialog(d, IDOK);
        return;
    }
    try {
        // The edits take their values when they lose the focus; OK may come before that.
        if (!ReadTypedNumbers()) return;

        std::string field;
        HWND combo = ::GetDlgItem(d, IDC_LABEL_FIELD);
        const LRESULT selected = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR) {
            std::vector<char> text(static_cast<size_t>(::SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0)) + 1, '\0');
            ::SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
            field = text.data();
        }
        if (CZmaVadAZDataLayer* data = AsDataLayer(layer_)) {
            const bool use = IsChecked(d, IDC_LABEL_TOOLTIP_FLAG);
            data->SetUseTooltipExpression(use);
            if (use) data->SetTooltipExpression(platform::ToWide(UnescapeControlCharacters(ItemText(d, IDC_LABEL_TOOLTIP, 2048))));
        }
        const bool done = layer_->IsUserDrawn() ? ApplyOwnLayer(field) : ApplyEngineLayer(field);
        if (done) ::EndDialog(d, IDOK);
    }
    COM_CATCH_LOG();  // the dialog stays open; what was set before the failure stays set
}

bool CLabelPropDlg::ReadTypedNumbers() {
    HWND d = Handle();
    // The range applies only while labels are zoom-dependent; otherwise the last one taken stays.
    if (IsChecked(d, IDC_LABEL_ZOOM)) {
        const NumberRange zooms = NumberRange::Between(0.0, widestZoom_, platform::ToWide(unitCaption_));
        if (!ReadDialogNumber(d, IDC_LABEL_ZOOM_MIN, L"The minimum zoom", zooms, zoomMin_) ||
            !ReadDialogNumber(d, IDC_LABEL_ZOOM_MAX, L"The maximum zoom", zooms, zoomMax_))
            return false;
    }
    // Offsets are the own layers' alone, the count of labels the engine layers': the other
    // kind's edits are disabled.
    if (!layer_->IsUserDrawn())
        return ReadDialogNumber(d, IDC_LABEL_MAX_COUNT, L"The maximum number of labels", kLabelCounts, labelCount_);
    const int ids[] = {IDC_LABEL_OFFSET_X, IDC_LABEL_OFFSET_Y};
    int* offsets[] = {&offsetX_, &offsetY_};
    for (int i = 0; i < 2; ++i) {
        double value = 0;
        if (!ReadNumber(ItemText(d, ids[i], 50), kTypedOffset, value)) {
            RefuseDialogNumber(d, ids[i], L"A label offset", NumberRange::Whole(-kMaxOffset, kMaxOffset));
            return false;
        }
        *offsets[i] = static_cast<int>(value);
    }
    return true;
}

bool CLabelPropDlg::LimitOffsets() {
    struct Limit {
        int bound;
        const wchar_t* question;
    };
    const Limit limits[] = {{kMaxOffset, L"Label offset can be no greater than 50. Set it equal to 50?"},
                            {-kMaxOffset, L"Label offset can be no less than -50. Set it equal to -50?"}};
    HWND d = Handle();
    for (const Limit& limit : limits) {
        auto beyond = [&](int offset) { return limit.bound > 0 ? offset > limit.bound : offset < limit.bound; };
        if (!beyond(offsetX_) && !beyond(offsetY_)) continue;
        if (platform::Prompts().MessageBox(d, limit.question, L"Error", MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
            return false;
        if (beyond(offsetX_)) offsetX_ = limit.bound;
        if (beyond(offsetY_)) offsetY_ = limit.bound;
        SetItemText(d, IDC_LABEL_OFFSET_X, std::to_string(offsetX_));
        SetItemText(d, IDC_LABEL_OFFSET_Y, std::to_string(offsetY_));
    }
    return true;
}

bool CLabelPropDlg::ApplyEngineLayer(const std::string& field) {
    HWND d = Handle();
    EngineDispatch labels(EngineLabels().Get());
    // Each setting goes to the engine on its own, so that one the layer refuses keeps none of the
    // others back; the refused ones are named, and the dialog stays for the user to change them.
    std::wstring refused;
    const auto apply = [&refused](const wchar_t* setting, const std::function<void()>& put) {
        try {
            put();
        }
        CATCH_REPORT([&](const platform::ComError* e) { refused += std::wstring(L"\n") + setting + L": " + ReasonOf(e); });
    };
    apply(L"The label field", [&] { PutLabelField(labels, EngineDataset().Get(), field); });
    // Show left as it was leaves both of the engine's switches of the labels as they are.
    apply(L"Show labels", [&] {
        const bool show = IsChecked(d, IDC_LABEL_SHOW);
        if (show == labelsShown_) return;
        layer_->SetLabelsVisible(show);
        labelsShown_ = show;
    });
    apply(L"Display within range", [&] {
        const bool zoom = IsChecked(d, IDC_LABEL_ZOOM);
        labels.Put(Labels::kLabelZoom, Variant(zoom));
        if (!zoom) return;
        labels.Put(Labels::kLabelZoomMin, Variant(zoomMin_));
        labels.Put(Labels::kLabelZoomMax, Variant(zoomMax_));
    });
    apply(L"Allow overlapped text", [&] { labels.Put(Labels::kOverlap, Variant(IsChecked(d, IDC_LABEL_OVERLAP))); });
    apply(L"Hide adjacent duplicate text",
          [&] { labels.Put(Labels::kDuplicate, Variant(!IsChecked(d, IDC_LABEL_DUPLICATE))); });
    // Lines partly in view are labelled too, and count among the labels drawn. A number left as
    // the layer has it leaves both as they are, so that an OK that changed nothing changes
    // nothing; once written, the number is the layer's, whether or not this OK ends the dialog.
    apply(L"The maximum number of labels", [&] {
        const long count = static_cast<long>(labelCount_);
        if (count == labelCountShown_) return;
        labels.Put(Labels::kLabelMax, Variant(count));
        labelCountShown_ = count;
        labels.Put(Labels::kPartialSegments, Variant(true));
    });
    if (refused.empty()) return true;
    platform::Prompts().MessageBox(d, L"These label settings could not be applied:" + refused, L"Map Module",
                                   MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CLabelPropDlg::ApplyOwnLayer(const std::string& field) {
    HWND d = Handle();
    CZmaVadAZLabelProperties* settings = layer_->GetLabelProperties();
    if (!settings) return true;
    settings->SetDataField(field);
    settings->SetVisible(IsChecked(d, IDC_LABEL_SHOW));
    const bool useExpression = IsChecked(d, IDC_LABEL_FROM_EXPRESSION);
    settings->SetUseExpression(useExpression);
    if (useExpression) settings->SetExpression(UnescapeControlCharacters(ItemText(d, IDC_LABEL_EXPRESSION, 2048)));
    settings->SetLabelZoom(IsChecked(d, IDC_LABEL_ZOOM), zoomMin_, zoomMax_);
    settings->SetLabelZoomUnits(MapDistanceUnit(map_.Get()));
    settings->SetOverlap(IsChecked(d, IDC_LABEL_OVERLAP));
    settings->SetDuplicate(IsChecked(d, IDC_LABEL_DUPLICATE));
    settings->SetFormattedLabels(IsChecked(d, IDC_LABEL_FROM_FORMATTED));

    if (!LimitOffsets()) return false;
    settings->SetOffset(offsetX_, offsetY_);
    settings->SetPosition(position_);
    settings->SetAlignment(alignment_);
    return true;
}

void CLabelPropDlg::PickLabelStyle() {
    try {
        ComPtr<IDispatch> style;
        THROW_IF_FAILED(::CoCreateInstance(ExternalIds::kEngineStyle, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, style.PutVoid()));
        if (!layer_->IsUserDrawn()) {
            EngineDispatch labels(EngineLabels().Get());
            style = GetObjectProperty(labels.Get(), Labels::kStyle);
            if (EngineDispatch(style.Get()).Call(Engine::Style::kPickText).ToBool()) labels.Put(Labels::kStyle, Variant(style.Get()));
            return;
        }
        CZmaVadAZLabelProperties* settings = layer_->GetLabelProperties();
        ComPtr<IHostLabelStyle> own = settings ? settings->GetStyle() : nullptr;
        if (!own) return;
        namespace S = Engine::Style;
        EngineDispatch engine(style.Get());
        ComPtr<IFont> font;
        if (SUCCEEDED(own->get_Font(font.Put())) && font) {
            ComPtr<IFont> engineFont;
            THROW_IF_FAILED(platform::RequireDispatch(engine.Get(S::kTextFont)).As(IID_IFont, engineFont.PutVoid()));
            CopyFontInto(engineFont.Get(), font.Get());
        }
        OLE_COLOR colour = 0;
        VARIANT_BOOL flag = VARIANT_FALSE;
        if (SUCCEEDED(own->get_TextColor(&colour))) engine.Put(S::kTextFontColor, Variant(static_cast<long>(colour)));
        if (SUCCEEDED(own->get_BackColor(&colour))) engine.Put(S::kTextFontBackColor, Variant(static_cast<long>(colour)));
        if (SUCCEEDED(own->get_Opaque(&flag))) engine.Put(S::kTextFontOpaque, Variant(flag != VARIANT_FALSE));
        if (SUCCEEDED(own->get_Halo(&flag))) engine.Put(S::kTextFontHalo, Variant(flag != VARIANT_FALSE));
        if (SUCCEEDED(own->get_Shadow(&flag))) engine.Put(S::kTextFontShadow, Variant(flag != VARIANT_FALSE));
        if (SUCCEEDED(own->get_AllCaps(&flag))) engine.Put(S::kTextFontAllCaps, Variant(flag != VARIANT_FALSE));
        if (SUCCEEDED(own->get_DoubleSpace(&flag))) engine.Put(S::kTextFontDblSpace, Variant(flag != VARIANT_FALSE));
        if (!engine.Call(Engine::Style::kPickText).ToBool()) return;

        ComPtr<IFont> picked;
        Variant engineFont = engine.Get(S::kTextFont);
        if ((engineFont.vt == VT_DISPATCH || engineFont.vt == VT_UNKNOWN) && engineFont.punkVal &&
            SUCCEEDED(engineFont.punkVal->QueryInterface(IID_IFont, picked.PutVoid())))
            own->putref_Font(picked.Get());
        own->put_TextColor(static_cast<OLE_COLOR>(engine.Get(S::kTextFontColor).ToLong()));
        own->put_BackColor(static_cast<OLE_COLOR>(engine.Get(S::kTextFontBackColor).ToLong()));
        auto boolOf = [&](DISPID id) { return engine.Get(id).ToBool() ? VARIANT_TRUE : VARIANT_FALSE; };
        own->put_Opaque(boolOf(S::kTextFontOpaque));
        own->put_Halo(boolOf(S::kTextFontHalo));
        own->put_Shadow(boolOf(S::kTextFontShadow));
        own->put_AllCaps(boolOf(S::kTextFontAllCaps));
        own->put_DoubleSpace(boolOf(S::kTextFontDblSpace));
    }
    COM_CATCH_LOG();
}
