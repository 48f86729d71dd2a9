#include "standins/mapengine/Layer.h"

#include "standins/mapengine/Faults.h"

#include "standins/mapengine/LayerFind.h"
#include "standins/mapengine/Rectangle.h"
#include "standins/mapengine/Units.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Layer>& Layer::Members() {
    static const MemberTable<Layer> table = MemberTable<Layer>()
        .ReadOnly(L"Name", &Layer::name_)
        .Put(L"Name", &Layer::PutName)
        .Property(L"Visible", &Layer::visible_, &Layer::Redraw)
        .Property(L"Selectable", &Layer::selectable_)
        .ReadOnly(L"FileSpec", &Layer::fileSpec_)
        .Get(L"LabelProperties", &Layer::GetLabelProperties)
        .Property(L"AutoLabel", &Layer::autoLabel_, &Layer::Redraw)
        .Property(L"ZoomLayer", &Layer::zoomLayering_, &Layer::Redraw)
        .Property(L"OverrideStyle", &Layer::overrideStyle_, &Layer::Redraw)
        .Get(L"Style", &Layer::GetStyle)
        .Put(L"Style", &Layer::PutStyle)
        .Get(L"ZoomMin", &Layer::GetZoomMin)
        .Put(L"ZoomMin", &Layer::PutZoomMin)
        .Get(L"ZoomMax", &Layer::GetZoomMax)
        .Put(L"ZoomMax", &Layer::PutZoomMax)
        .Get(L"Selection", &Layer::GetSelection)
        .Get(L"PredominantFeatureType", &Layer::GetPredominantFeatureType)
        .Get(L"Find", &Layer::GetFind)
        .ReadOnly(L"Type", &Layer::type_)
        .Method(L"AddFeature", &Layer::AddFeature)
        .Method(L"DeleteFeature", &Layer::DeleteFeature)
        .Method(L"Invalidate", &Layer::Invalidate)
        .Method(L"GetFeatureByKey", &Layer::GetFeatureByKey)
        .Get(L"AllFeatures", &Layer::AllFeatures)
        .Get(L"Bounds", &Layer::GetBounds)
        .Property(L"DrawLabelsAfter", &Layer::drawLabelsAfter_, &Layer::Redraw)
        .Method(L"BeginAccess", &Layer::BeginAccess)
        .Method(L"EndAccess", &Layer::EndAccess)
        .Property(L"Editable", &Layer::editable_);
    return table;
}

namespace {

std::wstring BaseName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = file.find_last_of(L'.');
    return dot == std::wstring::npos ? file : file.substr(0, dot);
}

}  // namespace

ComPtr<Layer> Layer::OpenTable(MapServices* map, const std::wstring& path) {
    ComPtr<Layer> layer = CreateTable(map, BaseName(path), path);
    // Opening never makes a table: a missing one is an error, as in the real engine.
    if (!ReadTableFile(path, layer->table_))
        Fail(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"The table " + path + L" cannot be opened");
    layer->LoadFeatures();
    if (layer->table_.raster) {
        layer->raster_ = RasterImage::Open(path, layer->table_.rasterText);
        layer->type_ = kRasterLayer;
    }
    return layer;
}

ComPtr<Layer> Layer::CreateTable(MapServices* map, const std::wstring& name, const std::wstring& path) {
    ComPtr<Layer> layer = platform::MakeObject<Layer>();
    layer->map_ = map;
    layer->name_ = name;
    layer->fileSpec_ = path;
    layer->labels_ = platform::MakeObject<LabelProperties>();
    layer->labels_->AttachToMap(map);
    layer->style_ = platform::MakeObject<Style>();
    layer->selection_ = Selection::Make();
    Layer* self = layer.Get();
    layer->selection_->SetOnChange([self] {
        if (self->map_) self->map_->SelectionChanged();
    });
    return layer;
}

ComPtr<Layer> Layer::CreateUserDraw(MapServices* map, const std::wstring& name) {
    ComPtr<Layer> layer = CreateTable(map, name, L"");
    layer->type_ = kUserDrawLayer;
    return layer;
}

Layer::~Layer() {
    if (labels_) labels_->AttachToMap(nullptr);
    if (selection_) selection_->SetOnChange(nullptr);
    for (const ComPtr<Feature>& f : features_) f->Detach();
}

void LayerNames::Add(const std::wstring& name) { ++counts_[Key(name)]; }

void LayerNames::Remove(const std::wstring& name) {
    auto found = counts_.find(Key(name));
    if (found != counts_.end() && --found->second == 0) counts_.erase(found);
}

bool LayerNames::Has(const std::wstring& name) const { return counts_.count(Key(name)) != 0; }

std::wstring LayerNames::Key(const std::wstring& name) {
    std::wstring key(name);
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
    return key;
}

void Layer::CountNameIn(LayerNames* names) {
    if (names_) names_->Remove(name_);
    names_ = names;
    if (names_) names_->Add(name_);
}

void Layer::DetachFromMap() noexcept {
    map_ = nullptr;
    labels_->AttachToMap(nullptr);
}

bool Layer::VisibleAtZoom(double zoomMetres) const noexcept {
    if (!visible_) return false;
    if (!zoomLayering_) return true;
    return zoomMetres >= zoomMinMetres_ && zoomMetres <= zoomMaxMetres_;
}

std::wstring Layer::LabelText(const Feature& feature) const {
    const std::wstring field = labels_->DataFieldName();
    if (field.empty()) return feature.Record().keyValue;
    for (size_t i = 0; i < table_.fields.size(); ++i) {
        if (_wcsicmp(table_.fields[i].c_str(), field.c_str()) == 0) return feature.Record().FieldValue(i);
    }
    return std::wstring();
}

void Layer::LoadFeatures() {
    features_.clear();
    for (const FeatureRecord& record : table_.features) {
        ComPtr<Style> style = platform::MakeObject<Style>();
        style->Deserialise(record.style);
        ComPtr<Feature> f = Feature::Make(record, style);
        f->AttachTo(this, record.key);
        long key = std::wcstol(record.key.c_str(), nullptr, 10);
        nextKey_ = std::max(nextKey_, key + 1);
        features_.push_back(f);
    }
}

// Writes the table file now, or at the end of the access bracket.
void Layer::Save() {
    if (fileSpec_.empty() || type_ != kNormalLayer) return;
    if (accessDepth_ > 0) {
        unsaved_ = true;
        return;
    }
    table_.features.clear();
    for (const ComPtr<Feature>& f : features_) table_.features.push_back(f->RecordWithStyle());
    WriteTableFile(fileSpec_, table_);
    unsaved_ = false;
}

void Layer::Redraw() {
    if (map_) map_->ContentChanged();
}

void Layer::FeatureChanged() {
    Save();
    Redraw();
}

double Layer::UnitMetres() const { return MetresPerUnit(map_ ? map_->View().DistanceUnit() : 0); }

void Layer::PutName(Call& c) {
    std::wstring name = c.String(0);
    if (name.empty()) Fail(E_INVALIDARG, L"A layer needs a name");
    if (names_) {
        names_->Add(name);
        names_->Remove(name_);
    }
    name_ = name;
}

void Layer::GetLabelProperties(Call& c) { c.Return(labels_); }
void Layer::GetStyle(Call& c) { c.Return(style_); }

void Layer::PutStyle(Call& c) {
    style_ = Style::CopyOf(c.Object<Style>(0).Get());
    Redraw();
}

void Layer::GetZoomMin(Call& c) { c.Return(zoomMinMetres_ / UnitMetres()); }
void Layer::GetZoomMax(Call& c) { c.Return(zoomMaxMetres_ / UnitMetres()); }

void Layer::PutZoomMin(Call& c) {
    if (FaultSwitches::FromEnvironment().failZoom) Fail(E_FAIL, L"The zoom range is refused");
    zoomMinMetres_ = c.Double(0) * UnitMetres();
}

void Layer::PutZoomMax(Call& c) {
    if (FaultSwitches::FromEnvironment().failZoom) Fail(E_FAIL, L"The zoom range is refused");
    zoomMaxMetres_ = c.Double(0) * UnitMetres();
}
void Layer::GetSelection(Call& c) { c.Return(selection_); }

void Layer::GetPredominantFeatureType(Call& c) {
    if (features_.empty()) {
        c.Return(static_cast<long>(kNullFeature));
        return;
    }
    short first = features_.front()->Record().type;
    bool same = std::all_of(features_.begin(), features_.end(),
                            [first](const ComPtr<Feature>& f) { return f->Record().type == first; });
    // A layer of one kind of feature answers that kind's type.
    c.Return(static_cast<long>(same ? first : short{kMixedFeatures}));
}

void Layer::GetFind(Call& c) { c.Return(LayerFind::Make(ComPtr<Layer>(this))); }

ComPtr<Feature> Layer::AddFeatureCopy(Feature& source) {
    if (type_ != kNormalLayer) Fail(E_FAIL, L"Features can only be added to table layers");
    ComPtr<Feature> f = source.Copy();
    f->AttachTo(this, std::to_wstring(nextKey_++));
    features_.push_back(f);
    Save();
    Redraw();
    return f;
}

void Layer::AddFeature(Call& c) {
    if (FaultSwitches::FromEnvironment().failAddFeature) Fail(E_FAIL, L"The layer refuses new features");
    c.Return(AddFeatureCopy(*c.Object<Feature>(0)));
}

ComPtr<Feature> Layer::FeatureWithKey(const std::wstring& key) const {
    for (const ComPtr<Feature>& f : features_) {
        if (f->Key() == key) return f;
    }
    Fail(DISP_E_BADINDEX, L"No feature with the key " + key);
}

void Layer::DeleteFeature(Call& c) {
    if (FaultSwitches::FromEnvironment().failDeleteFeature) Fail(E_FAIL, L"The layer refuses to delete features");
    ComPtr<Feature> f;
    if (c.Arg(0).vt == VT_DISPATCH || c.Arg(0).vt == VT_UNKNOWN) {
        f = c.Object<Feature>(0);
        if (f->Owner() != this) Fail(E_INVALIDARG, L"The feature does not belong to this layer");
    } else {
        f = FeatureWithKey(c.String(0));
    }
    features_.erase(std::remove(features_.begin(), features_.end(), f), features_.end());
    selection_->Drop(f.Get());
    f->Detach();
    Save();
    Redraw();
}

void Layer::Invalidate(Call&) { Redraw(); }

void Layer::GetFeatureByKey(Call& c) {
    c.Return(FeatureWithKey(c.String(0)));
}

void Layer::AllFeatures(Call& c) { c.Return(Features::Make(features_)); }

void Layer::GetBounds(Call& c) {
    if (raster_) {
        c.Return(Rectangle::Make(raster_->Extent()));
        return;
    }
    if (features_.empty()) {
        c.Return(Rectangle::Make({0, 0, 0, 0}));
        return;
    }
    GeoRect r = features_.front()->Bounds();
    for (const ComPtr<Feature>& f : features_) {
        GeoRect b = f->Bounds();
        r = {std::min(r.xmin, b.xmin), std::min(r.ymin, b.ymin), std::max(r.xmax, b.xmax), std::max(r.ymax, b.ymax)};
    }
    c.Return(Rectangle::Make(r));
}

void Layer::BeginAccess(Call& c) {
    if (c.Long(0) != 0) ++accessDepth_;
}

void Layer::EndAccess(Call&) {
    if (accessDepth_ > 0) --accessDepth_;
    if (accessDepth_ == 0 && unsaved_) Save();
}

}  // namespace mapengine
